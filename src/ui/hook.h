// The keyboard hook of the dialogs: makes certain keys reach a dialog window itself (not only the
// control with the focus) while leaving the keys of a running input-method composition to the input
// method. One hook serves every dialog of the window thread; a dialog takes part by carrying the
// hook's property, set by Install.
#pragma once
#include "platform/win_types.h"

namespace ui {

class cDialog;

class cHook {
  public:
    // Serves `dialog`; installs the thread's hook when none is installed yet. True when the hook is
    // (already or now) installed.
    bool Install(cDialog* dialog, int flag);
    // Removes the thread's hook.
    static void Uninstall();
    static bool IsInstalled();
    // How often the thread's hook has been set since start (tests: a second dialog adds none).
    static int InstallCount();
    // Whether Ctrl is held, as the hook last saw it.
    static bool CtrlHeld();

    // A key event on its way to the active dialog. `composing` tells whether the input method has a
    // composition open. Posts WM_USER_HOOKKEY, WM_KEYDOWN or WM_KEYUP to the dialog as the rules say;
    // the key then goes on to the control with the focus in every case.
    static void Proc(cDialog* active, int vk, win::DWORD keyData, bool composing);

    cDialog* m_pDialog = nullptr;
    int m_nFlag = 0;
};

// Key data of a key event: repeat count 1, bit 30 for a repeat, bit 31 for a release.
win::DWORD KeyData(bool release, bool repeat);

} // namespace ui
