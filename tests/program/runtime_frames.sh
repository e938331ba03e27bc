#!/bin/bash
# The game thread runs paced frames: the player, left running headless with the title scene on each
# drawing back-end, runs frames, never more than the stage rate of 60 a second allows (a late frame
# may be caught up, at most one second's worth), and reports at shut-down how many it ran in how many
# milliseconds. How close the pacing comes to 60 a second depends on the machine's load: the manual
# clock tests of the frame loop check it exactly, bench_frame_pacing reports it on the real clock.
# Usage: runtime_frames.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy

for d3d in 1 0; do
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    rm -f Report_Game.txt
    rm -rf snap && mkdir snap
    MIRELDA4_SNAPSHOT=snap:1 "$player" 2>stderr.txt &
    pid=$!
    # Two and a half seconds of frames from the first one presented.
    wait_for 60 test -s snap/frame-1.bmp || { kill -TERM "$pid"; cat stderr.txt; fail "no frame was presented (Direct3D=$d3d)"; }
    sleep 2.5
    kill -TERM "$pid"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "exit code $rc (Direct3D=$d3d): $(cat stderr.txt)"
    line=$(tr -d '\r' <Report_Game.txt | grep -a '^GameLoop : ' | tail -n 1)
    [ -n "$line" ] || fail "no frame count in Report_Game.txt (Direct3D=$d3d)"
    frames=$(echo "$line" | sed -E 's/^GameLoop : ([0-9]+) frames in ([0-9]+) ms.*/\1/')
    ms=$(echo "$line" | sed -E 's/^GameLoop : ([0-9]+) frames in ([0-9]+) ms.*/\2/')
    echo "Direct3D=$d3d: $line"
    [ "$frames" -gt 0 ] || fail "no frame ran (Direct3D=$d3d)"
    # 60 a second over the measured span, plus the first frame and one second caught up.
    limit=$(( ms * 60 / 1000 + 61 ))
    [ "$frames" -le "$limit" ] || fail "$frames frames in $ms ms: more than the rate allows ($limit)"
done
echo PASS
