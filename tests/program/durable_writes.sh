#!/bin/bash
# Every user file lasts a power loss: the menu scenarios that write the options, a replay, a story
# slot with a ranking, the challenge progress and the start-up choice are played again with the
# player under strace, and each rename of a temporary file into place must follow a data sync of
# that temporary file and be followed by a sync of its folder, on the same thread. The window
# placement is written at every close.
# Usage: durable_writes.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/shell_lib.bash"
need_tools strace python3
outer=$(mktemp -d)
trap 'rm -rf "$outer"' EXIT

# A player beside the project writers that runs the real one under strace, adding to one log.
mkdir "$outer/bin"
for tool in m4_projwriter m4_fixturewriter; do
    [ -x "$build/$tool" ] && ln -s "$build/$tool" "$outer/bin/$tool"
done
export DURABLE_LOG="$outer/strace.log" DURABLE_PLAYER="$player"
cat >"$outer/bin/mirelda4" <<'EOF'
#!/bin/bash
# The leak checker of a sanitizer build cannot run under strace.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
exec strace -f -qq -y -A -o "$DURABLE_LOG" -e trace=fdatasync,fsync,rename,renameat,renameat2 \
    "$DURABLE_PLAYER" "$@"
EOF
chmod +x "$outer/bin/mirelda4"

for scenario in menu_options menu_free_replay menu_story menu_challenge startup_dialog; do
    bash "$here/$scenario.sh" "$outer/bin/mirelda4" "$build" >"$outer/$scenario.out" 2>&1 ||
        { cat "$outer/$scenario.out"; fail "$scenario failed under strace"; }
done

python3 - "$DURABLE_LOG" <<'EOF' || fail "a user file was renamed into place without its syncs"
import re, sys, os
lines = open(sys.argv[1], encoding="utf-8", errors="replace").read().splitlines()
call = re.compile(r'^(\d+)\s+(\w+)\((.*)$')
events = []  # (tid, kind, detail)
for line in lines:
    m = call.match(line)
    if not m:
        continue
    tid, name, rest = m.groups()
    if name in ("fdatasync", "fsync"):
        fd = re.match(r'\d+<(.*?)>', rest)
        if fd and not rest.rstrip().endswith("= -1") and "= -1 " not in rest:
            events.append((tid, name, fd.group(1)))
    elif name.startswith("rename"):
        args = re.findall(r'"((?:[^"\\]|\\.)*)"', rest)
        if len(args) == 2 and re.search(r'\) = 0$', rest):
            events.append((tid, "rename", tuple(args)))
wanted = {"Option.dat": 0, ".rpl4_732": 0, "Story01.dat": 0, ".rkg": 0, "Challenge.dat": 0,
          "Window.dat": 0, "Boot.dat": 0}
bad = []
for i, (tid, kind, detail) in enumerate(events):
    if kind != "rename":
        continue
    src, dst = detail
    if not re.search(r'\.tmp-\d+-\d+$', src):
        continue
    before = [d for t, k, d in events[:i] if t == tid and k == "fdatasync"]
    after = [d for t, k, d in events[i + 1:] if t == tid and k == "fsync"]
    synced = bool(before) and before[-1].endswith("/" + os.path.basename(src))
    folder = os.path.dirname(dst) or "."
    folder_synced = bool(after) and (folder == "." or after[0].endswith("/" + os.path.basename(folder)))
    if not (synced and folder_synced):
        bad.append(f"{dst}: data synced {synced}, folder synced {folder_synced}")
    for key in wanted:
        if dst.endswith(key):
            wanted[key] += 1
for b in bad:
    print(b)
missing = [k for k, n in wanted.items() if n == 0]
if missing:
    print("no write seen of:", " ".join(missing))
sys.exit(1 if bad or missing else 0)
EOF
echo PASS
