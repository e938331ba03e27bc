#!/bin/bash
# The first start banner, headless on a fixture project (the series fixture's banner stage, played
# from the command line): before play the stage shows the word at (256, 224) and the stage counter, 1
# for a stage started on its own, in one digit cell at (384, 224), for 80 frames; then play begins and
# the banner is gone.
# Usage: start_banner.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/banner.stg4_000
write_fixture series "$stage"
printf '200 0 0\n' >input.txt
mkdir snap
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=200 MIRELDA4_SNAPSHOT=snap:40,150 \
    timeout 60 "$player" "$stage" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s snap/frame-40.bmp ] && [ -s snap/frame-150.bmp ] || fail "no snapshots"
steps=$(wc -l <trace.txt)
# A 10-frame fade and the 80 banner frames come before the first play step.
[ "$steps" -le 115 ] || fail "play began before the banner's time was over ($steps steps in 200 frames)"
[ "$steps" -ge 90 ] || fail "the banner held play too long ($steps steps in 200 frames)"
python3 - <<'PY' || exit 1
import struct, sys

def read(path):
    d = open(path, 'rb').read()
    off, = struct.unpack('<I', d[10:14])
    w, h = struct.unpack('<ii', d[18:26])
    stride = (w * 3 + 3) // 4 * 4
    def lit(x, y):
        a = off + (h - 1 - y) * stride + x * 3
        return d[a + 2] > 200 and d[a + 1] > 200  # the banner's yellow
    return lit

def count(lit, x0, y0, w, h):
    return sum(lit(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w))

during, after = read('snap/frame-40.bmp'), read('snap/frame-150.bmp')
word, digit, beyond = (256, 224, 128, 32), (384, 224, 32, 32), (416, 224, 64, 32)
if count(during, *word) < 100:
    sys.exit('FAIL: no word in the banner')
n = count(during, *digit)
# The digit 1 is a narrow glyph: lit pixels only in its cell's middle columns.
if n < 30:
    sys.exit('FAIL: no stage counter beside the word (%d lit pixels)' % n)
if count(during, 384, 224, 8, 32) or count(during, 408, 224, 8, 32):
    sys.exit('FAIL: the counter is not the single digit 1')
if count(during, *beyond):
    sys.exit('FAIL: the counter has more than one digit')
if count(after, *word) or count(after, *digit):
    sys.exit('FAIL: the banner is still shown in play')
print('banner: word and counter 1 (%d pixels)' % n)
PY
echo PASS
