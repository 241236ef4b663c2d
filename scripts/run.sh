#!/usr/bin/env bash
# Installs what building and running need and is missing, builds (without the
# tests), and opens the window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/deps.sh"
"$here/scripts/build.sh" -DCONVERTI_TESTS=OFF
exec "$here/build/bin/converti"
