#!/bin/bash
# Records the replay regression suite anew with a built player: for each STAGE.input here, the demo
# project (written by the project writer beside the player) is played from data\stg4\STAGE.stg4_000
# with that input script; the script's last key saves the replay through the scripted save dialog
# (f1 the current play, f2 the previous one). The saved replay is then played back, and its trace up
# to the replay's end must equal the recorded play's trace (the attempt the replay holds): a
# difference is a determinism fault and nothing is stored for that stage. Stored per stage:
#   STAGE.rpl4_732  the replay file
#   STAGE.trace     the expected trace, one line per play step of the replay
# The line "# frames: N" of an input script is the frame limit of the recording run (the key that
# saves the replay must come before it); "# outcome: WORDS" names fields (e.g. "end=1") that the
# replay's last traced step must hold, so that a recording that no longer reaches its outcome is
# refused instead of stored.
# Usage: tests/replays/record.sh <build-dir> [STAGE...]
set -u
build=$(realpath "${1:?usage: record.sh <build-dir> [STAGE...]}")
shift
here=$(cd "$(dirname "$0")" && pwd)
player=$build/mirelda4
[ -x "$player" ] && [ -x "$build/m4_projwriter" ] || { echo "no player or project writer in $build" >&2; exit 1; }
stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then
    for f in "$here"/*.input; do stages+=("$(basename "$f" .input)"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
"$build/m4_projwriter" "$work/project" >/dev/null || { echo "the project writer failed" >&2; exit 1; }
printf 'Direct3D=0\r\nWindowMode=1\r\nExit\r\n' >"$work/project/System.ini"

record() {
    local s=$1 input=$here/$1.input d=$work/$1
    [ -f "$input" ] || { echo "$s: no input script $input"; return 1; }
    local frames outcome
    frames=$(sed -n 's/^# frames: *\([0-9]*\).*/\1/p' "$input")
    outcome=$(sed -n 's/^# outcome: *//p' "$input")
    [ -n "$frames" ] || { echo "$s: the input script has no '# frames:' line"; return 1; }
    cp -r "$work/project" "$d"
    mkdir -m 700 -p "$d/run"
    (
        cd "$d" || exit 1
        export XDG_RUNTIME_DIR=$d/run
        MIRELDA4_INPUT="$input" MIRELDA4_TRACE="$d/live.txt" MIRELDA4_FRAME_LIMIT="$frames" \
            MIRELDA4_ANSWERS="user_data/rpl4/$s.rpl4_732" timeout 120 "$player" "data\\stg4\\$s.stg4_000" \
            2>"$d/err1.txt" || { echo "$s: the recording run failed"; cat "$d/err1.txt"; exit 1; }
        [ -s "user_data/rpl4/$s.rpl4_732" ] || { echo "$s: no replay was saved"; exit 1; }
        # Long enough for the replay to end and start again.
        MIRELDA4_TRACE="$d/played.txt" MIRELDA4_FRAME_LIMIT=$((frames + 200)) \
            timeout 120 "$player" "user_data\\rpl4\\$s.rpl4_732" 2>"$d/err2.txt" ||
            { echo "$s: the playback run failed"; cat "$d/err2.txt"; exit 1; }
    ) || return 1
    # The replay's steps: the playback's trace up to the line where it starts again at frame 1
    # (or a stage end, after which the player waits).
    local n
    n=$(awk 'NR > 1 && $1 == 1 { print NR - 1; exit }' "$d/played.txt")
    [ -n "$n" ] || n=$(grep -n -m 1 ' end=[^0]' "$d/played.txt" | cut -d: -f1)
    [ -n "$n" ] || { echo "$s: the playback neither ended nor started again"; return 1; }
    head -n "$n" "$d/played.txt" >"$d/expected.txt"
    # The attempt the replay holds: the recorded run's trace lines of that attempt, found by the
    # playback's first line (a restarted stage begins with its set-up line, which the replay does not
    # hold).
    local first at
    cut -d' ' -f2- "$d/expected.txt" >"$d/played-attempt.txt"
    first=$(head -n 1 "$d/played-attempt.txt")
    at=$(cut -d' ' -f2- "$d/live.txt" | grep -n -x -F -m 1 -- "$first" | cut -d: -f1)
    [ -n "$at" ] || {
        echo "$s: DETERMINISM FAULT: the playback's first step is not in the recorded play"
        echo "  played:   $first"
        return 1
    }
    tail -n +"$at" "$d/live.txt" | head -n "$n" | cut -d' ' -f2- >"$d/live-attempt.txt"
    if ! cmp -s "$d/live-attempt.txt" "$d/played-attempt.txt"; then
        local k
        k=$(cmp "$d/live-attempt.txt" "$d/played-attempt.txt" 2>/dev/null | sed -n 's/.* line \([0-9]*\).*/\1/p')
        echo "$s: DETERMINISM FAULT: the playback differs from the recorded play at replay step ${k:-?}"
        echo "  recorded: $(sed -n "${k:-1}p" "$d/live-attempt.txt")"
        echo "  played:   $(sed -n "${k:-1}p" "$d/played-attempt.txt")"
        return 1
    fi
    local last word
    last=$(tail -n 1 "$d/expected.txt")
    for word in $outcome; do
        grep -q -- " $word " <<<" $last " || { echo "$s: outcome '$word' not reached: $last"; return 1; }
    done
    cp "$d/user_data/rpl4/$s.rpl4_732" "$here/$s.rpl4_732"
    cp "$d/expected.txt" "$here/$s.trace"
    echo "$s: $n steps recorded; last: $last"
}

status=0
for s in "${stages[@]}"; do record "$s" || status=1; done
exit $status
