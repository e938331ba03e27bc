// Pixel copies shared by the DirectDraw-like surfaces and GDI: nearest-neighbour scaling with an
// optional source colour key, between buffers of the same format.
#pragma once
#include "platform/gfx/pixels.h"
#include <cstdint>
#include <vector>

namespace gfx {

struct BlitParams {
    PixelBuffer* dst = nullptr;
    const PixelBuffer* src = nullptr;
    int dx = 0, dy = 0, dw = 0, dh = 0; // destination rectangle (may extend past the buffer)
    int i0 = 0, j0 = 0, i1 = 0, j1 = 0; // its visible part, relative to (dx, dy)
    int sx = 0, sy = 0, sw = 0,
        sh = 0; // source start and extent; a negative extent runs backwards from sx/sy
    bool keyed = false;
    std::uint32_t key = 0;
};

// Destination pixel (dx + i, dy + j) takes source pixel (sx + trunc(i * sw / dw), sy + trunc(j * sh / dh));
// with a negative sw the source column is sx - trunc(i * |sw| / dw) (and likewise for rows), so that a
// mirrored copy starts at the source's last column. dw and dh are positive; the buffers are distinct.
void ScaledCopy(const BlitParams& p);

// Which tiles of 32 x 32 pixels of a picture hold a pixel equal to a colour key, for one state of
// its pixels and one key, found as keyed copies ask: a keyed copy that reads only tiles without one
// can run as a plain copy.
struct KeyTiles {
    std::uint64_t state = 0; // the state of the pixels the tiles were found for
    std::uint32_t key = 0;
    int uses = 0; // keyed copies asked about this state, up to 2
    int cols = 0;
    std::vector<std::uint8_t> tiles; // per tile: 0 not looked at yet, else one of the classes below
    // Per tile, the columns and rows of its pixels other than the key, relative to the tile, as
    // bytes x0, y0, x1, y1 (nothing where x1 <= x0), or kBoxUnknown when not looked at yet.
    std::vector<std::uint32_t> boxes;
};
constexpr std::uint32_t kBoxUnknown = 0xFFFFFFFFu;
constexpr std::uint8_t kTileNoKey = 1, kTileSomeKey = 2, kTileAllKey = 3;
constexpr int kKeyTile = 32; // the side of a tile

// Whether the columns [x0, x1) of rows [y0, y1) of `b`, whose pixels are in state `state`, may hold a
// pixel equal to `key` (compared as the keyed copies compare). The first copy from a state is not
// looked into (pixels drawn from once, such as a surface written anew each frame, would pay for
// looking and gain nothing); from the second on, each tile read is looked at once and kept in `t`.
bool MayHoldKey(const PixelBuffer& b, std::uint64_t state, std::uint32_t key, int x0, int y0, int x1, int y1,
                KeyTiles& t);

// A keyed copy (otherwise as ScaledCopy) from pixels in state `state`, whose tiles `t` have been looked
// at (MayHoldKey from its second asking on): unscaled, it runs only over the rectangle of the tiles'
// pixels other than the key that it reads (none at all where it reads only the key); of several
// tiles, tiles all of the key are skipped and tiles without it copied plain, each run of like tiles
// of a band at once.
void KeyedCopyByTiles(const BlitParams& p, std::uint64_t state, KeyTiles& t);

// Whether a keyed copy from the columns [x0, x1) of rows [y0, y1) of pixels in state `state`, whose
// tiles `t` have been looked at, writes every pixel it covers: the tiles read hold no key pixel.
// False when the tiles are not known.
bool ReadsNoKey(const PixelBuffer& b, std::uint64_t state, std::uint32_t key, int x0, int y0, int x1, int y1,
                KeyTiles& t);

// Copies `count` 32-bit pixels, leaving those equal to `key` untouched in the destination.
void CopyKeyed32(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t key);

// The widest instructions the copies above use: those of the compiler's baseline, AVX2, or AVX-512,
// each only where the processor runs them. All of them give the same pixels; the copies use the widest
// the processor offers unless a test limits them (to compare the ways with each other).
enum class CopyWidth { Baseline, Avx2, Avx512 };
void LimitCopyWidth(CopyWidth widest);
// The widest the copies use now: the limit, or narrower where the processor runs no wider.
CopyWidth UsedCopyWidth();

} // namespace gfx
