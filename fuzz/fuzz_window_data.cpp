// "user_data\Window.dat": the window placement, read as the window's restore reads it.
#include "fuzz_support.h"

#include "app/paths.h"
#include "shell/window_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile(g_PathTable[PATH_WINDOW_DAT], data, size)) return 0;
    g_WindowData = cWindowData();
    g_WindowData.LoadFile(g_PathTable[PATH_WINDOW_DAT]);
    return 0;
}
