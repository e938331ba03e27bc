#include "shell/program_icon.h"

#include <cstdint>
#include <vector>

namespace {

constexpr int kSize = 32;

// A 5 x 7 letter "M", drawn 3 pixels to a dot.
const char* const kLetter[7] = {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"};

} // namespace

win::HICON ExtractProgramIcon() {
    std::vector<std::uint32_t> pixels(kSize * kSize, 0);
    // A green disc with a dark rim and a light upper half.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const int dx = 2 * x + 1 - kSize, dy = 2 * y + 1 - kSize;
            const int d2 = dx * dx + dy * dy;
            if (d2 > kSize * kSize) continue;
            std::uint32_t colour = y < kSize / 2 ? 0xFF3CB464u : 0xFF2E8C4Eu;
            if (d2 > (kSize - 4) * (kSize - 4)) colour = 0xFF14462Au;
            pixels[y * kSize + x] = colour;
        }
    // The white letter in the middle.
    const int x0 = (kSize - 5 * 3) / 2, y0 = (kSize - 7 * 3) / 2;
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c) {
            if (kLetter[r][c] != '#') continue;
            for (int k = 0; k < 9; ++k)
                pixels[(y0 + r * 3 + k / 3) * kSize + x0 + c * 3 + k % 3] = 0xFFFFFFFFu;
        }
    return win::CreateIconFromPixels(kSize, kSize, pixels.data());
}
