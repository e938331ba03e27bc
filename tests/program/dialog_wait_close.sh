#!/bin/bash
# A dialog that MIRELDA4_ANSWERS holds open ("events:wait") ends as a dialog the user answers does
# when the program is closed: by the frame limit (the frames it still allows pass while the dialog
# holds the play), by the window manager's close (Alt+F4 under openbox) and by the loss of the display
# (the X connection killed). Each run ends with exit code 0 and the game thread ended by itself.
# The dialog is the replay's save dialog, opened with F1 during play of a stage named on the
# command line.
# Usage: dialog_wait_close.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb xdotool openbox xprop
enter_x_run_folder
xvfb= wm= pid=
trap 'kill $pid $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
# F1 on frame 151 opens the dialog.
printf '150 0 0\n1 0 0 f1\n' >save_dialog.input
export MIRELDA4_ANSWERS=events:wait MIRELDA4_INPUT=save_dialog.input MIRELDA4_TRACE=trace.txt
stage='data\stg4\demo.stg4'

# check_end <name> <exit code>: the run ended as a close ends it.
check_end() {
    local report
    report=$(iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r')
    echo "$1: exit $2"
    [ "$2" -eq 0 ] || { cat stderr.txt; fail "$1: exit code $2"; }
    grep -q 'waiting for the close' stderr.txt || { cat stderr.txt; fail "$1: the dialog did not wait"; }
    grep -q '^GameLoop : ' <<<"$report" || { echo "$report"; fail "$1: the game thread did not end by itself"; }
    grep -q 'did not end' <<<"$report" && { echo "$report"; fail "$1: a thread was left running"; }
    return 0
}

# The frame limit, without a display: 150 frames are presented before the dialog opens.
rm -f trace.txt
SDL_VIDEODRIVER=dummy MIRELDA4_FRAME_LIMIT=200 timeout $HANG_LIMIT "$player" "$stage" 2>stderr.txt
check_end "frame limit" $?

start_display_with_wm 800x600
for how in wm-close display-lost; do
    # The run before left its lines: the wait below must see this run's.
    rm -f trace.txt stderr.txt
    "$player" "$stage" 2>stderr.txt &
    pid=$!
    wait_for 60 grep -q 'waiting for the close' stderr.txt || { cat stderr.txt; fail "$how: the dialog never opened"; }
    wait_for 20 player_window || fail "$how: no window"
    if [ "$how" = wm-close ]; then
        xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
        xdotool key alt+F4
    else
        xdotool windowkill "$window"
    fi
    wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "$how: the dialog held the player open"
    wait "$pid"
    check_end "$how" $?
    pid=
    if [ "$how" = display-lost ]; then
        iconv -f CP932 -t UTF-8 Report_Game.txt | grep -q 'connection to the display was lost' ||
            fail "$how: the loss was not reported"
    fi
done
echo PASS
