// Set-up shared by the tests of the effect blits, the palette effects and the fonts: small pictures
// written on the spot (palette entry 0 is the transparent colour, as in the projects), a system-surface
// table naming them, the display per back-end and depth, frames read back as presented, and golden
// frames kept in tests/draw/golden (M4_UPDATE_GOLDEN=1 rewrites them).
#pragma once

#include "display_files.h"
#include "draw/draw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fxt {

struct Display {
    const char* name;
    int bD3D;
    int nBpp;
    int nWindowMode;
};
// DirectDraw at 8, 16, 24 and 32 bits full screen and 32 in a window; Direct3D at 16 and 32.
extern const Display kDisplays[7];

// Palette indexes of the test pictures.
enum : int { KEY = 0, BLACK = 1, WHITE = 2, RED = 3, GREEN = 4, BLUE = 5, YELLOW = 6, CYAN = 7, GREY = 8 };
// The test palette's colour of an entry as 0x00RRGGBB.
std::uint32_t Colour(int index);

// Entries of the test system-surface table.
enum : int {
    S_PALETTE = 0, // palette picture: top-left is the transparent colour, rows 8-23 hold the entries
    S_PICTURE = 1, // 64 x 64 picture of coloured blocks with a transparent hole, keyed
    S_ICONS = 2,   // 26 icon cells of 16 x 16, keyed
    S_BOX = 3,     // 256 x 128 box picture, opaque
    S_WORK = 4,    // blank 128 x 128, keyed
    S_SYSMEM = 5,  // blank 128 x 128 in system memory, keyed
    S_COUNT = 6
};
extern DDSURFACEDATA g_Surfaces[S_COUNT];
extern SURFACEDEF g_Table[S_COUNT];

// The picture's palette index at (x, y).
int PictureIndex(int x, int y);

class DisplayTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Sets up the display, the palette, the transparent colour and the test surfaces.
    bool Open(const Display& d);
    // Presents the back buffer and reads back the shown frame (0x00RRGGBB per pixel).
    std::vector<std::uint32_t> Frame();
    static std::uint32_t At(const std::vector<std::uint32_t>& f, int x, int y) {
        return f[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF;
    }
    std::string m_dir;
    Display m_display{};
};

// Raw pixel of a surface (locked for the read).
std::uint32_t RawPixel(DDSURFACEDATA* sd, int x, int y);

} // namespace fxt
