#include "app/shell/win_main.h"

int WinMain(int, char**) { return 0; }
