#!/bin/bash
# The demo's cave played headless with the hero standing still: its opening sign shows over the
# darkness for two seconds before the stage starts; then the stage is dark except for the
# circle the hero sees (five half blocks round the hero's centre), and the hero's look-round, an
# animation timed ahead of its command, shows on its cue: it starts 18 frames before the second
# wait of the hero's three-second flow, winds up for those frames and then holds while the wait
# runs (82 frames drawn in all), once every 180 frames.
# Usage: cave_sight.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/cave.stg4_000
[ -f "$stage" ] || fail "no cave stage (project writer missing in $build)"
printf '620 0 0\n' >input.txt
mkdir snaps
frames=$(seq -s, 240 6 600)
play_scripted 620 "$stage" "snaps:60,$frames"
# The hero's top left on the screen: the view rests on the stage's bottom-left corner, where the
# 10-block margin (320 pixels) lies off screen.
read -r hx hy < <(head -n 1 trace.txt | sed -E 's/.* hero=([0-9]+)\.[0-9]+,([0-9]+)\..*/\1 \2/')
[ -n "${hx:-}" ] || fail "no hero position: $(head -n 1 trace.txt)"

python3 - "$((hx - 320))" "$((hy - 320))" "$frames" <<'EOF' || exit 1
import struct, sys

x0, y0 = int(sys.argv[1]), int(sys.argv[2])
numbers = [int(n) for n in sys.argv[3].split(",")]


def load(n):
    d = open("snaps/frame-%d.bmp" % n, "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h = struct.unpack_from("<ii", d, 18)
    row = (w * 3 + 3) & ~3
    return lambda x, y: d[off + (h - 1 - y) * row + 3 * x : off + (h - 1 - y) * row + 3 * x + 3]


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


# The lamp keeper's opening sign, held two seconds before the stage fades in, is seen over the dark:
# the middle of the screen shows it.
px = load(60)
middle = [sum(px(x, y)) for y in range(220, 260, 4) for x in range(300, 340, 4)]
if sum(middle) / len(middle) < 150:
    fail("the opening sign is not seen over the darkness (%.1f in the middle)" % (sum(middle) / len(middle)))

# Darkness, once the cave's opening sign has gone: well inside the circle of sight the wall and
# floor show; well outside it only the dark does (the status bar and the bottom text line aside).
px = load(420)
cx, cy = x0 + 16, y0 + 16
inside, outside = [], []
for y in range(40, 456, 2):
    for x in range(0, 640, 2):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if d2 < 60 * 60:
            inside.append(sum(px(x, y)))
        elif d2 > 100 * 100:
            outside.append(sum(px(x, y)))
lit, dark = sum(inside) / len(inside), sum(outside) / len(outside)
print("sight: %.1f inside, %.1f outside" % (lit, dark))
if not dark * 3 < lit:
    fail("the cave is not dark around the hero's sight (%.1f inside, %.1f outside)" % (lit, dark))

# The hero's cell in each snapshot: the first shows the hero standing, before any cue.
looks = []
for n in numbers:
    px = load(n)
    looks.append(b"".join(px(x, y) for y in range(y0 - 16, y0 + 32) for x in range(x0 - 16, x0 + 32)))
standing = looks[0]
if len(set(looks)) != 2:
    fail("expected the standing hero and one other picture, found %d pictures" % len(set(looks)))
shown = [look != standing for look in looks]
starts = [numbers[i] for i in range(1, len(shown)) if shown[i] and not shown[i - 1]]
ends = [numbers[i] for i in range(1, len(shown)) if not shown[i] and shown[i - 1]]
print("look-round from", starts, "to", ends)
if len(starts) < 2 or not ends or ends[0] < starts[0]:
    fail("the look-round did not show and end twice over one cycle")
run = ends[0] - starts[0]
if abs(run - 82) > 6:
    fail("the look-round showed for about %d frames, not 82" % run)
if abs(starts[1] - starts[0] - 180) > 6:
    fail("the look-round came back after %d frames, not 180" % (starts[1] - starts[0]))
EOF
echo PASS
