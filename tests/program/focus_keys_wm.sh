#!/bin/bash
# Under a window manager (openbox), a key the game saw go down and still held when the focus comes
# back stays held; a key pressed while another window had the focus stays out of play until it is
# pressed again. The keyboard drives the play of the demo stage (no input script):
#   away        Right held; another program's window takes the focus for half a second and goes,
#               Right still held: the hero walks on, and stops once Right is let go;
#   elsewhere   the hero standing, Right pressed in another program's window and held as the focus
#               comes back: the hero stands; let go and pressed again, Right walks him;
#   killed-box  Right held from before F1 (the replay's save dialog, answered with a folder that does
#               not exist) through the error box, whose process is killed: the hero walks on, and
#               stops once Right is let go.
# Usage: focus_keys_wm.sh <player> <build-dir> [away|elsewhere|killed-box]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xmessage pgrep
other=
trap 'kill $pid $other $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
printf 'Direct3D=0\r\nWindowMode=1\r\nExit\r\n' >System.ini
bad_folder=user_data/rpl4/none/x.rpl4_732

# steps_past <n>: the trace holds more than n steps.
steps_past() { [ "$(trace_lines)" -gt "$1" ]; }

# hero_x: hero 1's whole x on the last step of the trace.
hero_x() {
    tail -n 1 trace.txt | sed -E 's/.* hero=(-?[0-9]+)\..*/\1/'
}

# x_after <case> <steps>: hero 1's x once the trace has grown that many steps from now, in x.
x_after() {
    local from
    from=$(trace_lines)
    wait_for 30 steps_past $((from + $2)) || fail "$1: the play did not go on"
    x=$(hero_x)
}

# focused <window>: the window has the keyboard focus.
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# other_window_up: another program's window (xmessage) is shown and has the focus, its id in
# other_window.
other_window_up() {
    other_window=$(xdotool search --onlyvisible --class Xmessage 2>/dev/null | head -n 1)
    [ -n "$other_window" ] && focused "$other_window"
}

# trace_still: the trace does not grow over 0.3 s (the play pauses while the game window has not
# the focus).
trace_still() {
    local before
    before=$(trace_lines)
    sleep 0.3
    [ "$(trace_lines)" -eq "$before" ]
}

# other_takes_focus <case>: another program's window opens and takes the focus, and the game sees it go.
other_takes_focus() {
    xmessage -geometry +700+500 "another program" 2>/dev/null &
    other=$!
    wait_for 20 other_window_up || fail "$1: the other window did not take the focus"
    wait_for 10 trace_still || fail "$1: the game plays on without the focus"
}

# focus_back <case>: the other window goes and the focus comes back to the game window (the window
# manager gives it back as the window closes).
focus_back() {
    kill "$other"
    wait "$other" 2>/dev/null
    other=
    wait_for 10 focused "$window" || fail "$1: the focus did not come back to the game"
}

# playing <case>: the game plays the stage with the keyboard, the hero standing.
playing() {
    start_play "$1" MIRELDA4_ANSWERS=$bad_folder MIRELDA4_FRAME_LIMIT=100000
    focus_game
    wait_for 60 steps_past 30 || { cat "stderr-$1.txt"; fail "$1: the stage was not played"; }
}

# walks <case> <what>: the hero's x grows over 20 steps (from 3 steps on).
walks() {
    x_after "$1" 3
    local from=$x
    x_after "$1" 20
    echo "$1: hero x $from, 20 steps later $x ($2)"
    [ "$x" -gt "$from" ] || fail "$1: the hero does not walk $2"
}

# stands <case> <what>: the hero's x stays over 20 steps (from 10 steps on).
stands() {
    x_after "$1" 10
    local from=$x
    x_after "$1" 20
    echo "$1: hero x $from, 20 steps later $x ($2)"
    [ "$x" -eq "$from" ] || fail "$1: the hero walks $2"
}

# done_with <case>: the player, told to close, ends cleanly.
done_with() {
    kill -TERM "$pid"
    local rc=0
    wait "$pid" || rc=$?
    pid=
    ended_cleanly "$1" "$rc" "stderr-$1.txt"
}

away_case() {
    local how=away
    playing "$how"
    # Short walks: the stage's wall to the right is some 200 steps of walking away.
    xdotool keydown Right
    walks "$how" "with Right held"
    other_takes_focus "$how"
    sleep 0.2
    focus_back "$how"
    walks "$how" "with Right held through the other window"
    xdotool keyup Right
    stands "$how" "once Right was let go"
    done_with "$how"
}

elsewhere_case() {
    local how=elsewhere
    playing "$how"
    other_takes_focus "$how"
    xdotool keydown Right
    sleep 0.5
    focus_back "$how"
    stands "$how" "with Right pressed in the other window"
    xdotool keyup Right
    sleep 0.2
    xdotool keydown Right
    walks "$how" "with Right pressed again"
    xdotool keyup Right
    done_with "$how"
}

killed_box_case() {
    local how=killed-box
    playing "$how"
    xdotool keydown Right
    walks "$how" "with Right held"
    # F1 held as a user holds a key, long enough for a frame to see it.
    hold F1 0.2
    wait_for 60 shown_box || { cat "stderr-$how.txt"; fail "$how: no box was shown"; }
    xdotool windowfocus --sync "$box" 2>/dev/null
    local child
    child=$(pgrep -P "$pid" | head -n 1)
    [ -n "$child" ] || fail "$how: the box has no process of its own"
    kill -KILL "$child"
    wait_for 10 eval '! shown_box' || fail "$how: the killed box is still shown"
    wait_for 10 focused "$window" || fail "$how: the focus did not come back to the game"
    walks "$how" "with Right held through the killed box"
    xdotool keyup Right
    stands "$how" "once Right was let go"
    done_with "$how"
}

for how in away elsewhere killed-box; do
    [ -z "$only" ] || [ "$only" = "$how" ] || continue
    case $how in
    away) away_case ;;
    elsewhere) elsewhere_case ;;
    killed-box) killed_box_case ;;
    esac
done
echo PASS
