// "data\System.dat": the system-data step of start-up, then the settings step whose key list the
// system data declares, the values the menus derive from the data, and a new game's progress
// saved with it.
#include "fuzz_support.h"

#include "project/save_data.h"
#include "project/system_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    static bool prepared = false;
    if (!prepared) {
        const char ini[] = "[System]\nDirect3D=0\nWindowMode=1\n";
        fuzz::PutFile("System.ini", reinterpret_cast<const std::uint8_t*>(ini), sizeof ini - 1);
        prepared = true;
    }
    if (!fuzz::PutFile(SYSTEM_DATA_PATH, data, size)) return 0;
    g_SystemData = cSystemData();
    if (LoadSystemData()) {
        LoadSystemIni();
        g_SystemData.ClampMenuBgm();
        for (int n = 0; n < 3; ++n)
            g_SystemData.CountEnabledEntries(n);
        for (int n = 0; n < g_SystemData.m_vStatusItems.Count(); ++n)
            g_SystemData.ReachesLimit(n, 10, 100);
        const int texts = g_SystemData.m_vstrTexts.Count();
        g_SystemData.CenteredTextX(320, 0, texts, 1);
        g_SystemData.TextLinesBlock(0, texts, 1);
        g_SystemData.SaveFile("data\\System-out.dat");
        // A new game's progress is sized by the system data when it is saved.
        ResetSaveData(g_SaveData);
        g_SaveData.SaveFile("user_data\\story\\out.dat");
    }
    fuzz::TakeBoxCount();
    return 0;
}
