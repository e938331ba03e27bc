// "System.ini": the settings step of start-up with the default key list of the system data.
#include "fuzz_support.h"

#include "app/system_ini.h"
#include "project/system_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile("System.ini", data, size)) return 0;
    static const std::vector<SysIniKey> keys = cSystemData().IniKeyList();
    cSystemIni ini;
    SysIniDefaults(ini, keys);
    ReadSystemIni("System.ini", ini, keys);
    for (int k = 0; k < 12; ++k)
        ini.Word(k);
    LoadSystemIni("System.ini");
    fuzz::TakeBoxCount();
    return 0;
}
