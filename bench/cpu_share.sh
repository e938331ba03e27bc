#!/usr/bin/env bash
# The share of a processor the whole player takes while it runs: the idle title, the demo stage with
# the hero standing, and the demo stage with the hero walking right (the view scrolls), on each
# back-end, in a window, for 600 frames each (MIRELDA4_FRAME_LIMIT). Prints the CPU time (user +
# system) of the player alone over the wall time of each run, and the share once running (steady): a
# shorter run is timed as well and its time taken off both times. For the title and the standing hero
# that run is one frame (its start-up); for the walk it ends where the view starts scrolling (frame 190),
# and the long run ends where it stops (frame 440), so that the steady share is that of the scrolling
# frames alone. Without a display it starts an Xvfb server of its own for the runs, so that frames
# really reach a window. The last column is the player's peak memory (resident) over the long run.
# Usage: bench/cpu_share.sh [build dir]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
for f in mirelda4 m4_projwriter; do
    [ -x "$build/$f" ] || { echo "cpu_share: $build/$f is missing; build first" >&2; exit 1; }
done
work="$(mktemp -d "${TMPDIR:-/tmp}/m4_cpu_share.XXXXXX")"
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
"$build/m4_projwriter" "$work/demo" >/dev/null
cd "$work/demo"
printf '# hold right\n600 2 0\n' >walk.txt
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 50); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$work/display")"
fi
printf '%-10s %-6s %8s %8s %8s %7s %8s %7s %7s\n' scene d3d user_s sys_s wall_s share start_s steady peak_mb
# Runs the player for $1 frames; sets user, sys and wall (seconds, read to the microsecond: a run of
# the idle title takes a few tenths of a second of processor time) and peak (its peak resident memory
# in MB).
run() {
    MIRELDA4_INPUT="$input" MIRELDA4_FRAME_LIMIT=$1 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" python3 - "$build/mirelda4" "${args[@]}" \
        >"$work/time" 2>/dev/null <<'PY' || true
import os, subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
_, _, usage = os.wait4(child.pid, 0)
print("%.3f %.3f %.3f %.1f" % (usage.ru_utime, usage.ru_stime, time.monotonic() - start, usage.ru_maxrss / 1024))
PY
    user=- sys=- wall=- peak=-
    read -r user sys wall peak <"$work/time" || true
}
for d3d in 0 1; do
    for scene in title stage walk; do
        printf 'Direct3D=%s\r\nWindowMode=1\r\nShowFps=0\r\nExit\r\n' "$d3d" >System.ini
        args=() input="" short=1 long=600
        [ "$scene" != title ] && args=('data\stg4\demo.stg4_000')
        [ "$scene" = walk ] && input=walk.txt short=190 long=440
        rm -rf user_data
        run "$short"
        user1=$user sys1=$sys wall1=$wall
        rm -rf user_data
        run "$long"
        read -r share start steady < <(awk -v u="$user" -v s="$sys" -v w="$wall" -v u1="$user1" \
            -v s1="$sys1" -v w1="$wall1" 'BEGIN {
                share = w > 0 ? sprintf("%.1f%%", 100 * (u + s) / w) : "-"
                start = sprintf("%.2f", u1 + s1)
                steady = w - w1 > 0 ? sprintf("%.1f%%", 100 * (u + s - u1 - s1) / (w - w1)) : "-"
                print share, start, steady }')
        printf '%-10s %-6s %8s %8s %8s %7s %8s %7s %7s\n' "$scene" "$d3d" "$user" "$sys" "$wall" "$share" "$start" \
            "$steady" "$peak"
    done
done
