#!/usr/bin/env bash
# Configures and builds into build/ (executables in build/bin/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$here/build" -j "$(nproc)"
