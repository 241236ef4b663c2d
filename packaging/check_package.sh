#!/usr/bin/env bash
# Builds the Debian package in build-package/ and checks it:
#   packaging/check_package.sh           lintian, the files in place (check_tree.sh),
#                                        declared dependencies resolve here
#   packaging/check_package.sh --fresh   also installs it with apt into a fresh Debian 12
#                                        root made by debootstrap, and starts both
#                                        commands there
# The package is built with Debian's hardening flags (dpkg-buildflags). Its maintainer
# and web address come from the environment variables CONVERTI_MAINTAINER ("Name
# <address>") and CONVERTI_URL; without CONVERTI_MAINTAINER the placeholder address is
# used, and lintian's report of it (bogus-mail-host) is left out.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/build-package"
fresh=no
[ "${1:-}" = "--fresh" ] && fresh=yes
tools=(lintian appstreamcli desktop-file-validate groff python3 dpkg-buildflags)
[ "$fresh" = yes ] && tools+=(debootstrap)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/deps.sh --tests" >&2; exit 1; }
done

settings=(-DCMAKE_BUILD_TYPE=Release -DCONVERTI_TESTS=OFF
  "-DCMAKE_C_FLAGS=$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)")
for var in CONVERTI_MAINTAINER CONVERTI_URL; do
  if [ -n "${!var:-}" ]; then settings+=("-D$var=${!var}"); else settings+=("-U$var"); fi
done
cmake -S "$here" -B "$out" "${settings[@]}" >/dev/null
cmake --build "$out" -j "$(nproc)" >/dev/null
(cd "$out" && rm -f converti_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$out"/converti_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Maintainer Depends Recommends

echo "== lintian"
tolerated=()
if [ -z "${CONVERTI_MAINTAINER:-}" ]; then
  tolerated=(--suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog)
  echo "(the placeholder maintainer's address is not reported: set CONVERTI_MAINTAINER)"
fi
lintian --fail-on error,warning --display-info "${tolerated[@]}" "$deb"
echo "lintian: no errors or warnings"

echo "== the files in the package"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb --extract "$deb" "$tree"
sh "$here/packaging/check_tree.sh" "$tree"

apt-get install --simulate --no-install-recommends "$deb" >/dev/null
echo "dependencies resolve on this machine"

if [ "$fresh" = yes ]; then
  root=$(mktemp -d)
  trap 'umount -R "$root/proc" 2>/dev/null || true; rm -rf "$root" "$tree"' EXIT
  # Their chatter goes to a log, shown when a step fails.
  quiet() { "$@" >"$tree/fresh.log" 2>&1 || { cat "$tree/fresh.log"; return 1; }; }
  quiet debootstrap --variant=minbase bookworm "$root"
  cp "$deb" "$root/tmp/"
  mount -t proc proc "$root/proc"
  quiet chroot "$root" apt-get update -q
  quiet chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")"
  chroot "$root" dpkg-query -W -f='installed: ${Package} ${Version}\n' converti qt6-gtk-platformtheme qt6-wayland
  chroot "$root" jetsql --version
  # The window opens and stays up until it is closed.
  chroot "$root" env QT_QPA_PLATFORM=offscreen timeout 3 converti && status=0 || status=$?
  [ "$status" -eq 124 ] || { echo "converti ended with $status in the fresh root"; exit 1; }
  echo "installed with apt into a fresh Debian 12 root; the program starts there"
fi
