// Bitmap files: decoded from memory, then every pixel of the picture read (bounded).
#include "fuzz_support.h"

#include "platform/gfx/bmp.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gfx::Dib dib;
    std::string why;
    if (!gfx::DecodeBmp(data, size, dib, &why)) return 0;
    if (dib.width <= 0 || dib.height <= 0 || dib.width > gfx::kMaxBmpSide || dib.height > gfx::kMaxBmpSide)
        __builtin_trap(); // an accepted picture has a size inside the limits
    std::uint32_t sum = 0;
    const int w = std::min(dib.width, 256), h = std::min(dib.height, 256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sum += dib.PixelArgb(x, y) ^ dib.PixelRaw(x, y);
    sum += dib.PixelArgb(dib.width - 1, dib.height - 1);
    return sum == 1 ? 0 : 0;
}
