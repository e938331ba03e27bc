#include "app/checked_containers.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/str_format.h"
#include "platform/messages.h"

void ReportBadIndex(char kind, int index, int count, std::size_t elementSize) {
    std::string message;
    if (kind == 'V')
        StrFormat(message, "err V[%d] ( %d , %d )", index, count, static_cast<int>(elementSize));
    else
        StrFormat(message, "err L[%d] ( %d , %d )", index, count, static_cast<int>(elementSize));
    ECLog(message.c_str());
    Report("%s", message.c_str());
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}
