// "data\CommonPalette.cplt4": the start-up step that reads the common palette, then written back.
#include "fuzz_support.h"

#include "app/paths.h"
#include "project/common_palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile(g_PathTable[PATH_COMMON_PALETTE], data, size)) return 0;
    g_CommonPalette = cCommonPalette();
    if (LoadCommonPalette()) g_CommonPalette.SaveFile("data\\CommonPalette-out.cplt4");
    fuzz::TakeBoxCount();
    return 0;
}
