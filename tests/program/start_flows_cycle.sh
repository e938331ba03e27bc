#!/bin/bash
# Flows that run before the stage starts and start each other (the hero's two flows start every other
# flow of the hero, a slime's two flows start each other by ID), headless on a fixture project: the
# stage starts and plays to the frame limit, the player ends normally and leaves no window file
# behind, and the score shows that each flow ran its commands once, before the first step.
# Usage: start_flows_cycle.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/start_cycle.stg4_000
write_fixture arranged "$stage"
printf '60 0 0\n60 2 0\n80 0 0\n' >input.txt
play_scripted 200 "$stage"
[ ! -e "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid" ] || fail "the window file was left behind"
python3 - <<'PY' || exit 1
import re, sys

rows = []
for line in open("trace.txt"):
    m = re.match(r"(\d+) hero=([-0-9.]+),[-0-9.]+ .*score=(\d+) .*objs=(\d+),", line)
    if m:
        rows.append((int(m.group(1)), float(m.group(2)), int(m.group(3)), int(m.group(4))))


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


if len(rows) < 60:
    fail("only %d play steps traced" % len(rows))
# Each of the four flows adds its digit before and after its start of the others: 2222.
if rows[0][2] != 2222 or rows[-1][2] != 2222:
    fail("the score is %d at the first step and %d at the last, not 2222" % (rows[0][2], rows[-1][2]))
if rows[-1][3] < 1:
    fail("the slime is gone: %d characters" % rows[-1][3])
if rows[-1][1] <= rows[0][1]:
    fail("the hero did not walk: x %.1f to %.1f" % (rows[0][1], rows[-1][1]))
print("%d steps played with score %d" % (len(rows), rows[-1][2]))
PY
echo PASS
