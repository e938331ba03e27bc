#!/usr/bin/env bash
# Takes the display away from a running player many times over: each round kills the player's X
# connection and destroys its window (on the title, during play and while a dialog is open), at a
# moment chosen at random, and checks that every run ends as a close does (tests/program/display_lost.sh;
# CI runs one round of it). About 20 s a round.
# Usage: display-lost-rounds.sh [rounds] (default 30); BUILD_DIR names the build (default build/).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
rounds="${1:-30}"
[ -x "$build/mirelda4" ] || { echo "display-lost-rounds: $build/mirelda4 is missing; build first" >&2; exit 1; }
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
XDG_RUNTIME_DIR=$run SDL_AUDIODRIVER=dummy exec bash "$top/tests/program/display_lost.sh" "$build/mirelda4" "$build" "$rounds"
