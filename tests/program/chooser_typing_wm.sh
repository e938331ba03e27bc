#!/bin/bash
# On a display under a window manager (openbox), the free-play stage chooser takes a typed name at
# once: the menus are driven by an input script up to "free play"; once the chooser shows in the
# game window, the meadow's file name is typed on the keyboard (nothing clicked first) and Return
# pressed, and the meadow is played (right held: the hero walks). Runs on its own Xvfb.
# Usage: chooser_typing_wm.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xwd python3
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"
printf 'Direct3D=0\r\nWindowMode=1\r\nExit\r\n' >System.ini

free_play_walk_input >input.txt

# chooser_shown: the window shows the chooser: its list, empty below the last of the demo's seven
# stage files, is a white box across the row 290 of the picture.
chooser_shown() {
    xwd -silent -id "$window" >window.xwd 2>/dev/null && python3 - <<'PY'
import sys
from picture_probe import read_xwd
pixel, w, h = read_xwd('window.xwd')
sys.exit(0 if w >= 640 and all(pixel(x, 290) == (255, 255, 255) for x in range(160, 480, 8)) else 1)
PY
}

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=300 "$player" 2>stderr.txt &
pid=$!
wait_for 60 player_window || { cat stderr.txt; fail "no window was shown"; }
wait_for 60 chooser_shown || { cat stderr.txt; fail "the chooser was not shown"; }
[ -s trace.txt ] && fail "a stage was played before a name was chosen"
xdotool windowfocus --sync "$window" type --delay 20 demo.stg4_000
xdotool key --window "$window" Return
# A chooser that did not take the name stays open, and the player with it.
wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "the typed name and Return did not open the stage"
wait "$pid"
rc=$?
pid=
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "abort or sanitizer report"; }
grep -q '^1 hero=' trace.txt 2>/dev/null || { cat stderr.txt; fail "the typed stage was never played"; }
last=$(tail -n 1 trace.txt)
x=$(sed -E 's/.* hero=([0-9]+)\..*/\1/' <<<"$last")
[ "$x" -gt 200 ] || fail "the hero did not walk on the chosen stage: $last"
echo "played: $last"
echo PASS
