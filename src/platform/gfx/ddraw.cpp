#include "platform/gfx/ddraw.h"
#include "platform/gfx/ddraw_kept.h"
#include "platform/gfx/blit.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"
#include "platform/window.h"
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace gfx {
namespace {

// The live devices, for simulated loss. Guarded because tests may lose surfaces from any thread.
std::mutex g_liveMutex;
std::vector<DirectDraw7*> g_liveDevices;

bool RectInside(const RECT& r, int w, int h) {
    return r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h && r.left <= r.right &&
           r.top <= r.bottom;
}

RECT WholeRect(const PixelBuffer& p) {
    return RECT{0, 0, p.width, p.height};
}

void FillPixelFormat(PixelFormat f, DDPIXELFORMAT* pf) {
    *pf = DDPIXELFORMAT{};
    pf->dwRGBBitCount = static_cast<DWORD>(BitsPerPixel(f));
    switch (f) {
    case PixelFormat::Index8:
        pf->dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
        break;
    case PixelFormat::R5G6B5:
        pf->dwFlags = DDPF_RGB;
        pf->dwRBitMask = 0xF800;
        pf->dwGBitMask = 0x07E0;
        pf->dwBBitMask = 0x001F;
        break;
    case PixelFormat::X1R5G5B5:
    case PixelFormat::A1R5G5B5:
        pf->dwFlags = DDPF_RGB | (f == PixelFormat::A1R5G5B5 ? DDPF_ALPHAPIXELS : 0);
        pf->dwRBitMask = 0x7C00;
        pf->dwGBitMask = 0x03E0;
        pf->dwBBitMask = 0x001F;
        pf->dwRGBAlphaBitMask = f == PixelFormat::A1R5G5B5 ? 0x8000 : 0;
        break;
    default:
        pf->dwFlags = DDPF_RGB | (f == PixelFormat::A8R8G8B8 ? DDPF_ALPHAPIXELS : 0);
        pf->dwRBitMask = 0xFF0000;
        pf->dwGBitMask = 0x00FF00;
        pf->dwBBitMask = 0x0000FF;
        pf->dwRGBAlphaBitMask = f == PixelFormat::A8R8G8B8 ? 0xFF000000u : 0;
        break;
    }
}

std::uint32_t RawMask(PixelFormat f) {
    const int bits = BitsPerPixel(f);
    return bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
}

void LoseLiveSurfaces() {
    std::lock_guard lock(g_liveMutex);
    for (DirectDraw7* dd : g_liveDevices)
        for (DirectDrawSurface7* s : dd->Surfaces())
            if (s->InVideoMemory()) s->MarkLost();
}

} // namespace

// ---- DirectDraw7 ----

HRESULT DirectDrawCreateEx(void*, void** out, IID iid, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (iid != IID_IDirectDraw7 || sim::NoDirectDraw()) return DDERR_GENERIC;
    sim::RegisterLossHooks(nullptr, LoseLiveSurfaces);
    auto* dd = new DirectDraw7();
    // Until a display mode is set (full screen), surfaces take the desktop's depth (window mode).
    dd->bpp_ = dd->desktopBpp_ = GetDeviceCaps(nullptr, BITSPIXEL);
    {
        std::lock_guard lock(g_liveMutex);
        g_liveDevices.push_back(dd);
    }
    *out = dd;
    return DD_OK;
}

DirectDraw7::~DirectDraw7() {
    if (modeSet_) SetDisplayBitsPerPixel(desktopBpp_); // the desktop comes back with the device's end
    std::lock_guard lock(g_liveMutex);
    g_liveDevices.erase(std::remove(g_liveDevices.begin(), g_liveDevices.end(), this), g_liveDevices.end());
    // Surfaces still held by their owners keep working without the device.
    for (DirectDrawSurface7* s : surfaces_)
        s->dd_ = nullptr;
}

void DirectDraw7::ForgetSurface(DirectDrawSurface7* s) {
    std::lock_guard lock(g_liveMutex);
    surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), s), surfaces_.end());
    if (primary_ == s) primary_ = nullptr;
}

PixelFormat DirectDraw7::DisplayFormat() const {
    switch (bpp_) {
    case 8:
        return PixelFormat::Index8;
    case 16:
        return PixelFormat::R5G6B5;
    case 24:
        return PixelFormat::R8G8B8;
    default:
        return PixelFormat::X8R8G8B8;
    }
}

HRESULT DirectDraw7::SetCooperativeLevel(HWND hwnd, DWORD flags) {
    if ((flags & DDSCL_FULLSCREEN) && !(flags & DDSCL_EXCLUSIVE)) return DDERR_INVALIDPARAMS;
    hwnd_ = hwnd;
    coop_ = flags;
    return DD_OK;
}

HRESULT DirectDraw7::SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refreshRate, DWORD) {
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return DDERR_INVALIDMODE;
    if (width == 0 || height == 0 || width > 4096 || height > 4096) return DDERR_INVALIDMODE;
    if (refreshRate != 0 && refreshRate != 60) return DDERR_INVALIDMODE;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    bpp_ = static_cast<int>(bpp);
    modeSet_ = true;
    SetDisplayBitsPerPixel(bpp_);
    // The exclusive owner's window takes the screen.
    if (coop_ & DDSCL_FULLSCREEN) win::SetFullScreen(hwnd_, true);
    return DD_OK;
}

HRESULT DirectDraw7::RestoreDisplayMode() {
    SetDisplayBitsPerPixel(desktopBpp_);
    if (modeSet_ && (coop_ & DDSCL_FULLSCREEN)) win::SetFullScreen(hwnd_, false);
    modeSet_ = false;
    return DD_OK;
}

HRESULT DirectDraw7::GetDisplayMode(DDSURFACEDESC2* desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    *desc = DDSURFACEDESC2{};
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->dwRefreshRate = 60;
    FillPixelFormat(DisplayFormat(), &desc->ddpfPixelFormat);
    return DD_OK;
}

HRESULT DirectDraw7::CreateSurface(DDSURFACEDESC2* desc, LPDIRECTDRAWSURFACE7* out, void*) {
    if (!desc || !out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    const DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : DDSCAPS_OFFSCREENPLAIN;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (primary_) return DDERR_GENERIC;
        DWORD backs = 0;
        if (desc->dwFlags & DDSD_BACKBUFFERCOUNT) {
            if (!(caps & DDSCAPS_FLIP)) return DDERR_INVALIDPARAMS;
            backs = desc->dwBackBufferCount;
            if (backs < 1 || backs > 3) return DDERR_INVALIDPARAMS;
        }
        auto* primary = new DirectDrawSurface7(this, caps | DDSCAPS_VIDEOMEMORY | DDSCAPS_FRONTBUFFER, width_,
                                               height_, DisplayFormat());
        for (DWORD i = 0; i < backs; ++i) {
            auto* back = new DirectDrawSurface7(this, DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_VIDEOMEMORY,
                                                width_, height_, DisplayFormat());
            back->owner_ = primary;
            primary->chain_.push_back(back);
        }
        primary_ = primary;
        *out = primary;
        return DD_OK;
    }
    const bool hasSize = (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) == (DDSD_WIDTH | DDSD_HEIGHT);
    if (!hasSize || desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > 16384 ||
        desc->dwHeight > 16384)
        return DDERR_INVALIDPARAMS;
    const int w = static_cast<int>(desc->dwWidth), h = static_cast<int>(desc->dwHeight);
    DWORD memCaps = caps & DDSCAPS_SYSTEMMEMORY ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY;
    if (memCaps == DDSCAPS_VIDEOMEMORY) {
        const std::size_t bytes = static_cast<std::size_t>(w) * h * BytesPerPixel(DisplayFormat());
        if (videoBytes_ + bytes > sim::VideoMemoryBudget()) return DDERR_OUTOFVIDEOMEMORY;
    }
    try {
        *out = new DirectDrawSurface7(this, (caps & ~(DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)) | memCaps,
                                      w, h, DisplayFormat());
    } catch (const std::bad_alloc&) {
        return DDERR_OUTOFMEMORY;
    }
    return DD_OK;
}

HRESULT DirectDraw7::CreatePalette(DWORD caps, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!(caps & DDPCAPS_8BIT)) return DDERR_UNSUPPORTED;
    auto* p = new DirectDrawPalette();
    if (entries) std::copy_n(entries, 256, p->entries_);
    *out = p;
    return DD_OK;
}

HRESULT DirectDraw7::CreateClipper(DWORD, LPDIRECTDRAWCLIPPER* out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = new DirectDrawClipper();
    return DD_OK;
}

HRESULT DirectDraw7::FlipToGDISurface() {
    return DD_OK;
}

HRESULT DirectDraw7::WaitForVerticalBlank(DWORD, HANDLE) {
    sim::WaitForVerticalBlank();
    return DD_OK;
}

HRESULT DirectDraw7::GetMonitorFrequency(DWORD* frequency) {
    if (!frequency) return DDERR_INVALIDPARAMS;
    *frequency = 60;
    return DD_OK;
}

HRESULT DirectDraw7::GetAvailableVidMem(DDSCAPS2*, DWORD* total, DWORD* free) {
    const std::size_t budget = std::min<std::size_t>(sim::VideoMemoryBudget(), 0xFFFFFFFFu);
    if (total) *total = static_cast<DWORD>(budget);
    if (free) *free = static_cast<DWORD>(budget > videoBytes_ ? budget - videoBytes_ : 0);
    return DD_OK;
}

// ---- palette and clipper ----

HRESULT DirectDrawPalette::SetEntries(DWORD, DWORD start, DWORD count, const PALETTEENTRY* entries) {
    if (!entries || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::copy_n(entries, count, entries_ + start);
    return DD_OK;
}

HRESULT DirectDrawPalette::GetEntries(DWORD, DWORD start, DWORD count, PALETTEENTRY* entries) const {
    if (!entries || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::copy_n(entries_ + start, count, entries);
    return DD_OK;
}

HRESULT DirectDrawClipper::SetHWnd(DWORD, HWND hwnd) {
    hwnd_ = hwnd;
    return DD_OK;
}

// ---- surfaces ----

DirectDrawSurface7::DirectDrawSurface7(DirectDraw7* dd, DWORD caps, int w, int h, PixelFormat f)
    : dd_(dd), caps_(caps), pixels_(std::make_shared<SurfaceStore>()) {
    pixels_->Allocate(w, h, f);
    pixels_->version = NextPixelState();
    std::lock_guard lock(g_liveMutex);
    dd_->surfaces_.push_back(this);
    if (InVideoMemory()) dd_->videoBytes_ += pixels_->bytes.size();
}

DirectDrawSurface7::~DirectDrawSurface7() {
    for (DirectDrawSurface7* back : chain_) {
        back->owner_ = nullptr;
        back->Release();
    }
    if (dc_) DeleteSurfaceDC(dc_);
    SafeRelease(palette_);
    SafeRelease(clipper_);
    if (dd_) {
        if (InVideoMemory()) dd_->videoBytes_ -= std::min(dd_->videoBytes_, pixels_->bytes.size());
        dd_->ForgetSurface(this);
    }
}

HRESULT DirectDrawSurface7::CheckUsable() const {
    if (lost_) return DDERR_SURFACELOST;
    if (locked_) return DDERR_SURFACEBUSY;
    return DD_OK;
}

const PALETTEENTRY* DirectDrawSurface7::EffectivePalette() const {
    if (palette_) return palette_->Entries();
    if (owner_ && owner_->palette_) return owner_->palette_->Entries();
    if (dd_ && dd_->Primary() && dd_->Primary()->palette_) return dd_->Primary()->palette_->Entries();
    return nullptr;
}

void DirectDrawSurface7::PublishToPresenter() {
    Resolve();
    const SurfaceStore& s = *pixels_;
    const bool known = s.change.from != 0 && s.change.state == s.version;
    PublishPixels(s, EffectivePalette(), &s.origin, known ? &s.change : nullptr);
}

HRESULT DirectDrawSurface7::GetAttachedSurface(DDSCAPS2* caps, LPDIRECTDRAWSURFACE7* out) {
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || chain_.empty()) return DDERR_GENERIC;
    chain_.front()->AddRef();
    *out = chain_.front();
    return DD_OK;
}

HRESULT DirectDrawSurface7::Flip(LPDIRECTDRAWSURFACE7, DWORD flags) {
    if (chain_.empty()) return DDERR_NOTFLIPPABLE;
    if (lost_ || chain_.front()->lost_) return DDERR_SURFACELOST;
    if (locked_ || chain_.front()->locked_) return DDERR_SURFACEBUSY;
    if (flags & DDFLIP_WAIT) sim::WaitForVerticalBlank();
    // The back buffer becomes the front: the stores rotate through the chain, each holding the draws
    // run on it; the back buffer begins again from the pixels it now has.
    chain_.front()->Resolve();
    for (DirectDrawSurface7* back : chain_)
        back->StopKeeping();
    std::shared_ptr<SurfaceStore> front = pixels_;
    pixels_ = chain_.front()->pixels_;
    for (std::size_t i = 0; i + 1 < chain_.size(); ++i)
        chain_[i]->pixels_ = chain_[i + 1]->pixels_;
    chain_.back()->pixels_ = front;
    PublishToPresenter();
    return DD_OK;
}

HRESULT DirectDrawSurface7::CheckSource(const DirectDrawSurface7* src, const RECT* srcRect, RECT& sr) const {
    if (!src) return DDERR_INVALIDPARAMS;
    if (src->lost_) return DDERR_SURFACELOST;
    if (src->locked_) return DDERR_SURFACEBUSY;
    const PixelBuffer& s = *src->pixels_;
    if (s.format != pixels_->format) return DDERR_UNSUPPORTED;
    sr = srcRect ? *srcRect : WholeRect(s);
    if (!RectInside(sr, s.width, s.height)) return DDERR_INVALIDRECT;
    return DD_OK;
}

void DirectDrawSurface7::Unshare(bool overwriteAll) {
    LetGoOfStore();
    if (pixels_.use_count() <= 1) return;
    const SurfaceStore& shared = *pixels_;
    std::shared_ptr<SurfaceStore> own;
    if (spare_ && spare_.use_count() == 1 && spare_->width == shared.width &&
        spare_->height == shared.height && spare_->format == shared.format && spare_->pitch == shared.pitch &&
        spare_->bytes.size() == shared.bytes.size()) {
        own = std::move(spare_);
        const FrameOrigin& o = own->origin;
        if (overwriteAll) {
            // Nothing to copy: every pixel is about to be written.
        } else if (o.base != 0 && o.base == shared.version) {
            // The spare was a copy of these very pixels: only the rows written since differ (the
            // back buffer of a window taking its background again each frame).
            if (o.top < o.bottom) {
                const std::size_t at = static_cast<std::size_t>(o.top) * shared.pitch;
                std::memcpy(own->bytes.data() + at, shared.bytes.data() + at,
                            static_cast<std::size_t>(o.bottom - o.top) * shared.pitch);
            }
        } else {
            std::memcpy(own->bytes.data(), shared.bytes.data(), shared.bytes.size());
        }
    } else {
        own = std::make_shared<SurfaceStore>(shared);
    }
    spare_.reset();
    own->origin = overwriteAll ? FrameOrigin{} : FrameOrigin{shared.version, 0, 0};
    own->version = NextPixelState();
    pixels_ = std::move(own);
}

void DirectDrawSurface7::BeginWrite(int top, int bottom, bool overwriteAll) {
    // Draws kept back run first; the pixels written here are no longer those of known draws.
    Resolve();
    StopKeeping();
    Unshare(overwriteAll);
    SurfaceStore& s = *pixels_;
    s.version = NextPixelState();
    s.haveHeld = false;
    FrameOrigin& o = s.origin;
    if (overwriteAll) o = FrameOrigin{};
    if (o.base == 0) return;
    top = std::clamp(top, 0, s.height);
    bottom = std::clamp(bottom, top, s.height);
    if (top == bottom) return;
    if (o.top >= o.bottom) {
        o.top = top;
        o.bottom = bottom;
    } else {
        o.top = std::min(o.top, top);
        o.bottom = std::max(o.bottom, bottom);
    }
}

bool DirectDrawSurface7::ShareWholeCopy(const BlitParams& bp, DirectDrawSurface7* src) {
    const PixelBuffer& d = *pixels_;
    const PixelBuffer& s = *src->pixels_;
    const bool whole = !bp.keyed && bp.dx == 0 && bp.dy == 0 && bp.sx == 0 && bp.sy == 0 &&
                       bp.dw == d.width && bp.dh == d.height && bp.sw == s.width && bp.sh == s.height &&
                       bp.i0 == 0 && bp.j0 == 0 && bp.i1 == bp.dw && bp.j1 == bp.dh;
    // A store written through an open device context or lock cannot be shared.
    if (!whole || src == this || s.width != d.width || s.height != d.height || s.format != d.format ||
        s.pitch != d.pitch || dc_ || src->dc_ || locked_ || src->locked_)
        return false;
    if (pixels_ == src->pixels_) return true;
    // The store given up waits with the source for when it is next written.
    if (pixels_.use_count() == 1) src->spare_ = pixels_;
    pixels_ = src->pixels_;
    return true;
}

bool DirectDrawSurface7::TakePixels(const std::shared_ptr<const SurfaceStore>& store) {
    if (!store || locked_ || dc_ || lost_) return false;
    const PixelBuffer& d = *pixels_;
    if (store->width != d.width || store->height != d.height || store->format != d.format ||
        store->pitch != d.pitch || store->bytes.size() != d.bytes.size())
        return false;
    if (pixels_ == store) return true;
    // Draws kept back are dropped and copies kept elsewhere let go of the old pixels first.
    BeginWrite(0, d.height, true);
    // The store is only ever written by a surface that holds it alone (Unshare copies it first).
    pixels_ = std::const_pointer_cast<SurfaceStore>(store);
    spare_.reset();
    return true;
}

HRESULT DirectDrawSurface7::RunCopy(BlitParams& bp, DirectDrawSurface7* src) {
    src->Resolve();
    // A keyed copy from pixels without the key colour is a plain copy.
    const bool askedKeyed = bp.keyed;
    if (bp.keyed && src != this) {
        SurfaceStore& s = *src->pixels_;
        const bool unscaled = bp.sw == bp.dw && bp.sh == bp.dh;
        const int c0 = unscaled ? bp.sx + bp.i0 : bp.sw > 0 ? bp.sx : bp.sx + bp.sw + 1;
        const int r0 = unscaled ? bp.sy + bp.j0 : bp.sh > 0 ? bp.sy : bp.sy + bp.sh + 1;
        const int c1 = unscaled ? bp.sx + bp.i1 : c0 + std::abs(bp.sw);
        const int r1 = unscaled ? bp.sy + bp.j1 : r0 + std::abs(bp.sh);
        if (!MayHoldKey(s, s.version, src->key_, c0, r0, c1, r1, s.keyTiles)) bp.keyed = false;
    }
    // Every pixel is written by an unkeyed copy that covers the whole surface.
    const PixelBuffer& d = *pixels_;
    const bool coversAll = !bp.keyed && bp.dx + bp.i0 <= 0 && bp.dy + bp.j0 <= 0 &&
                           bp.dx + bp.i1 >= d.width && bp.dy + bp.j1 >= d.height;
    if (KeepCopy(bp, src, coversAll && src != this)) {
        kept_->draws.back().askedKeyed = askedKeyed;
        return DD_OK;
    }
    if (!ShareWholeCopy(bp, src)) {
        BeginWrite(bp.dy + bp.j0, bp.dy + bp.j1, coversAll && src != this);
        bp.dst = pixels_.get();
        bp.key = src->key_;
        if (src == this) {
            PixelBuffer copy = *src->pixels_;
            bp.src = &copy;
            ScaledCopy(bp);
        } else {
            SurfaceStore& from = *src->pixels_;
            bp.src = &from;
            KeyedCopyByTiles(bp, from.version, from.keyTiles);
        }
    }
    if (IsPrimary()) PublishToPresenter();
    return DD_OK;
}

HRESULT DirectDrawSurface7::Blt(RECT* dst, LPDIRECTDRAWSURFACE7 src, RECT* srcRect, DWORD flags,
                                DDBLTFX* fx) {
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    PixelBuffer& d = *pixels_;
    RECT dr = dst ? *dst : WholeRect(d);
    // A windowed primary with a clipper: the destination is cut to the window's client area,
    // which is the whole primary here.
    const bool clipped = IsPrimary() && clipper_ != nullptr;
    if (flags & DDBLT_COLORFILL) {
        if (!fx) return DDERR_INVALIDPARAMS;
        if (clipped) {
            dr.left = std::max<LONG>(dr.left, 0);
            dr.top = std::max<LONG>(dr.top, 0);
            dr.right = std::min<LONG>(dr.right, d.width);
            dr.bottom = std::min<LONG>(dr.bottom, d.height);
            if (dr.right <= dr.left || dr.bottom <= dr.top) return DD_OK;
        } else if (!RectInside(dr, d.width, d.height)) {
            return DDERR_INVALIDRECT;
        }
        const bool covers = dr.left <= 0 && dr.top <= 0 && dr.right >= d.width && dr.bottom >= d.height;
        const std::uint32_t raw = fx->dwFillColor & RawMask(d.format);
        if (KeepFill(dr, raw, covers)) return DD_OK;
        BeginWrite(dr.top, dr.bottom, covers);
        pixels_->Fill(dr.left, dr.top, dr.right, dr.bottom, raw);
        if (IsPrimary()) PublishToPresenter();
        return DD_OK;
    }
    RECT sr;
    if (HRESULT hr = CheckSource(src, srcRect, sr); FAILED(hr)) return hr;
    const bool keyed = (flags & DDBLT_KEYSRC) != 0;
    if (keyed && !src->hasKey_) return DDERR_NOCOLORKEY;
    // Extents in 64 bits: a destination on a clipped primary may lie anywhere.
    const std::int64_t dw64 = std::int64_t(dr.right) - dr.left, dh64 = std::int64_t(dr.bottom) - dr.top;
    if (dw64 < 0 || dh64 < 0 || dw64 > 65536 || dh64 > 65536) return DDERR_INVALIDRECT;
    if (std::int64_t(dr.left) + dw64 > 1 << 30 || std::int64_t(dr.left) < -(1 << 30) ||
        std::int64_t(dr.top) + dh64 > 1 << 30 || std::int64_t(dr.top) < -(1 << 30))
        return DDERR_INVALIDRECT;
    const int dw = static_cast<int>(dw64), dh = static_cast<int>(dh64);
    const int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    // The visible part of the destination, in destination-relative steps.
    int i0 = 0, j0 = 0, i1 = dw, j1 = dh;
    if (clipped) {
        i0 = std::max(0, -static_cast<int>(dr.left));
        j0 = std::max(0, -static_cast<int>(dr.top));
        i1 = std::min(dw, d.width - static_cast<int>(dr.left));
        j1 = std::min(dh, d.height - static_cast<int>(dr.top));
    } else if (!RectInside(dr, d.width, d.height)) {
        return DDERR_INVALIDRECT;
    }
    if (i1 <= i0 || j1 <= j0 || sw == 0 || sh == 0) return DD_OK;
    BlitParams bp;
    bp.dx = dr.left;
    bp.dy = dr.top;
    bp.dw = dw;
    bp.dh = dh;
    bp.i0 = i0;
    bp.j0 = j0;
    bp.i1 = i1;
    bp.j1 = j1;
    bp.sx = sr.left;
    bp.sy = sr.top;
    bp.sw = sw;
    bp.sh = sh;
    bp.keyed = keyed;
    return RunCopy(bp, src);
}

HRESULT DirectDrawSurface7::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 src, RECT* srcRect, DWORD flags) {
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    if (clipper_) return DDERR_UNSUPPORTED; // BltFast cannot clip: a surface with a clipper refuses it
    RECT sr;
    if (HRESULT hr = CheckSource(src, srcRect, sr); FAILED(hr)) return hr;
    const PixelBuffer& d = *pixels_;
    const std::int64_t w = sr.right - sr.left, h = sr.bottom - sr.top;
    if (static_cast<std::int64_t>(x) + w > d.width || static_cast<std::int64_t>(y) + h > d.height)
        return DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && !src->hasKey_) return DDERR_NOCOLORKEY;
    if (w == 0 || h == 0) return DD_OK;
    BlitParams bp;
    bp.dx = static_cast<int>(x);
    bp.dy = static_cast<int>(y);
    bp.dw = bp.i1 = bp.sw = static_cast<int>(w);
    bp.dh = bp.j1 = bp.sh = static_cast<int>(h);
    bp.sx = sr.left;
    bp.sy = sr.top;
    bp.keyed = keyed;
    return RunCopy(bp, src);
}

HRESULT DirectDrawSurface7::SetColorKey(DWORD flags, DDCOLORKEY* key) {
    if (!(flags & DDCKEY_SRCBLT)) return DDERR_UNSUPPORTED;
    if (!key) {
        hasKey_ = false;
        return DD_OK;
    }
    hasKey_ = true;
    key_ = key->dwColorSpaceLowValue & RawMask(pixels_->format);
    return DD_OK;
}

HRESULT DirectDrawSurface7::GetColorKey(DWORD flags, DDCOLORKEY* key) {
    if (!(flags & DDCKEY_SRCBLT) || !key) return DDERR_INVALIDPARAMS;
    if (!hasKey_) return DDERR_NOCOLORKEY;
    key->dwColorSpaceLowValue = key->dwColorSpaceHighValue = key_;
    return DD_OK;
}

HRESULT DirectDrawSurface7::Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE) {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (lost_) return DDERR_SURFACELOST;
    if (locked_ || dc_) return DDERR_SURFACEBUSY;
    if (sim::ConsumeLockFailure()) return DDERR_WASSTILLDRAWING;
    PixelBuffer& p = *pixels_;
    RECT r = rect ? *rect : WholeRect(p);
    if (!RectInside(r, p.width, p.height)) return DDERR_INVALIDRECT;
    // The lock's pointer reaches the whole store: all of it counts as written.
    if (!(flags & DDLOCK_READONLY))
        BeginWrite(0, p.height, false);
    else
        Resolve();
    locked_ = true;
    GetSurfaceDesc(desc);
    desc->dwFlags |= DDSD_LPSURFACE | DDSD_PITCH;
    desc->lpSurface =
        pixels_->bytes.data() + static_cast<std::size_t>(r.top) * p.pitch + r.left * BytesPerPixel(p.format);
    return DD_OK;
}

HRESULT DirectDrawSurface7::Unlock(RECT*) {
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    return DD_OK;
}

HRESULT DirectDrawSurface7::GetDC(HDC* dc) {
    if (!dc) return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    if (lost_) return DDERR_SURFACELOST;
    if (dc_) return DDERR_DCALREADYCREATED;
    if (locked_) return DDERR_SURFACEBUSY;
    BeginWrite(0, pixels_->height, false);
    dc_ = CreateSurfaceDC(pixels_.get(), EffectivePalette());
    *dc = dc_;
    return DD_OK;
}

HRESULT DirectDrawSurface7::ReleaseDC(HDC dc) {
    if (!dc_ || dc != dc_) return DDERR_NODC;
    DeleteSurfaceDC(dc_);
    dc_ = nullptr;
    return DD_OK;
}

HRESULT DirectDrawSurface7::SetPalette(LPDIRECTDRAWPALETTE palette) {
    if (palette && pixels_->format != PixelFormat::Index8) return DDERR_UNSUPPORTED;
    if (palette) palette->AddRef();
    SafeRelease(palette_);
    palette_ = palette;
    return DD_OK;
}

HRESULT DirectDrawSurface7::GetPalette(LPDIRECTDRAWPALETTE* palette) {
    if (!palette) return DDERR_INVALIDPARAMS;
    *palette = palette_;
    if (!palette_) return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    return DD_OK;
}

HRESULT DirectDrawSurface7::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
    if (clipper) clipper->AddRef();
    SafeRelease(clipper_);
    clipper_ = clipper;
    return DD_OK;
}

HRESULT DirectDrawSurface7::GetPixelFormat(DDPIXELFORMAT* pf) {
    if (!pf) return DDERR_INVALIDPARAMS;
    FillPixelFormat(pixels_->format, pf);
    return DD_OK;
}

HRESULT DirectDrawSurface7::GetSurfaceDesc(DDSURFACEDESC2* desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    const PixelBuffer& p = *pixels_;
    *desc = DDSURFACEDESC2{};
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(p.width);
    desc->dwHeight = static_cast<DWORD>(p.height);
    desc->lPitch = p.pitch;
    desc->dwBackBufferCount = static_cast<DWORD>(chain_.size());
    desc->ddsCaps.dwCaps = caps_;
    if (hasKey_) desc->ddckCKSrcBlt.dwColorSpaceLowValue = desc->ddckCKSrcBlt.dwColorSpaceHighValue = key_;
    FillPixelFormat(p.format, &desc->ddpfPixelFormat);
    return DD_OK;
}

HRESULT DirectDrawSurface7::GetCaps(DDSCAPS2* caps) {
    if (!caps) return DDERR_INVALIDPARAMS;
    *caps = DDSCAPS2{};
    caps->dwCaps = caps_;
    return DD_OK;
}

HRESULT DirectDrawSurface7::IsLost() {
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT DirectDrawSurface7::Restore() {
    if (lost_) {
        BeginWrite(0, pixels_->height, true);
        std::fill(pixels_->bytes.begin(), pixels_->bytes.end(), 0);
        lost_ = false;
    }
    return DD_OK;
}

} // namespace gfx
