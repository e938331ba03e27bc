#!/bin/bash
# MIRELDA4_FRAME_LIMIT=n ends a scripted run after exactly n presented frames, however busy the
# machine: frame n is presented and frame n+1 never is, the game loop runs n frames, and the play
# trace always ends at the same step (7 frames more give exactly 7 steps more). Several runs of the
# demo stage with both drawing back-ends.
# Usage: frame_limit_steps.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy

# run DIRECT3D LIMIT: one run of the demo stage; prints the number of play steps traced.
run() {
    local n=$2
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$1" >System.ini
    rm -rf snap trace.txt Report_Game.txt
    mkdir snap
    MIRELDA4_FRAME_LIMIT=$n MIRELDA4_TRACE=trace.txt MIRELDA4_SNAPSHOT="snap:$n,$((n + 1))" \
        timeout 60 "$player" 'data\stg4\demo.stg4' 2>stderr.txt || { cat stderr.txt; fail "Direct3D=$1: the run failed"; }
    [ -f "snap/frame-$n.bmp" ] || fail "Direct3D=$1: frame $n was not presented"
    [ -f "snap/frame-$((n + 1)).bmp" ] && fail "Direct3D=$1: frame $((n + 1)) was presented after the limit of $n"
    tr -d '\r' <Report_Game.txt | grep -aq "^GameLoop : $n frames" ||
        fail "Direct3D=$1: $(tr -d '\r' <Report_Game.txt | grep -a '^GameLoop')"
    wc -l <trace.txt
}

for mode in 1 0; do
    steps=$(run "$mode" 120) || exit 1
    [ "$steps" -gt 0 ] || fail "Direct3D=$mode: no play step in 120 frames"
    for again in 1 2; do
        n=$(run "$mode" 120) || exit 1
        [ "$n" -eq "$steps" ] || fail "Direct3D=$mode: $n play steps in 120 frames, $steps before"
    done
    more=$(run "$mode" 127) || exit 1
    [ "$more" -eq $((steps + 7)) ] || fail "Direct3D=$mode: 127 frames gave $more play steps, 120 gave $steps"
    echo "Direct3D=$mode: $steps play steps in 120 frames, every time"
done
echo PASS
