#!/bin/bash
# The game thread runs paced frames at 60 a second: the player, left running headless with the
# title scene, reports at shut-down how many frames it ran and in how many milliseconds.
# Usage: runtime_frames.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
# The run folder's System.ini asks for Direct3D without vertical sync: the frames pace themselves
# at the stage rate.

"$player" 2>stderr.txt &
pid=$!
sleep 7.5
kill -TERM "$pid"
wait "$pid"
rc=$?
if [ "$rc" -ne 0 ]; then
    echo "FAIL: exit code $rc"; cat stderr.txt; exit 1
fi
line=$(tr -d '\r' <Report_Game.txt | grep -a '^GameLoop : ' | tail -n 1)
if [ -z "$line" ]; then
    echo "FAIL: no frame count in Report_Game.txt"; cat Report_Game.txt; exit 1
fi
frames=$(echo "$line" | sed -E 's/^GameLoop : ([0-9]+) frames in ([0-9]+) ms.*/\1/')
ms=$(echo "$line" | sed -E 's/^GameLoop : ([0-9]+) frames in ([0-9]+) ms.*/\2/')
if [ "$ms" -lt 5000 ]; then
    echo "FAIL: only $ms ms of frames ($line)"; exit 1
fi
# Frames in 5 seconds at the measured rate, rounded.
per5s=$(( (frames * 5000 + ms / 2) / ms ))
echo "$line -> $per5s frames per 5 s"
if [ "$per5s" -lt 297 ] || [ "$per5s" -gt 303 ]; then
    echo "FAIL: $per5s frames per 5 s, expected 300 +/- 3"; exit 1
fi
echo PASS
