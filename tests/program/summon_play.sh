#!/bin/bash
# Blocks summoned by flows, headless on a fixture project whose stage has only its floor. A press of
# the up key summons a ground block the way of that key: it appears right above the hero's head, not
# ahead of the hero. Half a second into play the hero summons another 128 pixels to its right (the
# offset as given, not mirrored); with the right key held from then on it walks into that block and
# stays against it, though the floor goes on for more than a thousand pixels.
# Usage: summon_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/summon.stg4_000
write_fixture riding "$stage"
# Play starts about frame 90: up is pressed for 4 frames at once, the right key held from frame 130.
printf '95 0 0\n4 4 0\n31 0 0\n270 2 0\n' >input.txt
mkdir snaps
play_scripted 400 "$stage" snaps:92,112
python3 - <<'PY' || exit 1
import re, sys
from snapshot_rows import frame_rows

xs = [float(m.group(1)) for m in (re.match(r"\d+ hero=([-0-9.]+),", l) for l in open("trace.txt")) if m]


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


if len(xs) < 250:
    fail("only %d play steps traced" % len(xs))


# The up key's block: the hero stands still with its top left at (x - 320, y - 320) on the screen
# (the view rests on the stage's left end); between the two snapshots only the cell above its head
# changed, nothing ahead of it or in its own row.
before, after = frame_rows(92), frame_rows(112)
hx, hy = int(xs[0]) - 320, int(float(open("trace.txt").readline().split(",")[1].split()[0])) - 320
changed = [(x, y) for y in range(456) if before[y] != after[y] for x in range(640)
           if before[y][3 * x : 3 * x + 3] != after[y][3 * x : 3 * x + 3]]
if not changed:
    fail("no block appeared on the up key")
above = [(x, y) for x, y in changed if y < hy and hx - 32 <= x < hx + 64]
if len(above) != len(changed) or min(y for _, y in above) < hy - 48:
    fail("the up key's block is not just above the hero (at %d, %d): changes at x %d..%d, y %d..%d"
         % (hx, hy, min(x for x, _ in changed), max(x for x, _ in changed),
            min(y for _, y in changed), max(y for _, y in changed)))
start, end = xs[0], xs[-1]
# The hero walked (the block stands 128 pixels beyond where it stood when summoned)...
if end - start < 100:
    fail("the hero hardly walked: from %.1f to %.1f" % (start, end))
# ...and then stood against the block for the rest of the hold, far short of the stage's end.
stop = xs.index(max(xs))
if len(xs) - stop < 100 or any(abs(x - end) > 1 for x in xs[stop:]):
    fail("the hero was not held by a block: stopped at step %d of %d, x %.1f .. %.1f"
         % (stop + 1, len(xs), min(xs[stop:]), max(xs[stop:])))
if end > 700:
    fail("the hero went on to x %.1f" % end)
print("walked from %.1f, held at %.1f from step %d on" % (start, end, stop + 1))
PY
echo PASS
