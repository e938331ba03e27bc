#include "ui/boot_dialog.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/paths.h"
#include "app/system_ini.h"
#include "platform/messages.h"
#include "project/boot_data.h"
#include "project/system_data.h"
#include "ui/desktop.h"
#include "ui/dialog_route.h"

#include <string>

namespace ui {
namespace {

enum : int {
    IDC_PICTURE = 1075,
    IDC_START = 1000,
    IDC_QUIT = 1001,
    IDC_MODE_GROUP = 1006,
    IDC_D3D = 1002,
    IDC_DDRAW = 1003,
    IDC_NOTE = 1005,
    IDC_NOASK = 1004,
};

DialogTemplate BootTemplate() {
    return DialogTemplate{
        103,
        222,
        171,
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
        "",
        {
            {IDC_PICTURE, WidgetType::Picture, "", 7, 7, 20, 21, 0},
            {IDC_START, WidgetType::PushButton, "ゲーム開始", 80, 105, 50, 25, CS_TABSTOP | CS_DEFAULT},
            {IDC_QUIT, WidgetType::PushButton, "ゲーム中止", 80, 140, 50, 18, CS_TABSTOP},
            {IDC_MODE_GROUP, WidgetType::GroupBox, "描画モード", 15, 15, 190, 55, 0},
            {IDC_D3D, WidgetType::RadioButton, "Direct3D", 20, 30, 42, 10, CS_TABSTOP},
            {IDC_DDRAW, WidgetType::RadioButton, "DirectDraw", 80, 30, 45, 10, CS_TABSTOP},
            {IDC_NOTE, WidgetType::Static, "詳細な設定は環境設定ファイル「System.ini」で行って下さい。", 20,
             50, 177, 12, CS_GROUP},
            {IDC_NOASK, WidgetType::CheckBox, "次回からこのダイアログを表示しない", 50, 85, 120, 10,
             CS_TABSTOP},
        }};
}

// Keeps the choice for the next start. It applies to this run even when it cannot be stored; the
// user, who asked for it to be kept, is told so.
void StoreChoice() {
    if (!g_BootData.SaveFile(g_PathTable[PATH_BOOT_DAT]))
        ErrorBox("%s の書き込みに失敗！", g_PathTable[PATH_BOOT_DAT].c_str());
}

} // namespace

cBootDialog::cBootDialog()
    : cDialog(BootTemplate()), m_D3D(&g_BootData.nDrawMode, 1), m_DDraw(&g_BootData.nDrawMode, 0),
      m_NoAsk(&g_BootData.bNoAsk) {
    SetWindowGeometry(0, 0, 100, 100, 640, 480, 0, false, 0, 0, 0, 0);
    // Over the middle of the game area (which is at 0, 0 of the dialogs' desktop).
    const int left = 320 - 187, top = 240 - 136;
    SetRequestedPos(left, top);
    SetCursorPos(left + 181, top + 198);
}

void cBootDialog::OnInit(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnInit(wParam, lParam);
    SetCaption(g_SystemData.m_strTitle);
    AddControl(&m_D3D, IDC_D3D);
    AddControl(&m_DDraw, IDC_DDRAW);
    AddControl(&m_NoAsk, IDC_NOASK);
    const bool noteFound = AddControl(&m_Note, IDC_NOTE);
    CopyIntoControls();
    if (g_SystemIni.English) {
        SetItemText(IDC_MODE_GROUP, "Drawing mode");
        SetItemText(IDC_START, "Start");
        SetItemText(IDC_QUIT, "Cancel");
        SetItemText(IDC_NOASK, "Do not ask this dialog again");
        if (!noteFound) {
            DebugErrorBox("コントロールID 【%u】 が見つかりません！", static_cast<unsigned>(IDC_NOTE));
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        } else {
            SetItemText(IDC_NOTE, "Configure the detail settings at \"System.ini\".");
        }
    }
}

win::LRESULT cBootDialog::OnCommand(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnCommand(wParam, lParam);
    switch (static_cast<int>(wParam & 0xFFFF)) {
    case IDC_START:
        CopyBackFromControls();
        End(1);
        break;
    case IDC_QUIT:
        End(0);
        break;
    default:
        break;
    }
    return 1;
}

} // namespace ui

int RunBootDialog() {
    std::string answer;
    ui::cDialogRoute route;
    switch (route.Decide(answer)) {
    case ui::Route::Widgets: {
        ui::cBootDialog dialog;
        if (dialog.RunModal(0) != 1) return 0;
        break;
    }
    case ui::Route::Answer:
        if (answer == "cancel") return 0;
        if (answer.rfind("direct3d", 0) == 0) g_BootData.nDrawMode = 1;
        if (answer.rfind("directdraw", 0) == 0) g_BootData.nDrawMode = 0;
        if (answer.find("noask") != std::string::npos) g_BootData.bNoAsk = 1;
        break;
    case ui::Route::Default:
        break;
    }
    ui::StoreChoice();
    return 1;
}
