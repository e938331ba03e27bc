// The stage record: registration per version, the chunk and file layout, upgrades of older files,
// normalisation, timing values and the sub-records.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "def_test_util.h"
#include "records/ed_flow.h"
#include "records/param_tables.h"

using namespace deftest;

namespace {

// A saved block without picture and a placed hero.
BlockSpec PlainBlock() {
    BlockSpec b;
    b.solidity = 0;
    return b;
}
CharaSpec Hero() {
    CharaSpec c;
    c.f[13] = 1; // picture
    c.f[26] = 0; // player
    return c;
}

class StageRecord : public ::testing::Test {
  protected:
    void SetUp() override {
        env.stageBlocks = &stage.m_PaletteBlocks;
        env.stageCharas = &stage.m_PaletteCharas;
        env.stageItems = &stage.m_PaletteItems;
        env.running = &stage;
    }
    cEdStage stage;
    TestEnv env;
};

} // namespace

TEST_F(StageRecord, FieldCountsPerVersion) {
    const std::pair<int, int> cases[] = {{154, 71}, {155, 79}, {199, 83}, {224, 97}, {732, 98}};
    for (auto [version, count] : cases) {
        cEdStage s;
        s.RegisterMembers(version);
        EXPECT_EQ(s.FieldCount(), count) << version;
        EXPECT_EQ(s.StringCount(), 1) << version;
        EXPECT_EQ(StageFieldCount(version), count) << version;
    }
}

TEST_F(StageRecord, ChunkOfTheDefaultsIs416BytesInTheDocumentedOrder) {
    stage.SetHitLevel(10);
    ByteWriter w;
    std::map<int, double> derived = {{87, 10},    {88, 10.0}, {89, 100.0}, {90, 60.0},
                                     {91, 0.004}, {92, 6.0},  {93, 80}};
    WriteStageChunk(w, 732, derived, "name");
    stage.m_strText = "name";
    const Bytes chunk = WrittenBytes([&](std::FILE* fp) { stage.cSerialRecord::Save(fp); });
    ASSERT_EQ(chunk.size(), 4u + 416 + 4 + 9);
    EXPECT_EQ(chunk, w.data());
}

TEST_F(StageRecord, ClearGivesOneEntryPalettesFiveSwitchesAndTheLimitDefaults) {
    stage.m_PaletteBlocks.resize(4);
    stage.m_Blocks.resize(3);
    stage.m_ResultItems.assign(2, 0);
    stage.m_nFrameRate = 30;
    stage.Clear();
    EXPECT_EQ(stage.m_PaletteBlocks.size(), 1u);
    EXPECT_EQ(stage.m_PaletteCharas.size(), 1u);
    EXPECT_EQ(stage.m_PaletteItems.size(), 1u);
    EXPECT_TRUE(stage.m_Blocks.empty());
    EXPECT_EQ(stage.m_ResultItems, std::vector<std::int32_t>(5, 1));
    EXPECT_EQ(stage.m_nFrameRate, 60);
    EXPECT_EQ(stage.m_Limits[0].m_nBottom, 0);
    EXPECT_EQ(stage.m_Limits[3].m_nLeft, 1);
    EXPECT_EQ(stage.m_Limits[3].m_nDistLeft, 0);
    EXPECT_EQ(stage.m_Limits[4].m_nBottom, 1);
    EXPECT_EQ(stage.m_Limits[4].m_nDistBottom, 10);
}

TEST_F(StageRecord, FileLayoutLoadsAndSavesByteForByte) {
    StageBody body;
    body.fields = {{1, 40},   {4, 20},   {13, 30},   {21, 0.5},   {22, 12},   {24, 0}, {87, 2},
                   {88, 2.0}, {89, 4.0}, {90, 60.0}, {91, 0.125}, {92, 30.0}, {93, 16}};
    body.results = {1, 0, 1, 0, 1};
    BlockSpec pb = body.paletteBlocks[1];
    pb.pictureNo = 3;
    pb.text = "wall";
    body.paletteBlocks = {PlainBlock(), pb};
    BlockSpec placed = PlainBlock();
    placed.x = 7;
    placed.y = 8;
    body.blocks = {placed, placed};
    body.charas = {Hero()};
    body.items = {ItemSpec{}};
    body.backgrounds = 2;
    body.texts = {"a", ""};
    const Bytes bytes = WriteStage(body);

    ASSERT_TRUE(LoadBytes(stage, bytes));
    EXPECT_EQ(stage.m_nWidth, 40);
    EXPECT_EQ(stage.m_nHeight, 20);
    EXPECT_EQ(stage.m_ResultItems, (std::vector<std::int32_t>{1, 0, 1, 0, 1}));
    ASSERT_EQ(stage.m_PaletteBlocks.size(), 2u);
    EXPECT_EQ(stage.m_PaletteBlocks[1].m_strText, "wall");
    ASSERT_EQ(stage.m_Blocks.size(), 2u);
    EXPECT_EQ(stage.m_Blocks[1].m_nY, 8);
    ASSERT_EQ(stage.m_Backgrounds.size(), 2u);
    EXPECT_EQ(stage.m_Backgrounds[1].m_strFile, "bg1.bmp");
    ASSERT_EQ(stage.m_Texts.size(), 2u);
    EXPECT_EQ(stage.m_Texts[0].m_strText, "a");
    EXPECT_EQ(stage.FindHero(), 0);
    EXPECT_EQ(stage.m_nFrameMul, 2);
    EXPECT_EQ(SavedBytes(stage), bytes);
}

TEST_F(StageRecord, PalettesAreFilledToTwoAndEntryZeroHoldsTheDefaults) {
    StageBody body;
    BlockSpec odd;
    odd.text = "zero";
    odd.pictureNo = 4;
    odd.flags = std::vector<int>(11, 1);
    body.paletteBlocks = {odd};
    body.paletteCharas = {};
    CharaSpec c0;
    c0.f[39] = 500;
    body.paletteItems = {ItemSpec{}, ItemSpec{}, ItemSpec{}};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body)));
    ASSERT_EQ(stage.m_PaletteBlocks.size(), 2u);
    EXPECT_EQ(stage.m_PaletteBlocks[0].m_strText, "");
    EXPECT_EQ(stage.m_PaletteBlocks[0].m_nPictureNo, 0);
    EXPECT_EQ(stage.m_PaletteBlocks[0].m_InheritFlags, std::vector<std::uint8_t>(11, 0));
    EXPECT_EQ(stage.m_PaletteCharas.size(), 2u);
    EXPECT_EQ(stage.m_PaletteItems.size(), 3u);

    body.paletteCharas = {c0};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body)));
    EXPECT_EQ(stage.m_PaletteCharas[0].m_nMaxHP, 10u);
}

TEST_F(StageRecord, ResultSwitchesOfOlderFilesBecomeFive) {
    StageBody body;
    body.version = 180;
    body.results = {1, 1, 1};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body), 180));
    EXPECT_EQ(stage.m_ResultItems, (std::vector<std::int32_t>{1, 1, 1, 0, 0}));
    body.results = {1, 1, 1, 1, 1, 1, 1};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body), 180));
    EXPECT_EQ(stage.m_ResultItems, (std::vector<std::int32_t>{1, 1, 1, 0, 0}));
    body.version = 181;
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body), 181));
    EXPECT_EQ(stage.m_ResultItems.size(), 7u);
}

TEST_F(StageRecord, OlderVersionsAreUpgraded) {
    StageBody body;
    body.version = 154;
    body.marker = false;
    body.fields = {{40, 20}, {41, 28}, {64, 10}, {65, 22}};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body), 154));
    EXPECT_EQ(stage.m_nHeroCharaRangeFlyW, 20);
    EXPECT_EQ(stage.m_nHeroCharaRangeFlyH, 28);
    EXPECT_EQ(stage.m_nCharaCharaRangeFlyW, 10);
    EXPECT_EQ(stage.m_nCharaCharaRangeFlyH, 22);
    EXPECT_EQ(stage.m_nHeroCharaRangePlace, 0);
    EXPECT_EQ(stage.m_nCharaCharaRangeFlyPlace, 0);
    EXPECT_EQ(stage.m_nBgmLoop, 1);
    EXPECT_EQ(stage.m_nStatusDisplay, 1);
    EXPECT_EQ(stage.m_nResultAutoAdvance, 0);
    EXPECT_EQ(stage.m_nKeepBgm, 0);
    EXPECT_EQ(stage.m_nHeroBodyColour, 5);
    EXPECT_EQ(stage.m_nCharaBodyH, 30);
    EXPECT_EQ(stage.m_nCharaBodyFlyH, 30);
    EXPECT_EQ(stage.m_nCharaBodyFlyPlace, 1);
    EXPECT_EQ(stage.m_nStartBanner2, 0);
    // The limit records of files below 125 hold five words.
    EXPECT_EQ(stage.m_Limits[4].m_nDistTop, 10);

    // Each upgrade only below its own version.
    body.version = 199;
    body.marker = true;
    body.fields = {{25, 0}, {30, 0}, {31, 1}};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body), 199));
    EXPECT_EQ(stage.m_nBgmLoop, 0);
    EXPECT_EQ(stage.m_nStatusDisplay, 0);
    EXPECT_EQ(stage.m_nResultAutoAdvance, 1);
    EXPECT_EQ(stage.m_nHeroBodyColour, 5);
    body.version = 224;
    body.fields = {{56, 3}, {26, 1}};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body), 224));
    EXPECT_EQ(stage.m_nHeroBodyColour, 3);
    EXPECT_EQ(stage.m_nKeepBgm, 1);
    EXPECT_EQ(stage.m_nStartBanner2, 0);
}

TEST_F(StageRecord, NormaliseClampsScrollLimitsAndMusic) {
    env.counts = {{DbList::Bgms, 5}};
    stage.m_nWidth = 30;
    stage.m_nHeight = 20;
    stage.m_nLimitLeftCol = 25;
    stage.m_nLimitRightCol = 40;
    stage.m_nLimitTopRow = 6;
    stage.m_nLimitBottomRow = 19;
    stage.m_nBgm = 5;
    stage.Normalise();
    EXPECT_EQ(stage.m_nLimitLeftCol, 10);
    EXPECT_EQ(stage.m_nLimitRightCol, 29);
    EXPECT_EQ(stage.m_nLimitTopRow, 5);
    EXPECT_EQ(stage.m_nLimitBottomRow, 19);
    EXPECT_EQ(stage.m_nBgm, 0);
    stage.m_nLimitLeftCol = 5;
    stage.m_nBgm = 4;
    stage.Normalise();
    EXPECT_EQ(stage.m_nLimitLeftCol, 5);
    EXPECT_EQ(stage.m_nBgm, 4);
    stage.m_nBgm = -1;
    stage.Normalise();
    EXPECT_EQ(stage.m_nBgm, 0);
}

TEST_F(StageRecord, ObjectSizesBeyondAnyPlayAreaAreBroughtToTheBound) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {16, 16},         {32767, 32767},     {32768, 32767},      {-32767, -32767},
        {-32768, -32767}, {INT32_MAX, 32767}, {INT32_MIN, -32767}, {1936483678, 32767},
    };
    for (const auto& [stored, kept] : cases) {
        for (std::int32_t* size : stage.ObjectSizes())
            *size = stored;
        stage.m_nCarried78 = stored; // a carried word is kept as read
        stage.Normalise();
        for (std::int32_t* size : stage.ObjectSizes())
            EXPECT_EQ(*size, kept) << stored;
        EXPECT_EQ(stage.m_nCarried78, stored);
    }
    EXPECT_EQ(stage.ObjectSizes().size(), 28u);
}

TEST_F(StageRecord, NormalisingAnyStageDerivesTheRunningStagesTiming) {
    stage.m_nHitLevel = 4;
    cEdStage other;
    other.m_nHitLevel = 12;
    other.Normalise();
    EXPECT_EQ(stage.m_nFrameMul, 4);
    EXPECT_EQ(other.m_nFrameMul, 0);
}

TEST_F(StageRecord, HitLevelDerivesTheTimingValues) {
    stage.m_dGravityBase = 0.4;
    stage.SetHitLevel(10);
    EXPECT_EQ(stage.m_nFrameMul, 10);
    EXPECT_EQ(stage.m_nFramePeriod, 60);
    EXPECT_DOUBLE_EQ(stage.m_dFrameScale, 10.0);
    EXPECT_DOUBLE_EQ(stage.m_dFrameScale2, 100.0);
    EXPECT_DOUBLE_EQ(stage.m_dBaseSpeed, 60.0);
    EXPECT_DOUBLE_EQ(stage.m_dMaxSpeed, 6.0);
    EXPECT_DOUBLE_EQ(stage.m_dGravity, 0.004);
    EXPECT_EQ(stage.m_nFrameMul8, 80);

    stage.SetHitLevel(11);
    EXPECT_EQ(stage.m_nFrameMul, 1);
    EXPECT_DOUBLE_EQ(stage.m_dBaseSpeed, 60.0);
    EXPECT_DOUBLE_EQ(stage.m_dMaxSpeed, 60.0);
    EXPECT_DOUBLE_EQ(stage.m_dGravity, 0.4);

    stage.SetHitLevel(19);
    EXPECT_EQ(stage.m_nFrameMul, 9);
    EXPECT_DOUBLE_EQ(stage.m_dMaxSpeed, 60.0 / 9);
    EXPECT_EQ(stage.m_nHitLevel, 19);

    stage.SetHitLevel(20);
    EXPECT_EQ(stage.m_nFrameMul, 20);
    EXPECT_DOUBLE_EQ(stage.m_dBaseSpeed, 120.0);
    EXPECT_DOUBLE_EQ(stage.m_dMaxSpeed, 6.0);

    // A level below 1 counts as 1; a huge level is capped.
    for (int level : {0, -5}) {
        stage.SetHitLevel(level);
        EXPECT_EQ(stage.m_nHitLevel, level);
        EXPECT_EQ(stage.m_nFrameMul, 1);
        EXPECT_DOUBLE_EQ(stage.m_dMaxSpeed, 6.0);
        EXPECT_DOUBLE_EQ(stage.m_dGravity, 0.4);
    }
    stage.SetHitLevel(1000000);
    EXPECT_EQ(stage.m_nFrameMul, MAX_FRAME_MUL);
}

TEST_F(StageRecord, HeroIsTheFirstPlayerCharacterWithAPicture) {
    EXPECT_FALSE(stage.HasHero());
    stage.m_Charas.resize(3);
    stage.m_Charas[0].m_nPictureNo = 4;  // computer
    stage.m_Charas[1].m_nController = 0; // player without picture
    EXPECT_EQ(stage.FindHero(), -1);
    stage.m_Charas[2].m_nController = 0;
    stage.m_Charas[2].m_nPictureNo = 2;
    EXPECT_EQ(stage.FindHero(), 2);
    EXPECT_TRUE(stage.HasHero());
}

TEST_F(StageRecord, HeroDrawnFromAShortBitmapListStaysAHero) {
    // The project's character-bitmap list holds only its "none" entry: a hero naming bitmap 3
    // gets bitmap 1 and is still found.
    env.charaBitmaps = 1;
    StageBody body;
    CharaSpec hero = Hero();
    hero.f[14] = 4;
    hero.f[13] = 3;
    body.charas = {hero};
    ASSERT_TRUE(LoadBytes(stage, WriteStage(body)));
    ASSERT_EQ(stage.m_Charas.size(), 1u);
    EXPECT_EQ(stage.m_Charas[0].m_nPictureNo, 1);
    EXPECT_EQ(stage.FindHero(), 0);
}

TEST_F(StageRecord, ReplayBodyTakesSetupPartsFromTheOriginal) {
    cEdStage original;
    original.m_nFrameRate = 45;
    original.m_ResultItems = {0, 0, 0, 0, 0};
    original.m_Backgrounds.resize(1);
    original.m_Limits[0].m_nLeft = 1;
    stage.m_nFrameRate = 20;
    stage.m_Charas.resize(1);
    stage.m_Charas[0].m_nX = 9;
    const Bytes body = WrittenBytes([&](std::FILE* fp) { stage.SaveForReplay(fp, original); });
    cEdStage read;
    env.running = &read;
    ASSERT_TRUE(LoadBytes(read, body));
    EXPECT_EQ(read.m_nFrameRate, 45);
    EXPECT_EQ(read.m_ResultItems, std::vector<std::int32_t>(5, 0));
    EXPECT_EQ(read.m_Backgrounds.size(), 1u);
    EXPECT_EQ(read.m_Limits[0].m_nLeft, 1);
    ASSERT_EQ(read.m_Charas.size(), 1u);
    EXPECT_EQ(read.m_Charas[0].m_nX, 9);
    EXPECT_EQ(Bytes(body.end() - 4, body.end()), (Bytes{0x15, 0xCD, 0x5B, 0x07}));
}

// Play may arrange the running stage's item commands: a replay carries the palettes as loaded, so
// that its playback does not arrange them a second time.
TEST_F(StageRecord, ReplayBodyCarriesThePalettesAsLoaded) {
    cEdStage original;
    original.m_PaletteItems.resize(2);
    original.m_PaletteItems[1].m_strText = "loaded";
    stage.m_PaletteItems.resize(3);
    stage.m_PaletteItems[1].m_strText = "arranged";
    const Bytes body = WrittenBytes([&](std::FILE* fp) { stage.SaveForReplay(fp, original); });
    cEdStage read;
    env.running = &read;
    ASSERT_TRUE(LoadBytes(read, body));
    ASSERT_EQ(read.m_PaletteItems.size(), 2u);
    EXPECT_EQ(read.m_PaletteItems[1].m_strText, "loaded");
}

namespace {

cEdFlowCmd ShotCommand(FlowCommandType kind) {
    cEdFlowCmd command = MakeCommandPrototype();
    command.m_nKind = static_cast<std::int8_t>(kind);
    NewShot(command.m_Shot);
    return command;
}

// A stage of its own palettes (characters 0-2, character 2 with 33 hit points; items 0-3) whose hero
// refers to the stage palette: a summon of character `chara`, a take and a shot item of item `item`,
// and the hit points inherited from character `chara`.
cEdStage StageReferring(int chara, int item) {
    cEdStage s;
    s.m_nWidth = 20;
    s.m_nHeight = 15;
    s.m_PaletteCharas.resize(3);
    s.m_PaletteCharas[2].m_nMaxHP = 33;
    s.m_PaletteItems.resize(4);
    cEdCharaDef hero;
    hero.m_nPictureNo = 1;
    hero.m_nController = 0;
    hero.m_nPalette = PALETTE_STAGE;
    hero.m_nPaletteEntry = static_cast<std::int16_t>(chara);
    hero.m_InheritFlags.assign(37, 0);
    hero.m_InheritFlags[23] = 1; // the hit points
    cEdFlowCmd summon = ShotCommand(FCT_SUMMON_CHARA);
    summon.m_Shot->m_nSummonPalette = 1; // the stage's
    summon.m_Shot->m_nSummonEntry = static_cast<std::int16_t>(chara);
    cEdFlowCmd take = MakeCommandPrototype();
    take.m_nKind = FCT_TAKE_ITEM;
    take.m_Params.assign(static_cast<std::size_t>(CommandKinds()[FCT_TAKE_ITEM].count), 0);
    take.m_Params[0] = 1; // the stage's
    take.m_Params[1] = item;
    cEdFlowCmd shot = ShotCommand(FCT_SHOT);
    shot.m_Shot->m_nItemPalette = PALETTE_STAGE;
    shot.m_Shot->m_nItemEntry = static_cast<std::int16_t>(item);
    cEdFlow flow = MakeFlowPrototype();
    flow.m_Commands = {summon, take, shot};
    hero.m_Flows.push_back(flow);
    s.m_Charas.push_back(hero);
    return s;
}

// The hero's references: summoned character, item taken, shot item's palette and entry, inherited
// palette and entry.
std::array<int, 6> RefsOf(const cEdStage& s) {
    const cEdCharaDef& hero = s.m_Charas.at(0);
    const auto& commands = hero.m_Flows.at(0).m_Commands;
    return {commands.at(0).m_Shot->m_nSummonEntry,
            commands.at(1).m_Params.at(1),
            commands.at(2).m_Shot->m_nItemPalette,
            commands.at(2).m_Shot->m_nItemEntry,
            hero.m_nPalette,
            hero.m_nPaletteEntry};
}

// The bytes of a stage as saved with no environment: every reference as it stands.
Bytes SavedAsItStands(cEdStage& s) {
    const cFlowRecordEnv* installed = SetFlowRecordEnv(nullptr);
    Bytes bytes = SavedBytes(s);
    SetFlowRecordEnv(installed);
    return bytes;
}

} // namespace

// A stage read or normalised apart from the running one (a replay's, read into a copy) resolves its
// references to the stage palette against its own palettes, whatever the running stage holds: at a
// new start (palettes of one entry) or after a larger stage (whose character 2 has 77 hit points).
TEST_F(StageRecord, AStageApartFromTheRunningOneChecksItsReferencesAgainstItsOwnPalettes) {
    struct Case {
        const char* what;
        std::size_t running; // entries of the running stage's palettes
        int chara, item;
        std::array<int, 6> refs;
    };
    const Case cases[] = {
        {"inside its palettes, at a new start", 1, 2, 3, {2, 3, PALETTE_STAGE, 3, PALETTE_STAGE, 2}},
        {"inside its palettes, after a larger stage", 5, 2, 3, {2, 3, PALETTE_STAGE, 3, PALETTE_STAGE, 2}},
        {"outside its palettes, at a new start", 1, 3, 4, {1, 1, 0, 0, 0, 0}},
        {"outside its palettes, after a larger stage", 5, 3, 4, {1, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases)
        for (const bool read : {true, false}) {
            stage.Clear();
            stage.m_PaletteCharas.resize(c.running);
            stage.m_PaletteItems.resize(c.running);
            for (cEdCharaDef& def : stage.m_PaletteCharas)
                def.m_nMaxHP = 77;
            cEdStage apart = StageReferring(c.chara, c.item);
            if (read) {
                const Bytes bytes = SavedAsItStands(apart);
                apart = cEdStage();
                ASSERT_TRUE(LoadBytes(apart, bytes)) << c.what;
                EXPECT_EQ(apart.m_Charas.at(0).m_nMaxHP, c.chara == 2 ? 33u : 10u) << c.what;
            } else {
                apart.Normalise();
            }
            EXPECT_EQ(RefsOf(apart), c.refs) << c.what << (read ? ", read" : ", normalised");
            EXPECT_EQ(stage.m_PaletteCharas.size(), c.running) << c.what;
            EXPECT_EQ(stage.m_PaletteCharas.at(0).m_nMaxHP, 77u) << c.what;
        }
}

TEST_F(StageRecord, SizesAndCountsBeyondTheFileOrLimitsFailTheLoad) {
    StageBody body;
    body.fields = {{1, -1}};
    EXPECT_FALSE(LoadBytes(stage, WriteStage(body)));
    body.fields = {{1, 10}, {4, -5}};
    EXPECT_FALSE(LoadBytes(stage, WriteStage(body)));
    // Wide and large areas are stages like any other; only a grid that no memory could hold is
    // refused.
    body.fields = {{1, 100000}, {4, 10}};
    EXPECT_TRUE(LoadBytes(stage, WriteStage(body)));
    body.fields = {{1, 4000}, {4, 1100}};
    EXPECT_TRUE(LoadBytes(stage, WriteStage(body)));
    EXPECT_EQ(stage.m_nWidth, 4000);
    body.fields = {{1, INT32_MAX}, {4, INT32_MAX}};
    EXPECT_FALSE(LoadBytes(stage, WriteStage(body)));
    // The grid: a border of 10 blocks, rows padded to a power of two, weighed against the memory.
    EXPECT_EQ(StageGridCells(4000, 1100), 4096u * 1120u);
    EXPECT_EQ(StageGridCells(0, 0), 32u * 20u);
    EXPECT_EQ(StageGridCells(INT32_MAX, INT32_MAX),
              (std::uint64_t{1} << 32) * (std::uint64_t{1} << 31) + 19 * (std::uint64_t{1} << 32));
    // Each cell costs STAGE_CELL_BYTES.
    const std::uint64_t gridBytes = std::uint64_t{4096} * 1120 * STAGE_CELL_BYTES;
    EXPECT_TRUE(StageSizeAccepted(4000, 1100, gridBytes));
    EXPECT_FALSE(StageSizeAccepted(4000, 1100, gridBytes - 1));
    EXPECT_FALSE(StageSizeAccepted(-1, 10, UINT64_MAX));

    // A placed-block count larger than the rest of the file. With every list empty the count
    // stands 24 bytes before the end (five list counts and the marker follow it).
    body.fields = {};
    Bytes bytes = WriteStage(body);
    const std::size_t at = bytes.size() - 24;
    ASSERT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + 4), (Bytes{0, 0, 0, 0}));
    EXPECT_TRUE(LoadBytes(stage, bytes));
    bytes[at + 3] = 0x10;
    EXPECT_FALSE(LoadBytes(stage, bytes));
}

TEST_F(StageRecord, DamagedSidesAreRefusedAndTheHitStepCountIsKeptToItsRange) {
    // The longest side the view can measure and one past it, whatever the memory.
    struct Side {
        std::int32_t width, height;
        bool accepted;
    };
    const Side sides[] = {
        {STAGE_SIDE_MAX, 0, true},      {STAGE_SIDE_MAX + 1, 0, false}, {0, STAGE_SIDE_MAX, true},
        {0, STAGE_SIDE_MAX + 1, false}, {INT32_MAX, 0, false},
    };
    for (const Side& k : sides)
        EXPECT_EQ(StageSizeAccepted(k.width, k.height, UINT64_MAX), k.accepted)
            << k.width << " x " << k.height;
    StageBody body;
    body.fields = {{1, STAGE_SIDE_MAX + 1}, {4, 0}};
    EXPECT_FALSE(LoadBytes(stage, WriteStage(body)));

    // Field 23, the sub-steps of a frame that test hits: 0 to 5 as stored, beyond that the nearest.
    struct Count {
        std::int32_t stored, read;
    };
    const Count counts[] = {{0, 0}, {5, 5}, {6, 5}, {-1, 0}, {INT32_MAX, 5}, {INT32_MIN, 0}};
    for (const Count& k : counts) {
        body.fields = {{23, k.stored}};
        ASSERT_TRUE(LoadBytes(stage, WriteStage(body))) << k.stored;
        EXPECT_EQ(stage.m_nHitLevel2, k.read) << k.stored;
    }
}

TEST(StageSub, OldLimitRecordsReadFiveWords) {
    cEdStageSub sub;
    sub.Set(0, 7, 8, 9, 0, 0, 0, 0);
    ByteWriter w;
    w.i32(5).i32(1).i32(2).i32(3).i32(4).i32(5).i32(0);
    ASSERT_TRUE(LoadBytes(sub, w.data(), 124));
    EXPECT_EQ(sub.m_nLeft, 1);
    EXPECT_EQ(sub.m_nRight, 7);
    EXPECT_EQ(sub.m_nTop, 8);
    EXPECT_EQ(sub.m_nBottom, 9);
    EXPECT_EQ(sub.m_nDistLeft, 2);
    EXPECT_EQ(sub.m_nDistBottom, 5);
    ByteWriter current;
    current.i32(8).i32(1).i32(7).i32(8).i32(9).i32(2).i32(3).i32(4).i32(5).i32(0);
    EXPECT_EQ(SavedBytes(sub), current.data());
}

TEST(StageTableD, OlderLayoutsDropTheirTwoWords) {
    cEdStageTableD layer;
    ByteWriter v60;
    v60.i32(5).i32(1).i32(33).i32(1).i32(777).i32(888).i32(1).str("old.bmp");
    ASSERT_TRUE(LoadBytes(layer, v60.data(), 60));
    EXPECT_EQ(layer.m_nShown, 1);
    EXPECT_EQ(layer.m_nKind, 1);
    EXPECT_EQ(layer.m_nColour, 33);
    EXPECT_EQ(layer.m_nPass, 1);
    EXPECT_DOUBLE_EQ(layer.m_dSpeedX, 0.1);
    EXPECT_DOUBLE_EQ(layer.m_dSpeedY, 0.1);
    EXPECT_EQ(layer.m_strFile, "old.bmp");

    cEdStageTableD layer61;
    ByteWriter v61;
    v61.i32(9).i32(0).i32(16).i32(0).f64(0.5).f64(0.25).i32(1).i32(0).i32(777).i32(888);
    v61.i32(1).str("b.bmp");
    ASSERT_TRUE(LoadBytes(layer61, v61.data(), 61));
    EXPECT_DOUBLE_EQ(layer61.m_dSpeedX, 0.5);
    EXPECT_EQ(layer61.m_nAutoX, 1);
    EXPECT_DOUBLE_EQ(layer61.m_dOffsetX, 0.0);

    ByteWriter current;
    WriteBackground(current, "b.bmp");
    cEdStageTableD fresh;
    fresh.m_strFile = "b.bmp";
    EXPECT_EQ(SavedBytes(fresh), current.data());
}

TEST(StageFileDamage, EveryPrefixAndRandomFlipsLoadWithoutHarm) {
    cEdStage stage;
    TestEnv env;
    env.running = &stage;
    stage.m_nWidth = 20;
    stage.m_nHeight = 15;
    cEdFlow flow;
    flow.m_nKeyGap = 3;
    flow.m_Conds.resize(1);
    flow.m_KeySteps.resize(1);
    cEdFlowCmd command;
    command.Clear();
    command.m_nKind = 11; // a shot, with shot settings
    NewShot(command.m_Shot);
    NewMove(command.m_Move);
    command.m_Params.assign(4, 1);
    command.m_Flows.push_back(flow);
    flow.m_Commands.push_back(command);
    stage.m_PaletteCharas.resize(2);
    stage.m_PaletteCharas[1].m_Flows.push_back(flow);
    cEdCharaDef hero;
    hero.m_nController = 0;
    hero.m_nPictureNo = 1;
    hero.m_nPalette = 2;
    hero.m_nPaletteEntry = 1;
    hero.m_InheritFlags.assign(37, 1);
    hero.m_Flows.push_back(flow);
    stage.m_Charas.push_back(hero);
    cEdBlockDef block;
    block.m_nPalette = 2;
    block.m_nPaletteEntry = 1;
    block.m_InheritFlags.assign(11, 1);
    stage.m_Blocks.assign(2, block);
    cEdItemDef item;
    item.m_Commands.push_back(command);
    item.m_Conditions.resize(1);
    stage.m_Items.push_back(item);
    stage.m_Texts.resize(1);
    const Bytes whole = SavedBytes(stage);
    ASSERT_GT(whole.size(), 500u);
    {
        cEdStage s;
        env.running = &s;
        env.stageCharas = &s.m_PaletteCharas;
        ASSERT_TRUE(LoadBytes(s, whole));
        ASSERT_EQ(s.m_Charas.size(), 1u);
        ASSERT_EQ(s.m_Charas[0].m_Flows.size(), 1u);
        EXPECT_EQ(s.m_Charas[0].m_Flows[0].m_Commands.size(), 1u);
    }
    // Each load reads into its own stage, whose palette the placed records name.
    auto use = [&](cEdStage& s) {
        env.running = &s;
        env.stageBlocks = &s.m_PaletteBlocks;
        env.stageCharas = &s.m_PaletteCharas;
        env.stageItems = &s.m_PaletteItems;
    };
    for (std::size_t n = 0; n < whole.size(); ++n) {
        cEdStage s;
        use(s);
        EXPECT_FALSE(LoadBytes(s, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)))) << n;
    }
    std::mt19937 gen(11);
    for (int k = 0; k < 1000; ++k) {
        Bytes copy = whole;
        for (int c = 0; c < 2; ++c)
            copy[gen() % copy.size()] = static_cast<std::uint8_t>(gen());
        cEdStage s;
        use(s);
        LoadBytes(s, copy);
    }
}
