// The fixed table of system surfaces: which picture file fills which surface and how each surface is
// created; beside it the three font definitions and the three number-sheet records.
#pragma once

#include <cstdint>

// One system surface (300 bytes as built into the program).
struct SYSTEMBITMAP {
    char szFileName[260]; // relative to the working folder, or "E" for an empty surface
    std::int32_t nKey;    // 1: the transparent colour applies
    std::int32_t nMemory; // 0 video memory, 1 system memory
    std::int32_t nD3DMemory;
    std::int32_t nView;        // 1: a view of the surface named in g_SystemBitmapViews
    std::int32_t nValue5;      // passed to creation from a file
    std::int32_t nOptional;    // 1: failing to create it is not an error
    std::int32_t nMirrorCellW; // non-zero: the picture is mirrored inside cells of this width
    std::int32_t nMirrorCellH;
    std::int32_t nWidth; // size of an empty surface
    std::int32_t nHeight;
};
static_assert(sizeof(SYSTEMBITMAP) == 300);

constexpr int SYSTEM_BITMAP_COUNT = 71;
// Record indexes named by other parts of the player.
constexpr int SYSBMP_PALETTE = 0;
constexpr int SYSBMP_WINDOW = 45;
constexpr int SYSBMP_SYMBOL = 50;
constexpr int SYSBMP_WORLD_BACK = 54;
constexpr int SYSBMP_BACKGROUND_FIRST = 55; // eight background slots, 55 to 62
constexpr int SYSBMP_BACKGROUND_SLOTS = 8;

extern SYSTEMBITMAP SystemBitmapTable[SYSTEM_BITMAP_COUNT];
// For each record, the record whose surface it views (its mirror source), or -1.
extern const int g_SystemBitmapViews[SYSTEM_BITMAP_COUNT];

// A font as start-up hands it to the drawing library (296 bytes).
struct FONTDEF {
    char szFaceName[256];
    std::int32_t nValue1;
    std::int32_t nValue2;
    std::int32_t nCellWidth;
    std::int32_t nCellHeight;
    std::int32_t nValue5;
    std::int32_t nSurface; // index of a system surface
    std::int32_t nValue7;
    std::int32_t nValue8;
    std::int32_t nSurface2;  // index of a second system surface
    std::int32_t nCacheMode; // 2: taken from the settings at start-up
};
static_assert(sizeof(FONTDEF) == 296);

constexpr int FONT_COUNT = 3;
extern FONTDEF g_FontDefs[FONT_COUNT];
// Creation values of the three digit sheets (one per font).
extern SYSTEMBITMAP g_NumberSheetDefs[FONT_COUNT];

// Copies a file name into a record. A name that does not fit the record's 260 bytes is refused:
// the record is emptied (an empty name is a file that is not found) and false is returned.
bool SetSystemBitmapFile(int index, const char* fileName);

// The world-map scene's background picture goes into record 54.
bool SetWorldBackPicture(const char* fileName);
