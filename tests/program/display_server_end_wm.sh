#!/bin/bash
# The display server ending under a window manager (as at a logout) ends the player as a close
# does: exit code 0, the reason in the report, every thread stopped in order, the window placement
# written, the instance's files removed, no abort and no sanitizer report. On the title screen,
# during play of a stage named on the command line, while the replay's save dialog holds the play,
# and while a box holds it (the save's failure). Each case on an Xvfb of its own with openbox.
# Usage: display_server_end_wm.sh <player> <build-dir> [rounds]: rounds after the first end the
# server after a wait chosen at random once the case's state is reached.
set -u
player=$(realpath "$1")
build=$(realpath "$2")
rounds=${3:-1}
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb openbox xdotool xwd xprop python3
enter_x_run_folder
xvfb= wm= pid=
trap 'kill $pid $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid
save_dialog_input >save_dialog.input

# reached <case>: the state the case ends the server in.
reached() {
    case $1 in
    title) true ;;
    play) [ "$(trace_lines)" -ge 10 ] ;;
    dialog) chooser_shown ;;
    box) shown_box ;;
    esac
}

# end_server <case> <round>
end_server() {
    local what=$1 round=$2 stage='data\stg4\demo.stg4' input=/dev/null answers=
    [ "$what" = title ] && stage=
    [ "$what" = dialog ] || [ "$what" = box ] && input=save_dialog.input
    # The save's answer: a folder that does not exist, so that writing fails and its box shows.
    [ "$what" = box ] && answers=user_data/rpl4/none/x.rpl4_732
    local name="$what (round $round)"
    rm -f Report_Game.txt user_data/Window.dat trace.txt display.txt
    start_display_with_wm 800x600
    env MIRELDA4_INPUT=$input MIRELDA4_TRACE=trace.txt ${answers:+MIRELDA4_ANSWERS=$answers} \
        "$player" ${stage:+"$stage"} 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$name: no window was shown"; }
    wait_for 60 reached "$what" || { cat stderr.txt; fail "$name: the case's state was not reached"; }
    if [ "$what" = dialog ] || [ "$what" = box ]; then
        # The play is held: no step is played while the dialog or the box is up.
        steps=$(trace_lines)
        wait_for 2 eval '[ "$(trace_lines)" -ne "$steps" ]' && fail "$name: the play was not held"
    fi
    [ "$round" -gt 1 ] && sleep "$(awk -v r=$RANDOM 'BEGIN {printf "%.2f", r / 32768}')"
    kill $xvfb
    wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "$name: no end after the server ended"
    wait "$pid"
    rc=$?
    pid=
    wait $xvfb $wm 2>/dev/null
    xvfb= wm=
    echo "$name: exit $rc"
    report=$(iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r')
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$name: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "$name: abort or sanitizer report"; }
    grep -q 'connection to the display was lost' <<<"$report" || { echo "$report"; fail "$name: the reason was not reported"; }
    [ "$(grep -c '^App : the ' <<<"$report")" -eq 1 ] || { echo "$report"; fail "$name: not one reason"; }
    grep -q 'did not end' <<<"$report" && { echo "$report"; fail "$name: a thread was left running"; }
    [ -s user_data/Window.dat ] || fail "$name: the window placement was not written"
    [ -e "$pidfile" ] && fail "$name: the instance's files were left behind"
    return 0
}

# The dialog's case ends the player only now and then when it goes wrong: the first round plays it
# three times.
for round in $(seq "$rounds"); do
    cases="title play dialog box"
    [ "$round" -eq 1 ] && cases="title play dialog dialog dialog box"
    for what in $cases; do end_server "$what" "$round"; done
done
echo PASS
