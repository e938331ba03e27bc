// "data\WorldMap.dat": loaded as start-up loads it, then every cell and node looked up as the world
// map scene does, and written back.
#include "fuzz_support.h"

#include "app/paths.h"
#include "project/world_map.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    const std::string& path = g_PathTable[PATH_WORLDMAP];
    if (!fuzz::PutFile(path, data, size)) return 0;
    g_WorldMap = cWorldMap();
    if (!g_WorldMap.LoadFile(path)) return 0;
    // The lookups cover the grid and a margin round it, bounded so that a large map stays quick.
    const std::int32_t w = std::min(g_WorldMap.width, 64) + 2;
    const std::int32_t h = std::min(g_WorldMap.height, 64) + 2;
    std::int64_t sum = 0;
    for (std::int32_t y = -1; y < h; ++y)
        for (std::int32_t x = -1; x < w; ++x) {
            sum += g_WorldMap.CellAt(x, y);
            if (cWorldMapNode* node = g_WorldMap.FindNode(x, y)) sum += node->m_Entries.Count();
        }
    g_WorldMap.FindNode(g_WorldMap.startX, g_WorldMap.startY);
    g_WorldMap.SaveFile("data\\WorldMap-out.dat");
    return sum == -1;
}
