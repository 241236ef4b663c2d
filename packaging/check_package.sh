#!/usr/bin/env bash
# Builds the Debian package in build-package/ and checks it:
#   packaging/check_package.sh           declared dependencies resolve here, files in place
#   packaging/check_package.sh --fresh   also installs it with apt into a fresh Debian 12
#                                        root made by debootstrap, and starts the program there
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/build-package"
cmake -S "$here" -B "$out" -DCMAKE_BUILD_TYPE=Release -DCONVERTI_TESTS=OFF >/dev/null
cmake --build "$out" -j "$(nproc)" >/dev/null
(cd "$out" && rm -f converti_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$out"/converti_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/converti ./usr/share/applications/converti.desktop \
         ./usr/share/icons/hicolor/16x16/apps/converti.png \
         ./usr/share/icons/hicolor/48x48/apps/converti.png \
         ./usr/share/icons/hicolor/scalable/apps/converti.svg; do
  grep -q " $f\$" <<<"$contents" || { echo "missing in package: $f"; exit 1; }
done
command -v desktop-file-validate >/dev/null && desktop-file-validate "$here/packaging/converti.desktop"
apt-get install --simulate --no-install-recommends "$deb" >/dev/null
echo "dependencies resolve on this machine"

if [ "${1:-}" = "--fresh" ]; then
  command -v debootstrap >/dev/null || apt-get install -y -q debootstrap >/dev/null
  root=$(mktemp -d)
  trap 'umount -R "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT
  debootstrap --variant=minbase bookworm "$root" >/dev/null
  cp "$deb" "$root/tmp/"
  mount -t proc proc "$root/proc"
  chroot "$root" apt-get update -q >/dev/null
  chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")" >/dev/null
  # The window opens and stays up until it is closed.
  chroot "$root" env QT_QPA_PLATFORM=offscreen timeout 3 converti && status=0 || status=$?
  [ "$status" -eq 124 ] || { echo "converti ended with $status in the fresh root"; exit 1; }
  echo "installed with apt into a fresh Debian 12 root; the program starts there"
fi
