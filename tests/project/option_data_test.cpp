#include "project/option_data.h"

#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

using fixtures::ByteWriter;

TEST(OptionData, DefaultsOfAFirstStart) {
    cOptionData o;
    EXPECT_EQ(o.nPalette, 0);
    EXPECT_EQ(o.bMusic, 1);
    EXPECT_EQ(o.nVolume, 7);
    EXPECT_EQ(o.nRankingMode, 0);
    EXPECT_EQ(o.strRankingName, "aaa");
    fixtures::TempDir dir;
    EXPECT_FALSE(o.LoadFile(dir.file("Option.dat")));
    EXPECT_EQ(o.nVolume, 7);
}

TEST(OptionData, FileIsFourWordsAndTheName) {
    fixtures::TempDir dir;
    cOptionData o;
    o.nPalette = 3;
    o.bMusic = 0;
    o.nVolume = 10;
    o.nRankingMode = 2;
    o.strRankingName = "abc";
    ASSERT_TRUE(o.SaveFile(dir.file("Option.dat")));
    ByteWriter w;
    w.i32(732).i32(4).i32(3).i32(0).i32(10).i32(2).i32(1).str("abc");
    EXPECT_EQ(fixtures::ReadAll(dir.file("Option.dat")), w.data());

    cOptionData back;
    ASSERT_TRUE(back.LoadFile(dir.file("Option.dat")));
    EXPECT_EQ(back.nPalette, 3);
    EXPECT_EQ(back.bMusic, 0);
    EXPECT_EQ(back.nVolume, 10);
    EXPECT_EQ(back.strRankingName, "abc");
}

// Values from a foreign or damaged file are brought inside their ranges as they are read, so that
// what the options screen shows and what leaving it writes back stay in range: the palette and the
// volume are indexes into tables; the music switch is on for any value but 0.
TEST(OptionData, ValuesFromTheFileAreClamped) {
    struct Case {
        std::int32_t palette, music, volume;
        std::int32_t wantPalette, wantMusic, wantVolume;
    };
    const Case cases[] = {
        {99, 1, -5, 26, 1, 0},   {-1, 0, 11, 0, 0, 10},      {3, 16384, 4, 3, 1, 4},
        {26, -1, 10, 26, 1, 10}, {0, INT32_MIN, 0, 0, 1, 0}, {12, INT32_MAX, 7, 12, 1, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.palette << " " << c.music << " " << c.volume);
        fixtures::TempDir dir;
        ByteWriter w;
        w.i32(732).i32(4).i32(c.palette).i32(c.music).i32(c.volume).i32(0).i32(1).str("");
        fixtures::WriteAll(dir.file("Option.dat"), w.data());
        cOptionData o;
        ASSERT_TRUE(o.LoadFile(dir.file("Option.dat")));
        EXPECT_EQ(o.nPalette, c.wantPalette);
        EXPECT_EQ(o.bMusic, c.wantMusic);
        EXPECT_EQ(o.nVolume, c.wantVolume);
        // Written back as read.
        ASSERT_TRUE(o.SaveFile(dir.file("Option.dat")));
        ByteWriter back;
        back.i32(732).i32(4).i32(c.wantPalette).i32(c.wantMusic).i32(c.wantVolume).i32(0).i32(1).str("");
        EXPECT_EQ(fixtures::ReadAll(dir.file("Option.dat")), back.data());
    }
}

// A damaged options file is not reset and later overwritten without a word: it is moved aside
// whole, told in one box, and the defaults are taken. A missing file takes the defaults silently.
TEST(OptionData, ADamagedFileIsKeptAsideAndTold) {
    ByteWriter sound;
    sound.i32(732).i32(4).i32(3).i32(0).i32(10).i32(2).i32(1).str("abc");
    const fixtures::Bytes whole = sound.data();
    struct Case {
        const char* what;
        fixtures::Bytes bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"version word only", fixtures::Bytes(whole.begin(), whole.begin() + 4)},
        {"one byte short", fixtures::Bytes(whole.begin(), whole.end() - 1)},
        {"zeroed", fixtures::Bytes(whole.size(), 0)},
        {"a field count no options record has", ByteWriter().i32(732).i32(1000).i32(3).data()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixtures::TempDir dir;
        fixtures::BoxCapture boxes;
        fixtures::WriteAll(dir.file("Option.dat"), c.bytes);
        cOptionData o;
        o.nVolume = 2;
        o.strRankingName = "zzz";
        EXPECT_FALSE(o.LoadUserFile(dir.file("Option.dat")));
        EXPECT_EQ(o.nVolume, 7);
        EXPECT_EQ(o.bMusic, 1);
        EXPECT_EQ(o.strRankingName, "aaa");
        EXPECT_FALSE(std::filesystem::exists(dir.file("Option.dat")));
        EXPECT_EQ(fixtures::ReadAll(dir.file("Option.dat.bad")), c.bytes);
        ASSERT_EQ(boxes.texts().size(), 1u);
        EXPECT_NE(boxes.texts()[0].find("Option.dat.bad"), std::string::npos);
    }

    fixtures::TempDir dir;
    fixtures::BoxCapture boxes;
    cOptionData o;
    EXPECT_FALSE(o.LoadUserFile(dir.file("Option.dat")));
    EXPECT_EQ(o.nVolume, 7);
    fixtures::WriteAll(dir.file("Option.dat"), whole);
    EXPECT_TRUE(o.LoadUserFile(dir.file("Option.dat")));
    EXPECT_EQ(o.nVolume, 10);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("Option.dat.bad")));
}
