#include "app/play_se.h"

#include "app/globals.h"
#include "platform/messages.h"

void PlaySe(int n) {
    // Nobody uses the result: the caller goes on while the window thread plays it in turn.
    win::QueueRequest(g_hWnd, win::WM_USER + 5, static_cast<win::WPARAM>(n), 0);
}

void PlayUserSe(std::int16_t n) {
    if (n == 0) return;
    PlaySe(static_cast<int>(n) + 16);
}
