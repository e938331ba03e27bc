#!/usr/bin/env bash
# A map of what whole-program play reaches: builds the player and the tests with coverage in
# build-cov/, runs the whole-program tests (tests/program/: the player as users run it, the replay
# suite and the story play-through among them), then the unit tests, and writes
# build-cov/coverage/report.txt: per file and per function of src/, whether whole-program play
# reached it, and the list of functions that only unit tests reach: those scripts/coverage_reasons.txt
# names, under their reason, and the rest.
# Usage: coverage.sh [build-dir]     (default build-cov; needs lcov, installed when missing)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build-cov}"
out="$build/coverage"
jobs=$(nproc)
cd "$top"
bash scripts/install-deps.sh
if ! command -v lcov >/dev/null; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends lcov
fi
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DM4_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_C_FLAGS="--coverage -O0" \
    -DCMAKE_EXE_LINKER_FLAGS="--coverage"
cmake --build "$build" -j"$jobs"
mkdir -p "$out"
: >"$out/lcov.log"

capture() { # name: the counters gathered so far, as build-cov/coverage/NAME.info
    lcov --quiet --capture --directory "$build" --base-directory "$build" --output-file "$out/$1.all" \
        --rc lcov_branch_coverage=0 --ignore-errors gcov,source 2>>"$out/lcov.log"
    lcov --quiet --extract "$out/$1.all" "$top/src/*" --output-file "$out/$1.info" 2>>"$out/lcov.log"
    rm -f "$out/$1.all"
}

# Whole-program play first, alone: only what the player itself reaches counts here.
lcov --quiet --zerocounters --directory "$build"
ctest --test-dir "$build" -R '^program\.' --timeout 600 --output-on-failure || echo "coverage: some whole-program tests failed"
capture play
lcov --quiet --zerocounters --directory "$build"
ctest --test-dir "$build" -E '^program\.' -j"$jobs" --timeout 600 >/dev/null || echo "coverage: some unit tests failed"
capture unit

python3 "$top/scripts/coverage_report.py" "$out/play.info" "$out/unit.info" "$top" \
    "$top/scripts/coverage_reasons.txt" >"$out/report.txt"
head -n 20 "$out/report.txt"
echo "coverage: the whole report is $out/report.txt"
