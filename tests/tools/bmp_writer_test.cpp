// The project writer's BMP files, read back by the player's own reader.
#include "tools/bmp_writer.h"

#include "fixtures/bytes.h"
#include "platform/gfx/bmp.h"

#include <gtest/gtest.h>

using bmp_writer::Picture;
using fixtures::Bytes;

TEST(DemoBmpWriter, OddWidthPictureBytesAndReadBack) {
    // 3 x 2 pixels: rows are padded to 4 bytes and stored bottom row first.
    Picture p = bmp_writer::MakePicture(3, 2, 0);
    p.at(0, 0) = 1;
    p.at(2, 0) = 2;
    p.at(1, 1) = 3;
    bmp_writer::Palette pal{};
    pal[1] = {10, 20, 30};
    fixtures::TempDir dir;
    ASSERT_TRUE(bmp_writer::WriteBmp8(dir.file("p.bmp"), p, pal));
    const Bytes bytes = fixtures::ReadAll(dir.file("p.bmp"));
    ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 8);
    const Bytes header(bytes.begin(), bytes.begin() + 14);
    EXPECT_EQ(header, (Bytes{'B', 'M', 0x3E, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0}));
    // Colour 1 is stored blue, green, red, 0.
    EXPECT_EQ(Bytes(bytes.begin() + 58, bytes.begin() + 62), (Bytes{30, 20, 10, 0}));
    EXPECT_EQ(Bytes(bytes.end() - 8, bytes.end()), (Bytes{0, 3, 0, 0, 1, 0, 2, 0}));

    gfx::Dib dib;
    ASSERT_TRUE(gfx::DecodeBmp(bytes.data(), bytes.size(), dib));
    EXPECT_EQ(dib.width, 3);
    EXPECT_EQ(dib.height, 2);
    EXPECT_EQ(dib.PixelRaw(0, 0), 1u);
    EXPECT_EQ(dib.PixelRaw(2, 0), 2u);
    EXPECT_EQ(dib.PixelRaw(1, 1), 3u);
    EXPECT_EQ(dib.PixelArgb(0, 0), 0xFF0A141Eu);

    EXPECT_FALSE(bmp_writer::WriteBmp8(dir.file("missing/p.bmp"), p, pal));
}
