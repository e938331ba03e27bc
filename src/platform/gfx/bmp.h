// Our own reader of Windows bitmap files: BI_RGB at 1, 4, 8, 16, 24 and 32 bits, BI_BITFIELDS at 16
// and 32 bits, RLE8 and RLE4, bottom-up and top-down rows. Damaged files (truncated, huge, bad
// offsets, run-length overruns) are refused, never read outside the data.
#pragma once
#include "platform/gfx/gfx_types.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// A decoded picture in the layout of a DIB section: `bitCount` bits per pixel (run-length pictures
// are expanded to 4 or 8 bits), rows of `stride` bytes stored bottom-up (row 0 of `bits` is the
// bottom row of the picture), the colour table for 1-, 4- and 8-bit pictures, and channel masks for
// 16- and 32-bit pictures (5-5-5 and 8-8-8 when the file gives none).
struct Dib {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int stride = 0;
    std::vector<std::uint8_t> bits;
    std::vector<PALETTEENTRY> colours; // peFlags 0
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    // Where each mask's channel sits and how wide it is (set by DecodeBmp, or by SetMasks).
    int maskShift[3] = {0, 0, 0}, maskBits[3] = {0, 0, 0};

    // Sets the three masks and their shapes; false for an empty or broken (non-contiguous) mask.
    bool SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);

    // Colour of the pixel at (x, y), y counted from the top, as opaque ARGB.
    std::uint32_t PixelArgb(int x, int y) const;
    // The raw pixel value (index, or packed 16/24/32-bit value) at (x, y) from the top.
    std::uint32_t PixelRaw(int x, int y) const;
    // The colour of a raw pixel value of this picture, as PixelArgb gives it.
    std::uint32_t ArgbOfRaw(std::uint32_t raw) const;
};

// Rows of a picture as opaque ARGB, each pixel as PixelArgb gives it: the colour of each palette index,
// or of each channel's value, is worked out once. With a `key` (not 0), pixels of that colour come out
// as 0, transparent black.
class DibArgbRows {
  public:
    explicit DibArgbRows(const Dib& dib, std::uint32_t key = 0);
    // The colours of n pixels of row y (from the top), from column x.
    void Row(int x, int y, int n, std::uint32_t* out) const;

  private:
    const Dib& dib_;
    std::uint32_t lut_[256] = {};         // pictures of 8 bits or fewer: the colour of each index
    std::vector<std::uint32_t> table_[3]; // 16 and 32 bits: each channel's value in place in ARGB
    std::uint32_t mask_[3] = {};
    int shift_[3] = {};
    std::uint32_t key_;
    bool tables_ = false; // false: pixel by pixel
};

// Largest picture accepted (either side, and in pixels overall).
constexpr int kMaxBmpSide = 16384;
constexpr std::int64_t kMaxBmpPixels = 64LL * 1024 * 1024;

// Decodes a whole file held in memory. On failure returns false and leaves `why` describing it.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Dib& out, std::string* why = nullptr);
// Reads a file named by a system path (CP932, backslashes allowed).
bool LoadBmpFile(std::string_view sysPath, Dib& out, std::string* why = nullptr);
// Whether the last DecodeBmp or LoadBmpFile of this thread failed because no memory was left for
// the picture (its caller tells the user that memory ran out, not that the file is bad).
bool PictureLoadRanOutOfMemory();

} // namespace gfx
