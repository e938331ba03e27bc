// The stage's picture vectors, which the objects draw from: four records per database entry from
// entry 1: the picture, its cells mirrored, and the same two in system memory (views of the first
// under Direct3D). The stage drawing loads and releases them.
#pragma once

#include "draw/draw.h"

extern DDSurfaceVec g_StageBitmaps, g_StageSwords, g_StageEffects;
extern DDSurfaceDefVec g_StageBitmapDefs, g_StageSwordDefs, g_StageEffectDefs;

// The stage's picture of sword type `type` (from 1) as record `record`: 0 the picture, 1 the same
// with its cells mirrored, 2 and 3 those two in system memory. Null when there is none.
DDSURFACEDATA* StageSwordPicture(int type, int record);
