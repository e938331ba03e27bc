#!/bin/bash
# A character variable counted and acted on, and pictures shown until the end of a stage that do not
# outlive it, headless with scripted input on the demo's gallery (three seconds; while button 4 is
# held the hero puts up the sign picture until the end, one a step, adding 1 to its variable v1 in a
# code text; a condition on v1 stops the pictures at 100 and another then clears the stage). First
# try: 50 pictures go up and stay until the time limit defeats the hero; the stage starts again (a
# restart) with no picture up. Second try: 100 pictures go up, all from one loaded surface, no more,
# and the clear follows the 100th; confirming the result starts the next stage (the same file,
# played from its file) with no picture up.
# Usage: gallery_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/gallery.stg4_000
[ -f "$stage" ] || fail "no gallery stage (project writer missing in $build)"
# Frames count from the program's first; play starts about frame 90, the first try ends about frame
# 270 and the second starts about frame 350. Button 4 is the word 8, confirm the word 1.
cat >input.txt <<'EOF'
100 0 0
50 0 8    # 100: 50 pictures in the first try
220 0 0
150 0 8   # 370: 100 pictures in the second try, then the clear
150 0 0
1 0 1     # 670: the result confirmed
EOF
play_scripted 900 "$stage"
grep -q 'err V\[' Report_Game.txt 2>/dev/null && fail "a variable index was refused: $(grep -m 1 'err V\[' Report_Game.txt)"

# Three set-ups: the stage, its restart and the next stage.
starts=($(grep -n '^1 hero=' trace.txt | cut -d: -f1))
[ ${#starts[@]} -ge 3 ] || fail "expected a start, a restart and a next stage (starts at lines: ${starts[*]})"
end1=$(sed -n "$((starts[1] - 1))p" trace.txt)
end2=$(sed -n "$((starts[2] - 1))p" trace.txt)
grep -q ' pics=50,1 end=2 ' <<<"$end1" || fail "the first try did not end defeated with 50 pictures up: $end1"
grep -q ' pics=100,1 end=1 ' <<<"$end2" || fail "the second try did not end cleared with 100 pictures up: $end2"
for at in "${starts[1]}" "${starts[2]}"; do
    line=$(sed -n "${at}p" trace.txt)
    grep -q ' pics=0,0 ' <<<"$line" || fail "pictures of the play before are still up at line $at: $line"
done
# v1 stopped the pictures at 100 and cleared the stage right after the 100th.
awk '{ sub(/.* pics=/, ""); sub(/,.*/, ""); if ($0 + 0 > 100) { print; exit 1 } }' trace.txt ||
    fail "more than 100 pictures went up"
first100=$(grep -m 1 -n ' pics=100,' trace.txt | cut -d: -f1)
[ $((starts[2] - 1 - first100)) -le 1 ] || fail "the 100th picture at line $first100, the clear at line $((starts[2] - 1))"
# However many pictures are up, they hold one loaded surface.
other=$(grep -v -E ' pics=(0,0|[0-9]+,1) ' trace.txt | head -n 1)
[ -z "$other" ] || fail "the pictures hold more than one surface: $other"
echo "first try: $end1"
echo "second try: $end2"
echo PASS
