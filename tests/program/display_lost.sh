#!/bin/bash
# A lost connection to the X display (the client killed with xdotool windowkill) or a game window
# destroyed by another client (xdotool windowclose, under a window manager) ends the player as a
# close does: exit code 0, every thread stopped in order, the reason in the report, the window
# placement written, the instance's files removed, no abort and no sanitizer report. Each on the
# title screen, during play of a stage named on the command line and while a dialog holds the
# play. Runs on its own Xvfb.
# Usage: display_lost.sh <player> <build-dir> [rounds]: each round does every case once; rounds
# after the first take the display away after a wait chosen at random.
# ctest: serial (the save dialog must be up after five seconds of the wall clock)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
rounds=${3:-1}
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb xdotool openbox
enter_x_run_folder

# A display of its own, on the first free number.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>display.txt 2>/dev/null &
xvfb=$!
pid= wm=
trap 'kill $pid $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
wait_for 20 test -s display.txt || fail "Xvfb did not start"
export DISPLAY=:$(cat display.txt)

pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid

# The window manager, for the destroyed windows: it has framed the window another client destroys.
start_wm() {
    HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    wait_for 20 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
        fail "openbox did not start"
}
stop_wm() {
    kill $wm 2>/dev/null
    wait $wm 2>/dev/null
    wm=
}

# During play, F1 on frame 151 opens the replay's save dialog, which then waits for the user.
printf '150 0 0\n1 0 0 f1\n' >save_dialog.input

# dialog_holds: play has steps and no more come for half a second.
dialog_holds() {
    local steps
    steps=$(wc -l <trace.txt 2>/dev/null || echo 0)
    [ "$steps" -gt 0 ] || return 1
    sleep 0.5
    [ "$(wc -l <trace.txt)" -eq "$steps" ]
}

# play_and_take <how> <what> <round>: starts the player on <what> (title, play, dialog), takes the
# display away (<how>: kill, destroy) and checks the end.
play_and_take() {
    local how=$1 what=$2 round=$3
    local stage='data\stg4\demo.stg4' input=/dev/null wait=1.5 reason='connection to the display was lost'
    [ "$what" = title ] && stage=
    [ "$what" = dialog ] && input=save_dialog.input wait=5
    [ "$how" = destroy ] && reason='window was destroyed by another program'
    # Later rounds strike anywhere from the first frames on (the dialog case once it is open).
    if [ "$round" -gt 1 ]; then
        if [ "$what" = dialog ]; then wait=$(awk -v r=$RANDOM 'BEGIN {printf "%.2f", 4.5 + r / 32768}')
        else wait=$(awk -v r=$RANDOM 'BEGIN {printf "%.2f", 0.1 + 2 * r / 32768}'); fi
    fi
    local name="$what/$how (round $round, after ${wait}s)"
    rm -f Report_Game.txt user_data/Window.dat trace.txt
    MIRELDA4_INPUT=$input MIRELDA4_TRACE=trace.txt "$player" ${stage:+"$stage"} 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$name: no window was shown"; }
    # Frames are running (the game thread draws), or the dialog waits, when the display goes: the
    # dialog (F1 opens it) has opened once play has steps and they stop.
    if [ "$what" = dialog ]; then
        wait_for 60 dialog_holds || fail "$name: no dialog holds the play"
        wait=$(awk -v w="$wait" 'BEGIN {printf "%.2f", w - 4.5}')
    fi
    sleep "$wait"
    wait_for 20 player_window || fail "$name: the window went away"
    if [ "$how" = kill ]; then xdotool windowkill "$window"; else xdotool windowclose "$window"; fi
    wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "$name: no end after the display was taken"
    wait "$pid"
    rc=$?
    pid=
    report=$(iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r')
    echo "$name: exit $rc"
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$name: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error\|X Error' stderr.txt && { cat stderr.txt; fail "$name: abort, X error or sanitizer report"; }
    grep -q "$reason" <<<"$report" || { echo "$report"; fail "$name: the reason was not reported"; }
    [ "$(grep -c '^App : the ' <<<"$report")" -eq 1 ] || { echo "$report"; fail "$name: not one reason"; }
    grep -q '^GameLoop : ' <<<"$report" || { echo "$report"; fail "$name: the game thread did not end by itself"; }
    grep -q 'did not end' <<<"$report" && { echo "$report"; fail "$name: a thread was left running"; }
    [ -s user_data/Window.dat ] || fail "$name: the window placement was not written"
    [ -e "$pidfile" ] && fail "$name: the instance's files were left behind"
}

for round in $(seq "$rounds"); do
    for what in title play dialog; do play_and_take kill "$what" "$round"; done
    start_wm
    for what in title play dialog; do play_and_take destroy "$what" "$round"; done
    stop_wm
done
echo PASS
