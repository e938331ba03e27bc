#!/bin/bash
# Each close signal takes the road of the close box, headless on the demo project: SIGHUP (a closed
# terminal, a logout) and SIGTERM, sent once the player is up, end it with exit code 0 after it has
# written its window placement (user_data/Window.dat) and removed its published pid file.
# Usage: close_signals.sh <player> <build-dir> [SIGNAL]   (SIGNAL: one case alone, e.g. HUP)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
pid=
trap 'kill -9 $pid 2>/dev/null; rm -rf "$dir"' EXIT
pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid

running() { kill -0 "$pid" 2>/dev/null; }

close_with() {
    local sig=$1
    rm -f user_data/Window.dat
    "$player" 2>"stderr-$sig.txt" &
    pid=$!
    wait_for 60 player_ready "$dir" || { kill -9 "$pid"; cat "stderr-$sig.txt"; fail "$sig: the player never came up"; }
    kill -"$sig" "$pid"
    wait_for 60 eval '! running' || { kill -9 "$pid"; fail "$sig: the player did not end"; }
    wait "$pid"
    local rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat "stderr-$sig.txt"; fail "$sig: exit code $rc"; }
    [ -s user_data/Window.dat ] || fail "$sig: no window placement written"
    [ -e "$pidfile" ] && fail "$sig: the pid file was left behind"
    if tr -d '\r' <Report_Game.txt | grep -aq 'did not end'; then
        cat Report_Game.txt
        fail "$sig: a thread had to be left running"
    fi
    echo "$sig: closed cleanly"
}

for sig in HUP TERM; do
    [ -z "$only" ] || [ "$only" = "$sig" ] || continue
    close_with "$sig"
done
echo PASS
