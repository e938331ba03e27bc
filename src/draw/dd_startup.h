// What start-up and shut-down ask of the drawing library: the display with its one fall-back from
// Direct3D to DirectDraw, the system-surface array built from the system bitmap table, the palette
// and the transparent colour.
#pragma once

#include "draw/draw.h"
#include "project/system_bitmaps.h"

// The system surfaces (entry k belongs to record k of the system bitmap table) and their creation
// records as the drawing library reads them.
extern DDSURFACEDATA g_SystemSurfaces[SYSTEM_BITMAP_COUNT];
extern SURFACEDEF g_SystemSurfaceDefs[SYSTEM_BITMAP_COUNT];

// The texture-failure message shown before the program closes when a texture cannot be made.
extern const char* const DD_TEXTURE_FAILURE_TEXT;

// Copies system bitmap records into creation records ("E" and an empty name mean no file).
void DDTableFromSystemBitmaps(SURFACEDEF* out, const SYSTEMBITMAP* in, int count);

// Sets up the display as start-up does: Direct3D when bUseD3D is set, and when that fails the
// display is ended, the window shown again, bUseD3D cleared and DirectDraw tried once. A second
// failure writes "DDInit失敗" to the EC log and returns false. Installs the frame loop's hooks.
bool DDStartUpDisplay(int& bUseD3D, win::HWND hWnd, int nBpp, int bVSync, int nWindowMode);

// Shut-down: releases the system surfaces and ends the display.
void DDShutDown();
