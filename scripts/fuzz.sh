#!/usr/bin/env bash
# Builds and runs the libFuzzer harnesses of fuzz/ with clang, in a build folder of their own.
#
#   scripts/fuzz.sh list                     the harness names
#   scripts/fuzz.sh build                    installs what is missing, configures and builds them
#   scripts/fuzz.sh run NAME SECONDS [ARGS]  fuzzes one harness for SECONDS (ARGS go to libFuzzer)
#   scripts/fuzz.sh all SECONDS [PARALLEL]   fuzzes every harness for SECONDS, PARALLEL at a time (2)
#   scripts/fuzz.sh check [NAME...]          runs harnesses once over their corpus and seeds only,
#                                            FUZZ_CHECK_JOBS at a time (default: the cores)
#
# Environment: FUZZ_BUILD (build folder, default build-fuzz), FUZZ_JOBS (build jobs, default 3),
# FUZZ_FOUND (damaged inputs to add to the seeds, default ../shared/found beside the repository),
# FUZZ_FORK (run and all: that many worker processes over the one corpus, each started again after
# a crash, a hang or a leak until the time is up; 0 runs one process that stops at the first; by
# default run starts half the cores' worth, at least 1 and at most 4, and all 1 per harness),
# M4_PLAY_REPEAT (the play harnesses play one input in that many twice and compare the two plays,
# default 8; check compares every input).
# The working corpus of NAME grows in $FUZZ_BUILD/corpus/NAME; its seeds are written to
# $FUZZ_BUILD/seeds/NAME; crashes, hangs and leaks go to $FUZZ_BUILD/artifacts/NAME/ and the log of
# the last run to $FUZZ_BUILD/logs/NAME.log (NAME.K.log for worker K of several). Each run ends with
# a line of what it did: its inputs run, its seconds, their rate (inputs a second) and the machine's
# load average at its end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${FUZZ_BUILD:-build-fuzz}
jobs=${FUZZ_JOBS:-3}
found=${FUZZ_FOUND:-$root/../shared/found}

install_tools() {
    bash scripts/install-deps.sh
    local pkgs=(clang)
    local missing=()
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    install() {
        local SUDO=""
        [ "$(id -u)" -ne 0 ] && SUDO="sudo"
        $SUDO apt-get update -q
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@"
    }
    if [ ${#missing[@]} -gt 0 ]; then install "${missing[@]}"; fi
    # libFuzzer and the sanitizer run-times of the installed clang's version.
    local major
    major=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n1)
    local rt="libclang-rt-${major}-dev"
    if ! dpkg-query -W -f='${Status}' "$rt" 2>/dev/null | grep -q 'install ok installed'; then
        install "$rt"
    fi
}

harnesses() {
    for f in fuzz/fuzz_*.cpp; do
        n=$(basename "$f" .cpp)
        [ "$n" = fuzz_support ] && continue
        echo "${n#fuzz_}"
    done
}

build_all() {
    install_tools
    CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
        -DM4_FUZZ=ON -DM4_TESTS=OFF -DM4_BENCH=OFF >/dev/null
    local targets=(m4_fuzz_seeds)
    for n in $(harnesses); do targets+=("fuzz_$n"); done
    cmake --build "$build" -j"$jobs" --target "${targets[@]}"
    # The seeds are written anew with each build (the demo project may have changed).
    rm -rf "$build/seeds"
    ASAN_OPTIONS=detect_leaks=0 "$build/m4_fuzz_seeds" "$build/seeds" "$found"
}

# The number of inputs run, from the logs of a run: the final statistics of every process it started
# (a process ended by a crash, a hang or a leak prints them too).
executions() {
    cat "$@" 2>/dev/null | awk '/^stat::number_of_executed_units/ { n += $2; seen = 1 }
        END { if (seen) print n; else print "?" }'
}

# "S s, R a second (load L)": the seconds from START to END (date +%s.%N), the rate of N inputs
# over them, and the machine's load (the one-minute average at the end), which the rate depends on.
rate() {
    local load
    load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo '?')
    awk -v n="$1" -v s="$2" -v e="$3" -v l="$load" 'BEGIN {
        t = e - s
        r = (n ~ /^[0-9]+$/ && t > 0) ? sprintf("%.2f", n / t) : "?"
        printf "%.0f s, %s a second (load %s)", t, r, l
    }'
}

# The workers of a campaign of one harness when FUZZ_FORK is unset: half the cores, at least 1 and
# at most 4 (a play harness's worker keeps a core busy; the machine is shared).
default_workers() {
    local n=$(($(nproc) / 2))
    ((n < 1)) && n=1
    ((n > 4)) && n=4
    echo "$n"
}

# Runs one harness: fuzz_NAME over its working corpus, seeded from its seed folder. A campaign (MODE
# run) runs FUZZ_FORK workers (default_workers unless set), each a plain libFuzzer process started
# again after a finding until the campaign's time is up: the corpus grows in the process that runs
# the inputs (the workers read each other's new inputs from the corpus folder), and only a finding
# costs a start and the replay of the corpus. FUZZ_FORK=0 runs one process that stops at the first
# finding.
run_one() {
    local mode=$1 name=$2 seconds=$3
    shift 3
    local exe="$build/fuzz_$name"
    [ -x "$exe" ] || { echo "no harness $exe (run: $0 build)" >&2; return 2; }
    mkdir -p "$build/corpus/$name" "$build/seeds/$name" "$build/artifacts/$name" "$build/logs"
    # Absolute paths: the harnesses work in a scratch folder of their own.
    local dir rc=0 dict=()
    dir=$(cd "$build" && pwd)
    # A dictionary of the words the input's format knows, where the harness has one; libFuzzer
    # options of the harness's own (fuzz/NAME.options, one a line) go after the common ones.
    [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
    [ -f "$root/fuzz/$name.options" ] && mapfile -t -O ${#dict[@]} dict < <(grep -v '^#' "$root/fuzz/$name.options")
    local workers=${FUZZ_FORK:-$(default_workers)}
    [ "$mode" = run ] || workers=0
    local repeat=${M4_PLAY_REPEAT:-8}
    [ "$mode" = check ] && repeat=1
    local args=(-timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1
        -artifact_prefix="$dir/artifacts/$name/" "${dict[@]}" "$@" "$dir/corpus/$name" "$dir/seeds/$name")
    local start end logs=()
    start=$(date +%s.%N)
    if [ "$workers" = 0 ]; then
        logs=("$build/logs/$name.log")
        fuzz_once "$dir/fuzz_$name" "$repeat" "$seconds" "${args[@]}" >"${logs[0]}" 2>&1 || rc=$?
    else
        local k pids=()
        rm -f "$build/logs/$name".*log
        for ((k = 1; k <= workers; k++)); do
            local log="$build/logs/$name.log"
            [ "$workers" -gt 1 ] && log="$build/logs/$name.$k.log"
            logs+=("$log")
            campaign_worker "$log" "$dir/fuzz_$name" "$repeat" "$start" "$seconds" "${args[@]}" &
            pids+=($!)
        done
        for k in "${pids[@]}"; do
            wait "$k" || rc=$?
        done
    fi
    end=$(date +%s.%N)
    local n
    n=$(executions "${logs[@]}")
    echo "$name: exit $rc, $n executions in $(rate "$n" "$start" "$end")," \
        "$(ls "$build/corpus/$name" | wc -l) corpus files," \
        "$(ls "$build/artifacts/$name" | wc -l) artifacts"
    return $rc
}

# One libFuzzer process of EXE for at most SECONDS (0: no limit), the play harnesses comparing the
# plays of one input in REPEAT.
fuzz_once() {
    local exe=$1 repeat=$2 seconds=$3
    shift 3
    M4_PLAY_REPEAT=$repeat SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
        LSAN_OPTIONS=suppressions="$root/fuzz/lsan.supp" \
        "$exe" -max_total_time="$seconds" "$@"
}

# A campaign's worker: libFuzzer processes one after the other, appending to LOG, until SECONDS
# from START have passed. A process that ends with a finding (its input is in the artifacts) is
# followed by the next; two in a row that fail before they have run the corpus (a seed that
# crashes, a harness that does not start) end the worker with the exit status of the second.
campaign_worker() {
    local log=$1 exe=$2 repeat=$3 start=$4 seconds=$5
    shift 5
    : >"$log"
    local early=0
    while :; do
        local left rc=0 before
        left=$(awk -v s="$start" -v t="$seconds" -v now="$(date +%s.%N)" 'BEGIN { printf "%d", s + t - now }')
        [ "$left" -ge 1 ] || return 0
        before=$(grep -c 'INITED' "$log" || true)
        fuzz_once "$exe" "$repeat" "$left" "$@" >>"$log" 2>&1 || rc=$?
        [ "$rc" = 0 ] && return 0
        if [ "$(grep -c 'INITED' "$log" || true)" != "$before" ]; then
            early=0
        elif ((++early >= 2)); then
            echo "worker stops: two processes in a row ended with $rc before they had run the corpus ($log)" >&2
            return "$rc"
        fi
    done
}

case "${1:-}" in
list) harnesses ;;
build) build_all ;;
run)
    [ $# -ge 3 ] || { echo "usage: $0 run NAME SECONDS [libFuzzer args]" >&2; exit 2; }
    name=$2 seconds=$3
    shift 3
    run_one run "$name" "$seconds" "$@"
    ;;
all)
    [ $# -ge 2 ] || { echo "usage: $0 all SECONDS [PARALLEL]" >&2; exit 2; }
    seconds=$2 parallel=${3:-2}
    # Several harnesses at once: one worker each unless FUZZ_FORK says otherwise.
    export build root FUZZ_FORK=${FUZZ_FORK:-1}
    export -f run_one fuzz_once campaign_worker executions rate default_workers
    harnesses | xargs -P "$parallel" -I{} bash -c 'run_one run "$1" "$2" || true' _ {} "$seconds"
    ;;
check)
    shift
    names=("$@")
    [ ${#names[@]} -gt 0 ] || mapfile -t names < <(harnesses)
    # One process per harness, FUZZ_CHECK_JOBS at a time (default: the cores); fails when any fails.
    export build root
    export -f run_one fuzz_once campaign_worker executions rate default_workers
    printf '%s\n' "${names[@]}" |
        xargs -P "${FUZZ_CHECK_JOBS:-$(nproc)}" -I{} bash -c 'run_one check "$1" 0 -runs=0' _ {}
    ;;
*)
    sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
