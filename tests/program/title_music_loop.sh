#!/bin/bash
# The MIDI title music starts again when it ends: the project's MIDI piece lasts sixteen seconds;
# the title scene is left running for twenty, and each second of what the audio device received
# (SDL's disk driver writes it to a file) is sound, the seconds after the piece's end too.
# Usage: title_music_loop.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
rm -rf data user_data
"$build/m4_projwriter" "$dir" --title-midi >/dev/null || fail "the project writer failed"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/audio.raw"

"$player" 2>stderr.txt &
pid=$!
# Twenty seconds of 16-bit stereo at 44.1 kHz.
want=$((20 * 176400))
wait_for 60 eval '[ "$(stat -c %s audio.raw 2>/dev/null || echo 0)" -ge $want ] || ! kill -0 $pid 2>/dev/null'
kill -TERM "$pid" 2>/dev/null
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ "$(stat -c %s audio.raw)" -ge "$want" ] || fail "the audio device received less than twenty seconds"
# The loudness of each second; a second of silence at the piece's end means it did not start again.
python3 - audio.raw <<'EOF' || fail "a second of the title music is silent"
import math, struct, sys
d = open(sys.argv[1], "rb").read()
second = 176400
rms = []
for i in range(20):
    c = d[i * second:(i + 1) * second]
    s = struct.unpack("<%dh" % (len(c) // 2), c)
    rms.append(int(math.sqrt(sum(x * x for x in s) / len(s))))
print("loudness by second:", *rms)
sys.exit(0 if min(rms) >= 300 else 1)
EOF
echo PASS
