#!/bin/bash
# Under a window manager (openbox), a key that goes to a dialog or a box stays there, and a key held
# through a box stays held. During play of a stage named on the command line the replay's save
# dialog is opened (F1) and shown in the game window:
#   save    Tab onto 保存, Space held a while, then let go: the replay is written, and the play goes
#           on (Space, the pause key, does not open the pause menu);
#   cancel  Tab twice onto キャンセル, Space held a while: the play goes on;
#   escape  Escape held long enough to repeat: it cancels the dialog, and the play goes on (Escape
#           in the game window ends the player);
# the save dialog answered with a folder that does not exist brings up the error box in a window of
# its own:
#   box-space   Space held about a second on its OK (the display repeats it): the play goes on;
#   box-escape  Escape held as long: the play goes on;
# and with the keyboard driving the play (no input script):
#   held-right  Right held from before F1 through the error box, answered with Return: the hero walks
#               on after the box, and stops once Right is let go.
# The play goes on when the trace grows some 100 steps past the dialog (the frame limit leaves about
# 250); a pause menu or a close ends it at once.
# Usage: dialog_keys_wm.sh <player> <build-dir> [case]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xwd python3
printf 'Direct3D=0\r\nWindowMode=1\r\nExit\r\n' >System.ini
save_dialog_input >input.txt
stage='data\stg4\demo.stg4'
bad_folder=user_data/rpl4/none/x.rpl4_732

# start_play <case> [environment...]: plays the stage to the frame limit, the player in pid.
start_play() {
    local how=$1
    shift
    rm -f trace.txt user_data/rpl4/*.rpl4_732
    env MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=400 "$@" "$player" "$stage" 2>"stderr-$how.txt" &
    pid=$!
    wait_for 60 player_window || { cat "stderr-$how.txt"; fail "$how: no game window was shown"; }
}

# focus_game: the keyboard focus on the game window.
focus_game() {
    xdotool windowfocus --sync "$window" 2>/dev/null
}

# hold <key> <seconds>: the key held that long, then let go.
hold() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}

# ends_with_play_going_on <case> <steps before>: the player ends at its frame limit with the play
# having gone on after the dialog.
ends_with_play_going_on() {
    local how=$1 held=$2
    wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "$how: the player did not end at its frame limit"
    wait "$pid"
    local rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat "stderr-$how.txt"; fail "$how: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' "stderr-$how.txt" &&
        { cat "stderr-$how.txt"; fail "$how: abort or sanitizer report"; }
    local steps
    steps=$(trace_lines)
    echo "$how: $held steps before the dialog, $steps in all"
    [ "$steps" -ge $((held + 100)) ] ||
        fail "$how: the play stopped after the dialog ($steps steps): the key reached the game"
}

# A dialog in the game window, used with the keyboard.
dialog_case() {
    local how=$1
    start_play "$how" MIRELDA4_INPUT=input.txt
    wait_for 60 chooser_shown || { cat "stderr-$how.txt"; fail "$how: the save dialog was not shown"; }
    local held
    held=$(trace_lines)
    focus_game
    case $how in
    save)
        xdotool key Tab
        hold space 0.5
        wait_for 20 eval 'ls user_data/rpl4/*.rpl4_732 >/dev/null 2>&1' || fail "$how: no replay was written"
        ;;
    cancel)
        xdotool key Tab Tab
        hold space 0.5
        ;;
    escape)
        hold Escape 1.2
        ;;
    esac
    ends_with_play_going_on "$how" "$held"
}

# The error box in a window of its own, used with the keyboard.
box_case() {
    local how=$1
    start_play "$how" MIRELDA4_INPUT=input.txt MIRELDA4_ANSWERS=$bad_folder
    wait_for 60 shown_box || { cat "stderr-$how.txt"; fail "$how: no box was shown"; }
    local held
    held=$(trace_lines)
    xdotool windowfocus --sync "$box" 2>/dev/null
    case $how in
    box-space) hold space 1.2 ;;
    box-escape) hold Escape 1.2 ;;
    esac
    wait_for 10 eval '! shown_box' || fail "$how: the key did not answer the box"
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
    xdotool keydown Right
    x_after 20
    local walking=$x
    x_after 20
    [ "$x" -gt "$walking" ] || fail "$how: Right held does not walk the hero ($walking, then $x)"
    hold F1 0.2
    wait_for 60 shown_box || { cat "stderr-$how.txt"; fail "$how: no box was shown"; }
    xdotool windowfocus --sync "$box" 2>/dev/null
    xdotool key Return
    wait_for 10 eval '! shown_box' || fail "$how: Return did not answer the box"
    x_after 5
    local after_box=$x
    x_after 40
    echo "$how: hero x $walking while walking, $after_box after the box, $x 40 steps later"
    [ "$x" -gt "$after_box" ] || fail "$how: the hero stopped after the box with Right still held"
    xdotool keyup Right
    x_after 20
    local let_go=$x
    x_after 40
    echo "$how: hero x $let_go once Right was let go, $x 40 steps later"
    [ "$x" -eq "$let_go" ] || fail "$how: the hero walks on after Right was let go"
    kill -TERM "$pid"
    wait "$pid"
    pid=
}

for how in save cancel escape box-space box-escape held-right; do
    [ -z "$only" ] || [ "$only" = "$how" ] || continue
    case $how in
    save | cancel | escape) dialog_case "$how" ;;
    box-*) box_case "$how" ;;
    held-right) held_right_case ;;
    esac
done
echo PASS
