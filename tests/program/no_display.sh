#!/bin/bash
# Without a video driver named and without a display, the player says so in one line on standard
# error and ends with a non-zero exit code, before it writes anything; a display that is named but
# cannot be reached is said the same way.
# Usage: no_display.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy MIRELDA4_FRAME_LIMIT=30
unset SDL_VIDEODRIVER DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR

check() {
    local what=$1 rc
    shift
    rm -f Report_Game.txt
    env "$@" timeout 60 "$player" 2>err.txt
    rc=$?
    [ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] || fail "$what: exit code $rc"
    [ "$(wc -l <err.txt)" -eq 1 ] || { cat err.txt; fail "$what: not one line on standard error"; }
    grep -q '^error: .*display' err.txt || { cat err.txt; fail "$what: the line does not name the display"; }
    [ -e Report_Game.txt ] && fail "$what: the player went on to write its log"
    echo "$what: $(cat err.txt)"
}
check "no display"
# Asking X starts the message-bus library, which keeps an allocation for the life of the process.
check "a display nobody serves" DISPLAY=:97 ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
echo PASS
