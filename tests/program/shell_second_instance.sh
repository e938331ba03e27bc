#!/usr/bin/env bash
# A second start while the first runs asks "既に起動しています。..." (caption "二重起動"):
# No ends the second with exit code 0 and leaves the first running; Yes ends the first (exit code 0)
# and the second runs on.
set -u
player=$(realpath "$1")
. "$(dirname "$0")/shell_lib.bash"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
top=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -9 $p 2>/dev/null; done; rm -rf "$top"' EXIT
export XDG_RUNTIME_DIR=$top/run
mkdir -p "$XDG_RUNTIME_DIR"
make_project_folder "$top/one"
make_project_folder "$top/two"

cd "$top/one"
"$player" 2> "$top/err1" &
first=$!
pids+=($first)
wait_for 60 player_ready "$top/one" || fail "first player did not start"

# Answered No.
cd "$top/two"
MIRELDA4_ANSWERS=no timeout 60 "$player" 2> "$top/err2"
code=$?
[ $code -eq 0 ] || fail "second start answered No: exit code $code"
grep -q "二重起動" "$top/err2" || fail "no question with the caption 二重起動"
grep -q "既に起動しています。" "$top/err2" || fail "question text missing"
[ -d "$top/two/user_data" ] && fail "second start answered No went on starting"
kill -0 $first || fail "first player ended after the No"
[ "$(cat "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid")" = "$first" ] || fail "first window no longer published"

# Answered Yes.
MIRELDA4_ANSWERS=yes "$player" 2> "$top/err3" &
second=$!
pids+=($second)
wait $first
code=$?
[ $code -eq 0 ] || fail "first player ended by the restart: exit code $code"
wait_for 60 player_ready "$top/two" || fail "second player did not start after the restart"
wait_for 10 test "$(cat "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid")" = "$second" ||
    fail "second window not published"
kill -0 $second || fail "second player is not running"
kill -TERM $second
wait $second
code=$?
[ $code -eq 0 ] || fail "second player after SIGTERM: exit code $code"
echo PASS
