#!/bin/bash
# The challenge through the menus, headless with scripted input on the demo project: the title's
# third item opens the challenge menu (no Challenge.dat yet: a fresh progress), its first row starts
# the first challenge stage, which, played with right held, clears (stage end 1); confirm on the
# result screen writes user_data\challenge\Challenge.dat with the second stage opened, the first
# stage's score as the total, and returns to the challenge menu, whose second row then starts the
# second challenge stage (the trace starts again at step 1).
# Usage: menu_challenge.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/WorldMap.dat ] || fail "no demo project (project writer missing in $build)"

# Frames count from the program's first; a fade takes 10 frames. Directions: 1 left, 2 right, 4 up,
# 8 down; buttons: 1 confirm, 2 cancel.
cat >input.txt <<'EOF'
14 0 0
1 8 0     # 15: title, down
3 0 0
1 8 0     # 19: down, onto "challenge"
3 0 0
1 0 1     # 23: the challenge menu
26 0 0
1 0 1     # 50: its first row: stage c01-1
2 0 0
448 2 0   # 53-500: right held; play starts near frame 151 and clears about 325 steps later
35 0 0
1 0 1     # 536: the result screen is left
7 0 0
1 0 1     # 544: (a second press, in case the first came before the result was shown)
25 0 0
1 8 0     # 570: back in the challenge menu: down
3 0 0
1 0 1     # 574: its second row: stage c02-1
126 0 0
EOF

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=700 timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "no challenge stage was played (no trace)"; }
clear=$(grep -m 1 -n ' end=[^0]' trace.txt) || fail "the first challenge stage did not end: $(tail -n 1 trace.txt)"
step=${clear%%:*}
clear=${clear#*:}
grep -q ' end=1 ' <<<"$clear" || fail "the first challenge stage ended otherwise than by a clear: $clear"
score=$(sed -E 's/.* score=([0-9]+) .*/\1/' <<<"$clear")
[ "$score" -ge 1 ] || fail "the first challenge stage cleared without a score: $clear"

# The progress: a save record of version 732 with its 32 fields; the 29 numbers come first, in
# their order (field 12 the total of the stage values, field 24 the challenge stages opened).
file=user_data/challenge/Challenge.dat
[ -s "$file" ] || { ls -R user_data; fail "the clear wrote no Challenge.dat"; }
word() { od -An -t d4 -j "$1" -N 4 "$file" | tr -d ' '; }
[ "$(word 0)" = 732 ] && [ "$(word 4)" = 32 ] || fail "Challenge.dat is not a version 732 record of 32 fields"
[ "$(word $((8 + 4 * 23)))" = 2 ] || fail "Challenge.dat does not open the second stage: $(word $((8 + 4 * 23)))"
[ "$(word $((8 + 4 * 11)))" = "$score" ] || fail "Challenge.dat's total is not the stage's score $score"

# Back in the menu, the second row started the second challenge stage.
rest=$(tail -n +$((step + 1)) trace.txt)
[ -n "$rest" ] || fail "no stage was started from the challenge menu after the clear"
head -n 1 <<<"$rest" | grep -q '^1 hero=.* end=0 ' || fail "the second stage did not start: $(head -n 1 <<<"$rest")"
grep -q ' time=90 ' <<<"$(head -n 1 <<<"$rest")" || fail "not the second stage (90 s limit): $(head -n 1 <<<"$rest")"
echo "cleared: $clear"
echo PASS
