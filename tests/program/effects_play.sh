#!/bin/bash
# Character and screen effects of every kind drawn in play, headless on a fixture project (the demo
# with a character effect and a screen effect of every kind in its database): the hero stands still
# and runs them in turn, each for 18 frames followed by 12 frames without an effect, first the
# character effects 1-16, then the screen effects 1-13, then an effect object (an animation from its
# own picture) at the screen's centre, then a character and a screen effect that loop, turning back
# at each pass, until an effect of entry 0 ends both; half a second later the hero shoots twice at two
# characters three and six blocks to its right. The nearer one is invincible by its setting for a
# second from then on (both shots pass through it): under Direct3D it is drawn with its blink kind's
# tint through the texture stage (a colour added), under DirectDraw untinted; as before once its
# setting is off again. The farther one is hit and stays untouchable for a second, drawn as it was
# on both back-ends: the tint follows the setting, not the respite after a hit.
# Each turn changes the picture while its effect runs, and nothing stays changed after it (an effect
# run by its value may take a few frames more than its time): a character effect only round the
# hero, a screen effect and the effect object beyond it too.
# Played on both drawing back-ends, windowed at 32 bits; then a quick stage of the same effects full
# screen at 16 bits.
# Usage: effects_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/effects.stg4_000
write_fixture effects "$stage"
# play <label> <stage> <snapshot frames>: plays the stage with nothing pressed up to the frame limit
# ($limit), taking snapshots; sets steps (the play steps traced) and hx, hy: the hero's top left on
# the screen at play's first step (the stage is as large as the screen, its 10-block margin off it).
play() {
    printf '%d 0 0\n' "$limit" >input.txt
    rm -rf snaps trace.txt
    mkdir snaps
    follow_snapshots snaps 456
    MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=$limit \
        MIRELDA4_SNAPSHOT="snaps:$3" timeout $HANG_LIMIT "$player" "$2" 2>stderr.txt
    rc=$?
    snapshots_followed snaps
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$1: exit code $rc"; }
    [ -s trace.txt ] || { cat stderr.txt; fail "$1: no trace written"; }
    steps=$(wc -l <trace.txt)
    read -r hx hy < <(head -n 1 trace.txt | sed -E 's/.* hero=([0-9]+)\.[0-9]+,([0-9]+)\..*/\1 \2/')
    [ -n "${hx:-}" ] || fail "$1: no hero position: $(head -n 1 trace.txt)"
}

limit=1200
for d3d in 0 1; do
    backend=$([ "$d3d" = 1 ] && echo Direct3D || echo DirectDraw)
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    play "$backend" "$stage" "$(seq -s, 90 3 1197)"
    # The presented frame of play's first step: play runs to the frame limit, one step a frame.
    first=$((limit - steps + 1))
    echo "$backend:"
    python3 - "$first" "$((hx - 320 + 16))" "$((hy - 320 + 16))" "$d3d" <<'PY' || exit 1
import sys
from snapshot_rows import changes as frame_changes, frame_rows, taken_frames

first, cx, cy, d3d = (int(a) for a in sys.argv[1:5])
TURN, EFFECT, NEAR = 30, 18, 64
ROWS = 456  # the time display below changes by itself
taken = taken_frames()


def rows(n):
    return frame_rows(n, ROWS)


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


def changes(a, b):
    """(changed at all, changed beyond NEAR pixels of the hero's centre)"""
    return frame_changes(a, b, cx, cy, NEAR)


# The picture before any effect: play has run a third of a second, the hero stands.
still = rows(min(n for n in taken if n >= first + 20))
turns = [("character effect %d" % k, False, EFFECT) for k in range(1, 17)]
turns += [("screen effect %d" % k, True, EFFECT) for k in range(1, 14)]
turns += [("effect object", True, EFFECT)]  # at the screen's centre, away from the hero
turns += [("looping effects", True, TURN)]  # ended by the next commands, a turn later
for i, (name, screen, length) in enumerate(turns):
    start = first + TURN * (i + 1)  # the first turn follows half a second without an effect
    shown = [n for n in taken if start <= n < start + length]
    after = [n for n in taken if start + length + 5 <= n < start + length + TURN - EFFECT]
    seen = [changes(rows(n), still) for n in shown]
    if not any(c for c, _ in seen):
        fail("%s changed nothing (frames %d-%d)" % (name, start, start + length - 1))
    if screen and not any(f for _, f in seen):
        fail("%s changed only the hero's surroundings" % name)
    if not screen and any(f for _, f in seen):
        fail("%s changed the picture away from the hero" % name)
    for n in after:
        if changes(rows(n), still)[0]:
            fail("%s left the picture changed at frame %d" % (name, n))
    print("%s: drawn in %d of %d frames taken" % (name, sum(1 for c, _ in seen if c), len(shown)))


def target_light(r, x0):
    """the brightness of a shot character's body (below its gauge) from x0 pixels right of the hero's centre"""
    return sum(sum(r[y][3 * (cx + x0) : 3 * (cx + x0 + 24)]) for y in range(cy - 12, cy + 8))


# The shots leave a turn after the loops end, a tenth of a second apart, when the nearer character
# turns invincible for a second; the farther one is hit about a fifth of a second later and stays
# untouchable for a second.
start = first + TURN * (len(turns) + 2)
for name, x0, tint, since, end in (("nearer", 80, d3d, 2, 58), ("farther", 176, False, 20, 80)):
    base = target_light(still, x0)
    during = [target_light(rows(n), x0) - base for n in taken if start + since <= n < start + end]
    later = [target_light(rows(n), x0) - base for n in taken if start + 100 <= n]
    if not during or not later:
        fail("no frames taken of the %s character" % name)
    tinted = sum(1 for v in during if v != 0)
    if tint and tinted < len(during) * 3 // 4:
        fail("the invincible %s character was tinted in only %d of %d frames" % (name, tinted, len(during)))
    if not tint and tinted > len(during) // 4:  # the shots cross the characters
        fail("the %s character was tinted in %d of %d frames" % (name, tinted, len(during)))
    if any(later):
        fail("the %s character stayed changed once its second was over" % name)
    print("%s character: changed in %d of %d frames taken" % (name, tinted, len(during)))
PY
done

# At 16 bits, full screen: the quick stage runs the character effects, then the screen effects, each
# for 0.1 s without a pause, after half a second still. Each changes the picture while it runs (all
# but the circle, which opens from nothing more slowly), a character effect only round the hero, a
# screen effect beyond it too, and nothing stays changed after the last.
quick=data/stg4/effects_quick.stg4_000
[ -f "$quick" ] || fail "no quick effects stage"
limit=340
for d3d in 0 1; do
    backend=$([ "$d3d" = 1 ] && echo Direct3D || echo DirectDraw)
    printf 'Direct3D=%s\r\nWindowMode=0\r\nBpp=16\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    play "$backend at 16 bits" "$quick" "$(seq -s, 100 $limit)"
    python3 - "$((limit - steps + 1))" "$((hx - 320 + 16))" "$((hy - 320 + 16))" "$limit" <<'PY' || fail "$backend at 16 bits"
import sys
from snapshot_rows import changes as frame_changes, frame_rows

first, cx, cy, limit = (int(a) for a in sys.argv[1:5])
STILL, TURN, NEAR, ROWS, CIRCLE = 30, 6, 64, 456, 10


def rows(n):
    return frame_rows(n, ROWS)


def changes(a, b):
    """(changed at all, changed beyond NEAR pixels of the hero's centre)"""
    return frame_changes(a, b, cx, cy, NEAR)


still = rows(first + 20)
turns = [("character effect %d" % k, False) for k in range(1, 17)] + [("no character effect", False)]
turns += [("screen effect %d" % k, True) for k in range(1, 14)]
for i, (name, screen) in enumerate(turns):
    start = first + STILL + TURN * i
    seen = [changes(rows(n), still) for n in range(start, start + TURN)]
    if i + 1 not in (CIRCLE, 17) and not any(c for c, _ in seen):
        sys.exit("%s changed nothing (frames %d-%d)" % (name, start, start + TURN - 1))
    if screen and not any(f for _, f in seen):
        sys.exit("%s changed only the hero's surroundings" % name)
    if not screen and any(f for _, f in seen):
        sys.exit("%s changed the picture away from the hero" % name)
end = first + STILL + TURN * len(turns) + 5
if end >= limit:
    sys.exit("the run ends before the effects")
for n in range(end, limit + 1):
    if changes(rows(n), still)[0]:
        sys.exit("the picture stayed changed at frame %d" % n)
PY
    echo "$backend at 16 bits: every effect drawn, nothing left changed"
done
echo PASS
