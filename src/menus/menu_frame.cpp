#include "menus/menu_frame.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/sjis.h"
#include "draw/dd_palette_fx.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "project/save_data.h"
#include "project/system_data.h"
#include "sound/sound.h"

#include <algorithm>
#include <map>

MenuHooks g_MenuHooks;

namespace {

// The latch of each input record: the buttons that passed and are still held.
std::map<const cInputRecord*, std::uint16_t>& Latches() {
    static std::map<const cInputRecord*, std::uint16_t> latches;
    return latches;
}

} // namespace

void LatchButtons(cInputRecord& rec, std::uint16_t mask) {
    if (mask == 0) mask = 0xFF;
    std::uint16_t& latched = Latches()[&rec];
    const std::uint16_t down = rec.wButtons & mask;
    if (latched) {
        rec.wButtons &= static_cast<std::uint16_t>(~mask);
        if (down == 0) latched = 0;
        return;
    }
    if (down == 0) return;
    const std::uint16_t lowest = static_cast<std::uint16_t>(down & -down);
    rec.wButtons = static_cast<std::uint16_t>((rec.wButtons & ~mask) | lowest);
    latched = 1;
}

void ResetButtonLatches() {
    Latches().clear();
}

void MenuUpdateBlinkColours() {
    if (g_MenuHooks.updateBlinkColours) g_MenuHooks.updateBlinkColours();
}

Font& MenuFont() {
    return g_Fonts[2];
}

void MenuMusicRule(int context) {
    const int music = context < g_SystemData.m_vnMenuBgm.Count() ? g_SystemData.m_vnMenuBgm[context] : 0;
    if (music != 0 && music == g_SceneManager.g_nCurMenuBgm) return;
    g_SceneManager.g_nCurMenuBgm = music;
    win::SendMessage(g_hWnd, win::WM_USER + 6, static_cast<win::WPARAM>(context), 0);
}

// ---- The per-frame operation ----

cInputRecord& cMenuScene::Input() {
    return g_Inputs.at(0);
}

void cMenuScene::Run() {
    cInputRecord& rec = Input();
    cKeyRepeat::Update(rec);
    LatchButtons(rec, MENU_CONFIRM | MENU_CANCEL);
    RunStates();
}

bool cMenuScene::FadeInStep() {
    return DDFadeIn(g_Palette, 0, 255, 0, 0, 0, g_SceneManager.g_nFade, g_BasePalette, 0);
}

bool cMenuScene::LeaveStep(int self, bool resetCursor) {
    if (!DDFadeOut(g_Palette, 0, 255, 0, 0, 0, g_SceneManager.g_nFade, g_BasePalette, 0)) return false;
    DDClear(&g_BackBuffer, 16);
    if (resetCursor) CursorReset();
    g_SceneManager.g_nPrevScene = self;
    g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene;
    return true;
}

// ---- The screen of a whole-screen menu ----

cScreenMenuScene::~cScreenMenuScene() {
    DDReleaseSurfaceVec(m_Surfaces);
}

DDSURFACEDATA* cScreenMenuScene::Screen() {
    return m_Surfaces.empty() ? nullptr : &m_Surfaces.at(0);
}

void cScreenMenuScene::CreateScreen() {
    DDCreateSurfaceVec(m_Surfaces, m_SurfaceDefs, 640, 480, 0, 0, DTMEMORYTYPE_VIDEO_RT, 0);
    if (!Screen() || (!Screen()->lpDT && !Screen()->lpDDSide)) DDCloseForSurface("メニュー画面", 640, 480);
    DrawScreen(Screen());
}

void cScreenMenuScene::ShowScreen() {
    DDSURFACEDATA* screen = Screen();
    if (screen && screen->bLost) {
        DrawScreen(screen);
        screen->bLost = 0;
    }
    if (screen) DDBlt(&g_BackBuffer, 0, 0, 640, 480, screen, 0, 0, 0);
    MenuUpdateBlinkColours();
}

void cScreenMenuScene::FadeInScreen() {
    if (g_DDSettings.nBpp == 8) DrawScreen(Screen());
    ShowScreen();
    if (FadeInStep()) m_nState = 1;
}

// ---- The menu cursor ----

MenuCursorPos& CursorActive() {
    return g_MenuCursor.Active();
}

MenuCursorPos& CursorParent() {
    MenuCursorPos* parent = g_MenuCursor.Previous();
    return parent ? *parent : g_MenuCursor.Active();
}

void CursorReset() {
    g_MenuCursor.Reset();
}

void CursorPush() {
    g_MenuCursor.Push(0);
}

void CursorPop(int mode) {
    g_MenuCursor.Pop(mode);
}

void CursorMoveGrid(std::uint16_t keys, int x0, int y0, int cellW, int cellH, int cols, int rows) {
    g_MenuCursor.MoveGrid(&keys, x0, y0, cellW, cellH, cols, rows);
}

void CursorMoveList(std::uint16_t keys, int& top, int originY, int pitch, int x, int window, int count,
                    bool paging) {
    g_MenuCursor.MoveList(&keys, 1, &top, originY, pitch, x, window, count, paging ? 1 : 0);
}

void CursorSound(std::uint16_t keys, int axes, int sound) {
    PlayCursorSound(&keys, axes, sound);
}

// ---- Save slots ----

int g_nSaveSlotCount = 20;

void PrepareSaveSlotList() {
    constexpr int MAX_SLOTS = 99;
    int count = std::clamp(g_nSaveSlotCount, 0, MAX_SLOTS);
    for (int n = MAX_SLOTS - 1; n >= count; --n) {
        if (std::FILE* fp = OpenDataFileRead(cSaveData::SlotFileName(n).c_str())) {
            CloseDataFile(fp);
            count = n + 1;
            break;
        }
    }
    g_SaveSlotList.assign(count, cSaveSlotInfo{});
    BuildSaveSlotList(g_SaveSlotList);
}

// ---- Drawing helpers ----

void DrawTextLines(int x, int y, int first, int count, int mark) {
    if (count < 1) return;
    const cSystemData::TextBlock block = g_SystemData.TextLinesBlock(first, count, mark);
    g_Font.DrawInRectF(&g_BackBuffer, x, y, block.width, block.height, "%s", block.text.c_str());
}

void FormatSaveSlotLine(DDSURFACEDATA* surface, int x, int y, int first, int count) {
    g_Font.DrawBox(surface, x, y, 320, count * 16);
    for (int row = 0; row < count; ++row) {
        const int slot = first + row;
        if (slot < 0 || slot >= g_SaveSlotList.Count()) break;
        const int top = y + row * 16;
        if (row < count - 1) DDFillRect(surface, x, top + 15, 320, 1, 240);
        g_Font.DrawF(surface, x + 16, top, "%d", slot + 1);
        const cSaveSlotInfo& info = g_SaveSlotList.at(slot);
        if (info.bUsed)
            g_Font.DrawF(surface, x + 64, top, "%04d/%02d/%02d %02d:%02d\n", info.stamp.wYear,
                         info.stamp.wMonth, info.stamp.wDay, info.stamp.wHour, info.stamp.wMinute);
    }
}

int MenuCountDigits(std::int64_t value) {
    if (value < 0) value = -value;
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

void DrawAccessory(DDSURFACEDATA* target, int x, int y, int sx, int sy, int size) {
    DDBlt(target, x, y, size, size, SystemSurface(MENUBMP_ACCESSORY), sx, sy, 1);
}

// ---- Hand-overs ----

bool SendRequestAndWait(unsigned msg, std::atomic<int>& done) {
    done = 0;
    win::SendMessage(g_hWnd, msg, 0, 0);
    while (!done) {
        if (win::IsAborting()) return false;
        win::Sleep(1);
    }
    return true;
}

void StageLoadFailedBox(const std::string& name) {
    ErrorBox("ステージファイル %s が読み込めません！", name.c_str());
}

// ---- System bitmaps ----

DDSURFACEDATA* SystemSurface(int index) {
    return &g_SystemSurfaces[index];
}

void LoadMenuBitmaps(const int* list, int count) {
    DDTableFromSystemBitmaps(g_SystemSurfaceDefs, SystemBitmapTable, SYSTEM_BITMAP_COUNT);
    if (!DDLoadSystemSurfaces(g_SystemSurfaces, list, count)) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

void ReleaseMenuBitmaps(const int* list, int count) {
    for (int i = 0; i < count; ++i)
        DDReleaseSurface(&g_SystemSurfaces[list[i]]);
}
