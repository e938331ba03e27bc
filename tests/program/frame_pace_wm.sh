#!/bin/bash
# The game keeps 60 frames a second in a window and in full screen, with either back-end, under a
# window manager (openbox) with the settings' own vertical sync: 600 frames of the title, counted by
# the player against its own clock (its shut-down line "GameLoop : N frames in M ms"). Every frame
# waits for its vertical blank, so N frames take at least N - 1 sixtieths of a second on that clock
# (the frame loop's own 16 ms period alone would run 62.5 a second); a loaded machine may run them
# slower, but not below 40 a second. Runs on its own Xvfb.
# Usage: frame_pace_wm.sh <player> <build-dir>
# ctest: serial (a frame rate of the wall clock)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox
frames=600

for d3d in 0 1; do
    for mode in 1 0; do
        printf 'Direct3D=%d\r\nWindowMode=%d\r\nExit\r\n' "$d3d" "$mode" >System.ini
        rm -f Report_Game.txt
        MIRELDA4_FRAME_LIMIT=$frames timeout 60 "$player" 2>stderr.txt
        rc=$?
        [ "$rc" -eq 0 ] || { cat stderr.txt; fail "Direct3D=$d3d WindowMode=$mode: exit code $rc"; }
        report=$(tr -d '\r' <Report_Game.txt)
        line=$(grep -a '^GameLoop : ' <<<"$report" | tail -n 1)
        echo "Direct3D=$d3d WindowMode=$mode: $line"
        grep -aq "^Mode : $([ "$mode" = 0 ] && echo Fullscreen || echo Window)" <<<"$report" ||
            fail "Direct3D=$d3d WindowMode=$mode: not the display mode asked for"
        read -r n ms < <(sed -E 's/^GameLoop : ([0-9]+) frames in ([0-9]+) ms.*/\1 \2/' <<<"$line")
        [ "$n" = "$frames" ] || fail "Direct3D=$d3d WindowMode=$mode: $n frames run, not $frames"
        # At most 60 a second (2 ms of the clock's rounding allowed), at least 40.
        [ $((ms * 60)) -ge $(((n - 1) * 1000 - 120)) ] ||
            fail "Direct3D=$d3d WindowMode=$mode: $n frames in $ms ms, faster than 60 a second"
        [ $((ms * 40)) -le $((n * 1000)) ] ||
            fail "Direct3D=$d3d WindowMode=$mode: $n frames in $ms ms, slower than 40 a second"
    done
done
echo PASS
