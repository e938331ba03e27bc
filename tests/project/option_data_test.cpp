#include "project/option_data.h"

#include "fixtures/bytes.h"

#include <gtest/gtest.h>

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

TEST(OptionData, IndexesFromTheFileAreClamped) {
    fixtures::TempDir dir;
    ByteWriter w;
    w.i32(732).i32(4).i32(99).i32(1).i32(-5).i32(0).i32(1).str("");
    fixtures::WriteAll(dir.file("Option.dat"), w.data());
    cOptionData o;
    ASSERT_TRUE(o.LoadFile(dir.file("Option.dat")));
    EXPECT_EQ(o.nPalette, 26);
    EXPECT_EQ(o.nVolume, 0);
}
