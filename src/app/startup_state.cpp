#include "app/startup_state.h"

int g_bWindowed = 0;
int g_nScreenBpp = 0;
int g_bStartFile = 0;
