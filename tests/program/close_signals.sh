#!/bin/bash
# Every road of the close ends the player as the close box does, headless with scripted input on the
# demo project, while the options screen shows a change: the title's sixth item opens the options,
# the sound-effect volume is lowered one step (7 -> 6) and kept, and the player is closed there by
# its frame limit (the close box's road), by SIGTERM and by SIGHUP (a closed terminal, a logout).
# Started under nohup, SIGHUP stays ignored: the player plays on, and SIGTERM then closes it.
# Each close ends with exit code 0, the window placement written (user_data/Window.dat), the
# published pid file removed and user_data/Option.dat holding the lowered volume.
# Usage: close_signals.sh <player> <build-dir> [limit|TERM|HUP|nohup]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/System.dat ] || fail "no demo project (project writer missing in $build)"
pid=
trap 'kill -9 $pid 2>/dev/null; rm -rf "$dir"' EXIT
pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid

options_volume_input >input.txt

close_on_options() {
    local how=$1
    rm -rf user_data/Option.dat user_data/Window.dat snaps
    mkdir snaps
    if [ "$how" = limit ]; then
        MIRELDA4_INPUT=input.txt MIRELDA4_FRAME_LIMIT=110 timeout 60 "$player" 2>"stderr-$how.txt"
    else
        # Frame 100 presented: the change has been made; the signal then closes the player.
        local under=() signal=$how
        [ "$how" = nohup ] && under=(nohup) signal=TERM
        MIRELDA4_INPUT=input.txt MIRELDA4_SNAPSHOT=snaps:100,200 "${under[@]}" "$player" 2>"stderr-$how.txt" &
        pid=$!
        wait_for 60 test -s snaps/frame-100.bmp || { kill -9 "$pid"; fail "$how: frame 100 was never shown"; }
        if [ "$how" = nohup ]; then
            # The hang-up is ignored: frame 200 is still shown.
            kill -HUP "$pid"
            wait_for 60 eval 'test -s snaps/frame-200.bmp || ! kill -0 $pid 2>/dev/null'
            [ -s snaps/frame-200.bmp ] || { cat "stderr-$how.txt"; fail "$how: SIGHUP ended the player"; }
        fi
        kill -"$signal" "$pid"
        wait_for 60 eval '! kill -0 $pid 2>/dev/null' || { kill -9 "$pid"; fail "$how: the player did not end"; }
        wait "$pid"
    fi
    local rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat "stderr-$how.txt"; fail "$how: exit code $rc"; }
    [ -s user_data/Window.dat ] || fail "$how: no window placement written"
    [ -e "$pidfile" ] && fail "$how: the pid file was left behind"
    if tr -d '\r' <Report_Game.txt | grep -aq 'did not end'; then
        cat Report_Game.txt
        fail "$how: a thread had to be left running"
    fi
    [ -s user_data/Option.dat ] || { ls user_data; fail "$how: the changed options were not written"; }
    # Version 732, four numbers (colour table, music, volume, registration), the name's string.
    local words
    words=$(od -An -t d4 -N 32 user_data/Option.dat | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
    [ "$words" = "732 4 0 1 6 0 1 4" ] || fail "$how: Option.dat holds: $words"
    echo "$how: closed cleanly, the lowered volume kept"
}

for how in limit TERM HUP nohup; do
    [ -z "$only" ] || [ "$only" = "$how" ] || continue
    close_on_options "$how"
done
echo PASS
