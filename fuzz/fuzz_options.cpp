// "user_data\Option.dat": loaded as start-up loads it, with the table indexes derived from it.
#include "fuzz_support.h"

#include "app/paths.h"
#include "project/option_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile(g_PathTable[PATH_OPTION_DAT], data, size)) return 0;
    g_OptionData = cOptionData();
    g_OptionData.LoadFile(g_PathTable[PATH_OPTION_DAT]);
    const int volume = g_OptionData.VolumeLevel();
    const int palette = g_OptionData.PaletteChoice();
    if (volume < 0 || volume >= cOptionData::VOLUME_LEVELS) __builtin_trap();
    if (palette < 0 || palette >= cOptionData::PALETTE_CHOICES) __builtin_trap();
    g_OptionData.SaveFile("user_data\\Option-out.dat");
    return 0;
}
