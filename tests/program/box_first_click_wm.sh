#!/bin/bash
# Under a window manager (openbox), one click on a button of a box that is not the active window
# answers it: the click that activates the box also presses the button. The box is the one of a
# stage file given on the command line that cannot be read, in a window and in full screen; the
# keyboard focus is put on the game window first, and the box's OK button clicked once.
# Usage: box_first_click_wm.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xwininfo
printf 'broken' >data/stg4/broken.stg4_000

# focus_not_on_box: the keyboard focus is somewhere other than the box.
focus_not_on_box() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" != "$box" ]
}

for mode in 1 0; do
    name="WindowMode=$mode"
    printf 'Direct3D=0\r\nWindowMode=%d\r\nExit\r\n' "$mode" >System.ini
    "$player" data/stg4/broken.stg4_000 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$name: no game window was shown"; }
    wait_for 60 shown_box || { cat stderr.txt; fail "$name: no box was shown"; }
    wait_for 20 settled_geometry "$box" || fail "$name: the box did not settle"
    read -r _ _ w h <<<"$geometry"
    # The box's one button, OK, is centred at its bottom.
    xdotool windowfocus "$window" 2>/dev/null
    wait_for 10 focus_not_on_box || fail "$name: the focus stayed on the box"
    xdotool mousemove --window "$box" $((w / 2)) $((h - 22)) click 1
    wait_for 10 eval '! shown_box' || fail "$name: one click on OK did not answer the box that was not active"
    wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "$name: the player did not end"
    wait "$pid"
    rc=$?
    pid=
    echo "$name: the box answered by one click; exit code $rc"
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "$name: abort or sanitizer report"; }
done
echo PASS
