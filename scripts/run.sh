#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/deps.sh"
"$here/scripts/build.sh"
exec "$here/build/bin/converti"
