#!/bin/bash
# The player started headless on a stage file with scripted input plays it to its end: the demo
# stage, given a 2-second time limit, is set up, stepped every frame with the script's input, and
# its trace ends with the hero defeated by the time limit.
# Usage: play_headless.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"
# Fields 14 and 15 of the stage chunk (after the version word and the field count): time limit on,
# 2 seconds.
stage=data/stg4/demo.stg4_000
printf '\x01\x00\x00\x00\x02\x00\x00\x00' | dd of="$stage" bs=1 seek=60 conv=notrunc status=none
# The fade-in and the start banner come first (about 90 frames): the walk starts after them.
printf '# wait for play, walk right, then nothing\n100 0 0\n30 2 0\n20 0 1\n' >input.txt
play_scripted 320 "$stage"
head -n 1 trace.txt | grep -q '^1 hero=' || fail "the trace does not start at step 1: $(head -n 1 trace.txt)"
# Two seconds of play: 119 steps playing, the 120th ends the stage with the hero defeated.
line119=$(sed -n 119p trace.txt)
line120=$(sed -n 120p trace.txt)
grep -q ' time=1 .* end=0 ' <<<"$line119" || fail "step 119: $line119"
grep -q ' time=0 .* end=2 ' <<<"$line120" || fail "step 120: $line120"
echo "$line120"
echo PASS
