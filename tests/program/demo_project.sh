#!/bin/bash
# The demo project written by the project writer is complete: the player starts in it on either
# drawing back-end, and on a full-screen 8-bit DirectDraw display (which reads the palette picture
# and a blend table), without a message box, reaches its frame loop and ends cleanly on SIGTERM.
# Usage: demo_project.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# A runtime folder of its own: the single-instance lock never meets another test's player.
export XDG_RUNTIME_DIR="$dir/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

[ -x "$build/m4_projwriter" ] || { echo "FAIL: no project writer in $build"; exit 1; }
start=$(date +%s%N)
"$build/m4_projwriter" "$dir/demo" || { echo "FAIL: the project writer failed"; exit 1; }
echo "demo project written in $(( ($(date +%s%N) - start) / 1000000 )) ms"
cd "$dir/demo" || exit 1

for mode in "0 1 0" "1 1 0" "0 0 8"; do
    read -r d3d window bpp <<<"$mode"
    label="Direct3D=$d3d WindowMode=$window Bpp=$bpp"
    rm -f Report_Game.txt
    printf 'Direct3D=%s\r\nWindowMode=%s\r\nBpp=%s\r\nExit\r\n' "$d3d" "$window" "$bpp" >System.ini
    rm -rf snap && mkdir snap
    MIRELDA4_SNAPSHOT=snap:1 "$player" 2>stderr.txt &
    pid=$!
    # The frame loop has presented its first frame.
    wait_for 60 test -s snap/frame-1.bmp || { kill -TERM "$pid"; cat stderr.txt; fail "no frame was presented ($label)"; }
    kill -TERM "$pid"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc ($label)"; cat stderr.txt; exit 1; }
    # Headless message boxes are written to standard error: none may appear.
    [ -s stderr.txt ] && { echo "FAIL: output on standard error ($label)"; cat stderr.txt; exit 1; }
    report=$(tr -d '\r' <Report_Game.txt | iconv -f CP932 -t UTF-8)
    for line in 'App : ver 732' 'GameLoop : '; do
        grep -q "^$line" <<<"$report" || { echo "FAIL: no \"$line\" ($label)"; echo "$report"; exit 1; }
    done
    echo "$label: $(grep '^GameLoop' <<<"$report")"
done
echo PASS
