// What every display test of this folder shares: BMP pictures written on the spot, a folder of its
// own per test, the display brought up on a test's system-surface table and taken down again, the
// shown frame read back, and golden frames kept in tests/draw/golden (M4_UPDATE_GOLDEN=1 rewrites
// them).
#pragma once

#include "draw/draw.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes a BMP file: 8-bit with a colour table (0x00RRGGBB per entry), or 24-bit.
void WriteBmp8(const std::string& path, int w, int h, const std::vector<std::uint32_t>& colours,
               const std::vector<std::uint8_t>& indices);
void WriteBmp24(const std::string& path, int w, int h, const std::vector<std::uint32_t>& rgb);

// Makes an empty folder in the temporary directory named after the prefix, the process and the
// running test.
std::string MakeTestFolder(const std::string& prefix);

// Sets up a 640 x 480 display at 60 frames a second on the given system-surface table, then the
// palette and the transparent colour from the palette picture of entry 0.
bool OpenTestDisplay(int bD3D, int nBpp, int nWindowMode, DDSURFACEDATA* surfaces, SURFACEDEF* table,
                     int count, int paletteMode);
// Ends the display and forgets its surfaces and those of the test table.
void CloseTestDisplay(DDSURFACEDATA* surfaces, int count);

// Presents the back buffer through whichever back-end is up; false where Direct3D refuses.
bool PresentBackBuffer();
// The frame shown last as 640 x 480 pixels of 0x00RRGGBB (a test failure when none was shown).
// The size the presenter gave goes to w and h.
std::vector<std::uint32_t> ShownFrame(int* w = nullptr, int* h = nullptr);

// Writes a frame as PPM into the build folder (for looking at a failing test's picture).
void WriteFramePpm(const std::string& name, const std::vector<std::uint32_t>& frame);
// Compares a frame with tests/draw/golden/<name>.rle and writes a viewable copy to the build folder.
// Returns the number of differing pixels.
int CompareGolden(const std::string& name, const std::vector<std::uint32_t>& frame);
