#!/bin/bash
# The player sets up its display on either back-end and presents paced frames: with "Direct3D" 1
# the Direct3D-like device is made (report lines "Device HAL-HARD" and the back-buffer format), with
# "Direct3D" 0 the DirectDraw-like display is used; both run at 60 frames a second.
# Usage: draw_backends.sh <player> <build-dir>
# ctest: serial (the frame rate on the wall clock must come out between 50 and 66 a second)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

run_player() { # <folder> <Direct3D word> <window word>
    local d=$1
    mkdir -p "$d/data"
    if [ -x "$build/m4_projwriter" ]; then "$build/m4_projwriter" "$d" >/dev/null 2>&1 || true; fi
    printf 'Direct3D=%s\r\nWindowMode=%s\r\nExit\r\n' "$2" "$3" >"$d/System.ini"
    mkdir -p "$d/snap"
    (cd "$d" && MIRELDA4_SNAPSHOT=snap:1 exec "$player" 2>stderr.txt) &
    local pid=$!
    # Three seconds of frames from the first one presented.
    wait_for 60 test -s "$d/snap/frame-1.bmp" || { kill -TERM "$pid"; cat "$d/stderr.txt"; fail "no frame was presented (Direct3D=$2)"; }
    sleep 3
    kill -TERM "$pid"
    wait "$pid"
    local rc=$?
    [ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc (Direct3D=$2)"; cat "$d/stderr.txt"; exit 1; }
}

frames_of() { tr -d '\r' <"$1/Report_Game.txt" | grep -a '^GameLoop : ' | tail -n 1 |
    sed -E 's/^GameLoop : ([0-9]+) frames in ([0-9]+) ms.*/\1 \2/'; }

check_paced() { # <folder> <label>
    read -r frames ms < <(frames_of "$1")
    [ -n "${frames:-}" ] || { echo "FAIL: $2: no frame count"; cat "$1/Report_Game.txt"; exit 1; }
    local rate=$(( frames * 1000 / (ms > 0 ? ms : 1) ))
    echo "$2: $frames frames in $ms ms"
    if [ "$rate" -lt 50 ] || [ "$rate" -gt 66 ]; then echo "FAIL: $2: $rate frames a second"; exit 1; fi
}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

run_player "$root/d3d" 1 1
grep -aq 'Device HAL-HARD' "$root/d3d/Report_Game.txt" || { echo "FAIL: no Direct3D device"; exit 1; }
grep -aq 'X8R8G8B8' "$root/d3d/Report_Game.txt" || { echo "FAIL: no back-buffer format line"; exit 1; }
check_paced "$root/d3d" Direct3D

run_player "$root/dd" 0 1
if grep -aq 'Device HAL' "$root/dd/Report_Game.txt"; then echo "FAIL: Direct3D made with Direct3D=0"; exit 1; fi
check_paced "$root/dd" DirectDraw
echo PASS
