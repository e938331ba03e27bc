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
# The shares vary from run to run on a shared machine: with a number of rounds, every scene is run
# that many times (the rounds one after another, so that a slow spell of the machine falls on all
# scenes alike) and a last table gives the median of each column per scene and back-end.
# Usage: bench/cpu_share.sh [build dir] [rounds]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
rounds="${2:-1}"
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
# A runtime folder of its own: the player runs one instance per user, so a game or a test running
# meanwhile would otherwise stop these runs at their start.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
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
header() { printf '%-10s %-6s %8s %8s %8s %7s %8s %7s %7s\n' scene d3d user_s sys_s wall_s share start_s steady peak_mb; }
header
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
for _ in $(seq "$rounds"); do
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
                "$steady" "$peak" | tee -a "$work/rows"
        done
    done
done
[ "$rounds" -gt 1 ] || exit 0
echo "medians of $rounds rounds:"
header
# The median of each column per scene and back-end, in the order the scenes ran.
# A run that failed ("-") counts in no column.
awk '{ key = $1 " " $2; if (!(key in n)) order[++keys] = key
       n[key]++; for (c = 3; c <= 9; c++) { v = $c; sub(/%$/, "", v); if (v != "-") col[key, c, ++m[key, c]] = v } }
     function median(key, c,    k, i, j, a, t) {
       k = m[key, c]; if (!k) return -1
       for (i = 1; i <= k; i++) a[i] = col[key, c, i] + 0
       for (i = 2; i <= k; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
       return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2 }
     END { for (k = 1; k <= keys; k++) { split(order[k], id, " ")
       printf "%-10s %-6s %8.3f %8.3f %8.3f %6.1f%% %8.2f %6.1f%% %7.1f\n", id[1], id[2], median(order[k], 3),
         median(order[k], 4), median(order[k], 5), median(order[k], 6), median(order[k], 7),
         median(order[k], 8), median(order[k], 9) } }' "$work/rows"
