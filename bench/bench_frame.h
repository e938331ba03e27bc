// How the drawing benchmarks end a frame they do not present: the back buffer keeps its draws back
// until its pixels are needed, so a benchmark of drawing has them run as a present would.
#pragma once

#include "draw/draw.h"
#include "platform/gfx/sim.h"
#include <utility>

namespace bench {

// Runs the draws the back buffer kept back in the rows whose draws changed since the last frame, as
// the present does (a frame drawn as the one before costs little).
inline void RunKeptDraws() {
    for (DDSURFACEDATA* sd : {&g_BackBuffer, &g_VirBackBuffer}) {
        if (sd->lpDT && sd->lpDT->lpSurface) (void)std::as_const(*sd->lpDT->lpSurface).Pixels();
        if (sd->lpDDSide && sd->lpDDSide->lpSurface) (void)std::as_const(*sd->lpDDSide->lpSurface).Pixels();
    }
}

// Runs them in every row, as in a frame where everything moved: the pixels are then taken as written
// by unknown draws, so the next frame runs its draws in every row as well.
inline void RunKeptDrawsEverywhere() {
    for (DDSURFACEDATA* sd : {&g_BackBuffer, &g_VirBackBuffer}) {
        if (sd->lpDT && sd->lpDT->lpSurface) (void)sd->lpDT->lpSurface->Pixels();
        if (sd->lpDDSide && sd->lpDDSide->lpSurface) (void)sd->lpDDSide->lpSurface->Pixels();
    }
}

// A 640 x 480 display at 32 bits in a window on back-end bD3D, without waits for the vertical blank,
// from a fresh simulated screen; false when it could not be set up.
inline bool StartScreen(int bD3D) {
    gfx::sim::ResetSimulation();
    gfx::sim::SetVerticalBlankEmulation(false);
    return DDInit(bD3D, nullptr, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0) != 0;
}

// Ends the display and forgets its surfaces, so that the next benchmark starts from none.
inline void EndScreen() {
    DDEnd();
    g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
}

} // namespace bench
