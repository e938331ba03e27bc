// Stage files: the end-marker check and the load that the stage-load thread runs (here on this
// thread), the set-up parts kept as play keeps them, and the stage written into a replay and read
// back.
#include "fuzz_support.h"

#include "play/replay.h"
#include "project/save_data.h"
#include "project/stage_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    const std::string path = "data\\stg4\\fuzz.stg4_000";
    if (!fuzz::PutFile(path, data, size)) return 0;
    g_Stage.Clear();
    g_StageOriginal.Clear();
    if (CheckStageFile(path)) {
        g_Stage.m_strPath = path;
        StageLoadProc(nullptr);
        if (g_Stage.m_nLoaded && g_Stage.HasHero()) {
            KeepStageSetup(g_StageOriginal, g_Stage);
            const std::string replay = "user_data\\rpl4\\fuzz." + ReplayExtension();
            cReplay rec;
            rec.RecordFrame(1, 2);
            cSaveData save;
            ResetSaveData(save);
            if (WriteReplayFile(rec, replay, g_Stage, g_StageOriginal, save)) {
                cEdStage running, original;
                ReadReplayFile(rec, replay, running, original, save);
            }
        }
    }
    g_Stage.Clear();
    g_StageOriginal.Clear();
    g_Stage.m_nLoaded = 0;
    fuzz::TakeBoxCount();
    return 0;
}
