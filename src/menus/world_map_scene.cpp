#include "menus/world_map_scene.h"

#include "app/globals.h"
#include "app/play_se.h"
#include "app/sjis.h"
#include "draw/font.h"
#include "menus/ranking_store.h"
#include "platform/messages.h"
#include "play/stage_clear.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"

#include <algorithm>

namespace {

const int MAP_BITMAPS[] = {MENUBMP_WORLDBACK, MENUBMP_MAPCHIP, MENUBMP_MAPEVENT,
                           MENUBMP_ACCESSORY, MENUBMP_WINDOW,  MENUBMP_MAPWORK};
constexpr int MAP_BITMAP_COUNT = 6;
constexpr int MARKER_X = 288, MARKER_Y = 224;
constexpr int VIEW_COLS = 20, VIEW_ROWS = 15;
constexpr int RANKING_X = 367, RANKING_Y = 64;
constexpr int TEXT_SCORE = 2, TEXT_CHALLENGE_STAGE = 10;

// Page fields by role.
std::int32_t ClearSwitch(const cWorldMapNodeEntry& page) {
    return page.nValues[0];
}
std::int32_t ConfirmNeeded(const cWorldMapNodeEntry& page) {
    return page.nValues[1];
}
std::int32_t Replayable(const cWorldMapNodeEntry& page) {
    return page.nValues[2];
}
std::int32_t AfterClear(const cWorldMapNodeEntry& page) {
    return page.nValues[3];
}

// A switch or variable of the save data; 0 for a number outside its list.
std::int32_t ListValue(const std::vector<std::int32_t>& list, std::int32_t n) {
    return n >= 0 && n < static_cast<std::int32_t>(list.size()) ? list[static_cast<std::size_t>(n)] : 0;
}

bool RankingOn(int mode) {
    return g_SystemData.m_vRankingModes.at(mode).m_nEnabled != 0;
}

DDSURFACEDATA* MapSurface() {
    return SystemSurface(MENUBMP_MAPWORK);
}

} // namespace

cWorldMapNodeEntry* SelectEventPage(cWorldMapNode* event, const cSaveData& save) {
    if (!event) return nullptr;
    for (cWorldMapNodeEntry& page : event->m_Entries) {
        if (page.nFlag > 0 && ListValue(save.m_vnStageFlags, page.nFlag) == 0) continue;
        if (page.nVariable != 0 &&
            !WorldMapCompare(page.nOperator, ListValue(save.m_vnCommonVars, page.nVariable), page.nValue))
            continue;
        if (save.m_nValueTotal < page.nMinimum) continue;
        return &page;
    }
    return nullptr;
}

void StepGenre(cSaveData& save, int gameMode, int step) {
    const cRankingMode& mode = g_SystemData.m_vRankingModes.at(gameMode);
    auto enabled = [&](int g) { return g >= 0 && g < mode.m_vbGenres.Count() && mode.m_vbGenres[g] != 0; };
    bool any = false;
    for (int g = 0; g < SYSTEM_RANKING_GENRES; ++g)
        any = any || enabled(g);
    if (!any) return;
    int genre = std::clamp<int>(save.m_nRankingGenre, 0, SYSTEM_RANKING_GENRES - 1);
    auto next = [&](int dir) {
        do {
            genre = (genre + dir + SYSTEM_RANKING_GENRES) % SYSTEM_RANKING_GENRES;
        } while (!enabled(genre));
    };
    if (step == 0 && !enabled(genre)) next(1);
    for (int i = 0; i < step; ++i)
        next(1);
    for (int i = 0; i > step; --i)
        next(-1);
    save.m_nRankingGenre = genre;
}

cWorldMapScene::cWorldMapScene() {
    m_Handlers = {[this] { FadeIn(); }, [this] { Map(); }, [this] { StageStart(); }, [this] { Leave(); }};
}

cWorldMapScene::~cWorldMapScene() {
    ReleaseMenuBitmaps(MAP_BITMAPS, MAP_BITMAP_COUNT);
    DDReleaseSurfaceVec(m_Surfaces);
}

DDSURFACEDATA* cWorldMapScene::RankingSurface() {
    return m_Surfaces.empty() ? nullptr : &m_Surfaces.at(0);
}

void cWorldMapScene::DrawRankingSurface() {
    if (DDSURFACEDATA* s = RankingSurface()) {
        DDClear(s, 0);
        g_RankingStore.DrawTable(s, 0, 0, g_SaveData.m_nRankingGenre, -1);
    }
}

bool cWorldMapScene::PageCleared() const {
    return m_lpPage && ListValue(g_SaveData.m_vnStageFlags, ClearSwitch(*m_lpPage)) != 0;
}

bool cWorldMapScene::PageStartsOnEntry() const {
    return m_lpPage && !PageCleared() && ConfirmNeeded(*m_lpPage) == 0;
}

void cWorldMapScene::SelectEvent() {
    const MenuCursorPos& c = CursorActive();
    m_lpEvent = g_WorldMap.FindNode(c.col, c.row);
    m_lpPage = SelectEventPage(m_lpEvent, g_SaveData);
}

void cWorldMapScene::SetView() {
    const MenuCursorPos& c = CursorActive();
    m_nOriginX = c.col - 9;
    m_nOriginY = c.row - 7;
}

void cWorldMapScene::SelectStage() {
    SetCurrentStageName(g_SaveData, m_lpPage->szTextB.c_str());
    m_nBestScore = g_SaveData.FindStageValue(g_SaveData.m_strStageName);
    if (g_bRanking) {
        g_RankingStore.LoadFile(g_nGameMode, g_SaveData.m_strStageName);
        StepGenre(g_SaveData, 0, 0);
        DrawRankingSurface();
    }
}

void cWorldMapScene::StartMapStage() {
    SetCurrentStageName(g_SaveData, g_Stage.m_strPath.c_str());
    g_SaveData.m_nStageNo = ClearSwitch(*m_lpPage);
    g_SaveData.m_nStagePart = 1;
    const auto page = std::find_if(m_lpEvent->m_Entries.begin(), m_lpEvent->m_Entries.end(),
                                   [&](const cWorldMapNodeEntry& e) { return &e == m_lpPage; });
    g_SaveData.m_nNodeEntry = static_cast<std::int32_t>(page - m_lpEvent->m_Entries.begin());
    g_nWorldMapAfterClear = AfterClear(*m_lpPage);
    if (!g_SystemData.m_nKeepLives)
        g_SaveData.m_nStartLives = g_SystemData.m_vnStartLives.at(0);
    else if (!g_SystemData.m_vnInfiniteLives.at(0))
        g_SaveData.m_nStartLives = g_SaveData.m_nLives + 1;
    else
        g_SaveData.m_nStartLives = UNLIMITED_LIVES;
}

void cWorldMapScene::Init() {
    MenuMusicRule(1);
    // The map names its own background picture; an empty name leaves the map without one.
    SetWorldBackPicture(g_WorldMap.backPicture.c_str());
    LoadMenuBitmaps(MAP_BITMAPS, MAP_BITMAP_COUNT);
    CursorReset();
    g_SaveData.SumStageValues();
    MenuCursorPos& c = CursorActive();
    c.col = std::clamp(g_SaveData.m_nMapX, 0, std::max(g_WorldMap.width - 1, 0));
    c.row = std::clamp(g_SaveData.m_nMapY, 0, std::max(g_WorldMap.height - 1, 0));
    c.x = MARKER_X;
    c.y = MARKER_Y;
    SetView();
    m_nFacing = g_SaveData.m_nMarkerFacing;
    SelectEvent();
    m_PrevCursor = c;
    DDCreateSurfaceVec(m_Surfaces, m_SurfaceDefs, 272, 352, 1, 0, DTMEMORYTYPE_VIDEO_RT, 0);
    if (!RankingSurface() || (!RankingSurface()->lpDT && !RankingSurface()->lpDDSide))
        DDCloseForSurface("ランキング", 272, 352);
    DrawRankingSurface();
    if (StagePage()) {
        SelectStage();
        m_nStageCol = c.col;
        m_nStageRow = c.row;
    }
    if (g_SaveData.m_bAutoSave && g_SceneManager.g_nPrevScene == SCENE_PLAY && g_SaveData.m_nLastSlot >= 0)
        g_SaveData.WriteSlot(g_SaveData.m_nLastSlot);
    DrawMapSurface();
    m_nSubState = 0;
}

void cWorldMapScene::DrawMapSurface() {
    DDSURFACEDATA* map = MapSurface();
    DDClear(map, static_cast<std::uint32_t>(g_WorldMap.backColour));
    if (g_WorldMap.showBackPicture) {
        const int sx = std::max(m_nOriginX, 0) * 32, sy = std::max(m_nOriginY, 0) * 32;
        const int dx = std::max(-m_nOriginX, 0) * 32, dy = std::max(-m_nOriginY, 0) * 32;
        DDBlt(map, dx, dy, 640 - dx, 480 - dy, SystemSurface(MENUBMP_WORLDBACK), sx, sy, 0);
    }
    DDSURFACEDATA* chips = SystemSurface(MENUBMP_MAPCHIP);
    for (int r = 0; r < VIEW_ROWS; ++r) {
        const int my = m_nOriginY + r;
        if (my < 0 || my >= g_WorldMap.height) continue;
        for (int col = 0; col < VIEW_COLS; ++col) {
            const int mx = m_nOriginX + col;
            if (mx < 0 || mx >= g_WorldMap.width) continue;
            const int tile = g_WorldMap.CellAt(mx, my);
            if (tile < 0 || tile >= g_WorldMap.tiles.Count()) continue;
            const int p = g_WorldMap.tiles.at(tile).nPicture;
            DDBlt(map, col * 32, r * 32, 32, 32, chips, (p % 5) * 32, (p / 5) * 32, 1);
        }
    }
    DDSURFACEDATA* icons = SystemSurface(MENUBMP_MAPEVENT);
    for (cWorldMapNode& event : g_WorldMap.nodes) {
        const cWorldMapNodeEntry* page = SelectEventPage(&event, g_SaveData);
        if (!page) continue;
        const int x = (event.x - m_nOriginX) * 32, y = (event.y - m_nOriginY) * 32;
        if (x <= -32 || y <= -32 || x >= 640 || y >= 480) continue;
        const bool cleared = ListValue(g_SaveData.m_vnStageFlags, ClearSwitch(*page)) != 0;
        DDBlt(map, x, y, 32, 32, icons, cleared ? 32 : 0, page->nIcon * 32, 1);
    }
    map->bLost = 0;
}

void cWorldMapScene::DrawScreen(bool info) {
    if (MapSurface()->bLost) DrawMapSurface();
    DDBlt(&g_BackBuffer, 0, 0, 640, 480, MapSurface(), 0, 0, 0);

    static const int MARKER_SOURCE[4][2] = {{0, 64}, {64, 64}, {64, 96}, {0, 96}};
    const int facing = std::clamp(m_nFacing, 0, 3);
    if (++m_nMarkerFrame >= 80) m_nMarkerFrame = 0;
    const int sx = MARKER_SOURCE[facing][0] + (m_nMarkerFrame > 40 ? 32 : 0);
    DrawAccessory(&g_BackBuffer, MARKER_X, MARKER_Y, sx, MARKER_SOURCE[facing][1], 32);

    if (g_SystemData.m_nMapShowLives) {
        const std::int32_t lives = g_SaveData.m_nLives;
        const bool unlimited = lives == UNLIMITED_LIVES;
        const int n = unlimited ? 1 : MenuCountDigits(lives);
        const int left = 621 - 16 * (n + 1);
        g_Font.DrawBox(&g_BackBuffer, left, 17, 16 * (n + 1), 20);
        DrawAccessory(&g_BackBuffer, left, 19, 0, 48, 16);
        if (unlimited)
            g_Font.DrawF(&g_BackBuffer, 637 - 16 * (n + 1), 19, "%s", "∞");
        else
            g_Font.DrawF(&g_BackBuffer, 637 - 16 * (n + 1), 19, "%d", lives);
    }

    if (info && StagePage()) {
        if (RankingOn(0) && g_SaveData.m_bRankingView) {
            DDSURFACEDATA* ranking = RankingSurface();
            if (ranking && ranking->bLost) {
                DrawRankingSurface();
                ranking->bLost = 0;
            }
            if (ranking) DDBlt(&g_BackBuffer, RANKING_X, RANKING_Y, 272, 352, ranking, 0, 0, 1);
        }
        const bool score = g_SystemData.m_nMapShowScore && m_nBestScore >= 1;
        const int y = score ? 184 : 204;
        const std::string& title = m_lpPage->szTextA;
        if (!title.empty()) {
            const int w = 16 * CountSjisChars(title);
            g_Font.DrawInRectF(&g_BackBuffer, 304 - w / 2, y, w, 16, "%s", title.c_str());
        }
        if (score) {
            const std::string& label = g_SystemData.m_vstrTexts.at(TEXT_SCORE);
            const int w = 16 * (CountSjisChars(label) + MenuCountDigits(m_nBestScore));
            g_Font.DrawInRectF(&g_BackBuffer, 304 - w / 2, y + 20, w, 16, "%s%d", label.c_str(),
                               m_nBestScore);
        }
    }
    MenuUpdateBlinkColours();
}

void cWorldMapScene::FadeIn() {
    if (g_DDSettings.nBpp == 8) DrawRankingSurface();
    DrawScreen(!g_SaveData.m_bReturnMarker);
    if (!FadeInStep()) return;
    m_nState = MAP;
    if (!StagePage()) return;
    if (g_SaveData.m_bReturnMarker) {
        g_SaveData.m_bReturnMarker = 0;
        if (!PageCleared()) {
            // The stage was lost or left: the marker steps back off its cell.
            MenuCursorPos& c = CursorActive();
            c.col = std::clamp(g_SaveData.m_nPrevMapX, 0, std::max(g_WorldMap.width - 1, 0));
            c.row = std::clamp(g_SaveData.m_nPrevMapY, 0, std::max(g_WorldMap.height - 1, 0));
            g_SaveData.m_nMapX = c.col;
            g_SaveData.m_nMapY = c.row;
            m_PrevCursor = c;
            SetView();
            SelectEvent();
            DrawMapSurface();
        }
        return;
    }
    if (g_SceneManager.g_nPrevScene == SCENE_SAVE || !PageStartsOnEntry()) return;
    if (LoadStageForPlay(m_lpPage->szTextB, 1, &g_StageOriginal)) {
        StartMapStage();
        g_SaveData.m_nPrevMapX = CursorActive().col;
        g_SaveData.m_nPrevMapY = CursorActive().row;
        g_SceneManager.g_nNextScene = SCENE_PLAY;
        m_nState = LEAVE;
    } else {
        StageLoadFailedBox(m_lpPage->szTextB);
        win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
    }
}

void cWorldMapScene::MoveMarker(std::uint16_t keys) {
    if (keys == 0) return;
    MenuCursorPos& c = CursorActive();
    g_SaveData.m_nPrevMapX = c.col;
    g_SaveData.m_nPrevMapY = c.row;
    if (keys & DIR_LEFT) {
        m_nFacing = FACE_LEFT;
        c.col = std::max(c.col - 1, 0);
    } else if (keys & DIR_RIGHT) {
        m_nFacing = FACE_RIGHT;
        c.col = std::min(c.col + 1, g_WorldMap.width - 1);
    } else if (keys & DIR_UP) {
        m_nFacing = FACE_UP;
        c.row = std::max(c.row - 1, 0);
    } else if (keys & DIR_DOWN) {
        m_nFacing = FACE_DOWN;
        c.row = std::min(c.row + 1, g_WorldMap.height - 1);
    }
    const cWorldMapNodeEntry* page = SelectEventPage(g_WorldMap.FindNode(c.col, c.row), g_SaveData);
    bool refused = page && page->nKind == 2;
    if (!page) {
        const int tile = g_WorldMap.CellAt(c.col, c.row);
        refused = tile >= 0 && tile < g_WorldMap.tiles.Count() && g_WorldMap.tiles.at(tile).bBlocked != 0;
    }
    if (refused) {
        c = m_PrevCursor;
        return;
    }
    const int oldX = m_nOriginX, oldY = m_nOriginY;
    SetView();
    g_SaveData.m_nMarkerFacing = m_nFacing;
    if (oldX != m_nOriginX || oldY != m_nOriginY) DrawMapSurface();
}

void cWorldMapScene::RankingButtons() {
    const std::uint16_t pressed = static_cast<std::uint16_t>(Buttons() & ~m_wPrevButtons);
    m_wPrevButtons = Buttons();
    bool redraw = false;
    if (pressed & MENU_BUTTON3) {
        if (RankingOn(0)) {
            PlaySe(6);
            g_SaveData.m_bRankingView = g_SaveData.m_bRankingView ? 0 : 1;
        } else {
            g_SaveData.m_bRankingView = 0;
        }
        redraw = true;
    }
    if ((pressed & MENU_BUTTON4) && RankingOn(0) && g_SystemData.CountEnabledEntries(0) >= 2) {
        PlaySe(6);
        StepGenre(g_SaveData, 0, 1);
        redraw = true;
    }
    if (redraw) DrawRankingSurface();
}

void cWorldMapScene::EnterStageStart() {
    g_SaveData.m_nMapX = CursorActive().col;
    g_SaveData.m_nMapY = CursorActive().row;
    CursorPush();
    m_nSubState = 0;
    m_nState = STAGE_START;
}

void cWorldMapScene::Map() {
    const std::uint16_t keys = Dir();
    m_PrevCursor = CursorActive();
    MoveMarker(keys);
    CursorSound(keys, 3, 0);
    SelectEvent();
    if (StagePage()) {
        const MenuCursorPos& c = CursorActive();
        if (c.col != m_nStageCol || c.row != m_nStageRow) {
            SelectStage();
            m_nStageCol = c.col;
            m_nStageRow = c.row;
        }
        if (PageStartsOnEntry()) {
            EnterStageStart();
            return;
        }
        if (Confirmed()) {
            if (PageCleared() && Replayable(*m_lpPage) == 0) return;
            EnterStageStart();
            return;
        }
        RankingButtons();
    } else {
        m_wPrevButtons = Buttons();
    }
    if (Cancelled()) {
        PlaySe(4);
        g_SaveData.m_nMapX = CursorActive().col;
        g_SaveData.m_nMapY = CursorActive().row;
        g_SceneManager.g_nNextScene = SCENE_SAVE;
        m_nState = LEAVE;
        return;
    }
    DrawScreen(true);
}

void cWorldMapScene::BackToMap() {
    // The stage-start menu's level goes; an entry-start page also puts the marker back where it
    // stood before it stepped onto the cell.
    CursorPop(1);
    if (PageStartsOnEntry()) {
        CursorActive() = m_PrevCursor;
        g_SaveData.m_nMapX = m_PrevCursor.col;
        g_SaveData.m_nMapY = m_PrevCursor.row;
        SetView();
        SelectEvent();
        DrawMapSurface();
    }
    m_nSubState = 0;
    m_nState = MAP;
}

void cWorldMapScene::StageStart() {
    const std::uint16_t keys = Dir();
    if (m_nSubState == 0) {
        PlaySe(1);
        m_bStageLoaded = LoadStageForPlay(m_lpPage->szTextB, 1, &g_StageOriginal);
        if (!m_bStageLoaded) StageLoadFailedBox(m_lpPage->szTextB);
        CursorActive().row = 1;
        m_nSubState = 1;
    }
    const int x = g_SystemData.CenteredTextX(304, TEXT_CHALLENGE_STAGE, 2, 1);
    CursorMoveGrid(keys, x, 260, 0, 16, 1, 2);
    CursorSound(keys, 2, 0);
    if (Confirmed()) {
        PlaySe(1);
        if (CursorActive().row == 0 && m_bStageLoaded) {
            StartMapStage();
            m_nSubState = 0;
            g_SceneManager.g_nNextScene = SCENE_PLAY;
            m_nState = LEAVE;
        } else {
            BackToMap();
        }
        return;
    }
    if (Cancelled()) {
        PlaySe(2);
        BackToMap();
        return;
    }
    RankingButtons();
    DrawScreen(true);
    DrawTextLines(x, 260, TEXT_CHALLENGE_STAGE, 2, 1);
    DrawAccessory(&g_BackBuffer, CursorActive().x, CursorActive().y, 64, 0, 16);
}

void cWorldMapScene::Leave() {
    DrawScreen(true);
    LeaveStep(SCENE_WORLDMAP);
}
