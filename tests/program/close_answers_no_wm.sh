#!/bin/bash
# Under a window manager (openbox), a close never answers a question Yes. A second start while the
# first runs asks "既に起動しています。..." in a box: SIGINT (Ctrl-C in its terminal), SIGTERM and
# SIGHUP (its terminal closed) sent to the second start while the question is open end the second
# start with exit code 0, the question answered No, and the first player runs on. A start that finds
# its project only in default/ asks whether to make data/ from it: a close while that question is
# open ends the start without making data/.
# Usage: close_answers_no_wm.sh <player> <build-dir> [INT|TERM|HUP|default]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool
first= second=
trap 'kill $first $second $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT

# start_in <folder> <stderr file>: a start of the player in the folder, in second, with the close
# signals as a terminal would deliver them (whatever this script's own start left ignored).
start_in() {
    (cd "$1" && exec env --default-signal=INT,TERM,HUP "$player" 2>"$2") &
    second=$!
}

# close_while_asked <case> <signal>: the start (second) shows its question; the signal then ends it
# with exit code 0.
close_while_asked() {
    local how=$1 signal=$2
    wait_for 60 shown_box || { cat "$dir/stderr-$how.txt"; fail "$how: no question was shown"; }
    kill "-$signal" "$second"
    second_start_ends "$how" "$dir/stderr-$how.txt"
}

# The second start: its own project folder beside the first player's.
make_project_folder "$dir/two"
cp System.ini "$dir/two/"
"$player" 2>first.txt &
first=$!
pid=$first
wait_for 60 player_window || { cat first.txt; fail "the first player showed no window"; }
for signal in INT TERM HUP; do
    [ -z "$only" ] || [ "$only" = "$signal" ] || continue
    start_in "$dir/two" "$dir/stderr-$signal.txt"
    close_while_asked "$signal" "$signal"
    kill -0 "$first" 2>/dev/null || fail "SIG$signal: the close of the second start ended the running player"
    [ "$(cat "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid")" = "$first" ] ||
        fail "SIG$signal: the first player's window is no longer published"
    [ -d "$dir/two/user_data" ] && fail "SIG$signal: the second start went on starting"
    answered_no "$signal" "$dir/stderr-$signal.txt"
    echo "SIG$signal: the second start ended, answered No; the first player runs on"
done
kill -TERM "$first"
wait "$first"
first= pid= window=

# The question of a project only in default/.
if [ -z "$only" ] || [ "$only" = default ]; then
    make_game_folder "$dir/three"
    cp System.ini "$dir/three/"
    start_in "$dir/three" "$dir/stderr-default.txt"
    close_while_asked default TERM
    [ -e "$dir/three/data" ] && fail "default: the close made data/ from default/"
    answered_no default "$dir/stderr-default.txt"
    echo "default: the start ended, answered No; no data/ made"
fi
echo PASS
