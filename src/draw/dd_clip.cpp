#include "draw/dd_clip.h"

#include "app/int_range.h"

#include <algorithm>
#include <cstdint>

namespace {

// Cuts [start, start + extent) to [0, limit) without moving what stays; returns the kept extent.
int CutSourceSpan(int& start, int extent, int limit) {
    std::int64_t right = std::int64_t{start} + extent;
    if (start < 0) start = 0;
    if (right > limit) right = limit;
    return SaturateInt(right - start);
}

// Same-size cut of one axis, worked out wide so that positions and sizes as large as an int holds
// stay defined: target position `p` against the target size, source span [s, s + extent) against
// the source size. Sets p and s to the kept start; returns the kept extent.
std::int64_t CutSameSizeAxis(int& p, int& s, int extent, int srcSize, int dstSize) {
    std::int64_t right = std::min<std::int64_t>(std::int64_t{s} + extent, srcSize);
    std::int64_t start = std::max(s, 0);
    std::int64_t pos = p;
    if (pos < 0) {
        start -= pos;
        pos = 0;
    }
    // The right (bottom) edge is tested after a left (top) cut as well, so that a picture wider
    // than the target that starts left of it is still cut to the target.
    if (right - start + pos > dstSize) right = dstSize - pos + start;
    p = static_cast<int>(pos);
    s = SaturateInt(start);
    return right - start;
}

// Target cut of one axis of a scaled blit (DirectDraw): moves the source by the same fraction.
bool CutScaledTargetAxis(int& p, int& ext, int& s, int& sext, int dstSize) {
    if (p < 0) {
        if (std::int64_t{p} + ext < 0 || ext == 0) return false;
        int d = static_cast<int>(-static_cast<double>(p) / ext * sext);
        s += d;
        sext -= d;
        ext += p;
        p = 0;
    }
    if (std::int64_t{p} + ext > dstSize) {
        if (p >= dstSize || ext == 0) return false;
        sext = static_cast<int>(static_cast<double>(dstSize - p) / ext * sext);
        ext = dstSize - p;
    }
    return true;
}

// Source cut of one axis of a scaled blit. Returns the kept fraction of the source extent.
double CutScaledSourceAxis(int& s, int& sext, int srcSize, bool bD3D) {
    bool mirrored = bD3D && sext < 0;
    if (mirrored) {
        s += sext;
        sext = -sext;
    }
    int given = sext;
    int kept = CutSourceSpan(s, sext, srcSize);
    double frac = static_cast<double>(kept) / given;
    sext = kept;
    if (mirrored) {
        s += sext;
        sext = -sext;
    }
    return frac;
}

} // namespace

bool DDClipSameSize(DDBLTRECT& r, int dstW, int dstH, int srcW, int srcH) {
    if (r.w < 1 || r.h < 1 || r.sw == 0 || r.sh == 0) return false;
    // A picture wholly inside both surfaces (most are) keeps its place and its source's size.
    if (r.sw > 0 && r.sh > 0 && r.x >= 0 && r.y >= 0 && r.sx >= 0 && r.sy >= 0 &&
        std::int64_t{r.sx} + r.sw <= srcW && std::int64_t{r.sy} + r.sh <= srcH &&
        std::int64_t{r.x} + r.sw <= dstW && std::int64_t{r.y} + r.sh <= dstH) {
        r.w = r.sw;
        r.h = r.sh;
        return true;
    }
    const std::int64_t keptW = CutSameSizeAxis(r.x, r.sx, r.sw, srcW, dstW);
    const std::int64_t keptH = CutSameSizeAxis(r.y, r.sy, r.sh, srcH, dstH);
    r.w = r.sw = SaturateInt(keptW);
    r.h = r.sh = SaturateInt(keptH);
    return keptW >= 1 && keptH >= 1;
}

bool DDClipScaled(DDBLTRECT& r, int dstW, int dstH, int srcW, int srcH, bool bD3D) {
    if (r.w < 1 || r.h < 1 || r.sw == 0 || r.sh == 0) return false;
    const int givenSw = r.sw;
    const int givenSh = r.sh;
    double fw = CutScaledSourceAxis(r.sx, r.sw, srcW, bD3D);
    double fh = CutScaledSourceAxis(r.sy, r.sh, srcH, bD3D);
    r.w = static_cast<int>(r.w * fw);
    r.h = static_cast<int>(r.h * fh);
    if (!bD3D) {
        if (!CutScaledTargetAxis(r.x, r.w, r.sx, r.sw, dstW)) return false;
        if (!CutScaledTargetAxis(r.y, r.h, r.sy, r.sh, dstH)) return false;
    }
    bool okW = r.sw >= 1 || (r.sw < 0 && givenSw < 0);
    bool okH = r.sh >= 1 || (r.sh < 0 && givenSh < 0);
    return okW && okH && r.w >= 1 && r.h >= 1;
}

bool DDClipBlt(DDBLTRECT& r, int dstW, int dstH, int srcW, int srcH, bool bD3D) {
    if (r.w == r.sw && r.h == r.sh) return DDClipSameSize(r, dstW, dstH, srcW, srcH);
    return DDClipScaled(r, dstW, dstH, srcW, srcH, bD3D);
}

void DDSortBatch(std::vector<DDBATCHCMD>& cmds) {
    // Commands are recorded in counter order, so a stable sort on the registered key keeps the
    // recording order within one source however many quads the batch holds.
    std::stable_sort(cmds.begin(), cmds.end(),
                     [](const DDBATCHCMD& a, const DDBATCHCMD& b) { return a.nRegKey < b.nRegKey; });
}

bool DDSameBatchGroup(const DDBATCHCMD& a, const DDBATCHCMD& b) {
    return a.lpSrcSD == b.lpSrcSD && a.lpDstSD == b.lpDstSD && a.dwDiffuse == b.dwDiffuse &&
           a.dwFlags == b.dwFlags && a.dwColorOp == b.dwColorOp && a.dwAlphaOp == b.dwAlphaOp &&
           a.dwReserved == b.dwReserved;
}

std::size_t DDBatchGroupLength(const std::vector<DDBATCHCMD>& cmds, std::size_t first) {
    std::size_t n = 1;
    while (first + n < cmds.size() && DDSameBatchGroup(cmds[first], cmds[first + n]))
        ++n;
    return n;
}

namespace {
int FitPow2(int v) {
    if (v > 0 && (v & (v - 1)) == 0) return v;
    unsigned u = static_cast<unsigned>(v);
    for (int bit = 31; bit >= 0; --bit)
        if (u & (1u << bit)) return bit >= 30 ? static_cast<int>(1u << bit) : (1 << (bit + 1));
    return 2;
}
} // namespace

void DDFitTextureSizeRule(int& w, int& h, bool bPow2, bool bSquare) {
    if (bPow2) {
        w = FitPow2(w);
        h = FitPow2(h);
    }
    if (bSquare) w = h = std::max(w, h);
}

void DDApplyMirrorRule(int& s, int& sext, int cell) {
    if (cell == 0) return;
    if (sext == cell) {
        s += sext;
        sext = -sext;
    } else if (sext < cell) {
        s = s - 2 * (s % cell) + cell;
        sext = -sext;
    }
}
