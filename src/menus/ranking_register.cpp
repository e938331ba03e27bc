#include "menus/ranking_register.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/play_se.h"
#include "app/requests.h"
#include "app/scene.h"
#include "menus/menu_cursor.h"
#include "menus/ranking_store.h"
#include "menus/ranking_view.h"
#include "menus/result_window.h"
#include "play/play_states.h"
#include "objects/game_scene.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "play/stage_clear.h"
#include "project/option_data.h"
#include "project/save_data.h"

namespace {

constexpr int SOUND_REGISTERED = 16;

std::int32_t FindPlace(int genre, std::int32_t value) {
    if (genre < 0 || genre >= g_RankingStore.tables.Count()) return -1;
    return g_RankingStore.tables.at(genre).FindRank(value);
}

void PlaceTitleCursor(int playMode) {
    g_MenuCursor.Reset();
    g_MenuCursor.Active().row = playMode;
}

// The name entered in the name dialog, which the window thread shows while this thread waits; false
// when the program closes meanwhile, also when its close is what ended the dialog.
bool AskName(std::string& name) {
    g_bNameDialogDone = 0;
    g_bNameDialogClosed = 0;
    win::SendMessage(g_hWnd, win::WM_USER + 1, 0, 0);
    while (!g_bNameDialogDone) {
        if (win::IsAborting()) return false;
        win::Sleep(1);
    }
    if (g_bNameDialogClosed) return false;
    name = g_SaveData.g_strRankingName;
    return true;
}

} // namespace

void RegisterRanking(cGameScene& scene) {
    if (!g_bRanking || !scene.m_bRankQualified || scene.m_bRegistered) return;
    std::string name;
    const int mode = g_OptionData.nRankingMode;
    if (mode == 0 || mode == 2) {
        if (!AskName(name)) return;
    } else {
        name = g_OptionData.strRankingName;
    }
    PlaySe(SOUND_REGISTERED);
    // The values qualified against the tables loaded when the stage began; another player sharing
    // the folder may have registered since, so the entries go into the file as it is now.
    std::int32_t values[RESULT_ITEMS] = {};
    for (int g = 0; g < RESULT_ITEMS; ++g) {
        if (g < static_cast<int>(scene.m_RankValues.size()))
            values[g] = scene.m_RankValues[static_cast<std::size_t>(g)];
        else
            scene.m_RankPlaces[g] = -1;
    }
    // An unwritable file keeps the new entries in memory only; the view still shows them.
    std::string file;
    if (!g_RankingStore.RegisterInFile(g_nGameMode, g_SaveData.m_strStageName, name, values,
                                       scene.m_RankPlaces, RESULT_ITEMS) &&
        MakeRankingFileName(file, g_nGameMode, g_SaveData.m_strStageName))
        ErrorBox("%s の書き込みに失敗！", file.c_str());
    scene.m_bRegistered = 1;
    RunRankingView(scene);
}

bool InstallRankingHooks() {
    g_StageClearHooks.FindRankPlace = &FindPlace;
    g_StageClearHooks.RegisterRanking = &RegisterRanking;
    g_StageClearHooks.PlaceTitleCursor = &PlaceTitleCursor;
    // The play scene's menus: its rankings and its result window.
    g_PlaySceneHooks.LoadRankings = [](int gameMode, const std::string& stageName) {
        g_RankingStore.LoadFile(gameMode, stageName);
    };
    g_PlaySceneHooks.DrawStageResult = [](int x, int y, const std::int32_t places[5],
                                          const std::vector<std::int32_t>& values) {
        DrawStageResult(&g_BackBuffer, x, y, places, values);
    };
    return true;
}
