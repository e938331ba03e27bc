#!/bin/bash
# Stages whose flows hold values at the ends of int (a picture scale beyond any size, waits of the
# smallest int frames for a picture and a message, a picture anchored at the smallest X offset),
# and a hero whose sight of 89 needs a darkness surface wider than 4096 pixels, play to the frame
# limit under both drawing back-ends and close cleanly, with no box; the sanitizer build stops at
# any overflow on the way.
# Usage: authored_extremes_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
extremes=$(cd "$(dirname "$0")/../data/extremes" && pwd)
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/System.dat ] || fail "no demo project (project writer missing in $build)"

for stage in picture-scale pause-wait-frames message-wait-frames picture-clip hero-sight-89; do
    cp "$extremes/$stage.stg4_000" data/stg4/gen.stg4_000
    for d3d in 1 0; do
        printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
        rm -f trace.txt
        MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=300 timeout 120 "$player" data/stg4/gen.stg4_000 2>stderr.txt
        rc=$?
        [ "$rc" -eq 0 ] || { tail -n 5 stderr.txt; fail "$stage (Direct3D=$d3d): exit code $rc"; }
        steps=$(wc -l <trace.txt 2>/dev/null || echo 0)
        [ "$steps" -ge 250 ] || { tail -n 5 stderr.txt; fail "$stage (Direct3D=$d3d) played $steps steps"; }
        grep -q '^\[' stderr.txt && { cat stderr.txt; fail "$stage (Direct3D=$d3d) showed a box"; }
    done
done
echo PASS
