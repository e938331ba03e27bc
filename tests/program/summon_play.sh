#!/bin/bash
# A block summoned by a flow stops the hero, headless on a fixture project: the stage has only its
# floor; half a second into play the hero summons a ground block 128 pixels to its right (the
# offset as given, not mirrored), and with the right key held from the start it walks into that
# block and stays against it, though the floor goes on for more than a thousand pixels.
# Usage: summon_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -x "$build/m4_fixturewriter" ] || fail "no fixture writer in $build"
"$build/m4_fixturewriter" "$dir" riding >/dev/null || fail "the fixture writer failed"
stage=data/stg4/summon.stg4_000
[ -f "$stage" ] || fail "no summon stage"
# Play starts about frame 90: the right key is held from then to the end.
printf '90 0 0\n310 2 0\n' >input.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=400 \
    timeout 60 "$player" "$stage" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "no trace written"; }
python3 - <<'PY' || exit 1
import re, sys

xs = [float(m.group(1)) for m in (re.match(r"\d+ hero=([-0-9.]+),", l) for l in open("trace.txt")) if m]


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


if len(xs) < 250:
    fail("only %d play steps traced" % len(xs))
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
