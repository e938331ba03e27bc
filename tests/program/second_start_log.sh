#!/bin/bash
# A second start in the folder of a running player, answered No, leaves the running player's
# "Report_Game.txt" as it was, and the running player goes on writing to it until it ends.
# Usage: second_start_log.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy

"$player" 2>err1.txt &
first=$!
trap 'kill -9 $first 2>/dev/null; rm -rf "$dir"' EXIT
wait_for 60 player_ready "$dir" || fail "the first player did not start"
# Start-up has written its lines once the display report is there and the log stays as it is.
steady() {
    grep -aq '^AGP : ' Report_Game.txt || return 1
    cp Report_Game.txt report_before.txt
    sleep 0.3
    cmp -s Report_Game.txt report_before.txt
}
wait_for 60 steady || fail "the first player's log never came to rest"

MIRELDA4_ANSWERS=no timeout 60 "$player" 2>err2.txt
code=$?
[ $code -eq 0 ] || fail "second start answered No: exit code $code"
grep -q "二重起動" err2.txt || fail "the second start did not ask"
cmp -s Report_Game.txt report_before.txt || fail "the refused second start changed the running player's log"

kill -TERM $first
wait $first
code=$?
[ $code -eq 0 ] || fail "the first player after SIGTERM: exit code $code"
[ "$(head -c 13 Report_Game.txt)" = "App : ver 732" ] || fail "the first player's log lost its start"
tr -d '\r' <Report_Game.txt | grep -aq '^GameLoop : ' || fail "the first player's log lost its end"
echo PASS
