// "user_data\KeyConfig.dat": read as start-up reads it, then input sampled with it a few frames
// (the platform's key and joystick state, nothing pressed).
#include "fuzz_support.h"

#include "app/input.h"
#include "app/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile(g_PathTable[PATH_KEYCONFIG_DAT], data, size)) return 0;
    InitInputRecords();
    for (int frame = 0; frame < 3; ++frame)
        UpdateInput(g_Inputs);
    return 0;
}
