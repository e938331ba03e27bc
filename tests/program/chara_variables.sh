#!/bin/bash
# A character variable counted and acted on, headless with scripted input on the demo's gallery: while
# button 4 is held the hero puts up one picture a step and adds 1 to its variable v1 in a code text;
# a condition on v1 stops the pictures at 100 and another, at 100, clears the stage. The player keeps
# playing throughout, the pictures stop at exactly 100, and the clear comes right after the 100th.
# Usage: chara_variables.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/gallery.stg4_000
[ -f "$stage" ] || fail "no gallery stage (project writer missing in $build)"
# Play starts after the fade-in and the start banner (about 90 frames); button 4 is the word 8.
printf '# wait for play, then hold button 4\n100 0 0\n200 0 8\n' >input.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=330 \
    timeout 60 "$player" "$stage" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "no trace written"; }
grep -q 'err V\[' Report_Game.txt 2>/dev/null && fail "a variable index was refused: $(grep -m 1 'err V\[' Report_Game.txt)"

pics() { sed -E 's/.* pics=([0-9]+),.*/\1/' <<<"$1"; }
clear=$(grep -m 1 -n ' end=[^0]' trace.txt) || fail "the stage did not end: $(tail -n 1 trace.txt)"
line=${clear#*:}
step=${clear%%:*}
grep -q ' end=1 ' <<<"$line" || fail "the stage ended otherwise than by a clear: $line"
[ "$(pics "$line")" = 100 ] || fail "cleared with $(pics "$line") pictures up instead of 100: $line"
# The pictures rose one a step to 100 and no further; the clear follows the 100th within a step.
first100=$(grep -m 1 -n ' pics=100,' trace.txt | cut -d: -f1)
[ $((step - first100)) -le 1 ] || fail "the 100th picture at line $first100, the clear only at line $step"
awk '{ sub(/.* pics=/, ""); sub(/,.*/, ""); if ($0 + 0 > 100) { print; exit 1 } }' trace.txt ||
    fail "more than 100 pictures went up"
echo "step $line"
echo PASS
