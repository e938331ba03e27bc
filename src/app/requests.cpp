#include "app/requests.h"

std::atomic<int> g_bRequestDone{0};
std::atomic<int> g_bFileLoaded{0};
std::atomic<int> g_bNameDialogDone{0};
std::atomic<int> g_bNameDialogClosed{0};
