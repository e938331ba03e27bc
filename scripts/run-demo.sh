#!/usr/bin/env bash
# Writes the demo project into demo/ and starts the player in it (extra arguments go to the player,
# e.g. a stage or replay file to play at once).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
for f in mirelda4 m4_projwriter; do
    [ -x "$build/$f" ] || { echo "run-demo: $build/$f is missing; build first (see README.md)" >&2; exit 1; }
done
mkdir -p "$top/demo"
"$build/m4_projwriter" "$top/demo"
cd "$top/demo"
exec "$build/mirelda4" "$@"
