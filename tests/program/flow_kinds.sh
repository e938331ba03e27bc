#!/bin/bash
# Every trigger kind and command kind shown having their effect in play (the sound command only
# runs: nothing in the trace shows a sound), with the conditions, key sequences, flow pauses, targets,
# shot formations and hits that only such data reaches, headless, one small fixture stage each
# (written by the fixture writer beside the demo project), all played side by side with scripted
# input. A trigger's flow counts in the score, and a trigger that the stage must not raise marks the
# score with 900000; a command shows in the hero's position, the score, the live lists, the shown
# pictures or the stage-end word of the trace; a message that holds the game until the confirm key
# opens its window and shows its text while the trace stands still.
# Usage: flow_kinds.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
"$build/m4_fixturewriter" "$dir" >/dev/null || fail "the fixture writer failed"

# stage | input (runs of frames: count direction buttons, ';' between runs) | check on the trace rows
# r (x, y, hp, score, charas, items, shots, pics, end); `counted` is 1 <= score < 900000, `still` the
# steps of the stage where the hero only waits, and `drawn` that the frames drawn after the command
# (snapshots of presented frames 150 to 220) differ from that stage's, those before (100) not.
# Play begins about frame 90; direction 1 is left, 2 right; buttons 1 jump, 2 shoot.
cat >table.txt <<'EOF2'
t_damaged          | 240 2 0                      | counted and r[-1].hp < 5
t_impact           | 240 0 0                      | counted and min(s.x for s in r) < r[0].x - 16
t_died             | 100 0 0;5 0 2;20 0 0;5 0 2;110 0 0 | counted and r[-1].charas < r[0].charas
t_hit_chara        | 240 2 0                      | counted
t_hit_block_chara  | 240 2 0                      | counted
t_on_block_chara   | 240 0 0                      | counted
t_hit_shot         | 100 0 0;5 0 2;20 0 0;5 0 2;110 0 0 | counted
t_hit_item         | 240 2 0                      | counted and r[-1].items == 0
t_hit_block        | 240 0 0                      | counted and r[0].score == 0
t_block_left_right | 240 1 0                      | counted
t_block_left       | 240 1 0                      | counted
t_block_right      | 240 2 0                      | counted
t_block_up_down    | 240 0 0                      | counted and r[0].score == 0
t_block_up         | 100 0 0;10 0 1;130 0 0       | counted
t_block_down       | 240 0 0                      | counted and r[0].score == 0
t_ridden_by_hero   | 240 0 0                      | counted
t_ridden_by_chara  | 240 0 0                      | counted
t_before_stage     | 240 0 0                      | r[0].score == 1 and r[-1].score == 1
t_before_stage_defeat | 240 0 0                   | r[0].charas == 0 and r[-1].charas == 0
t_by_command       | 240 0 0                      | r[-1].score == 1
c_wait             | 240 0 0                      | 1 <= r[-1].score <= 4
c_line_move        | 240 0 0                      | r[-1].x < r[0].x - 32
c_ground_turn_move | 240 0 0                      | turned(r) and spread(r[20:], 'y') < 8
c_circle_move      | 240 0 0                      | spread(r, 'x') >= 16 and spread(r, 'y') >= 16
c_charge_move      | 240 0 0                      | r[-1].hp < 5
c_homing_move      | 240 0 0                      | r[-1].hp < 5
c_turn             | 240 0 0                      | r[-1].x < r[0].x - 32
c_jump             | 240 0 0                      | min(s.y for s in r) < r[0].y - 32
c_shot             | 240 0 0                      | max(s.shots for s in r) >= 1
c_sword            | 240 0 0                      | max(s.shots for s in r) >= 1
c_summon_chara     | 240 0 0                      | r[-1].charas > r[0].charas
c_summon_blocked   | 240 0 0                      | r[-1].charas == r[0].charas == 1
c_summon_item      | 240 0 0                      | max(s.items for s in r) >= 1
c_stage_clear      | 240 0 0                      | any(s.end == 1 for s in r)
c_warp             | 240 0 0                      | any(a.y - b.y >= 32 for a, b in zip(r, r[1:]))
c_loop             | 240 0 0                      | r[30].score == 3
c_show_picture     | 240 0 0                      | max(s.pics for s in r) >= 1
c_show_picture_timed | 240 0 0                    | max(s.pics for s in r) == 1 and r[-1].pics == 0 and r[-1].loaded == 0
h_block_conditions | 240 2 0                      | r[0].x + 3 * 32 < r[-1].x < r[0].x + 6 * 32
c_status           | 240 0 0                      | r[0].hp == 3 and r[-1].hp == 3
c_cancel_move      | 240 0 0                      | min(s.x for s in r) > min(s.x for s in rows('t_impact')) + 8
c_arrange          | 240 0 0                      | r[-1].hp == 2
c_play_bgm         | 240 0 0                      | music(name)[-1] == '4 2'
c_status2          | 240 0 0                      | r[0].charas == 1 and r[-1].charas == 0
c_take_item        | 240 0 0                      | r[-1].score == 1
c_game_wait        | 240 0 0                      | len(r) <= still - 50 and r[-1].x == r[0].x
c_still            | 240 0 0                      | r[-1].x == r[0].x
c_screen_colour    | 240 0 0                      | drawn(name)
c_screen_effect    | 240 0 0                      | drawn(name)
c_chara_effect     | 240 0 0                      | drawn(name)
c_change_graphic   | 240 0 0                      | drawn(name)
c_run_effect       | 240 0 0                      | drawn(name)
c_message          | 240 0 0                      | drawn(name)
c_summon_block     | 240 0 0                      | drawn(name)
c_change_background | 240 0 0                     | drawn(name)
c_change_animset   | 240 0 0                      | drawn(name)
c_avoid_offscreen  | 240 0 0                      | gone_and_back(r)
c_none             | 240 0 0                      | r[-1].score == 1
c_run_code         | 240 0 0                      | r[-1].score == 42
c_play_se          | 240 0 0                      | r[-1].score == 1
c_target_nearest   | 240 0 0                      | r[-1].x < r[0].x - 16
c_target_by_id     | 240 0 0                      | r[-1].x > r[0].x + 16
c_conditions       | 240 0 0                      | r[-1].score == 111111
c_flow_pause_erase | 240 0 0                      | paused_then_erased(r)
c_status_ops       | 240 0 0                      | r[-1].score == 115 and r[-1].hp == 3 and r[0].charas == 1 and r[-1].charas == 0
c_shot_turns_to_nearest | 240 0 0                 | counted
k_double_tap       | 100 0 0;5 2 0;5 0 0;30 2 0;100 0 0 | r[15].score == 0 and r[-1].score == 1
k_mirrored         | 100 0 0;5 1 0;5 0 0;30 1 0;100 0 0 | r[15].score == 0 and r[-1].score == 1
c_shot_aimed       | 240 0 0                      | counted
h_shots_cross      | 240 0 0                      | r[-1].hp < 5
h_shots_cancel     | 240 0 0                      | r[-1].hp == 5 and max(s.shots for s in r) >= 1
h_many_targets     | 240 0 0                      | counted and r[0].charas >= 16
h_flying_into_block_chara | 240 0 0               | counted and r[0].x + 32 < r[-1].x < r[0].x + 4 * 32 - 16
h_hit_effect_body  | 240 2 0                      | counted and drawn_unlike(name, 't_damaged')
c_message_field    | 240 0 0                      | drawn(name) and frames(name) == frames('c_message_digits')
c_message_digits   | 240 0 0                      | drawn(name)
c_message_wait     | 240 0 0                      | len(r) <= still - 50 and window_like(name, 'c_message_digits')
c_code_results     | 240 0 0                      | r[-1].score == 42 and r[-1].hp == 4
t_ride_off         | 130 0 0;110 2 0              | counted and fell_off(r)
c_arrange_shot     | 240 0 0                      | counted
c_shot_burst       | 240 0 0                      | max(s.shots for s in r) >= 6
c_shot_ring        | 240 0 0                      | max(s.shots for s in r) >= 6
c_shot_thunder     | 240 0 0                      | max(s.shots for s in r) >= 2
c_arrange_formation | 240 0 0                     | max(s.shots for s in r) > max(s.shots for s in rows('c_shot_thunder'))
c_line_move_angle  | 240 0 0                      | spread(r, 'y') >= 32 and spread(r, 'x') < 8
h_sky_scrolling    | 240 0 0                      | drawn_unlike(name, 'h_sky_still')
h_sky_still        | 240 0 0                      | r[-1].x == r[0].x
EOF2

# Each stage in a copy of the project with a runtime folder of its own, sixteen at a time (a player
# spends most of a frame waiting for the next): a new one starts as soon as one ends. The stages are
# played to their frame limit however slow the machine is; the time limit is only for a player that
# hangs.
names=()
while IFS='|' read -r name input check; do
    name=$(echo $name)
    names+=("$name")
    project_copy "$name"
    tr ';' '\n' <<<"$input" >"$name/input.txt"
    mkdir "$name/snaps"
    [ "$(jobs -rp | wc -l)" -ge 16 ] && wait -n
    (cd "$name" && XDG_RUNTIME_DIR="$dir/$name/run" MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt \
        MIRELDA4_MUSIC=music.txt MIRELDA4_FRAME_LIMIT=240 MIRELDA4_SNAPSHOT="snaps:100,$(seq -s, 150 5 220)" timeout $HANG_LIMIT "$player" "data\\stg4\\fx_$name.stg4_000" 2>stderr.txt
    echo $? >rc) &
done <table.txt
wait

python3 - table.txt <<'EOF2'
import sys, re, types, glob
ok = True
def spread(r, k):
    v = [getattr(s, k) for s in r]
    return max(v) - min(v)
def frames(n):
    files = glob.glob(f'{n}/snaps/*.bmp')
    # The play area only: the status bar's bottom 32 rows (stored first) keep their own time.
    return [open(f, 'rb').read()[54 + 32 * 640 * 3:]
            for f in sorted(files, key=lambda f: int(re.sub(r'\D', '', f)))]
def drawn(name):
    mine, still = frames(name), frames('c_still')
    return len(mine) == len(still) > 1 and mine[0] == still[0] and mine[1:] != still[1:]
def turned(r):
    xs = [s.x for s in r]
    top = xs.index(max(xs))
    return max(xs) > xs[0] + 16 and min(xs[top:]) < max(xs) - 32
def score_runs(r):
    # The runs of steps with the same score: the finished ones and the last.
    v = [s.score for s in r]
    runs, n = [], 1
    for a, b in zip(v, v[1:]):
        if a == b:
            n += 1
        else:
            runs.append(n)
            n = 1
    return runs, n
def paused_then_erased(r):
    # Counting leaves short runs, the pause one of 30 or more before it counts again, and the
    # erasure leaves the score still to the end.
    runs, last = score_runs(r)
    return 3 <= r[-1].score < 100 and len(runs) >= 2 and max(runs[1:]) >= 30 and last >= 60
def gone_and_back(r):
    # Counting while in view, a long still run while out of it, counting again at the end.
    runs, last = score_runs(r)
    return len(runs) >= 4 and runs[0] < 20 and max(runs) >= 50 and last < 20
def window_like(name, twin):
    # The message window at the screen's centre in the last frame taken: drawn as the twin stage
    # draws it, unlike the stage without it.
    def box(f):
        return [f[(447 - y) * 1920 + 3 * 280:(447 - y) * 1920 + 3 * 360] for y in range(220, 260)]
    mine, theirs, still = frames(name), frames(twin), frames('c_still')
    return len(mine) == len(theirs) == len(still) > 1 and box(mine[-1]) == box(theirs[-1]) != box(still[-1])
def drawn_unlike(name, twin):
    # The same play as the twin stage without the drawn thing (positions, hit points, score), and
    # frames drawn differently.
    a, b = rows(name), rows(twin)
    same = [(s.x, s.y, s.hp, s.score) for s in a] == [(s.x, s.y, s.hp, s.score) for s in b]
    mine, theirs = frames(name), frames(twin)
    return same and len(mine) == len(theirs) > 1 and mine != theirs
def fell_off(r):
    # Riding the block character a block above the floor, then walked off it and down on the floor.
    return r[-1].y > r[30].y + 16 and r[-1].x > r[30].x + 32
def rows(name):
    if open(f'{name}/rc').read().strip() != '0':
        return []
    found = []
    for t in open(f'{name}/trace.txt'):
        m = re.match(r'\d+ hero=([-\d.]+),([-\d.]+) hp=(-?\d+) score=(\d+) time=\d+ '
                     r'objs=(\d+),(\d+),(\d+) pics=(\d+),(\d+) end=(\d+)', t)
        if m:
            v = m.groups()
            found.append(types.SimpleNamespace(x=float(v[0]), y=float(v[1]), hp=int(v[2]), score=int(v[3]),
                                               charas=int(v[4]), items=int(v[5]), shots=int(v[6]),
                                               pics=int(v[7]), loaded=int(v[8]), end=int(v[9])))
    return found
def music(name):
    return [l.strip() for l in open(f'{name}/music.txt')]
still = len(rows('c_still'))
for line in open(sys.argv[1]):
    name, _, check = [p.strip() for p in line.split('|')]
    r = rows(name)
    if len(r) < 20:
        print(f'FAIL: {name}: exit code {open(f"{name}/rc").read().strip()}, {len(r)} steps traced')
        ok = False
        continue
    counted = 1 <= r[-1].score < 900000
    if not eval(check):
        print(f'FAIL: {name}: {check}\n  first {r[0]}\n  last  {r[-1]}'); ok = False
    else:
        print(f'{name}: {check}')
sys.exit(0 if ok else 1)
EOF2
