// Rectangle clipping of the blits, and the pure rules of the draw batch and of the debug text.
// Kept free of any device so that the rules can be checked on their own.
#pragma once

#include <cstdint>
#include <vector>

struct DDSURFACEDATA;

// Target rectangle (x, y, w, h) and source rectangle (sx, sy, sw, sh) of one blit; the clipping
// functions adjust them in place.
struct DDBLTRECT {
    int x = 0, y = 0, w = 0, h = 0;
    int sx = 0, sy = 0, sw = 0, sh = 0;
};

// Same-size rule (w = sw, h = sh). The source is cut to its visible size without moving the
// picture; the target is cut on both sides. False when nothing is left.
bool DDClipSameSize(DDBLTRECT& r, int dstW, int dstH, int srcW, int srcH);

// Whether a same-size picture of w x h from (sx, sy) to (x, y) lies wholly inside both surfaces (most
// do): DDClipSameSize then leaves it as it is. Read from the values themselves, not from a rectangle
// just written to memory.
inline bool DDInsideSameSize(int x, int y, int w, int h, int sx, int sy, int dstW, int dstH, int srcW,
                             int srcH) {
    return w > 0 && h > 0 && x >= 0 && y >= 0 && sx >= 0 && sy >= 0 && std::int64_t{sx} + w <= srcW &&
           std::int64_t{sy} + h <= srcH && std::int64_t{x} + w <= dstW && std::int64_t{y} + h <= dstH;
}

// Scaled rule. bD3D: negative source extents mirror and the device clips the target itself;
// otherwise the target is cut here, moving the source by the same fraction.
bool DDClipScaled(DDBLTRECT& r, int dstW, int dstH, int srcW, int srcH, bool bD3D);

// Either rule, chosen by whether the extents are equal.
bool DDClipBlt(DDBLTRECT& r, int dstW, int dstH, int srcW, int srcH, bool bD3D);

// One recorded quad of the draw batch.
struct DDBATCHCMD {
    std::int32_t nSortKey = 0; // running counter + the source's registered key
    DDSURFACEDATA* lpDstSD = nullptr;
    DDSURFACEDATA* lpSrcSD = nullptr;
    DDBLTRECT rect; // the target and source rectangles, as clipped
    std::uint32_t dwFlags = 0;
    std::uint32_t dwDiffuse = 0;
    std::uint32_t dwColorOp = 0;
    std::uint32_t dwAlphaOp = 0;
    std::uint32_t dwReserved = 0;
    std::int32_t nRegKey = 0; // the registered key alone (0 for an unregistered source)
};

// Orders a sorting batch: by registered key, and within one key in recording order, for any
// number of quads.
void DDSortBatch(std::vector<DDBATCHCMD>& cmds);

// True when two consecutive commands can be drawn as one group (same source, target, colour
// state and flags).
bool DDSameBatchGroup(const DDBATCHCMD& a, const DDBATCHCMD& b);

// Length of the group starting at `first`.
std::size_t DDBatchGroupLength(const std::vector<DDBATCHCMD>& cmds, std::size_t first);

// Texture size fitting: powers of two (twice the highest power of two contained in a size that
// is not one; no bit gives 2) and then square when the device asks for it.
void DDFitTextureSizeRule(int& w, int& h, bool bPow2, bool bSquare);

// Mirror rule of a surface whose cells are drawn flipped in place (cell size `cell`, 0 = none):
// a whole cell or a part of one is taken from the mirrored side with a negative extent.
void DDApplyMirrorRule(int& s, int& sext, int cell);
