// Saves: the same bytes as story slot 1 and as the challenge progress, loaded as the menus load
// them, the slot list built, and the progress used as play uses it.
#include "fuzz_support.h"

#include "app/paths.h"
#include "project/save_data.h"
#include "records/ed_chara_def.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile(cSaveData::SlotFileName(0), data, size)) return 0;
    if (!fuzz::PutFile(g_PathTable[PATH_CHALLENGE_DAT], data, size)) return 0;
    cCheckedVector<cSaveSlotInfo> slots;
    BuildSaveSlotList(slots);
    for (int mode = 0; mode < 2; ++mode) {
        ResetSaveData(g_SaveData);
        if (mode == 0)
            g_SaveData.LoadSlot(0);
        else
            g_SaveData.LoadChallenge();
        g_SaveData.SumStageValues();
        g_SaveData.MarkStageStart();
        g_SaveData.FindStageValue(g_SaveData.m_strStageName);
        g_SaveData.RecordStageValue("fuzz.", 7);
        cEdCharaDef hero;
        std::int32_t w3 = 0, w4 = 0, w5 = 0, c1 = 0, c2 = 0;
        for (int p = 0; p < 2; ++p) {
            g_SaveData.LoadCarryOver(p, hero, &w3, &w4, &w5);
            g_SaveData.LoadCarryOverCounters(p, c1, c2);
            g_SaveData.StoreCarryOver(p, hero, c1, c2, 0, 0, 0, w3, w4, w5);
        }
        g_SaveData.RestoreStageStart(true);
        g_SaveData.AdvanceStage();
        g_SaveData.ClearCarryOverFlags();
        g_SaveData.SaveFile("user_data\\story\\out.dat");
    }
    ResetSaveData(g_SaveData);
    fuzz::TakeBoxCount();
    return 0;
}
