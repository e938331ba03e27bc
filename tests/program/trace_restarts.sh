#!/bin/bash
# The trace of a restarted stage starts at FRAME 1 with its first play step: the demo stage, its time
# limit cut to one second and played from the command line with nothing pressed, is timed out and
# set up again (a start file has lives without end) again and again. Every play of it writes the
# same steps: as many lines as the first play, numbered from 1 without a gap, and its FRAME 1 line
# holds the hero where the first play's does (a line of the state before any step would not).
# Usage: trace_restarts.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/demo.stg4_000
[ -f "$stage" ] || fail "no demo project (project writer missing in $build)"
# Fields 14 and 15 of the stage chunk (after the version word and the field count): time limit on,
# 1 second.
printf '\x01\x00\x00\x00\x01\x00\x00\x00' | dd of="$stage" bs=1 seek=60 conv=notrunc status=none

MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=400 timeout $HANG_LIMIT "$player" "$stage" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
awk '
    { split($2, h, "="); frame = $1 + 0 }
    frame == 1 {
        if (plays > 1 && steps != first) { print "play " plays " wrote " steps " steps, the first " first; bad = 1 }
        if (plays == 1) first = steps
        if (plays == 0) start = h[2]
        else if (h[2] != start) { print "play " plays + 1 " starts with the hero at " h[2] ", the first at " start; bad = 1 }
        plays++; steps = 0
    }
    frame != steps + 1 { print "line " NR ": FRAME " frame " after " steps; bad = 1 }
    { steps = frame }
    END {
        if (plays < 3) { print "only " plays " plays of the stage"; bad = 1 }
        exit bad
    }' trace.txt || fail "the restarted stages are not traced from their first step"
echo PASS
