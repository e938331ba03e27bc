#include "blend_table.h"

#include <array>
#include <cstdio>
#include <filesystem>

namespace blend_table {

namespace {

int Distance(const bmp_writer::Rgb& c, int r, int g, int b) {
    const int dr = c.r - r, dg = c.g - g, db = c.b - b;
    return dr * dr + dg * dg + db * db;
}

// The first palette index of the smallest distance to (r, g, b).
std::uint8_t Nearest(const bmp_writer::Palette& palette, int r, int g, int b) {
    int best = 0;
    int bestDistance = Distance(palette[0], r, g, b);
    for (int i = 1; i < 256 && bestDistance > 0; ++i) {
        const int d = Distance(palette[i], r, g, b);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

} // namespace

bmp_writer::Palette PaletteVariant(const bmp_writer::Palette& base, int n) {
    bmp_writer::Palette out = base;
    if (n < 0 || n >= kVariants) return out;
    for (int block = 0; block < 12; ++block)
        for (int s = 0; s < 16; ++s) {
            const int from = n < 12 ? 16 + ((block + n) % 12) * 16 + s : 16 * (n - 11) + s;
            out[16 + block * 16 + s] = base[from];
        }
    return out;
}

std::vector<std::uint8_t> Compute(const bmp_writer::Palette& palette) {
    std::vector<std::uint8_t> table(kTableSize);
    // Cube cell -> nearest index + 1 (0 = not computed yet); each cell is matched at its centre.
    std::vector<std::uint16_t> cube(32 * 32 * 32, 0);
    for (int a = 0; a < 256; ++a) {
        table[a * 256 + a] = Nearest(palette, palette[a].r, palette[a].g, palette[a].b);
        for (int b = a + 1; b < 256; ++b) {
            const int r = (palette[a].r + palette[b].r) / 2;
            const int g = (palette[a].g + palette[b].g) / 2;
            const int bl = (palette[a].b + palette[b].b) / 2;
            const int cell = ((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3);
            if (cube[cell] == 0)
                cube[cell] = static_cast<std::uint16_t>(
                    Nearest(palette, (r & ~7) + 4, (g & ~7) + 4, (bl & ~7) + 4) + 1);
            const auto index = static_cast<std::uint8_t>(cube[cell] - 1);
            table[a * 256 + b] = index;
            table[b * 256 + a] = index;
        }
    }
    return table;
}

bool WriteAll(const std::string& folder, const bmp_writer::Palette& base) {
    const std::filesystem::path dir = std::filesystem::path(folder) / "bmp" / "hbt";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int n = 0; n < kVariants; ++n) {
        const std::vector<std::uint8_t> table = Compute(PaletteVariant(base, n));
        char name[16];
        std::snprintf(name, sizeof name, "hbt%02d.dat", n);
        std::FILE* fp = std::fopen((dir / name).string().c_str(), "wb");
        if (!fp) return false;
        const bool wrote = std::fwrite(table.data(), 1, table.size(), fp) == table.size();
        if (std::fclose(fp) != 0 || !wrote) return false;
    }
    return true;
}

} // namespace blend_table
