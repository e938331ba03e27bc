#!/bin/bash
# A close (SIGTERM takes the road of the close box) stops every thread in order, none left running
# past its polls, and ends the program with exit code 0, also when it arrives at the first moment the
# player holds its close signals (read from /proc), before its window or its threads exist.
# The time the close took is printed, not asserted: the machine may be busy.
# Usage: runtime_close.sh <player> <build-dir>
# ctest: serial (the close is timed on the wall clock)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy

# The close signals are held once SigBlk has SIGTERM's bit (signal 15: 0x4000).
holds_close_signals() {
    local mask
    mask=$(awk '/^SigBlk:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && (( (16#$mask & 0x4000) != 0 ))
}

for wait_before in 1.5s held; do
    rm -f Report_Game.txt
    "$player" 2>stderr.txt &
    pid=$!
    if [ "$wait_before" = held ]; then
        wait_for 60 holds_close_signals "$pid" || { kill -9 "$pid"; fail "the player never held its close signals"; }
    else
        sleep "$wait_before"
    fi
    start=$(date +%s%N)
    kill -TERM "$pid"
    wait "$pid"
    rc=$?
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    echo "closed after ${wait_before} of running: exit $rc in $took ms"
    if [ "$rc" -ne 0 ]; then echo "FAIL: exit code $rc"; cat stderr.txt; exit 1; fi
    if tr -d '\r' <Report_Game.txt | grep -aq 'did not end'; then
        echo "FAIL: a thread had to be left running"; cat Report_Game.txt; exit 1
    fi
done
echo PASS
