#!/bin/bash
# A sound effect is heard: on a title without music (its files taken away), the audio device (SDL's
# disk driver, which writes what it is given to a file) receives only silence while nothing is
# pressed, and the cursor's sound once the menu's cursor is moved down.
# Usage: title_cursor_sound.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
rm -f bgm/Title.ogg bgm/Title.mid
export SDL_AUDIODRIVER=disk

# rms <file>: the root mean square of 16-bit samples.
rms() {
    python3 - "$1" <<'PY'
import math, struct, sys
d = open(sys.argv[1], "rb").read()
n = len(d) // 2
s = struct.unpack("<%dh" % n, d[: n * 2]) if n else ()
print(int(math.sqrt(sum(x * x for x in s) / n)) if n else 0)
PY
}

for keys in none down; do
    if [ "$keys" = down ]; then
        printf '60 0 0\n10 8 0\n# the cursor moved down: its sound plays\n190 0 0\n' >input.txt
    else
        printf '260 0 0\n' >input.txt
    fi
    rm -f audio.raw
    SDL_DISKAUDIOFILE=audio.raw MIRELDA4_INPUT=input.txt MIRELDA4_FRAME_LIMIT=260 \
        timeout 60 "$player" 2>stderr.txt
    rc=$?
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc ($keys)"; }
    [ -s audio.raw ] || fail "no sound written ($keys)"
    level=$(rms audio.raw)
    echo "keys $keys: $(stat -c %s audio.raw) bytes, RMS $level"
    if [ "$keys" = down ]; then
        [ "$level" -ge 300 ] || fail "the cursor's sound is not heard"
    else
        [ "$level" -eq 0 ] || fail "sound without music or a key"
    fi
done
echo PASS
