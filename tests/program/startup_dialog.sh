#!/bin/bash
# System.ini asks for the drawing mode: the start-up dialog is shown in the game window (under the
# dummy driver) and driven by injected events. Choosing DirectDraw (with the arrow key from Direct3D)
# and ticking "do not ask again" stores both words in user_data/Boot.dat and starts on DirectDraw; the
# next start asks nothing and keeps DirectDraw; a choice that cannot be stored is told in a box and
# used; "ゲーム中止" ends the program before the display is set up.
# Usage: startup_dialog.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
"$build/m4_projwriter" "$dir" >/dev/null || { echo "FAIL: the project writer failed"; exit 1; }
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
printf 'Direct3D=2\r\nWindowMode=1\r\nExit\r\n' >System.ini

# Direct3D (1002), then the arrow key down onto the next radio button, DirectDraw; do not ask again
# (1004); Enter presses the default start button.
MIRELDA4_ANSWERS="events:click:1002 down click:1004 enter" MIRELDA4_FRAME_LIMIT=3 timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; cat stderr.txt; exit 1; }
boot=$(od -An -tx1 -v user_data/Boot.dat | tr -d ' \n')
# Version 732, two fields, DirectDraw (0), do not ask (1), no strings.
[ "$boot" = "dc02000002000000000000000100000000000000" ] || { echo "FAIL: Boot.dat holds $boot"; exit 1; }
grep -aq 'Device HAL' Report_Game.txt && { echo "FAIL: Direct3D was set up"; exit 1; }
grep -aq '^GameLoop : ' Report_Game.txt || { echo "FAIL: the game did not run"; exit 1; }

# The next start does not ask: an answer that would cancel stays unused.
MIRELDA4_ANSWERS="events:click:1001" MIRELDA4_FRAME_LIMIT=3 timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: second start: exit code $rc"; exit 1; }
grep -aq '^GameLoop : ' Report_Game.txt || { echo "FAIL: second start did not run"; exit 1; }
grep -aq 'Device HAL' Report_Game.txt && { echo "FAIL: second start set up Direct3D"; exit 1; }

# A choice that cannot be stored (a folder stands where the file goes) is told in a box, and the game
# starts with it all the same.
rm user_data/Boot.dat
mkdir user_data/Boot.dat
MIRELDA4_ANSWERS="events:click:1002 enter" MIRELDA4_FRAME_LIMIT=3 timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: unstored choice: exit code $rc"; cat stderr.txt; exit 1; }
grep -q 'Boot.dat の書き込みに失敗' stderr.txt || { echo "FAIL: no box told of the failed write"; cat stderr.txt; exit 1; }
grep -aq 'Device HAL' Report_Game.txt || { echo "FAIL: the choice of Direct3D was not used"; exit 1; }
grep -aq '^GameLoop : ' Report_Game.txt || { echo "FAIL: the game did not run after the box"; exit 1; }
rmdir user_data/Boot.dat

# Cancelling ends start-up before any display.
rm -f user_data/Boot.dat
MIRELDA4_ANSWERS="events:click:1001" MIRELDA4_FRAME_LIMIT=3 timeout 60 "$player" 2>stderr.txt
grep -aq '^GameLoop : ' Report_Game.txt && { echo "FAIL: the game ran after cancel"; exit 1; }
grep -aq 'Device HAL' Report_Game.txt && { echo "FAIL: the display was set up after cancel"; exit 1; }
[ -f user_data/Boot.dat ] && { echo "FAIL: Boot.dat written after cancel"; exit 1; }
echo PASS
