#!/bin/bash
# Sound output as the user's machine gives it: with no audio driver named, the player opens what the
# machine has or falls back to silent output, keeps the sound library's own complaints off standard
# error, and plays the meadow exactly as with the silent driver named. A driver named that does not
# exist is not replaced by another: the report log says the sound output cannot be opened and
# start-up stops before any play.
# Usage: sound_driver_choice.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"
printf '130 0 0\n100 2 0\n' >input.txt

play() { # <trace file>: the meadow with right held, 230 frames
    MIRELDA4_INPUT=input.txt MIRELDA4_TRACE="$1" MIRELDA4_FRAME_LIMIT=230 \
        timeout 60 "$player" 'data\stg4\demo.stg4_000' 2>stderr.txt
}
positions() { sed -E 's/ hash=.*//' "$1"; }

SDL_AUDIODRIVER=dummy play silent.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc with the silent driver"; }
[ -s silent.txt ] || fail "no play with the silent driver"

(unset SDL_AUDIODRIVER; play machine.txt)
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc with no driver named"; }
grep -q 'ALSA lib' stderr.txt && { cat stderr.txt; fail "the sound library's complaints reached standard error"; }
cmp -s <(positions silent.txt) <(positions machine.txt) ||
    { diff <(positions silent.txt) <(positions machine.txt) | head -n 4; fail "play differs with no driver named"; }

rm -f trace.txt
SDL_AUDIODRIVER=no-such-driver play trace.txt
iconv -f CP932 -t UTF-8 Report_Game.txt | grep -q "audio: cannot open the sound output (.*no-such-driver" ||
    { tail -n 3 Report_Game.txt; fail "the report log does not say the sound output failed"; }
[ ! -s trace.txt ] || fail "play began although the sound output failed"
echo "$(wc -l <machine.txt) steps alike with and without a driver named"
echo PASS
