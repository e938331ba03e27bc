#!/bin/bash
# Without a graphics processor (Xvfb: OpenGL drawn by llvmpipe) the player copies its frames straight
# into the window; with a render driver named (SDL_RENDER_DRIVER=opengl) they go through SDL's
# renderer. Both must show the same pixels: on each back-end, the title screen in a window of its own
# size is the presented frame exactly. In a Direct3D window the user sized to 960 x 600 (the picture
# stretched by a scale that is not a whole number) each window pixel shows the frame pixel under its
# middle; the renderer's texture sampling may take either neighbour where that middle falls exactly
# between two frame pixels (its float rounding goes either way there), the copy takes the later one.
# Runs on its own Xvfb.
# ctest: serial (under a crowd of sanitizer tests the resized window did not show the stretched frame within its wait)
# Usage: window_pixels.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
unset SDL_RENDER_DRIVER
enter_wm_scenario 1280x1024 Xvfb openbox xdotool xwininfo xprop xwd python3

# dump <out.xwd> <width> <height> [render driver] [ties]: the window's client area once the title
# stands still (from its frame 200 on; the frame rate shown is off, since a slow build shows another
# rate each second), the window sized to width x height first. The picture reaches the display a
# little after the frame is written: the window is dumped until it shows the frame (as same, with
# ties if told, finds it), for at most 20 seconds, and the caller's check then says what differs.
dump() {
    rm -rf snap user_data && mkdir snap
    SDL_RENDER_DRIVER=${4:-} MIRELDA4_SNAPSHOT=snap:200 "$player" 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$1: no window was shown"; }
    settled_geometry "$window" || fail "$1: the window does not settle"
    if ! size_is "$window" "$2" "$3"; then
        xdotool windowsize "$window" "$2" "$3"
        wait_for 20 size_is "$window" "$2" "$3" || fail "$1: the window is at $geometry, not $2 x $3"
    fi
    wait_for 60 test -s snap/frame-200.bmp || fail "$1: frame 200 was not written"
    shown() { xwd -silent -id "$window" >"$1" && same "$1" snap/frame-200.bmp ${2:+ties} >/dev/null 2>&1; }
    wait_for 20 shown "$1" "${5:-}"
    kill -TERM "$pid"
    wait "$pid"
    local rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$1: exit code $rc"; }
}
# same <dump.xwd> <frame.bmp> [ties]: the dump is the frame stretched over it, each dump pixel the
# frame pixel under its middle (column (2x + 1) * 640 / (2 * width), rounded down; rows alike). With
# "ties", pixels whose middle falls exactly on the line between two frame pixels may show either.
same() {
    python3 - "$@" <<'PY'
import struct, sys
def bmp(path):  # rows of (b, g, r) pixels, top first
    d = open(path, 'rb').read()
    off, = struct.unpack('<I', d[10:14]); w, h = struct.unpack('<ii', d[18:26])
    stride = (w * 3 + 3) // 4 * 4
    rows = [d[off + (abs(h) - 1 - y if h > 0 else y) * stride:][:w * 3] for y in range(abs(h))]
    return w, abs(h), [[r[i:i + 3] for i in range(0, w * 3, 3)] for r in rows]
def xwd(path):  # rows of (b, g, r) pixels, top first
    d = open(path, 'rb').read()
    header, = struct.unpack('>I', d[0:4]); w, h = struct.unpack('>II', d[16:24])
    order, = struct.unpack('>I', d[28:32]); line, = struct.unpack('>I', d[48:52])
    colours, = struct.unpack('>I', d[76:80]); start = header + colours * 12
    rows = []
    for y in range(h):
        r = d[start + y * line:][:w * 4]
        rows.append([r[i:i + 3] if order == 0 else r[i + 3:i:-1] for i in range(0, w * 4, 4)])
    return w, h, rows
dw, dh, shown = xwd(sys.argv[1])
fw, fh, frame = bmp(sys.argv[2])
ties = len(sys.argv) > 3
def sources(i, n, f):
    k = (2 * i + 1) * f
    return [k // (2 * n), k // (2 * n) - 1] if ties and k % (2 * n) == 0 and k > 0 else [k // (2 * n)]
cols = [sources(x, dw, fw) for x in range(dw)]
bad = 0
for y in range(dh):
    rows = sources(y, dh, fh)
    if shown[y] == [frame[rows[0]][c[0]] for c in cols]:
        continue
    bad += sum(all(shown[y][x] != frame[r][c] for r in rows for c in cols[x]) for x in range(dw))
if bad:
    sys.exit('%d of %d pixels are not the frame pixel under their middle' % (bad, dw * dh))
PY
}

for d3d in 0 1; do
    printf 'Direct3D=%d\r\nWindowMode=1\r\nVSync=0\r\nShowFps=0\r\nExit\r\n' "$d3d" >System.ini
    dump copied.xwd 640 480
    same copied.xwd snap/frame-200.bmp || fail "Direct3D=$d3d: the copied frame is not the presented one"
    dump rendered.xwd 640 480 opengl
    same rendered.xwd snap/frame-200.bmp || fail "Direct3D=$d3d: the rendered frame is not the presented one"
    echo "Direct3D=$d3d: the same pixels both ways"
done
# The window the user may size (Direct3D only).
printf 'Direct3D=1\r\nWindowMode=2\r\nVSync=0\r\nShowFps=0\r\nExit\r\n' >System.ini
dump copied.xwd 960 600
same copied.xwd snap/frame-200.bmp || fail "the copied picture is not the frame stretched"
dump rendered.xwd 960 600 opengl ties
same rendered.xwd snap/frame-200.bmp ties || fail "the rendered picture is not the frame stretched"
echo PASS
