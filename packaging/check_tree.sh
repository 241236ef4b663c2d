#!/bin/sh
# check_tree.sh ROOT [BUILD_DIR]: checks what is installed under ROOT/usr (first
# installing BUILD_DIR there when it is given): every file in place, the manual pages
# rendering without a single groff warning, the desktop entry valid, and the AppStream
# metainfo valid and agreeing with the desktop entry and the icon, with no issue of
# any severity, pedantic ones included.
set -eu
root=$1
if [ $# -gt 1 ]; then
    rm -rf "$root"
    cmake --install "$2" --prefix "$root/usr" >/dev/null
fi
id=io.github.converti.converti
share=$root/usr/share
status=0
for f in "$root/usr/bin/converti" "$root/usr/bin/jetsql" \
         "$share/man/man1/converti.1.gz" "$share/man/man1/jetsql.1.gz" \
         "$share/applications/$id.desktop" "$share/metainfo/$id.metainfo.xml" \
         "$share/icons/hicolor/16x16/apps/$id.png" "$share/icons/hicolor/48x48/apps/$id.png" \
         "$share/icons/hicolor/scalable/apps/$id.svg" \
         "$share/doc/converti/copyright" "$share/doc/converti/changelog.gz"; do
    [ -f "$f" ] || { echo "not installed: $f"; status=1; }
done
for page in "$share"/man/man1/*.1.gz; do
    warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || { printf '%s:\n%s\n' "$page" "$warnings"; status=1; }
done
desktop-file-validate "$share/applications/$id.desktop" || status=1
report=$(appstreamcli validate-tree --pedantic --no-net "$root" 2>&1) || status=1
echo "$report"
if echo "$report" | grep -q '^ *[EWIP]: '; then status=1; fi
# The metainfo and the desktop entry name the same desktop id, name, icon and categories.
python3 - "$share" "$id" <<'PY' || status=1
import configparser, sys, xml.etree.ElementTree as ET
share, app_id = sys.argv[1], sys.argv[2]
entry = configparser.ConfigParser(interpolation=None)
entry.optionxform = str
entry.read(f"{share}/applications/{app_id}.desktop", encoding="utf-8")
desktop = entry["Desktop Entry"]
info = ET.parse(f"{share}/metainfo/{app_id}.metainfo.xml").getroot()
pairs = {
    "desktop id": (app_id + ".desktop", info.findtext("launchable[@type='desktop-id']")),
    "id": (app_id, info.findtext("id")),
    "name": (desktop["Name"], info.findtext("name")),
    "icon": (desktop["Icon"], info.findtext("icon[@type='stock']")),
    "categories": (sorted(filter(None, desktop["Categories"].split(";"))),
                   sorted(c.text for c in info.iter("category"))),
}
bad = [f"{what}: desktop entry {d!r}, metainfo {m!r}" for what, (d, m) in pairs.items() if d != m]
print("\n".join(bad) or "the desktop entry and the metainfo agree")
sys.exit(1 if bad else 0)
PY
exit $status
