// Registration at the result screen: the name (asked through the window thread or fixed), the new
// entries, the file, the view; nothing when nothing qualified; a close while the name is asked.
#include "menus/ranking_register.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/input_script.h"
#include "app/requests.h"
#include "app/scene.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "fixtures/window_thread.h"
#include "menus/ranking_store.h"
#include "objects/game_scene.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "play/stage_clear.h"
#include "project/option_data.h"
#include "project/save_data.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

std::vector<int> g_sounds;
int g_asks = 0;

bool Present(int) {
    return true;
}
win::LRESULT Proc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 5) g_sounds.push_back(static_cast<int>(wParam));
    if (msg == win::WM_USER + 1) {
        ++g_asks;
        g_SaveData.g_strRankingName = "bob";
        g_bNameDialogDone = 1;
    }
    return 0;
}

struct RegisterCase {
    const char* what;
    int option; // ranking mode of the options
    int qualified;
    bool aborting;         // shut-down has begun
    const char* entryName; // null: nothing registered
    int asks;
    std::vector<int> sounds;
};

class Registration : public ::testing::TestWithParam<RegisterCase> {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "user_data" / "free");
        win::ResetMessageModelForTests();
        g_hWnd = win::CreateMainWindowObject(&Proc);
        saved = fixtures::UseDirect3DPresent(&Present);
        g_bActive = 1;
        savedOptions = g_OptionData;
        g_sounds.clear();
        g_asks = 0;
        g_bRanking = 1;
        g_nGameMode = 2;
        g_SystemData.SetDefaults();
        g_RankingStore.Reset();
        g_SaveData.m_strStageName = "data\\stg4\\s.stg4_001";
        g_SaveData.g_strRankingName = "aaa";
        g_OptionData.strRankingName = "";
    }
    void TearDown() override {
        SetInputScript(nullptr);
        g_DrawingHooks = saved;
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        g_bActive = 0;
        g_bRanking = 0;
        g_RankingStore.Reset();
        g_OptionData = savedOptions; // the ranking mode and name are the player's options
        win::ResetMessageModelForTests();
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd{dir.path()};
    DrawingHooks saved{};
    cOptionData savedOptions;
};

TEST_P(Registration, RegistersOncePerClear) {
    const RegisterCase& c = GetParam();
    g_OptionData.nRankingMode = c.option;
    auto script = std::make_unique<cInputScript>();
    ASSERT_TRUE(script->Parse("1 0 0\n1 0 1\n", nullptr));
    SetInputScript(std::move(script));
    // The rankings as loaded at the stage's start, from the file.
    g_RankingStore.tables[0].Register("old", 500);
    ASSERT_TRUE(g_RankingStore.SaveFile(2, g_SaveData.m_strStageName));
    cGameScene scene;
    scene.m_bRankQualified = c.qualified;
    scene.m_RankValues = {700, 0, 300, 0, 0};
    scene.m_RankPlaces[0] = 0;
    scene.m_RankPlaces[2] = 0;
    if (c.aborting) win::BeginAbort();
    std::atomic<bool> done{false};
    std::thread game([&] {
        RegisterRanking(scene);
        RegisterRanking(scene); // the result screen may ask again
        done = true;
    });
    fixtures::ServeWindowUntil(done);
    ASSERT_TRUE(done) << c.what;
    game.join();
    EXPECT_EQ(g_asks, c.asks) << c.what;
    EXPECT_EQ(g_sounds, c.sounds) << c.what;
    cRankingStore back;
    ASSERT_TRUE(back.LoadFile(2, g_SaveData.m_strStageName)) << c.what;
    if (!c.entryName) {
        EXPECT_EQ(scene.m_bRegistered, 0) << c.what;
        EXPECT_EQ(g_RankingStore.tables[0].entries[0].name, "old") << c.what;
        EXPECT_EQ(back.tables[0].entries[0].name, "old") << c.what;
        EXPECT_EQ(back.tables[0].entries[1].bUsed, 0) << c.what;
        return;
    }
    EXPECT_EQ(scene.m_bRegistered, 1) << c.what;
    EXPECT_EQ(g_RankingStore.tables[0].entries[0].name, c.entryName) << c.what;
    EXPECT_EQ(g_RankingStore.tables[0].entries[0].value, 700) << c.what;
    EXPECT_EQ(g_RankingStore.tables[0].entries[1].name, "old") << c.what;
    EXPECT_EQ(g_RankingStore.tables[2].entries[0].value, 300) << c.what;
    EXPECT_EQ(g_RankingStore.tables[1].entries[0].bUsed, 0) << c.what; // no place in genre 1
    EXPECT_EQ(back.tables[0].entries[0].name, c.entryName) << c.what;
    EXPECT_EQ(back.tables[0].entries[1].name, "old") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Registration,
    ::testing::Values(RegisterCase{"fixed empty name", 1, 1, false, "", 0, {16, 1}},
                      RegisterCase{"fixed name, automatic", 3, 1, false, "", 0, {16, 1}},
                      RegisterCase{"name asked", 0, 1, false, "bob", 1, {16, 1}},
                      RegisterCase{"name asked, automatic", 2, 1, false, "bob", 1, {16, 1}},
                      RegisterCase{"nothing qualified asks nothing", 0, 0, false, nullptr, 0, {}},
                      RegisterCase{"a close while the name is asked", 0, 1, true, nullptr, 0, {}}));

// A registration whose file cannot be written (a full disk) keeps the entry for the view and tells
// the user.
TEST_F(Registration, AFailedWriteIsTold) {
    fixtures::BoxCapture boxes;
    g_OptionData.nRankingMode = 1;
    auto script = std::make_unique<cInputScript>();
    ASSERT_TRUE(script->Parse("1 0 0\n1 0 1\n", nullptr));
    SetInputScript(std::move(script));
    cGameScene scene;
    scene.m_bRankQualified = 1;
    scene.m_RankValues = {700, 0, 0, 0, 0};
    scene.m_RankPlaces[0] = 0;
    fsys::SetWriteFaultForTests(fsys::WriteFault::Rename);
    std::atomic<bool> done{false};
    std::thread game([&] {
        RegisterRanking(scene);
        done = true;
    });
    fixtures::ServeWindowUntil(done);
    game.join();
    fsys::SetWriteFaultForTests(fsys::WriteFault::None);
    EXPECT_EQ(g_RankingStore.tables[0].entries[0].value, 700);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user_data" / "free" / "s.stg4_001rkg"));
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("s.stg4_001rkg"), std::string::npos) << boxes.texts()[0];
}

TEST(RankingHooks, TheStageClearFindsPlacesInTheLoadedStore) {
    InstallRankingHooks();
    g_RankingStore.Reset();
    g_RankingStore.tables[2].Register("a", 100);
    ASSERT_NE(g_StageClearHooks.FindRankPlace, nullptr);
    EXPECT_EQ(g_StageClearHooks.FindRankPlace(2, 50), 0); // smaller clear time is better
    EXPECT_EQ(g_StageClearHooks.FindRankPlace(2, 150), 1);
    EXPECT_EQ(g_StageClearHooks.FindRankPlace(7, 150), -1); // no such genre
    g_RankingStore.Reset();
}

} // namespace
