#include "ui/name_dialog.h"

#include "app/sjis.h"
#include "app/system_ini.h"
#include "platform/cp932.h"
#include "ui/desktop.h"
#include "ui/dialog_route.h"

namespace ui {
namespace {

enum : int { IDC_PICTURE = 1075, IDC_NAME = 1003, IDC_OK = 1000, IDC_LABEL = 1007 };

DialogTemplate NameTemplate() {
    return DialogTemplate{102,
                          110,
                          65,
                          WS_POPUP | WS_VISIBLE | WS_DLGFRAME,
                          "",
                          {
                              {IDC_PICTURE, WidgetType::Picture, "", 7, 7, 20, 21, 0},
                              {IDC_NAME, WidgetType::Edit, "", 75, 12, 24, 14, CS_TABSTOP},
                              {IDC_OK, WidgetType::PushButton, "OK", 30, 35, 50, 18, CS_TABSTOP | CS_DEFAULT},
                              {IDC_LABEL, WidgetType::Static, "登録名(3文字まで)", 15, 15, 56, 16, CS_GROUP},
                          }};
}

// The first `chars` characters of a CP932 text.
std::string FirstChars(const std::string& text, int chars) {
    std::size_t i = 0;
    for (int n = 0; n < chars && i < text.size(); ++n)
        i += (i + 1 < text.size() && IsSjisPair(text.c_str() + i)) ? 2 : 1;
    return text.substr(0, i);
}

} // namespace

cNameDialog::cNameDialog(std::string* name)
    : cDialog(NameTemplate()), m_Name(name ? name : &m_strScratch, NAME_DIALOG_CHARS, true) {
    SetWindowGeometry(0, 0, 100, 100, 640, 480, 0, false, 0, 0, 0, 0);
    // Full screen or in a window, the game area is at 0, 0 of the dialogs' desktop.
    const int left = 240, top = 220;
    SetRequestedPos(left, top);
    SetCursorPos(left + 80, top + 65);
}

void cNameDialog::OnInit(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnInit(wParam, lParam);
    AddControl(&m_Name, IDC_NAME);
    CopyIntoControls();
    SetFocus(GetDlgItem(IDC_NAME));
    SetSel(IDC_NAME, 0, -1);
    if (g_SystemIni.English) SetItemText(IDC_LABEL, "     Name");
}

win::LRESULT cNameDialog::OnCommand(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnCommand(wParam, lParam);
    if (static_cast<int>(wParam & 0xFFFF) == IDC_OK) {
        CopyBackFromControls();
        End(1);
    }
    return 1;
}

} // namespace ui

int RunNameDialog(std::string* name) {
    std::string scratch;
    if (!name) name = &scratch;
    std::string answer;
    ui::cDialogRoute route;
    switch (route.Decide(answer)) {
    case ui::Route::Widgets: {
        ui::cNameDialog dialog(name);
        return dialog.RunModal(0);
    }
    case ui::Route::Answer:
        if (answer.empty() || answer == "cancel") return 0;
        *name = ui::FirstChars(cp932::FromUtf8(answer), ui::NAME_DIALOG_CHARS);
        return 1;
    case ui::Route::Default:
        break;
    }
    return 0;
}
