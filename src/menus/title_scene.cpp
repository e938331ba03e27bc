#include "menus/title_scene.h"

#include "app/globals.h"
#include "app/play_se.h"
#include "app/requests.h"
#include "app/sjis.h"
#include "draw/dd_effects.h"
#include "draw/font.h"
#include "play/load_play_file.h"
#include "platform/messages.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "project/world_map.h"

#include <algorithm>

MenuPos g_TitleMenuPos = {192, 240};
MenuPos g_SlotListPos = {152, 160};

namespace {

// The system bitmaps the title scene loads, in this order: title picture, game-mode sheet,
// accessories, window fill.
const int TITLE_SURFACES[] = {MENUBMP_TITLE, MENUBMP_GAMEMODE, MENUBMP_ACCESSORY, MENUBMP_WINDOW};

bool PictureMenu() {
    return g_SystemData.m_nTitleLayout != 0;
}

int RankingFlag(int gameMode) {
    return g_SystemData.m_vRankingModes.at(gameMode).m_nEnabled;
}

void SetGameMode(int gameMode) {
    g_nGameMode = gameMode;
    g_bRanking = RankingFlag(gameMode);
}

// A replay chosen in the free-play chooser is played back in the replay's play mode, while the menu
// reopens on the free-play item that was chosen.
bool g_bReplayFromFreePlay = false;

} // namespace

void StartNewStory() {
    ResetSaveData(g_SaveData);
    g_SaveData.m_nMapX = g_WorldMap.startX;
    g_SaveData.m_nMapY = g_WorldMap.startY;
    g_SaveData.m_nStageCounter = 0;
    if (!g_SystemData.m_vnInfiniteLives.at(0)) {
        g_SaveData.m_nStartLives = g_SystemData.m_vnStartLives.at(0);
        g_SaveData.m_nLives = g_SaveData.m_nStartLives - 1;
    } else {
        g_SaveData.m_nStartLives = g_SaveData.m_nLives = UNLIMITED_LIVES;
    }
}

bool RequestOpenStage() {
    return SendRequestAndWait(win::WM_USER + 2, g_bRequestDone) && g_bFileLoaded != 0;
}

bool RequestLoadReplay() {
    return SendRequestAndWait(win::WM_USER + 3, g_bRequestDone) && g_bFileLoaded != 0;
}

cTitleScene::cTitleScene() {
    m_Handlers = {[this] { FadeIn(); }, [this] { Menu(); }, [this] { ChooseSlot(); }, [this] { Leave(); }};
}

cTitleScene::~cTitleScene() {
    ReleaseMenuBitmaps(TITLE_SURFACES, 4);
    DDReleaseSurfaceVec(m_Surfaces);
}

DDSURFACEDATA* cTitleScene::MenuSurface() {
    return m_Surfaces.empty() ? nullptr : &m_Surfaces.at(0);
}

void cTitleScene::Init() {
    MenuMusicRule(0);
    LoadMenuBitmaps(TITLE_SURFACES, 4);
    CursorReset();
    m_nCount = 0;
    for (int id = 0; id < TITLE_ITEM_COUNT; ++id)
        if (g_SystemData.m_vTitleMenu.at(id).m_nShow) m_nItems[m_nCount++] = id;
    if (m_nCount == 0) {
        m_nItems[0] = TITLE_NEW;
        m_nCount = 1;
    }
    // The menu reopens on the item chosen last; a hidden one leaves the row out of range, which the
    // first move of the cursor brings back to the top.
    const int chosen = g_bReplayFromFreePlay && g_nPlayMode == TITLE_REPLAY ? TITLE_FREE : g_nPlayMode;
    CursorActive().row = chosen;
    for (int k = 0; k < m_nCount; ++k)
        if (m_nItems[k] == chosen) {
            CursorActive().row = k;
            break;
        }
    g_TitleMenuPos.x = PictureMenu() ? 288 - SystemSurface(MENUBMP_GAMEMODE)->nWidth / 2 : 192;
    BuildMenuSurface();
    m_nSubState = 0;
}

void cTitleScene::BuildMenuSurface() {
    DDReleaseSurfaceVec(m_Surfaces);
    m_SurfaceDefs.clear();
    int w = 0;
    if (PictureMenu()) {
        w = SystemSurface(MENUBMP_GAMEMODE)->nWidth + 32;
    } else {
        int widest = 0;
        for (int k = 0; k < m_nCount; ++k)
            widest = std::max(widest, CountSjisChars(g_SystemData.m_vTitleMenu.at(m_nItems[k]).m_strLabel));
        w = 32 * widest + 34;
    }
    DDCreateSurfaceVec(m_Surfaces, m_SurfaceDefs, w, 32 * m_nCount + 2, 1, 0, DTMEMORYTYPE_VIDEO_RT, 0);
    DDSURFACEDATA* box = MenuSurface();
    if (!box || (!box->lpDT && !box->lpDDSide)) DDCloseForSurface("タイトルメニュー", w, 32 * m_nCount + 2);
    DrawMenuSurface();
}

void cTitleScene::DrawMenuSurface() {
    DDSURFACEDATA* box = MenuSurface();
    if (!box) return;
    if (PictureMenu()) {
        DDClear(box, 0);
        DDSURFACEDATA* modes = SystemSurface(MENUBMP_GAMEMODE);
        for (int k = 0; k < m_nCount; ++k)
            DDBlt(box, 32, 32 * k, modes->nWidth, 32, modes, 0, m_nItems[k] * 32, 0);
        return;
    }
    DDBltFramed(box, 1, 1, box->nWidth - 2, box->nHeight - 2, SystemSurface(MENUBMP_WINDOW), 1, 240);
    for (int k = 0; k < m_nCount; ++k)
        MenuFont().Draw(box, 32, 32 * k, g_SystemData.m_vTitleMenu.at(m_nItems[k]).m_strLabel.c_str(), 0);
}

void cTitleScene::Draw() {
    DDBlt(&g_BackBuffer, 0, 0, 640, 480, SystemSurface(MENUBMP_TITLE), 0, 0, 0);
    if (DDSURFACEDATA* box = MenuSurface()) {
        if (box->bLost) {
            DrawMenuSurface();
            box->bLost = 0;
        }
        DDBlt(&g_BackBuffer, g_TitleMenuPos.x, g_TitleMenuPos.y, box->nWidth, box->nHeight, box, 0, 0, 1);
    }
    MenuUpdateBlinkColours();
}

void cTitleScene::FadeIn() {
    if (g_DDSettings.nBpp == 8) DrawMenuSurface();
    Draw();
    if (FadeInStep()) m_nState = MENU;
}

void cTitleScene::Menu() {
    const std::uint16_t keys = Dir();
    CursorMoveGrid(keys, g_TitleMenuPos.x, g_TitleMenuPos.y, 0, 32, 1, m_nCount);
    CursorSound(keys, 2, 0);
    if (!Confirmed()) {
        Draw();
        DrawAccessory(&g_BackBuffer, CursorActive().x, CursorActive().y, 0, 0, 32);
        return;
    }
    PlaySe(1);
    const int id = m_nItems[std::clamp(CursorActive().row, 0, m_nCount - 1)];
    g_nPlayMode = id;
    g_bReplayFromFreePlay = false;
    switch (id) {
    case TITLE_NEW:
        SetGameMode(0);
        StartNewStory();
        g_SceneManager.g_nNextScene = SCENE_WORLDMAP;
        m_nState = LEAVE;
        break;
    case TITLE_CONTINUE:
        SetGameMode(0);
        CursorPush();
        m_nState = CHOOSE_SLOT;
        m_nSubState = 0;
        break;
    case TITLE_CHALLENGE:
        SetGameMode(1);
        if (!g_SaveData.LoadChallenge()) {
            ResetSaveData(g_SaveData);
            g_SaveData.m_ChallengeStages.assign(
                static_cast<std::size_t>(std::max(g_SystemData.m_nChallengeStages, 0)), cEdStageTableC());
        }
        g_SceneManager.g_nNextScene = SCENE_CHALLENGE;
        m_nState = LEAVE;
        break;
    case TITLE_FREE:
        SetGameMode(2);
        if (RequestOpenStage()) {
            // The free-play chooser also offers replays: a replay chosen there is played back.
            if (IsReplayPath(g_Stage.m_strPath)) {
                g_nPlayMode = TITLE_REPLAY;
                g_bReplayFromFreePlay = true;
                SetGameMode(3);
            }
            g_SceneManager.g_nNextScene = SCENE_PLAY;
            m_nState = LEAVE;
        }
        break;
    case TITLE_REPLAY:
        SetGameMode(3);
        if (RequestLoadReplay()) {
            g_SceneManager.g_nNextScene = SCENE_PLAY;
            m_nState = LEAVE;
        }
        break;
    case TITLE_OPTIONS:
        g_SceneManager.g_nNextScene = SCENE_OPTION;
        m_nState = LEAVE;
        break;
    case TITLE_QUIT:
        win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void cTitleScene::ChooseSlot() {
    const std::uint16_t keys = Dir();
    if (m_nSubState == 0) {
        CursorActive() = MenuCursorPos{};
        m_nFirstSlot = 0;
        m_nSubState = 1;
        PrepareSaveSlotList();
    }
    const int count = g_SaveSlotList.Count();
    m_nShownSlots = std::min(count, 10);
    CursorMoveList(keys, m_nFirstSlot, g_SlotListPos.y, 16, g_SlotListPos.x, m_nShownSlots, count, true);
    CursorSound(keys, 3, 0);
    if (Confirmed()) {
        const int row = CursorActive().row;
        // An empty slot, or no slot at all, refuses.
        if (row >= 0 && row < count && g_SaveSlotList.at(row).bUsed) {
            PlaySe(1);
            g_SaveData.LoadSlot(row);
            g_SceneManager.g_nNextScene = SCENE_WORLDMAP;
            m_nState = LEAVE;
        } else {
            PlaySe(3);
        }
        return;
    }
    if (Cancelled()) {
        PlaySe(2);
        CursorPop(1);
        m_nState = MENU;
        m_nSubState = 0;
        return;
    }
    DDBlt(&g_BackBuffer, 0, 0, 640, 480, SystemSurface(MENUBMP_TITLE), 0, 0, 0);
    MenuUpdateBlinkColours();
    FormatSaveSlotLine(&g_BackBuffer, g_SlotListPos.x, g_SlotListPos.y, m_nFirstSlot, m_nShownSlots);
    DrawAccessory(&g_BackBuffer, CursorActive().x, CursorActive().y, 64, 0, 16);
}

void cTitleScene::Leave() {
    LeaveStep(SCENE_TITLE);
}
