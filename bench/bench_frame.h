// How the drawing benchmarks end a frame they do not present: the back buffer keeps its draws back
// until its pixels are needed, so a benchmark of drawing has them run as a present would.
#pragma once

#include "draw/draw.h"
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

} // namespace bench
