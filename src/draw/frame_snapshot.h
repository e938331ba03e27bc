// Test tooling, off unless MIRELDA4_SNAPSHOT is set: MIRELDA4_SNAPSHOT=DIR:N[,N...] writes the
// presented frames numbered N (counted from 1 at the first presented frame) as DIR/frame-N.bmp,
// 24-bit, 640 x 480.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Splits DIR:N[,N...] (the last colon ends the folder); false when the folder is empty or a number
// is missing, not a whole number or 0.
bool ParseSnapshotSetting(const char* setting, std::string& dir, std::vector<std::uint64_t>& frames);
// Writes `w` x `h` XRGB pixels (top row first) as a 24-bit bottom-up BMP of 640 x 480: a larger frame
// is cut, a smaller one padded with black. False when the file cannot be written whole.
bool WriteSnapshotBmp(const std::string& path, const std::uint32_t* xrgb, int w, int h);
// Called after every present: counts the frame and writes it when its number was asked for.
void DDSnapshotPresentedFrame();
// Forgets the count and reads the variable again at the next present (tests).
void DDResetSnapshot();
