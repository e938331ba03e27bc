#!/bin/bash
# Under a window manager (openbox), only the user's Yes to a second start's question ("既に起動して
# います。...") ends the running game. A player plays the demo stage; a second start in another
# folder asks its question in a box, and then:
#   escape      Escape is held 1.5 s over the question: the box ends as No, the focus goes back to
#               the game window and the display's repeats of Escape reach it; the game takes none of
#               them as a press (a key that went down elsewhere) and plays on, and a fresh Escape
#               then ends it;
#   kill        the question's process is killed (SIGKILL);
#   windowkill  the question's window is killed from the display (its X connection ended, as a
#               window manager's Kill or xkill does);
# the second start ends by itself (exit code 0, the question counted as No) and the game plays on.
# Usage: second_start_question_wm.sh <player> <build-dir> [escape|kill|windowkill]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool pgrep
printf 'Direct3D=0\r\nWindowMode=1\r\nExit\r\n' >System.ini
second=
trap 'kill $pid $second $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
make_project_folder "$dir/two"
cp System.ini "$dir/two/"

# steps_past <n>: the trace holds more than n steps.
steps_past() { [ "$(trace_lines)" -gt "$1" ]; }

# plays_on <case>: the game's play goes on for another 60 steps (it was not ended).
plays_on() {
    local from
    from=$(trace_lines)
    wait_for 60 steps_past $((from + 60)) || fail "$1: the running game stopped playing"
    [ "$(cat "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid")" = "$pid" ] ||
        fail "$1: the running game's window is no longer published"
}

# second_asks <case>: a second start in two/, showing its question (its window in box).
second_asks() {
    (cd "$dir/two" && exec "$player" 2>"$dir/second-$1.txt") &
    second=$!
    wait_for 60 shown_box || { cat "$dir/second-$1.txt"; fail "$1: the second start asked nothing"; }
}

question_case() {
    local how=$1
    start_play "$how" MIRELDA4_FRAME_LIMIT=100000
    focus_game
    wait_for 60 steps_past 30 || { cat "stderr-$how.txt"; fail "$how: the game did not play"; }
    second_asks "$how"
    case $how in
    escape)
        xdotool windowfocus --sync "$box" 2>/dev/null
        hold Escape 1.5
        ;;
    kill)
        local child
        child=$(pgrep -P "$second" | head -n 1)
        [ -n "$child" ] || fail "kill: the question has no process of its own"
        kill -KILL "$child"
        ;;
    windowkill)
        xdotool windowkill "$box"
        ;;
    esac
    # The second start ends by itself (a No ends it; a Yes would end the running game and go on
    # starting).
    second_start_ends "$how" "$dir/second-$how.txt"
    [ "$how" = escape ] || answered_no "$how" "$dir/second-$how.txt"
    plays_on "$how"
    # A fresh Escape in the game window still ends it.
    focus_game
    xdotool key Escape
    wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "$how: a fresh Escape did not end the game"
    wait "$pid"
    local rc=$?
    pid=
    ended_cleanly "$how" "$rc" "stderr-$how.txt"
    echo "$how: the second start ended as No; the game played on until a fresh Escape"
}

for how in escape kill windowkill; do
    [ -z "$only" ] || [ "$only" = "$how" ] || continue
    question_case "$how"
done
echo PASS
