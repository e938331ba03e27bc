#!/bin/bash
# A play of a fixture stage whose hero summons a walking slime from the stage's own palette every
# second is recorded from scripted input that walks right, holds left and right together (which
# leaves the hero standing), walks left and jumps with both held; it is saved with F1 and the file
# given to the player: the playback's trace equals the recorded one frame by frame, summons included.
# Usage: replay_stage_palette.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
"$build/m4_fixturewriter" "$dir" >/dev/null || fail "the fixture writer failed"
stage=data/stg4/fx_replay.stg4_000
[ -f "$stage" ] || fail "no fixture stage"
# Frames count from the program's first: 90 of fade-in and banner, then play; F1 on frame 351.
printf '%s\n' '120 2 0' '60 3 0' '40 1 0' '30 3 1' '40 3 0' '60 2 0' '1 0 0 f1' '60 0 0' >input.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=recorded.txt MIRELDA4_FRAME_LIMIT=380 \
    MIRELDA4_ANSWERS="user_data/rpl4/rec.rpl4_732" timeout $HANG_LIMIT "$player" "$stage" 2>err1.txt ||
    { cat err1.txt; fail "the recording run failed"; }
[ -s user_data/rpl4/rec.rpl4_732 ] || fail "no replay file was saved"
MIRELDA4_TRACE=played.txt MIRELDA4_FRAME_LIMIT=450 timeout $HANG_LIMIT "$player" 'user_data\rpl4\rec.rpl4_732' \
    2>err2.txt || { cat err2.txt; fail "the playback run failed"; }

# The recording holds the play frames before F1's frame.
head -n 260 recorded.txt >a.txt
head -n 260 played.txt >b.txt
[ "$(wc -l <a.txt)" -eq 260 ] || fail "the recording run traced too little"
# The play summoned (more characters than at its start) and, with left and right held together, the
# hero stood still.
charas() { sed -n "$1p" a.txt | sed -E 's/.* objs=([0-9]+),.*/\1/'; }
herox() { sed -n "$1p" a.txt | sed -E 's/.* hero=([0-9.]+),.*/\1/'; }
[ "$(charas 250)" -ge "$(($(charas 1) + 3))" ] || fail "no summons: $(sed -n 1p a.txt) / $(sed -n 250p a.txt)"
[ "$(herox 45)" = "$(herox 85)" ] || fail "the hero moved with left and right held: $(herox 45) $(herox 85)"
[ "$(herox 1)" != "$(herox 30)" ] || fail "the hero did not walk right"
cmp -s a.txt b.txt || { diff a.txt b.txt | head; fail "playback differs"; }
echo "260 frames with $(charas 250) characters played back identically"
