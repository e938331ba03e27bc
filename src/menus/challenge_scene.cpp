#include "menus/challenge_scene.h"

#include "app/globals.h"
#include "app/paths.h"
#include "app/play_se.h"
#include "app/sjis.h"
#include "app/str_format.h"
#include "draw/font.h"
#include "menus/ranking_store.h"
#include "menus/world_map_scene.h"
#include "platform/messages.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/vocab_defs.h"

#include <algorithm>

int cChallengeScene::s_nLastRow = 0;
int cChallengeScene::s_nLastFirstRow = 0;

namespace {

const int CHALLENGE_BITMAPS[] = {MENUBMP_ACCESSORY, MENUBMP_WINDOW};
constexpr int LIST_X = 32, LIST_Y = 160, PITCH = 32;
constexpr int TEXT_WORLD = 0, TEXT_HIGH_SCORE = 3, TEXT_TOTAL = 4;

bool RankingOn() {
    return g_SystemData.m_vRankingModes.at(1).m_nEnabled != 0;
}

} // namespace

std::string ChallengeStageFile(int n) {
    std::string name;
    StrFormat(name, "%s%02d-1.%s", g_PathTable[PATH_CHALLENGE_STAGE_PREFIX].c_str(), n,
              FileExtTable().at(1).c_str());
    return name;
}

void SelectChallengeStage(int n) {
    SetCurrentStageName(g_SaveData, ChallengeStageFile(n).c_str());
    if (g_bRanking) g_RankingStore.LoadFile(g_nGameMode, g_SaveData.m_strStageName);
}

cChallengeScene::cChallengeScene() {
    m_Handlers = {[this] { FadeIn(); }, [this] { Menu(); }, [this] { Leave(); }};
}

cChallengeScene::~cChallengeScene() {
    ReleaseMenuBitmaps(CHALLENGE_BITMAPS, 2);
}

void cChallengeScene::CountRows() {
    m_nRows =
        g_SystemData.m_nChallengeAllOpen ? g_SystemData.m_nChallengeStages : g_SaveData.m_nChallengeOpened;
    m_nRows = std::max(m_nRows, 0);
    // A first row kept from an earlier visit stays inside the rows.
    m_nFirstRow = std::clamp(m_nFirstRow, 0, std::max(m_nRows - 10, 0));
    m_nShownRows = std::min(m_nRows - m_nFirstRow, 10);
}

void cChallengeScene::Init() {
    MenuMusicRule(2);
    LoadMenuBitmaps(CHALLENGE_BITMAPS, 2);
    // Progress entries for every stage of the project (a progress file of an older project may
    // hold fewer).
    if (g_SaveData.m_ChallengeStages.Count() < g_SystemData.m_nChallengeStages)
        g_SaveData.m_ChallengeStages.resize(static_cast<std::size_t>(g_SystemData.m_nChallengeStages));
    CursorReset();
    m_nFirstRow = s_nLastFirstRow;
    CountRows();
    CursorActive().row = std::clamp(s_nLastRow, 0, std::max(m_nRows - 1, 0));
    SelectChallengeStage(CursorActive().row + 1);
    CreateScreen();
    m_nSubState = 0;
}

void cChallengeScene::DrawScreen(DDSURFACEDATA* surface) {
    if (!surface) return;
    g_Font.DrawBox(surface, 1, 1, 638, 478);
    const std::string& title = g_SystemData.m_vTitleMenu.at(2).m_strLabel;
    MenuFont().DrawF(surface, 320 - 16 * CountSjisChars(title), 32, "%s", title.c_str());
    const std::int32_t total = g_SaveData.m_nValueTotal;
    if (g_SystemData.m_nChallengeTotal && total > 0) {
        const std::string& label = g_SystemData.m_vstrTexts.at(TEXT_TOTAL);
        const int w = 16 * (CountSjisChars(label) + MenuCountDigits(total));
        g_Font.DrawF(surface, 320 - w / 2, 88, "%s%d", label.c_str(), total);
    }
    const bool highScores = g_SystemData.m_nChallengeHighScore != 0;
    if (!g_SaveData.m_bRankingView && highScores)
        MenuFont().DrawF(surface, 32, 128, "         %s",
                         g_SystemData.m_vstrTexts.at(TEXT_HIGH_SCORE).c_str());
    const std::string& world = g_SystemData.m_vstrTexts.at(TEXT_WORLD);
    const int c = CountSjisChars(world);
    for (int k = 0; k < m_nShownRows; ++k) {
        const int i = m_nFirstRow + k;
        const int y = LIST_Y + PITCH * k;
        MenuFont().DrawF(surface, 64, y, "%s%d", world.c_str(), i + 1);
        if (i < 0 || i >= g_SaveData.m_ChallengeStages.Count()) continue;
        const cEdStageTableC& entry = g_SaveData.m_ChallengeStages.at(i);
        if (entry.w1) DDBlt(surface, 32 * (c + 4), y, 32, 32, SystemSurface(MENUBMP_ACCESSORY), 96, 0, 1);
        if (highScores) MenuFont().DrawF(surface, 32 * (c + 4) + 64, y, "%d", entry.w2);
    }
    if (RankingOn() && g_SaveData.m_bRankingView)
        g_RankingStore.DrawTable(surface, 292, 108, g_SaveData.m_nRankingGenre, -1);
}

void cChallengeScene::FadeIn() {
    FadeInScreen();
}

void cChallengeScene::Menu() {
    const std::uint16_t keys = Dir();
    CountRows();
    CursorMoveList(keys, m_nFirstRow, LIST_Y, PITCH, LIST_X, m_nShownRows, m_nRows, true);
    CountRows();
    CursorSound(keys, 3, 0);
    bool redraw = false;
    if (keys) {
        SelectChallengeStage(CursorActive().row + 1);
        redraw = true;
    }
    if (Confirmed() && m_nRows > 0) {
        const int n = CursorActive().row + 1;
        const std::string file = ChallengeStageFile(n);
        if (!LoadStageForPlay(file, 1, &g_StageOriginal)) {
            PlaySe(3);
            StageLoadFailedBox(file);
        } else {
            PlaySe(1);
            SetCurrentStageName(g_SaveData, g_Stage.m_strPath.c_str());
            g_SaveData.m_nStageNo = n;
            g_SaveData.m_nStagePart = 1;
            if (!g_SystemData.m_vnInfiniteLives.at(1)) {
                g_SaveData.m_nStartLives = g_SystemData.m_vnStartLives.at(1);
                g_SaveData.m_nLives = g_SaveData.m_nStartLives - 1;
            } else {
                g_SaveData.m_nStartLives = g_SaveData.m_nLives = UNLIMITED_LIVES;
            }
            g_SaveData.m_bNumberedStage = 1;
            s_nLastRow = CursorActive().row;
            s_nLastFirstRow = m_nFirstRow;
            g_SceneManager.g_nNextScene = SCENE_PLAY;
            g_SceneManager.g_nPrevScene = SCENE_CHALLENGE;
            m_nState = LEAVE;
            return;
        }
    }
    if (Cancelled()) {
        PlaySe(2);
        g_SceneManager.g_nNextScene = SCENE_TITLE;
        g_SceneManager.g_nPrevScene = SCENE_CHALLENGE;
        m_nState = LEAVE;
        return;
    }
    const std::uint16_t pressed = static_cast<std::uint16_t>(Buttons() & ~m_wPrevButtons);
    m_wPrevButtons = Buttons();
    if (pressed & MENU_BUTTON3) {
        if (RankingOn()) {
            PlaySe(6);
            g_SaveData.m_bRankingView = g_SaveData.m_bRankingView ? 0 : 1;
        } else {
            g_SaveData.m_bRankingView = 0;
        }
        redraw = true;
    }
    if ((pressed & MENU_BUTTON4) && RankingOn() && g_SystemData.CountEnabledEntries(1) >= 2) {
        PlaySe(6);
        StepGenre(g_SaveData, 1, 1);
        redraw = true;
    }
    if (redraw) DrawScreen(Screen());
    ShowScreen();
    DrawAccessory(&g_BackBuffer, CursorActive().x, CursorActive().y, 0, 0, 32);
}

void cChallengeScene::Leave() {
    LeaveStep(SCENE_CHALLENGE);
}
