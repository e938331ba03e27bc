#!/bin/bash
# A play of the demo stage is recorded from scripted input, saved with F1 through the scripted save
# dialog, and the saved file given to the player as its start file: the playback's trace equals the
# recorded one frame by frame until the recording ends, after which the replay starts again, and
# again, the same each time.
# Usage: replay_roundtrip.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export XDG_RUNTIME_DIR="$dir/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

"$build/m4_projwriter" "$dir/demo" >/dev/null || { echo "FAIL: the project writer failed"; exit 1; }
cd "$dir/demo" || exit 1
# Frames count from the program's first: 90 of fade-in and banner, then play; F1 on frame 271.
printf '%s\n' '120 0 0' '60 2 0' '20 2 1' '40 0 0' '30 1 0' '1 0 0 f1' '200 0 0' >"$dir/input.txt"
MIRELDA4_INPUT="$dir/input.txt" MIRELDA4_TRACE="$dir/recorded.txt" MIRELDA4_FRAME_LIMIT=300 \
    MIRELDA4_ANSWERS="user_data/rpl4/rec.rpl4_732" "$player" 'data\stg4\demo.stg4_000' 2>"$dir/err1.txt" ||
    { echo "FAIL: the recording run failed"; cat "$dir/err1.txt"; exit 1; }
[ -s user_data/rpl4/rec.rpl4_732 ] || { echo "FAIL: no replay file was saved"; exit 1; }

MIRELDA4_TRACE="$dir/played.txt" MIRELDA4_FRAME_LIMIT=830 "$player" 'user_data\rpl4\rec.rpl4_732' \
    2>"$dir/err2.txt" || { echo "FAIL: the playback run failed"; cat "$dir/err2.txt"; exit 1; }

# The recording holds the play frames before F1's frame: 180.
head -n 180 "$dir/recorded.txt" >"$dir/a.txt"
head -n 180 "$dir/played.txt" >"$dir/b.txt"
[ "$(wc -l <"$dir/a.txt")" -eq 180 ] || { echo "FAIL: the recording run traced too little"; exit 1; }
cmp -s "$dir/a.txt" "$dir/b.txt" || { echo "FAIL: playback differs"; diff "$dir/a.txt" "$dir/b.txt" | head; exit 1; }
# Then the replay starts again from its first frame.
[ "$(sed -n 181p "$dir/played.txt" | cut -d' ' -f1)" = 1 ] || { echo "FAIL: the replay did not start again"; exit 1; }
# And again, playing the same steps each time, until the player is closed.
[ "$(sed -n 361p "$dir/played.txt" | cut -d' ' -f1)" = 1 ] ||
    { echo "FAIL: the replay did not start a third time"; tail -n 3 "$dir/played.txt"; exit 1; }
sed -n 361,540p "$dir/played.txt" >"$dir/c.txt"
cmp -s "$dir/b.txt" "$dir/c.txt" || { echo "FAIL: the third playback differs"; diff "$dir/b.txt" "$dir/c.txt" | head; exit 1; }
echo "180 frames played back identically"
