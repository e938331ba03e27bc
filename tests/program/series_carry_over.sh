#!/bin/bash
# Carry-over between the parts of a numbered stage series, through the challenge menu, headless on a
# fixture project: the first challenge stage (c01-1, 3 s, hero of 7 hit points that loses 2 at once)
# hands over and clears on its own half a second into play; play goes on with its second part
# (c01-2, 200 s, hero of 12 hit points), which takes over. The project carries the hit points
# (cleared by a miss), the greatest hit points and the time limit: the second part starts with 5 hit
# points and the time the first part had left, not its own 200 s. That time runs out: after the miss
# the part starts again with the carried greatest hit points, 7, not its own 12, and still the
# carried time; with the challenge's three lives the third miss ends the game.
# Usage: series_carry_over.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -x "$build/m4_fixturewriter" ] || fail "no fixture writer in $build"
"$build/m4_fixturewriter" "$dir" series >/dev/null || fail "the fixture writer failed"
[ -f data/stg4/c01-2.stg4_000 ] || fail "no second part of the series"

# Frames count from the program's first; directions: 8 down; buttons: 1 confirm.
cat >input.txt <<'IN'
14 0 0
1 8 0     # 15: title, down
3 0 0
1 8 0     # 19: down, onto "challenge"
3 0 0
1 0 1     # 23: the challenge menu
26 0 0
1 0 1     # 50: its first row: stage c01-1; play starts near frame 150 and clears 31 steps later
200 0 0
1 0 1     # 251: the result screen is left
29 0 0
1 0 1     # 281: (again, in case the first came before the result was shown)
29 0 0
1 0 1     # 311: (and once more)
889 0 0
IN

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=1200 timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "no challenge stage was played (no trace)"; }
python3 - <<'PY' || exit 1
import re, sys

def fail(text):
    print("FAIL: " + text)
    sys.exit(1)

parts, cur = [], None
for line in open("trace.txt"):
    m = re.match(r"(\d+) hero=\S+ hp=(-?\d+) score=-?\d+ time=(-?\d+) .* end=(-?\d+) ", line)
    if not m:
        continue
    step, hp, time, end = (int(g) for g in m.groups())
    if step == 1 or cur is None:
        cur = []
        parts.append(cur)
    cur.append((step, hp, time, end))
if len(parts) != 4:
    fail("%d stage runs traced, not the first part and three of the second" % len(parts))
first, second = parts[0], parts[1:]
if first[0][2] != 3 or first[-1][1] != 5:
    fail("the first part did not start with 3 s and end with 5 hit points: %r, %r" % (first[0], first[-1]))
if first[-1][3] != 1:
    fail("the first part ended otherwise than by a clear: %r" % (first[-1],))
left = first[-1][2]
if left < 1:
    fail("the first part cleared with no time left")
starts = [(run[0][1], run[0][2]) for run in second]
if starts[0] != (5, left):
    fail("the second part starts with %r (hit points, s), not the (5, %d) carried over" % (starts[0], left))
for again in starts[1:]:
    if again != (7, left):
        fail("after a miss the second part starts with %r, not the carried 7 greatest hit points and %d s" %
             (again, left))
for run in second:
    if run[-1][3] != 2 or run[-1][2] != 0:
        fail("a run of the second part ended otherwise than by the time running out: %r" % (run[-1],))
print("first part cleared at step %d with %d s left; the second part started with %r" %
      (first[-1][0], left, starts))
PY
echo PASS
