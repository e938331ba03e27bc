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

// The rows a draw writes (all of them for a discard, which writes none).
RowSpan DrawnRows(const DDKeptDraw& d) {
    if (d.fill) return RowSpan{static_cast<int>(d.rect.top), static_cast<int>(d.rect.bottom)};
    return RowSpan{d.bp.dy + d.bp.j0, d.bp.dy + d.bp.j1};
}

// What a draw writes completely, added to `c`.
void AddCover(const DDKeptDraw& d, RowCover& c) {
    if (d.discard) return;
    if (d.fill) {
        if (d.rect.left < d.rect.right)
            c.Add(static_cast<int>(d.rect.top), static_cast<int>(d.rect.bottom),
                  static_cast<int>(d.rect.left), static_cast<int>(d.rect.right));
        return;
    }
    const BlitParams& bp = d.bp;
    const int left = bp.dx + bp.i0, right = bp.dx + bp.i1;
    if (!bp.keyed) {
        c.Add(bp.dy + bp.j0, bp.dy + bp.j1, left, right);
        return;
    }
    // Keyed, unscaled: the bands of rows whose tiles read hold no key pixel.
    if (bp.sw != bp.dw || bp.sh != bp.dh || !d.src) return;
    const SurfaceStore& s = *d.src;
    const int c0 = bp.sx + bp.i0, c1 = bp.sx + bp.i1, r1 = bp.sy + bp.j1;
    for (int y = bp.sy + bp.j0; y < r1;) {
        const int next = std::min(r1, (y / kKeyTile + 1) * kKeyTile);
        if (ReadsNoKey(s, s.version, bp.key, c0, y, c1, next, s.keyTiles))
            c.Add(y - bp.sy + bp.dy, next - bp.sy + bp.dy, left, right);
        y = next;
    }
}

// The pixels a draw covers (a discard none).
long long DrawnArea(const DDKeptDraw& d) {
    if (d.discard) return 0;
    if (d.fill)
        return static_cast<long long>(std::max<LONG>(d.rect.right - d.rect.left, 0)) *
               std::max<LONG>(d.rect.bottom - d.rect.top, 0);
    return static_cast<long long>(std::max(d.bp.i1 - d.bp.i0, 0)) * std::max(d.bp.j1 - d.bp.j0, 0);
}

// The rows of `rows` each draw still has to write: of the rows it draws, those at either end that the
// draws after it write completely are left out. Only a frame with a draw of a quarter of the target or
// more is looked at so (none are left out otherwise, and the list is empty): many small draws alone
// would pay for the looking and seldom gain.
std::vector<RowSpan> RowsToRun(const std::vector<DDKeptDraw>& draws, int width, int height,
                               const RowSpan& rows) {
    const long long quarter = static_cast<long long>(width) * height / 4;
    if (std::none_of(draws.begin(), draws.end(),
                     [&](const DDKeptDraw& d) { return DrawnArea(d) >= quarter; }))
        return {};
    std::vector<RowSpan> need(draws.size());
    RowCover cover(width, rows);
    for (std::size_t i = draws.size(); i-- > 0;) {
        const RowSpan drawn = DrawnRows(draws[i]);
        RowSpan span{std::max(drawn.top, rows.top), std::min(drawn.bottom, rows.bottom)};
        while (span.top < span.bottom && cover.Whole(span.top))
            ++span.top;
        while (span.bottom > span.top && cover.Whole(span.bottom - 1))
            --span.bottom;
        need[i] = span;
        AddCover(draws[i], cover);
    }
    return need;
}

// The source pixels a copy of `list` reads from `from`, as a store of their own that the list holds,
// the copy set to read them there.
void TakeOwnSource(DDKeptDraws& list, DDKeptDraw& d, const SurfaceStore& from) {
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
    d.src.store = own.get();
    list.owned.push_back(std::move(own));
}

// Room for one more draw, taken before the draw is made: a draw joins the list only whole, its key
// put, and the push that adds it then cannot fail for want of memory.
void RoomForOneMore(std::vector<DDKeptDraw>& draws) {
    if (draws.size() == draws.capacity()) draws.reserve(std::max<std::size_t>(64, draws.capacity() * 2));
}

} // namespace

void DirectDrawSurface7::LetGoOfStore() {
    if (!dd_ || pixels_.use_count() <= 1) return;
    for (DirectDrawSurface7* s : dd_->Surfaces()) {
        if (s == this || !s->kept_ || !s->kept_->on) continue;
        for (DDKeptDraw& d : s->kept_->draws)
            if (!d.fill && d.src.get() == pixels_.get()) {
                TakeOwnSource(*s->kept_, d, *pixels_);
                // Pixels drawn from and then written again (a work surface for text): later copies
                // take what they read at once.
                scratch_ = true;
            }
        s->kept_->LetGo(pixels_.get());
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
    const std::vector<RowSpan> need = RowsToRun(k.draws, s.width, s.height, rows);
    for (std::size_t i = 0; i < k.draws.size(); ++i)
        RunKept(k.draws[i], s, need.empty() ? rows : need[i]);
    // What changed since the pixels of the draws run last, which the presenter may be showing.
    // Without the keys of the draws run last (their store went or was written since), every row.
    const bool same = s.version == k.lastState && s.haveHeld;
    RowSpan shown = all;
    if (k.lastState != 0 && same) {
        shown = rows;
    } else if (k.lastState != 0) {
        const std::shared_ptr<const SurfaceStore> last = k.lastStore.lock();
        if (last && last->version == k.lastState && last->haveHeld) shown = ChangedRows(last->held, k.keys);
    }
    s.version = NextPixelState();
    s.origin = FrameOrigin{};
    s.change = FrameChange{k.lastState, s.version, shown.top, shown.bottom};
    s.held = k.keys;
    s.haveHeld = true;
    k.lastStore = pixels_;
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
    RoomForOneMore(kept_->draws);
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
    // The source's own draws kept back have run (RunCopy resolves it first). The draw joins the list
    // once it is whole (its pixels held, its key put): memory that runs out on the way leaves the
    // list as it was.
    std::vector<DDKeptDraw>& draws = kept_->draws;
    RoomForOneMore(draws);
    DDKeptDraw d(bp, src->key_);
    // The key, put at once: the operation, the geometry, the keying and the state of the source's
    // pixels, or (state 0) the pixels read, which follow.
    struct CopyKey {
        std::uint64_t state;
        int geometry[12];
        std::uint32_t key;
        std::uint8_t op, keyed, unused[2];
    };
    static_assert(sizeof(CopyKey) == 8 + 12 * 4 + 4 + 4, "the key has no padding");
    const CopyKey key{src->scratch_ ? 0 : src->pixels_->version,
                      {bp.dx, bp.dy, bp.dw, bp.dh, bp.i0, bp.j0, bp.i1, bp.j1, bp.sx, bp.sy, bp.sw, bp.sh},
                      d.bp.key,
                      2,
                      static_cast<std::uint8_t>(bp.keyed),
                      {0, 0}};
    DrawKeys& keys = kept_->keys;
    // A frame's draws and keys are put into room last written a frame before: it is asked for, to be
    // written, a few draws ahead.
    keys.AskRoomAhead();
    __builtin_prefetch(draws.data() + draws.size() + 4, 1);
    if (src->scratch_) {
        // A surface written again soon after it is drawn from: the pixels read are copied now and are
        // themselves the key, so that the same text drawn again is the same draw.
        TakeOwnSource(*kept_, d, *src->pixels_);
    } else {
        kept_->Hold(src->pixels_);
        d.src.store = src->pixels_.get();
    }
    keys.Begin();
    keys.Put(key);
    if (src->scratch_) keys.PutBytes(d.src->bytes.data(), d.src->bytes.size());
    keys.End(bp.dy + bp.j0, bp.dy + bp.j1);
    draws.push_back(d);
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
    RoomForOneMore(kept_->draws);
    DDKeptDraw d;
    d.discard = true;
    kept_->keys.Begin();
    kept_->keys.Put(std::uint8_t{3});
    kept_->keys.End(0, pixels_->height);
    kept_->draws.push_back(d);
}

} // namespace gfx
