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
    const RowSpan rows = k.haveHeld ? ChangedRows(k.held, k.keys) : RowSpan{0, pixels_->height};
    // Without what the pixels held (their first frame, or written since), every row is run too.
    k.wholeFrames = rows.top <= 0 && rows.bottom >= pixels_->height ? k.wholeFrames + 1 : 0;
    k.heldIsKeys = true;
    k.haveHeld = true;
    k.fresh = false;
    ++k.resolves;
    if (rows.Empty()) return;
    PixelBuffer& t = BeginWrite(rows.top, rows.bottom);
    for (const D3DKeptDraw& d : k.draws)
        RunKept(k, d, t, rows);
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
    if (count) k.rects.insert(k.rects.end(), rects, rects + count);
    k.Adding();
    k.keys.Begin();
    k.keys.Put(D3DDrawKind::Fill);
    k.keys.Put(raw);
    if (count) k.keys.PutBytes(rects, count * sizeof(D3DRECT));
    k.keys.End(rows.top, rows.bottom);
    k.draws.push_back(d);
    k.fresh = true;
}

void Direct3DSurface9::SubmitTriangles(const RasterState& state, const Direct3DSurface9* texture,
                                       D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* v,
                                       std::size_t vertexCount) {
    TakeLoss();
    if (IsRenderTarget() &&
        CoversTarget(state, texture, type, count, v, vertexCount, pixels_->width, pixels_->height)) {
        // As a clear of the whole target: what was kept back so far need never run.
        BeginCoveredFrame();
    }
    AgeKeeping();
    if (!kept_ || !kept_->on) {
        // An upright rectangle (the common draw) writes the rows of its pixels, known from its corners.
        const bool upright =
            type == D3DPT_TRIANGLESTRIP && count == 2 && vertexCount == 4 && AxisAlignedQuad(state, v);
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
        RasterState rs = state;
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
        return;
    }
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
    // The texture as it is now is what the draw reads, whenever it runs; its state number says which.
    std::uint64_t textureState = 0;
    if (texture) {
        d.texture = texture->Store();
        textureState = texture->State();
        d.tiles = texture->Tiles();
    }
    k.vertices.insert(k.vertices.end(), v, v + vertexCount);
    k.Adding();
    k.keys.Begin();
    k.keys.Put(D3DDrawKind::Triangles);
    PutState(k.keys, state);
    k.keys.Put(textureState);
    k.keys.Put(type);
    k.keys.Put(count);
    k.keys.PutBytes(v, vertexCount * sizeof(TLVERTEX));
    k.keys.End(rows.top, rows.bottom);
    k.draws.push_back(std::move(d));
    k.fresh = true;
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
    k.coverage.insert(k.coverage.end(), coverage, coverage + bytes);
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
