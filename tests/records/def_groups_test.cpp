// Inheritance group by group: with one flag set, exactly the members of that group are taken from
// the palette entry. The group tables here are written from the documented tables, member by name.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "def_test_util.h"

using namespace deftest;

namespace {

using Snapshot = std::map<std::string, std::int64_t>;

Snapshot Snap(const cEdBlockDef& b) {
    return {{"text", static_cast<std::int64_t>(std::hash<std::string>()(b.m_strText))},
            {"conditions", static_cast<std::int64_t>(b.m_Conditions.size())},
            {"conditionMode", b.m_nConditionMode},
            {"conditionLatch", b.m_nConditionLatch},
            {"pictureNo", b.m_nPictureNo},
            {"pictureKind", b.m_nPictureKind},
            {"pictureArg", b.m_nPictureArg},
            {"layer", b.m_nLayer},
            {"noDraw", b.m_nNoDraw},
            {"markMode", b.m_nMarkMode},
            {"markNo", b.m_nMarkNo},
            {"solidity", b.m_nSolidity},
            {"passFaction", b.m_nPassFaction},
            {"heroAction", b.m_nHeroAction},
            {"heroActionValue", b.m_nHeroActionValue},
            {"itemPalette", b.m_nItemPalette},
            {"itemEntry", b.m_nItemEntry},
            {"noOverwrite", b.m_nNoOverwrite},
            {"x", b.m_nX},
            {"y", b.m_nY}};
}

Snapshot Snap(const cEdCharaDef& c) {
    return {{"text", static_cast<std::int64_t>(std::hash<std::string>()(c.m_strText))},
            {"conditions", static_cast<std::int64_t>(c.m_Conditions.size())},
            {"flows", static_cast<std::int64_t>(c.m_Flows.size())},
            {"conditionMode", c.m_nConditionMode},
            {"conditionLatch", c.m_nConditionLatch},
            {"facing", c.m_nFacing},
            {"extraCopies", c.m_nExtraCopies},
            {"offsetXStart", c.m_nOffsetXStart},
            {"offsetXStep", c.m_nOffsetXStep},
            {"offsetYStart", c.m_nOffsetYStart},
            {"offsetYStep", c.m_nOffsetYStep},
            {"offsetXMirror", c.m_nOffsetXMirror},
            {"offsetYMirror", c.m_nOffsetYMirror},
            {"pictureNo", c.m_nPictureNo},
            {"pictureKind", c.m_nPictureKind},
            {"pictureArg", c.m_nPictureArg},
            {"animeSet", c.m_nAnimeSet},
            {"z", c.m_nZ},
            {"transparent", c.m_nTransparent},
            {"charaEffect1", c.m_nCharaEffect1},
            {"charaEffect1Mode", c.m_nCharaEffect1Mode},
            {"charaEffect1Loop", c.m_nCharaEffect1Loop},
            {"charaEffect2", c.m_nCharaEffect2},
            {"charaEffect2Mode", c.m_nCharaEffect2Mode},
            {"markMode", c.m_nMarkMode},
            {"markNo", c.m_nMarkNo},
            {"controller", c.m_nController},
            {"playerNo", c.m_nPlayerNo},
            {"faction", c.m_nFaction},
            {"charaId", c.m_nCharaId},
            {"moveType", c.m_nMoveType},
            {"fixedFacing", c.m_nFixedFacing},
            {"invincible", c.m_nInvincible},
            {"blinkKind", c.m_nBlinkKind},
            {"blockChara", c.m_nBlockChara},
            {"scale", c.m_nScale},
            {"scrollSync", c.m_nScrollSync},
            {"sightShape", c.m_nSightShape},
            {"sightRange", c.m_nSightRange},
            {"maxHP", c.m_nMaxHP},
            {"maxSP", c.m_nMaxSP},
            {"stoppability", c.m_nStoppability},
            {"hitRange", c.m_nHitRange},
            {"bodyPower", c.m_nBodyPower},
            {"bodyImpact", c.m_nBodyImpact},
            {"effectNo", c.m_nEffectNo},
            {"defense", c.m_nDefense},
            {"impactResist", c.m_nImpactResist},
            {"score", c.m_nScore},
            {"option49", c.m_nOption49},
            {"groupSwitch", c.m_nGroupSwitch},
            {"groupNo", c.m_nGroupNo},
            {"activityArea", c.m_nActivityArea},
            {"activationRule", c.m_nActivationRule},
            {"x", c.m_nX},
            {"y", c.m_nY},
            {"carried", c.m_nCarried}};
}

Snapshot Snap(const cEdItemDef& i) {
    return {{"text", static_cast<std::int64_t>(std::hash<std::string>()(i.m_strText))},
            {"conditions", static_cast<std::int64_t>(i.m_Conditions.size())},
            {"commands", static_cast<std::int64_t>(i.m_Commands.size())},
            {"conditionMode", i.m_nConditionMode},
            {"conditionLatch", i.m_nConditionLatch},
            {"offsetX", i.m_nOffsetX},
            {"offsetY", i.m_nOffsetY},
            {"pictureNo", i.m_nPictureNo},
            {"pictureKind", i.m_nPictureKind},
            {"pictureArg", i.m_nPictureArg},
            {"z", i.m_nZ},
            {"transparent", i.m_nTransparent},
            {"markMode", i.m_nMarkMode},
            {"markNo", i.m_nMarkNo},
            {"takeMessage", i.m_nTakeMessage},
            {"takeMode", i.m_nTakeMode},
            {"scale", i.m_nScale},
            {"soundNo", i.m_nSoundNo},
            {"x", i.m_nX},
            {"y", i.m_nY}};
}

template <class T> std::set<std::string> Changed(const T& before, const T& after) {
    std::set<std::string> names;
    const Snapshot a = Snap(before);
    const Snapshot b = Snap(after);
    for (const auto& [name, value] : a)
        if (b.at(name) != value) names.insert(name);
    return names;
}

// Loads `heir` with only flag `group` set, naming entry 1 of the stage palette.
template <class T> T LoadWithFlag(T heir, int group, int groups) {
    heir.m_nPalette = 2;
    heir.m_nPaletteEntry = 1;
    heir.m_InheritFlags.assign(static_cast<std::size_t>(groups), 0);
    heir.m_InheritFlags[static_cast<std::size_t>(group)] = 1;
    const Bytes bytes = SavedBytes(heir);
    T loaded;
    EXPECT_TRUE(LoadBytes(loaded, bytes));
    return loaded;
}

} // namespace

TEST(InheritGroups, BlockGroupsCopyTheirMembersOnly) {
    const std::vector<std::set<std::string>> groups = {{"text"},
                                                       {"conditions", "conditionMode", "conditionLatch"},
                                                       {"pictureNo", "pictureKind", "pictureArg"},
                                                       {"layer"},
                                                       {"noDraw"},
                                                       {"markMode", "markNo"},
                                                       {"solidity"},
                                                       {"passFaction"},
                                                       {"heroAction", "heroActionValue"},
                                                       {"itemPalette", "itemEntry"},
                                                       {"noOverwrite"}};
    cCheckedVector<cEdBlockDef> palette(2);
    cCheckedVector<cEdItemDef> items(3);
    cEdBlockDef& e = palette[1];
    e.m_strText = "e";
    e.m_Conditions.resize(1);
    e.m_nConditionMode = 1;
    e.m_nConditionLatch = 1;
    e.m_nPictureNo = 7;
    e.m_nPictureKind = 1;
    e.m_nPictureArg = 2;
    e.m_nLayer = 3;
    e.m_nNoDraw = 1;
    e.m_nMarkMode = 1;
    e.m_nMarkNo = 4;
    e.m_nSolidity = 2;
    e.m_nPassFaction = 3;
    e.m_nHeroAction = 1;
    e.m_nHeroActionValue = 4;
    e.m_nItemPalette = 2;
    e.m_nItemEntry = 2;
    e.m_nNoOverwrite = 1;
    e.m_nX = 50;
    e.m_nY = 60;
    TestEnv env;
    env.stageBlocks = &palette;
    env.stageItems = &items;
    cEdBlockDef heir;
    heir.m_nPictureNo = 9;
    heir.m_nX = 1;
    heir.m_nY = 2;
    for (int g = 0; g < 11; ++g) {
        cEdBlockDef reference = heir;
        reference.m_nPalette = 2;
        reference.m_nPaletteEntry = 1;
        const cEdBlockDef loaded = LoadWithFlag(heir, g, 11);
        EXPECT_EQ(Changed(reference, loaded), groups[static_cast<std::size_t>(g)]) << "group " << g;
    }
}

TEST(InheritGroups, CharacterGroupsCopyTheirMembersOnly) {
    const std::vector<std::set<std::string>> groups = {
        {"text"},
        {"controller", "playerNo"},
        {"faction"},
        {"charaId"},
        {"conditions", "conditionMode", "conditionLatch"},
        {"facing"},
        {"extraCopies"},
        {"offsetXStart", "offsetXStep", "offsetXMirror"},
        {"offsetYStart", "offsetYStep", "offsetYMirror"},
        {"pictureKind", "pictureNo", "pictureArg"},
        {"animeSet"},
        {"z"},
        {"transparent"},
        {"charaEffect1", "charaEffect1Mode", "charaEffect1Loop"},
        {"charaEffect2", "charaEffect2Mode"},
        {"markMode", "markNo"},
        {"fixedFacing"},
        {"moveType"},
        {"invincible", "blinkKind"},
        {"blockChara"},
        {"scale"},
        {"scrollSync"},
        {"sightShape", "sightRange"},
        {"maxHP"},
        {"maxSP"},
        {"hitRange"},
        {"bodyPower"},
        {"bodyImpact"},
        {"effectNo"},
        {"defense"},
        {"impactResist"},
        {"stoppability"},
        {"activityArea", "activationRule"},
        {"groupNo", "groupSwitch"},
        {"score"},
        {"option49"},
        {"flows"}};
    cCheckedVector<cEdCharaDef> palette(2);
    cEdCharaDef& e = palette[1];
    e.m_strText = "e";
    e.m_Conditions.resize(1);
    e.m_Flows.resize(1);
    e.m_Flows[0].m_Conds.resize(1);
    // Every member different from a new character's.
    e.m_nConditionMode = e.m_nConditionLatch = e.m_nFacing = e.m_nExtraCopies = 1;
    e.m_nOffsetXStart = e.m_nOffsetXStep = e.m_nOffsetYStart = e.m_nOffsetYStep = 5;
    e.m_nOffsetXMirror = e.m_nOffsetYMirror = 1;
    e.m_nPictureNo = 6;
    e.m_nPictureKind = 2;
    e.m_nPictureArg = 3;
    e.m_nAnimeSet = 2;
    e.m_nZ = 1;
    e.m_nTransparent = 1;
    e.m_nCharaEffect1 = e.m_nCharaEffect2 = 1;
    e.m_nCharaEffect1Mode = e.m_nCharaEffect2Mode = 2;
    e.m_nCharaEffect1Loop = 0;
    e.m_nMarkMode = 1;
    e.m_nMarkNo = 3;
    e.m_nController = 0;
    e.m_nPlayerNo = 1;
    e.m_nFaction = 4;
    e.m_nCharaId = 9;
    e.m_nMoveType = 2;
    e.m_nFixedFacing = 0;
    e.m_nInvincible = 1;
    e.m_nBlinkKind = 3;
    e.m_nBlockChara = 1;
    e.m_nScale = 2;
    e.m_nScrollSync = 1;
    e.m_nSightShape = 1;
    e.m_nSightRange = 4;
    e.m_nMaxHP = 50;
    e.m_nMaxSP = 5;
    e.m_nStoppability = 20;
    e.m_nHitRange = 3;
    e.m_nBodyPower = 8;
    e.m_nBodyImpact = 2;
    e.m_nEffectNo = 1;
    e.m_nDefense = 4;
    e.m_nImpactResist = 3;
    e.m_nScore = 100;
    e.m_nOption49 = 0;
    e.m_nGroupSwitch = 1;
    e.m_nGroupNo = 2;
    e.m_nActivityArea = 3;
    e.m_nActivationRule = 1;
    e.m_nX = 40;
    e.m_nCarried = 77;
    TestEnv env;
    env.stageCharas = &palette;
    cEdCharaDef heir;
    heir.m_nPictureNo = 11;
    for (int g = 0; g < 37; ++g) {
        cEdCharaDef reference = heir;
        reference.m_nPalette = 2;
        reference.m_nPaletteEntry = 1;
        const cEdCharaDef loaded = LoadWithFlag(heir, g, 37);
        EXPECT_EQ(Changed(reference, loaded), groups[static_cast<std::size_t>(g)]) << "group " << g;
    }
}

TEST(InheritGroups, ItemGroupsCopyTheirMembersOnly) {
    const std::vector<std::set<std::string>> groups = {{"text"},
                                                       {"conditions", "conditionMode", "conditionLatch"},
                                                       {"offsetX"},
                                                       {"offsetY"},
                                                       {"pictureKind", "pictureNo", "pictureArg"},
                                                       {"z"},
                                                       {"transparent"},
                                                       {"markMode", "markNo"},
                                                       {"scale"},
                                                       {"takeMode"},
                                                       {"takeMessage"},
                                                       {"soundNo"},
                                                       {"commands"}};
    cCheckedVector<cEdItemDef> palette(2);
    cEdItemDef& e = palette[1];
    e.m_strText = "e";
    e.m_Conditions.resize(1);
    e.m_Commands.resize(2);
    e.m_nConditionMode = e.m_nConditionLatch = 1;
    e.m_nOffsetX = 3;
    e.m_nOffsetY = 4;
    e.m_nPictureNo = 5;
    e.m_nPictureKind = 1;
    e.m_nPictureArg = 6;
    e.m_nZ = 2;
    e.m_nTransparent = 1;
    e.m_nMarkMode = 1;
    e.m_nMarkNo = 7;
    e.m_nTakeMessage = 0;
    e.m_nTakeMode = 1;
    e.m_nScale = 3;
    e.m_nSoundNo = 2;
    e.m_nX = 9;
    TestEnv env;
    env.stageItems = &palette;
    cEdItemDef heir;
    for (int g = 0; g < 13; ++g) {
        cEdItemDef reference = heir;
        reference.m_nPalette = 2;
        reference.m_nPaletteEntry = 1;
        const cEdItemDef loaded = LoadWithFlag(heir, g, 13);
        EXPECT_EQ(Changed(reference, loaded), groups[static_cast<std::size_t>(g)]) << "group " << g;
    }
}
