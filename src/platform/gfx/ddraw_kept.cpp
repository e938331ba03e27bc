// A surface's draws kept back until its pixels are needed. From a draw that covers every pixel (a
// fill or an unkeyed copy of the whole surface, or a frame announced to cover it), the fills and
// copies of a frame are only recorded, each with a key of everything it reads; when the pixels are
// needed, the draws run in the rows where their keys differ from those of the draws the store holds.
// A window's back buffer, which trades stores with the primary each frame, takes the spare store as
// it is: its own keys say what it holds.
#include "platform/gfx/ddraw_kept.h"
#include <algorithm>
#include <cstring>

namespace gfx {

namespace {

void PutFill(DrawKeys& keys, const RECT& r, std::uint32_t raw) {
    keys.Begin();
    keys.Put(std::uint8_t{1});
    keys.Put(r);
    keys.Put(raw);
    keys.End(static_cast<int>(r.top), static_cast<int>(r.bottom));
}

void RunKept(const DDKeptDraw& d, SurfaceStore& s, const RowSpan& rows) {
    if (d.discard) return;
    if (d.fill) {
        const LONG top = std::max<LONG>(d.rect.top, rows.top),
                   bottom = std::min<LONG>(d.rect.bottom, rows.bottom);
        if (top < bottom && d.rect.left < d.rect.right) s.Fill(d.rect.left, top, d.rect.right, bottom, d.raw);
        return;
    }
    BlitParams bp = d.bp;
    bp.dst = &s;
    bp.src = d.src.get();
    bp.j0 = std::max(bp.j0, rows.top - bp.dy);
    bp.j1 = std::min(bp.j1, rows.bottom - bp.dy);
    if (bp.j0 < bp.j1) KeyedCopyByTiles(bp, d.src->version, d.src->keyTiles);
}

// The source pixels a copy reads from `from`, as a store of their own, the copy set to read them there.
void TakeOwnSource(DDKeptDraw& d, const SurfaceStore& from) {
    BlitParams& bp = d.bp;
    const int c0 = bp.sw > 0 ? bp.sx : bp.sx + bp.sw + 1, r0 = bp.sh > 0 ? bp.sy : bp.sy + bp.sh + 1;
    const int cw = bp.sw > 0 ? bp.sw : -bp.sw, rh = bp.sh > 0 ? bp.sh : -bp.sh;
    auto own = std::make_shared<SurfaceStore>();
    own->Allocate(cw, rh, from.format);
    const int bpp = BytesPerPixel(from.format);
    for (int y = 0; y < rh; ++y)
        std::memcpy(own->Row(y), from.Row(r0 + y) + static_cast<std::size_t>(c0) * bpp,
                    static_cast<std::size_t>(cw) * bpp);
    bp.sx -= c0;
    bp.sy -= r0;
    d.src = std::move(own);
}

} // namespace

void DirectDrawSurface7::LetGoOfStore() {
    if (!dd_ || pixels_.use_count() <= 1) return;
    for (DirectDrawSurface7* s : dd_->Surfaces()) {
        if (s == this || !s->kept_ || !s->kept_->on) continue;
        for (DDKeptDraw& d : s->kept_->draws)
            if (!d.fill && d.src == pixels_) {
                TakeOwnSource(d, *pixels_);
                // Pixels drawn from and then written again (a work surface for text): later copies
                // take what they read at once.
                scratch_ = true;
            }
    }
}

const DDKeptDraws* DirectDrawSurface7::KeptDraws() const {
    return kept_ && kept_->on ? kept_.get() : nullptr;
}

void DirectDrawSurface7::StopKeeping() const {
    if (!kept_) return;
    kept_->Restart();
    kept_->on = false;
    kept_->fresh = false;
}

void DirectDrawSurface7::Resolve() const {
    if (!kept_ || !kept_->on || !kept_->fresh) return;
    DDKeptDraws& k = *kept_;
    k.fresh = false;
    // A store of its own: the spare as it is (its keys say what it holds), else a copy.
    if (pixels_.use_count() > 1) {
        const SurfaceStore& shared = *pixels_;
        if (spare_ && spare_.use_count() == 1 && spare_->width == shared.width &&
            spare_->height == shared.height && spare_->format == shared.format &&
            spare_->pitch == shared.pitch)
            pixels_ = std::move(spare_);
        else
            pixels_ = std::make_shared<SurfaceStore>(shared);
        spare_.reset();
    }
    SurfaceStore& s = *pixels_;
    const RowSpan all{0, s.height};
    const RowSpan rows = s.haveHeld ? ChangedRows(s.held, k.keys) : all;
    for (const DDKeptDraw& d : k.draws)
        RunKept(d, s, rows);
    // What changed since the pixels of the draws run last, which the presenter may be showing.
    const bool same = s.version == k.lastState && s.haveHeld;
    const RowSpan shown = k.lastState == 0 ? all : same ? rows : ChangedRows(k.last, k.keys);
    s.version = NextPixelState();
    s.origin = FrameOrigin{};
    s.change = FrameChange{k.lastState, s.version, shown.top, shown.bottom};
    s.held = k.keys;
    s.haveHeld = true;
    k.last = k.keys;
    k.lastState = s.version;
    ++k.resolves;
}

bool DirectDrawSurface7::Keeping(bool covers) {
    if (IsPrimary() || locked_ || dc_ || lost_) return false;
    if (covers) {
        // What was kept back so far is covered and need never run.
        if (!kept_) kept_ = std::make_unique<DDKeptDraws>();
        kept_->Restart();
    }
    if (kept_ && kept_->on && (kept_->resolves >= 2 || kept_->draws.size() >= kMaxKeptDraws)) {
        Resolve();
        StopKeeping();
    }
    return kept_ && kept_->on;
}

bool DirectDrawSurface7::KeepFill(const RECT& r, std::uint32_t raw, bool covers) {
    if (!Keeping(covers)) return false;
    DDKeptDraw d;
    d.fill = true;
    d.rect = r;
    d.raw = raw;
    PutFill(kept_->keys, r, raw);
    kept_->draws.push_back(d);
    kept_->fresh = true;
    return true;
}

bool DirectDrawSurface7::KeepCopy(const BlitParams& bp, DirectDrawSurface7* src, bool covers) {
    if (src == this || !Keeping(covers)) return false;
    src->Resolve();
    DDKeptDraw d;
    d.bp = bp;
    d.bp.dst = nullptr;
    d.bp.src = nullptr;
    d.bp.key = src->key_;
    DrawKeys& keys = kept_->keys;
    keys.Begin();
    keys.Put(std::uint8_t{2});
    const int geometry[] = {bp.dx, bp.dy, bp.dw, bp.dh, bp.i0, bp.j0,
                            bp.i1, bp.j1, bp.sx, bp.sy, bp.sw, bp.sh};
    keys.Put(geometry);
    if (src->scratch_) {
        // A surface written again soon after it is drawn from: the pixels read are copied now and are
        // themselves the key, so that the same text drawn again is the same draw.
        TakeOwnSource(d, *src->pixels_);
        keys.PutBytes(d.src->bytes.data(), d.src->bytes.size());
    } else {
        d.src = src->pixels_;
        keys.Put(src->pixels_->version);
    }
    keys.Put(static_cast<std::uint8_t>(bp.keyed));
    keys.Put(d.bp.key);
    keys.End(bp.dy + bp.j0, bp.dy + bp.j1);
    kept_->draws.push_back(std::move(d));
    kept_->fresh = true;
    return true;
}

void DirectDrawSurface7::DiscardPixels() {
    if (locked_ || dc_ || lost_) return;
    if (IsPrimary()) {
        BeginWrite(0, pixels_->height, true);
        return;
    }
    // What the pixels hold under the frame is undefined: nothing is written for it.
    if (!kept_) kept_ = std::make_unique<DDKeptDraws>();
    kept_->Restart();
    DDKeptDraw d;
    d.discard = true;
    kept_->keys.Begin();
    kept_->keys.Put(std::uint8_t{3});
    kept_->keys.End(0, pixels_->height);
    kept_->draws.push_back(d);
}

} // namespace gfx
