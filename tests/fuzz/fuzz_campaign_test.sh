#!/usr/bin/env bash
# Campaigns of scripts/fuzz.sh on a made-up harness that plays out a plan, one line per process it
# is started as ("INITED EXECUTIONS EXIT": whether it gets through its corpus, the inputs it runs,
# its exit status): a worker starts the harness again after a finding until the time is up, stops
# when two processes in a row fail before they have run the corpus, and the inputs of every
# process are counted.
set -uo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/fuzz.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

mkdir -p "$tmp/build"
cat >"$tmp/build/fuzz_plan" <<'FAKE'
#!/usr/bin/env bash
# Takes the plan's first line (under a lock: workers share it) and does as it says.
dir=$(dirname "$0")
exec 9>"$dir/plan.lock"
flock 9
read -r inited runs code <"$dir/plan" || { inited=1 runs=0 code=0; }
sed -i 1d "$dir/plan"
echo "$*" >>"$dir/started"
flock -u 9
[ "$inited" = 1 ] && echo "#1 INITED cov: 1 ft: 1 corp: 1/1b exec/s: 0 rss: 1Mb"
echo "stat::number_of_executed_units: $runs"
exit "$code"
FAKE
chmod +x "$tmp/build/fuzz_plan"

# case NAME WORKERS "PLAN" EXIT EXECUTIONS PROCESSES
check() {
    local name=$1 workers=$2 plan=$3 code=$4 runs=$5 processes=$6
    rm -f "$tmp/build/started"
    tr ';' '\n' <<<"$plan" | sed 's/^ *//' >"$tmp/build/plan"
    local out
    out=$(FUZZ_BUILD="$tmp/build" FUZZ_FORK=$workers bash "$script" run plan 60 2>/dev/null)
    local started
    started=$(wc -l <"$tmp/build/started")
    if [[ "$out" != "plan: exit $code, $runs executions in "* ]] || [ "$started" != "$processes" ]; then
        echo "FAIL $name: want exit $code, $runs executions, $processes processes; got \"$out\", $started processes"
        status=1
    fi
    if grep -q -- '-fork' "$tmp/build/started"; then
        echo "FAIL $name: a process was started in libFuzzer's fork mode"
        status=1
    fi
}

check 'time up in the first process' 1 '1 50 0' 0 50 1
check 'findings, each followed by the next process' 1 '1 30 70; 1 20 1; 1 5 0' 0 55 3
check 'a seed that crashes twice before the corpus is run' 1 '0 2 1; 0 2 1; 1 9 0' 1 4 2
check 'one early failure, then a process that runs' 1 '0 2 1; 1 9 0' 0 11 2
check 'two workers over the one corpus' 2 '1 10 0; 1 15 0' 0 25 2
# Each worker of several writes a log of its own.
for k in 1 2; do
    [ -s "$tmp/build/logs/plan.$k.log" ] || { echo "FAIL logs: no log of worker $k"; status=1; }
done
check 'one plain process stops at its finding' 0 '1 30 70; 1 5 0' 70 30 1
exit $status
