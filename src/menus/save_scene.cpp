#include "menus/save_scene.h"

#include "app/play_se.h"
#include "app/sjis.h"
#include "draw/dd_effects.h"
#include "draw/font.h"
#include "project/save_data.h"
#include "project/system_data.h"

#include <algorithm>

namespace {

const int SAVE_BITMAPS[] = {MENUBMP_WINDOW, MENUBMP_SYMBOL, MENUBMP_ACCESSORY};
constexpr int MENU_X = 264, MENU_Y = 192;
constexpr int SLOT_X = 152, SLOT_Y = 160;

// Texts of the project's text list.
constexpr int TEXT_TOTAL = 4, TEXT_SAVE = 12, TEXT_AUTOSAVE = 14, TEXT_NO_SLOT = 16, TEXT_TO_TITLE = 17;

const std::string& Text(int n) {
    return g_SystemData.m_vstrTexts.at(n);
}

void DrawListCursor() {
    DrawAccessory(&g_BackBuffer, CursorActive().x, CursorActive().y, 64, 0, 16);
}

} // namespace

cSaveScene::cSaveScene() {
    m_Handlers = {[this] { FadeIn(); }, [this] { Menu(); },    [this] { Save(); }, [this] { AutoSave(); },
                  [this] { Back(); },   [this] { ToTitle(); }, [this] { Leave(); }};
}

cSaveScene::~cSaveScene() {
    ReleaseMenuBitmaps(SAVE_BITMAPS, 3);
}

void cSaveScene::Init() {
    MenuMusicRule(1);
    LoadMenuBitmaps(SAVE_BITMAPS, 3);
    m_nCount = 0;
    for (int id = 0; id < 4; ++id)
        if (g_SystemData.m_vSaveMenu.at(id).m_nShow) m_nItems[m_nCount++] = id;
    if (m_nCount == 0) {
        m_nItems[0] = 0;
        m_nCount = 1;
    }
    CursorReset();
}

void cSaveScene::Draw() {
    DDClear(&g_BackBuffer, 16);
    int widest = 0;
    for (int k = 0; k < m_nCount; ++k)
        widest = std::max(widest, CountSjisChars(g_SystemData.m_vSaveMenu.at(m_nItems[k]).m_strLabel));
    DDBltFramed(&g_BackBuffer, MENU_X, MENU_Y, 16 * (widest + 1), 16 * m_nCount,
                SystemSurface(MENUBMP_WINDOW), 1, 240);
    for (int k = 0; k < m_nCount; ++k)
        g_Font.Draw(&g_BackBuffer, MENU_X + 16, MENU_Y + 16 * k,
                    g_SystemData.m_vSaveMenu.at(m_nItems[k]).m_strLabel.c_str(), 0);
    const std::int32_t total = g_SaveData.m_nValueTotal;
    if (g_SystemData.m_nSaveMenuTotal && total >= 1) {
        const int w = 16 * (CountSjisChars(Text(TEXT_TOTAL)) + MenuCountDigits(total));
        g_Font.DrawBox(&g_BackBuffer, 320 - w / 2, 260, w, 16);
        g_Font.DrawF(&g_BackBuffer, 320 - w / 2, 260, "%s%d", Text(TEXT_TOTAL).c_str(), total);
    }
    MenuUpdateBlinkColours();
}

void cSaveScene::FadeIn() {
    Draw();
    DrawAccessory(&g_BackBuffer, MENU_X, MENU_Y, 64, 0, 16);
    if (FadeInStep()) m_nState = MENU;
}

void cSaveScene::Menu() {
    const std::uint16_t keys = Dir();
    CursorMoveGrid(keys, MENU_X, MENU_Y, 0, 16, 1, m_nCount);
    CursorSound(keys, 2, 0);
    if (Confirmed()) {
        PlaySe(1);
        m_nState = m_nItems[std::clamp(CursorActive().row, 0, m_nCount - 1)] + 2;
        CursorPush();
        return;
    }
    if (Cancelled()) {
        PlaySe(2);
        m_nState = BACK;
        return;
    }
    Draw();
    DrawListCursor();
}

void cSaveScene::BackToMenu() {
    CursorPop(1);
    m_nSubState = 0;
    m_nState = MENU;
}

void cSaveScene::DrawSlots() {
    DDClear(&g_BackBuffer, 16);
    FormatSaveSlotLine(&g_BackBuffer, SLOT_X, SLOT_Y, m_nFirstSlot, m_nShownSlots);
}

void cSaveScene::Save() {
    const std::uint16_t keys = Dir();
    if (m_nSubState == 0) {
        CursorActive() = MenuCursorPos{};
        CursorActive().row = std::max(g_SaveData.m_nLastSlot, 0);
        m_nSubState = 1;
        PrepareSaveSlotList();
        m_nShownSlots = std::min(g_SaveSlotList.Count(), 10);
        m_nFirstSlot = CursorActive().row;
    }
    if (m_nSubState == 1) {
        CursorMoveList(keys, m_nFirstSlot, SLOT_Y, 16, SLOT_X, m_nShownSlots, g_SaveSlotList.Count(), true);
        CursorSound(keys, 3, 0);
        if (Confirmed()) {
            PlaySe(1);
            CursorPush();
            CursorActive().row = 1;
            m_nSubState = 2;
            return;
        }
        if (Cancelled()) {
            PlaySe(2);
            BackToMenu();
            return;
        }
        DrawSlots();
        DrawListCursor();
        return;
    }
    // The confirmation.
    const int x = g_SystemData.CenteredTextX(320, TEXT_SAVE, 2, 1);
    CursorMoveGrid(keys, x, 400, 0, 16, 1, 2);
    CursorSound(keys, 2, 0);
    if (Confirmed() || Cancelled()) {
        if (Cancelled()) {
            PlaySe(2);
        } else if (CursorActive().row == 0) {
            PlaySe(5);
            g_SaveData.m_nLastSlot = CursorParent().row;
            g_SaveData.WriteSlot(g_SaveData.m_nLastSlot);
        } else {
            PlaySe(1);
        }
        CursorPop(1);
        m_nSubState = 1;
        return;
    }
    DrawSlots();
    DrawTextLines(x, 400, TEXT_SAVE, 2, 1);
    DrawAccessory(&g_BackBuffer, CursorParent().x, CursorParent().y, 80, 0, 16);
    DrawListCursor();
}

void cSaveScene::AutoSave() {
    const std::uint16_t keys = Dir();
    if (m_nSubState == 0) {
        CursorActive() = MenuCursorPos{};
        CursorActive().row = g_SaveData.m_bAutoSave ? 0 : 1;
        m_nSubState = g_SaveData.m_nLastSlot == -1 ? 2 : 1;
    }
    if (m_nSubState == 1) {
        const int x = g_SystemData.CenteredTextX(320, TEXT_AUTOSAVE, 2, 1);
        CursorMoveGrid(keys, x, 224, 0, 16, 1, 2);
        CursorSound(keys, 2, 0);
        if (Confirmed()) {
            PlaySe(1);
            if (CursorActive().row == 0) {
                // The choice is written with the slot, so that the slot loads with it on.
                g_SaveData.m_bAutoSave = 1;
                g_SaveData.WriteSlot(g_SaveData.m_nLastSlot);
            } else {
                g_SaveData.m_bAutoSave = 0;
            }
            BackToMenu();
            return;
        }
        if (Cancelled()) {
            PlaySe(2);
            BackToMenu();
            return;
        }
        DDClear(&g_BackBuffer, 16);
        DrawTextLines(x, 224, TEXT_AUTOSAVE, 2, 1);
        DrawListCursor();
        return;
    }
    // Never saved: where to write is not known yet.
    if (Confirmed() || Cancelled()) {
        PlaySe(Confirmed() ? 1 : 2);
        BackToMenu();
        return;
    }
    DDClear(&g_BackBuffer, 16);
    DrawTextLines(g_SystemData.CenteredTextX(320, TEXT_NO_SLOT, 1, 0), 232, TEXT_NO_SLOT, 1, 0);
}

void cSaveScene::Back() {
    m_nSubState = 0;
    g_SceneManager.g_nNextScene = SCENE_WORLDMAP;
    m_nState = LEAVE;
}

void cSaveScene::ToTitle() {
    const std::uint16_t keys = Dir();
    if (m_nSubState == 0) {
        CursorActive() = MenuCursorPos{};
        CursorActive().row = 1;
        m_nSubState = 1;
    }
    const int x = g_SystemData.CenteredTextX(320, TEXT_TO_TITLE, 2, 1);
    CursorMoveGrid(keys, x, 224, 0, 16, 1, 2);
    CursorSound(keys, 2, 0);
    if (Confirmed()) {
        PlaySe(1);
        if (CursorActive().row == 0) {
            m_nSubState = 0;
            m_nState = LEAVE;
            g_SceneManager.g_nNextScene = SCENE_TITLE;
        } else {
            BackToMenu();
        }
        return;
    }
    if (Cancelled()) {
        PlaySe(2);
        BackToMenu();
        return;
    }
    DDClear(&g_BackBuffer, 16);
    DrawTextLines(x, 224, TEXT_TO_TITLE, 2, 1);
    DrawListCursor();
}

void cSaveScene::Leave() {
    // The next scene's Init resets the cursor.
    if (LeaveStep(SCENE_SAVE, false)) m_nState = -1;
}
