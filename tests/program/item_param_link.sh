#!/bin/bash
# An item of the common palette taken by command, whose own commands link a parameter, headless on
# a fixture project (the series fixture's links stage): half a second into play the hero sets its
# variable 1 to 6 and takes the item; the item's first command links the distance of its second, a
# warp up of 1 half block, to that variable, so the hero is warped up 6 half blocks (96 pixels), not
# 1, and falls back to the floor.
# Usage: item_param_link.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/links.stg4_000
write_fixture series "$stage"
printf '300 0 0\n' >input.txt
play_scripted 300 "$stage"
python3 - <<'PY' || exit 1
import re, sys

ys = {}
for line in open("trace.txt"):
    m = re.match(r"(\d+) hero=[-0-9.]+,([-0-9.]+) ", line)
    if m:
        ys[int(m.group(1))] = float(m.group(2))


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


if len(ys) < 150:
    fail("only %d play steps traced" % len(ys))
floor = ys[20]
top = min(ys.values())
step = min(s for s, y in ys.items() if y == top)
rise = floor - top
# One step of gravity may already have pulled the hero back a little when the step is traced.
if not 88 <= rise <= 100:
    fail("the hero rose %.1f pixels at step %d, not the 96 of the linked distance" % (rise, step))
if abs(ys[max(ys)] - floor) > 2:
    fail("the hero did not come back to the floor: y %.1f, stood at %.1f" % (ys[max(ys)], floor))
print("warped up %.1f pixels at step %d" % (rise, step))
PY
echo PASS
