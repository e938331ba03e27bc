#include "platform/gfx/d3d9.h"
#include "platform/gfx/d3d9_kept.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/raster.h"
#include "platform/gfx/sim.h"
#include "platform/window.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace gfx {

// What resources share with their device and keep after it is gone.
struct D3DShared {
    std::atomic<std::size_t> videoBytes{0};
    std::atomic<int> defaultResources{0};
    std::mutex mutex;                           // guards the list: loss may be simulated from any thread
    std::vector<Direct3DSurface9*> defaultPool; // surfaces whose contents a device loss takes away
};

namespace {

std::mutex g_liveMutex;
std::vector<Direct3DDevice9*> g_liveDevices;

void LoseLiveDevices(int lostPolls) {
    std::lock_guard lock(g_liveMutex);
    for (Direct3DDevice9* d : g_liveDevices)
        d->SimulateLoss(lostPolls);
}

bool BackBufferFormatOk(D3DFORMAT f) {
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_A1R5G5B5 || f == D3DFMT_X1R5G5B5;
}

bool SurfaceFormatOk(D3DFORMAT f) {
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_A1R5G5B5 ||
           f == D3DFMT_X1R5G5B5;
}

std::size_t SurfaceBytes(D3DFORMAT f, UINT w, UINT h) {
    return static_cast<std::size_t>(w) * h * BytesPerPixel(ToPixelFormat(f));
}

} // namespace

PixelFormat ToPixelFormat(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_A8R8G8B8:
        return PixelFormat::A8R8G8B8;
    case D3DFMT_R5G6B5:
        return PixelFormat::R5G6B5;
    case D3DFMT_X1R5G5B5:
        return PixelFormat::X1R5G5B5;
    case D3DFMT_A1R5G5B5:
        return PixelFormat::A1R5G5B5;
    case D3DFMT_R8G8B8:
        return PixelFormat::R8G8B8;
    default:
        return PixelFormat::X8R8G8B8;
    }
}

// ---- factory ----

Direct3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || sim::NoDirect3D()) return nullptr;
    return new Direct3D9();
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (!mode || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    mode->Width = kScreenWidth;
    mode->Height = kScreenHeight;
    mode->RefreshRate = 60;
    mode->Format =
        gfx::GetDeviceCaps(static_cast<HDC>(nullptr), BITSPIXEL) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT Direct3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (!caps || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    *caps = D3DCAPS9{};
    caps->DeviceType = type;
    caps->TextureCaps = (sim::TexturesPow2() ? D3DPTEXTURECAPS_POW2 : 0) |
                        (sim::TexturesSquareOnly() ? D3DPTEXTURECAPS_SQUAREONLY : 0);
    caps->Caps2 = sim::DynamicTextures() ? D3DCAPS2_DYNAMICTEXTURES : 0;
    caps->Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps->MaxTextureWidth = caps->MaxTextureHeight = sim::MaxTextureSize();
    return D3D_OK;
}

HRESULT Direct3D9::CreateDevice(UINT adapter, D3DDEVTYPE, HWND hwnd, DWORD behaviour,
                                D3DPRESENT_PARAMETERS* pp, LPDIRECT3DDEVICE9* out) {
    if (!out || !pp || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (sim::ConsumeCreateDeviceFailure((behaviour & D3DCREATE_HARDWARE_VERTEXPROCESSING) != 0))
        return D3DERR_NOTAVAILABLE;
    if (!BackBufferFormatOk(pp->BackBufferFormat)) return D3DERR_NOTAVAILABLE;
    auto* dev = new Direct3DDevice9(hwnd, *pp);
    if (FAILED(dev->MakeBackBuffer())) {
        dev->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    sim::RegisterLossHooks(LoseLiveDevices, nullptr);
    // A full-screen device takes the screen with its window.
    if (!pp->Windowed) win::SetFullScreen(pp->hDeviceWindow ? pp->hDeviceWindow : hwnd, true);
    {
        std::lock_guard lock(g_liveMutex);
        g_liveDevices.push_back(dev);
    }
    *out = dev;
    return D3D_OK;
}

// ---- surfaces and textures ----

Direct3DSurface9::Direct3DSurface9(std::shared_ptr<D3DShared> shared, D3DFORMAT f, D3DPOOL pool, DWORD usage,
                                   int w, int h)
    : shared_(std::move(shared)), format_(f), pool_(pool), usage_(usage),
      pixels_(std::make_shared<PixelBuffer>()), state_(NextPixelState()) {
    pixels_->Allocate(w, h, ToPixelFormat(f));
    if (pool_ == D3DPOOL_DEFAULT) {
        shared_->videoBytes += pixels_->bytes.size();
        std::lock_guard lock(shared_->mutex);
        shared_->defaultPool.push_back(this);
    }
}

Direct3DSurface9::~Direct3DSurface9() {
    if (dc_) DeleteSurfaceDC(dc_);
    if (pool_ == D3DPOOL_DEFAULT) {
        shared_->videoBytes -= pixels_->bytes.size();
        std::lock_guard lock(shared_->mutex);
        auto& list = shared_->defaultPool;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

HRESULT Direct3DSurface9::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Width = static_cast<UINT>(pixels_->width);
    desc->Height = static_cast<UINT>(pixels_->height);
    return D3D_OK;
}

HRESULT Direct3DSurface9::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    if (!locked) return D3DERR_INVALIDCALL;
    // Render targets in the DEFAULT pool (other than the lockable back buffer) cannot be locked.
    if (pool_ == D3DPOOL_DEFAULT && IsRenderTarget() && container_) return D3DERR_INVALIDCALL;
    if (pool_ == D3DPOOL_DEFAULT && !IsRenderTarget() && !(usage_ & D3DUSAGE_DYNAMIC) && container_)
        return D3DERR_INVALIDCALL;
    if (locked_ || dc_) return D3DERR_INVALIDCALL;
    if (sim::ConsumeLockFailure()) return D3DERR_WASSTILLDRAWING;
    const PixelBuffer& shape = *pixels_;
    RECT r = rect ? *rect : RECT{0, 0, shape.width, shape.height};
    if (r.left < 0 || r.top < 0 || r.right > shape.width || r.bottom > shape.height || r.left > r.right ||
        r.top > r.bottom)
        return D3DERR_INVALIDCALL;
    PixelBuffer& p = Pixels();
    locked_ = true;
    locked->Pitch = p.pitch;
    locked->pBits =
        p.bytes.data() + static_cast<std::size_t>(r.top) * p.pitch + r.left * BytesPerPixel(p.format);
    return D3D_OK;
}

HRESULT Direct3DSurface9::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    // What was written through the lock, while draws may have read the pixels, is a new state.
    state_ = NextPixelState();
    return D3D_OK;
}

HRESULT Direct3DSurface9::GetDC(HDC* dc) {
    if (!dc) return D3DERR_INVALIDCALL;
    *dc = nullptr;
    if (locked_ || dc_) return D3DERR_INVALIDCALL;
    dc_ = CreateSurfaceDC(&Pixels(), nullptr);
    *dc = dc_;
    return D3D_OK;
}

HRESULT Direct3DSurface9::ReleaseDC(HDC dc) {
    if (!dc_ || dc != dc_) return D3DERR_INVALIDCALL;
    DeleteSurfaceDC(dc_);
    dc_ = nullptr;
    state_ = NextPixelState(); // what was drawn through the DC is a new state
    return D3D_OK;
}

Direct3DTexture9::Direct3DTexture9(Direct3DSurface9* level) : level_(level) {
    level_->container_ = this;
    if (level_->pool_ == D3DPOOL_DEFAULT) ++level_->shared_->defaultResources;
}

Direct3DTexture9::~Direct3DTexture9() {
    if (level_->pool_ == D3DPOOL_DEFAULT) --level_->shared_->defaultResources;
    level_->container_ = nullptr;
    level_->Release();
}

HRESULT Direct3DTexture9::GetSurfaceLevel(UINT level, LPDIRECT3DSURFACE9* out) {
    if (!out || level != 0) return D3DERR_INVALIDCALL;
    level_->AddRef();
    *out = level_;
    return D3D_OK;
}

HRESULT Direct3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level != 0) return D3DERR_INVALIDCALL;
    return level_->GetDesc(desc);
}

HRESULT Direct3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level != 0) return D3DERR_INVALIDCALL;
    return level_->LockRect(locked, rect, flags);
}

HRESULT Direct3DTexture9::UnlockRect(UINT level) {
    if (level != 0) return D3DERR_INVALIDCALL;
    return level_->UnlockRect();
}

// ---- buffers ----

HRESULT Direct3DVertexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD) {
    if (!data || offset > bytes_.size() || size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
    if (sim::ConsumeLockFailure()) return D3DERR_WASSTILLDRAWING;
    *data = bytes_.data() + offset;
    return D3D_OK;
}
HRESULT Direct3DVertexBuffer9::Unlock() {
    return D3D_OK;
}

HRESULT Direct3DIndexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD) {
    if (!data || offset > bytes_.size() || size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
    if (sim::ConsumeLockFailure()) return D3DERR_WASSTILLDRAWING;
    *data = bytes_.data() + offset;
    return D3D_OK;
}
HRESULT Direct3DIndexBuffer9::Unlock() {
    return D3D_OK;
}

// ---- device ----

Direct3DDevice9::Direct3DDevice9(HWND hwnd, const D3DPRESENT_PARAMETERS& pp)
    : hwnd_(hwnd), pp_(pp), shared_(std::make_shared<D3DShared>()) {
    SetDefaultStates();
}

Direct3DDevice9::~Direct3DDevice9() {
    {
        std::lock_guard lock(g_liveMutex);
        g_liveDevices.erase(std::remove(g_liveDevices.begin(), g_liveDevices.end(), this),
                            g_liveDevices.end());
    }
    SafeRelease(texture_);
    SafeRelease(stream_);
    SafeRelease(indices_);
    SafeRelease(renderTarget_);
    SafeRelease(backBuffer_);
}

HRESULT Direct3DDevice9::MakeBackBuffer() {
    if (pp_.BackBufferWidth == 0) pp_.BackBufferWidth = kScreenWidth;
    if (pp_.BackBufferHeight == 0) pp_.BackBufferHeight = kScreenHeight;
    if (pp_.BackBufferWidth > 4096 || pp_.BackBufferHeight > 4096) return D3DERR_INVALIDCALL;
    backBuffer_ =
        new Direct3DSurface9(shared_, pp_.BackBufferFormat, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
                             static_cast<int>(pp_.BackBufferWidth), static_cast<int>(pp_.BackBufferHeight));
    backBuffer_->AddRef();
    renderTarget_ = backBuffer_;
    return D3D_OK;
}

void Direct3DDevice9::SetDefaultStates() {
    underOn_ = false;
    renderStates_.fill(0);
    renderStates_[D3DRS_ZENABLE] = 1;
    renderStates_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates_[D3DRS_CULLMODE] = 3; // counter-clockwise triangles are culled
    renderStates_[D3DRS_ALPHABLENDENABLE] = 0;
    renderStates_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    renderStates_[D3DRS_COLORVERTEX] = 1;
    renderStates_[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    stageStates_.fill(0);
    stageStates_[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    stageStates_[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    stageStates_[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    stageStates_[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    stageStates_[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    stageStates_[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    for (auto& s : samplerStates_) {
        s.fill(0);
        s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    }
    fvf_ = 0;
}

void Direct3DDevice9::SimulateLoss(int lostPolls) {
    lost_ = 1;
    lostPolls_ = lostPolls;
    // Video memory is taken away: what the DEFAULT pool held is gone.
    std::lock_guard lock(shared_->mutex);
    for (Direct3DSurface9* s : shared_->defaultPool)
        s->MarkContentsLost(); // emptied by the surface's own thread at its next use
}

std::size_t Direct3DDevice9::VideoBytesInUse() const {
    return shared_->videoBytes;
}
int Direct3DDevice9::DefaultPoolResources() const {
    return shared_->defaultResources;
}

HRESULT Direct3DDevice9::TestCooperativeLevel() {
    if (lost_ == 1) {
        if (lostPolls_ > 0) {
            --lostPolls_;
            return D3DERR_DEVICELOST;
        }
        lost_ = 2;
    }
    return lost_ == 2 ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT Direct3DDevice9::Reset(D3DPRESENT_PARAMETERS* pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    if (lost_ == 1 && lostPolls_ > 0) return D3DERR_DEVICELOST;
    if (!BackBufferFormatOk(pp->BackBufferFormat) || pp->BackBufferWidth > 4096 ||
        pp->BackBufferHeight > 4096)
        return D3DERR_INVALIDCALL;
    // The device lets go of what it has bound; then every DEFAULT-pool resource and every reference to
    // the back buffer held outside the device must be gone.
    SafeRelease(texture_);
    SafeRelease(stream_);
    SafeRelease(indices_);
    backBuffer_->AddRef();
    SafeRelease(renderTarget_);
    renderTarget_ = backBuffer_;
    if (shared_->defaultResources > 0 || backBuffer_->RefCount() > 2) return D3DERR_INVALIDCALL;
    SafeRelease(renderTarget_);
    SafeRelease(backBuffer_);
    pp_ = *pp;
    if (FAILED(MakeBackBuffer())) return D3DERR_INVALIDCALL;
    SetDefaultStates();
    inScene_ = false;
    lost_ = 0;
    lostPolls_ = 0;
    return D3D_OK;
}

HRESULT Direct3DDevice9::Present(const RECT*, const RECT*, HWND, const void*) {
    if (lost_) return D3DERR_DEVICELOST;
    // Nothing draws into the back buffer while its thread waits here: the frame is the same after the wait.
    if (pp_.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE) sim::WaitForVerticalBlank();
    const FrameChange change = backBuffer_->TakeChange();
    PublishPixels(std::as_const(*backBuffer_).Pixels(), nullptr, nullptr, &change);
    return D3D_OK;
}

HRESULT Direct3DDevice9::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE,
                                       LPDIRECT3DSURFACE9* out) {
    if (!out || swapChain != 0 || index != 0) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *out = backBuffer_;
    return D3D_OK;
}

HRESULT Direct3DDevice9::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Direct3DDevice9::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetDialogBoxMode(BOOL) {
    return D3D_OK;
}

HRESULT Direct3DDevice9::GetDeviceCaps(D3DCAPS9* caps) {
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        if (!caps) return D3DERR_INVALIDCALL;
        *caps = D3DCAPS9{};
        return D3D_OK;
    }
    const HRESULT hr = d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps);
    d3d->Release();
    return hr;
}

HRESULT Direct3DDevice9::CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f, D3DPOOL pool,
                                       LPDIRECT3DTEXTURE9* out, HANDLE*) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || h == 0 || w > sim::MaxTextureSize() || h > sim::MaxTextureSize() || levels > 1 ||
        !SurfaceFormatOk(f))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && !sim::DynamicTextures()) return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_DEFAULT && shared_->videoBytes + SurfaceBytes(f, w, h) > sim::VideoMemoryBudget())
        return D3DERR_OUTOFVIDEOMEMORY;
    try {
        auto* level = new Direct3DSurface9(shared_, f, pool, usage, static_cast<int>(w), static_cast<int>(h));
        *out = new Direct3DTexture9(level);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT Direct3DDevice9::CreateOffscreenPlainSurface(UINT w, UINT h, D3DFORMAT f, D3DPOOL pool,
                                                     LPDIRECT3DSURFACE9* out, HANDLE*) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || h == 0 || w > sim::MaxTextureSize() || h > sim::MaxTextureSize() || !SurfaceFormatOk(f) ||
        pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_DEFAULT && shared_->videoBytes + SurfaceBytes(f, w, h) > sim::VideoMemoryBudget())
        return D3DERR_OUTOFVIDEOMEMORY;
    try {
        *out = new Direct3DSurface9(shared_, f, pool, 0, static_cast<int>(w), static_cast<int>(h));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT Direct3DDevice9::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL, LPDIRECT3DVERTEXBUFFER9* out,
                                            HANDLE*) {
    if (!out || length == 0) return D3DERR_INVALIDCALL;
    *out = new Direct3DVertexBuffer9(length);
    return D3D_OK;
}

HRESULT Direct3DDevice9::CreateIndexBuffer(UINT length, DWORD, D3DFORMAT f, D3DPOOL,
                                           LPDIRECT3DINDEXBUFFER9* out, HANDLE*) {
    if (!out || length == 0 || f != D3DFMT_INDEX16) return D3DERR_INVALIDCALL;
    *out = new Direct3DIndexBuffer9(length);
    return D3D_OK;
}

HRESULT Direct3DDevice9::GetRenderTargetData(LPDIRECT3DSURFACE9 rt, LPDIRECT3DSURFACE9 dest) {
    if (!rt || !dest || !rt->IsRenderTarget() || dest->Pool() != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    const PixelBuffer& s = std::as_const(*rt).Pixels();
    const PixelBuffer& shape = std::as_const(*dest).Pixels();
    if (s.width != shape.width || s.height != shape.height || rt->Format() != dest->Format())
        return D3DERR_INVALIDCALL;
    if (lost_) return D3DERR_DEVICELOST;
    dest->Pixels().bytes = s.bytes;
    return D3D_OK;
}

HRESULT Direct3DDevice9::UpdateSurface(LPDIRECT3DSURFACE9 src, const RECT* srcRect, LPDIRECT3DSURFACE9 dst,
                                       const POINT* dstPoint) {
    if (!src || !dst || src->Pool() != D3DPOOL_SYSTEMMEM || dst->Pool() != D3DPOOL_DEFAULT ||
        src->Format() != dst->Format())
        return D3DERR_INVALIDCALL;
    const PixelBuffer& s = std::as_const(*src).Pixels();
    const PixelBuffer& d0 = std::as_const(*dst).Pixels();
    const RECT r = srcRect ? *srcRect : RECT{0, 0, s.width, s.height};
    const LONG px = dstPoint ? dstPoint->x : 0, py = dstPoint ? dstPoint->y : 0;
    if (r.left < 0 || r.top < 0 || r.right > s.width || r.bottom > s.height || r.left > r.right ||
        r.top > r.bottom)
        return D3DERR_INVALIDCALL;
    const LONG w = r.right - r.left, h = r.bottom - r.top;
    if (px < 0 || py < 0 || std::int64_t(px) + w > d0.width || std::int64_t(py) + h > d0.height)
        return D3DERR_INVALIDCALL;
    PixelBuffer& d = dst->Pixels();
    const int bpp = BytesPerPixel(s.format);
    for (LONG y = 0; y < h; ++y)
        std::memcpy(d.Row(py + y) + px * bpp, s.Row(r.top + y) + r.left * bpp,
                    static_cast<std::size_t>(w) * bpp);
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetRenderTarget(DWORD index, LPDIRECT3DSURFACE9 target) {
    if (index != 0 || !target || !target->IsRenderTarget()) return D3DERR_INVALIDCALL;
    if (target == renderTarget_) return D3D_OK; // the reference held stays
    target->AddRef();
    SafeRelease(renderTarget_);
    renderTarget_ = target;
    return D3D_OK;
}

HRESULT Direct3DDevice9::GetRenderTarget(DWORD index, LPDIRECT3DSURFACE9* out) {
    if (index != 0 || !out) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *out = renderTarget_;
    return D3D_OK;
}

HRESULT Direct3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, DWORD colour, float, DWORD) {
    if (!(flags & D3DCLEAR_TARGET)) return D3D_OK;
    renderTarget_->SubmitFill(rects, rects ? count : 0,
                              FromArgb(ToPixelFormat(renderTarget_->Format()), colour));
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= renderStates_.size()) return D3DERR_INVALIDCALL;
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT Direct3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state >= renderStates_.size() || !value) return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE state, DWORD value) {
    if (sampler >= samplerStates_.size() || state >= samplerStates_[0].size()) return D3DERR_INVALIDCALL;
    samplerStates_[sampler][state] = value;
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
    if (state >= stageStates_.size()) return D3DERR_INVALIDCALL;
    if (stage == 0) stageStates_[state] = value; // later stages are never enabled
    return D3D_OK;
}

HRESULT Direct3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) {
    if (stage != 0 || state >= stageStates_.size() || !value) return D3DERR_INVALIDCALL;
    *value = stageStates_[state];
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetTexture(DWORD stage, LPDIRECT3DTEXTURE9 texture) {
    if (stage != 0 || texture == texture_) return D3D_OK;
    if (texture) texture->AddRef();
    SafeRelease(texture_);
    texture_ = texture;
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetStreamSource(UINT stream, LPDIRECT3DVERTEXBUFFER9 vb, UINT offset, UINT stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    if (vb) vb->AddRef();
    SafeRelease(stream_);
    stream_ = vb;
    streamOffset_ = offset;
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetIndices(LPDIRECT3DINDEXBUFFER9 ib) {
    if (ib) ib->AddRef();
    SafeRelease(indices_);
    indices_ = ib;
    return D3D_OK;
}

HRESULT Direct3DDevice9::SetFVF(DWORD fvf) {
    fvf_ = fvf;
    return D3D_OK;
}

RasterState Direct3DDevice9::MakeRasterState() const {
    RasterState rs; // the target and the texture are the render target and texture_'s level
    rs.stage.colourOp = stageStates_[D3DTSS_COLOROP];
    rs.stage.colourArg1 = stageStates_[D3DTSS_COLORARG1];
    rs.stage.colourArg2 = stageStates_[D3DTSS_COLORARG2];
    rs.stage.alphaOp = stageStates_[D3DTSS_ALPHAOP];
    rs.stage.alphaArg1 = stageStates_[D3DTSS_ALPHAARG1];
    rs.stage.alphaArg2 = stageStates_[D3DTSS_ALPHAARG2];
    rs.textureFactor = renderStates_[D3DRS_TEXTUREFACTOR];
    rs.blend = renderStates_[D3DRS_ALPHABLENDENABLE] != 0;
    rs.srcBlend = renderStates_[D3DRS_SRCBLEND];
    rs.destBlend = renderStates_[D3DRS_DESTBLEND];
    rs.cull = renderStates_[D3DRS_CULLMODE];
    rs.under = underOn_;
    rs.underRaw = underOn_ ? FromArgb(ToPixelFormat(renderTarget_->Format()), under_) : 0;
    return rs;
}

namespace {

// Vertices a primitive count needs: 0 for an unknown type.
std::size_t VerticesFor(D3DPRIMITIVETYPE type, UINT count) {
    switch (type) {
    case D3DPT_TRIANGLELIST:
        return static_cast<std::size_t>(count) * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return count == 0 ? 0 : static_cast<std::size_t>(count) + 2;
    default:
        return 0;
    }
}

} // namespace

HRESULT Direct3DDevice9::DrawVertices(D3DPRIMITIVETYPE type, UINT count, const TLVERTEX* vtx,
                                      std::size_t vertexCount, const std::uint16_t* indices, INT baseVertex) {
    if (fvf_ != D3DFVF_TLVERTEX) return D3DERR_INVALIDCALL;
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    const std::size_t needed = VerticesFor(type, count);
    // Gather the vertices, checking every index against the vertices the stream holds.
    thread_local std::vector<TLVERTEX> v;
    const TLVERTEX* use = vtx;
    if (indices) {
        v.resize(needed);
        for (std::size_t i = 0; i < needed; ++i) {
            const long long k = static_cast<long long>(baseVertex) + indices[i];
            if (k < 0 || static_cast<std::size_t>(k) >= vertexCount) return D3DERR_INVALIDCALL;
            v[i] = vtx[k];
        }
        use = v.data();
    } else if (needed > vertexCount) {
        return D3DERR_INVALIDCALL;
    }
    RasterState rs = MakeRasterState();
    renderTarget_->SubmitTriangles(rs, texture_ ? texture_->Level() : nullptr, type, count, use, needed);
    return D3D_OK;
}

HRESULT Direct3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
    if (!stream_ || streamStride_ != sizeof(TLVERTEX)) return D3DERR_INVALIDCALL;
    const auto& bytes = stream_->Bytes();
    const std::size_t start = streamOffset_ + static_cast<std::size_t>(startVertex) * sizeof(TLVERTEX);
    const std::size_t needed = VerticesFor(type, count);
    if (start > bytes.size() || needed > (bytes.size() - start) / sizeof(TLVERTEX)) return D3DERR_INVALIDCALL;
    if (needed == 4) { // a quad: read through a copy on the stack
        TLVERTEX quad[4];
        std::memcpy(quad, bytes.data() + start, sizeof quad);
        return DrawVertices(type, count, quad, 4, nullptr, 0);
    }
    thread_local std::vector<TLVERTEX> vtx;
    vtx.resize(needed);
    if (needed) std::memcpy(vtx.data(), bytes.data() + start, needed * sizeof(TLVERTEX));
    return DrawVertices(type, count, vtx.data(), needed, nullptr, 0);
}

HRESULT Direct3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT, UINT,
                                              UINT startIndex, UINT count) {
    if (!stream_ || !indices_ || streamStride_ != sizeof(TLVERTEX)) return D3DERR_INVALIDCALL;
    const auto& bytes = stream_->Bytes();
    if (streamOffset_ > bytes.size()) return D3DERR_INVALIDCALL;
    const std::size_t available = (bytes.size() - streamOffset_) / sizeof(TLVERTEX);
    const auto& ib = indices_->Bytes();
    const std::size_t indexCount = ib.size() / 2;
    const std::size_t needed = VerticesFor(type, count);
    if (startIndex > indexCount || needed > indexCount - startIndex) return D3DERR_INVALIDCALL;
    if (needed == 4 && fvf_ == D3DFVF_TLVERTEX) {
        // A quad (the common draw) is gathered on the stack and goes straight to the target.
        std::uint16_t idx[4];
        std::memcpy(idx, ib.data() + static_cast<std::size_t>(startIndex) * 2, sizeof idx);
        TLVERTEX vtx[4];
        for (int i = 0; i < 4; ++i) {
            const long long k = static_cast<long long>(baseVertex) + idx[i];
            if (k < 0 || static_cast<std::size_t>(k) >= available) return D3DERR_INVALIDCALL;
            std::memcpy(&vtx[i],
                        bytes.data() + streamOffset_ + static_cast<std::size_t>(k) * sizeof(TLVERTEX),
                        sizeof(TLVERTEX));
        }
        RasterState rs = MakeRasterState();
        renderTarget_->SubmitTriangles(rs, texture_ ? texture_->Level() : nullptr, type, count, vtx, 4);
        return D3D_OK;
    }
    thread_local std::vector<std::uint16_t> idx;
    idx.resize(needed);
    if (needed) std::memcpy(idx.data(), ib.data() + static_cast<std::size_t>(startIndex) * 2, needed * 2);
    // The vertex bytes may be unaligned for TLVERTEX: read through a copy of the ones used.
    thread_local std::vector<TLVERTEX> vtx;
    vtx.resize(needed);
    for (std::size_t i = 0; i < needed; ++i) {
        const long long k = static_cast<long long>(baseVertex) + idx[i];
        if (k < 0 || static_cast<std::size_t>(k) >= available) return D3DERR_INVALIDCALL;
        std::memcpy(&vtx[i], bytes.data() + streamOffset_ + static_cast<std::size_t>(k) * sizeof(TLVERTEX),
                    sizeof(TLVERTEX));
    }
    return DrawVertices(type, count, vtx.data(), needed, nullptr, 0);
}

HRESULT Direct3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices,
                                         UINT stride) {
    if (!vertices || stride != sizeof(TLVERTEX)) return D3DERR_INVALIDCALL;
    const std::size_t n = VerticesFor(type, count);
    std::vector<TLVERTEX> vtx(n);
    if (n) std::memcpy(vtx.data(), vertices, n * sizeof(TLVERTEX));
    return DrawVertices(type, count, vtx.data(), n, nullptr, 0);
}

void Direct3DDevice9::DrawTriangle(const TLVERTEX& a, const TLVERTEX& b, const TLVERTEX& c) {
    const TLVERTEX v[3] = {a, b, c};
    RasterState rs = MakeRasterState();
    renderTarget_->SubmitTriangles(rs, texture_ ? texture_->Level() : nullptr, D3DPT_TRIANGLELIST, 1, v, 3);
}

void Direct3DDevice9::DrawQuadStrip(const TLVERTEX* v4) {
    RasterState rs = MakeRasterState();
    renderTarget_->SubmitTriangles(rs, texture_ ? texture_->Level() : nullptr, D3DPT_TRIANGLESTRIP, 2, v4, 4);
}

void Direct3DDevice9::DrawQuadStrips(const TLVERTEX* v, std::size_t quads) {
    if (!v || quads == 0) return;
    const RasterState rs = MakeRasterState();
    renderTarget_->SubmitQuads(rs, texture_ ? texture_->Level() : nullptr, v, quads);
}

void Direct3DDevice9::DrawGlyph(const std::uint8_t* coverage, int w, int h, int x, int y, DWORD colour) {
    renderTarget_->SubmitGlyph(coverage, w, h, x, y, colour);
}

void Direct3DDevice9::SetUnderColour(const DWORD* argb) {
    underOn_ = argb != nullptr;
    under_ = argb ? *argb : 0;
}

} // namespace gfx
