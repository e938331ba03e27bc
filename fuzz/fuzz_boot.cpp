// "user_data\Boot.dat": the start-up choice of the drawing back-end.
#include "fuzz_support.h"

#include "app/paths.h"
#include "project/boot_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile(g_PathTable[PATH_BOOT_DAT], data, size)) return 0;
    g_BootData = cBootData();
    if (g_BootData.LoadFile(g_PathTable[PATH_BOOT_DAT])) g_BootData.SaveFile("user_data\\Boot-out.dat");
    return 0;
}
