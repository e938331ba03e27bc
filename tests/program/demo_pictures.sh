#!/bin/bash
# The demo game's pictures as the player shows them, probed in presented frames of its first stage:
# the hero faces the way it walks (its eye on that side of its face); a shot fired walking left
# points left and flies left; the sword, swung facing left, is drawn in front of the hero and was
# not there before the swing; a coin's animation shows the coin in two looks (face-on and
# edge-on), never another item's picture. Then the castle is played with the sword alone, turning
# to the boss on either side, and the boss's defeat clears the stage: the sword hits.
# Usage: demo_pictures.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"

# Play starts on frame 91: the hero stands until frame 190, walks right to 230, walks left to 270,
# fires on 271 and swings the sword on 291.
printf '190 0 0\n40 2 0\n40 1 0\n1 1 2\n19 0 0\n1 0 4\n30 0 0\n' >input.txt
mkdir snaps
coins=$(seq -s, 150 3 189)
MIRELDA4_INPUT=input.txt MIRELDA4_FRAME_LIMIT=320 \
    MIRELDA4_SNAPSHOT="snaps:$coins,228,268,274,277,289,293,299,305" \
    timeout $HANG_LIMIT "$player" 'data\stg4\demo.stg4_000' 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }

python3 - "$coins" <<'EOF' || exit 1
import struct, sys


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


# The project's palette (any 8-bit picture of it holds it); drawn black is stored as entry 255.
d = open("bmp/Item.bmp", "rb").read()
palette = [d[54 + 4 * i : 54 + 4 * i + 3] for i in range(256)]
hue = lambda h, s: palette[16 + h * 16 + s]
skin, black, rim = hue(1, 12), palette[255], hue(1, 6)
head, shaft, blade = palette[13], hue(1, 5), palette[14]


def load(n):
    d = open("snaps/frame-%d.bmp" % n, "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h = struct.unpack_from("<ii", d, 18)
    row = (w * 3 + 3) & ~3
    return lambda x, y: d[off + (h - 1 - y) * row + 3 * x : off + (h - 1 - y) * row + 3 * x + 3]


def find(px, colour, x0=0, x1=640, y0=240, y1=456):
    return [(x, y) for y in range(y0, y1) for x in range(max(x0, 0), min(x1, 640)) if px(x, y) == colour]


def hero(n):
    """The hero's face (its skin's bounding box) and the side its eye is on."""
    px = load(n)
    face = find(px, skin)
    if not face:
        fail("frame %d: no hero" % n)
    l, t = min(x for x, _ in face), min(y for _, y in face)
    r, b = max(x for x, _ in face), max(y for _, y in face)
    eye = find(px, black, l, r + 1, t, b + 1)
    if not eye:
        fail("frame %d: no eye in the hero's face" % n)
    side = "right" if sum(x for x, _ in eye) / len(eye) > (l + r) / 2 else "left"
    return (l, t, r, b), side


box, side = hero(228)
if side != "right":
    fail("walking right, the hero faces %s" % side)
box, side = hero(268)
if side != "left":
    fail("walking left, the hero faces %s" % side)
print("the hero faces right walking right and left walking left")

# The shot fired walking left: its head ahead of its shaft on the left, further left later.
band = (box[1] - 12, box[3] + 20)
xs = []
for n in (274, 277):
    px = load(n)
    heads = find(px, head, 0, box[0] - 8, *band)
    shafts = find(px, shaft, 0, box[0] - 8, *band)
    if not heads or not shafts:
        fail("frame %d: no shot left of the hero" % n)
    hx, sx = sum(x for x, _ in heads) / len(heads), sum(x for x, _ in shafts) / len(shafts)
    if not hx < sx:
        fail("frame %d: the shot flying left points right (head %.1f, shaft %.1f)" % (n, hx, sx))
    xs.append(hx)
if not xs[1] < xs[0]:
    fail("the shot does not fly left (%.1f, then %.1f)" % tuple(xs))
print("the shot points left and flies left")

# The sword: nothing before the swing; during it, the blade in front of the hero (left of it).
if find(load(289), blade, 0, 640, *band):
    fail("a blade is drawn before the swing")
for n in (293, 299, 305):
    box, side = hero(n)
    blades = find(load(n), blade, 0, 640, *band)
    if len(blades) < 12:
        fail("frame %d: the sword is not drawn (%d blade pixels)" % (n, len(blades)))
    if not all(box[0] - 48 <= x < box[0] for x, _ in blades):
        fail("frame %d: the sword is not in front of the hero facing left" % n)
print("the sword is drawn in front of the hero")

# The coin nearest the hero's start (four blocks to its right), over 39 frames of its animation:
# two looks, each of them the coin (its rim drawn), one face-on, one edge-on.
looks, widths = set(), set()
for n in [int(k) for k in sys.argv[1].split(",")]:
    px = load(n)
    box, _ = hero(n)
    x0, x1, y0, y1 = box[0] + 90, box[0] + 160, box[1] - 12, box[3] + 20
    looks.add(b"".join(px(x, y) for y in range(y0, y1) for x in range(x0, x1)))
    rims = find(px, rim, x0, x1, y0, y1)
    if not rims:
        fail("frame %d: the coin shows another picture than the coin" % n)
    widths.add(max(x for x, _ in rims) - min(x for x, _ in rims) + 1)
if len(looks) != 2:
    fail("the coin's animation shows %d pictures, not 2" % len(looks))
if not (max(widths) >= 18 and min(widths) <= 10):
    fail("the coin does not turn: rim widths %s" % sorted(widths))
print("the coin spins: rim widths %s" % sorted(widths))
EOF

# The castle with the sword only: three swings facing right, three facing left, and again.
for k in $(seq 1 30); do
    for i in 1 2 3; do printf '1 2 4\n19 0 0\n'; done
    for i in 1 2 3; do printf '1 1 4\n19 0 0\n'; done
done >castle.txt
sed -i '1i 90 0 0' castle.txt
MIRELDA4_INPUT=castle.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=700 \
    timeout $HANG_LIMIT "$player" 'data\stg4\castle.stg4_000' 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc (castle)"; }
line=$(grep -m 1 ' end=[^0]' trace.txt) || fail "the castle did not end: $(tail -n 1 trace.txt)"
grep -q ' end=1 ' <<<"$line" || fail "the castle ended otherwise than by a clear: $line"
score=$(sed -E 's/.* score=([0-9]+) .*/\1/' <<<"$line")
[ "$score" -ge 1000 ] || fail "the boss was not defeated: $line"
echo "castle won with the sword: $line"
echo PASS
