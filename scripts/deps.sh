#!/usr/bin/env bash
# Installs the Debian packages that Converti needs and that are not there yet,
# through apt-get (as root, else through sudo). Quiet when everything is present.
#   scripts/deps.sh           what building and running need
#   scripts/deps.sh --tests   that, what the tests and checks need, and the npm test reader
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake g++ make pkgconf
  qt6-base-dev libgl-dev            # window toolkit
  fonts-dejavu-core                 # the toolkit's default font, which the layout is checked with
  libgsf-1-dev                      # OLE2 compound files
  libxxhash-dev                     # the workbook string table's hash (XXH3)
  nlohmann-json3-dev                # mkmdb reads its JSON descriptions (header-only)
)
tests=no
[ "${1:-}" = "--tests" ] && tests=yes
if [ "$tests" = yes ]; then
  packages+=(
    libgtest-dev libgmock-dev         # unit tests
    clang libclang-rt-14-dev          # fuzz targets and sanitizers
    mdbtools                          # mdb-* tools as independent readers of databases
    python3 python3-xlrd python3-olefile   # independent workbook readers
    xvfb xauth xdotool                # end-to-end checks in a real X server
    hyperfine time                    # benchmarks
    groff-base                        # the manual pages render without warnings
    dpkg-dev lintian appstream desktop-file-utils debootstrap   # packaging/check_package.sh
  )
  command -v node >/dev/null 2>&1 || packages+=(nodejs npm)
fi

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
if [ "$tests" = yes ] && [ ! -d "$here/tests/node/node_modules/mdb-reader" ]; then
  (cd "$here/tests/node" && npm ci --no-audit --no-fund --loglevel=error)
fi
