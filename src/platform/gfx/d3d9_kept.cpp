// A render target's draws kept back until its pixels are needed. From a draw that covers every pixel
// (a clear of the whole target, or a frame announced to cover it), the draws of a frame are only
// recorded, each with a key of everything it reads; when the pixels are read, the draws run in the
// rows where their keys differ from those of the draws the pixels already hold. A frame drawn the same
// way as the one before costs its keys; one in which a sprite moved costs the sprite's rows.
#include "platform/gfx/d3d9_kept.h"
#include "platform/gfx/raster.h"
#include <algorithm>
#include <cmath>

namespace gfx {

namespace {

void RunFill(PixelBuffer& t, const D3DRECT* rects, DWORD count, std::uint32_t raw, int rowTop,
             int rowBottom) {
    auto fill = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
        x1 = std::max<LONG>(x1, 0);
        y1 = std::max<LONG>(y1, std::max(0, rowTop));
        x2 = std::min<LONG>(x2, t.width);
        y2 = std::min<LONG>(y2, std::min(t.height, rowBottom));
        if (x1 < x2 && y1 < y2) t.Fill(x1, y1, x2, y2, raw);
    };
    if (count == 0 || !rects) {
        fill(0, 0, t.width, t.height);
        return;
    }
    for (DWORD i = 0; i < count; ++i)
        fill(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
}

// A strip is drawn a pair of triangles at a time as a quad where it forms one.
void RunTriangles(const RasterState& rs, D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* v) {
    if (type == D3DPT_TRIANGLESTRIP) {
        for (UINT i = 0; i < count;) {
            if (i + 1 < count) {
                RasterQuadStrip(rs, &v[i]);
                i += 2;
            } else {
                RasterTriangle(rs, v[i], v[i + 1], v[i + 2]);
                ++i;
            }
        }
    } else if (type == D3DPT_TRIANGLELIST) {
        for (UINT i = 0; i < count; ++i)
            RasterTriangle(rs, v[3 * i], v[3 * i + 1], v[3 * i + 2]);
    } else {
        for (UINT i = 0; i < count; ++i)
            RasterTriangle(rs, v[0], v[i + 1], v[i + 2]);
    }
}

void RunGlyph(PixelBuffer& t, const std::uint8_t* coverage, int w, int h, int x, int y, DWORD colour,
              int rowTop, int rowBottom) {
    RasterState rs;
    rs.target = &t;
    rs.blend = true;
    rs.srcBlend = D3DBLEND_SRCALPHA;
    rs.destBlend = D3DBLEND_INVSRCALPHA;
    const std::uint32_t alpha = colour >> 24, rgb = colour & 0xFFFFFF;
    const bool t32 = t.format == PixelFormat::A8R8G8B8 || t.format == PixelFormat::X8R8G8B8;
    const std::uint32_t keep = t.format == PixelFormat::X8R8G8B8 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    const std::uint32_t readOr = ~keep;
    for (int gy = 0; gy < h; ++gy) {
        const int py = y + gy;
        if (py < std::max(0, rowTop) || py >= std::min(t.height, rowBottom)) continue;
        const std::uint8_t* cov = coverage + static_cast<std::size_t>(gy) * w;
        auto* row = reinterpret_cast<std::uint32_t*>(t.Row(py));
        for (int gx = 0; gx < w; ++gx) {
            const int px = x + gx;
            const std::uint32_t c = cov[gx];
            if (px < 0 || px >= t.width || c == 0) continue;
            const std::uint32_t a = Div255(c * alpha);
            if (t32) {
                // SRCALPHA / INVSRCALPHA on every channel, as BlendPixel does.
                const std::uint32_t d = row[px] | readOr, src = a << 24 | rgb;
                std::uint32_t out = 0;
                for (int sh = 0; sh < 32; sh += 8)
                    out |= Div255(((src >> sh) & 0xFF) * a + ((d >> sh) & 0xFF) * (255 - a)) << sh;
                row[px] = out & keep;
            } else {
                t.Set(px, py,
                      FromArgb(t.format, BlendPixel(rs, a << 24 | rgb, ToArgb(t.format, t.Get(px, py)))));
            }
        }
    }
}

void RunKept(const D3DKeptDraws& k, const D3DKeptDraw& d, PixelBuffer& t, const RowSpan& rows) {
    switch (d.kind) {
    case D3DDrawKind::Fill:
        RunFill(t, d.size ? k.rects.data() + d.first : nullptr, static_cast<DWORD>(d.size), d.colour,
                rows.top, rows.bottom);
        break;
    case D3DDrawKind::Triangles: {
        RasterState rs = d.rs;
        rs.target = &t;
        rs.texture = d.texture.get();
        rs.tiles = d.tiles.get();
        rs.rowTop = rows.top;
        rs.rowBottom = rows.bottom;
        RunTriangles(rs, d.type, d.count, k.vertices.data() + d.first);
        break;
    }
    case D3DDrawKind::Glyph:
        RunGlyph(t, k.coverage.data() + d.first, d.w, d.h, d.x, d.y, d.colour, rows.top, rows.bottom);
        break;
    case D3DDrawKind::Discard:
        break;
    }
}

// Rows [top, bottom) cut to a surface `height` rows high.
RowSpan CutRows(long long top, long long bottom, int height) {
    return RowSpan{static_cast<int>(std::clamp<long long>(top, 0, height)),
                   static_cast<int>(std::clamp<long long>(bottom, 0, height))};
}

// The rows triangles through these vertices may cover: every row when one is not a finite number.
RowSpan TriangleRows(const TLVERTEX* v, std::size_t n, int height) {
    double lo = 0, hi = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(v[i].y)) return RowSpan{0, height};
        lo = i == 0 ? v[i].y : std::min<double>(lo, v[i].y);
        hi = i == 0 ? v[i].y : std::max<double>(hi, v[i].y);
    }
    if (n == 0 || lo > height + 1.0 || hi < -1.0) return RowSpan{};
    return CutRows(static_cast<long long>(FloorOf(std::max(lo, -2.0))),
                   static_cast<long long>(CeilOf(std::min(hi, height + 2.0))) + 1, height);
}

// Whether every texel's alpha is 255 (textures without alpha are opaque).
bool AllOpaque(const PixelBuffer& t) {
    if (t.format == PixelFormat::A8R8G8B8) {
        for (int y = 0; y < t.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(t.Row(y));
            std::uint32_t all = 0xFFFFFFFFu;
            for (int x = 0; x < t.width; ++x)
                all &= row[x];
            if ((all >> 24) != 0xFF) return false;
        }
        return true;
    }
    if (t.format == PixelFormat::A1R5G5B5) {
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x)
                if (!(t.Get(x, y) & 0x8000)) return false;
    }
    return true;
}

// Whether the triangles are one rectangle covering every pixel of a target `w` x `h` whose pixels
// they write whatever was there: not blended, drawn over an under colour, or with the standard blend
// where every texel is opaque and the stage keeps the texel's alpha (alone, or times an opaque
// diffuse colour).
bool CoversTarget(const RasterState& rs, const Direct3DSurface9* texture, D3DPRIMITIVETYPE type, UINT count,
                  const TLVERTEX* v, std::size_t n, int w, int h) {
    if (type != D3DPT_TRIANGLESTRIP || count != 2 || n < 4) return false;
    // An upright rectangle's corners are v[0] and v[3]: one whose left or top edge lies past the
    // first pixel centre cannot cover every pixel.
    if (!(std::min(v[0].x, v[3].x) <= 0 && std::min(v[0].y, v[3].y) <= 0)) return false;
    if (!AxisAlignedQuad(rs, v)) return false;
    const double left = std::min(v[0].x, v[2].x), right = std::max(v[0].x, v[2].x);
    const double top = std::min(v[0].y, v[1].y), bottom = std::max(v[0].y, v[1].y);
    if (!(CeilOf(left) <= 0 && CeilOf(top) <= 0 && CeilOf(right) >= w && CeilOf(bottom) >= h)) return false;
    if (!rs.blend || rs.under) return true;
    if (rs.srcBlend != D3DBLEND_SRCALPHA || rs.destBlend != D3DBLEND_INVSRCALPHA) return false;
    const StageArgs& st = rs.stage;
    const bool texAlpha = (st.alphaArg1 & 0xFF) == D3DTA_TEXTURE;
    const bool diffuseOpaque = (v[0].diffuse >> 24) == 0xFF;
    const bool other = (st.alphaArg2 & 0xFF) == D3DTA_DIFFUSE || (st.alphaArg2 & 0xFF) == D3DTA_CURRENT;
    const bool keepsAlpha = texAlpha && (st.alphaOp == D3DTOP_SELECTARG1 ||
                                         (st.alphaOp == D3DTOP_MODULATE && other && diffuseOpaque));
    return keepsAlpha && texture && texture->Opaque();
}

// Whether the stage and blend of a draw write each pixel whatever the target held there: never, always,
// or where the texels read are opaque.
enum class Replaces { Never, Always, WhereOpaque };

// What an argument of the alpha operation needs to be 255.
Replaces AlphaArgIsFull(DWORD arg, const RasterState& rs, const PixelBuffer* tex, DWORD diffuse) {
    if (arg & D3DTA_COMPLEMENT) return Replaces::Never;
    switch (arg & 0x0F) {
    case D3DTA_TEXTURE:
        if (!tex) return Replaces::Always; // every sample is opaque white
        switch (tex->format) {
        case PixelFormat::A8R8G8B8:
            return Replaces::WhereOpaque;
        case PixelFormat::X8R8G8B8:
        case PixelFormat::R5G6B5:
        case PixelFormat::X1R5G5B5:
            return Replaces::Always;
        default:
            return Replaces::Never;
        }
    case D3DTA_TFACTOR:
        return rs.textureFactor >> 24 == 0xFF ? Replaces::Always : Replaces::Never;
    default: // the diffuse colour
        return diffuse >> 24 == 0xFF ? Replaces::Always : Replaces::Never;
    }
}

Replaces HowReplaces(const RasterState& rs, const PixelBuffer* tex, DWORD diffuse) {
    if (!rs.blend || rs.under || (rs.srcBlend == D3DBLEND_ONE && rs.destBlend == D3DBLEND_ZERO))
        return Replaces::Always;
    if (rs.srcBlend != D3DBLEND_SRCALPHA || rs.destBlend != D3DBLEND_INVSRCALPHA) return Replaces::Never;
    // The standard blend writes the source where its alpha is 255.
    const StageArgs& st = rs.stage;
    const Replaces a1 = AlphaArgIsFull(st.alphaArg1, rs, tex, diffuse);
    const Replaces a2 = AlphaArgIsFull(st.alphaArg2, rs, tex, diffuse);
    switch (st.alphaOp) {
    case D3DTOP_DISABLE:
        return diffuse >> 24 == 0xFF ? Replaces::Always : Replaces::Never;
    case D3DTOP_SELECTARG1:
        return a1;
    case D3DTOP_SELECTARG2:
        return a2;
    case D3DTOP_MODULATE: // 255 only as 255 times 255
        return a1 == Replaces::Never || a2 == Replaces::Never ? Replaces::Never : std::max(a1, a2);
    default:
        return Replaces::Never;
    }
}

// The texel indices along one axis a quad's pixels [p0, p1) may read: floor(t * size) at each pixel,
// t = t0 + (p - origin) * step, where a position within a hair of a texel's edge may fall either side.
// One or two ranges of [0, size) (wrapped); none when the positions are not finite or too far out.
struct TexelRange {
    int count = 0;
    int lo[2] = {}, hi[2] = {}; // [lo, hi)
    long long span = 0;         // the indices from the first to the last, before wrapping
    int start = 0;              // the first index, wrapped
};

TexelRange ReadTexels(double t0, double origin, double step, int p0, int p1, int size) {
    constexpr double kHair = 1e-6, kLimit = 1 << 20;
    TexelRange r;
    const double a = (t0 + (p0 - origin) * step) * size + 1e-7;
    const double b = (t0 + ((p1 - 1) - origin) * step) * size + 1e-7;
    if (!(std::fabs(a) < kLimit && std::fabs(b) < kLimit) || size <= 0) return r;
    const long long first = static_cast<long long>(FloorOf(std::min(a, b) - kHair));
    const long long last = static_cast<long long>(FloorOf(std::max(a, b) + kHair));
    const int from = static_cast<int>(((first % size) + size) % size);
    r.span = last - first + 1, r.start = from;
    if (r.span >= size) {
        r.count = 1, r.lo[0] = 0, r.hi[0] = size;
        return r;
    }
    const int n = static_cast<int>(last - first + 1);
    r.count = 1, r.lo[0] = from, r.hi[0] = std::min(size, from + n);
    if (from + n > size) r.count = 2, r.lo[1] = 0, r.hi[1] = from + n - size;
    return r;
}

// What texture rows hold across the tile columns of some texel columns: every texel of each row
// opaque (Opaque), a row without an opaque texel in some tile column (Clear), or other (Mixed).
class TileColumns {
  public:
    TileColumns(const PixelBuffer& tex, TexelTiles& tiles, const TexelRange& cols)
        : tex_(tex), tiles_(tiles) {
        ranges_ = cols.count;
        for (int i = 0; i < cols.count; ++i) {
            lo_[i] = cols.lo[i] / TexelTiles::kTile;
            hi_[i] = (cols.hi[i] - 1) / TexelTiles::kTile + 1;
        }
    }
    // Texture rows [y0, y1), within one band of tiles, together.
    TexelTiles::Kind Rows(int y0, int y1) const {
        bool opaque = true;
        for (int i = 0; i < ranges_; ++i)
            for (int tx = lo_[i]; tx < hi_[i]; ++tx) {
                const TexelTiles::Kind k = tiles_.Rows(tex_, y0, y1, tx);
                if (k == TexelTiles::Clear) return TexelTiles::Clear;
                opaque = opaque && k == TexelTiles::Opaque;
            }
        return opaque ? TexelTiles::Opaque : TexelTiles::Mixed;
    }
    bool Opaque(int y) const {
        for (int i = 0; i < ranges_; ++i)
            for (int tx = lo_[i]; tx < hi_[i]; ++tx)
                if (tiles_.At(tex_, y, tx) != TexelTiles::Opaque) return false;
        return true;
    }

  private:
    const PixelBuffer& tex_;
    TexelTiles& tiles_;
    int ranges_ = 0, lo_[2] = {}, hi_[2] = {};
};

// Adds to `c` the rows [y0, y0 + n) of columns [x0, x1) whose texture rows, from `ty` on one a row
// (wrapping), are opaque in `cols`.
void AddOpaqueRun(const TileColumns& cols, int height, int ty, int y0, int n, int x0, int x1, RowCover& c) {
    for (int done = 0; done < n;) {
        const int band = std::min({n - done, TexelTiles::kTile - ty % TexelTiles::kTile, height - ty});
        const TexelTiles::Kind kind = cols.Rows(ty, ty + band);
        if (kind == TexelTiles::Opaque) {
            c.Add(y0 + done, y0 + done + band, x0, x1);
        } else if (kind == TexelTiles::Mixed) {
            for (int r = 0; r < band; ++r)
                if (cols.Opaque(ty + r)) c.Add(y0 + done + r, y0 + done + r + 1, x0, x1);
        }
        done += band;
        ty = (ty + band) % height;
    }
}

// Adds to `c` what the upright quad v[0..3] (as RasterQuadStrip draws it on a target w wide) writes
// whatever was under it: every pixel it covers, or where the stage takes the texels' alpha, the rows
// whose texels read are all opaque.
void AddQuadCover(const RasterState& rs, const PixelBuffer* tex, TexelTiles* tiles, const TLVERTEX* v, int w,
                  RowCover& c) {
    if (!AxisAlignedQuad(rs, v)) return;
    const Replaces how = HowReplaces(rs, tex, v[0].diffuse);
    if (how == Replaces::Never) return;
    const double left = std::min(v[0].x, v[2].x), right = std::max(v[0].x, v[2].x);
    const double top = std::min(v[0].y, v[1].y), bottom = std::max(v[0].y, v[1].y);
    const int x0 = static_cast<int>(std::clamp(CeilOf(left), 0.0, double(w)));
    const int x1 = static_cast<int>(std::clamp(CeilOf(right), 0.0, double(w)));
    const int y0 = static_cast<int>(std::clamp(CeilOf(top), double(c.Rows().top), double(c.Rows().bottom)));
    const int y1 = static_cast<int>(std::clamp(CeilOf(bottom), double(y0), double(c.Rows().bottom)));
    if (x0 >= x1 || y0 >= y1) return;
    if (how == Replaces::Always) {
        c.Add(y0, y1, x0, x1);
        return;
    }
    if (!tiles || !tex || tex->format != PixelFormat::A8R8G8B8) return;
    const double du = (double(v[2].tu) - v[0].tu) / (double(v[2].x) - v[0].x);
    const double dv = (double(v[1].tv) - v[0].tv) / (double(v[1].y) - v[0].y);
    const TexelRange cols = ReadTexels(v[0].tu, v[0].x, du, x0, x1, tex->width);
    if (cols.count == 0) return;
    const TileColumns columns(*tex, *tiles, cols);
    const int height = tex->height;
    // Rows that read the texture rows one a row, from some row on: the whole run at once.
    const TexelRange all = ReadTexels(v[0].tv, v[0].y, dv, y0, y1, height);
    if (all.count > 0 && all.span == y1 - y0 && dv > 0) {
        AddOpaqueRun(columns, height, all.start, y0, y1 - y0, x0, x1, c);
        return;
    }
    for (int y = y0; y < y1; ++y) {
        const TexelRange rows = ReadTexels(v[0].tv, v[0].y, dv, y, y + 1, height);
        bool opaque = rows.count > 0;
        for (int i = 0; i < rows.count && opaque; ++i)
            for (int ty = rows.lo[i]; ty < rows.hi[i] && opaque; ++ty)
                opaque = columns.Opaque(ty);
        if (opaque) c.Add(y, y + 1, x0, x1);
    }
}

// What a draw writes whatever was under it, added to `c`: fills, and upright quads of strips that
// replace what they cover.
void AddCover(const D3DKeptDraws& k, const D3DKeptDraw& d, int w, int h, RowCover& c) {
    if (d.kind == D3DDrawKind::Fill) {
        if (d.size == 0) c.Add(0, h, 0, w);
        for (std::size_t i = 0; i < d.size; ++i) {
            const D3DRECT& r = k.rects[d.first + i];
            const RowSpan rows = CutRows(r.y1, r.y2, h);
            c.Add(rows.top, rows.bottom, static_cast<int>(std::clamp<LONG>(r.x1, 0, w)),
                  static_cast<int>(std::clamp<LONG>(r.x2, 0, w)));
        }
        return;
    }
    if (d.kind != D3DDrawKind::Triangles || d.type != D3DPT_TRIANGLESTRIP) return;
    const TLVERTEX* v = k.vertices.data() + d.first;
    for (UINT i = 0; i + 1 < d.count && i + 3 < d.size; i += 2)
        AddQuadCover(d.rs, d.texture.get(), d.tiles.get(), v + i, w, c);
}

// The rows of `rows` each draw still has to write: of the rows it may write, those at either end that
// the draws after it write completely are left out.
std::vector<RowSpan> RowsToRun(const D3DKeptDraws& k, int w, int h, const RowSpan& rows) {
    std::vector<RowSpan> need(k.draws.size());
    RowCover cover(w, rows);
    for (std::size_t i = k.draws.size(); i-- > 0;) {
        const D3DKeptDraw& d = k.draws[i];
        RowSpan span{std::max(d.rows.top, rows.top), std::min(d.rows.bottom, rows.bottom)};
        while (span.top < span.bottom && cover.Whole(span.top))
            ++span.top;
        while (span.bottom > span.top && cover.Whole(span.bottom - 1))
            --span.bottom;
        need[i] = span;
        AddCover(k, d, w, h, cover);
    }
    return need;
}

// Whether a draw whose rows and columns lie within these bounds may cover a quarter of a target w x h.
bool Large(double left, double top, double right, double bottom, int w, int h) {
    const double cw = std::clamp(right, 0.0, double(w)) - std::clamp(left, 0.0, double(w));
    const double ch = std::clamp(bottom, 0.0, double(h)) - std::clamp(top, 0.0, double(h));
    return cw * ch >= double(w) * h / 4;
}

// Whether the size of the next draw matters: to begin holding, or to look for covered rows.
bool AskLarge(const D3DKeptDraws* k) {
    return k && (k->on ? !k->large : k->holdLarge);
}

bool LargeTriangles(const TLVERTEX* v, std::size_t n, int w, int h) {
    if (n == 0) return false;
    // The bounds are found among the coordinates as they are, and widened after: the same values.
    float l = v[0].x, r = v[0].x, t = v[0].y, b = v[0].y;
    for (std::size_t i = 1; i < n; ++i) {
        l = std::min(l, v[i].x), r = std::max(r, v[i].x);
        t = std::min(t, v[i].y), b = std::max(b, v[i].y);
    }
    return std::isfinite(double{l} + double{r} + double{t} + double{b}) && Large(l, t, r, b, w, h);
}

bool LargeFill(const D3DRECT* rects, DWORD count, int w, int h) {
    if (count == 0) return true;
    for (DWORD i = 0; i < count; ++i)
        if (Large(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2, w, h)) return true;
    return false;
}

void PutState(DrawKeys& keys, const RasterState& rs) {
    struct {
        StageArgs stage;
        DWORD factor, srcBlend, destBlend, cull, underRaw, flags;
    } k{rs.stage,
        rs.textureFactor,
        rs.srcBlend,
        rs.destBlend,
        rs.cull,
        rs.underRaw,
        DWORD{rs.blend} | DWORD{rs.under} << 1};
    keys.Put(k);
}

} // namespace

void Direct3DSurface9::TakeLoss() const {
    if (!contentsLost_.load(std::memory_order_relaxed) || !contentsLost_.exchange(false)) return;
    // A device loss took the pixels: the draws kept back go with them, and the store is emptied (a
    // new one where draws kept back elsewhere still read it).
    StopKeeping();
    if (pixels_.use_count() > 1) {
        auto empty = std::make_shared<PixelBuffer>();
        empty->Allocate(pixels_->width, pixels_->height, pixels_->format);
        pixels_ = std::move(empty);
    } else {
        std::fill(pixels_->bytes.begin(), pixels_->bytes.end(), 0);
    }
    state_ = NextPixelState();
    changed_ = RowSpan{0, pixels_->height};
}

PixelBuffer& Direct3DSurface9::BeginWrite(int top, int bottom) const {
    TakeLoss();
    // A store that draws kept back elsewhere read is theirs; this surface takes a copy.
    if (pixels_.use_count() > 1) pixels_ = std::make_shared<PixelBuffer>(*pixels_);
    if (stateRead_) state_ = NextPixelState();
    stateRead_ = false;
    changed_.Add(std::max(0, top), std::min(pixels_->height, bottom));
    return *pixels_;
}

void Direct3DSurface9::StopKeeping() const {
    if (!kept_) return;
    kept_->Restart();
    kept_->on = false;
    kept_->fresh = false;
    kept_->haveHeld = false;
    kept_->heldIsKeys = false;
    kept_->held.Clear();
    kept_->holdLarge = false;
}

void Direct3DSurface9::AgeKeeping() const {
    if (!kept_ || !kept_->on || (kept_->resolves < 2 && kept_->draws.size() < kMaxKeptDraws)) return;
    Resolve();
    StopKeeping();
}

PixelBuffer& Direct3DSurface9::Pixels() {
    Resolve();
    StopKeeping();
    return BeginWrite(0, pixels_->height);
}

const PixelBuffer& Direct3DSurface9::Pixels() const {
    Resolve();
    return *pixels_;
}

std::shared_ptr<const PixelBuffer> Direct3DSurface9::Store() const {
    Resolve();
    return pixels_;
}

std::uint64_t Direct3DSurface9::State() const {
    Resolve();
    stateRead_ = true;
    return state_;
}

void Direct3DSurface9::Resolve() const {
    TakeLoss();
    if (!kept_ || !kept_->on || !kept_->fresh) return;
    D3DKeptDraws& k = *kept_;
    const int w = pixels_->width, h = pixels_->height;
    if (k.keyless) {
        // Draws held without keys run in every row they may write, and holding ends.
        RowSpan rows;
        for (const D3DKeptDraw& d : k.draws)
            rows.Add(d.rows);
        const std::vector<RowSpan> need = RowsToRun(k, w, h, rows);
        if (!rows.Empty()) {
            PixelBuffer& t = BeginWrite(rows.top, rows.bottom);
            for (std::size_t i = 0; i < k.draws.size(); ++i)
                if (!need[i].Empty()) RunKept(k, k.draws[i], t, need[i]);
        }
        const bool hold = k.holdLarge;
        StopKeeping();
        k.holdLarge = hold;
        return;
    }
    const RowSpan rows = k.haveHeld ? ChangedRows(k.held, k.keys) : RowSpan{0, pixels_->height};
    // Without what the pixels held (their first frame, or written since), every row is run too.
    k.wholeFrames = rows.top <= 0 && rows.bottom >= pixels_->height ? k.wholeFrames + 1 : 0;
    k.heldIsKeys = true;
    k.haveHeld = true;
    k.fresh = false;
    ++k.resolves;
    if (rows.Empty()) return;
    PixelBuffer& t = BeginWrite(rows.top, rows.bottom);
    // Only a frame with a draw of a quarter of the target or more is looked at for rows the later
    // draws write completely: many small draws alone would pay for the looking and seldom gain.
    if (!k.large) {
        for (const D3DKeptDraw& d : k.draws)
            RunKept(k, d, t, rows);
        return;
    }
    const std::vector<RowSpan> need = RowsToRun(k, w, h, rows);
    for (std::size_t i = 0; i < k.draws.size(); ++i)
        if (!need[i].Empty()) RunKept(k, k.draws[i], t, need[i]);
}

void Direct3DSurface9::BeginCoveredFrame() {
    if (!kept_) kept_ = std::make_unique<D3DKeptDraws>();
    D3DKeptDraws& k = *kept_;
    if (k.wholeFrames >= D3DKeptDraws::kWholeFramesToRest) {
        k.wholeFrames = 0;
        k.unkeptFrames = D3DKeptDraws::kUnkeptFrames;
    }
    if (k.unkeptFrames > 0) {
        // The draws kept back so far are covered by this frame and need never run.
        --k.unkeptFrames;
        StopKeeping();
        k.holdLarge = true;
        return;
    }
    k.Restart();
}

void Direct3DSurface9::DiscardPixels() {
    if (!IsRenderTarget() || locked_ || dc_) return;
    TakeLoss();
    BeginCoveredFrame();
    if (!kept_->on) return;
    // What the pixels hold under the frame is undefined: nothing is written for it.
    D3DKeptDraw d;
    d.kind = D3DDrawKind::Discard;
    kept_->keys.Begin();
    kept_->keys.Put(D3DDrawKind::Discard);
    kept_->keys.End(0, pixels_->height);
    kept_->draws.push_back(d);
}

void Direct3DSurface9::SubmitFill(const D3DRECT* rects, DWORD count, std::uint32_t raw) {
    TakeLoss();
    const int w = pixels_->width, h = pixels_->height;
    if (!rects) count = 0;
    RowSpan rows;
    bool covers = count == 0;
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT& r = rects[i];
        if (r.x1 < r.x2 && r.y1 < r.y2) rows.Add(CutRows(r.y1, r.y2, h));
        covers = covers || (r.x1 <= 0 && r.y1 <= 0 && r.x2 >= w && r.y2 >= h);
    }
    if (count == 0) rows = RowSpan{0, h};
    if (covers) {
        // The draws kept back so far are covered and need never run: the pixels are still those of
        // the draws run last.
        BeginCoveredFrame();
    }
    AgeKeeping();
    const bool large = AskLarge(kept_.get()) && LargeFill(rects, count, w, h);
    if (kept_ && !kept_->on && kept_->holdLarge && large) kept_->Hold();
    if (!kept_ || !kept_->on) {
        if (!rows.Empty()) RunFill(BeginWrite(rows.top, rows.bottom), rects, count, raw, 0, h);
        return;
    }
    D3DKeptDraws& k = *kept_;
    D3DKeptDraw d;
    d.kind = D3DDrawKind::Fill;
    d.colour = raw;
    d.first = k.rects.size();
    d.size = count;
    d.rows = rows;
    k.large = k.large || large;
    if (count) k.rects.insert(k.rects.end(), rects, rects + count);
    if (!k.keyless) {
        k.Adding();
        k.keys.Begin();
        k.keys.Put(D3DDrawKind::Fill);
        k.keys.Put(raw);
        if (count) k.keys.PutBytes(rects, count * sizeof(D3DRECT));
        k.keys.End(rows.top, rows.bottom);
    }
    k.draws.push_back(d);
    k.fresh = true;
}

bool Direct3DSurface9::KeepsTriangles(const RasterState& state, const Direct3DSurface9* texture,
                                      D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* v,
                                      std::size_t vertexCount, bool& large) {
    TakeLoss();
    if (IsRenderTarget() &&
        CoversTarget(state, texture, type, count, v, vertexCount, pixels_->width, pixels_->height)) {
        // As a clear of the whole target: what was kept back so far need never run.
        BeginCoveredFrame();
    }
    AgeKeeping();
    large = AskLarge(kept_.get()) && LargeTriangles(v, vertexCount, pixels_->width, pixels_->height);
    if (kept_ && kept_->keyless && texture == this) Resolve(); // read as they are, held draws run first
    if (kept_ && !kept_->on && kept_->holdLarge && large && texture != this) kept_->Hold();
    return kept_ && kept_->on;
}

void Direct3DSurface9::RunTrianglesNow(RasterState& rs, const Direct3DSurface9* texture,
                                       D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* v,
                                       std::size_t vertexCount) {
    // An upright rectangle (the common draw) writes the rows of its pixels, known from its corners.
    const bool upright =
        type == D3DPT_TRIANGLESTRIP && count == 2 && vertexCount == 4 && AxisAlignedQuad(rs, v);
    PixelRect rect;
    RowSpan rows;
    if (upright) {
        rect = UprightPixels(v, pixels_->width, pixels_->height, 0, pixels_->height);
        if (rect.Empty()) return;
        rows = RowSpan{rect.y0, rect.y1};
    } else {
        rows = TriangleRows(v, vertexCount, pixels_->height);
    }
    if (rows.Empty()) return;
    // The texture is read before the target is written: a surface drawn onto itself reads its
    // pixels as they were (kept here); another surface's pixels stay as they are meanwhile.
    std::shared_ptr<const PixelBuffer> own;
    if (texture == this) {
        own = Store();
        rs.texture = own.get();
    } else if (texture) {
        rs.texture = &std::as_const(*texture).Pixels();
        rs.tiles = texture->Tiles().get();
    }
    rs.target = &BeginWrite(rows.top, rows.bottom);
    if (upright)
        RasterUprightQuad(rs, v, rect);
    else
        RunTriangles(rs, type, count, v);
}

void Direct3DSurface9::KeepTriangles(const RasterState& state, const Direct3DSurface9* texture,
                                     D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* v,
                                     std::size_t vertexCount, bool large) {
    const RowSpan rows = TriangleRows(v, vertexCount, pixels_->height);
    D3DKeptDraws& k = *kept_;
    D3DKeptDraw d;
    d.kind = D3DDrawKind::Triangles;
    d.rs = state;
    d.rs.target = nullptr;
    d.rs.texture = nullptr;
    d.type = type;
    d.count = count;
    d.first = k.vertices.size();
    d.size = vertexCount;
    d.rows = rows;
    // The texture as it is now is what the draw reads, whenever it runs; its state number says which.
    std::uint64_t textureState = 0;
    if (texture) {
        d.texture = texture->Store();
        textureState = texture->State();
        d.tiles = texture->Tiles();
    }
    k.vertices.insert(k.vertices.end(), v, v + vertexCount);
    k.large = k.large || large;
    if (!k.keyless) {
        k.Adding();
        k.keys.Begin();
        k.keys.Put(D3DDrawKind::Triangles);
        PutState(k.keys, state);
        k.keys.Put(textureState);
        k.keys.Put(type);
        k.keys.Put(count);
        k.keys.PutBytes(v, vertexCount * sizeof(TLVERTEX));
        k.keys.End(rows.top, rows.bottom);
    }
    k.draws.push_back(std::move(d));
    k.fresh = true;
}

void Direct3DSurface9::SubmitTriangles(RasterState& state, const Direct3DSurface9* texture,
                                       D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* v,
                                       std::size_t vertexCount) {
    bool large = false;
    if (KeepsTriangles(state, texture, type, count, v, vertexCount, large))
        KeepTriangles(state, texture, type, count, v, vertexCount, large);
    else
        RunTrianglesNow(state, texture, type, count, v, vertexCount);
}

void Direct3DSurface9::SubmitQuads(const RasterState& state, const Direct3DSurface9* texture,
                                   const TLVERTEX* v, std::size_t quads) {
    // Another surface's pixels and tiles, as the first quad run now reads them: drawing onto this
    // surface leaves them as they are for the quads after it.
    const PixelBuffer* texels = nullptr;
    TexelTiles* tiles = nullptr;
    bool read = false;
    RasterState rs = state;
    for (std::size_t q = 0; q < quads; ++q) {
        const TLVERTEX* quad = v + 4 * q;
        bool large = false;
        if (KeepsTriangles(state, texture, D3DPT_TRIANGLESTRIP, 2, quad, 4, large)) {
            KeepTriangles(state, texture, D3DPT_TRIANGLESTRIP, 2, quad, 4, large);
            continue;
        }
        if (texture == this || !AxisAlignedQuad(state, quad)) {
            rs = state;
            RunTrianglesNow(rs, texture, D3DPT_TRIANGLESTRIP, 2, quad, 4);
            continue;
        }
        const PixelRect rect = UprightPixels(quad, pixels_->width, pixels_->height, 0, pixels_->height);
        if (rect.Empty()) continue;
        if (texture && !read) {
            texels = &std::as_const(*texture).Pixels();
            tiles = texture->Tiles().get();
            read = true;
        }
        rs.texture = texels;
        rs.tiles = tiles;
        rs.target = &BeginWrite(rect.y0, rect.y1);
        RasterUprightQuad(rs, quad, rect);
    }
}

void Direct3DSurface9::SubmitGlyph(const std::uint8_t* coverage, int w, int h, int x, int y, DWORD colour) {
    TakeLoss();
    if (!coverage || w <= 0 || h <= 0) return;
    const RowSpan rows = CutRows(y, static_cast<long long>(y) + h, pixels_->height);
    if (rows.Empty()) return;
    AgeKeeping();
    if (!kept_ || !kept_->on) {
        RunGlyph(BeginWrite(rows.top, rows.bottom), coverage, w, h, x, y, colour, 0, pixels_->height);
        return;
    }
    D3DKeptDraws& k = *kept_;
    const std::size_t bytes = static_cast<std::size_t>(w) * h;
    D3DKeptDraw d;
    d.kind = D3DDrawKind::Glyph;
    d.first = k.coverage.size();
    d.size = bytes;
    d.w = w;
    d.h = h;
    d.x = x;
    d.y = y;
    d.colour = colour;
    d.rows = rows;
    k.coverage.insert(k.coverage.end(), coverage, coverage + bytes);
    if (!k.keyless) {
        k.Adding();
        k.keys.Begin();
        k.keys.Put(D3DDrawKind::Glyph);
        k.keys.Put(d.w);
        k.keys.Put(d.h);
        k.keys.Put(d.x);
        k.keys.Put(d.y);
        k.keys.Put(colour);
        k.keys.PutBytes(coverage, bytes);
        k.keys.End(rows.top, rows.bottom);
    }
    k.draws.push_back(d);
    k.fresh = true;
}

bool Direct3DSurface9::Opaque() const {
    Resolve();
    stateRead_ = true;
    if (opaqueState_ != state_) {
        opaque_ = AllOpaque(*pixels_);
        opaqueState_ = state_;
    }
    return opaque_;
}

const std::shared_ptr<TexelTiles>& Direct3DSurface9::Tiles() const {
    static const std::shared_ptr<TexelTiles> none;
    if (format_ != D3DFMT_A8R8G8B8) return none;
    const std::uint64_t state = State();
    if (tilesState_ != state) {
        tilesState_ = state;
        tilesUses_ = 0;
        tiles_.reset();
    }
    if (tilesUses_ < 2) ++tilesUses_;
    if (tilesUses_ < 2) return none;
    if (!tiles_) tiles_ = std::make_shared<TexelTiles>(*pixels_);
    return tiles_;
}

FrameChange Direct3DSurface9::TakeChange() {
    Resolve();
    stateRead_ = true;
    FrameChange c{presentedState_, state_, changed_.top, changed_.bottom};
    presentedState_ = state_;
    changed_ = RowSpan{};
    return c;
}

} // namespace gfx
