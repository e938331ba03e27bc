// The DirectDraw-like device: display modes at 8, 16, 24 and 32 bits, a flipping primary with back
// buffers or a windowed primary with a clipper, off-screen surfaces in "video" or "system" memory,
// colour fills, copies with nearest-neighbour scaling and a source colour key, locks, GDI device
// contexts, palettes and simulated surface loss. Everything is software; the primary hands its
// finished frames to the presenter (presenter.h).
#pragma once
#include "platform/gfx/blit.h"
#include "platform/gfx/gfx_types.h"
#include "platform/gfx/pixels.h"
#include "platform/gfx/presenter.h"
#include <memory>
#include <vector>

namespace gfx {

struct DeviceContext;
using HDC = DeviceContext*;

class DirectDraw7;
class DirectDrawSurface7;
class DirectDrawPalette;
class DirectDrawClipper;
using LPDIRECTDRAW7 = DirectDraw7*;
using LPDIRECTDRAWSURFACE7 = DirectDrawSurface7*;
using LPDIRECTDRAWPALETTE = DirectDrawPalette*;
using LPDIRECTDRAWCLIPPER = DirectDrawClipper*;

// Interface identifier accepted by DirectDrawCreateEx.
enum IID { IID_IDirectDraw7 = 7 };

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
constexpr DWORD DDSCL_NORMAL = 0x00000008;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;

// Surface description fields.
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_LPSURFACE = 0x00000800;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;

// Pixel-format flags.
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020;
constexpr DWORD DDPF_RGB = 0x00000040;
constexpr DWORD DDPF_ALPHAPIXELS = 0x00000001;

// Blt / BltFast / Flip / Lock / colour-key / vertical-blank flags.
constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_KEYSRC = 0x00008000;
constexpr DWORD DDBLT_WAIT = 0x01000000;
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010;
constexpr DWORD DDFLIP_WAIT = 0x00000001;
constexpr DWORD DDLOCK_WAIT = 0x00000001;
constexpr DWORD DDLOCK_READONLY = 0x00000010;
constexpr DWORD DDLOCK_WRITEONLY = 0x00000020;
constexpr DWORD DDCKEY_SRCBLT = 0x00000008;
constexpr DWORD DDWAITVB_BLOCKBEGIN = 0x00000001;
constexpr DWORD DDPCAPS_8BIT = 0x00000004;
constexpr DWORD DDPCAPS_ALLOW256 = 0x00000040;

struct DDPIXELFORMAT {
    DWORD dwSize = sizeof(DDPIXELFORMAT);
    DWORD dwFlags = 0;
    DWORD dwFourCC = 0;
    DWORD dwRGBBitCount = 0;
    DWORD dwRBitMask = 0;
    DWORD dwGBitMask = 0;
    DWORD dwBBitMask = 0;
    DWORD dwRGBAlphaBitMask = 0;
};

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue = 0;
    DWORD dwColorSpaceHighValue = 0;
};

struct DDSCAPS2 {
    DWORD dwCaps = 0;
    DWORD dwCaps2 = 0;
    DWORD dwCaps3 = 0;
    DWORD dwCaps4 = 0;
};

struct DDSURFACEDESC2 {
    DWORD dwSize = sizeof(DDSURFACEDESC2);
    DWORD dwFlags = 0;
    DWORD dwHeight = 0;
    DWORD dwWidth = 0;
    LONG lPitch = 0;
    DWORD dwBackBufferCount = 0;
    DWORD dwRefreshRate = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
};

struct DDBLTFX {
    DWORD dwSize = sizeof(DDBLTFX);
    DWORD dwFillColor = 0; // raw pixel value for DDBLT_COLORFILL
};

// The device object: display mode, cooperative level, and the factory of surfaces, palettes and
// clippers. One exists at a time in the player.
class DirectDraw7 : public RefCounted {
  public:
    // DDSCL_NORMAL (window) or DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN (full screen, with a display mode).
    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags);
    // Modes offered: any size up to 4096 at 8, 16, 24 or 32 bits, refresh rate 0 or 60. Without a mode
    // (window mode) surfaces take the desktop's depth (gdi.h SetDisplayBitsPerPixel).
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refreshRate, DWORD flags);
    HRESULT RestoreDisplayMode(); // the desktop's depth comes back (also when the device ends)
    HRESULT GetDisplayMode(DDSURFACEDESC2* desc); // size, 60 Hz and the pixel format
    // A primary (flipping with DDSD_BACKBUFFERCOUNT 1 or 2, or plain), or an off-screen plain surface
    // of the display's format; "video" surfaces fall back to nothing: the caller retries in system
    // memory when video memory is short (sim::SetVideoMemoryBudget).
    HRESULT CreateSurface(DDSURFACEDESC2* desc, LPDIRECTDRAWSURFACE7* out, void* unknown);
    // DDPCAPS_8BIT palettes of 256 entries (copied from `entries` when given).
    HRESULT CreatePalette(DWORD caps, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* out, void* unknown);
    HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, void* unknown); // for the windowed primary
    HRESULT FlipToGDISurface(); // nothing to do: dialogs are drawn by the window thread
    // Blocks until the next emulated 60 Hz vertical blank (returns at once when emulation is off).
    HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event);
    // The display's refresh rate in hertz: the blank's 60.
    HRESULT GetMonitorFrequency(DWORD* frequency);
    // The video-memory budget (sim::SetVideoMemoryBudget) and what video surfaces leave of it.
    HRESULT GetAvailableVidMem(DDSCAPS2* caps, DWORD* total, DWORD* free);

    // Not part of the platform's interface: state the surfaces consult.
    int Bpp() const { return bpp_; }
    PixelFormat DisplayFormat() const;
    bool Fullscreen() const { return (coop_ & DDSCL_FULLSCREEN) != 0; }
    HWND Window() const { return hwnd_; }
    DirectDrawSurface7* Primary() const { return primary_; }
    void ForgetSurface(DirectDrawSurface7* s); // a released surface leaves the device's lists
    std::size_t VideoBytesInUse() const { return videoBytes_; }
    void AddVideoBytes(std::ptrdiff_t n) {
        videoBytes_ = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(videoBytes_) + n);
    }
    const std::vector<DirectDrawSurface7*>& Surfaces() const { return surfaces_; }

  private:
    friend HRESULT DirectDrawCreateEx(void*, void**, IID, void*);
    friend class DirectDrawSurface7;
    DirectDraw7() = default;
    ~DirectDraw7() override;
    HWND hwnd_ = nullptr;
    DWORD coop_ = 0;
    int width_ = 640;
    int height_ = 480;
    int bpp_ = 32;
    int desktopBpp_ = 32;
    bool modeSet_ = false;
    DirectDrawSurface7* primary_ = nullptr;
    std::vector<DirectDrawSurface7*> surfaces_; // live surfaces (for loss simulation)
    std::size_t videoBytes_ = 0;
};

// Creates the device (`*out` receives a DirectDraw7*). Fails with DDERR_GENERIC when injected.
HRESULT DirectDrawCreateEx(void* guid, void** out, IID iid, void* unknown);

// A palette of 256 entries; changes show at the next present of a palettised primary.
class DirectDrawPalette : public RefCounted {
  public:
    HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, const PALETTEENTRY* entries);
    HRESULT GetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* entries) const;
    const PALETTEENTRY* Entries() const { return entries_; }

  private:
    friend class DirectDraw7;
    DirectDrawPalette() = default;
    PALETTEENTRY entries_[256]{};
};

// Limits blits onto the windowed primary to the window's client area.
class DirectDrawClipper : public RefCounted {
  public:
    HRESULT SetHWnd(DWORD flags, HWND hwnd);
    HWND Window() const { return hwnd_; }

  private:
    friend class DirectDraw7;
    DirectDrawClipper() = default;
    HWND hwnd_ = nullptr;
};

// A surface's pixel store, with what is known of how it came to hold its pixels: `version` numbers
// each state of them (a number no other state had, taken whenever they are about to be written), and
// `origin` names the state they were last copied from and the rows written since (base 0: unknown).
struct SurfaceStore : PixelBuffer {
    std::uint64_t version = 0;
    FrameOrigin origin;
    // The draws whose pixels these are, when known (a surface keeping its draws back ran them here),
    // and how they changed from the frame of the draws run before on the same surface.
    DrawKeys held;
    bool haveHeld = false;
    FrameChange change;
    // Where the pixels hold the key colour of the copies that read them: found as copies ask, also
    // by copies kept back, which read the store as it stays.
    mutable KeyTiles keyTiles;
};

struct DDKeptDraws;

// A surface: the primary, one of its back buffers, or an off-screen plain surface.
class DirectDrawSurface7 : public RefCounted {
  public:
    // The back buffer attached to a flipping primary (with a reference added).
    HRESULT GetAttachedSurface(DDSCAPS2* caps, LPDIRECTDRAWSURFACE7* out);
    // Shows the back buffer: publishes it (palettised frames through the palette as it is now),
    // exchanges the chain's pixel stores, and with DDFLIP_WAIT waits for the vertical blank.
    HRESULT Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags);
    // DDBLT_COLORFILL fills `dst` (null = whole surface) with fx->dwFillColor as a raw value.
    // Otherwise copies `src` rect to `dst` rect, scaling nearest-neighbour (destination pixel i takes
    // source pixel trunc(i * sw / dw)), skipping pixels equal to the source colour key with
    // DDBLT_KEYSRC. Rectangles must lie inside their surfaces (DDERR_INVALIDRECT), except on a
    // windowed primary with a clipper, where the destination is cut to the client area.
    HRESULT Blt(RECT* dst, LPDIRECTDRAWSURFACE7 src, RECT* srcRect, DWORD flags, DDBLTFX* fx);
    // Unscaled copy to (x, y); a rectangle outside either surface fails with DDERR_INVALIDRECT, and a
    // surface with a clipper refuses it (DDERR_UNSUPPORTED).
    HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 src, RECT* srcRect, DWORD flags);
    // Only DDCKEY_SRCBLT; low value is the key (exact raw-value match). Null clears the key.
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key);
    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key);
    // Whole-surface lock: fills lpSurface, lPitch, size and pixel format. A second lock fails with
    // DDERR_SURFACEBUSY; a lost surface fails with DDERR_SURFACELOST.
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event);
    HRESULT Unlock(RECT* rect);
    // A device context drawing into this surface (GDI text, BitBlt). Counts as a lock.
    HRESULT GetDC(HDC* dc);
    HRESULT ReleaseDC(HDC dc);
    HRESULT SetPalette(LPDIRECTDRAWPALETTE palette);  // 8-bit surfaces only; null detaches
    HRESULT GetPalette(LPDIRECTDRAWPALETTE* palette); // adds a reference
    HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper);  // blits onto a windowed primary are then cut
    HRESULT GetPixelFormat(DDPIXELFORMAT* pf);        // bit count and channel masks
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc);     // size, pitch, caps, key and pixel format
    HRESULT GetCaps(DDSCAPS2* caps);                  // including DDSCAPS_VIDEOMEMORY or DDSCAPS_SYSTEMMEMORY
    // DD_OK, or DDERR_SURFACELOST after a simulated loss of a video-memory surface.
    HRESULT IsLost();
    // Gives a lost surface its memory back (contents undefined: zeroed here).
    HRESULT Restore();

    // Not part of the platform's interface. The writable pixels are this surface's own (see Unshare).
    PixelBuffer& Pixels() {
        BeginWrite(0, pixels_->height, false);
        return *pixels_;
    }
    const PixelBuffer& Pixels() const {
        Resolve();
        return *pixels_;
    }
    // Not part of the platform's interface: every pixel is about to be drawn anew, so a surface
    // sharing its pixels with another takes a store of its own without copying them (what it holds
    // until then is undefined). Nothing happens while it is locked, has a device context or is lost.
    void DiscardPixels();
    // Not part of the platform's interface: the pixel store as it is now (draws kept back have run),
    // for another surface of the same size and format to take with TakePixels.
    std::shared_ptr<const SurfaceStore> StoreToShare() const {
        Resolve();
        return pixels_;
    }
    // Not part of the platform's interface: this surface reads `store`'s pixels from now on, as after
    // a whole unkeyed copy from the surface that holds them; the one of them written first takes a
    // store of its own. False (nothing changed) when size or format differ, or this surface is
    // locked, has a device context or is lost.
    bool TakePixels(const std::shared_ptr<const SurfaceStore>& store);
    // Whether this surface's pixels are, for now, the same store as another surface's.
    bool SharesPixels() const { return pixels_.use_count() > 1; }
    bool IsPrimary() const { return (caps_ & DDSCAPS_PRIMARYSURFACE) != 0; }
    bool InVideoMemory() const { return (caps_ & DDSCAPS_VIDEOMEMORY) != 0; }
    void MarkLost() { lost_ = true; }
    DirectDrawPalette* Palette() const { return palette_; }
    // The palette that colours this surface's indices: its own, else the primary's.
    const PALETTEENTRY* EffectivePalette() const;
    // Publishes this surface's pixels as the shown frame (used by Flip and by blits to the primary).
    void PublishToPresenter();
    // Runs the draws this surface keeps back (see KeepFill), so that its pixels are as drawn.
    void Resolve() const;
    // Not part of the platform's interface: the fills and copies of the frame kept back since the last
    // covering draw (null when none are kept), for a benchmark that draws the same frame elsewhere.
    const DDKeptDraws* KeptDraws() const;

  private:
    friend class DirectDraw7;
    DirectDrawSurface7(DirectDraw7* dd, DWORD caps, int w, int h, PixelFormat f);
    ~DirectDrawSurface7() override;
    HRESULT CheckUsable() const;
    // The checks a copy's source passes for Blt and BltFast alike: given, usable, of this surface's
    // format, with the source rectangle (the whole source when none is given, set into sr) inside it.
    HRESULT CheckSource(const DirectDrawSurface7* src, const RECT* srcRect, RECT& sr) const;
    // Runs the copy set up in bp from src onto this surface (a surface copied onto itself is read
    // from a snapshot) and shows the new frame where this is the primary.
    HRESULT RunCopy(BlitParams& bp, DirectDrawSurface7* src);
    // A copy of the whole of `src` onto the whole of this surface, unscaled and unkeyed, takes the
    // source's pixel store instead of copying it (the present of a window's back buffer): both
    // surfaces then read the same pixels until either is written, when the one written takes a store
    // of its own again (Unshare). False when the copy has to be made.
    bool ShareWholeCopy(const BlitParams& bp, DirectDrawSurface7* src);
    // Gives this surface a store of its own before it is written, with its current pixels unless
    // `overwriteAll` says every pixel is about to be written anyway. A spare store copied from the
    // same state before takes back only the rows written since.
    void Unshare(bool overwriteAll);
    // Every write of the pixels begins here: a store of its own (Unshare), a new state number, and
    // rows [top, bottom) counted as written since the store's origin.
    void BeginWrite(int top, int bottom, bool overwriteAll);
    // A surface other than the primary keeps its draws back from a draw that covers every pixel on
    // (`covers`), until its pixels are needed; they then run only in the rows where they differ from
    // the draws its store last held. False when the draw is to run now.
    bool KeepFill(const RECT& r, std::uint32_t raw, bool covers);
    // Whether the draw asked for now is to be kept back (a covering one begins keeping anew).
    bool Keeping(bool covers);
    bool KeepCopy(const BlitParams& bp, DirectDrawSurface7* src, bool covers);
    // Draws are no longer kept back (those kept have run).
    void StopKeeping() const;
    // Before this surface's pixels are written: copies that other surfaces keep back take the part of
    // this surface's pixels they read as their own, so that the store need not be copied whole.
    void LetGoOfStore();

    DirectDraw7* dd_;
    DWORD caps_;
    mutable std::shared_ptr<SurfaceStore> pixels_;
    // A store this surface may take when it next needs one of its own: the one a surface gave up
    // when it took this surface's pixels, so that a window's back buffer and primary trade two
    // stores instead of allocating a new one each frame.
    mutable std::shared_ptr<SurfaceStore> spare_;
    mutable std::unique_ptr<DDKeptDraws> kept_;
    bool scratch_ = false; // written again while draws kept back elsewhere still read it
    DirectDrawPalette* palette_ = nullptr;
    DirectDrawClipper* clipper_ = nullptr;
    bool hasKey_ = false;
    std::uint32_t key_ = 0;
    bool locked_ = false;
    bool lost_ = false;
    HDC dc_ = nullptr;
    std::vector<DirectDrawSurface7*> chain_; // primary: its back buffers (owned references)
    DirectDrawSurface7* owner_ = nullptr;    // back buffer: its primary
};

} // namespace gfx
