// Stage files for play: the end-marker check, the newest revision, loading on the stage-load thread
// while the caller's messages keep moving, refusals, and the set-up parts kept in g_StageOriginal.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/thread.h"
#include "fixtures/box_capture.h"
#include "platform/messages.h"
#include "project/project_database.h"
#include "project/project_record_env.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/def_test_util.h"

using namespace deftest;

namespace {

// A stage file: the version word and a body written by hand with `blocks` placed blocks, the
// placed characters, one background and one text.
Bytes StageFile(int version, const std::map<int, double>& fields, const std::vector<CharaSpec>& charas,
                int blocks = 0, bool marker = true) {
    StageBody body;
    body.version = version;
    body.fields = fields;
    body.results = {1, 0, 1, 1, 1};
    BlockSpec plain;
    plain.solidity = 0;
    body.paletteBlocks = {plain, plain};
    for (int i = 0; i < blocks; ++i) {
        plain.x = i % 256;
        plain.y = i / 256;
        body.blocks.push_back(plain);
    }
    body.charas = charas;
    body.backgrounds = 1;
    body.texts = {"memo"};
    body.marker = marker;
    ByteWriter w;
    w.i32(version).bytes(WriteStage(body));
    return w.data();
}

CharaSpec Hero() {
    CharaSpec c;
    c.f[13] = 1;
    c.f[26] = 0;
    return c;
}

class StageFile_ : public ::testing::Test {
  protected:
    void SetUp() override {
        win::ResetMessageModelForTests();
        g_Stage.Clear();
        g_StageOriginal.Clear();
    }
    void TearDown() override {
        g_Stage.Clear();
        g_StageOriginal.Clear();
        win::ResetMessageModelForTests();
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd{dir.path()};
    fixtures::BoxCapture boxes;
};
using StageFileLoad = StageFile_;

} // namespace

TEST_F(StageFileLoad, NewestRevisionIsLoadedAndTheSetupPartsKept) {
    fixtures::WriteAll(dir.file("data/stg4/one.stg4_000"), StageFile(732, {{13, 30}}, {Hero()}));
    fixtures::WriteAll(dir.file("data/stg4/one.stg4_012"), StageFile(732, {{13, 45}, {1, 30}}, {Hero()}));
    ASSERT_EQ(LoadStageForPlay("data\\stg4\\one.stg4", 1, &g_StageOriginal), 1);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(g_Stage.m_strPath, "data\\stg4\\one.stg4_012");
    EXPECT_EQ(g_Stage.m_nNewest, 1);
    EXPECT_EQ(g_Stage.m_nLoaded, 1);
    EXPECT_EQ(g_Stage.m_nFrameRate, 45);
    EXPECT_EQ(g_nFrameMul, 10);
    EXPECT_DOUBLE_EQ(g_dMaxSpeed, 6.0);
    EXPECT_EQ(g_Stage.m_Charas.size(), 1u);

    EXPECT_EQ(g_StageOriginal.m_nFrameRate, 45);
    EXPECT_EQ(g_StageOriginal.m_nWidth, 30);

    EXPECT_EQ(g_StageOriginal.m_ResultItems, (std::vector<std::int32_t>{1, 0, 1, 1, 1}));
    EXPECT_EQ(g_StageOriginal.m_Limits[4].m_nDistBottom, 10);
    ASSERT_EQ(g_StageOriginal.m_Backgrounds.size(), 1u);
    EXPECT_EQ(g_StageOriginal.m_Backgrounds[0].m_strFile, "bg0.bmp");
    ASSERT_EQ(g_StageOriginal.m_Texts.size(), 1u);
    EXPECT_TRUE(g_StageOriginal.m_Blocks.empty());
    EXPECT_TRUE(g_StageOriginal.m_Charas.empty());
    EXPECT_TRUE(g_StageOriginal.m_Items.empty());
    // The palettes as loaded are kept: every set-up of the stage starts again from them.
    EXPECT_EQ(g_StageOriginal.m_PaletteBlocks.size(), 2u);
    EXPECT_EQ(g_StageOriginal.m_PaletteCharas.size(), g_Stage.m_PaletteCharas.size());
    EXPECT_EQ(g_StageOriginal.m_PaletteItems.size(), g_Stage.m_PaletteItems.size());

    // Without a target only g_Stage changes.
    g_StageOriginal.m_nFrameRate = 1;
    ASSERT_EQ(LoadStageForPlay("data\\stg4\\one.stg4_000", 0, nullptr), 1);
    EXPECT_EQ(g_Stage.m_nFrameRate, 30);
    EXPECT_EQ(g_Stage.m_nNewest, 0);
    EXPECT_EQ(g_StageOriginal.m_nFrameRate, 1);
}

TEST_F(StageFileLoad, NoRevisionGivesFailureWithoutMessage) {
    EXPECT_EQ(LoadStageForPlay("data\\stg4\\none.stg4", 1, &g_StageOriginal), 0);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(StageFileLoad, DamagedEndMarkerIsRefusedBeforeReading) {
    Bytes file = StageFile(174, {{13, 50}}, {Hero()});
    file.back() = 0x08;
    fixtures::WriteAll(dir.file("bad.stg4_000"), file);
    EXPECT_EQ(CheckStageFile("bad.stg4_000"), 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "ステージファイル bad.stg4_000 が破損しています！");
    EXPECT_EQ(LoadStageForPlay("bad.stg4_000", 0, &g_StageOriginal), 0);
    EXPECT_EQ(g_Stage.m_nFrameRate, 60);
    EXPECT_EQ(boxes.texts().size(), 2u);
    // The refusal does not close the program.
    win::MSG msg{};
    EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE));

    // Version 173 carries the marker but is not checked; older files have none.
    file = StageFile(173, {}, {Hero()});
    file.back() = 0x08;
    fixtures::WriteAll(dir.file("v173.stg4_000"), file);
    EXPECT_EQ(CheckStageFile("v173.stg4_000"), 1);
    fixtures::WriteAll(dir.file("v172.stg4_000"), StageFile(172, {{13, 25}}, {Hero()}, 0, false));
    EXPECT_EQ(LoadStageForPlay("v172.stg4_000", 0, &g_StageOriginal), 1);
    EXPECT_EQ(g_Stage.m_nFrameRate, 25);
    // A missing file passes the check; the load reports it.
    EXPECT_EQ(CheckStageFile("missing.stg4_000"), 1);
    EXPECT_EQ(LoadStageForPlay("missing.stg4_000", 0, &g_StageOriginal), 0);
    EXPECT_EQ(boxes.texts().back(), "ステージファイル missing.stg4_000 の読み込みに失敗しました！");
}

TEST_F(StageFileLoad, UnreadableStageAndStageWithoutHeroAreRefused) {
    Bytes file = StageFile(732, {}, {Hero()});
    file.resize(file.size() - 40);
    file.insert(file.end(), {0x15, 0xCD, 0x5B, 0x07});
    fixtures::WriteAll(dir.file("short.stg4_000"), file);
    g_StageOriginal.m_nFrameRate = 5;
    EXPECT_EQ(LoadStageForPlay("short.stg4_000", 0, &g_StageOriginal), 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "ステージファイル short.stg4_000 の読み込みに失敗しました！");
    EXPECT_EQ(g_StageOriginal.m_nFrameRate, 5);

    CharaSpec computer = Hero();
    computer.f[26] = 1;
    CharaSpec noPicture = Hero();
    noPicture.f[13] = 0;
    fixtures::WriteAll(dir.file("nohero.stg4_000"), StageFile(732, {}, {computer, noPicture}));
    EXPECT_EQ(LoadStageForPlay("nohero.stg4_000", 0, &g_StageOriginal), 0);
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[1], "主人公が配置されていないのでプレイできません！");
    EXPECT_EQ(g_StageOriginal.m_nFrameRate, 5);
    win::MSG msg{};
    EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE));
}

namespace {
std::atomic<int> g_nDispatched{0};
std::atomic<int> g_nServed{0};
int g_nNestedResult = -1;
win::LRESULT CountingProc(win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) {
    if (msg == win::WM_USER + 50) ++g_nDispatched;
    if (msg == win::WM_USER + 51) ++g_nServed;
    if (msg == win::WM_USER + 52) g_nNestedResult = LoadStageForPlay("big.stg4_000", 0, nullptr);
    return 0;
}
} // namespace

TEST_F(StageFileLoad, CallerKeepsDispatchingItsMessagesWhileTheFileIsRead) {
    fixtures::WriteAll(dir.file("big.stg4_000"), StageFile(732, {{1, 256}, {4, 256}}, {Hero()}, 40000));
    win::HWND hwnd = win::CreateMainWindowObject(&CountingProc);
    g_nDispatched = 0;
    g_nServed = 0;
    std::atomic<bool> done{false};
    std::thread poster([&] {
        // A request sent to the window is served by the load's pump, not left waiting.
        win::SendMessage(hwnd, win::WM_USER + 51, 0, 0);
        while (!done) {
            win::PostMessage(hwnd, win::WM_USER + 50, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // The messages waiting before the load starts are served by the load's own pump; a load
    // started from one of them is refused while this one runs.
    win::PostMessage(hwnd, win::WM_USER + 50, 0, 0);
    win::PostMessage(hwnd, win::WM_USER + 52, 0, 0);
    g_nNestedResult = -1;
    const int result = LoadStageForPlay("big.stg4_000", 0, &g_StageOriginal);
    const int servedDuringLoad = g_nServed;
    done = true;
    win::MSG msg{};
    while (g_nServed == 0)
        win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE);
    poster.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(servedDuringLoad, 1);
    EXPECT_EQ(g_nNestedResult, 0);
    EXPECT_EQ(g_Stage.m_Blocks.size(), 40000u);
    EXPECT_GE(g_nDispatched.load(), 1);
    EXPECT_FALSE(thStageLoad.HasThread());
    win::DestroyMainWindowObject(hwnd);
}

TEST_F(StageFileLoad, QuitDuringTheLoadEndsItAndIsPostedAgain) {
    fixtures::WriteAll(dir.file("big.stg4_000"), StageFile(732, {{1, 256}, {4, 256}}, {Hero()}, 40000));
    g_StageOriginal.m_nFrameRate = 5;
    win::PostQuitMessage(3);
    EXPECT_EQ(LoadStageForPlay("big.stg4_000", 0, &g_StageOriginal), 0);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(g_StageOriginal.m_nFrameRate, 5);
    // The loader was waited for, not left running.
    EXPECT_FALSE(thStageLoad.HasThread());
    win::MSG msg{};
    ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.message, win::WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(StageProjectEnv, DefinitionsResolveAgainstTheProject) {
    // Database lists bound the references of definitions.
    const cProjectDatabase keep = g_Database;
    g_Database.m_Sounds.resize(3);
    cEdItemDef item;
    item.m_nSoundNo = 3;
    ValidateItemDef(item);
    EXPECT_EQ(item.m_nSoundNo, 0);
    item.m_nSoundNo = 2;
    ValidateItemDef(item);
    EXPECT_EQ(item.m_nSoundNo, 2);
    g_Database = keep;

    // Editor-only flows stay only when started by the editor or kept by the system data.
    cEdCharaDef chara;
    chara.m_Flows.resize(2);
    chara.m_Flows[0].m_bEditorOnly = 1;
    chara.m_Flows[0].m_Conds.resize(1);
    chara.m_Flows[1].m_Conds.resize(1);
    const Bytes bytes = SavedBytes(chara);
    auto flowsAfterLoad = [&] {
        cEdCharaDef read;
        EXPECT_TRUE(LoadBytes(read, bytes));
        return read.m_Flows.size();
    };
    EXPECT_EQ(flowsAfterLoad(), 1u);
    ProjectRecordEnv().m_bFromEditor = true;
    EXPECT_EQ(flowsAfterLoad(), 2u);
    ProjectRecordEnv().m_bFromEditor = false;
    g_SystemData.m_nFlowFormat = 1;
    EXPECT_EQ(flowsAfterLoad(), 2u);
    g_SystemData.m_nFlowFormat = 0;
}

TEST(StageProjectEnv, PaddingDefinitionListsAddsClearedRecords) {
    cCheckedVector<cEdCharaDef> charas(1);
    charas[0].m_nMaxHP = 5;
    PadCharaList(charas, 3);
    ASSERT_EQ(charas.size(), 3u);
    EXPECT_EQ(charas[0].m_nMaxHP, 5u);
    EXPECT_EQ(charas[2].m_nMaxHP, 10u);
    PadCharaList(charas, 1); // longer lists are kept
    EXPECT_EQ(charas.size(), 3u);
    cCheckedVector<cEdItemDef> items;
    PadItemList(items, 2);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].m_nZ, 6);
}
