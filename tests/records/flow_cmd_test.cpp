// Flow commands: stored bytes, upgrades of older commands, fix-ups, palette validation, deep copies.
#include <gtest/gtest.h>

#include "records/ed_flow.h"
#include "records/flow_test_util.h"
#include "records/param_tables.h"

namespace {

struct CmdBytes {
    int item = 0;
    int kind = 0;
    int useTime = 0;
    int sound = 0;
    int anim = 0;
    Bytes move;  // a movement chunk, or empty for none
    Bytes shot;  // a shot chunk, or empty for none
    Bytes flows; // the flow list after its count
    int nFlows = 0;
    std::vector<std::int32_t> params;
};

Bytes CmdChunk(const CmdBytes& c) {
    Bytes b;
    B w(b);
    w.i32(8).u8(c.item).u8(c.kind).i16(c.useTime).i16(-2).u8(1).i16(c.sound).u8(1).i16(c.anim);
    w.i32(1).i32(1); // the text: empty
    if (c.move.empty()) {
        w.i32(0);
    } else {
        w.i32(1).raw(c.move);
    }
    if (c.shot.empty()) {
        w.i32(0);
    } else {
        w.i32(1).raw(c.shot);
    }
    w.i32(c.nFlows).raw(c.flows);
    w.i32(static_cast<std::int64_t>(c.params.size()));
    for (std::int32_t p : c.params)
        w.i32(p);
    return b;
}

cEdFlowCmd LoadCmd(const CmdBytes& c, int version) {
    cEdFlowCmd cmd = MakeCommandPrototype();
    EXPECT_TRUE(LoadFromBytes(cmd, CmdChunk(c), version));
    return cmd;
}

std::vector<std::int32_t> Params(const cEdFlowCmd& c) {
    return {c.m_Params.begin(), c.m_Params.end()};
}

TEST(EdFlowCmd, StoredLayout) {
    cEdFlowCmd c = MakeCommandPrototype();
    EXPECT_EQ(c.m_nSoundCond, 1);
    c.m_nKind = FCT_MESSAGE;
    c.m_nUseTime = 0x0102;
    c.m_nUseTimeStep = -2;
    c.m_bRunWithNext = 1;
    c.m_nSound = 3;
    c.m_nAnimation = 4;
    c.m_strText = "abc";
    c.m_Params.assign(18, 7);
    Bytes want;
    B w(want);
    w.i32(8).u8(0).u8(19).i16(0x0102).i16(-2).u8(1).i16(3).u8(1).i16(4);
    w.i32(1).i32(4).u8('a').u8('b').u8('c').u8(0);
    w.i32(0).i32(0).i32(0).i32(18);
    for (int i = 0; i < 18; ++i)
        w.i32(7);
    EXPECT_EQ(SavedBytes(c), want);

    // The fix-up on saving gives the parameter list exactly the kind's length.
    c.m_Params.assign(3, 1);
    const Bytes saved = SavedBytes(c);
    EXPECT_EQ(c.m_Params.size(), 18u);
    cEdFlowCmd d = MakeCommandPrototype();
    ASSERT_TRUE(LoadFromBytes(d, saved, 732));
    EXPECT_EQ(d.m_strText, "abc");
    EXPECT_EQ(SavedBytes(d), saved);
}

TEST(EdFlowCmd, SettingsFlagsAndChunks) {
    cEdFlowCmd c = MakeCommandPrototype();
    c.m_nKind = FCT_SHOT;
    NewShot(c.m_Shot);
    c.m_Shot->m_nGraphic = 12;
    const Bytes saved = SavedBytes(c);
    // 4 + 12 fields, 4 + 4 text, movement flag 0, shot flag 1 + 101, flows 0, parameters 0.
    ASSERT_EQ(saved.size(), 16u + 8u + 4u + 4u + 101u + 4u + 4u);
    EXPECT_EQ(saved[24], 0);
    EXPECT_EQ(saved[28], 1);
    cEdFlowCmd d = MakeCommandPrototype();
    ASSERT_TRUE(LoadFromBytes(d, saved, 732));
    EXPECT_FALSE(d.m_Move);
    ASSERT_TRUE(d.m_Shot);
    EXPECT_EQ(d.m_Shot->m_nGraphic, 12);
}

TEST(EdFlowCmd, UpgradesMessageParameters) {
    CmdBytes c;
    c.kind = FCT_MESSAGE;
    c.params = {3, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    cEdFlowCmd cmd = LoadCmd(c, 540);
    EXPECT_EQ(Params(cmd), (std::vector<std::int32_t>{3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 1, 0, 1, 0}));
    c.params[0] = 7;
    EXPECT_EQ(LoadCmd(c, 540).m_Params[10], 1);
    // The same steps for an item's message command (item kind 4).
    c.item = 1;
    c.kind = ICT_MESSAGE;
    EXPECT_EQ(LoadCmd(c, 540).m_Params.size(), 18u);
}

TEST(EdFlowCmd, UpgradesArrangementsTargetsAndSummons) {
    CmdBytes a;
    a.kind = FCT_ARRANGE;
    a.params = {0, 2};
    cEdFlowCmd cmd = LoadCmd(a, 700);
    EXPECT_EQ(Params(cmd), (std::vector<std::int32_t>{11, 5, 0, 0, 0}));
    a.params = {0, 11};
    EXPECT_EQ(LoadCmd(a, 700).m_Params[1], 18);
    a.params = {0, 1};
    EXPECT_EQ(LoadCmd(a, 700).m_Params[1], 1);
    // At 726 the kind is kept; only links to the shot are renumbered.
    a.params = {11, 2, 0, 0, 0};
    EXPECT_EQ(LoadCmd(a, 726).m_Params[1], 5);
    a.params = {19, 2, 0, 0, 0};
    EXPECT_EQ(LoadCmd(a, 726).m_Params[1], 2);

    CmdBytes t;
    t.kind = FCT_SET_TARGET;
    t.params = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(Params(LoadCmd(t, 150)), (std::vector<std::int32_t>{1, 2, 0, 3, 4, 5, 6, 7, 8, 9}));

    CmdBytes s;
    s.kind = FCT_SUMMON_CHARA;
    s.params = {4, 5, 6};
    EXPECT_TRUE(LoadCmd(s, 200).m_Params.empty());

    CmdBytes clear;
    clear.kind = FCT_STAGE_CLEAR;
    clear.params = {2, 1};
    cEdFlowCmd sc = LoadCmd(clear, 140);
    EXPECT_EQ(sc.m_Params.size(), 9u);
    EXPECT_EQ(sc.m_Params[0], 3);

    CmdBytes st;
    st.kind = FCT_STATUS;
    st.params = {0, 0, 0, 0, 10, 0, 2, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0};
    cEdFlowCmd so = LoadCmd(st, 150);
    EXPECT_EQ(so.m_Params[4], 12);
    EXPECT_EQ(so.m_Params[13], 12);

    CmdBytes pic;
    pic.kind = FCT_SHOW_PICTURE;
    pic.params = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    cEdFlowCmd pc = LoadCmd(pic, 190);
    EXPECT_EQ(Params(pc), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 1, 7, 8, 9, 0, 0, 0, 0, 0}));

    CmdBytes g;
    g.kind = FCT_CHANGE_GRAPHIC;
    g.params = {3, 119, 0};
    EXPECT_EQ(LoadCmd(g, 218).m_Params[1], 119);
    g.params = {3, 50, 0};
    EXPECT_EQ(LoadCmd(g, 218).m_Params[1], 51);
}

TEST(EdFlowCmd, UpgradesOfEffectsMusicFlowControlAndSwitches) {
    CmdBytes bgm;
    bgm.kind = FCT_PLAY_BGM;
    bgm.params = {4};
    EXPECT_EQ(Params(LoadCmd(bgm, 165)), (std::vector<std::int32_t>{4, 1}));
    bgm.params = {4, 0};
    EXPECT_EQ(Params(LoadCmd(bgm, 166)), (std::vector<std::int32_t>{4, 0}));

    CmdBytes fx;
    fx.kind = FCT_SCREEN_EFFECT;
    fx.params = {7, 8};
    EXPECT_EQ(Params(LoadCmd(fx, 194)), (std::vector<std::int32_t>{7, 0, 8}));
    fx.item = 1;
    fx.kind = ICT_CHARA_EFFECT;
    EXPECT_EQ(Params(LoadCmd(fx, 194)), (std::vector<std::int32_t>{7, 0, 8}));

    CmdBytes flow;
    flow.kind = FCT_FLOW_CONTROL;
    flow.params = {1, 2, 3, 4, 5};
    EXPECT_EQ(Params(LoadCmd(flow, 202)), (std::vector<std::int32_t>{1, 2, 3}));

    CmdBytes sw;
    sw.kind = FCT_STATUS2;
    sw.params = {1, 6, 1};
    EXPECT_EQ(LoadCmd(sw, 209).m_Params[1], 7);
    sw.params = {2, 6, 1};
    EXPECT_EQ(LoadCmd(sw, 209).m_Params[1], 6); // the system's switches are not renumbered
    sw.params = {1, 5, 1};
    EXPECT_EQ(LoadCmd(sw, 209).m_Params[1], 5);
}

TEST(EdFlowCmd, StepsWithoutItemKindConcernCharacterCommandsOnly) {
    // Item kind 5 is the warp: the charge-move step (character kind 5) does not touch it.
    CmdBytes warp;
    warp.item = 1;
    warp.kind = ICT_WARP;
    cEdMove move;
    move.m_nAngle = 45;
    warp.move = SavedBytesAt(move, 513);
    EXPECT_EQ(LoadCmd(warp, 513).m_Move->m_nAngle, 45);
    // Item kind 14 is the character effect, not the character summon: its parameters are kept.
    CmdBytes fx;
    fx.item = 1;
    fx.kind = ICT_CHARA_EFFECT;
    fx.params = {1, 2, 3};
    EXPECT_EQ(Params(LoadCmd(fx, 200)), (std::vector<std::int32_t>{1, 2, 3}));
    // Item kind 1 (flow change) does not take the flow-control step: it keeps its two integers.
    CmdBytes change;
    change.item = 1;
    change.kind = ICT_FLOW_CHANGE;
    change.params = {1, 2};
    EXPECT_EQ(Params(LoadCmd(change, 200)), (std::vector<std::int32_t>{1, 2}));
}

TEST(EdFlowCmd, UnknownListsKeepEveryReference) {
    // Without a project database every list length is unknown: nothing is reset.
    CmdBytes c;
    c.kind = FCT_PLAY_SE;
    c.sound = 300;
    c.anim = -5;
    c.params = {1000};
    cEdFlowCmd cmd = LoadCmd(c, 732);
    EXPECT_EQ(cmd.m_nSound, 300);
    EXPECT_EQ(cmd.m_nAnimation, -5);
    EXPECT_EQ(cmd.m_Params[0], 1000);
}

TEST(EdFlowCmd, UpgradesSettingsOfShotsAndCharges) {
    CmdBytes s;
    s.kind = FCT_SHOT;
    cEdShot shot;
    shot.m_nGraphic = 119;
    s.shot = SavedBytesAt(shot, 219);
    EXPECT_EQ(LoadCmd(s, 219).m_Shot->m_nGraphic, 119);
    shot.m_nGraphic = 40;
    s.shot = SavedBytesAt(shot, 219);
    EXPECT_EQ(LoadCmd(s, 219).m_Shot->m_nGraphic, 41);
    s.shot = SavedBytesAt(shot, 220);
    EXPECT_EQ(LoadCmd(s, 220).m_Shot->m_nGraphic, 40);

    CmdBytes m;
    m.kind = FCT_CHARGE_MOVE;
    cEdMove move;
    move.m_nAngle = 45;
    move.m_nAngleStep = 3;
    move.m_bMirrorAngle = 0;
    m.move = SavedBytesAt(move, 513);
    cEdFlowCmd cmd = LoadCmd(m, 513);
    EXPECT_EQ(cmd.m_Move->m_nAngle, 0);
    EXPECT_EQ(cmd.m_Move->m_nAngleStep, 0);
    EXPECT_EQ(cmd.m_Move->m_bMirrorAngle, 1);
}

TEST(EdFlowCmd, FixReferencesAgainstTheProjectLists) {
    FlowTestEnv env;
    env.Count(DbList::Sounds) = 4;
    env.Count(DbList::Animes) = 3;
    env.Count(DbList::SwordTypes) = 2;
    env.Count(DbList::Bgms) = 1;
    env.swordFrames = {{6000, 5000}, {3, 4}};

    CmdBytes c;
    c.kind = FCT_PLAY_SE;
    c.sound = 4;
    c.anim = 2;
    c.params = {4};
    cEdFlowCmd cmd = LoadCmd(c, 732);
    EXPECT_EQ(cmd.m_nSound, 0);
    EXPECT_EQ(cmd.m_nAnimation, 2);
    EXPECT_EQ(cmd.m_Params[0], 1);
    c.params = {-1};
    EXPECT_EQ(LoadCmd(c, 732).m_Params[0], 1);
    // A list holding only its "none" entry resets to 1 all the same; the animation-set change
    // resets to 0.
    c.kind = FCT_PLAY_BGM;
    c.params = {5, 1};
    EXPECT_EQ(LoadCmd(c, 732).m_Params[0], 1);
    env.Count(DbList::AnimeSets) = 1;
    c.kind = FCT_CHANGE_ANIMSET;
    c.params = {3};
    EXPECT_EQ(LoadCmd(c, 732).m_Params[0], 0);

    CmdBytes s;
    s.kind = FCT_SWORD;
    cEdShot shot;
    shot.m_nMoveKind = 0;
    s.shot = SavedBytes(shot);
    EXPECT_EQ(LoadCmd(s, 732).m_nUseTime, 9999);
    shot.m_nMoveKind = 1;
    s.shot = SavedBytes(shot);
    EXPECT_EQ(LoadCmd(s, 732).m_nUseTime, 7);
    shot.m_nMoveKind = 2; // outside: sword type 0
    s.shot = SavedBytes(shot);
    cEdFlowCmd sw = LoadCmd(s, 732);
    EXPECT_EQ(sw.m_Shot->m_nMoveKind, 0);
    EXPECT_EQ(sw.m_nUseTime, 9999);
}

TEST(EdFlowCmd, KindOutsideItsListIsKeptAsLoaded) {
    CmdBytes c;
    c.kind = 50;
    c.params = {1, 2, 3};
    cEdFlowCmd cmd = LoadCmd(c, 732);
    EXPECT_EQ(cmd.FlowKind(), -1);
    EXPECT_EQ(Params(cmd), (std::vector<std::int32_t>{1, 2, 3}));
    c.kind = -3;
    EXPECT_EQ(LoadCmd(c, 732).m_Params.size(), 3u);
    c.item = 1;
    c.kind = 24;
    EXPECT_EQ(LoadCmd(c, 732).FlowKind(), -1);
    c.kind = 23;
    EXPECT_EQ(LoadCmd(c, 732).FlowKind(), FCT_LOOP);
    c.kind = 1;
    cEdFlowCmd change = LoadCmd(c, 732);
    EXPECT_EQ(change.FlowKind(), FCT_FLOW_CONTROL);
    EXPECT_EQ(change.m_Params.size(), 2u); // item kind 1 keeps two integers
}

Bytes ThreeFlows() {
    Bytes b;
    for (int i = 0; i < 3; ++i) {
        B(b).i32(8).u8(i + 1).u8(0).u8(i == 1 ? 1 : 0).u8(0).u8(0).u8(0).u8(3).u8(0).i32(1).i32(1);
        B(b).i32(0).i32(0).i32(0);
    }
    return b;
}

TEST(EdFlowCmd, EditorOnlyFlowsAreDroppedUnlessKept) {
    CmdBytes c;
    c.kind = FCT_WAIT;
    c.nFlows = 3;
    c.flows = ThreeFlows();
    {
        FlowTestEnv env;
        cEdFlowCmd cmd = LoadCmd(c, 732);
        ASSERT_EQ(cmd.m_Flows.size(), 2u);
        EXPECT_EQ(cmd.m_Flows[0].m_nId, 1);
        EXPECT_EQ(cmd.m_Flows[1].m_nId, 3);
    }
    {
        FlowTestEnv env;
        env.fromEditor = true;
        EXPECT_EQ(LoadCmd(c, 732).m_Flows.size(), 3u);
    }
    {
        FlowTestEnv env;
        env.keepEditorOnly = true;
        EXPECT_EQ(LoadCmd(c, 732).m_Flows.size(), 3u);
    }
}

TEST(EdFlowCmd, CopiesAreDeep) {
    cEdFlowCmd src = MakeCommandPrototype();
    src.m_nKind = FCT_SHOT;
    NewShot(src.m_Shot);
    NewMove(src.m_Move);
    src.m_Shot->m_nGraphic = 10;
    cEdFlow inner = MakeFlowPrototype();
    cEdFlowCmd innerCmd = MakeCommandPrototype();
    NewShot(innerCmd.m_Shot);
    inner.m_Commands.push_back(innerCmd);
    src.m_Flows.push_back(inner);

    cEdFlowCmd copy = src;
    cEdFlowCmd assigned = MakeCommandPrototype();
    assigned = src;
    for (cEdFlowCmd* c : {&copy, &assigned}) {
        ASSERT_TRUE(c->m_Shot);
        EXPECT_NE(c->m_Shot.get(), src.m_Shot.get());
        EXPECT_NE(c->m_Move.get(), src.m_Move.get());
        EXPECT_NE(c->m_Flows[0].m_Commands[0].m_Shot.get(), src.m_Flows[0].m_Commands[0].m_Shot.get());
        EXPECT_EQ(SavedBytes(*c), SavedBytes(src));
        c->m_Shot->m_nGraphic = 99;
        EXPECT_EQ(src.m_Shot->m_nGraphic, 10);
    }
    // A copy of a flow holds commands with settings of their own.
    cEdFlow flowCopy = src.m_Flows[0];
    flowCopy.m_Commands[0].m_Shot->m_nGraphic = 5;
    EXPECT_EQ(src.m_Flows[0].m_Commands[0].m_Shot->m_nGraphic, 0);
    // Assigning a command without settings releases the destination's.
    assigned = MakeCommandPrototype();
    EXPECT_FALSE(assigned.m_Shot);
    EXPECT_FALSE(assigned.m_Move);
}

TEST(EdFlowCmd, ValidatePalettesResetsReferencesOutsideTheirLists) {
    FlowTestEnv env;
    env.palettes[0][2] = 5; // common items
    env.palettes[1][2] = 2; // stage items
    env.palettes[1][1] = 3; // stage characters
    cEdFlowCmd shot = MakeCommandPrototype();
    shot.m_nKind = FCT_SHOT;
    NewShot(shot.m_Shot);
    shot.m_Shot->m_nItemPalette = 2;
    shot.m_Shot->m_nItemEntry = 2;
    shot.ValidatePalettes();
    EXPECT_EQ(shot.m_Shot->m_nItemPalette, 0);
    EXPECT_EQ(shot.m_Shot->m_nItemEntry, 0);
    shot.m_Shot->m_nItemPalette = 1;
    shot.m_Shot->m_nItemEntry = 4;
    shot.ValidatePalettes();
    EXPECT_EQ(shot.m_Shot->m_nItemEntry, 4);

    cEdFlowCmd summon = MakeCommandPrototype();
    summon.m_nKind = FCT_SUMMON_CHARA;
    NewShot(summon.m_Shot);
    summon.m_Shot->m_nSummonPalette = 1;
    summon.m_Shot->m_nSummonEntry = -1;
    summon.ValidatePalettes();
    EXPECT_EQ(summon.m_Shot->m_nSummonEntry, 1);

    cEdFlowCmd take = MakeCommandPrototype();
    take.m_bItem = 1;
    take.m_nKind = ICT_TAKE_ITEM;
    take.m_Params.assign({1, 2});
    cEdFlow holder;
    holder.m_Commands.push_back(take);
    cEdFlowCmd outer = MakeCommandPrototype();
    outer.m_Flows.push_back(holder);
    outer.ValidatePalettes(); // recursive over the command's flows
    EXPECT_EQ(outer.m_Flows[0].m_Commands[0].m_Params[1], 1);
}

TEST(EdFlowCmd, NestingDeeperThanTheLimitIsRefused) {
    // A command holding a flow holding a command ... far deeper than any project nests them.
    Bytes inner = CmdChunk(CmdBytes{});
    for (int depth = 0; depth < MAX_FLOW_NESTING + 5; ++depth) {
        Bytes flow;
        B(flow).i32(8).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(3).u8(0).i32(1).i32(1).i32(0).i32(0).i32(1).raw(
            inner);
        CmdBytes c;
        c.nFlows = 1;
        c.flows = flow;
        inner = CmdChunk(c);
    }
    cEdFlowCmd cmd = MakeCommandPrototype();
    EXPECT_FALSE(LoadFromBytes(cmd, inner, 732));
}

} // namespace
