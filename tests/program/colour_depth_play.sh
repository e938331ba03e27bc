#!/bin/bash
# The demo's first stage played full screen at every colour depth a back-end takes: the DirectDraw-like
# back-end at 32, 16 and 8 bits, the Direct3D-like one at 32 and 16 (it refuses 8 bits with a box).
# The same input plays the same trace at every depth, and the frames shown match the 32-bit frames of
# the same back-end: exactly at 8 bits (the project's pictures are palette pictures), within the
# rounding of a 5-6-5 pixel (a few steps of each channel) at 16 bits. No run writes an error line
# to the report.
# Usage: colour_depth_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/demo.stg4_000
[ -f "$stage" ] || fail "no demo stage (project writer missing in $build)"
printf '# hold right\n300 2 0\n' >input.txt
# Frames after the stage's three-second greeting (the stage starts after the banner, near frame 90):
# the Direct3D-like back-end draws a message's text edges with one bit of alpha at 16 bits, which no
# rounding tolerance covers.
frames=290,295,300

# play <direct3d> <bpp>: plays into run-<direct3d>-<bpp>/ (trace and snapshots).
play() {
    local out="run-$1-$2"
    mkdir -p "$out"
    printf 'Direct3D=%s\r\nWindowMode=0\r\nBpp=%s\r\nVSync=0\r\nShowFps=0\r\nExit\r\n' "$1" "$2" >System.ini
    MIRELDA4_INPUT=input.txt MIRELDA4_TRACE="$out/trace.txt" MIRELDA4_FRAME_LIMIT=300 \
        MIRELDA4_SNAPSHOT="$out:$frames" timeout 100 "$player" "$stage" 2>"$out/stderr.txt"
    local rc=$?
    [ "$rc" -eq 0 ] || { cat "$out/stderr.txt"; fail "exit code $rc (Direct3D=$1 Bpp=$2)"; }
    # Nothing went wrong on the way: the stage leaves picture slots empty, which ask for no surface.
    if tr -d '\r' <Report_Game.txt | grep -a 'Err'; then fail "error lines in the report (Direct3D=$1 Bpp=$2)"; fi
}

# same_picture <a.bmp> <b.bmp> <tolerance>: every pixel within the tolerance on each channel.
same_picture() {
    python3 - "$@" <<'EOF'
import struct, sys
def rows(path):
    d = open(path, 'rb').read()
    off, = struct.unpack('<I', d[10:14])
    w, h = struct.unpack('<ii', d[18:26])
    s = (w * 3 + 3) // 4 * 4
    return [d[off + r * s:off + r * s + w * 3] for r in range(abs(h))]
a, b, tol = rows(sys.argv[1]), rows(sys.argv[2]), int(sys.argv[3])
if len(a) != len(b):
    sys.exit('sizes differ')
worst = bad = 0
for ra, rb in zip(a, b):
    for x, y in zip(ra, rb):
        d = abs(x - y)
        worst = max(worst, d)
        bad += d > tol
if bad:
    sys.exit('%d channel values differ by more than %d (at most %d)' % (bad, tol, worst))
EOF
}

unhashed() { sed 's/ hash=.*//' "$1"; }

for mode in "0 32" "0 16" "0 8" "1 32" "1 16"; do
    read -r d3d bpp <<<"$mode"
    play "$d3d" "$bpp"
    out="run-$d3d-$bpp"
    [ -s "$out/stderr.txt" ] && { cat "$out/stderr.txt"; fail "a box at Direct3D=$d3d Bpp=$bpp"; }
    [ -s "$out/trace.txt" ] || fail "no trace at Direct3D=$d3d Bpp=$bpp"
    grep -q ' hp=5 ' <(tail -n 1 "$out/trace.txt") || fail "the hero was hurt: $(tail -n 1 "$out/trace.txt")"
    [ "$bpp" = 32 ] && continue
    cmp -s <(unhashed "run-$d3d-32/trace.txt") <(unhashed "$out/trace.txt") ||
        fail "Direct3D=$d3d: the play at $bpp bits differs from the play at 32 bits"
    tolerance=0
    [ "$bpp" = 16 ] && tolerance=8
    for n in ${frames//,/ }; do
        [ -f "$out/frame-$n.bmp" ] || fail "no frame $n at Direct3D=$d3d Bpp=$bpp"
        why=$(same_picture "run-$d3d-32/frame-$n.bmp" "$out/frame-$n.bmp" "$tolerance" 2>&1) ||
            fail "Direct3D=$d3d frame $n at $bpp bits is not the 32-bit picture: $why"
    done
    # A 16-bit picture is not the 32-bit one copied: its channels lose their low bits.
    if [ "$bpp" = 16 ]; then
        same_picture "run-$d3d-32/frame-295.bmp" "$out/frame-295.bmp" 0 >/dev/null 2>&1 &&
            fail "Direct3D=$d3d: the 16-bit frame is exactly the 32-bit one"
    fi
    echo "Direct3D=$d3d Bpp=$bpp: the same play and the same picture as at 32 bits"
done

# The Direct3D-like back-end takes no 8-bit mode: it says so in a box and ends.
printf 'Direct3D=1\r\nWindowMode=0\r\nBpp=8\r\nVSync=0\r\nExit\r\n' >System.ini
MIRELDA4_FRAME_LIMIT=300 timeout 100 "$player" "$stage" 2>stderr.txt
grep -q . stderr.txt || fail "Direct3D at 8 bits started without a box"
echo PASS
