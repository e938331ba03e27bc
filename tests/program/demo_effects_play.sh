#!/bin/bash
# The demo's flows and items play out with their effects, headless with scripted input:
# - the cave's lamp keeper sets the scene before the cave starts: its sign is shown for two seconds
#   and gone by the first play step, and with its game wait of half a second holds the start (the
#   cave's first step comes about 150 frames later than the meadow's);
# - challenge 1's fountain hands the hero the gem of the stage's palette, worth 100 points;
# - in the castle the boss summons two slimes one after the other (a loop), a hurt hero who walks
#   onto the heart gets a hit point back, the boss's hurt flow shakes the screen, and the boss puts
#   a brick of the castle's palette up where there was none, leaving the castle's walls whole.
# Usage: demo_effects_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/castle.stg4_000 ] || fail "no demo stages (project writer missing in $build)"

play() { # stage input frames trace [snapshots]
    MIRELDA4_INPUT=$2 MIRELDA4_TRACE=$4 MIRELDA4_FRAME_LIMIT=$3 MIRELDA4_SNAPSHOT=${5:-} \
        timeout $HANG_LIMIT "$player" "data/stg4/$1.stg4_000" 2>stderr.txt
    local rc=$?
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$1: exit code $rc"; }
    [ -s "$4" ] || { cat stderr.txt; fail "$1: no trace written"; }
}
field() { sed -E "s/.* $1=([0-9,]+) .*/\1/"; }

# The lamp keeper's scene: the sign shown for its time before the first step, and the start held for
# the sign and the game wait.
printf '300 0 0\n' >idle.txt
play demo idle.txt 300 meadow.txt
play cave idle.txt 300 cave.txt
[ "$(head -n 1 cave.txt | field pics)" = 0,0 ] || fail "the sign is still up at the cave's first step: $(head -n 1 cave.txt)"
held=$(($(wc -l <meadow.txt) - $(wc -l <cave.txt)))
[ "$held" -ge 146 ] && [ "$held" -le 154 ] || fail "the cave's start was held $held frames, not the sign's 120 and the game wait's 30"

# The fountain's gem: 100 points in the first stretch of challenge 1, with the hero standing still.
printf '400 0 0\n' >idle.txt
play c01-1 idle.txt 400 challenge.txt
grep -q ' score=100 ' challenge.txt || fail "the fountain's gem gave no points: $(tail -n 1 challenge.txt)"

# The castle, the hero standing until the boss has hurt it, then walking right onto the heart.
printf '330 0 0\n40 2 0\n200 0 0\n' >heal.txt
play castle heal.txt 570 heal_trace.txt
python3 - heal_trace.txt <<'PY' || exit 1
import re, sys
steps = []
for line in open(sys.argv[1]):
    m = re.search(r"hp=(\d+) .*objs=(\d+),(\d+),", line)
    steps.append(tuple(int(v) for v in m.groups()))
charas = [c for _, c, _ in steps]
if 4 not in charas or charas.index(4) - charas.index(3) < 20:
    sys.exit("FAIL: the boss did not summon two slimes one after the other: %s" % sorted(set(charas)))
taken = [i for i in range(1, len(steps)) if steps[i][2] < steps[i - 1][2]]
if not taken or not steps[taken[0] - 1][0] < steps[taken[0]][0]:
    sys.exit("FAIL: the heart did not heal the hurt hero: %s" % [steps[i] for i in taken])
print("heart taken at step %d: hp %d -> %d" % (taken[0] + 1, steps[taken[0] - 1][0], steps[taken[0]][0]))
PY

# The castle with the hero standing by the left-hand wall: the boss charges at it, meets the wall and
# puts up a brick.
mkdir calm
calm_frames="10,$(seq -s, 560 10 660)"
printf '670 0 0\n' >idle.txt
play castle idle.txt 670 idle_trace.txt "calm:$calm_frames"

# The castle fought with shots (the story's fight): walking right and shooting, then standing and
# shooting right and left by turns: the boss is hurt and the screen shakes. The hall is one screen:
# block (c, r) is drawn at (32 c, 32 r).
{
    for _ in $(seq 30); do echo "4 2 2"; echo "4 2 0"; done
    for side in 2 1 2 1 2; do for _ in 1 2 3 4 5 6; do echo "1 $side 2"; echo "7 0 0"; done; done
} >fight.txt
mkdir snaps
frames=$(seq -s, 10 10 360)
play castle fight.txt 370 fight_trace.txt "snaps:$frames"
python3 - "$frames" "$calm_frames" <<'PY' || exit 1
import struct, sys

numbers = [int(n) for n in sys.argv[1].split(",")]


def load(n, folder="snaps"):
    d = open("%s/frame-%d.bmp" % (folder, n), "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h = struct.unpack_from("<ii", d, 18)
    row = (w * 3 + 3) & ~3
    return lambda x, y: d[off + (h - 1 - y) * row + 3 * x : off + (h - 1 - y) * row + 3 * x + 3]


def cell(px, c, r):
    return b"".join(px(x, y) for y in range(32 * r, 32 * r + 32) for x in range(32 * c, 32 * c + 32))


def wall(px):
    return b"".join(px(x, y) for y in range(64, 416, 4) for x in range(0, 24, 2))


first = load(numbers[0])
calm = wall(first)
frames = [load(n) for n in numbers]
shaken = [n for n, px in zip(numbers, frames) if wall(px) != calm]
print("shaken frames:", shaken[:8], "..." if len(shaken) > 8 else "")
if not shaken:
    sys.exit("FAIL: the screen never shook")
if len(shaken) == len(numbers):
    sys.exit("FAIL: the screen never stood still")

# The hero who stood by the left-hand wall: the boss charged against it and put up a brick where
# the first frame showed none; the castle's walls stay whole.
numbers = [int(n) for n in sys.argv[2].split(",")]
first = load(numbers[0], "calm")
calm = wall(first)
px = [f for f in (load(n, "calm") for n in reversed(numbers)) if wall(f) == calm][0]
brick = cell(first, 0, 6)
for r in range(1, 12):  # above the characters' heads
    for c in (0, 19):
        if cell(px, c, r) != cell(first, c, r):
            sys.exit("FAIL: the castle's wall changed at block (%d, %d)" % (c, r))
new = [(c, r) for r in range(2, 13) for c in range(1, 19)
       if cell(px, c, r) == brick and cell(first, c, r) != brick]
print("bricks put up:", new)
if not new:
    sys.exit("FAIL: the boss put up no brick")
PY
echo PASS
