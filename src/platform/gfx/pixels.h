// Pixel storage shared by the DirectDraw-like surfaces, the Direct3D-like surfaces and GDI bitmaps,
// and the conversions between the pixel formats and 32-bit ARGB.
//
// Conversion rules: 5- and 6-bit channels widen by repeating their top bits ((v << 3) | (v >> 2));
// 8-bit channels narrow by rounding to the nearest level (no dithering); a one-bit alpha is set
// from alpha >= 128; formats without alpha read back as opaque.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace gfx {

enum class PixelFormat : std::uint8_t {
    Index8,   // palette index
    R5G6B5,   // 16 bits
    X1R5G5B5, // 16 bits, top bit unused
    A1R5G5B5, // 16 bits, top bit is alpha
    R8G8B8,   // 24 bits, bytes B, G, R
    X8R8G8B8, // 32 bits, top byte unused
    A8R8G8B8, // 32 bits
};

int BytesPerPixel(PixelFormat f);
int BitsPerPixel(PixelFormat f);
bool HasAlpha(PixelFormat f);

// The memory of a pixel store. A store made with its size takes memory that comes zeroed from the
// system (calloc) and is not written again: a large store is given its pages only as they are first
// written or read, so a surface never drawn on holds next to no memory. A copy takes memory of its
// own and copies every byte. Stores are made and freed whole, never byte by byte (a vector with an
// allocator of its own would construct and destroy each byte in a loop of its own).
class PixelStoreBytes {
  public:
    PixelStoreBytes() = default;
    explicit PixelStoreBytes(std::size_t n);
    PixelStoreBytes(const PixelStoreBytes& o);
    PixelStoreBytes(PixelStoreBytes&& o) noexcept
        : data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)) {}
    PixelStoreBytes& operator=(const PixelStoreBytes& o);
    PixelStoreBytes& operator=(PixelStoreBytes&& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        return *this;
    }
    ~PixelStoreBytes() { std::free(data_); }

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t* begin() { return data_; }
    std::uint8_t* end() { return data_ + size_; }
    const std::uint8_t* begin() const { return data_; }
    const std::uint8_t* end() const { return data_ + size_; }
    std::uint8_t& operator[](std::size_t i) { return data_[i]; }
    const std::uint8_t& operator[](std::size_t i) const { return data_[i]; }
    bool operator==(const PixelStoreBytes& o) const;

  private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// A rectangle of pixels; rows are `pitch` bytes apart (4-byte aligned).
struct PixelBuffer {
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::X8R8G8B8;
    int pitch = 0;
    PixelStoreBytes bytes;

    void Allocate(int w, int h, PixelFormat f); // zero-filled, in memory of its own
    std::uint8_t* Row(int y) { return bytes.data() + static_cast<std::size_t>(y) * pitch; }
    const std::uint8_t* Row(int y) const { return bytes.data() + static_cast<std::size_t>(y) * pitch; }
    bool Empty() const { return width <= 0 || height <= 0; }
    std::uint32_t Get(int x, int y) const;                        // raw value at (x, y)
    void Set(int x, int y, std::uint32_t raw);                    // raw value at (x, y)
    void Fill(int x0, int y0, int x1, int y1, std::uint32_t raw); // [x0,x1) x [y0,y1), unclipped
};

// Raw pixel value <-> ARGB. Index8 values cannot be converted without a palette: ToArgb gives the
// index as grey and FromArgb the luminance; callers with a palette use PaletteToArgb/NearestIndex.
std::uint32_t ToArgb(PixelFormat f, std::uint32_t raw);
std::uint32_t FromArgb(PixelFormat f, std::uint32_t argb);
inline std::uint32_t Expand5(std::uint32_t v) {
    return (v << 3) | (v >> 2);
}
inline std::uint32_t Expand6(std::uint32_t v) {
    return (v << 2) | (v >> 4);
}
inline std::uint32_t Narrow5(std::uint32_t v) {
    return (v * 31 + 127) / 255;
}
inline std::uint32_t Narrow6(std::uint32_t v) {
    return (v * 63 + 127) / 255;
}

// ToArgb of every value of a 16-bit format (R5G6B5, X1R5G5B5, A1R5G5B5), made once per format at its
// first use; null for the other formats.
const std::uint32_t* ArgbOf16(PixelFormat f);

// A run of `n` pixels of row y from x0, as ARGB, and back (rounded as FromArgb does).
void RowToArgb(const PixelBuffer& b, int x0, int y, int n, std::uint32_t* out);
void RowFromArgb(PixelBuffer& b, int x0, int y, int n, const std::uint32_t* in);

struct PALETTEENTRY;
// The entry's colour as opaque ARGB.
std::uint32_t PaletteToArgb(const PALETTEENTRY& e);
// Index of the entry nearest to an RGB colour (squared distance; the first of equals wins).
int NearestIndex(const PALETTEENTRY* entries, int count, std::uint32_t argb);

// Converts a whole buffer to opaque XRGB (0xFFRRGGBB) rows of `width` pixels, using `palette`
// (256 entries) for Index8 buffers.
void ConvertToXrgb(const PixelBuffer& src, const PALETTEENTRY* palette, std::uint32_t* out);
// The same for rows [y0, y1) only; `out` receives row y0 first.
void ConvertRowsToXrgb(const PixelBuffer& src, const PALETTEENTRY* palette, int y0, int y1,
                       std::uint32_t* out);
// One row of `n` pixels of a 16-bit format as opaque XRGB, sixteen at a time with AVX2 when `avx2` (and
// one can be compiled), eight at a time with SSE2, the rest through ArgbOf16.
void SixteenToXrgbWith(bool avx2, PixelFormat f, const std::uint16_t* p, int n, std::uint32_t* out);

} // namespace gfx
