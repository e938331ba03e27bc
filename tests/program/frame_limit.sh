#!/bin/bash
# MIRELDA4_FRAME_LIMIT=n ends the player by itself after n frames (the road start-up timing is measured
# on): every start-up step runs on the written project, frames are presented, and the close that
# follows runs the whole shut-down with exit code 0.
# Usage: frame_limit.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
"$build/m4_projwriter" "$dir" >/dev/null || { echo "FAIL: the project writer failed"; exit 1; }
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
for mode in 0 1; do
    printf 'Direct3D=%s\r\nWindowMode=1\r\nExit\r\n' "$mode" >System.ini
    MIRELDA4_FRAME_LIMIT=3 timeout 60 "$player" 2>stderr.txt
    rc=$?
    [ "$rc" -eq 0 ] || { echo "FAIL: Direct3D=$mode: exit code $rc"; cat stderr.txt; exit 1; }
    line=$(tr -d '\r' <Report_Game.txt | grep -a '^GameLoop : ')
    frames=$(echo "$line" | sed -E 's/^GameLoop : ([0-9]+) frames.*/\1/')
    [ "${frames:-0}" -ge 3 ] || { echo "FAIL: Direct3D=$mode: '$line'"; exit 1; }
    [ -s stderr.txt ] && { echo "FAIL: Direct3D=$mode: a box was shown"; cat stderr.txt; exit 1; }
    echo "Direct3D=$mode: $line"
done
echo PASS
