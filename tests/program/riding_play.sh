#!/bin/bash
# A hero carried by a moving platform (a flying block character), headless on a fixture project: the
# hero starts above the platform, high over the floor, and is left alone. It lands on the platform
# and stays on it, high above the floor, while the platform goes right for 3 s and comes back left:
# the hero's x follows the platform both ways, a pixel a frame, though no key is pressed.
# Usage: riding_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/riding.stg4_000
write_fixture riding "$stage"
printf '600 0 0\n' >input.txt
play_scripted 600 "$stage"
python3 - <<'PY' || exit 1
import re, sys

pos = {}
for line in open("trace.txt"):
    m = re.match(r"(\d+) hero=([-0-9.]+),([-0-9.]+) ", line)
    if m:
        pos[int(m.group(1))] = (float(m.group(2)), float(m.group(3)))


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


if len(pos) < 450:
    fail("only %d play steps traced" % len(pos))
# Landed within half a second; from then on the hero stands at the platform's top, far above the
# floor (the floor's top is 10 + 14 rows down: 768).
stand = pos[30][1]
if stand > 700:
    fail("the hero fell past the platform: y %.1f" % stand)
for f in range(30, 450):
    if abs(pos[f][1] - stand) > 2:
        fail("the hero left the platform at step %d: y %.1f, stood at %.1f" % (f, pos[f][1], stand))
# Carried right while the platform goes right, then left while it comes back.
right = pos[180][0] - pos[40][0]
left = pos[390][0] - pos[250][0]
if right < 120 or left > -120:
    fail("not carried: %.1f pixels right, then %.1f" % (right, left))
print("stood at y %.1f; carried %.1f right, then %.1f" % (stand, right, left))
PY
echo PASS
