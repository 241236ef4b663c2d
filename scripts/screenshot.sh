#!/bin/bash
# Takes the picture of the window shown in the README: converti on a private Xvfb
# display, a database path typed into it with xdotool, the window grabbed from the
# X server into a PNG (Python's standard library and libX11 through ctypes, so no
# image tools are needed).
#
#   scripts/screenshot.sh [BIN_DIR] [OUT_PNG]
#   defaults: build/bin and docs/screenshot.png beside this script's repository
#
# Needs Xvfb, xdotool and /usr/bin/python3. A window manager (openbox) is used for the
# title bar when it is installed (then xprop too); without one the picture shows the
# client area only.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
BIN_DIR=${1:-$here/build/bin}
OUT=${2:-$here/docs/screenshot.png}
# The path shown in the picture: a plausible user's database (it need not exist; the
# lists that a load fills are hidden).
SHOWN_PATH=${SHOWN_PATH:-/home/mario/Clienti 2003.mdb}

for tool in Xvfb xdotool /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done
[ -x "$BIN_DIR/converti" ] || { echo "$BIN_DIR/converti is not built" >&2; exit 1; }

work=$(mktemp -d /tmp/converti-shot.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # seconds, then a command run anew every 0.1 s until it succeeds
    local tries=$(($1 * 10)); shift
    while ((tries-- > 0)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "timed out: $*" >&2
    return 1
}

Xvfb -displayfd 3 -screen 0 800x600x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 10 test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb HOME="$work"
unset WAYLAND_DISPLAY

framed=no
if command -v openbox >/dev/null; then
    openbox >"$work/wm.log" 2>&1 &
    pids+=($!)
    framed=yes
    # A window mapped while the manager is still starting may never be shown.
    wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
    wait_for 10 wm_ready
fi

"$BIN_DIR/converti" >"$work/app.log" 2>&1 &
pids+=($!)
has_window() { [ -n "$(xdotool search --onlyvisible --name '^Converte dati in excel$' | head -n1)" ]; }
wait_for 20 has_window || { cat "$work/app.log" "$work/wm.log" >&2; exit 1; }
win=$(xdotool search --onlyvisible --name '^Converte dati in excel$' | head -n1)
if [ "$framed" = yes ]; then
    # The window manager focuses a new window itself; typing before it has done so
    # loses keys.
    xdotool windowactivate --sync "$win"
    sleep 0.5
else
    xdotool windowfocus --sync "$win"
fi
xdotool type --delay 10 "$SHOWN_PATH"
sleep 0.5  # the caret and the last repaint settle

# The area to grab: the window with its frame when a window manager drew one.
if [ "$framed" = yes ]; then
    # The frame is the top-level ancestor of the client window.
    frame=$(/usr/bin/python3 - "$win" <<'EOF'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
d = x.XOpenDisplay(None)
w = ctypes.c_ulong(int(sys.argv[1]))
root, parent = ctypes.c_ulong(), ctypes.c_ulong()
kids, n = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
while True:
    x.XQueryTree(ctypes.c_void_p(d), w, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids), ctypes.byref(n))
    if parent.value == root.value:
        break
    w = ctypes.c_ulong(parent.value)
print(w.value)
EOF
)
    win=$frame
fi
eval "$(xdotool getwindowgeometry --shell "$win")"  # X, Y, WIDTH, HEIGHT

mkdir -p "$(dirname "$OUT")"
/usr/bin/python3 - "$X" "$Y" "$WIDTH" "$HEIGHT" "$OUT" <<'EOF'
# Grabs a rectangle of the root window with XGetImage and writes it as an RGB PNG.
import ctypes, struct, sys, zlib

left, top, width, height, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]

class XImage(ctypes.Structure):  # the leading fields of Xlib's XImage
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGetImage.restype = ctypes.POINTER(XImage)
x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                        ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
d = x.XOpenDisplay(None)
ZPIXMAP, ALL_PLANES = 2, 0xFFFFFFFF
img = x.XGetImage(d, x.XDefaultRootWindow(d), left, top, width, height, ALL_PLANES, ZPIXMAP).contents
if img.bits_per_pixel != 32 or img.byte_order != 0:
    sys.exit("unexpected pixel layout: %d bits, byte order %d" % (img.bits_per_pixel, img.byte_order))

def shift(mask):
    return (mask & -mask).bit_length() - 1

raw = ctypes.string_at(img.data, img.bytes_per_line * height)
rs, gs, bs = shift(img.red_mask), shift(img.green_mask), shift(img.blue_mask)
rows = bytearray()
for yy in range(height):
    rows.append(0)  # filter: none
    line = raw[yy * img.bytes_per_line:(yy * img.bytes_per_line) + width * 4]
    for (p,) in struct.iter_unpack("<I", line):
        rows += bytes(((p >> rs) & 255, (p >> gs) & 255, (p >> bs) & 255))

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

with open(out, "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n")
    f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
    f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
    f.write(chunk(b"IEND", b""))
print("%s: %dx%d" % (out, width, height))
EOF
