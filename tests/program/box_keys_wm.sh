#!/bin/bash
# Under a window manager (openbox), a key that goes to a box stays there, and a key held through a
# box stays held. During play of a stage named on the command line the replay's save dialog (F1) is
# answered with a folder that does not exist, and the error box shows in a window of its own:
#   space       Space held about a second on its OK (the display repeats it): the play goes on
#               (Space, the pause key, does not open the pause menu);
#   escape      Escape held as long: the play goes on (Escape in the game window ends the player);
#   held-right  with the keyboard driving the play (no input script), Right held from before F1
#               through the box, which Return answers: the hero walks on after the box, and stops
#               once Right is let go (well before the stage's wall).
# Usage: box_keys_wm.sh <player> <build-dir> [space|escape|held-right]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool
# DirectDraw in a window unless DIRECT3D and WINDOW_MODE say otherwise (scripts/tsan.sh runs the others).
printf 'Direct3D=%d\r\nWindowMode=%d\r\nExit\r\n' "${DIRECT3D:-0}" "${WINDOW_MODE:-1}" >System.ini
save_dialog_input >input.txt
bad_folder=user_data/rpl4/none/x.rpl4_732

# A key held on the box's button.
box_case() {
    local how=$1 key=$2
    start_play "$how" MIRELDA4_INPUT=input.txt MIRELDA4_ANSWERS=$bad_folder
    wait_for 60 shown_box || { cat "stderr-$how.txt"; fail "$how: no box was shown"; }
    local held
    held=$(trace_lines)
    xdotool windowfocus --sync "$box" 2>/dev/null
    hold "$key" 1.2
    wait_for 10 eval '! shown_box' || fail "$how: $key did not answer the box"
    ends_with_play_going_on "$how" "$held"
}

# hero_x: hero 1's whole x on the last step of the trace.
hero_x() {
    tail -n 1 trace.txt | sed -E 's/.* hero=(-?[0-9]+)\..*/\1/'
}

# steps_past <n>: the trace holds more than n steps.
steps_past() { [ "$(trace_lines)" -gt "$1" ]; }

# x_after <steps>: hero 1's x once the trace has grown that many steps from now, in x.
x_after() {
    local from
    from=$(trace_lines)
    wait_for 30 steps_past $((from + $1)) || fail "held-right: the play did not go on"
    x=$(hero_x)
}

held_right_case() {
    local how=held-right
    start_play "$how" MIRELDA4_ANSWERS=$bad_folder MIRELDA4_FRAME_LIMIT=100000
    focus_game
    wait_for 60 steps_past 30 || { cat "stderr-$how.txt"; fail "$how: the stage was not played"; }
    # Short walks: the stage's wall to the right is some 200 steps of walking away.
    xdotool keydown Right
    x_after 5
    local walking=$x
    x_after 5
    [ "$x" -gt "$walking" ] || fail "$how: Right held does not walk the hero ($walking, then $x)"
    # F1 held as a user holds a key, long enough for a frame to see it.
    hold F1 0.2
    wait_for 60 shown_box || { cat "stderr-$how.txt"; fail "$how: no box was shown"; }
    xdotool windowfocus --sync "$box" 2>/dev/null
    xdotool key Return
    wait_for 10 eval '! shown_box' || fail "$how: Return did not answer the box"
    x_after 3
    local after_box=$x
    x_after 20
    echo "$how: hero x $walking while walking, $after_box after the box, $x 20 steps later"
    [ "$x" -gt "$after_box" ] || fail "$how: the hero stopped after the box with Right still held"
    xdotool keyup Right
    x_after 10
    local let_go=$x
    x_after 20
    echo "$how: hero x $let_go once Right was let go, $x 20 steps later"
    [ "$x" -eq "$let_go" ] || fail "$how: the hero walks on after Right was let go"
    kill -TERM "$pid"
    wait "$pid"
    pid=
}

for how in space escape held-right; do
    [ -z "$only" ] || [ "$only" = "$how" ] || continue
    case $how in
    space) box_case space space ;;
    escape) box_case escape Escape ;;
    held-right) held_right_case ;;
    esac
done
echo PASS
