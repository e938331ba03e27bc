// Writes bitmap files byte by byte for the tests: headers, colour tables and rows laid out as the
// file format describes them, not through the reader under test.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmptest {

struct Spec {
    Spec(int w, int h, int b) : width(w), height(h), bpp(b) {}
    int width = 0, height = 0, bpp = 24;
    bool topDown = false;
    std::uint32_t compression = 0;      // 0 RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS
    std::vector<std::uint32_t> palette; // 0x00RRGGBB entries
    std::uint32_t masks[3] = {0, 0, 0}; // with BITFIELDS
    std::vector<std::uint32_t> raw;     // top-down raw pixel values (index or packed)
    std::vector<std::uint8_t> rleData;  // compressed pixel data as given
};

// A picture of every depth and channel layout a file can hold, w x h: its table (for 8 bits or
// fewer) and masks set; its pixel values are the caller's (see HashedPixel).
inline std::vector<Spec> EveryLayout(int w, int h) {
    const struct {
        int bpp;
        std::uint32_t compression, r, g, b;
    } kinds[] = {{1, 0, 0, 0, 0},
                 {4, 0, 0, 0, 0},
                 {8, 0, 0, 0, 0},
                 {16, 0, 0, 0, 0},                              // 5-5-5
                 {16, 3, 0xF800, 0x07E0, 0x001F},               // 5-6-5
                 {16, 3, 0x0F00, 0x00F0, 0x000F},               // 4-4-4
                 {24, 0, 0, 0, 0},                              //
                 {32, 0, 0, 0, 0},                              // 8-8-8
                 {32, 3, 0x3FF00000, 0x000FFC00, 0x000003FF},   // 10-10-10
                 {32, 3, 0xFFFF0000u, 0x0000FF00, 0x000000FF}}; // a 16-bit red
    std::vector<Spec> specs;
    for (const auto& k : kinds) {
        Spec s(w, h, k.bpp);
        s.compression = k.compression;
        s.masks[0] = k.r, s.masks[1] = k.g, s.masks[2] = k.b;
        if (k.bpp <= 8) s.palette = {0x102030, 0xFF8000, 0x00FF7F, 0x123456, 0xFEDCBA};
        specs.push_back(s);
    }
    return specs;
}

// A scattered raw value for pixel number i (from 1) at depth bpp: every bit of the depth occurs, and
// palette indices past a short table too.
inline std::uint32_t HashedPixel(std::uint32_t i, int bpp) {
    const std::uint32_t all = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
    return (0x9E3779B9u * i >> 7) & all;
}

inline void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

inline std::vector<std::uint8_t> Build(const Spec& s) {
    const int stride = ((s.width * s.bpp + 31) / 32) * 4;
    std::vector<std::uint8_t> pixels;
    if (s.compression == 1 || s.compression == 2) {
        pixels = s.rleData;
    } else {
        pixels.assign(static_cast<std::size_t>(stride) * s.height, 0);
        for (int y = 0; y < s.height; ++y) {
            const int fileRow = s.topDown ? y : s.height - 1 - y;
            std::uint8_t* row = pixels.data() + static_cast<std::size_t>(fileRow) * stride;
            for (int x = 0; x < s.width; ++x) {
                const std::uint32_t v = s.raw[static_cast<std::size_t>(y) * s.width + x];
                switch (s.bpp) {
                case 1:
                    row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[x] = static_cast<std::uint8_t>(v);
                    break;
                case 16:
                    row[x * 2] = static_cast<std::uint8_t>(v);
                    row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                case 24:
                    row[x * 3] = static_cast<std::uint8_t>(v);
                    row[x * 3 + 1] = static_cast<std::uint8_t>(v >> 8);
                    row[x * 3 + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
                default:
                    for (int k = 0; k < 4; ++k)
                        row[x * 4 + k] = static_cast<std::uint8_t>(v >> (8 * k));
                    break;
                }
            }
        }
    }
    std::vector<std::uint8_t> info;
    Put32(info, 40);
    Put32(info, static_cast<std::uint32_t>(s.width));
    Put32(info, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
    Put16(info, 1);
    Put16(info, static_cast<std::uint32_t>(s.bpp));
    Put32(info, s.compression);
    Put32(info, static_cast<std::uint32_t>(pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, static_cast<std::uint32_t>(s.palette.size()));
    Put32(info, 0);
    if (s.compression == 3)
        for (std::uint32_t m : s.masks)
            Put32(info, m);
    for (std::uint32_t c : s.palette)
        Put32(info, c & 0xFFFFFF); // B, G, R, 0
    std::vector<std::uint8_t> file = {'B', 'M'};
    const std::uint32_t off = 14 + static_cast<std::uint32_t>(info.size());
    Put32(file, off + static_cast<std::uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, off);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

inline bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A 4 x 3 picture at each depth, all showing the same colours: magenta key (255, 0, 255) at (1, 0) and
// (3, 2), other pixels distinct colours representable exactly at every depth.
struct Sample {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> argb; // expected, top-down
};

inline std::vector<Sample> Samples() {
    // Colours with 5-bit-exact channels (multiples of 8 plus the widening's low bits).
    const std::uint32_t key = 0xFF00FF;
    const std::uint32_t colours[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const std::uint32_t picture[12] = {0, 9, 1, 2, 3, 1, 2, 0, 3, 3, 0, 9}; // 9 = key
    std::vector<Sample> out;
    auto expected = [&] {
        std::vector<std::uint32_t> v;
        for (std::uint32_t p : picture)
            v.push_back(0xFF000000u | (p == 9 ? key : colours[p]));
        return v;
    };
    for (int bpp : {4, 8}) {
        Spec s{4, 3, bpp};
        s.palette = {colours[0], colours[1], colours[2], colours[3], 0x123456, key};
        for (std::uint32_t p : picture)
            s.raw.push_back(p == 9 ? 5 : p);
        out.push_back({Build(s), expected()});
    }
    {
        Spec s{4, 3, 16};
        auto pack = [](std::uint32_t c) {
            return ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31);
        };
        for (std::uint32_t p : picture)
            s.raw.push_back(pack(p == 9 ? key : colours[p]));
        out.push_back({Build(s), expected()});
        s.compression = 3;
        s.masks[0] = 0xF800;
        s.masks[1] = 0x07E0;
        s.masks[2] = 0x001F;
        s.raw.clear();
        for (std::uint32_t p : picture) {
            const std::uint32_t c = p == 9 ? key : colours[p];
            s.raw.push_back(((c >> 19) & 31) << 11 | ((c >> 10) & 63) << 5 | ((c >> 3) & 31));
        }
        out.push_back({Build(s), expected()});
    }
    // Run-length pictures, rows bottom-up: runs, literal runs and row ends as the format defines them.
    {
        Spec s{4, 3, 8};
        s.compression = 1;
        s.palette = {colours[0], colours[1], colours[2], colours[3], 0x123456, key};
        s.rleData = {2, 3, 1, 0, 1, 5, 0, 0,  // bottom row: 3 3 0 5
                     0, 4, 3, 1, 2, 0, 0, 0,  // literal 3 1 2 0
                     0, 4, 0, 5, 1, 2, 0, 1}; // literal 0 5 1 2, end of picture
        out.push_back({Build(s), expected()});
        s.bpp = 4;
        s.compression = 2;
        s.rleData = {2, 0x33, 1,    0x00, 1, 0x55, 0, 0, // 3 3 | 0 | 5
                     0, 4,    0x31, 0x20, 0, 0,          // literal nibbles 3 1 2 0
                     0, 4,    0x05, 0x12, 0, 1};         // literal 0 5 1 2, end of picture
        out.push_back({Build(s), expected()});
    }
    for (int bpp : {24, 32}) {
        Spec s{4, 3, bpp};
        for (std::uint32_t p : picture)
            s.raw.push_back(p == 9 ? key : colours[p]);
        out.push_back({Build(s), expected()});
        s.topDown = true;
        out.push_back({Build(s), expected()});
    }
    return out;
}

} // namespace bmptest
