// Character definitions: chunk layout per version, upgrades of older files with their flag
// insertions, validation against the project's lists, inheritance and copy offsets.
#include <gtest/gtest.h>

#include "def_test_util.h"

using namespace deftest;

namespace {

cEdCharaDef CharaFrom(const CharaSpec& def, int version = 732, bool* ok = nullptr) {
    ByteWriter w;
    WriteChara(w, def, version);
    cEdCharaDef chara;
    const bool loaded = LoadBytes(chara, w.data(), version);
    if (ok)
        *ok = loaded;
    else
        EXPECT_TRUE(loaded);
    return chara;
}

} // namespace

TEST(CharaDef, CurrentChunkHas53FieldsIn82Bytes) {
    EXPECT_EQ(CharaFieldCount(732), 53);
    EXPECT_EQ(CharaFieldCount(200), 50);
    EXPECT_EQ(CharaFieldCount(167), 47);

    CharaSpec def;
    // Distinct values in every field, so that a field out of place shows.
    for (int n = 1; n <= 53; ++n)
        def.f[n] = n + 1;
    def.f[1] = 0;    // palette: none
    def.f[13] = 300; // pictureNo
    def.f[14] = 1;   // pictureKind
    def.f[16] = 0;   // animeSet inside every list
    def.f[19] = 0;
    def.f[22] = 0;
    def.f[45] = 0;
    def.f[39] = 0x01020304;
    def.f[48] = 0x7FFFFFFF;
    def.text = "hero";
    def.x = 5;
    def.y = -6;
    def.carried = 0x11223344;
    ByteWriter w;
    WriteChara(w, def);
    // nFields + 82 + nStrings + text (4 + 5) + x, y, word (8) + 4 + 37 flags + two empty lists.
    ASSERT_EQ(w.size(), 4u + 82 + 4 + 9 + 8 + 4 + 37 + 8);

    cEdCharaDef chara;
    ASSERT_TRUE(LoadBytes(chara, w.data()));
    EXPECT_EQ(chara.m_nPaletteEntry, 3);
    EXPECT_EQ(chara.m_nConditionMode, 4);
    EXPECT_EQ(chara.m_nOffsetXStart, 8);
    EXPECT_EQ(chara.m_nOffsetYMirror, 13);
    EXPECT_EQ(chara.m_nPictureNo, 300);
    EXPECT_EQ(chara.m_nCharaEffect1Mode, 21);
    EXPECT_EQ(chara.m_nCharaEffect2Mode, 24);
    EXPECT_EQ(chara.m_nController, 27);
    EXPECT_EQ(chara.m_nBlinkKind, 34);
    EXPECT_EQ(chara.m_nScrollSync, 37);
    EXPECT_EQ(chara.m_nMaxHP, 0x01020304u);
    EXPECT_EQ(chara.m_nMaxSP, 41u);
    EXPECT_EQ(chara.m_nHitRange, 43);
    EXPECT_EQ(chara.m_nDefense, 47u);
    EXPECT_EQ(chara.m_nScore, 0x7FFFFFFFu);
    EXPECT_EQ(chara.m_nActivationRule, 54);
    EXPECT_EQ(chara.m_nCarried, 0x11223344);
    EXPECT_EQ(chara.m_strText, "hero");
    EXPECT_EQ(SavedBytes(chara), w.data());
}

TEST(CharaDef, NewCharacterHasTheDocumentedDefaults) {
    cEdCharaDef chara;
    ByteWriter w;
    WriteChara(w, CharaSpec{});
    EXPECT_EQ(SavedBytes(chara), w.data());
}

TEST(CharaDef, Version167FileIsUpgradedWithThreeNewInheritedGroups) {
    CharaSpec def;
    def.f[42] = 2; // not stored by this version
    def.flags = std::vector<int>(34, 0);
    def.flags[20] = 1; // old group 20 (scale) stays 20
    def.flags[30] = 1; // old group 30 becomes group 33 (activation group)
    def.f[20] = 3;     // not stored by this version
    cEdCharaDef chara = CharaFrom(def, 167);
    ASSERT_EQ(chara.m_InheritFlags.size(), 37u);
    std::vector<std::uint8_t> expected(37, 0);
    expected[20] = expected[21] = expected[25] = expected[29] = expected[33] = 1;
    EXPECT_EQ(chara.m_InheritFlags, expected);
    EXPECT_EQ(chara.m_nDefense, 0u);
    EXPECT_EQ(chara.m_nCharaEffect1Mode, 0);
    EXPECT_EQ(chara.m_nHitRange, 0);
    EXPECT_EQ(chara.m_nScrollSync, 0);
    EXPECT_EQ(chara.m_nBlinkKind, 1);
    // Fields after the missing ones were read into their own members.
    EXPECT_EQ(chara.m_nOption49, 1);
    EXPECT_EQ(chara.m_nStoppability, 10);
}

TEST(CharaDef, Version200FileLacksBlinkScrollSyncAndHitRange) {
    CharaSpec def;
    def.f[20] = 2;  // effect mode, stored from 196
    def.f[46] = 15; // defense, stored from 168
    def.f[47] = 4;
    def.flags = std::vector<int>(35, 1);
    cEdCharaDef chara = CharaFrom(def, 200);
    EXPECT_EQ(chara.m_nCharaEffect1Mode, 2);
    EXPECT_EQ(chara.m_nDefense, 15u);
    EXPECT_EQ(chara.m_nImpactResist, 4);
    EXPECT_EQ(chara.m_nHitRange, 0);
    EXPECT_EQ(chara.m_nScrollSync, 0);
    EXPECT_EQ(chara.m_nBlinkKind, 1);
    // Two insertions: 35 stored flags become 37, every one set.
    EXPECT_EQ(chara.m_InheritFlags, std::vector<std::uint8_t>(37, 1));
}

TEST(CharaDef, LaterUpgradesApplyBelowTheirVersionsOnly) {
    CharaSpec def;
    def.f[42] = 2;
    EXPECT_EQ(CharaFrom(def, 205).m_nHitRange, 3);
    EXPECT_EQ(CharaFrom(def, 206).m_nHitRange, 2);
    def.f[42] = 1;
    EXPECT_EQ(CharaFrom(def, 205).m_nHitRange, 1);
    // Kind-3 pictures of files before 219 are renumbered, capped at 119.
    def.f[14] = 3;
    def.f[13] = 5;
    EXPECT_EQ(CharaFrom(def, 218).m_nPictureNo, 6);
    EXPECT_EQ(CharaFrom(def, 219).m_nPictureNo, 5);
    def.f[13] = 119;
    EXPECT_EQ(CharaFrom(def, 218).m_nPictureNo, 119);
    // Files from 285 on keep their blink colour.
    EXPECT_EQ(CharaFrom(def, 285).m_nBlinkKind, 0);
    EXPECT_EQ(CharaFrom(def, 284).m_nBlinkKind, 1);
}

TEST(CharaDef, ReferencesOutsideTheProjectListsAreReplaced) {
    TestEnv env;
    env.counts = {{DbList::AnimeSets, 3}, {DbList::CharaEffects, 2}, {DbList::Effects, 4}};
    env.charaBitmaps = 5;
    CharaSpec def;
    def.f[14] = 4; // character bitmap
    def.f[13] = 5;
    def.f[16] = 3;
    def.f[19] = 1;
    def.f[22] = 2;
    def.f[45] = 3;
    def.f[35] = 0;
    cEdCharaDef chara = CharaFrom(def);
    EXPECT_EQ(chara.m_nPictureNo, 1);
    EXPECT_EQ(chara.m_nAnimeSet, 0);
    EXPECT_EQ(chara.m_nCharaEffect1, 1);
    EXPECT_EQ(chara.m_nCharaEffect2, 0);
    EXPECT_EQ(chara.m_nEffectNo, 3);
    EXPECT_EQ(chara.m_nScale, 1);
    // Another picture kind keeps its number; a scale above 127 counts as negative.
    def.f[14] = 1;
    def.f[35] = 200;
    chara = CharaFrom(def);
    EXPECT_EQ(chara.m_nPictureNo, 5);
    EXPECT_EQ(chara.m_nScale, 1);
    // A bitmap list holding only its "none" entry still gives picture 1: 0 would be no picture.
    env.charaBitmaps = 1;
    def.f[14] = 4;
    EXPECT_EQ(CharaFrom(def).m_nPictureNo, 1);
}

TEST(CharaDef, EmptyFlowsDisappearOnLoadAndSave) {
    cEdCharaDef chara;
    chara.m_Flows.resize(3);
    chara.m_Flows[1].m_Conds.resize(1);
    chara.m_Flows[1].m_nId = 7;
    const Bytes saved = SavedBytes(chara);
    ASSERT_EQ(chara.m_Flows.size(), 1u);
    EXPECT_EQ(chara.m_Flows[0].m_nId, 7);

    cEdCharaDef copy;
    copy.m_Flows.resize(2);
    copy.m_Flows[1].m_KeySteps.resize(1);
    ASSERT_TRUE(LoadBytes(copy, saved));
    ASSERT_EQ(copy.m_Flows.size(), 1u);
    EXPECT_EQ(copy.m_Flows[0].m_nId, 7);
}

TEST(CharaDef, InheritanceCopiesFlaggedGroupsWithDeepFlows) {
    cCheckedVector<cEdCharaDef> stage(2);
    cEdCharaDef& entry = stage[1];
    entry.m_nController = 0;
    entry.m_nPlayerNo = 1;
    entry.m_nMaxHP = 99;
    entry.m_nDefense = 7;
    entry.m_Flows.resize(1);
    entry.m_Flows[0].m_Conds.resize(1);
    entry.m_Flows[0].m_nId = 3;
    TestEnv env;
    env.stageCharas = &stage;

    CharaSpec def;
    def.f[1] = 2;
    def.f[2] = 1;
    def.f[13] = 8;
    def.flags[1] = 1;  // controller, playerNo
    def.flags[36] = 1; // flows
    def.x = 4;
    cEdCharaDef chara = CharaFrom(def);
    EXPECT_EQ(chara.m_nController, 0);
    EXPECT_EQ(chara.m_nPlayerNo, 1);
    EXPECT_EQ(chara.m_nMaxHP, 10u);
    EXPECT_EQ(chara.m_nDefense, 0u);
    EXPECT_EQ(chara.m_nPictureNo, 8);
    EXPECT_EQ(chara.m_nX, 4);
    ASSERT_EQ(chara.m_Flows.size(), 1u);
    EXPECT_EQ(chara.m_Flows[0].m_nId, 3);
    chara.m_Flows[0].m_nId = 9;
    EXPECT_EQ(entry.m_Flows[0].m_nId, 3);

    // Files older than 168 inherit the defense group by default.
    def.flags = std::vector<int>(34, 0);
    EXPECT_EQ(CharaFrom(def, 167).m_nDefense, 7u);
}

TEST(CharaDef, CopyOffsetsFollowStartStepAndMirror) {
    cEdCharaDef chara;
    chara.m_nOffsetXStart = 16;
    chara.m_nOffsetXStep = 32;
    chara.m_nOffsetYStart = -4;
    chara.m_nOffsetYStep = 2;
    EXPECT_DOUBLE_EQ(chara.OffsetX(3, 0), 112.0);
    EXPECT_DOUBLE_EQ(chara.OffsetX(3, 1), 112.0);
    chara.m_nOffsetXMirror = 1;
    EXPECT_DOUBLE_EQ(chara.OffsetX(3, 1), -112.0);
    EXPECT_DOUBLE_EQ(chara.OffsetX(3, 0), 112.0);
    EXPECT_DOUBLE_EQ(chara.OffsetY(2, 1), 0.0);
    chara.m_nOffsetYMirror = 1;
    EXPECT_DOUBLE_EQ(chara.OffsetY(0, 1), 4.0);
}
