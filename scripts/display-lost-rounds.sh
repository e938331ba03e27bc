#!/usr/bin/env bash
# Takes the display away from a running player many times over: each round kills the player's X
# connection and destroys its window (on the title, during play and while a dialog is open), at a
# moment chosen at random, and checks that every run ends as a close does (tests/program/display_lost.sh;
# CI runs one round of it). Then as many rounds end the display server itself under a window
# manager (on the title, during play, while a dialog and while a box is open;
# tests/program/display_server_end_wm.sh). About 30 s a round.
# Usage: display-lost-rounds.sh [rounds] (default 30); BUILD_DIR names the build (default build/).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
rounds="${1:-30}"
[ -x "$build/mirelda4" ] || { echo "display-lost-rounds: $build/mirelda4 is missing; build first" >&2; exit 1; }
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
XDG_RUNTIME_DIR=$run SDL_AUDIODRIVER=dummy bash "$top/tests/program/display_lost.sh" "$build/mirelda4" "$build" "$rounds"
XDG_RUNTIME_DIR=$run SDL_AUDIODRIVER=dummy bash "$top/tests/program/display_server_end_wm.sh" "$build/mirelda4" "$build" "$rounds"
