#!/bin/bash
# Sound in a running player: start-up opens the audio device (here SDL's disk driver, which
# writes what it is given to a file), the mixer feeds it in real time while the game runs, and a
# close releases sound and music and ends the program at once with exit code 0.
# Usage: sound_device.sh <player> <build-dir>
# ctest: serial (the close is timed on the wall clock)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/audio.raw"

"$player" 2>stderr.txt &
pid=$!
# A second of 16-bit stereo at 44.1 kHz is 176,400 bytes; half a second of output must come.
written() {
    size=$(stat -c %s audio.raw 2>/dev/null || echo 0)
    [ "$size" -ge 88200 ] && return 0
    # A player that has ended writes no more: no use waiting.
    kill -0 "$pid" 2>/dev/null || return 2
    return 1
}
wait_for 60 eval 'written; [ $? -ne 1 ]'
if ! written; then
    echo "FAIL: the audio device wrote ${size:-0} bytes"
    kill -TERM "$pid" 2>/dev/null; wait "$pid"
    cat stderr.txt; tr -d '\r' <Report_Game.txt 2>/dev/null | tail -20
    exit 1
fi
start=$(date +%s%N)
kill -TERM "$pid"
wait "$pid"
rc=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
echo "device output: $size bytes before the close; exit $rc in $took ms"
if [ "$rc" -ne 0 ]; then echo "FAIL: exit code $rc"; cat stderr.txt; exit 1; fi
if [ "$took" -gt 1000 ]; then echo "FAIL: the close took $took ms"; exit 1; fi
if tr -d '\r' <Report_Game.txt | grep -aq 'cannot open the sound output'; then
    echo "FAIL: no sound output"; tr -d '\r' <Report_Game.txt; exit 1
fi
after=$(stat -c %s audio.raw)
sleep 0.2
if [ "$(stat -c %s audio.raw)" -ne "$after" ]; then echo "FAIL: the device still runs"; exit 1; fi
echo PASS
