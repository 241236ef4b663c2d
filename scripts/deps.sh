#!/usr/bin/env bash
# Installs what building, running and testing Converti needs and is not there yet:
# Debian packages through apt-get (as root, else through sudo) and the npm packages
# of the test readers. Quiet when everything is present.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake g++ make pkgconf
  qt6-base-dev libgl-dev            # window toolkit
  fonts-dejavu-core                 # the toolkit's default font, which the layout is checked with
  mdbtools mdbtools-dev             # libmdb for reading, mdb-* tools as test oracles
  libgsf-1-dev                      # OLE2 compound files
  libxxhash-dev                     # the workbook string table's hash (XXH3)
  nlohmann-json3-dev                # mkmdb reads its JSON descriptions (build only, header-only)
  libgtest-dev libgmock-dev         # unit tests
  python3 python3-xlrd python3-olefile   # independent workbook readers for tests
  xvfb xauth xdotool                # end-to-end checks in a real X server
  clang libclang-rt-14-dev          # fuzz targets and sanitizers
  hyperfine time                    # benchmarks
  dpkg-dev                          # the Debian package's dependency list
)
command -v node >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# mdb-reader: a second, independent reader of .mdb files for the tests.
if [ ! -d "$here/tests/node/node_modules/mdb-reader" ]; then
  (cd "$here/tests/node" && npm ci --no-audit --no-fund --loglevel=error)
fi
