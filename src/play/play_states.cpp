#include "play/play_states.h"

#include "app/globals.h"
#include "app/input.h"
#include "app/play_se.h"
#include "app/scene.h"
#include "app/startup_state.h"
#include "draw/dd_effects.h"
#include "draw/dd_palette_fx.h"
#include "draw/dd_startup.h"
#include "draw/draw.h"
#include "draw/font.h"
#include "objects/chara_draw.h"
#include "objects/effects.h"
#include "objects/message_window.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "play/hits.h"
#include "play/load_play_file.h"
#include "play/play_step.h"
#include "play/replay.h"
#include "play/replay_play.h"
#include "play/set_stage.h"
#include "play/stage_clear.h"
#include "project/project_record_env.h"
#include "project/option_data.h"
#include "project/save_data.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"
#include "project/stage_file.h"
#include "records/ed_stage.h"
#include "sound/sound.h"

#include <algorithm>
#include <new>

PlaySceneHooks g_PlaySceneHooks;

namespace {

constexpr int PLAY_MODE_FILE = 3;
constexpr int PLAY_MODE_REPLAY = 4;

constexpr int SE_CURSOR = 0;
constexpr int SE_CONFIRM = 1;
constexpr int SE_CANCEL = 2;

constexpr std::uint16_t BUTTON_CONFIRM = 1;
constexpr std::uint16_t BUTTON_CANCEL = 2;

constexpr int SYSBMP_ACCESSORY = 49;
constexpr int SYSBMP_WORD = 51;
constexpr std::uint32_t BLT_TRANSPARENT = 1;

constexpr int TEXT_PAUSE_MENU = 19;
constexpr int TEXT_CONTINUE_MENU = 22;
constexpr int TEXT_RANKING_HINT = 27;

constexpr int MENU_PAUSE = 0;
constexpr int MENU_CONTINUE = 1;

constexpr int ITEM_QUIT = 0;
constexpr int ITEM_CONTINUE = 1;
constexpr int ITEM_RETRY = 2;

// Entries 0 (the palette picture), 47 and 48 (title), 52 to 54 (world map) are not the play's.
struct cSurfaceLists {
    int all[PLAY_SURFACE_COUNT];
    int slots[SYSBMP_BACKGROUND_SLOTS];
    cSurfaceLists() {
        int n = 0;
        for (int i = 0; i < SYSTEM_BITMAP_COUNT; ++i)
            if (i != 0 && i != 47 && i != 48 && (i < 52 || i > 54)) all[n++] = i;
        for (int i = 0; i < SYSBMP_BACKGROUND_SLOTS; ++i)
            slots[i] = SYSBMP_BACKGROUND_FIRST + i;
    }
};
const cSurfaceLists g_SurfaceLists;

bool LoadSurfaces(const int* list, int count) {
    if (g_PlaySceneHooks.LoadSurfaces) return g_PlaySceneHooks.LoadSurfaces(list, count);
    DDTableFromSystemBitmaps(g_SystemSurfaceDefs, SystemBitmapTable, SYSTEM_BITMAP_COUNT);
    return DDLoadSystemSurfaces(g_SystemSurfaces, list, count);
}

void ReleaseSurfaces(const int* list, int count) {
    if (g_PlaySceneHooks.ReleaseSurfaces) {
        g_PlaySceneHooks.ReleaseSurfaces(list, count);
        return;
    }
    for (int i = 0; i < count; ++i)
        DDReleaseSurface(&g_SystemSurfaces[list[i]]);
}

void BuildStagePictures() {
    if (g_PlaySceneHooks.BuildStagePictures) {
        g_PlaySceneHooks.BuildStagePictures();
        return;
    }
    BuildBlockTiles();
    LoadStageBitmaps();
    LoadStageSwords();
    LoadStageEffects();
}

// The stage's pictures go into the eight picture slots; a picture larger than the screen is kept
// in system memory.
void FillPictureSlots() {
    const auto& backs = g_Stage.m_Backgrounds;
    for (int i = 0; i < SYSBMP_BACKGROUND_SLOTS; ++i) {
        const int slot = SYSBMP_BACKGROUND_FIRST + i;
        if (i < backs.Count() && backs.at(i).m_nKind == 0) {
            const std::string& file = backs.at(i).m_strFile;
            SetSystemBitmapFile(slot, file.c_str());
            int tooLarge = 0;
            if (!file.empty()) DDCheckBitmapSize(tooLarge, file.c_str(), 640, 480);
            SystemBitmapTable[slot].nMemory = tooLarge ? DTMEMORYTYPE_SYSTEM : DTMEMORYTYPE_VIDEO_RT;
        } else {
            SetSystemBitmapFile(slot, "");
        }
    }
}

DDSURFACEDATA* Word() {
    return &g_SystemSurfaces[SYSBMP_WORD];
}

// The menu cursor's click, played here rather than through the main window.
void CursorSound() {
    if (g_Sounds.Count() > SE_CURSOR) SoundPlay(g_Sounds.at(SE_CURSOR), 0);
}

// The stage counter in 32 x 32 digit cells from (x, y); at least one digit.
void DrawCounter(int x, int y, int value) {
    std::string digits = std::to_string(std::max(value, 0));
    for (char c : digits) {
        DDBlt(&g_BackBuffer, x, y, 32, 32, Word(), 32 * (c - '0'), 128, BLT_TRANSPARENT);
        x += 32;
    }
}

} // namespace

const int* PlaySceneSurfaces() {
    return g_SurfaceLists.all;
}

bool PauseRetryAllowed() {
    const cSaveData& s = g_SaveData;
    switch (g_nGameMode) {
    case 0: {
        if (!g_SystemData.m_nPauseFullStory) return false;
        const int i = s.m_nStageNo;
        return i >= 0 && i < static_cast<int>(s.m_vnStageFlags.size()) &&
               s.m_vnStageFlags[static_cast<std::size_t>(i)];
    }
    case 1: {
        if (!g_SystemData.m_nPauseFullChallenge) return false;
        const int i = s.m_nStageNo - 1;
        return i >= 0 && i < s.m_ChallengeStages.Count() && s.m_ChallengeStages.at(i).w1 != 0;
    }
    case 2:
        return true;
    default:
        return false;
    }
}

// ---- The scene ----

cPlayScene::cPlayScene() {
    m_Handlers = {[this] { FadeIn(); },    [this] { StageStart(); },   [this] { Play(); },
                  [this] { PauseMenu(); }, [this] { ResultScreen(); }, [this] { ContinueMenu(); },
                  [this] { GameOver(); },  [this] { Leave(); }};
    m_nState = -1;
    g_lpGameScene = this;
    ResetReplayHotKeys();
}

cPlayScene::~cPlayScene() {
    if (m_bPicturesLoaded) {
        ReleaseSurfaces(g_SurfaceLists.all, PLAY_SURFACE_COUNT);
        ReleaseStagePictures();
        // Pictures and message windows still up when play ends go with it.
        ClearShownPictures();
        ClearMessageSurfaces();
    }
}

void cPlayScene::Run() {
    // Presses are taken against the buttons of the frame before, whatever the state.
    const std::uint16_t buttons = g_Inputs.at(0).wButtons;
    m_wPressed = static_cast<std::uint16_t>(buttons & ~m_wLastButtons);
    m_wLastButtons = buttons;
    if (m_nState == -1) {
        try {
            Init();
        } catch (const std::bad_alloc&) {
            // The stage's pictures or rankings found no memory.
            FailStageSetUp(*this);
        }
        // A set-up cut short has asked for the close: half a stage is never drawn or played.
        if (m_nState == GAMESTATE_SET_UP_FAILED) return;
        m_nState = GAMESTATE_FADEIN;
    }
    if (m_nState < 0 || m_nState >= static_cast<int>(m_Handlers.size())) return;
    try {
        m_Handlers[static_cast<std::size_t>(m_nState)]();
    } catch (const std::bad_alloc&) {
        // The step is left where memory ran out: nothing of the stage is played or drawn again.
        FailPlayForMemory(*this);
    }
}

void cPlayScene::Init() {
    // Play takes the music over: the menu entered next asks for its own music again.
    g_SceneManager.g_nCurMenuBgm = 0;
    g_ClearNext.bFollowUpLoaded = 0;
    m_RankValues.assign(RESULT_ITEMS, 0);
    SelectObjectSheets();
    FillPictureSlots();
    const bool followUp = g_SceneManager.g_nPrevScene == SCENE_PLAY;
    if (followUp) {
        if (!LoadSurfaces(g_SurfaceLists.slots, SYSBMP_BACKGROUND_SLOTS)) {
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            m_nState = GAMESTATE_SET_UP_FAILED;
            return;
        }
    } else {
        if (!LoadSurfaces(g_SurfaceLists.all, PLAY_SURFACE_COUNT)) {
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            m_nState = GAMESTATE_SET_UP_FAILED;
            return;
        }
        m_bPicturesLoaded = true;
        BuildStagePictures();
        ResetPlay();
        // A replay starts from the save data of its own start, with the lives it had then: none
        // is used for it.
        if (g_nPlayMode != PLAY_MODE_REPLAY) UseLife();
    }
    if (!SetStage(*this, followUp, true)) return;
    m_nMenuRow = 0;
    m_nSubState = 0;
}

void cPlayScene::ResetPlay() {
    cSaveData& s = g_SaveData;
    // A replay's lives and run totals are those its file holds for the start of the play recorded.
    if (g_nPlayMode != PLAY_MODE_REPLAY) {
        s.m_nLives = s.m_nStartLives;
        s.m_nTotalScore = 0;
        s.m_nTotalRemainTime = s.m_nTotalClearTime = s.m_nTotalHP = s.m_nTotalSP = 0;
    }
    m_ScrollX.SetUp(0, 0);
    m_ScrollY.SetUp(1, 0);
    m_nSubState = 0;
    m_nBannerCount = m_nBannerCount2 = 0;
    m_bWaitClosed = 0;
    m_nTimeLimit = 0;
    m_bRegistered = 0;
    m_Messages.clear();
    if (g_nPlayMode != PLAY_MODE_REPLAY) {
        g_Replay.ResetRecordVectors();
        g_ReplayPrev.ResetRecordVectors();
    }
    if (g_bStartFile) s.m_nStageCounter = 1;
    if (g_bRanking && g_PlaySceneHooks.LoadRankings)
        g_PlaySceneHooks.LoadRankings(g_nGameMode, s.m_strStageName);
}

void cPlayScene::DrawFrameNow(int caption) {
    if (g_PlayStepHooks.DrawFrame) g_PlayStepHooks.DrawFrame(*this, 0, 1, 0, caption);
}

void cPlayScene::FadeIn() {
    DrawFrameNow(1);
    if (DDFadeIn(g_Palette, 0, 255, 0, 0, 0, g_SceneManager.g_nFade, g_BasePalette, 0))
        m_nState = GAMESTATE_START;
}

void cPlayScene::StageStart() {
    DrawFrameNow(1);
    const bool editorFile = g_bStartFile && ProjectRecordEnv().m_bFromEditor;
    if (!editorFile) {
        if (g_nPlayMode == PLAY_MODE_REPLAY) {
            if (++m_nBannerCount < START_BANNER_FRAMES) {
                DDBlt(&g_BackBuffer, 256, 224, 128, 32, Word(), 0, 32, BLT_TRANSPARENT);
                return;
            }
        } else if (g_Stage.m_nStartBanner1) {
            if (++m_nBannerCount < START_BANNER_FRAMES) {
                DDBlt(&g_BackBuffer, 256, 224, 128, 32, Word(), 0, 0, BLT_TRANSPARENT);
                DrawCounter(384, 224, g_SaveData.m_nStageCounter);
                return;
            }
        } else if (g_Stage.m_nStartBanner2) {
            if (++m_nBannerCount2 < START_BANNER_FRAMES) {
                DDBlt(&g_BackBuffer, 280, 224, 80, 32, Word(), 160, 0, BLT_TRANSPARENT);
                return;
            }
        }
    }
    if (!g_Heroes.empty()) g_Heroes[0].m_AnimSeq.SetSequence(g_Heroes[0].m_bNoGravity ? 2 : 0, 1);
    m_nBannerCount = 0;
    m_nState = GAMESTATE_PLAY;
}

void cPlayScene::Play() {
    PlayStep(*this);
}

bool cPlayScene::Confirmed() const {
    return (m_wPressed & BUTTON_CONFIRM) != 0;
}
bool cPlayScene::Cancelled() const {
    return (m_wPressed & BUTTON_CANCEL) != 0;
}

void cPlayScene::MoveCursor(int x, int y, int rows) {
    cInputRecord& in = g_Inputs.at(0);
    cKeyRepeat::Update(in);
    if (rows > 0) {
        // Up and down held together move up.
        if (in.wDir & DIR_UP)
            m_nMenuRow = m_nMenuRow - 1;
        else if (in.wDir & DIR_DOWN)
            m_nMenuRow = m_nMenuRow + 1;
        m_nMenuRow = ((m_nMenuRow % rows) + rows) % rows;
        if (in.wDir & (DIR_UP | DIR_DOWN)) CursorSound();
    }
    m_nCursorX = x;
    m_nCursorY = y + 16 * m_nMenuRow;
}

void cPlayScene::DrawMenu(int record, int firstText, int count) {
    DrawFrameNow(1);
    const cSystemData::TextBlock block = g_SystemData.TextLinesBlock(firstText, count, 1);
    const cMenuAnchor& at = g_PlayMenuPos[record];
    if (!block.text.empty())
        g_Font.DrawInRectF(&g_BackBuffer, at.x, at.y, block.width, block.height, "%s", block.text.c_str());
    DDBlt(&g_BackBuffer, m_nCursorX, m_nCursorY, 16, 16, &g_SystemSurfaces[SYSBMP_ACCESSORY], 64, 0,
          BLT_TRANSPARENT);
}

void cPlayScene::LeaveTo(int scene) {
    g_SceneManager.g_nNextScene = scene;
    if (g_StageClearHooks.PlaceTitleCursor) g_StageClearHooks.PlaceTitleCursor(g_nPlayMode);
    m_nSubState = 0;
    m_nState = GAMESTATE_LEAVE;
}

void cPlayScene::PauseMenu() {
    if (CheckReplayHotKeys()) return;
    const bool retry = PauseRetryAllowed();
    const int items = retry ? 3 : 2;
    if (m_nSubState == 0) {
        m_nMenuRow = ITEM_CONTINUE;
        m_nSubState = 1;
    }
    g_PlayMenuPos[MENU_PAUSE].x = g_SystemData.CenteredTextX(320, TEXT_PAUSE_MENU, items, 1);
    MoveCursor(g_PlayMenuPos[MENU_PAUSE].x, g_PlayMenuPos[MENU_PAUSE].y, items);
    if (Confirmed()) {
        PlaySe(SE_CONFIRM);
        switch (m_nMenuRow) {
        case ITEM_QUIT:
            if (g_bStartFile) {
                m_nState = GAMESTATE_LEAVE;
                win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            } else {
                LeaveTo(SCENE_TITLE);
            }
            return;
        case ITEM_CONTINUE:
            m_bWaitClosed = 1;
            m_nState = m_nSavedState;
            m_nSubState = m_nSavedSubState;
            return;
        default:
            m_bWaitClosed = 1;
            g_SaveData.RestoreStageStart(true);
            if (!SetStage(*this, true, false)) return;
            m_nSubState = 0;
            m_nState = GAMESTATE_START;
            return;
        }
    }
    if (Cancelled()) {
        PlaySe(SE_CANCEL);
        m_bWaitClosed = 1;
        m_nState = m_nSavedState;
        m_nSubState = items == 3 ? m_nSavedSubState : 0;
        return;
    }
    DrawMenu(MENU_PAUSE, TEXT_PAUSE_MENU, items);
}

void cPlayScene::ResultScreen() {
    const bool automatic = g_Stage.m_nResultAutoAdvance != 0;
    const int registration = g_OptionData.nRankingMode;
    if (!automatic) {
        if (CheckSpaceKey(*this)) {
            m_nSubState = 0;
            m_nState = GAMESTATE_PAUSE;
            return;
        }
        CheckReplayHotKeys();
        if ((registration == 0 || registration == 1) && (GetAsyncKeyState(0x72) & 0x8000))
            RegisterStageRanking(*this);
    }
    if (m_nSubState == 0) {
        m_nBannerCount = 0;
        m_nSubState = 1;
    }
    cKeyRepeat::Update(g_Inputs.at(0));
    const bool done = m_nBannerCount >= RESULT_COUNT_DONE;
    if (done && (automatic || Confirmed())) {
        if (!automatic) {
            if (m_bRankQualified && (registration == 2 || registration == 3))
                RegisterStageRanking(*this);
            else
                PlaySe(SE_CONFIRM);
        }
        g_SceneManager.g_nNextScene = NextSceneAfterClear(*this);
        m_nBannerCount = 0;
        m_nSubState = 0;
        m_nState = GAMESTATE_LEAVE;
        return;
    }
    const bool placed =
        std::any_of(std::begin(m_RankPlaces), std::end(m_RankPlaces), [](int p) { return p != -1; });
    if (!automatic && !m_bRegistered && placed && (registration == 0 || registration == 1)) {
        if (g_PlayStepHooks.DrawFrame) g_PlayStepHooks.DrawFrame(*this, 0, 1, 0, 0);
        const cSystemData& sd = g_SystemData;
        if (TEXT_RANKING_HINT < sd.m_vstrTexts.Count()) {
            const std::string& hint = sd.m_vstrTexts.at(TEXT_RANKING_HINT);
            // Centred on x 320 by characters (16 pixels each), as every centred text is.
            g_Font.DrawF(&g_BackBuffer, sd.CenteredTextX(320, TEXT_RANKING_HINT, 1, 0), 456, "%s",
                         hint.c_str());
        }
    } else {
        DrawFrameNow(1);
    }
    if (!g_Stage.m_nClearBanner) {
        m_nBannerCount = RESULT_COUNT_DONE;
    } else {
        m_nBannerCount = std::min(m_nBannerCount + 4, RESULT_COUNT_DONE);
        if (m_nBannerCount < 100)
            DDBltStripShift(&g_BackBuffer, 256, 192, 128, 32, 4, 100 - m_nBannerCount, Word(), 0, 64,
                            BLT_TRANSPARENT, 0);
        else
            DDBlt(&g_BackBuffer, 256, 192, 128, 32, Word(), 0, 64, BLT_TRANSPARENT);
    }
    if (m_nBannerCount >= RESULT_COUNT_DONE && g_bRanking && !automatic && g_PlaySceneHooks.DrawStageResult)
        g_PlaySceneHooks.DrawStageResult(336, 224, m_RankPlaces, m_RankValues);
}

void cPlayScene::ContinueMenu() {
    if (CheckReplayHotKeys()) return;
    if (m_nSubState == 0) {
        m_nMenuRow = 0;
        m_nSubState = 1;
    }
    g_PlayMenuPos[MENU_CONTINUE].x = g_SystemData.CenteredTextX(320, TEXT_CONTINUE_MENU, 2, 1);
    MoveCursor(g_PlayMenuPos[MENU_CONTINUE].x, g_PlayMenuPos[MENU_CONTINUE].y, 2);
    if (Confirmed()) {
        PlaySe(SE_CONFIRM);
        if (m_nMenuRow == 0) {
            if (!SetStage(*this, true, false)) return;
            m_nState = GAMESTATE_START;
        } else {
            // Giving up takes the marker back to the cell it came from.
            g_SaveData.m_bReturnMarker = 1;
            LeaveTo(SCENE_WORLDMAP);
        }
        return;
    }
    DrawMenu(MENU_CONTINUE, TEXT_CONTINUE_MENU, 2);
}

void cPlayScene::GameOver() {
    if (CheckSpaceKey(*this)) {
        m_nSubState = 0;
        m_nState = GAMESTATE_PAUSE;
        return;
    }
    if (CheckReplayHotKeys()) return;
    if (Confirmed()) {
        PlaySe(SE_CONFIRM);
        m_nState = GAMESTATE_LEAVE;
        g_SceneManager.g_nNextScene = SCENE_TITLE;
        return;
    }
    DrawFrameNow(1);
    if (g_Stage.m_nGameOverBanner) DDBlt(&g_BackBuffer, 248, 224, 144, 32, Word(), 0, 96, BLT_TRANSPARENT);
}

void cPlayScene::Leave() {
    DrawFrameNow(1);
    if (!DDFadeOut(g_Palette, 0, 255, 0, 0, 0, g_SceneManager.g_nFade, g_BasePalette, 0)) return;
    DDClear(&g_BackBuffer, 16);
    if (g_nPlayMode == PLAY_MODE_FILE && !g_ClearNext.bFollowUpLoaded) {
        // Free play goes back to the file it was started with: the stage path kept with the play.
        const std::string path = g_Stage.m_strPath;
        const bool ok =
            g_PlaySceneHooks.ReloadPlayFile ? g_PlaySceneHooks.ReloadPlayFile(path) : LoadPlayFile(path, 0);
        if (!ok) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
    }
    g_SceneManager.g_nFrameRate = 60;
    g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene;
    g_SceneManager.g_nPrevScene = SCENE_PLAY;
    m_nState = -1;
}
