#!/bin/bash
# Under a window manager (openbox), a box that holds the play takes the game window's input: a key
# pressed into the game window while the box is up is dropped, and does not reach the game once the
# box is answered; a click on the game window hands the keyboard to the box. The box is the replay
# save's failure during play of a stage named on the command line (F1, then a folder that does not
# exist); Escape, which ends the player when the game takes it, is pressed while the box is up.
# Whatever answers the box, the play then goes on to the frame limit.
# Usage: box_holds_input_wm.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool
save_dialog_input >input.txt

# focus_on <window>: the keyboard focus is on it.
focus_on() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# case: how Escape is pressed into the game window while the box is up.
#   focused  the keyboard focus put on the game window, then Escape
#   clicked  a click on the game window, as a user would, then Escape
for how in focused clicked; do
    rm -f trace.txt
    MIRELDA4_ANSWERS=user_data/rpl4/none/x.rpl4_732 MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt \
        MIRELDA4_FRAME_LIMIT=400 "$player" 'data\stg4\demo.stg4' 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$how: no game window was shown"; }
    wait_for 60 shown_box || { cat stderr.txt; fail "$how: no box was shown"; }
    held=$(trace_lines)
    if [ "$how" = focused ]; then
        xdotool windowfocus "$window" 2>/dev/null
        wait_for 10 focus_on "$window" || fail "$how: the focus did not go to the game window"
    else
        xdotool mousemove --window "$window" 40 300 click 1
        # The click has been taken when the focus is on one of the two windows.
        wait_for 10 eval 'focus_on "$window" || focus_on "$box"' || fail "$how: the click was not taken"
        focus_on "$box" && echo "$how: the click on the game window handed the keyboard to the box"
    fi
    xdotool key Escape
    # Escape into the box answers it; else the box is answered with Return.
    if wait_for 3 eval '! shown_box'; then
        echo "$how: Escape reached the box"
    else
        xdotool windowfocus "$box" 2>/dev/null
        wait_for 10 focus_on "$box" || fail "$how: the focus did not go to the box"
        xdotool key Return
        wait_for 10 eval '! shown_box' || fail "$how: Return did not answer the box"
    fi
    wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "$how: the player did not end at its frame limit"
    wait "$pid"
    rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$how: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "$how: abort or sanitizer report"; }
    steps=$(trace_lines)
    echo "$how: $held steps before the box, $steps in all"
    # The frame limit leaves some 200 steps after the box; Escape taken by the game ends it at once.
    [ "$steps" -ge $((held + 100)) ] || fail "$how: the play ended after the box ($steps steps): the key pressed into the game window reached it"
done
echo PASS
