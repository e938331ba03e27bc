#!/bin/bash
# Without XDG_RUNTIME_DIR the single-instance lock is kept in a folder of the user's own under the
# temporary folder, made closed to others, and a name already taken by a folder open to others is
# passed over; a second start still finds the first, and nothing complains on standard error.
# Usage: runtime_folder.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
unset XDG_RUNTIME_DIR
export TMPDIR=$dir/tmp
mkdir -p "$TMPDIR"
taken=$TMPDIR/mirelda4-$(id -u)
mkdir -m 777 "$taken" && chmod 777 "$taken"
own=$taken-1

"$player" 2>err1.txt &
first=$!
trap 'kill -9 $first 2>/dev/null; rm -rf "$dir"' EXIT
wait_for 60 test -f "$own/mirelda4-window-Mirelda4.pid" || fail "no window published in $own"
[ "$(stat -c %a "$own")" = 700 ] || fail "$own is open to others"
[ -z "$(ls -A "$taken")" ] || fail "the folder open to others was used"

mkdir -p second && cd second && "$build/m4_projwriter" "$PWD" >/dev/null
MIRELDA4_ANSWERS=no timeout 60 "$player" 2>../err2.txt
code=$?
cd ..
[ $code -eq 0 ] || fail "second start: exit code $code"
grep -q "二重起動" err2.txt || fail "the second start did not find the first"
kill -TERM $first
wait $first || fail "the first player did not end cleanly"
[ -s err1.txt ] && { cat err1.txt; fail "the first player wrote to standard error"; }
echo PASS
