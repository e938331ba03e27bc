#!/bin/bash
# A play of a fixture stage whose hero, every half second, summons entry 2 of the stage's own
# character palette and takes item 2 of its item palette, and whose shots hand item 3 of that palette
# to the hero at every hit, is recorded from scripted input (walking both ways, shooting) and saved
# with F1. The replay is then played in new starts of the player, where no stage ran before: as the
# start file, and through the title's replay item. Both playbacks equal the recording step by step,
# the first pass as well as the second. The score counts each kind of entry in a digit of its own:
# ones the summons of character 2, hundreds the takes of item 2, ten-thousands the shot items.
# Usage: replay_palette_entries.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
"$build/m4_fixturewriter" "$dir" >/dev/null || fail "the fixture writer failed"
stage=data/stg4/fx_replay_palette.stg4_000
[ -f "$stage" ] || fail "no fixture stage"
replay=user_data/rpl4/rec.rpl4_732

# Frames count from the program's first: 90 of fade-in and banner, then play. Directions: 1 left,
# 2 right; button 2 shoots. F1 on frame 351: the recording holds 260 play steps.
printf '%s\n' '120 2 0' '1 0 2' '20 0 0' '1 0 2' '20 0 0' '1 0 2' '40 1 0' '1 1 2' '20 0 0' '1 2 2' \
    '125 2 0' '1 0 0 f1' '60 0 0' >input.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=recorded.txt MIRELDA4_FRAME_LIMIT=380 \
    MIRELDA4_ANSWERS="$replay" timeout $HANG_LIMIT "$player" "$stage" 2>err1.txt ||
    { cat err1.txt; fail "the recording run failed"; }
[ -s "$replay" ] || { cat err1.txt; fail "no replay file was saved"; }
head -n 260 recorded.txt >a.txt
[ "$(wc -l <a.txt)" -eq 260 ] || fail "the recording run traced too little: $(wc -l <recorded.txt) steps"

# The recorded play summoned character 2, took item 2 and was handed item 3, each at least thrice.
score=$(tail -n 1 a.txt | sed -E 's/.* score=([0-9]+) .*/\1/')
summons=$((score % 100)) takes=$((score / 100 % 100)) shot_items=$((score / 10000))
[ "$summons" -ge 3 ] && [ "$takes" -ge 3 ] && [ "$shot_items" -ge 3 ] ||
    fail "the recording did not use the stage's entries: score $score"

# compare NAME TRACE: both passes of the playback in TRACE equal the recording.
compare() {
    head -n 260 "$2" >"$1.first.txt"
    sed -n 261,520p "$2" >"$1.second.txt"
    [ "$(sed -n 1p "$1.second.txt" | cut -d' ' -f1)" = 1 ] ||
        fail "$1: the second pass does not start at the first step ($(wc -l <"$2") steps)"
    cmp -s a.txt "$1.first.txt" || { diff a.txt "$1.first.txt" | head -n 4; fail "$1: the first pass differs"; }
    cmp -s a.txt "$1.second.txt" || { diff a.txt "$1.second.txt" | head -n 4; fail "$1: the second pass differs"; }
}

# A new start with the replay as its start file.
MIRELDA4_TRACE=start_file.txt MIRELDA4_FRAME_LIMIT=760 timeout $HANG_LIMIT "$player" 'user_data\rpl4\rec.rpl4_732' \
    2>err2.txt || { cat err2.txt; fail "the start file's playback failed"; }
compare "start file" start_file.txt

# A new start whose title's fifth item, "replay", asks for the file (the chooser answers it).
{
    echo '14 0 0'
    for _ in 1 2 3 4; do printf '1 8 0\n3 0 0\n'; done
    echo '1 0 1'
} >title_input.txt
MIRELDA4_INPUT=title_input.txt MIRELDA4_TRACE=title.txt MIRELDA4_FRAME_LIMIT=820 MIRELDA4_ANSWERS="$replay" \
    timeout $HANG_LIMIT "$player" 2>err3.txt || { cat err3.txt; fail "the title's playback failed"; }
[ -s title.txt ] || { cat err3.txt; fail "the title's replay item played nothing"; }
compare "title's replay item" title.txt
echo "260 steps with score $score played back identically in both passes, from the start file and the title"
