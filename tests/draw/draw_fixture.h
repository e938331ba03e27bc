// Shared set-up of the drawing tests: small bitmap files written on the spot, the system-surface
// table that names them, display set-up per back-end and depth, the test scene, and golden frames.
#pragma once

#include "display_files.h"
#include "draw/draw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// One display configuration.
struct DrawConfig {
    const char* name;
    int bD3D;
    int nBpp;
    int nWindowMode;
};
extern const DrawConfig kAllConfigs[10];

// Palette indices of the test pictures (every colour exact at 16 bits).
enum : int {
    PAL_BLACK = 0,
    PAL_KEY = 1,
    PAL_BLUE = 2,
    PAL_RED = 3,
    PAL_GREEN = 4,
    PAL_YELLOW = 5,
    PAL_WHITE = 6,
    PAL_CYAN = 7
};
std::uint32_t PaletteColour(int index); // 0x00RRGGBB

// Entries of the test system-surface table.
enum : int {
    SYS_PALETTE = 0, // palette picture; its top-left pixel is the transparent colour
    SYS_SHEET = 1,   // 64 x 32, two cells, keyed
    SYS_MIRROR = 2,  // the same, cells mirrored
    SYS_SHEET24 = 3, // the sheet as a 24-bit picture, keyed
    SYS_WORK = 4,    // blank 64 x 64 render target, keyed
    SYS_SYSMEM = 5,  // blank 32 x 32 in system memory
    SYS_COUNT = 6
};
extern DDSURFACEDATA g_TestSurfaces[SYS_COUNT];
extern SURFACEDEF g_TestTable[SYS_COUNT];

// The sheet picture as palette indices (64 x 32).
std::vector<std::uint8_t> SheetIndices();

class DrawTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Sets up the display and loads the palette, transparent colour and test surfaces.
    bool Open(const DrawConfig& cfg);
    // Presents the back buffer (either back-end) and reads the frame back.
    std::vector<std::uint32_t> PresentAndRead();
    // The back buffer's pixel at (x, y) as 0x00RRGGBB (through the presented frame).
    static std::uint32_t At(const std::vector<std::uint32_t>& frame, int x, int y) {
        return frame[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF;
    }
    std::string m_dir;
    DrawConfig m_cfg{};
    bool m_unsupported = false;
};

// Opens the display or skips the test when the configuration cannot be run here.
#define OPEN_OR_SKIP(cfg)                                                                                    \
    do {                                                                                                     \
        ASSERT_TRUE(Open(cfg));                                                                              \
        if (m_unsupported) GTEST_SKIP() << "the desktop cannot run at this depth";                           \
    } while (0)

// The fixed scene of the golden images.
void DrawScene();
