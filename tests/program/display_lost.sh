#!/bin/bash
# A lost connection to the X display (the client killed with xdotool windowkill) ends the player as
# a close does: exit code 0, every thread stopped in order, the report and the window placement
# written, the instance's files removed, no abort and no sanitizer report. Once on the title screen,
# once during play of a stage named on the command line. Runs on its own Xvfb.
# Usage: display_lost.sh <player> <build-dir>
# ctest: serial (the save dialog must be up after five seconds of the wall clock)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb xdotool
enter_x_run_folder

# A display of its own, on the first free number.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>display.txt 2>/dev/null &
xvfb=$!
trap 'kill $xvfb $pid 2>/dev/null; rm -rf "$dir"' EXIT
pid=
wait_for 20 test -s display.txt || fail "Xvfb did not start"
export DISPLAY=:$(cat display.txt)

pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid

# During play, F1 on frame 151 opens the replay's save dialog, which then waits for the user.
printf '150 0 0\n1 0 0 f1\n' >save_dialog.input
for what in title play dialog; do
    stage='data\stg4\demo.stg4' input=/dev/null wait=1.5
    [ "$what" = title ] && stage=
    [ "$what" = dialog ] && input=save_dialog.input wait=5
    rm -f Report_Game.txt user_data/Window.dat trace.txt
    MIRELDA4_INPUT=$input MIRELDA4_TRACE=trace.txt "$player" ${stage:+"$stage"} 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$what: no window was shown"; }
    # Frames are running (the game thread draws), or the dialog waits, when the connection goes.
    sleep "$wait"
    if [ "$what" = dialog ]; then
        steps=$(wc -l <trace.txt)
        sleep 0.5
        [ "$steps" -gt 0 ] && [ "$(wc -l <trace.txt)" -eq "$steps" ] || fail "no dialog holds the play"
    fi
    player_window || fail "$what: the window went away"
    xdotool windowkill "$window"
    wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "$what: no end after the display was lost"
    wait "$pid"
    rc=$?
    report=$(iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r')
    echo "$what: exit $rc"
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$what: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "$what: abort or sanitizer report"; }
    grep -q 'connection to the display was lost' <<<"$report" || { echo "$report"; fail "$what: the loss was not reported"; }
    grep -q '^GameLoop : ' <<<"$report" || { echo "$report"; fail "$what: the game thread did not end by itself"; }
    grep -q 'did not end' <<<"$report" && { echo "$report"; fail "$what: a thread was left running"; }
    [ -s user_data/Window.dat ] || fail "$what: the window placement was not written"
    [ -e "$pidfile" ] && fail "$what: the instance's files were left behind"
done
echo PASS
