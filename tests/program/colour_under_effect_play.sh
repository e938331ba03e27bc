#!/bin/bash
# A screen colour held while a screen effect runs, played headless on the effects fixture's colour
# stage: the hero stands still; half a second into play the screen turns blue at half strength and
# stays so; half a second later the horizontal shake runs for 0.3 s. Under Direct3D (windowed at 32
# bits, full screen at 16 bits) every frame from the colour on shows the same tint: the frames of the
# shake (which moves the picture by a few pixels) have the colours of the held frames before it, and
# the frames after it are the held frames again.
# Usage: colour_under_effect_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/effects_colour.stg4_000
write_fixture effects "$stage"
limit=220

for bpp in 32 16; do
    window=$([ "$bpp" = 32 ] && echo 1 || echo 0)
    printf 'Direct3D=1\r\nWindowMode=%s\r\nBpp=%s\r\nVSync=0\r\nShowFps=0\r\nExit\r\n' "$window" "$bpp" >System.ini
    printf '%d 0 0\n' "$limit" >input.txt
    rm -rf snaps trace.txt
    mkdir snaps
    follow_snapshots snaps 456
    play_scripted "$limit" "$stage" "snaps:$(seq -s, 60 $limit)"
    snapshots_followed snaps
    steps=$(wc -l <trace.txt)
    python3 - "$((limit - steps + 1))" "$limit" <<'PY' || fail "Direct3D at $bpp bits"
import sys
from snapshot_rows import frame_rows, taken_frames

first, limit = (int(a) for a in sys.argv[1:3])
COLOUR, SHAKE, SHAKE_FRAMES = 30, 60, 18  # frames of play's first step at which each starts
ROWS = 456  # the time display below changes by itself
taken = set(taken_frames())


def means(n):
    """the mean blue, green and red of frame n's rows above the time display"""
    rows = frame_rows(n, ROWS)
    total = [0, 0, 0]
    for r in rows:
        for c in range(3):
            total[c] += sum(r[c::3])
    return [t / (640 * ROWS) for t in total]


def frames(a, b):
    got = [n for n in range(first + a, first + b) if n in taken]
    if not got:
        sys.exit("no frames taken from %d to %d" % (first + a, first + b - 1))
    return got


plain = means(frames(COLOUR - 12, COLOUR - 2)[-1])
held = [means(n) for n in frames(COLOUR + 6, SHAKE - 2)]
shaken = {n: means(n) for n in frames(SHAKE + 3, SHAKE + SHAKE_FRAMES - 2)}
after = [means(n) for n in frames(SHAKE + SHAKE_FRAMES + 6, limit - first + 1)]
tint = held[-1]
print("plain", ["%.1f" % v for v in plain], "held", ["%.1f" % v for v in tint])
if tint[0] < plain[0] + 40 or tint[2] > plain[2] * 0.75:
    sys.exit("the held colour did not turn the picture blue")
for m in held + after:
    if max(abs(a - b) for a, b in zip(m, tint)) > 0.5:
        sys.exit("a held frame's colours %s differ from %s" % (m, tint))
for n, m in shaken.items():
    if max(abs(a - b) for a, b in zip(m, tint)) > 3:
        sys.exit("frame %d under the shake has colours %s, held frames %s" % (n, m, tint))
moved = [n for n in shaken if frame_rows(n, ROWS) != frame_rows(frames(COLOUR + 6, SHAKE - 2)[-1], ROWS)]
if not moved:
    sys.exit("the shake moved nothing")
worst = max(max(abs(a - b) for a, b in zip(m, tint)) for m in shaken.values())
print("shake: %d of %d frames moved, colours held (mean channels within %.2f)" % (len(moved), len(shaken), worst))
PY
    echo "Direct3D at $bpp bits: the colour holds under the shake"
done
echo PASS
