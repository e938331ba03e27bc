#!/bin/bash
# A second start that nobody can see beside a player in a window leaves the windowed player playing
# on, still the published instance, until it is closed itself: on SDL's dummy video driver, with no
# scripted answer, it answers the "already running, restart?" question No and ends with exit code 0;
# with no display named at all it says so and ends before it asks. Runs on its own Xvfb.
# Usage: headless_second_start.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb xdotool
enter_x_run_folder
unset MIRELDA4_ANSWERS

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>display.txt 2>/dev/null &
xvfb=$!
pid=
trap 'kill $xvfb $pid 2>/dev/null; rm -rf "$dir"' EXIT
wait_for 20 test -s display.txt || fail "Xvfb did not start"
export DISPLAY=:$(cat display.txt)
pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid

"$player" 2>first.txt &
pid=$!
wait_for 60 player_window || { cat first.txt; fail "the windowed player showed no window"; }
wait_for 20 test -s "$pidfile" || fail "the windowed player was not published"

mkdir second
for how in dummy-driver no-display; do
    case $how in
    dummy-driver) run=(env SDL_VIDEODRIVER=dummy) ;;
    no-display) run=(env -u DISPLAY -u WAYLAND_DISPLAY) ;;
    esac
    (cd second && timeout 60 "${run[@]}" "$player") 2>second.txt
    rc=$?
    if [ "$how" = dummy-driver ]; then
        [ "$rc" -eq 0 ] || { cat second.txt; fail "$how: the second start ended with exit code $rc"; }
        grep -q '二重起動.* -> no$' second.txt || { cat second.txt; fail "$how: the question was not answered No"; }
    else
        grep -q '^error: no display' second.txt || { cat second.txt; fail "$how: no word of the missing display"; }
    fi
    kill -0 "$pid" 2>/dev/null || fail "$how: the windowed player was ended"
    wait_for 20 player_window || fail "$how: the windowed player's window went away"
    [ "$(cat "$pidfile")" = "$pid" ] || fail "$how: the windowed player is no longer the published instance"
    [ -e second/user_data ] && fail "$how: the second start went on starting"
done

kill -TERM "$pid"
wait "$pid"
rc=$?
pid=
[ "$rc" -eq 0 ] || fail "the windowed player after SIGTERM: exit code $rc"
echo PASS
