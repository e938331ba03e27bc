#!/bin/bash
# The title scene asks the main window for its music: the request crosses to the window thread, the
# music manager plays the project's title music, and the audio device (SDL's disk driver, which writes
# what it is given to a file) receives sound that is not silence.
# Usage: title_music.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/audio.raw"

# The title music as OGG (through the OGG player), then as MIDI (through the MIDI stream player and
# the soundfont).
for kind in ogg midi; do
rm -rf "$dir/p" && mkdir -p "$dir/p" && cd "$dir/p" || exit 1
if [ "$kind" = midi ]; then
    "$build/m4_projwriter" "$dir/p" --title-midi >/dev/null || { echo "FAIL: the project writer failed"; exit 1; }
else
    "$build/m4_projwriter" "$dir/p" >/dev/null || { echo "FAIL: the project writer failed"; exit 1; }
fi
export SDL_DISKAUDIOFILE="$dir/p/audio.raw"
"$player" 2>stderr.txt &
pid=$!
started=$SECONDS
# Two seconds of 16-bit stereo at 44.1 kHz, within a minute.
for _ in $(seq 1 1200); do
    size=$(stat -c %s audio.raw 2>/dev/null || echo 0)
    [ "$size" -ge 352800 ] && break
    kill -0 "$pid" 2>/dev/null || break
    [ $SECONDS -ge $((started + 60)) ] && break
    sleep 0.05
done
kill -TERM "$pid" 2>/dev/null
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; cat stderr.txt; exit 1; }
rms=$(python3 -c '
import struct, sys, math
d = open("audio.raw", "rb").read()
n = len(d) // 2
s = struct.unpack("<%dh" % n, d[: n * 2]) if n else ()
print(int(math.sqrt(sum(x * x for x in s) / n)) if n else 0)')
echo "title music ($kind): ${size:-0} bytes, RMS $rms"
[ "$rms" -ge 300 ] || { echo "FAIL: the $kind title music is silent"; exit 1; }
done
echo PASS
