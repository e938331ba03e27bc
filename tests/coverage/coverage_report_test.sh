#!/usr/bin/env bash
# The coverage report on made-up tracefiles: a template's instantiations make one function, reached
# when play reached any of them; a function only unit tests reach is listed under the reason of the
# first matching line of the reasons file, or among those without a reason; a damaged reasons file
# stops the report.
set -uo pipefail
report="$(cd "$(dirname "$0")/../.." && pwd)/scripts/coverage_report.py"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
top=/src-top

# info FILE RECORDS...: a tracefile of src/a.cpp whose records are "line,name,count".
info() {
    local out=$1
    shift
    { echo "SF:$top/src/a.cpp"
      for r in "$@"; do IFS=, read -r line name count <<<"$r"; echo "FN:$line,$name"; done
      for r in "$@"; do IFS=, read -r line name count <<<"$r"; echo "FNDA:$count,$name"; done
      echo "DA:1,1"
      echo "end_of_record"; } >"$out"
}
# Two instantiations of one template on line 10 (play reached one), a function on line 20 only the
# unit tests reach, two more on lines 30 and 40 only they reach, one on line 50 nothing reaches.
info "$tmp/play.info" '10,_Z3addIiEvv,3' '10,_Z3addIlEvv,0' '20,_Z4loadv,0' '30,_Z4savev,0' \
    '40,_Z5resetv,0' '50,_Z4deadv,0'
info "$tmp/unit.info" '10,_Z3addIiEvv,1' '10,_Z3addIlEvv,1' '20,_Z4loadv,2' '30,_Z4savev,1' \
    '40,_Z5resetv,1' '50,_Z4deadv,0'
cat >"$tmp/reasons.txt" <<'REASONS'
# made-up reasons
src/a.cpp | ^reset\( | only tests reset it
src/*.cpp | ^(save|reset)\( | only a damaged file reaches it
src/b.cpp | ^load\( | another file
REASONS

# expect NAME TEXT: TEXT is a line of report NAME.
expect() {
    if ! grep -qxF -- "$2" "$tmp/$1.txt"; then
        echo "FAIL $1: no line \"$2\" in"; cat "$tmp/$1.txt"
        status=1
    fi
}
python3 "$report" "$tmp/play.info" "$tmp/unit.info" "$top" "$tmp/reasons.txt" >"$tmp/named.txt"
expect named 'Whole-program play reached 1 of 5 functions of src/ (20.0%).'
expect named 'Unit tests reached 4; only unit tests reach 3 (2 with a reason, 1 without); nothing reaches 1.'
expect named '  src/a.cpp:20  load()'
expect named '  only tests reset it (1):'
expect named '    src/a.cpp:40  reset()'
expect named '  only a damaged file reaches it (1):'
expect named '    src/a.cpp:30  save()'
expect named '  src/a.cpp:50  dead()'

python3 "$report" "$tmp/play.info" "$tmp/unit.info" "$top" >"$tmp/plain.txt"
expect plain 'Functions only unit tests reach, without a reason (3):'

printf 'src/a.cpp | ^load(\n' >"$tmp/bad.txt"
if python3 "$report" "$tmp/play.info" "$tmp/unit.info" "$top" "$tmp/bad.txt" >/dev/null 2>&1; then
    echo "FAIL bad: a reasons line with a broken expression was taken"
    status=1
fi
exit $status
