#include "fixture_stages.h"

#include "demo_game.h"
#include "demo_project.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include "project/database_records.h"
#include "flow/status_ops.h"
#include "objects/shot.h"
#include "project/project_database.h"
#include "records/effect_kinds.h"
#include "records/serial_record.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace fixture_stages {

namespace {

using flow_writer::MakeCommand;

// Demo pictures: block 1 grass, 3 brick; characters 2 the slime, 3 the platform; items 1 the coin.
constexpr int BLOCK_GRASS = 1, BLOCK_BRICK = 3, CHARA_SLIME = 2, CHARA_PLATFORM = 3, ITEM_COIN = 1;
// Directions of the movement list: 2 left, 3 right, 6 up.
constexpr std::uint8_t LEFT = 2, RIGHT = 3, UP = 6;

using flow_writer::Flow;
using flow_writer::Move;
using flow_writer::Timed;
using flow_writer::WithParams;

// What a probe's flow does when its trigger is raised: the score counts it. A trigger that must not
// be raised sets the score to a mark far above any count.
cEdFlowCmd Count() {
    return flow_writer::MakeCode("score = score + 1");
}
cEdFlowCmd Wrong() {
    return flow_writer::MakeCode("score = 900000");
}
// A command that runs before the stage starts (the flows of that trigger run only such commands).
cEdFlowCmd AtStart(cEdFlowCmd c) {
    c.m_bRunWithNext = 1;
    return c;
}

// A stage of width x height with grass on its last row and the demo's hero at column `heroX`.
cEdStage Floor(int width, int height, int heroX) {
    cEdStage stage;
    stage.m_nWidth = width;
    stage.m_nHeight = height;
    for (int x = 0; x < width; ++x)
        stage.m_Blocks.push_back(stage_writer::MakeBlock(x, height - 1, BLOCK_GRASS));
    stage.m_Charas.push_back(demo_game::Hero(heroX, height - 2));
    return stage;
}

// The probes' stage: 20 x 15 blocks, the floor on row 14, the hero standing at (8, 13). The probes'
// hero keeps the facing its flows give it (only such a character obeys a turn command), whichever way
// the demo's own hero turns.
constexpr int PROBE_W = 20, PROBE_H = 15, HERO_X = 8, HERO_Y = 13;
cEdStage Probe() {
    cEdStage stage = Floor(PROBE_W, PROBE_H, HERO_X);
    stage.m_Charas.front().m_nFixedFacing = 1;
    return stage;
}
cEdCharaDef& HeroOf(cEdStage& stage) {
    return stage.m_Charas.front();
}
void Wall(cEdStage& stage, int x, int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
        stage.m_Blocks.push_back(stage_writer::MakeBlock(x, y, BLOCK_BRICK));
}
cEdCharaDef Chara(int x, int y) {
    cEdCharaDef c = stage_writer::MakeChara(x, y, CHARA_SLIME);
    c.m_nFixedFacing = 1;
    return c;
}
cEdCharaDef BlockChara(int x, int y) {
    cEdCharaDef c = stage_writer::MakeChara(x, y, CHARA_PLATFORM);
    c.m_nBlockChara = 1;
    c.m_nMoveType = 1;
    c.m_nInvincible = 1;
    c.m_nFaction = 2;
    return c;
}

// ---- Trigger probes: the flow of the trigger counts in the score ----

// A hero that falls from four blocks up onto the floor, flows on `trigger` counting and on `wrong`
// (if any) marking.
cEdStage Landing(FlowTriggerKind trigger, int wrong) {
    cEdStage stage = Probe();
    HeroOf(stage).m_nY = HERO_Y - 4;
    HeroOf(stage).m_Flows.push_back(Flow(trigger, {Count()}));
    if (wrong >= 0) HeroOf(stage).m_Flows.push_back(Flow(static_cast<FlowTriggerKind>(wrong), {Wrong()}));
    return stage;
}

// Walls of two blocks three columns to either side of the hero, which it walks into (scripted input).
cEdStage Walls(FlowTriggerKind trigger, int wrong) {
    cEdStage stage = Probe();
    Wall(stage, HERO_X - 3, HERO_Y - 1, HERO_Y);
    Wall(stage, HERO_X + 3, HERO_Y - 1, HERO_Y);
    HeroOf(stage).m_Flows.push_back(Flow(trigger, {Count()}));
    if (wrong >= 0) HeroOf(stage).m_Flows.push_back(Flow(static_cast<FlowTriggerKind>(wrong), {Wrong()}));
    return stage;
}

// A character that walks left into the hero from four blocks to its right, pushing with its body but
// doing no harm.
cEdCharaDef Pusher() {
    cEdCharaDef pusher = Chara(HERO_X + 4, HERO_Y);
    pusher.m_nBodyImpact = 10;
    pusher.m_Flows.push_back(Flow(FTK_ALWAYS, {Move(FCT_LINE_MOVE, LEFT, 10, 100)}));
    return pusher;
}

// A character two blocks to the hero's right (or as placed), which the hero walks into.
cEdStage Touch(const cEdCharaDef& other, FlowTriggerKind trigger, int wrong) {
    cEdStage stage = Probe();
    stage.m_Charas.push_back(other);
    HeroOf(stage).m_Flows.push_back(Flow(trigger, {Count()}));
    if (wrong >= 0) HeroOf(stage).m_Flows.push_back(Flow(static_cast<FlowTriggerKind>(wrong), {Wrong()}));
    return stage;
}

// A character three blocks to the hero's right, which the hero shoots; its own flows count.
cEdStage Target(int hp, FlowTriggerKind trigger) {
    cEdStage stage = Probe();
    cEdCharaDef target = Chara(HERO_X + 3, HERO_Y);
    target.m_nMaxHP = static_cast<std::uint32_t>(hp);
    target.m_Flows.push_back(Flow(trigger, {Count()}));
    stage.m_Charas.push_back(target);
    return stage;
}

// A block character under the hero's landing place (`hero`) or under a falling character.
cEdStage Riding(bool hero, FlowTriggerKind heroTrigger, FlowTriggerKind platformTrigger, int wrong) {
    cEdStage stage = Probe();
    cEdCharaDef platform = BlockChara(hero ? HERO_X : HERO_X + 4, HERO_Y - 1);
    if (hero) {
        HeroOf(stage).m_nY = HERO_Y - 4;
        if (heroTrigger != FTK_ALWAYS) HeroOf(stage).m_Flows.push_back(Flow(heroTrigger, {Count()}));
    } else {
        stage.m_Charas.push_back(Chara(HERO_X + 4, HERO_Y - 4));
    }
    if (platformTrigger != FTK_ALWAYS) platform.m_Flows.push_back(Flow(platformTrigger, {Count()}));
    if (wrong >= 0) platform.m_Flows.push_back(Flow(static_cast<FlowTriggerKind>(wrong), {Wrong()}));
    stage.m_Charas.push_back(platform);
    return stage;
}

// ---- Command probes: the hero runs the command over and over (its flow of every frame) ----

cEdStage Runs(std::initializer_list<cEdFlowCmd> commands) {
    cEdStage stage = Probe();
    HeroOf(stage).m_Flows.push_back(Flow(FTK_ALWAYS, commands));
    return stage;
}

// The memory fixture's characters, and the times each repeats its loop's body: together as many
// flow entries as a stage's objects may hold.
constexpr int MEMORY_CHARAS = 512, MEMORY_LOOP = 256;
// The characters the play fixture's hero summons at a time.
constexpr int MEMORY_SUMMONS = 32;

} // namespace

cEdStage ReplaySummons() {
    cEdStage stage = Floor(30, 15, 4);
    cEdCharaDef slime = stage_writer::MakeChara(0, 0, CHARA_SLIME);
    cEdFlowCmd walk = MakeCommand(FCT_GROUND_TURN_MOVE);
    walk.m_Move->m_nSpeed = 8;
    walk.m_nUseTime = 10;
    slime.m_Flows.push_back(Flow(FTK_ALWAYS, {walk}));
    stage.m_PaletteCharas.resize(2);
    stage.m_PaletteCharas.at(1) = slime;
    cEdFlowCmd summon = MakeCommand(FCT_SUMMON_CHARA);
    summon.m_Shot->m_nGraphic = CHARA_SLIME;
    summon.m_Shot->m_nCount = 1;
    summon.m_Shot->m_nSummonPalette = 1; // the stage's own palette
    summon.m_Shot->m_nSummonEntry = 1;
    stage.m_Charas.front().m_Flows.push_back(Flow(FTK_ALWAYS, {summon, Timed(MakeCommand(FCT_WAIT), 10)}));
    return stage;
}

namespace {

// An item of the stage's palette whose command adds `points` to the score (none for 0).
cEdItemDef ScoreItem(int points) {
    cEdItemDef item = stage_writer::MakeItem(0, 0, ITEM_COIN);
    if (points == 0) return item;
    cEdFlowCmd code = flow_writer::MakeItemCommand(ICT_RUN_CODE);
    code.m_strText = "score = score + " + std::to_string(points);
    item.m_Commands.push_back(code);
    return item;
}

} // namespace

cEdStage ReplayPalette() {
    cEdStage stage = Floor(30, 15, 4);
    cEdCharaDef walker = stage_writer::MakeChara(0, 0, CHARA_SLIME);
    cEdFlowCmd walk = MakeCommand(FCT_GROUND_TURN_MOVE);
    walk.m_Move->m_nSpeed = 8;
    walk.m_nUseTime = 10;
    walker.m_Flows.push_back(Flow(FTK_ALWAYS, {Count(), walk, flow_writer::MakeWait(30000)}));
    stage.m_PaletteCharas.resize(3);
    stage.m_PaletteCharas.at(1) = stage_writer::MakeChara(0, 0, CHARA_SLIME);
    stage.m_PaletteCharas.at(2) = walker;
    stage.m_PaletteItems.resize(4);
    stage.m_PaletteItems.at(1) = ScoreItem(0);
    stage.m_PaletteItems.at(2) = ScoreItem(100);
    stage.m_PaletteItems.at(3) = ScoreItem(10000);

    cEdCharaDef& hero = HeroOf(stage);
    for (cEdFlow& flow : hero.m_Flows)
        for (cEdFlowCmd& command : flow.m_Commands)
            if (command.m_nKind == FCT_SHOT) {
                command.m_Shot->m_nItemPalette = 2; // the stage's own palette
                command.m_Shot->m_nItemEntry = 3;
            }
    cEdFlowCmd summon = MakeCommand(FCT_SUMMON_CHARA);
    summon.m_Shot->m_nGraphic = CHARA_SLIME;
    summon.m_Shot->m_nCount = 1;
    summon.m_Shot->m_nOffsetX = 96; // three blocks to the hero's right, where its shots fly
    summon.m_Shot->m_bMirrorOffsetX = 0;
    summon.m_Shot->m_nSummonPalette = 1; // the stage's own palette
    summon.m_Shot->m_nSummonEntry = 2;
    cEdFlowCmd take = WithParams(MakeCommand(FCT_TAKE_ITEM), {1, 2}); // the stage's item 2
    hero.m_Flows.push_back(Flow(FTK_ALWAYS, {summon, take, flow_writer::MakeWait(5)}));
    return stage;
}

namespace {

// A flow that repeats a code command with a long text MEMORY_LOOP times: each copy of the loop's
// body keeps a text of its own of some 1,600 bytes.
cEdFlow HungryFlow(FlowTriggerKind trigger) {
    std::string sum = "score = score";
    for (int k = 0; k < 400; ++k)
        sum += " + 0";
    return Flow(trigger, {WithParams(MakeCommand(FCT_LOOP), {MEMORY_LOOP, 1}), flow_writer::MakeCode(sum)});
}

} // namespace

cEdStage MemoryHungry() {
    cEdStage stage = Floor(20, 15, 4);
    for (int k = 0; k < MEMORY_CHARAS; ++k) {
        cEdCharaDef c = Chara(6 + k % 14, 1 + k / 14 % 12);
        c.m_Flows.push_back(HungryFlow(FTK_ALWAYS));
        stage.m_Charas.push_back(c);
    }
    return stage;
}

cEdStage MemoryHungryPlay() {
    cEdStage stage = Floor(20, 15, 4);
    // The summoned character's flow is built with the character and never started.
    cEdCharaDef hungry = Chara(0, 0);
    hungry.m_Flows.push_back(HungryFlow(FTK_BY_COMMAND));
    stage.m_PaletteCharas.resize(2);
    stage.m_PaletteCharas.at(1) = hungry;
    cEdFlowCmd summon = MakeCommand(FCT_SUMMON_CHARA);
    summon.m_Shot->m_nGraphic = CHARA_SLIME;
    summon.m_Shot->m_nCount = MEMORY_SUMMONS;
    summon.m_Shot->m_nSummonPalette = 1; // the stage's own palette
    summon.m_Shot->m_nSummonEntry = 1;
    HeroOf(stage).m_Flows.push_back(Flow(FTK_ALWAYS, {summon}));
    return stage;
}

cEdStage MemoryHungrySight() {
    cEdStage stage = MemoryHungry();
    // The widest round sight there is: its darkness takes some 100 MB.
    HeroOf(stage).m_nSightShape = 1;
    HeroOf(stage).m_nSightRange = 255;
    return stage;
}

std::vector<StageFile> All() {
    std::vector<StageFile> files;
    files.push_back({"fx_replay", ReplaySummons()});
    files.push_back({"fx_replay_palette", ReplayPalette()});
    const auto IndexOf = [&](const char* name) {
        std::size_t i = 0;
        while (i < files.size() && files[i].base != std::string("fx_") + name)
            ++i;
        return i;
    };
    const auto add = [&](const char* name, cEdStage stage) {
        files.push_back({std::string("fx_") + name, stage});
    };

    // Triggers.
    add("t_damaged", [] {
        cEdCharaDef enemy = Chara(HERO_X + 2, HERO_Y);
        enemy.m_nBodyPower = 1;
        return Touch(enemy, FTK_DAMAGED, -1);
    }());
    add("t_impact", Touch(Pusher(), FTK_IMPACT, FTK_DAMAGED));
    add("t_died", Target(1, FTK_DIED));
    add("t_hit_chara", Touch(Chara(HERO_X + 2, HERO_Y), FTK_HIT_CHARA, FTK_HIT_BLOCK_CHARA));
    add("t_hit_block_chara", Touch(BlockChara(HERO_X + 2, HERO_Y), FTK_HIT_BLOCK_CHARA, FTK_HIT_CHARA));
    add("t_on_block_chara", Riding(true, FTK_ON_BLOCK_CHARA, FTK_ALWAYS, -1));
    add("t_hit_shot", Target(99, FTK_HIT_SHOT));
    add("t_hit_item", [] {
        cEdStage stage = Probe();
        stage.m_Items.push_back(stage_writer::MakeItem(HERO_X + 2, HERO_Y, ITEM_COIN));
        HeroOf(stage).m_Flows.push_back(Flow(FTK_HIT_ITEM, {Count()}));
        return stage;
    }());
    add("t_hit_block", Landing(FTK_HIT_BLOCK, -1));
    add("t_block_left_right", Walls(FTK_BLOCK_LEFT_RIGHT, FTK_BLOCK_UP));
    add("t_block_left", Walls(FTK_BLOCK_LEFT, FTK_BLOCK_RIGHT));
    add("t_block_right", Walls(FTK_BLOCK_RIGHT, FTK_BLOCK_LEFT));
    add("t_block_up_down", Landing(FTK_BLOCK_UP_DOWN, FTK_BLOCK_LEFT_RIGHT));
    add("t_block_up", [] {
        // A ceiling two blocks above the hero's head, which its jump meets.
        cEdStage stage = Landing(FTK_BLOCK_UP, -1);
        HeroOf(stage).m_nY = HERO_Y;
        for (int x = HERO_X - 1; x <= HERO_X + 1; ++x)
            stage.m_Blocks.push_back(stage_writer::MakeBlock(x, HERO_Y - 3, BLOCK_BRICK));
        return stage;
    }());
    add("t_block_down", Landing(FTK_BLOCK_DOWN, FTK_BLOCK_UP));
    // A hero riding raises both: 16, then 17.
    add("t_ridden_by_hero", Riding(true, FTK_ALWAYS, FTK_RIDDEN_BY_HERO, -1));
    add("t_ridden_by_chara", Riding(false, FTK_ALWAYS, FTK_RIDDEN_BY_CHARA, FTK_RIDDEN_BY_HERO));
    add("t_before_stage", [] {
        cEdStage stage = Probe();
        HeroOf(stage).m_Flows.push_back(Flow(FTK_BEFORE_STAGE, {AtStart(Count())}));
        return stage;
    }());
    // A character whose flow before the stage sets its own hit points to 0 is gone when play begins.
    add("t_before_stage_defeat", [] {
        cEdStage stage = Probe();
        cEdCharaDef doomed = Chara(HERO_X + 4, HERO_Y);
        doomed.m_Flows.push_back(
            Flow(FTK_BEFORE_STAGE,
                 {AtStart(WithParams(MakeCommand(FCT_STATUS), {0, 0, 0, 0, 1, PLO_ASSIGN, 0, 0}))}));
        stage.m_Charas.push_back(doomed);
        return stage;
    }());
    // A flow started by the flow-control command of another (start, by ID, ID 7), once.
    add("t_by_command", [] {
        cEdStage stage = Probe();
        cEdFlow started = Flow(FTK_BY_COMMAND, {Count()});
        started.m_nId = 7;
        HeroOf(stage).m_Flows.push_back(started);
        HeroOf(stage).m_Flows.push_back(
            Flow(FTK_ALWAYS,
                 {WithParams(MakeCommand(FCT_FLOW_CONTROL), {0, 2, 7}), Timed(MakeCommand(FCT_WAIT), 100)}));
        return stage;
    }());

    // Commands.
    add("c_wait", Runs({Timed(MakeCommand(FCT_WAIT), 10), Count()}));
    add("c_line_move", Runs({Move(FCT_LINE_MOVE, LEFT, 25, 5)}));
    // On a ledge of five blocks, raised four blocks over the floor, the hero walks and turns at its ends.
    add("c_ground_turn_move", [] {
        cEdStage stage = Probe();
        for (int x = HERO_X - 2; x <= HERO_X + 2; ++x)
            stage.m_Blocks.push_back(stage_writer::MakeBlock(x, HERO_Y - 4, BLOCK_BRICK));
        HeroOf(stage).m_nY = HERO_Y - 5;
        HeroOf(stage).m_nFixedFacing = 0;
        HeroOf(stage).m_Flows.push_back(Flow(FTK_ALWAYS, {Move(FCT_GROUND_TURN_MOVE, 0, 25, 10)}));
        return stage;
    }());
    add("c_circle_move", [] {
        cEdFlowCmd circle = Move(FCT_CIRCLE_MOVE, 0, 0, 10);
        circle.m_Move->m_nHomingWeakness = 4; // radius in half blocks
        circle.m_Move->m_nDistance = 360;
        cEdStage stage = Runs({circle});
        HeroOf(stage).m_nMoveType = 1;
        HeroOf(stage).m_nY = HERO_Y - 5;
        return stage;
    }());
    // A character that hurts by touch targets the hero (faction 0) and charges at it, or flies at it
    // homing in; the hero, standing still, is hurt only when it arrives.
    add("c_charge_move", [] {
        cEdStage stage = Probe();
        cEdCharaDef charger = Chara(HERO_X + 5, HERO_Y);
        charger.m_nBodyPower = 1;
        charger.m_Flows.push_back(
            Flow(FTK_ALWAYS, {WithParams(MakeCommand(FCT_SET_TARGET), {0}), Move(FCT_CHARGE_MOVE, 0, 40, 15),
                              Timed(MakeCommand(FCT_WAIT), 10)}));
        stage.m_Charas.push_back(charger);
        return stage;
    }());
    add("c_homing_move", [] {
        cEdStage stage = Probe();
        cEdCharaDef bat = Chara(HERO_X + 5, HERO_Y - 4);
        bat.m_nBodyPower = 1;
        bat.m_nMoveType = 1;
        bat.m_Flows.push_back(Flow(
            FTK_ALWAYS, {WithParams(MakeCommand(FCT_SET_TARGET), {0}), Move(FCT_HOMING_MOVE, 0, 40, 30)}));
        stage.m_Charas.push_back(bat);
        return stage;
    }());
    // Turned to the left, the hero walks forward: to the left.
    add("c_turn", Runs({WithParams(MakeCommand(FCT_TURN), {0}), Move(FCT_LINE_MOVE, 0, 25, 5)}));
    add("c_jump", Runs({WithParams(MakeCommand(FCT_JUMP), {0, 0, 5})}));
    add("c_shot", [] {
        cEdFlowCmd shot = flow_writer::MakeShot(1, 1, 0, 60);
        shot.m_Shot->m_nVanishValue = 1;
        shot.m_Shot->m_bLifetimeLimit = 1;
        shot.m_Shot->m_nLifetime = 10;
        return Runs({shot, Timed(MakeCommand(FCT_WAIT), 5)});
    }());
    add("c_sword", Runs({Timed(MakeCommand(FCT_SWORD), 2), Timed(MakeCommand(FCT_WAIT), 5)}));
    add("c_summon_chara", [] {
        cEdFlowCmd summon = MakeCommand(FCT_SUMMON_CHARA);
        summon.m_Shot->m_nGraphic = CHARA_SLIME;
        summon.m_Shot->m_nCount = 1;
        summon.m_Shot->m_nSummonPalette = 0; // the common palette's character
        summon.m_Shot->m_nSummonEntry = 1;
        return Runs({summon, Timed(MakeCommand(FCT_WAIT), 10)});
    }());
    add("c_summon_item", [] {
        cEdFlowCmd coins = MakeCommand(FCT_SUMMON_ITEM);
        coins.m_Shot->m_nGraphic = ITEM_COIN;
        coins.m_Shot->m_nCount = 3;
        coins.m_Shot->m_nRange = 50;
        return Runs({coins, Timed(MakeCommand(FCT_WAIT), 50)});
    }());
    add("c_stage_clear",
        Runs({Timed(MakeCommand(FCT_WAIT), 5), WithParams(MakeCommand(FCT_STAGE_CLEAR), {3})}));
    // Four half blocks up from where it stands, once a second.
    add("c_warp", [] {
        cEdFlowCmd warp = MakeCommand(FCT_WARP);
        warp.m_Move->m_nTargetMode = 0;
        warp.m_Move->m_nDirection = UP;
        warp.m_Move->m_nDistance = 4;
        return Runs({Timed(MakeCommand(FCT_WAIT), 5), warp, Timed(MakeCommand(FCT_WAIT), 5)});
    }());
    // The count three times (the loop stands the one command after it three times), then a long wait.
    add("c_loop",
        Runs({WithParams(MakeCommand(FCT_LOOP), {3, 1}), Count(), Timed(MakeCommand(FCT_WAIT), 100)}));
    // Two hit points taken by the hero's own status command (status 1, HP: add -2), once.
    add("c_status", Runs({WithParams(MakeCommand(FCT_STATUS), {0, 0, 0, 0, 1, PLO_ADD, 0, -2}),
                          Timed(MakeCommand(FCT_WAIT), 100)}));
    // The pusher of "t_impact" walks into the hero, whose flow of that trigger stops the push at
    // once: the hero is thrown back less far.
    add("c_cancel_move", Touch(Pusher(), FTK_IMPACT, -1));
    files.back().stage.m_Charas.front().m_Flows.back() = Flow(FTK_IMPACT, {MakeCommand(FCT_CANCEL_MOVE)});
    // Both bounds of the random HP change (-1 as written) arranged from common variable 1, set to
    // -3 before: the hero loses 3.
    add("c_arrange", Runs({flow_writer::MakeCode("C1 = -3"),
                           flow_writer::MakeArrange(FCT_STATUS, 0, PLO_ASSIGN, VS_COMMON, 1),
                           flow_writer::MakeArrange(FCT_STATUS, 1, PLO_ASSIGN, VS_COMMON, 1),
                           WithParams(MakeCommand(FCT_STATUS), {0, 0, 0, 0, 1, PLO_ADD, 1, 0, -1, -1}),
                           Timed(MakeCommand(FCT_WAIT), 100)}));
    // The stage's music (none) changed to music 2.
    add("c_play_bgm", Runs({Timed(MakeCommand(FCT_WAIT), 5), WithParams(MakeCommand(FCT_PLAY_BGM), {2, 1}),
                            Timed(MakeCommand(FCT_WAIT), 100)}));
    // A character that removes itself (switch 0 of the second status command) after half a second.
    add("c_status2", [] {
        cEdStage stage = Probe();
        cEdCharaDef leaving = Chara(HERO_X + 4, HERO_Y);
        leaving.m_Flows.push_back(Flow(
            FTK_ALWAYS, {Timed(MakeCommand(FCT_WAIT), 5), WithParams(MakeCommand(FCT_STATUS2), {0, 0, 1})}));
        stage.m_Charas.push_back(leaving);
        return stage;
    }());
    // The hero takes item 1 of the stage's palette by command, once: the item's code counts.
    add("c_take_item", [] {
        cEdStage stage =
            Runs({WithParams(MakeCommand(FCT_TAKE_ITEM), {1, 1}), Timed(MakeCommand(FCT_WAIT), 100)});
        cEdItemDef item = stage_writer::MakeItem(0, 0, ITEM_COIN);
        cEdFlowCmd code = flow_writer::MakeItemCommand(ICT_RUN_CODE);
        code.m_strText = "score = score + 1";
        item.m_Commands.push_back(code);
        stage.m_PaletteItems.resize(2);
        stage.m_PaletteItems.at(1) = item;
        return stage;
    }());
    // The game waits a second, once: play makes no steps meanwhile.
    add("c_game_wait",
        Runs({WithParams(MakeCommand(FCT_GAME_WAIT), {10}), Timed(MakeCommand(FCT_WAIT), 100)}));
    // Commands that show only in the picture: each runs once after a second, and the frames drawn
    // then differ from those of the same stage without it ("c_still").
    const auto once = [](cEdFlowCmd c) {
        return Runs({Timed(MakeCommand(FCT_WAIT), 10), c, Timed(MakeCommand(FCT_WAIT), 100)});
    };
    add("c_still", Runs({Timed(MakeCommand(FCT_WAIT), 100)}));
    add("c_screen_colour", once(WithParams(MakeCommand(FCT_SCREEN_COLOUR), {0, 0, 64, 30})));
    add("c_screen_effect", once(WithParams(MakeCommand(FCT_SCREEN_EFFECT), {1, 0, 0})));
    add("c_chara_effect", once(WithParams(MakeCommand(FCT_CHARA_EFFECT), {1, 0, 0})));
    add("c_change_graphic", once(WithParams(MakeCommand(FCT_CHANGE_GRAPHIC), {1, 10, 0})));
    add("c_run_effect", once(WithParams(MakeCommand(FCT_RUN_EFFECT), {1, 0, 0, 0, 0, 0, 100})));
    add("c_message", [&] {
        cEdFlowCmd message = flow_writer::MakeMessage(1);
        message.m_strText = "Hello";
        message.m_Params[0] = 0;  // fixed on the screen
        message.m_Params[1] = 2;  // column
        message.m_Params[2] = 1;  // row
        message.m_Params[5] = 50; // tenths shown
        message.m_Params[6] = 1;  // for its time
        return once(message);
    }());
    // A hidden sky layer shown.
    add("c_change_animset", once(WithParams(MakeCommand(FCT_CHANGE_ANIMSET), {1})));
    add("c_change_background", [&] {
        cEdStage stage = once(WithParams(MakeCommand(FCT_CHANGE_BACKGROUND), {1, 0}));
        cEdStageTableD sky;
        sky.m_strFile = demo_game::kSkyPicture;
        sky.m_nShown = 0;
        stage.m_Backgrounds.push_back(sky);
        return stage;
    }());
    add("c_summon_block", [&] {
        cEdFlowCmd block = MakeCommand(FCT_SUMMON_BLOCK);
        block.m_Shot->m_nGraphic = BLOCK_BRICK;
        block.m_Shot->m_nCount = 1;
        block.m_Shot->m_nSummonEntry = 1; // the common palette's block
        return once(block);
    }());
    // A command of no kind does nothing and the flow goes on past it.
    add("c_none", Runs({MakeCommand(FCT_NONE), Count(), Timed(MakeCommand(FCT_WAIT), 100)}));
    // The code command's arithmetic reaches the score directly.
    add("c_run_code", Runs({flow_writer::MakeCode("score = 6 * 7"), Timed(MakeCommand(FCT_WAIT), 100)}));
    // A sound effect asked for (nothing in the trace shows it), then the count.
    add("c_play_se", Runs({Timed(MakeCommand(FCT_WAIT), 5), WithParams(MakeCommand(FCT_PLAY_SE), {1}),
                           Count(), Timed(MakeCommand(FCT_WAIT), 100)}));
    // On a stage wider than the view, a character walks out of it to the right and comes back: its
    // second flow counts while it is in view (state 3), and stops counting while it is out.
    add("c_avoid_offscreen", [] {
        cEdStage stage = Floor(60, PROBE_H, HERO_X);
        HeroOf(stage).m_nFixedFacing = 1;
        cEdCharaDef leaving = Chara(17, HERO_Y);
        leaving.m_nActivationRule = 1; // active off-screen once woken
        leaving.m_Flows.push_back(Flow(
            FTK_ALWAYS, {Move(FCT_LINE_MOVE, RIGHT, 40, 10), Move(FCT_AVOID_OFFSCREEN_MOVE, LEFT, 25, 100)}));
        cEdFlow seen = Flow(FTK_ALWAYS, {Count(), Timed(MakeCommand(FCT_WAIT), 1)});
        cEdFlowCond inView;
        inView.m_nKind = CK_STATUS3;
        inView.m_nItem = 3;
        seen.m_Conds.push_back(inView);
        leaving.m_Flows.push_back(seen);
        stage.m_Charas.push_back(leaving);
        return stage;
    }());
    // The hero turns to its target and charges at it: the nearest character (the one to its left), or the one
    // of authored id 5 (the farther, to its right).
    const auto targets = [](std::int32_t mode) {
        cEdStage stage = Probe();
        stage.m_Charas.push_back(Chara(HERO_X - 4, HERO_Y));
        cEdCharaDef far = Chara(HERO_X + 7, HERO_Y);
        far.m_nCharaId = 5;
        stage.m_Charas.push_back(far);
        Wall(stage, HERO_X - 6, HERO_Y - 2, HERO_Y); // to stop the hero short of the stage's edge
        Wall(stage, HERO_X + 9, HERO_Y - 2, HERO_Y);
        HeroOf(stage).m_Flows.push_back(
            Flow(FTK_ALWAYS, {WithParams(MakeCommand(FCT_SET_TARGET), {mode, 0, 0, 0, 0, 0, 0, 0, 0, 5}),
                              WithParams(MakeCommand(FCT_TURN), {2}), Move(FCT_CHARGE_MOVE, 0, 40, 15),
                              Timed(MakeCommand(FCT_WAIT), 10)}));
        return stage;
    };
    add("c_target_nearest", targets(2));
    add("c_target_by_id", targets(3));
    // Conditions of every other kind, each on a flow that adds its own digit to the score once while
    // it holds; the flows whose conditions must not hold mark the score.
    add("c_conditions", [] {
        cEdStage stage = Probe();
        const auto guarded = [](std::int32_t add, std::initializer_list<cEdFlowCond> conds) {
            cEdFlow f = Flow(FTK_ALWAYS, {flow_writer::MakeCode("score = score + " + std::to_string(add)),
                                          Timed(MakeCommand(FCT_WAIT), 100)});
            for (const cEdFlowCond& c : conds)
                f.m_Conds.push_back(c);
            return f;
        };
        const auto cond = [](ConditionKind kind, std::uint8_t subject, std::uint8_t item, std::uint8_t op,
                             std::int32_t value) {
            cEdFlowCond c;
            c.m_nKind = static_cast<std::int8_t>(kind);
            c.m_nSubject = subject;
            c.m_nItem = item;
            c.m_nOperator = op;
            c.m_nValue = value;
            c.m_nNumber = static_cast<std::int16_t>(value);
            return c;
        };
        // Hit points (status 1) at least 100 percent of the maximum; not at most 50 percent.
        cEdFlowCond full = cond(CK_STATUS, 0, 1, 2, 100), half = cond(CK_STATUS, 0, 1, 3, 50);
        full.m_bPercent = half.m_bPercent = 1;
        // Hit points equal to the maximum (status 3) read from the same character.
        cEdFlowCond same = cond(CK_STATUS, 0, 1, 0, 0);
        same.m_nRightSource = 2;
        same.m_nRightItem = 3;
        // The system's time limit (system status 0) is no negative number.
        cEdFlowCond time = cond(CK_STATUS, 2, 0, 2, 0);
        HeroOf(stage).m_Flows.push_back(guarded(1, {full}));
        HeroOf(stage).m_Flows.push_back(guarded(900000, {half}));
        HeroOf(stage).m_Flows.push_back(guarded(10, {same, time}));
        // Its facing fixed (state 2 equals 1); standing on the ground (state 2), facing right (1).
        HeroOf(stage).m_Flows.push_back(guarded(100, {cond(CK_STATUS2, 0, 2, 0, 1)}));
        HeroOf(stage).m_Flows.push_back(
            guarded(1000, {cond(CK_STATUS3, 0, 2, 0, 0), cond(CK_STATUS3, 0, 1, 0, 0)}));
        HeroOf(stage).m_Flows.push_back(guarded(900000, {cond(CK_STATUS3, 0, 0, 0, 0)}));
        // A character three blocks to the right: the hero is within four blocks of it, not within two.
        cEdCharaDef near = Chara(HERO_X + 3, HERO_Y);
        // (Distances in half blocks, between centres.)
        near.m_Flows.push_back(guarded(10000, {cond(CK_DISTANCE, 0, 0, 0, 8)}));
        near.m_Flows.push_back(guarded(900000, {cond(CK_DISTANCE, 0, 0, 0, 4)}));
        near.m_Flows.back().m_Conds.back().m_nAxis = 6;
        near.m_Flows[near.m_Flows.Count() - 2].m_Conds.back().m_nAxis = 6;
        // Across (axis 0), the edges 64 pixels apart: within 8 half blocks, not within 1.
        near.m_Flows.push_back(guarded(100000, {cond(CK_DISTANCE, 0, 0, 0, 8)}));
        near.m_Flows.push_back(guarded(900000, {cond(CK_DISTANCE, 0, 0, 0, 1)}));
        stage.m_Charas.push_back(near);
        return stage;
    }());
    // A flow of ID 3 counting every fifth of a second, paused by another flow, resumed, then erased;
    // a flow of ID 4, which would count by hundreds, stopped for ever before it runs.
    add("c_flow_pause_erase", [] {
        cEdStage stage = Probe();
        cEdFlow counting = Flow(FTK_ALWAYS, {Count(), Timed(MakeCommand(FCT_WAIT), 2)});
        counting.m_nId = 3;
        HeroOf(stage).m_Flows.push_back(counting);
        HeroOf(stage).m_Flows.push_back(Flow(
            FTK_ALWAYS,
            {AtStart(WithParams(MakeCommand(FCT_FLOW_CONTROL), {5, 2, 4})), Timed(MakeCommand(FCT_WAIT), 3),
             WithParams(MakeCommand(FCT_FLOW_CONTROL), {2, 2, 3}), Timed(MakeCommand(FCT_WAIT), 6),
             WithParams(MakeCommand(FCT_FLOW_CONTROL), {3, 2, 3}), Timed(MakeCommand(FCT_WAIT), 3),
             WithParams(MakeCommand(FCT_FLOW_CONTROL), {4, 2, 3}), Timed(MakeCommand(FCT_WAIT), 100)}));
        cEdFlow stopped = Flow(FTK_ALWAYS, {flow_writer::MakeCode("score = score + 100")});
        stopped.m_nId = 4;
        HeroOf(stage).m_Flows.push_back(stopped);
        return stage;
    }());
    // Status operations: the system's score raised by 5; the hero's drawing order (a byte) and mark
    // (a word) set, which conditions then read (+10, +100); its hit points set to 60 percent of the
    // maximum (3); and half a second later the hit points of its target, a character to its right,
    // set to 0: it dies.
    add("c_status_ops", [] {
        cEdStage stage = Probe();
        stage.m_Charas.push_back(Chara(HERO_X + 4, HERO_Y));
        const auto op = [](std::int32_t subject, std::int32_t status, std::int32_t value,
                           std::int32_t operation, std::int32_t mode) {
            cEdFlowCmd c =
                WithParams(MakeCommand(FCT_STATUS), {0, 0, 0, subject, status, operation, 0, value});
            c.m_Params[SOP_CALC_MODE] = mode;
            return c;
        };
        HeroOf(stage).m_Flows.push_back(
            Flow(FTK_ALWAYS, {op(2, 3, 5, 1, 0), op(0, 6, 5, 0, 0), op(0, 7, 9, 0, 0), op(0, 1, 60, 0, 1),
                              Timed(MakeCommand(FCT_WAIT), 5), WithParams(MakeCommand(FCT_SET_TARGET), {2}),
                              op(1, 1, 0, 0, 0), Timed(MakeCommand(FCT_WAIT), 100)}));
        const auto reads = [](std::uint8_t item, std::int32_t value, const char* code) {
            cEdFlow f = Flow(FTK_ALWAYS, {flow_writer::MakeCode(code), Timed(MakeCommand(FCT_WAIT), 100)});
            cEdFlowCond c;
            c.m_nKind = CK_STATUS;
            c.m_nItem = item;
            c.m_nValue = value;
            f.m_Conds.push_back(c);
            return f;
        };
        HeroOf(stage).m_Flows.push_back(reads(6, 5, "score = score + 10"));
        HeroOf(stage).m_Flows.push_back(reads(7, 9, "score = score + 100"));
        return stage;
    }());
    // A shot fired forward (right) that turns after one block to the nearest enemy, a character
    // behind the hero, and hits it (its flow of being hit counts); its range is limited.
    add("c_shot_turns_to_nearest", [] {
        cEdStage stage = Target(99, FTK_HIT_SHOT);
        stage.m_Charas.back().m_nX = HERO_X - 4;
        cEdFlowCmd shot = flow_writer::MakeShot(1, 1, 0, 60);
        shot.m_Shot->m_nMoveKind = 2;
        shot.m_Shot->m_nMoveValues[0] = 2; // half blocks before it turns
        shot.m_Shot->m_nMoveValues[1] = 1; // the enemies' faction
        shot.m_Shot->m_bRangeLimit = 1;
        shot.m_Shot->m_nRange = 30;
        HeroOf(stage).m_Flows.push_back(Flow(FTK_ALWAYS, {shot, Timed(MakeCommand(FCT_WAIT), 10)}));
        return stage;
    }());
    // Key sequences: a double tap of right (pressed, let go, pressed) counts once, while the same
    // sequence of left marks; a hero turned to the left, whose steps are mirrored, counts a double
    // tap of left as one of right. The flows belong to group 1, which stays taken while the key is held.
    const auto doubleTap = [](std::uint8_t slot, bool mirror, cEdFlowCmd command) {
        cEdFlow f = Flow(FTK_ALWAYS, {command, Timed(MakeCommand(FCT_WAIT), 100)});
        f.m_nGroup = 1;
        f.m_nKeyGap = 0;
        for (std::uint8_t want : {1, 2, 1}) {
            cEdFlowEntry step;
            step.Clear();
            step.m_KeyStates.at(slot) = want;
            step.m_bAnyHold = 1;
            step.m_bMirror = mirror ? 1 : 0;
            f.m_KeySteps.push_back(step);
        }
        return f;
    };
    constexpr std::uint8_t SLOT_LEFT = 1, SLOT_RIGHT = 2;
    add("k_double_tap", [&] {
        cEdStage stage = Probe();
        HeroOf(stage).m_Flows.push_back(doubleTap(SLOT_RIGHT, false, Count()));
        HeroOf(stage).m_Flows.push_back(doubleTap(SLOT_LEFT, false, Wrong()));
        return stage;
    }());
    add("k_mirrored", [&] {
        cEdStage stage = Runs({WithParams(MakeCommand(FCT_TURN), {0})});
        HeroOf(stage).m_Flows.push_back(doubleTap(SLOT_RIGHT, true, Count()));
        return stage;
    }());
    // A shot fired forward (right) but aimed at the hero's target, the nearest character, which
    // stands behind it: the shot hits it (its flow of being hit counts).
    add("c_shot_aimed", [] {
        cEdStage stage = Target(99, FTK_HIT_SHOT);
        stage.m_Charas.back().m_nX = HERO_X - 4;
        cEdFlowCmd shot = flow_writer::MakeShot(1, 1, 0, 60);
        shot.m_Shot->m_bAimAtTarget = 1;
        HeroOf(stage).m_Flows.push_back(Flow(FTK_ALWAYS, {WithParams(MakeCommand(FCT_SET_TARGET), {2}), shot,
                                                          Timed(MakeCommand(FCT_WAIT), 10)}));
        return stage;
    }());
    // Hits. A character four blocks to the right shoots left at the hero (power 1) while the hero
    // shoots right: the shots pass each other and the hero is hurt, or, made to cancel each other,
    // meet and vanish and the hero stays whole.
    const auto crossing = [](bool cancel) {
        cEdStage stage = Probe();
        cEdFlowCmd mine = flow_writer::MakeShot(1, 1, 0, 40);
        cEdFlowCmd theirs = flow_writer::MakeShot(1, 1, 0, 40);
        theirs.m_Shot->m_nPower = 1;
        mine.m_Shot->m_bCancelWithShots = theirs.m_Shot->m_bCancelWithShots = cancel ? 1 : 0;
        HeroOf(stage).m_Flows.push_back(Flow(FTK_ALWAYS, {mine, Timed(MakeCommand(FCT_WAIT), 5)}));
        cEdCharaDef shooter = Chara(HERO_X + 4, HERO_Y);
        shooter.m_nMaxHP = 99;
        shooter.m_Flows.push_back(Flow(FTK_ALWAYS, {theirs, Timed(MakeCommand(FCT_WAIT), 5)}));
        stage.m_Charas.push_back(shooter);
        return stage;
    };
    add("h_shots_cross", crossing(false));
    add("h_shots_cancel", crossing(true));
    // Sixteen targets or more are sorted into strips for the shots' search: the hero's shot still
    // finds the nearest of them, whose flow of being hit counts.
    add("h_many_targets", [] {
        cEdStage stage = Probe();
        for (int x = HERO_X + 3; x < PROBE_W - 1; ++x)
            for (int y : {HERO_Y, HERO_Y - 3}) {
                cEdCharaDef c = Chara(x, y);
                c.m_nMaxHP = 99;
                c.m_nMoveType = 1; // staying where it is put
                if (x == HERO_X + 3 && y == HERO_Y) c.m_Flows.push_back(Flow(FTK_HIT_SHOT, {Count()}));
                stage.m_Charas.push_back(c);
            }
        HeroOf(stage).m_Flows.push_back(
            Flow(FTK_ALWAYS, {flow_writer::MakeShot(1, 1, 0, 60), Timed(MakeCommand(FCT_WAIT), 10)}));
        return stage;
    }());
    // A hero flying (stopped by blocks) moving right into a block character stops against it (its flow of
    // touching one counts).
    add("h_flying_into_block_chara", [] {
        cEdStage stage = Runs({Move(FCT_LINE_MOVE, RIGHT, 25, 10)});
        HeroOf(stage).m_nMoveType = 2; // flying, stopped by blocks
        HeroOf(stage).m_Flows.push_back(Flow(FTK_HIT_BLOCK_CHARA, {Count()}));
        stage.m_Charas.push_back(BlockChara(HERO_X + 4, HERO_Y));
        return stage;
    }());
    // Shot formations: a burst of six round the hero, a ring of six round it, and columns falling
    // from the view's top edge over it.
    const auto formation = [](std::int8_t kind, std::int16_t value) {
        cEdFlowCmd shot = flow_writer::MakeShot(1, 6, 0, 30);
        shot.m_Shot->m_nFormation = kind;
        shot.m_Shot->m_nFormationValues[0] = value;
        shot.m_Shot->m_nRingCentre = 2; // round the firer
        shot.m_Shot->m_bLifetimeLimit = 1;
        shot.m_Shot->m_nLifetime = 10;
        return Runs({shot, Timed(MakeCommand(FCT_WAIT), 5)});
    };
    add("c_shot_burst", formation(SHOT_PATTERN_BURST, 0));
    add("c_shot_ring", formation(SHOT_PATTERN_RING, 3));
    add("c_shot_thunder", [&] {
        cEdStage stage = formation(SHOT_PATTERN_THUNDER, 1);
        HeroOf(stage).m_Flows.back().m_Commands.at(0).m_Shot->m_nDirection = 7;
        return stage;
    }());
    // The enemy of "t_damaged" with hit effect 1 (the sign picture's animation) where it strikes: play
    // goes on alike, only the picture differs.
    add("h_hit_effect_body", [] {
        cEdCharaDef enemy = Chara(HERO_X + 2, HERO_Y);
        enemy.m_nBodyPower = 1;
        enemy.m_nEffectNo = 1;
        return Touch(enemy, FTK_DAMAGED, -1);
    }());
    // A message in a window that opens, its text a field: common variable 1 (7) in three digits with
    // leading zeros; and the same message written out ("007"), which must be drawn the same.
    const auto windowed = [&](const char* text, int wait) {
        cEdFlowCmd message = flow_writer::MakeMessage(1);
        message.m_strText = text;
        message.m_Params[6] = 0;    // until a key (never pressed): its window opens
        message.m_Params[7] = 1;    // in a window
        message.m_Params[8] = wait; // the game waits for the key meanwhile
        return Runs({flow_writer::MakeCode("C1 = 7"), Timed(MakeCommand(FCT_WAIT), 10), message,
                     Timed(MakeCommand(FCT_WAIT), 100)});
    };
    add("c_message_field", windowed("#C1_3Z.", 0));
    add("c_message_digits", windowed("007", 0));
    // The same message holding the game until the key: play stops, the window opens all the same.
    add("c_message_wait", windowed("007", 1));
    // Code whose results show in the trace, once: the maximum of skill points set (which raises the
    // points to 1) and 3 added by the status command; the maximum of hit points set to 4 and the hit
    // points set to 1, then to 99 (kept to 4); the score from the skill points and a random number
    // of 2 to 2 (42); then a code naming a target the hero has not, which fails and changes nothing.
    add("c_code_results",
        Runs({flow_writer::MakeCode("my.msp = 9"),
              WithParams(MakeCommand(FCT_STATUS), {0, 0, 0, 0, 2, PLO_ADD, 0, 3}),
              flow_writer::MakeCode("my.mhp = 4"), flow_writer::MakeCode("my.hp = 1"),
              flow_writer::MakeCode("my.hp = 99"), flow_writer::MakeCode("score = my.sp * 10 + rand(2, 2)"),
              flow_writer::MakeCode("score = tg.hp"), Timed(MakeCommand(FCT_WAIT), 100)}));
    // The hero lands on a block character, rides it, and walks off it to the right: it falls to the
    // floor.
    add("t_ride_off", Riding(true, FTK_ON_BLOCK_CHARA, FTK_ALWAYS, -1));
    // The shot of "c_shot_turns_to_nearest" with the faction it turns to (written 5, a faction of no
    // character: the shot would fly on) taken from common variable 1 (1, the enemies'): it hits.
    add("c_arrange_shot", [] {
        cEdStage stage = Target(99, FTK_HIT_SHOT);
        stage.m_Charas.back().m_nX = HERO_X - 4;
        cEdFlowCmd shot = flow_writer::MakeShot(1, 1, 0, 60);
        shot.m_Shot->m_nMoveKind = 2;
        shot.m_Shot->m_nMoveValues[0] = 2;
        shot.m_Shot->m_nMoveValues[1] = 5;
        shot.m_Shot->m_bRangeLimit = 1;
        shot.m_Shot->m_nRange = 30;
        HeroOf(stage).m_Flows.push_back(
            Flow(FTK_ALWAYS, {flow_writer::MakeCode("C1 = 1"),
                              flow_writer::MakeArrange(FCT_SHOT, 16, PLO_ASSIGN, VS_COMMON, 1), shot,
                              Timed(MakeCommand(FCT_WAIT), 10)}));
        return stage;
    }());
    // The columns of "c_shot_thunder" (written 1) taken from common variable 1 (3): more shots at once.
    add("c_arrange_formation", [&] {
        cEdFlowCmd shot = formation(SHOT_PATTERN_THUNDER, 1).m_Charas.front().m_Flows.back().m_Commands.at(0);
        shot.m_Shot->m_nDirection = 7;
        shot.m_Shot->m_nFormationValues[1] = 1;
        return Runs({flow_writer::MakeCode("C1 = 3"),
                     flow_writer::MakeArrange(FCT_SHOT, 3, PLO_ASSIGN, VS_COMMON, 1), shot,
                     Timed(MakeCommand(FCT_WAIT), 5)});
    }());
    // A flying hero's move to the left turned by 90 degrees: it moves up or down instead.
    add("c_line_move_angle", [] {
        cEdFlowCmd move = Move(FCT_LINE_MOVE, LEFT, 25, 5);
        move.m_Move->m_nAngle = 90;
        cEdStage stage = Runs({move});
        HeroOf(stage).m_nMoveType = 1;
        HeroOf(stage).m_nY = HERO_Y - 5;
        return stage;
    }());
    // A sky layer that scrolls by itself to the left, and the same layer standing still.
    const auto sky = [](std::int32_t automatic) {
        cEdStage stage = Probe();
        cEdStageTableD layer;
        layer.m_strFile = demo_game::kSkyPicture;
        layer.m_nAutoX = automatic;
        layer.m_dSpeedX = 2;
        stage.m_Backgrounds.push_back(layer);
        return stage;
    };
    add("h_sky_scrolling", sky(1));
    add("h_sky_still", sky(0));
    // The summons of "c_summon_chara" with a block character standing where they would appear: none
    // appears.
    add("c_summon_blocked", [&] {
        cEdStage stage = files.at(IndexOf("c_summon_chara")).stage;
        stage.m_Charas.push_back(BlockChara(HERO_X + 1, HERO_Y));
        return stage;
    }());
    // Walls three and six blocks to the hero's right, the nearer one there only while common variable 1
    // is 1 (it stays 0): the hero walks past its place up to the farther wall.
    add("h_block_conditions", [] {
        cEdStage stage = Probe();
        Wall(stage, HERO_X + 3, HERO_Y - 1, HERO_Y);
        for (cEdBlockDef& b : stage.m_Blocks)
            if (b.m_nX == HERO_X + 3 && b.m_nY < HERO_Y + 1)
                b.m_Conditions.push_back(flow_writer::MakeVariableCondition(CK_COMMON_VAR, 1, 0, 1));
        Wall(stage, HERO_X + 6, HERO_Y - 1, HERO_Y);
        return stage;
    }());
    // A picture shown for half a second, once: it goes, and its file's surface with it.
    add("c_show_picture_timed",
        Runs({WithParams(MakeCommand(FCT_SHOW_PICTURE), {1, 0, 10, 6, 0, 0, 0, 100, 2, 5}),
              Timed(MakeCommand(FCT_WAIT), 100)}));
    add("c_show_picture", Runs({WithParams(MakeCommand(FCT_SHOW_PICTURE), {1, 0, 10, 6, 0, 0, 0, 100, 1, 0}),
                                Timed(MakeCommand(FCT_WAIT), 100)}));
    return files;
}

cProjectDatabase Database() {
    cProjectDatabase db = project_writer::DemoDatabase(ogg_writer::Available());
    // Entry 1 of each effect list shows for two seconds: a blinking character, a mosaic over the
    // screen, and an effect that plays the sign picture's first cell.
    cEffectRecord blink;
    blink.szName = "blink";
    blink.nKind = CHARA_EFFECT_BLINK;
    blink.nParam[0] = 20; // tenths
    blink.nParam[3] = 3;  // frames between blinks
    db.m_CharaEffects.resize(2);
    db.m_CharaEffects.at(1) = blink;
    cScrEffectRecord mosaic;
    mosaic.szName = "mosaic";
    mosaic.nKind = SCREEN_EFFECT_MOSAIC;
    mosaic.nParam[0] = 20;
    mosaic.nParam[1] = mosaic.nParam[2] = 8; // cell size from start to end
    db.m_ScrEffects.resize(2);
    db.m_ScrEffects.at(1) = mosaic;
    cEdEffect sign;
    sign.szName = "sign";
    sign.szFileName = demo_game::kSignPicture;
    sign.m_Frames.resize(2);
    for (cEdEffectFrame& f : sign.m_Frames)
        f.nTime = 10;
    db.m_Effects.resize(2);
    db.m_Effects.at(1) = sign;
    // Animation set 1: the demo's set, its hero stepping through the sheet's second and third cells
    // whatever it does.
    cEdAnimeSet stepping = db.m_AnimeSets.at(0);
    for (cEdAnime& anime : stepping.m_Animes) {
        anime.m_Frames.resize(2);
        for (int k = 0; k < 2; ++k) {
            anime.m_Frames.at(k).nPattern = k + 1;
            anime.m_Frames.at(k).nTime = 2;
        }
    }
    db.m_AnimeSets.resize(2);
    db.m_AnimeSets.at(1) = stepping;
    return db;
}

bool WriteMemory(const std::string& folder) {
    if (!demo_project::Write(folder)) return false;
    cProjectDatabase running = g_Database;
    g_Database = project_writer::DemoDatabase(ogg_writer::Available());
    const bool written = stage_writer::WriteStageFile(folder, kMemoryBase, 0, MemoryHungry()) &&
                         stage_writer::WriteStageFile(folder, kMemoryPlayBase, 0, MemoryHungryPlay()) &&
                         stage_writer::WriteStageFile(folder, kMemorySightBase, 0, MemoryHungrySight());
    g_Database = std::move(running);
    return written;
}

bool WriteAll(const std::string& folder) {
    g_nDataVersion = DATA_VERSION_CURRENT;
    // The stages are checked against the fixture's lists while they are saved.
    cProjectDatabase running = g_Database;
    g_Database = Database();
    bool ok = project_writer::WriteDatabase(folder, g_Database);
    for (const StageFile& file : All())
        ok = ok && stage_writer::WriteStageFile(folder, file.base, 0, file.stage);
    g_Database = std::move(running);
    return ok;
}

} // namespace fixture_stages
