#!/usr/bin/env bash
# Starts the player in the demo folder (demo/, or $DEMO_DIR), writing the demo project there first
# when it has none or when the project writer was built after it. The settings in its System.ini are
# the user's: a later start keeps them.
# Usage: run-demo.sh [--new-demo] [file]
#   --new-demo  writes the demo project anew, System.ini included
#   file        a stage or replay file for the player to play at once
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
demo="${DEMO_DIR:-$top/demo}"
new=0
if [ "${1:-}" = "--new-demo" ]; then
    new=1
    shift
fi
for f in mirelda4 m4_projwriter; do
    [ -x "$build/$f" ] || { echo "run-demo: $build/$f is missing; build first (see README.md)" >&2; exit 1; }
done
if [ "$new" -eq 1 ] || [ ! -f "$demo/data/System.dat" ]; then
    mkdir -p "$demo"
    "$build/m4_projwriter" "$demo"
elif [ "$build/m4_projwriter" -nt "$demo/data/System.dat" ]; then
    # A newer build's demo replaces the project; the user's System.ini and user_data/ stay.
    ini=$(mktemp)
    cp "$demo/System.ini" "$ini" 2>/dev/null || true
    "$build/m4_projwriter" "$demo"
    [ -s "$ini" ] && cp "$ini" "$demo/System.ini"
    rm -f "$ini"
fi
cd "$demo"
exec "$build/mirelda4" "$@"
