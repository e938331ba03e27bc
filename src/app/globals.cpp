#include "app/globals.h"

win::HWND g_hWnd = nullptr;
