#!/usr/bin/env bash
# Writes the demo project into demo/ and starts the player in it.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
mkdir -p "$top/demo"
if [ -x "$build/m4_projwriter" ]; then
    "$build/m4_projwriter" "$top/demo"
fi
cd "$top/demo"
exec "$build/mirelda4" "$@"
