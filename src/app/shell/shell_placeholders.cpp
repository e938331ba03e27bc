#include "app/shell/shell_placeholders.h"

#include "app/requests.h"

void StopBgm() {}

bool HandleRequestPlaceholder(win::UINT msg, win::WPARAM, win::LPARAM) {
    switch (msg) {
    case win::WM_USER + 1:
        g_bNameDialogDone = 1;
        return true;
    case win::WM_USER + 2:
    case win::WM_USER + 3:
    case win::WM_USER + 4:
        g_bFileLoaded = 0;
        g_bRequestDone = 1;
        return true;
    case win::WM_USER + 6:
        return true;
    default:
        return false;
    }
}
