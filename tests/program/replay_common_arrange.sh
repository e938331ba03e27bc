#!/bin/bash
# A play of a fixture stage whose hero takes, every second, a common-palette item whose commands
# arrange its own status command (the score grows by 100, then 200, then 300 ...) is recorded from
# scripted input, saved with F1 and the file given to the player: the playback's trace equals the
# recorded one frame by frame, and so does the replay's second pass, which starts the stage again
# with the common palette's item as loaded.
# Usage: replay_common_arrange.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/arranged.stg4_000
write_fixture arranged "$stage"
# Frames count from the program's first: 90 of fade-in and banner, then play; F1 on frame 351.
printf '%s\n' '120 2 0' '60 3 0' '40 1 0' '30 3 1' '40 3 0' '60 2 0' '1 0 0 f1' '60 0 0' >input.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=recorded.txt MIRELDA4_FRAME_LIMIT=380 \
    MIRELDA4_ANSWERS="user_data/rpl4/rec.rpl4_732" timeout $HANG_LIMIT "$player" "$stage" 2>err1.txt ||
    { cat err1.txt; fail "the recording run failed"; }
[ -s user_data/rpl4/rec.rpl4_732 ] || fail "no replay file was saved"
MIRELDA4_TRACE=played.txt MIRELDA4_FRAME_LIMIT=800 timeout $HANG_LIMIT "$player" 'user_data\rpl4\rec.rpl4_732' \
    2>err2.txt || { cat err2.txt; fail "the playback run failed"; }

# The recording holds the play frames before F1's frame; the replay's second pass starts on line 261.
head -n 260 recorded.txt >a.txt
head -n 260 played.txt >b.txt
sed -n 261,520p played.txt >c.txt
[ "$(wc -l <a.txt)" -eq 260 ] || fail "the recording run traced too little"
[ "$(wc -l <c.txt)" -eq 260 ] || fail "the playback did not play the replay twice: $(wc -l <played.txt) lines"
[ "$(sed -n 1p c.txt | cut -d' ' -f1)" = 1 ] || fail "the second pass does not start at the first step"
# The item was taken at least three times, each take adding 100 more than the one before.
scores=$(sed -E 's/.* score=([0-9]+) .*/\1/' a.txt | uniq | tr '\n' ' ')
case " $scores" in
*" 0 100 300 600 "*) ;;
*) fail "the score did not grow by 100, 200, 300: $scores" ;;
esac
cmp -s a.txt b.txt || { diff a.txt b.txt | head; fail "the playback differs from the recording"; }
cmp -s a.txt c.txt || { diff a.txt c.txt | head; fail "the replay's second pass differs from the recording"; }
echo "260 frames with scores $scores played back identically twice"
