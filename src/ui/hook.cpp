#include "ui/hook.h"

#include "platform/keyboard.h"
#include "ui/dialog.h"
#include "ui/message_names.h"

namespace ui {
namespace {

bool g_bInstalled = false;
int g_nInstalls = 0;
bool g_bCtrl = false;

// Keys handed to the dialog window itself when no composition runs.
bool IsHookKey(int vk) {
    switch (vk) {
    case win::VK_SPACE:
    case win::VK_LEFT:
    case win::VK_UP:
    case win::VK_RIGHT:
    case win::VK_DOWN:
    case win::VK_DELETE:
        return true;
    default:
        return vk >= win::VK_F1 && vk <= win::VK_F1 + 7;
    }
}

} // namespace

win::DWORD KeyData(bool release, bool repeat) {
    return 1u | (repeat || release ? 1u << 30 : 0u) | (release ? 1u << 31 : 0u);
}

bool cHook::Install(cDialog* dialog, int flag) {
    m_pDialog = dialog;
    m_nFlag = flag;
    if (dialog) dialog->m_pHookProp = this;
    if (!g_bInstalled) {
        g_bInstalled = true;
        ++g_nInstalls;
    }
    return g_bInstalled;
}

void cHook::Uninstall() {
    g_bInstalled = false;
}

bool cHook::IsInstalled() {
    return g_bInstalled;
}

int cHook::InstallCount() {
    return g_nInstalls;
}

bool cHook::CtrlHeld() {
    return g_bCtrl;
}

void cHook::Proc(cDialog* active, int vk, win::DWORD keyData, bool composing) {
    if (!g_bInstalled || !active || !active->m_pHookProp || active->m_pHookProp->m_pDialog != active) return;
    const cHook* hook = active->m_pHookProp;
    if (keyData & (1u << 31)) {
        if (vk == win::VK_CONTROL || vk == win::VK_LCONTROL || vk == win::VK_RCONTROL) g_bCtrl = false;
        if (!(hook->m_nFlag != 0 && g_bCtrl))
            active->Post(win::WM_KEYUP, static_cast<win::WPARAM>(vk), static_cast<win::LPARAM>(keyData));
        return;
    }
    if (vk == win::VK_RETURN) {
        // Enter belongs to the input method while it composes: it commits the composition.
        if (composing) return;
    } else if (vk == win::VK_TAB) {
        return;
    } else {
        if (!composing && IsHookKey(vk)) {
            active->Post(WM_USER_HOOKKEY, static_cast<win::WPARAM>(vk), static_cast<win::LPARAM>(keyData));
            return;
        }
        if (vk == win::VK_CONTROL || vk == win::VK_LCONTROL || vk == win::VK_RCONTROL) g_bCtrl = true;
    }
    if (!(hook->m_nFlag != 0 && g_bCtrl))
        active->Post(win::WM_KEYDOWN, static_cast<win::WPARAM>(vk), static_cast<win::LPARAM>(keyData));
}

} // namespace ui
