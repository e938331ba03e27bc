// The demo game as the player reads it: every stage file written by the project writer is read back
// through the player's own loaders (database and system data first, so that references are checked
// against the project's lists), and what the game promises is looked for in what was read: the
// flows use every command kind and every trigger kind, the world map's nodes and the challenge
// menu find their stages, and each stage has the pieces it is made of.
#include "tools/demo_game.h"
#include "tools/demo_media.h"
#include "tools/demo_project.h"

#include "app/paths.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "menus/challenge_scene.h"
#include "platform/file_system.h"
#include "platform/gfx/bmp.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "records/param_tables.h"
#include "records/vocab_flow.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

struct Seen {
    std::set<int> commands; // character command kinds, nested flows included
    std::set<int> triggers;
    std::set<int> itemCommands;
    std::set<int> takeModes;
};

void WalkFlows(const cCheckedVector<cEdFlow>& flows, Seen& seen);

void WalkCommands(const cCheckedVector<cEdFlowCmd>& commands, Seen& seen) {
    for (const cEdFlowCmd& cmd : commands) {
        if (cmd.m_bItem)
            seen.itemCommands.insert(cmd.m_nKind);
        else
            seen.commands.insert(cmd.m_nKind);
        WalkFlows(cmd.m_Flows, seen);
    }
}

void WalkFlows(const cCheckedVector<cEdFlow>& flows, Seen& seen) {
    for (const cEdFlow& flow : flows) {
        seen.triggers.insert(flow.m_nTrigger);
        WalkCommands(flow.m_Commands, seen);
    }
}

void WalkStage(const cEdStage& stage, Seen& seen) {
    for (const cEdCharaDef& c : stage.m_Charas)
        WalkFlows(c.m_Flows, seen);
    for (const cEdCharaDef& c : stage.m_PaletteCharas)
        WalkFlows(c.m_Flows, seen);
    for (const cEdItemDef& item : stage.m_Items) {
        seen.takeModes.insert(item.m_nTakeMode);
        WalkCommands(item.m_Commands, seen);
    }
}

bool HasCommand(const cEdCharaDef& c, FlowTriggerKind trigger, FlowCommandType kind) {
    for (const cEdFlow& flow : c.m_Flows)
        if (flow.m_nTrigger == trigger)
            for (const cEdFlowCmd& cmd : flow.m_Commands)
                if (!cmd.m_bItem && cmd.m_nKind == kind) return true;
    return false;
}

// Whether a death flow of `c` runs a command of `kind`: a defeated character steps its death flows
// once, so only the commands up to the first that does not run with the next one are run.
bool DeathFlowRuns(const cEdCharaDef& c, FlowCommandType kind) {
    for (const cEdFlow& flow : c.m_Flows) {
        if (flow.m_nTrigger != FTK_DIED) continue;
        for (const cEdFlowCmd& cmd : flow.m_Commands) {
            if (!cmd.m_bItem && cmd.m_nKind == kind) return true;
            if (!cmd.m_bRunWithNext) break;
        }
    }
    return false;
}

bool StageHasCommand(const cEdStage& stage, FlowCommandType kind) {
    Seen seen;
    WalkStage(stage, seen);
    return seen.commands.count(kind) != 0;
}

class DemoGameTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_Dir = std::make_unique<fixtures::TempDir>();
        s_Written = demo_project::Write(s_Dir->path().string());
    }
    static void TearDownTestSuite() { s_Dir.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_Written);
        m_Cd = std::make_unique<fixtures::ScopedCurrentDir>(s_Dir->path());
        ASSERT_TRUE(LoadProjectDatabase());
        ASSERT_TRUE(LoadSystemData());
    }
    void TearDown() override {
        m_Cd.reset();
        g_Database = cProjectDatabase();
        g_SystemData = cSystemData();
        g_WorldMap = cWorldMap();
        g_Stage = cEdStage();
    }
    // The newest revision of a stage file named as the world map and menus name them, read back.
    static cEdStage Read(const std::string& name) {
        std::string path;
        EXPECT_TRUE(FindLatestNumberedFileStr(path, name, "stg4")) << name;
        EXPECT_EQ(CheckStageFile(path), 1) << path;
        g_Stage = cEdStage();
        EXPECT_TRUE(g_Stage.LoadFile(path)) << path;
        EXPECT_TRUE(g_Stage.HasHero()) << path;
        return g_Stage;
    }
    // The story stages in world-map order, then the challenge stages.
    std::vector<cEdStage> ReadAll() {
        std::vector<cEdStage> stages;
        EXPECT_TRUE(g_WorldMap.LoadFile("data\\WorldMap.dat"));
        for (const cWorldMapNode& node : g_WorldMap.nodes)
            stages.push_back(Read(node.m_Entries.at(0).szTextB));
        for (int n = 1; n <= g_SystemData.m_nChallengeStages; ++n) {
            stages.push_back(Read(ChallengeStageFile(n))); // "data\stg4\c01-1.stg4"
        }
        return stages;
    }

    static inline std::unique_ptr<fixtures::TempDir> s_Dir;
    static inline bool s_Written = false;
    std::unique_ptr<fixtures::ScopedCurrentDir> m_Cd;
};

} // namespace

TEST_F(DemoGameTest, FlowsUseEveryCommandKindAndEveryTriggerKind) {
    fixtures::BoxCapture boxes;
    const std::vector<cEdStage> stages = ReadAll();
    ASSERT_EQ(stages.size(), 5u);
    Seen seen;
    for (const cEdStage& stage : stages)
        WalkStage(stage, seen);
    for (int kind = 0; kind < FCT_COUNT; ++kind)
        EXPECT_TRUE(seen.commands.count(kind)) << "command kind " << kind << " unused";
    for (int trigger = 0; trigger < FTK_COUNT; ++trigger)
        EXPECT_TRUE(seen.triggers.count(trigger)) << "trigger " << trigger << " unused";
    EXPECT_EQ(*seen.commands.rbegin(), FCT_COUNT - 1);
    EXPECT_EQ(*seen.triggers.rbegin(), FTK_COUNT - 1);
    // Items of every take mode, and items that clear the stage.
    EXPECT_EQ(seen.takeModes, (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(seen.itemCommands.count(ICT_STAGE_CLEAR));
    EXPECT_TRUE(boxes.texts().empty());
}

// A flow run before the stage runs only the commands marked to run with the next one: a command of
// such a flow left unmarked (a greeting, a counter, the lamp keeper's scene) would never run.
TEST_F(DemoGameTest, EveryCommandOfAFlowBeforeTheStageRuns) {
    int flows = 0;
    for (const cEdStage& stage : ReadAll())
        for (const cEdCharaDef& c : stage.m_Charas)
            for (const cEdFlow& flow : c.m_Flows) {
                if (flow.m_nTrigger != FTK_BEFORE_STAGE) continue;
                ++flows;
                for (const cEdFlowCmd& cmd : flow.m_Commands)
                    EXPECT_TRUE(cmd.m_bRunWithNext) << stage.m_strPath << ": command " << cmd.m_nKind;
            }
    EXPECT_GE(flows, 2); // the meadow's greeting and the cave's lamp keeper
}

// Every row the options screen shows has its text, the colour table's among them.
TEST_F(DemoGameTest, EveryOptionRowHasALabel) {
    ASSERT_EQ(g_SystemData.m_vOptionMenu.Count(), 6);
    for (int row = 0; row < g_SystemData.m_vOptionMenu.Count(); ++row) {
        const cMenuItem& item = g_SystemData.m_vOptionMenu.at(row);
        if (item.m_nShow) {
            EXPECT_FALSE(item.m_strLabel.empty()) << "option text " << row;
        }
    }
}

TEST_F(DemoGameTest, StoryChallengeAndMenusAreWhatTheGamePromises) {
    const std::vector<cEdStage> stages = ReadAll();
    ASSERT_EQ(stages.size(), 5u);
    // System data: every title item shown, lives and extra lives, two challenge stages, rankings.
    for (const cMenuItem& item : g_SystemData.m_vTitleMenu)
        EXPECT_EQ(item.m_nShow, 1) << item.m_strLabel;
    EXPECT_EQ(g_SystemData.m_nChallengeStages, demo_game::kChallengeStages);
    EXPECT_NE(g_SystemData.m_nExtraLife, 0);
    EXPECT_GT(g_SystemData.m_nExtraLifeScore, 0);
    // Rankings in story, challenge and free play on every genre; a replay keeps none.
    for (int mode = 0; mode < SYSTEM_GAME_MODES; ++mode)
        EXPECT_EQ(g_SystemData.CountEnabledEntries(mode), mode < 3 ? 5 : 0) << mode;

    for (const cEdStage& stage : stages)
        EXPECT_EQ(stage.m_nTimeLimitOn, 1);
    // The meadow: two parallax layers moving at different speeds, a moving block character a hero
    // can ride, a greeting with "#" fields shown for a time before the stage.
    const cEdStage& meadow = stages[0];
    ASSERT_GE(meadow.m_Backgrounds.Count(), 2);
    EXPECT_NE(meadow.m_Backgrounds.at(0).m_dSpeedX, meadow.m_Backgrounds.at(1).m_dSpeedX);
    for (const cEdStageTableD& layer : meadow.m_Backgrounds) {
        gfx::Dib dib;
        EXPECT_TRUE(gfx::LoadBmpFile(layer.m_strFile, dib)) << layer.m_strFile;
    }
    bool platform = false, greeting = false;
    for (const cEdCharaDef& c : meadow.m_Charas) {
        platform |= c.m_nBlockChara != 0 && HasCommand(c, FTK_ALWAYS, FCT_LINE_MOVE);
        for (const cEdFlow& flow : c.m_Flows)
            for (const cEdFlowCmd& cmd : flow.m_Commands)
                greeting |= flow.m_nTrigger == FTK_BEFORE_STAGE && cmd.m_nKind == FCT_MESSAGE &&
                            cmd.m_strText.find("#S1") != std::string::npos &&
                            cmd.m_Params[6] == 2; // shown for its time, not to the stage's end
    }
    EXPECT_TRUE(platform);
    EXPECT_TRUE(greeting);
    // An unseen character that shows a message when touched.
    bool unseen = false;
    for (const cEdCharaDef& c : meadow.m_Charas)
        unseen |= c.m_nTransparent != 0 && HasCommand(c, FTK_HIT_CHARA, FCT_MESSAGE);
    EXPECT_TRUE(unseen);
    // The cave: darkness around the hero, the screen colour, a picture of the project's list, a
    // game wait, homing moves and shots that home in on the hero.
    const cEdStage& cave = stages[1];
    const cEdCharaDef& caveHero = cave.m_Charas.at(static_cast<std::size_t>(cave.FindHero()));
    EXPECT_NE(caveHero.m_nSightShape, 0);
    EXPECT_GT(caveHero.m_nSightRange, 0);
    for (FlowCommandType kind : {FCT_SCREEN_COLOUR, FCT_SHOW_PICTURE, FCT_GAME_WAIT, FCT_HOMING_MOVE})
        EXPECT_TRUE(StageHasCommand(cave, kind)) << kind;
    bool homingShot = false;
    for (const cEdCharaDef& c : cave.m_Charas)
        for (const cEdFlow& flow : c.m_Flows)
            for (const cEdFlowCmd& cmd : flow.m_Commands)
                homingShot |= cmd.m_nKind == FCT_SHOT && cmd.m_Shot && cmd.m_Shot->m_nMoveKind == 4;
    EXPECT_TRUE(homingShot);
    ASSERT_GE(g_Database.m_Pictures.Count(), 2);
    EXPECT_TRUE(fsys::IsFile(g_Database.m_Pictures.at(1).szFileName));
    // The castle: a boss whose defeat clears the stage.
    bool boss = false;
    for (const cEdCharaDef& c : stages[2].m_Charas)
        boss |= c.m_nController != 0 && c.m_nMaxHP >= 5 && DeathFlowRuns(c, FCT_STAGE_CLEAR);
    EXPECT_TRUE(boss);
    // Its summons come from the castle's own palette, whose entry exists.
    bool ownPalette = false;
    for (const cEdCharaDef& c : stages[2].m_Charas)
        for (const cEdFlow& flow : c.m_Flows)
            for (const cEdFlowCmd& cmd : flow.m_Commands)
                ownPalette |= cmd.m_nKind == FCT_SUMMON_CHARA && cmd.m_Shot &&
                              cmd.m_Shot->m_nSummonPalette == 1 &&
                              cmd.m_Shot->m_nSummonEntry < stages[2].m_PaletteCharas.Count();
    EXPECT_TRUE(ownPalette);
}

// Each kind of character looks like itself: the moving platforms, the coin fountain, the castle's
// boss (and its angry look), the slimes and the bats each take cells of their own, which the
// character sheet draws differently; the boss is drawn larger than a slime. The gauges over
// characters have strips of their own in the status sheet, and the cave's opening sign is shown on
// the layer over the darkness, for a time counted while the game waits for it.
TEST_F(DemoGameTest, EveryKindOfCharacterHasAPictureOfItsOwn) {
    const std::vector<cEdStage> stages = ReadAll();
    ASSERT_EQ(stages.size(), 5u);
    const cEdStage &meadow = stages[0], &cave = stages[1], &castle = stages[2], &challenge = stages[3];
    struct Kind {
        const char* name;
        const cEdStage& stage;
        bool (*is)(const cEdCharaDef&);
        std::set<int> pictures;
    };
    std::vector<Kind> kinds = {
        {"meadow platform",
         meadow,
         [](const cEdCharaDef& c) {
             return c.m_nBlockChara != 0 && HasCommand(c, FTK_ALWAYS, FCT_LINE_MOVE);
         },
         {}},
        {"challenge platform",
         challenge,
         [](const cEdCharaDef& c) {
             return c.m_nBlockChara != 0 && HasCommand(c, FTK_ALWAYS, FCT_LINE_MOVE);
         },
         {}},
        {"fountain",
         challenge,
         [](const cEdCharaDef& c) { return HasCommand(c, FTK_ALWAYS, FCT_SUMMON_ITEM); },
         {}},
        {"boss", castle, [](const cEdCharaDef& c) { return DeathFlowRuns(c, FCT_STAGE_CLEAR); }, {}},
        {"slime",
         meadow,
         [](const cEdCharaDef& c) { return HasCommand(c, FTK_ALWAYS, FCT_GROUND_TURN_MOVE); },
         {}},
        {"bat", cave, [](const cEdCharaDef& c) { return HasCommand(c, FTK_ALWAYS, FCT_HOMING_MOVE); }, {}},
    };
    const cEdCharaDef* boss = nullptr;
    for (Kind& k : kinds) {
        for (const cEdCharaDef& c : k.stage.m_Charas)
            if (k.is(c)) {
                k.pictures.insert(c.m_nPictureNo);
                if (std::string(k.name) == "boss") boss = &c;
            }
        ASSERT_EQ(k.pictures.size(), 1u) << k.name;
    }
    ASSERT_NE(boss, nullptr);
    // The boss's angry look, which its flows change it to.
    for (const cEdFlow& flow : boss->m_Flows)
        for (const cEdFlowCmd& cmd : flow.m_Commands)
            if (cmd.m_nKind == FCT_CHANGE_GRAPHIC)
                kinds.push_back({"angry boss", castle, nullptr, {cmd.m_Params[1]}});
    EXPECT_GE(boss->m_nScale, 2);
    // Both platforms are the same kind of thing; every other pair differs, in number and in drawing.
    EXPECT_EQ(kinds[0].pictures, kinds[1].pictures);
    gfx::Dib sheet;
    ASSERT_TRUE(gfx::LoadBmpFile("bmp\\Character1.bmp", sheet));
    auto cell = [&](int picture) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                pixels.push_back(sheet.PixelArgb((picture % 15) * 32 + x, y));
        return pixels;
    };
    for (std::size_t i = 1; i < kinds.size(); ++i)
        for (std::size_t j = i + 1; j < kinds.size(); ++j) {
            const int a = *kinds[i].pictures.begin(), b = *kinds[j].pictures.begin();
            EXPECT_NE(a, b) << kinds[i].name << " / " << kinds[j].name;
            EXPECT_TRUE(cell(a) != cell(b)) << kinds[i].name << " / " << kinds[j].name << ": drawn alike";
        }
    // The status sheet is taller than 208 rows, which gives the gauges over characters their strips.
    gfx::Dib status;
    ASSERT_TRUE(gfx::LoadBmpFile("bmp\\StatusWindow.bmp", status));
    EXPECT_GT(status.height, 208);
    // The opening sign: over the darkness (layer 1), for its time (display 2), counted while waiting.
    bool sign = false;
    for (const cEdCharaDef& c : cave.m_Charas)
        for (const cEdFlow& flow : c.m_Flows)
            for (const cEdFlowCmd& cmd : flow.m_Commands)
                if (cmd.m_nKind == FCT_SHOW_PICTURE) {
                    sign = true;
                    EXPECT_NE(cmd.m_Params[11], 0) << "the layer under the darkness";
                    EXPECT_EQ(cmd.m_Params[8], 2) << "not shown for a time";
                    EXPECT_NE(cmd.m_Params[10], 0) << "its time not counted while the game waits";
                }
    EXPECT_TRUE(sign);
}
