#include "menus/ranking_view.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/play_se.h"
#include "app/scene.h"
#include "app/thread.h"
#include "draw/draw.h"
#include "menus/ranking_store.h"
#include "objects/game_scene.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "play/pause_loop.h"
#include "project/save_data.h"
#include "project/system_data.h"
#include "platform/fault_points.h"

namespace {

constexpr std::uint16_t BUTTON_CONFIRM = 1;
constexpr std::uint16_t BUTTON_GENRE = 8;

bool GenreEnabled(int gameMode, int genre) {
    if (gameMode < 0 || gameMode >= g_SystemData.m_vRankingModes.Count()) return false;
    const cRankingMode& mode = g_SystemData.m_vRankingModes.at(gameMode);
    return mode.m_nEnabled != 0 && genre >= 0 && genre < mode.m_vbGenres.Count() &&
           mode.m_vbGenres.at(genre) != 0;
}

} // namespace

int FirstEnabledGenre(int gameMode) {
    for (int g = 0; g < RANKING_GENRES; ++g)
        if (GenreEnabled(gameMode, g)) return g;
    return -1;
}

int NextEnabledGenre(int gameMode, int genre) {
    for (int step = 1; step <= RANKING_GENRES; ++step) {
        const int g = (genre + step) % RANKING_GENRES;
        if (GenreEnabled(gameMode, g)) return g;
    }
    return genre;
}

bool RunRankingView(cGameScene& scene) {
    if (FirstEnabledGenre(g_nGameMode) < 0) return false;
    if (!StartThreadWithQueue(thRanking, &RankingViewLoop, &scene, true)) return false;
    thRanking.Wait();
    return true;
}

unsigned RankingViewLoop(void* playScene) {
    PassFaultPoint("ranking");
    cGameScene* scene = playScene ? static_cast<cGameScene*>(playScene) : g_lpGameScene;
    int genre = FirstEnabledGenre(g_nGameMode);
    if (!scene || genre < 0) return 1;
    g_SaveData.m_nRankingGenre = genre;
    const bool severalGenres = g_SystemData.CountEnabledEntries(g_nGameMode) >= 2;
    cInputRecord& input = g_Inputs.at(0);
    // A button still held from the result screen (the confirm that started the registration) does
    // not act: only presses made while the table is shown count.
    std::uint16_t previous = input.wButtons;
    win::MSG msg;
    for (;;) {
        if (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            if (msg.message == win::WM_QUIT) return 1;
            continue;
        }
        if (!g_bActive) {
            win::Sleep(1);
            continue;
        }
        // A measured run's last frame has been presented: the game thread takes the close.
        if (FrameLimitReached()) return 1;
        WaitFrame();
        if (!RestoreSurfaces()) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        UpdateInput(g_Inputs);
        cKeyRepeat::Update(input);
        const std::uint16_t pressed = static_cast<std::uint16_t>(input.wButtons & ~previous);
        previous = input.wButtons;
        if (pressed & BUTTON_CONFIRM) {
            PlaySe(1);
            // The frame that ends the view draws nothing; a measured run counts it all the same.
            CountFrameNotPresented();
            return 1;
        }
        if ((pressed & BUTTON_GENRE) && severalGenres) {
            PlaySe(6);
            genre = NextEnabledGenre(g_nGameMode, genre);
            g_SaveData.m_nRankingGenre = genre;
        }
        DrawFrozenFrame(*scene);
        g_RankingStore.DrawTable(&g_BackBuffer, g_PlayMenuPos[2].x, g_PlayMenuPos[2].y, genre,
                                 scene->m_RankPlaces[genre]);
        PresentFrame();
    }
}
