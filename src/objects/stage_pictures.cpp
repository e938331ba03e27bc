#include "objects/stage_pictures.h"

DDSurfaceVec g_StageBitmaps, g_StageSwords, g_StageEffects;
DDSurfaceDefVec g_StageBitmapDefs, g_StageSwordDefs, g_StageEffectDefs;

DDSURFACEDATA* StageSwordPicture(int type, int record) {
    const int k = 4 * (type - 1) + record;
    return type >= 1 && record >= 0 && record < 4 && k < g_StageSwords.Count() ? &g_StageSwords.at(k)
                                                                               : nullptr;
}
