// The bitmap reader: every depth and layout it accepts, against files written byte by byte, and its
// refusal of damaged files (every prefix, random damage, hand-made overruns) without reading outside
// the data.
#include "bmp_bytes.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/gdi.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include <unistd.h>

using namespace gfx;

namespace {

std::vector<std::uint32_t> Decoded(const Dib& d) {
    std::vector<std::uint32_t> v;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            v.push_back(d.PixelArgb(x, y));
    return v;
}

TEST(BmpReader, EveryDepthAndLayoutGivesThePicture) {
    const auto samples = bmptest::Samples();
    ASSERT_EQ(samples.size(), 10u);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        Dib d;
        std::string why;
        ASSERT_TRUE(DecodeBmp(samples[i].bytes.data(), samples[i].bytes.size(), d, &why)) << i << " " << why;
        EXPECT_EQ(d.width, 4);
        EXPECT_EQ(d.height, 3);
        EXPECT_EQ(d.bits.size(), static_cast<std::size_t>(d.stride) * 3);
        EXPECT_EQ(Decoded(d), samples[i].argb) << "sample " << i;
    }
}

TEST(BmpReader, OneBitAndTableColours) {
    bmptest::Spec s{10, 2, 1};
    s.palette = {0x102030, 0xFFEEDD};
    s.raw = {1, 0, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    const auto bytes = bmptest::Build(s);
    Dib d;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), d));
    EXPECT_EQ(d.stride, 4);
    EXPECT_EQ(d.colours.size(), 2u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(d.PixelArgb(i % 10, i / 10), s.raw[i] ? 0xFFFFEEDDu : 0xFF102030u) << i;
    // Rows are kept bottom-up as a DIB section holds them: the top row is stored last.
    EXPECT_EQ(d.bits[4], 0x9C); // 1001 1100
    EXPECT_EQ(d.bits[5], 0x40); // 01
}

TEST(BmpReader, BitFieldMasksWiden) {
    // 32 bits with red in the low byte and a four-bit green.
    bmptest::Spec s{2, 1, 32};
    s.compression = 3;
    s.masks[0] = 0x000000FF;
    s.masks[1] = 0x00000F00;
    s.masks[2] = 0x00FF0000;
    s.raw = {0x00AB0F12, 0x00000800};
    const auto bytes = bmptest::Build(s);
    Dib d;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), d));
    EXPECT_EQ(d.PixelArgb(0, 0), 0xFF12FFABu);
    EXPECT_EQ(d.PixelArgb(1, 0), 0xFF008800u); // 4-bit 8 widens to 0x88
}

TEST(BmpReader, RunLengthDeltasAndOverruns) {
    // 8 x 2 RLE8: a move right by 3 and up by 1 leaves the skipped pixels at index 0.
    bmptest::Spec s{8, 2, 8};
    s.compression = 1;
    s.palette = {0, 0x111111, 0x222222};
    s.rleData = {2, 1, 0, 2, 3, 1, 3, 2, 0, 1};
    auto bytes = bmptest::Build(s);
    Dib d;
    std::string why;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), d, &why)) << why;
    // Bottom row: 1 1 then nothing; top row: columns 5..7 are 2.
    const std::uint32_t top[8] = {0, 0, 0, 0, 0, 2, 2, 2}, bottom[8] = {1, 1, 0, 0, 0, 0, 0, 0};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(d.PixelRaw(x, 0), top[x]) << x;
        EXPECT_EQ(d.PixelRaw(x, 1), bottom[x]) << x;
    }
    const std::vector<std::vector<std::uint8_t>> damaged = {
        {9, 1, 0, 1},                         // a run longer than the row
        {0, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, // a literal run longer than the row
        {0, 2, 9, 0, 0, 1},                   // a move past the right edge
        {0, 2, 0, 5, 0, 1},                   // a move past the top
        {2, 1},                               // no end
        {0, 5, 1, 1},                         // literal data cut short
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        s.rleData = damaged[i];
        bytes = bmptest::Build(s);
        EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size(), d, &why)) << i;
    }
}

TEST(BmpReader, DamagedHeadersAreRefused) {
    bmptest::Spec s{4, 3, 24};
    s.raw.assign(12, 0x123456);
    const auto good = bmptest::Build(s);
    Dib d;
    ASSERT_TRUE(DecodeBmp(good.data(), good.size(), d));
    auto patch32 = [&](std::size_t at, std::uint32_t v) {
        auto b = good;
        for (int k = 0; k < 4; ++k)
            b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
        return b;
    };
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases = {
        {"huge width", patch32(18, 100000)},
        {"huge height", patch32(22, 0x7FFFFFFF)},
        {"most negative height", patch32(22, 0x80000000u)},
        {"too many pixels",
         [&] {
             auto b = patch32(18, 16384);
             return b;
         }()},
        {"zero width", patch32(18, 0)},
        {"offset past the end", patch32(10, 0xFFFFFFF0u)},
        {"offset inside the header", patch32(10, 20)},
        {"unknown header size", patch32(14, 41)},
        {"unknown compression", patch32(30, 7)},
        {"depth 7",
         [&] {
             auto b = good;
             b[28] = 7;
             return b;
         }()},
        {"two planes",
         [&] {
             auto b = good;
             b[26] = 2;
             return b;
         }()},
        {"not BM",
         [&] {
             auto b = good;
             b[0] = 'X';
             return b;
         }()},
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size(), d)) << name;
    // A table longer than any picture can use is refused; one longer than this depth uses is read.
    bmptest::Spec p{2, 2, 4};
    p.palette.assign(257, 0);
    p.raw.assign(4, 0);
    auto pb = bmptest::Build(p);
    EXPECT_FALSE(DecodeBmp(pb.data(), pb.size(), d));
    p.palette.assign(256, 0x123456);
    pb = bmptest::Build(p);
    ASSERT_TRUE(DecodeBmp(pb.data(), pb.size(), d));
    EXPECT_EQ(d.PixelArgb(1, 1), 0xFF123456u);
}

TEST(BmpReader, EveryPrefixOfEveryFileIsRefused) {
    for (const auto& sample : bmptest::Samples()) {
        Dib d;
        for (std::size_t n = 0; n < sample.bytes.size(); ++n) {
            const std::vector<std::uint8_t> prefix(sample.bytes.begin(), sample.bytes.begin() + n);
            EXPECT_FALSE(DecodeBmp(prefix.data(), prefix.size(), d)) << n << " of " << sample.bytes.size();
        }
    }
}

TEST(BmpReader, RandomDamageNeverReadsOutside) {
    std::mt19937 rng(1234);
    const auto samples = bmptest::Samples();
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        auto bytes = samples[round % samples.size()].bytes;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < flips; ++k)
            bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        // Copied into a buffer of exactly its size so that the sanitizers see any read past the end.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        Dib d;
        if (DecodeBmp(exact.get(), bytes.size(), d)) {
            ++accepted;
            ASSERT_EQ(d.bits.size(), static_cast<std::size_t>(d.stride) * d.height);
            for (int y = 0; y < d.height; ++y)
                for (int x = 0; x < d.width; ++x)
                    (void)d.PixelArgb(x, y);
        }
    }
    EXPECT_GT(accepted, 0); // damage to pixel bytes alone still loads
}

class GdiBitmapFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("gfx_bmp_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(GdiBitmapFile, LoadImageGivesADibSection) {
    bmptest::Spec s{3, 2, 8};
    s.palette = {0x010203, 0x040506, 0x070809};
    s.raw = {0, 1, 2, 2, 1, 0};
    const std::string path = (dir_ / "pic.bmp").string();
    ASSERT_TRUE(bmptest::Write(path, bmptest::Build(s)));
    HANDLE h = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(h, nullptr);
    auto* bmp = static_cast<HBITMAP>(h);
    DIBSECTION ds;
    ASSERT_EQ(GetObject(bmp, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 3);
    EXPECT_EQ(ds.dsBm.bmHeight, 2);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 4);
    EXPECT_EQ(ds.dsBmih.biBitCount, 8);
    EXPECT_EQ(ds.dsBmih.biClrUsed, 3u);
    // Bottom-up bits: the first stored row is the bottom row (2 1 0).
    const auto* bits = static_cast<const std::uint8_t*>(ds.dsBm.bmBits);
    EXPECT_EQ(bits[0], 2);
    EXPECT_EQ(bits[4], 0);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
    RGBQUAD table[256];
    ASSERT_EQ(GetDIBColorTable(dc, 0, 256, table), 3u);
    EXPECT_EQ(table[2].rgbRed, 7);
    EXPECT_EQ(table[2].rgbBlue, 9);
    EXPECT_FALSE(DeleteObject(bmp)); // still selected
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_EQ(
        LoadImageA(nullptr, (dir_ / "missing.bmp").string().c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
        nullptr);
}

} // namespace
