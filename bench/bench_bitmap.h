// The pictures the benchmarks load: uncompressed 24-bit bitmap files written to the benchmarks'
// temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_temp.h"

namespace bench {

// Writes a w x h 24-bit bitmap named `name` in the benchmarks' temporary folder, bottom row first, the colour
// of each pixel 0xRRGGBB from pixel(x, y); the file's path.
template <class Pixel> std::string WriteBitmap24(const char* name, int w, int h, Pixel pixel) {
    const std::string path = (TempFolder() / name).string();
    const int stride = (w * 3 + 3) & ~3;
    std::vector<std::uint8_t> b{'B', 'M'};
    auto put = [&b](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(54 + stride * h, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(w, 4);
    put(h, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(stride * h, 4);
    put(0, 16);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            put(pixel(x, y), 3);
        put(0, stride - w * 3);
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

} // namespace bench
