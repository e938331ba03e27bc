// The project writer's picture drawing, BMP files and synthesised sounds.
#include "../../tools/bmp_writer.h"
#include "../../tools/demo_sounds.h"
#include "../../tools/synth.h"

#include "fixtures/bytes.h"
#include "platform/gfx/bmp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

using bmp_writer::Picture;
using fixtures::Bytes;

namespace {

int Count(const Picture& p, std::uint8_t index) {
    int n = 0;
    for (std::uint8_t v : p.pixels)
        n += v == index;
    return n;
}

} // namespace

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

TEST(DemoBmpWriter, ShapesStayInsideThePicture) {
    // Every shape partly outside: only the inside is drawn (the sanitizers watch the rest).
    Picture p = bmp_writer::MakePicture(10, 8, 0);
    bmp_writer::FillRect(p, -5, -5, 8, 8, 1);
    EXPECT_EQ(Count(p, 1), 9);
    bmp_writer::FillEllipse(p, 10, 8, 4, 4, 2);
    EXPECT_GT(Count(p, 2), 5);
    EXPECT_LT(Count(p, 2), 17);
    const double xs[3] = {-20, 30, 5}, ys[3] = {-10, -10, 40};
    bmp_writer::FillPolygon(p, xs, ys, 3, 3);
    EXPECT_GT(Count(p, 3), 0);
    bmp_writer::Line(p, -10, 3, 20, 3, 4);
    EXPECT_EQ(Count(p, 4), 10);
    Picture q = bmp_writer::MakePicture(4, 4, 5);
    bmp_writer::Blit(p, 8, 6, q, 0, 0, 4, 4);
    EXPECT_EQ(Count(p, 5), 4); // (8..9, 6..7)
    bmp_writer::Blit(p, 0, 0, q, -1, -1, 2, 2);
    EXPECT_EQ(Count(p, 5), 5); // only q's (0, 0), at (1, 1)
    EXPECT_EQ(p.at(1, 1), 5);

    // A triangle takes the pixels whose centres lie inside it: below x + y = 4.2 in a 4 x 4 square.
    Picture t = bmp_writer::MakePicture(4, 4, 0);
    const double tx[3] = {0.2, 4, 4}, ty[3] = {4, 0.2, 4};
    bmp_writer::FillPolygon(t, tx, ty, 3, 1);
    EXPECT_EQ(Count(t, 1), 6);
    EXPECT_EQ(t.at(3, 3), 1);
    EXPECT_EQ(t.at(1, 3), 1);
    EXPECT_EQ(t.at(3, 0), 0);
}

TEST(DemoBmpWriter, HalfSizeKeepsSolidPixelsAndOutlineStaysInItsCell) {
    Picture p = bmp_writer::MakePicture(4, 2, 9);
    p.at(0, 0) = 1; // only the upper left of the first block is solid
    p.at(3, 1) = 2; // lower right of the second block wins over its upper left
    p.at(2, 0) = 3;
    const Picture half = bmp_writer::HalfSize(p, 9);
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 1);
    EXPECT_EQ(half.pixels, (std::vector<std::uint8_t>{1, 2}));

    // Two 4 x 4 cells side by side; a pixel at the right edge of the first cell.
    Picture c = bmp_writer::MakePicture(8, 4, 9);
    c.at(3, 1) = 1;
    bmp_writer::Outline(c, 0, 0, 4, 4, 9, 7);
    EXPECT_EQ(Count(c, 7), 3); // left, above, below; never into the neighbour cell
    EXPECT_EQ(c.at(4, 1), 9);
    EXPECT_EQ(c.at(2, 1), 7);
    EXPECT_EQ(c.at(3, 0), 7);
    EXPECT_EQ(c.at(3, 2), 7);
}

TEST(DemoSynth, TonesHaveTheirPitchLengthAndLevel) {
    synth::Buffer b(22050);
    synth::Tone t;
    t.freq = 441;
    t.length = 1.0;
    t.release = 0.1;
    t.volume = 0.25;
    b.Add(t);
    ASSERT_EQ(b.Samples().size(), static_cast<std::size_t>(1.1 * 22050));
    // 441 Hz over the first second: 882 sign changes.
    int crossings = 0;
    for (std::size_t i = 1; i < 22050; ++i)
        crossings += (b.Samples()[i - 1] < 0) != (b.Samples()[i] < 0);
    EXPECT_NEAR(crossings, 882, 2);
    float loudest = 0;
    for (float s : b.Samples())
        loudest = std::max(loudest, std::fabs(s));
    EXPECT_NEAR(loudest, 0.25f, 0.001f);
    // The release ends in silence.
    EXPECT_NEAR(b.Samples().back(), 0.0f, 0.001f);
    // Scaled output: the loudest sample reaches the asked level of full scale.
    const std::vector<std::int16_t> pcm = b.ToPcm16(0.8);
    int peak = 0;
    for (std::int16_t s : pcm)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_NEAR(peak, 26214, 1);
    // A silent buffer stays silent instead of dividing by zero.
    synth::Buffer quiet(22050);
    synth::Tone none;
    none.volume = 0;
    quiet.Add(none);
    for (std::int16_t s : quiet.ToPcm16())
        ASSERT_EQ(s, 0);
}

TEST(DemoSynth, SoundsAreShortDistinctAndRepeatable) {
    std::set<std::vector<std::int16_t>> seen;
    const auto check = [&](const std::vector<std::int16_t>& s, const std::string& what) {
        ASSERT_FALSE(s.empty()) << what;
        EXPECT_LT(s.size(), static_cast<std::size_t>(2 * demo_sounds::kRate)) << what;
        // Sounding at once: some sample of the first 10 ms is audible.
        bool early = false;
        for (std::size_t i = 0; i < static_cast<std::size_t>(demo_sounds::kRate / 100); ++i)
            early = early || std::abs(static_cast<int>(s[i])) > 1000;
        EXPECT_TRUE(early) << what;
        // Ending without a click.
        EXPECT_LT(std::abs(static_cast<int>(s.back())), 500) << what;
        EXPECT_TRUE(seen.insert(s).second) << what << " sounds like another one";
    };
    for (int n = 0; n < 17; ++n)
        check(demo_sounds::SystemSound(n), "system sound " + std::to_string(n));
    for (int n = 1; n <= 4; ++n)
        check(demo_sounds::ProjectSound(n), "project sound " + std::to_string(n));
    // The noise generator starts afresh for every sound: the same samples every time.
    EXPECT_EQ(demo_sounds::ProjectSound(4), demo_sounds::ProjectSound(4));
}
