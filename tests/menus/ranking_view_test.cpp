// The ranking view on thRanking: scripted presses switch genres and confirm; a button held from the
// result screen does not act; a game mode without genres shows nothing.
#include "menus/ranking_view.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/input_script.h"
#include "app/scene.h"
#include "fixtures/window_thread.h"
#include "objects/game_scene.h"
#include "platform/messages.h"
#include "project/save_data.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_presents{0};
std::vector<int> g_sounds;

bool CountPresent(int) {
    ++g_presents;
    return true;
}
win::LRESULT SoundProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 5) g_sounds.push_back(static_cast<int>(wParam));
    return 0;
}

struct ViewCase {
    const char* what;
    std::vector<std::uint8_t> genres;
    const char* script;
    bool shown;
    int presents;
    std::vector<int> sounds;
    int genreAfter;
};

class RankingViewThread : public ::testing::TestWithParam<ViewCase> {
  protected:
    void SetUp() override {
        win::ResetMessageModelForTests();
        g_hWnd = win::CreateMainWindowObject(&SoundProc);
        saved = fixtures::UseDirect3DPresent(&CountPresent);
        g_bActive = 1;
        g_presents = 0;
        g_sounds.clear();
        g_nGameMode = 2;
    }
    void TearDown() override {
        SetInputScript(nullptr);
        g_DrawingHooks = saved;
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        g_bActive = 0;
        g_SystemData.SetDefaults();
        g_Inputs.at(0).wButtons = 0;
        win::ResetMessageModelForTests();
    }
    DrawingHooks saved{};
};

TEST_P(RankingViewThread, ShowsTablesUntilConfirm) {
    const ViewCase& c = GetParam();
    cRankingMode& mode = g_SystemData.m_vRankingModes.at(2);
    mode.m_nEnabled = 1;
    mode.m_vbGenres.assign(c.genres.begin(), c.genres.end());
    auto script = std::make_unique<cInputScript>();
    ASSERT_TRUE(script->Parse(c.script, nullptr));
    SetInputScript(std::move(script));
    g_Inputs.at(0).wButtons = 1; // the confirm that started the registration is still down
    g_SaveData.m_nRankingGenre = -1;
    cGameScene scene;
    std::atomic<bool> done{false};
    std::atomic<bool> shown{false};
    std::thread game([&] {
        shown = RunRankingView(scene);
        done = true;
    });
    fixtures::ServeWindowUntil(done);
    ASSERT_TRUE(done) << c.what;
    game.join();
    EXPECT_EQ(shown, c.shown) << c.what;
    EXPECT_EQ(g_presents, c.presents) << c.what;
    EXPECT_EQ(g_sounds, c.sounds) << c.what;
    EXPECT_EQ(g_SaveData.m_nRankingGenre, c.genreAfter) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RankingViewThread,
    ::testing::Values(ViewCase{"the fourth button steps through the enabled genres",
                               {1, 0, 1, 1, 0},
                               "2 0 1\n1 0 0\n1 0 8\n1 0 0\n1 0 8\n1 0 0\n1 0 1\n",
                               true,
                               7,
                               {6, 6, 1},
                               3},
                      ViewCase{"one genre: the fourth button does nothing",
                               {0, 0, 0, 0, 1},
                               "1 0 0\n1 0 8\n1 0 0\n1 0 1\n",
                               true,
                               3,
                               {1},
                               4},
                      ViewCase{"no genre: nothing is shown", {0, 0, 0, 0, 0}, "1 0 1\n", false, 0, {}, -1}));

TEST(RankingGenres, FirstAndNextFollowTheGameMode) {
    cRankingMode& mode = g_SystemData.m_vRankingModes.at(1);
    mode.m_nEnabled = 1;
    mode.m_vbGenres.assign({0, 1, 0, 0, 1});
    EXPECT_EQ(FirstEnabledGenre(1), 1);
    EXPECT_EQ(NextEnabledGenre(1, 1), 4);
    EXPECT_EQ(NextEnabledGenre(1, 4), 1);
    mode.m_nEnabled = 0;
    EXPECT_EQ(FirstEnabledGenre(1), -1);
    EXPECT_EQ(FirstEnabledGenre(9), -1);
    g_SystemData.SetDefaults();
}

} // namespace
