#include "project/system_bitmaps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(SystemBitmapTable, RecordsAsBuilt) {
    EXPECT_STREQ(SystemBitmapTable[0].szFileName, "bmp\\plt\\Palette.bmp");
    EXPECT_EQ(SystemBitmapTable[0].nKey, 0);
    EXPECT_EQ(SystemBitmapTable[0].nMemory, 1);
    // Characters 2 to 8 may be missing; character 1, blocks and shots may not.
    for (int i : {6, 7, 12, 13, 30, 31, 36, 37, 48, 54, 55, 62})
        EXPECT_EQ(SystemBitmapTable[i].nOptional, 1) << i;
    for (int i : {2, 4, 5, 20, 22, 23, 40, 45, 47})
        EXPECT_EQ(SystemBitmapTable[i].nOptional, 0) << i;
    EXPECT_EQ(SystemBitmapTable[21].nMirrorCellW, 16);
    EXPECT_EQ(SystemBitmapTable[23].nMirrorCellW, 32);
    EXPECT_STREQ(SystemBitmapTable[57].szFileName, "背景その3.bmp");
    EXPECT_STREQ(SystemBitmapTable[69].szFileName, "E");
    EXPECT_EQ(SystemBitmapTable[69].nD3DMemory, 2);
    EXPECT_EQ(SystemBitmapTable[70].nWidth, 1024);
    EXPECT_EQ(SystemBitmapTable[63].nHeight, 960);
    EXPECT_EQ(SystemBitmapTable[66].nKey, 0);
}

TEST(SystemBitmapTable, ViewsPointAtTheirSources) {
    int views = 0;
    for (int i = 0; i < SYSTEM_BITMAP_COUNT; ++i) {
        const int src = g_SystemBitmapViews[i];
        EXPECT_EQ(SystemBitmapTable[i].nView != 0, src >= 0) << i;
        if (src < 0) continue;
        ++views;
        EXPECT_EQ(SystemBitmapTable[src].nView, 0) << i;
        EXPECT_STREQ(SystemBitmapTable[i].szFileName, SystemBitmapTable[src].szFileName) << i;
    }
    EXPECT_EQ(views, 31);
    EXPECT_EQ(g_SystemBitmapViews[39], 20);
    EXPECT_EQ(g_SystemBitmapViews[68], 67);
}

TEST(SystemBitmapTable, FontsAndNumberSheets) {
    EXPECT_STREQ(g_FontDefs[0].szFaceName, "ＭＳ ゴシック");
    EXPECT_EQ(g_FontDefs[0].nValue2, 9);
    EXPECT_EQ(g_FontDefs[0].nCellWidth, 10);
    EXPECT_EQ(g_FontDefs[1].nCellHeight, 16);
    EXPECT_EQ(g_FontDefs[2].nCellWidth, 32);
    EXPECT_EQ(g_FontDefs[2].nCacheMode, 0);
    EXPECT_EQ(g_FontDefs[1].nCacheMode, 2);
    EXPECT_EQ(g_FontDefs[1].nSurface, 45);
    EXPECT_EQ(g_FontDefs[1].nSurface2, 50);
    EXPECT_EQ(g_FontDefs[2].nValue5, 241);
    EXPECT_EQ(g_FontDefs[2].nValue8, 240);
    // Font 2's digit sheet: ten cells of 32 x 32.
    EXPECT_EQ(10 * g_FontDefs[2].nCellWidth, 320);
    for (const auto& r : g_NumberSheetDefs) {
        EXPECT_EQ(r.nKey, 1);
        EXPECT_EQ(r.szFileName[0], '\0');
        EXPECT_EQ(r.nMemory, 0);
    }
}

TEST(SystemBitmapTable, OverlongNamesAreRefused) {
    const std::string longName(300, 'a');
    EXPECT_FALSE(SetWorldBackPicture(longName.c_str()));
    EXPECT_STREQ(SystemBitmapTable[54].szFileName, "");
    const std::string fits(259, 'b');
    EXPECT_TRUE(SetWorldBackPicture(fits.c_str()));
    EXPECT_EQ(std::strlen(SystemBitmapTable[54].szFileName), 259u);
    EXPECT_TRUE(SetWorldBackPicture("bmp\\WorldBack.bmp"));
}
