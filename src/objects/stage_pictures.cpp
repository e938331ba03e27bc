#include "objects/stage_pictures.h"

DDSurfaceVec g_StageBitmaps, g_StageSwords, g_StageEffects;
DDSurfaceDefVec g_StageBitmapDefs, g_StageSwordDefs, g_StageEffectDefs;
