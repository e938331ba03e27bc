#include "project/system_bitmaps.h"

#include <cstring>

namespace {

constexpr SYSTEMBITMAP File(const char* name, int key, int memory, int d3d, int view, int optional,
                            int mirrorW = 0) {
    SYSTEMBITMAP r{};
    for (int i = 0; name[i] && i < 259; ++i)
        r.szFileName[i] = name[i];
    r.nKey = key;
    r.nMemory = memory;
    r.nD3DMemory = d3d;
    r.nView = view;
    r.nOptional = optional;
    r.nMirrorCellW = mirrorW;
    return r;
}

constexpr SYSTEMBITMAP Empty(int key, int memory, int d3d, int view, int w, int h) {
    SYSTEMBITMAP r = File("E", key, memory, d3d, view, 0);
    r.nWidth = w;
    r.nHeight = h;
    return r;
}

} // namespace

SYSTEMBITMAP SystemBitmapTable[SYSTEM_BITMAP_COUNT] = {
    File("bmp\\plt\\Palette.bmp", 0, 1, 0, 0, 0),
    File("bmp\\Debug.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Block.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Block.bmp", 1, 1, 0, 1, 0),
    File("bmp\\Character1.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Character1.bmp", 1, 0, 0, 1, 0, 32),
    File("bmp\\Character2.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character2.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Character3.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character3.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Character4.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character4.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Character5.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character5.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Character6.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character6.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Character7.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character7.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Character8.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Character8.bmp", 1, 0, 0, 1, 1, 32),
    File("bmp\\Shot.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Shot.bmp", 1, 0, 0, 1, 0, 16),
    File("bmp\\Character1.bmp", 1, 1, 0, 1, 0),
    File("bmp\\Character1.bmp", 1, 1, 0, 1, 0, 32),
    File("bmp\\Character2.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character2.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Character3.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character3.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Character4.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character4.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Character5.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character5.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Character6.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character6.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Character7.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character7.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Character8.bmp", 1, 1, 0, 1, 1),
    File("bmp\\Character8.bmp", 1, 1, 0, 1, 1, 32),
    File("bmp\\Shot.bmp", 1, 1, 0, 1, 0),
    File("bmp\\Shot.bmp", 1, 1, 0, 1, 0, 16),
    File("bmp\\Item.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Item.bmp", 1, 1, 0, 1, 0),
    File("bmp\\Item_Mini.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Mark.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Mark.bmp", 1, 1, 0, 1, 0),
    File("bmp\\Window.bmp", 0, 0, 0, 0, 0),
    File("bmp\\StatusWindow.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Title.bmp", 0, 0, 0, 0, 0),
    File("bmp\\GameMode.bmp", 1, 0, 0, 0, 1),
    File("bmp\\Accessory.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Symbol.bmp", 1, 0, 0, 0, 0),
    File("bmp\\Word.bmp", 1, 0, 0, 0, 0),
    File("bmp\\WorldMapChip.bmp", 1, 0, 0, 0, 0),
    File("bmp\\WorldEvent.bmp", 1, 1, 0, 0, 0),
    File("bmp\\WorldBack.bmp", 0, 1, 0, 0, 1),
    File("背景その1.bmp", 1, 0, 0, 0, 1),
    File("背景その2.bmp", 1, 0, 0, 0, 1),
    File("背景その3.bmp", 1, 0, 0, 0, 1),
    File("背景その4.bmp", 1, 0, 0, 0, 1),
    File("背景その5.bmp", 1, 0, 0, 0, 1),
    File("背景その6.bmp", 1, 0, 0, 0, 1),
    File("背景その7.bmp", 1, 0, 0, 0, 1),
    File("背景その8.bmp", 1, 0, 0, 0, 1),
    Empty(1, 1, 0, 0, 256, 960),
    Empty(1, 1, 0, 0, 256, 960),
    Empty(1, 1, 0, 0, 640, 480),
    Empty(0, 1, 0, 0, 640, 480),
    Empty(1, 0, 0, 0, 640, 480),
    Empty(1, 1, 0, 1, 640, 480),
    Empty(1, 0, 2, 0, 1024, 1024),
    Empty(1, 1, 1, 0, 1024, 1024),
};

// clang-format off
const int g_SystemBitmapViews[SYSTEM_BITMAP_COUNT] = {
    -1, -1, -1,  2, -1,  4, -1,  6, -1,  8,   // 0-9
    -1, 10, -1, 12, -1, 14, -1, 16, -1, 18,   // 10-19
    -1, 20,  4,  4,  6,  6,  8,  8, 10, 10,   // 20-29
    12, 12, 14, 14, 16, 16, 18, 18, 20, 20,   // 30-39
    -1, 40, -1, -1, 43, -1, -1, -1, -1, -1,   // 40-49
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,   // 50-59
    -1, -1, -1, -1, -1, -1, -1, -1, 67, -1,   // 60-69
    -1,                                       // 70
};
// clang-format on

namespace {

constexpr FONTDEF Font(int value2, int cell) {
    FONTDEF f{};
    const char face[] = "ＭＳ ゴシック";
    for (unsigned i = 0; i + 1 < sizeof(face); ++i)
        f.szFaceName[i] = face[i];
    f.nValue1 = 0;
    f.nValue2 = value2;
    f.nCellWidth = cell;
    f.nCellHeight = cell;
    f.nValue5 = 241;
    f.nSurface = SYSBMP_WINDOW;
    f.nValue7 = 1;
    f.nValue8 = 240;
    f.nSurface2 = SYSBMP_SYMBOL;
    f.nCacheMode = 2;
    return f;
}

constexpr SYSTEMBITMAP NumberSheet() {
    SYSTEMBITMAP r{};
    r.nKey = 1;
    return r;
}

} // namespace

FONTDEF g_FontDefs[FONT_COUNT] = {Font(9, 10), Font(16, 16), [] {
                                      FONTDEF f = Font(30, 32);
                                      f.nCacheMode = 0;
                                      return f;
                                  }()};

SYSTEMBITMAP g_NumberSheetDefs[FONT_COUNT] = {NumberSheet(), NumberSheet(), NumberSheet()};

bool SetSystemBitmapFile(int index, const char* fileName) {
    if (index < 0 || index >= SYSTEM_BITMAP_COUNT) return false;
    char* dst = SystemBitmapTable[index].szFileName;
    const std::size_t n = fileName ? std::strlen(fileName) : 0;
    if (n >= sizeof(SystemBitmapTable[index].szFileName)) {
        dst[0] = '\0';
        return false;
    }
    std::memcpy(dst, fileName ? fileName : "", n);
    dst[n] = '\0';
    return true;
}

bool SetWorldBackPicture(const char* fileName) {
    return SetSystemBitmapFile(SYSBMP_WORLD_BACK, fileName);
}
