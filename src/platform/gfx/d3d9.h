// The Direct3D9-like software device: back buffer formats X8R8G8B8, R5G6B5 and A1R5G5B5; textures
// A8R8G8B8 and A1R5G5B5 in the DEFAULT, MANAGED and SYSTEMMEM pools; render targets, off-screen
// plain surfaces, vertex and index buffers; pre-transformed (XYZRHW | DIFFUSE | TEX1) triangles drawn
// with pixel centres at integer coordinates and the top-left fill rule, point sampling with wrap,
// the texture-stage operations of stage 0, SRCALPHA / INVSRCALPHA blending on colour and alpha, and
// simulated device loss. Present hands the back buffer to the presenter (presenter.h).
#pragma once
#include "platform/gfx/gfx_types.h"
#include "platform/gfx/draw_record.h"
#include "platform/gfx/pixels.h"
#include "platform/gfx/presenter.h"
#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace gfx {

struct DeviceContext;
using HDC = DeviceContext*;

class Direct3D9;
class Direct3DDevice9;
class Direct3DSurface9;
class Direct3DTexture9;
class Direct3DVertexBuffer9;
class Direct3DIndexBuffer9;
struct D3DShared;
struct D3DKeptDraws;
struct RasterState;
class TexelTiles;
using LPDIRECT3D9 = Direct3D9*;
using LPDIRECT3DDEVICE9 = Direct3DDevice9*;
using LPDIRECT3DSURFACE9 = Direct3DSurface9*;
using LPDIRECT3DTEXTURE9 = Direct3DTexture9*;
using LPDIRECT3DVERTEXBUFFER9 = Direct3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = Direct3DIndexBuffer9*;

constexpr UINT D3D_SDK_VERSION = 32;

using D3DCOLOR = DWORD; // 0xAARRGGBB
constexpr D3DCOLOR D3DCOLOR_ARGB(int a, int r, int g, int b) {
    return static_cast<D3DCOLOR>(((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF));
}
constexpr D3DCOLOR D3DCOLOR_XRGB(int r, int g, int b) {
    return D3DCOLOR_ARGB(0xFF, r, g, b);
}
constexpr UINT D3DADAPTER_DEFAULT = 0;

enum D3DFORMAT : DWORD {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_INDEX16 = 101,
};
// The pixel format behind a surface format (X8R8G8B8 for unknown ones).
PixelFormat ToPixelFormat(D3DFORMAT f);

enum D3DPOOL : DWORD { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };
enum D3DDEVTYPE : DWORD { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };
enum D3DRESOURCETYPE : DWORD { D3DRTYPE_SURFACE = 1, D3DRTYPE_TEXTURE = 3 };
enum D3DSWAPEFFECT : DWORD { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
enum D3DBACKBUFFER_TYPE : DWORD { D3DBACKBUFFER_TYPE_MONO = 0 };
enum D3DPRIMITIVETYPE : DWORD { D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLESTRIP = 5, D3DPT_TRIANGLEFAN = 6 };
enum D3DMULTISAMPLE_TYPE : DWORD { D3DMULTISAMPLE_NONE = 0 };

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x00000001;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x00000008;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x00000200;
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x00000040;
constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x00000001;
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0x00000000;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 0x00000001;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;
constexpr DWORD D3DCLEAR_TARGET = 0x00000001;
constexpr DWORD D3DLOCK_READONLY = 0x00000010;
constexpr DWORD D3DLOCK_DISCARD = 0x00002000;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_TEX1 = 0x100;

// Capabilities the drawing code consults.
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x00000002;
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;
constexpr DWORD D3DCAPS2_DYNAMICTEXTURES = 0x20000000;
constexpr DWORD D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD = 0x00000020;

// Render states.
enum D3DRENDERSTATETYPE : DWORD {
    D3DRS_ZENABLE = 7,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_COLORVERTEX = 141,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
};
constexpr DWORD D3DBLEND_ZERO = 1;
constexpr DWORD D3DBLEND_ONE = 2;
constexpr DWORD D3DBLEND_SRCALPHA = 5;
constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DMCS_COLOR1 = 1;

// Sampler states (point sampling and wrapping are what the device does).
enum D3DSAMPLERSTATETYPE : DWORD {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
};
constexpr DWORD D3DTADDRESS_WRAP = 1;
constexpr DWORD D3DTADDRESS_CLAMP = 3;
constexpr DWORD D3DTEXF_POINT = 1;

// Texture-stage states of stage 0 and their arguments and operations.
enum D3DTEXTURESTAGESTATETYPE : DWORD {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
};
constexpr DWORD D3DTA_DIFFUSE = 0;
constexpr DWORD D3DTA_CURRENT = 1;
constexpr DWORD D3DTA_TEXTURE = 2;
constexpr DWORD D3DTA_TFACTOR = 3;
constexpr DWORD D3DTA_COMPLEMENT = 0x10;
constexpr DWORD D3DTA_ALPHAREPLICATE = 0x20;
enum D3DTEXTUREOP : DWORD {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_ADDSMOOTH = 11,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16,
};

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth = 0; // 0: the window's client size (640 x 480)
    UINT BackBufferHeight = 0;
    D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
    UINT BackBufferCount = 1;
    D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
    DWORD MultiSampleQuality = 0;
    D3DSWAPEFFECT SwapEffect = D3DSWAPEFFECT_DISCARD;
    HWND hDeviceWindow = nullptr;
    BOOL Windowed = 1;
    BOOL EnableAutoDepthStencil = 0;
    D3DFORMAT AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    DWORD Flags = 0;
    UINT FullScreen_RefreshRateInHz = 0;
    UINT PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
};

struct D3DCAPS9 {
    D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
    UINT AdapterOrdinal = 0;
    DWORD Caps = 0;
    DWORD Caps2 = 0;
    DWORD Caps3 = 0;
    DWORD PresentationIntervals = 0;
    DWORD TextureCaps = 0;
    DWORD MaxTextureWidth = 0;
    DWORD MaxTextureHeight = 0;
};

struct D3DDISPLAYMODE {
    UINT Width = 0;
    UINT Height = 0;
    UINT RefreshRate = 0;
    D3DFORMAT Format = D3DFMT_UNKNOWN;
};

struct D3DSURFACE_DESC {
    D3DFORMAT Format = D3DFMT_UNKNOWN;
    D3DRESOURCETYPE Type = D3DRTYPE_SURFACE;
    DWORD Usage = 0;
    D3DPOOL Pool = D3DPOOL_DEFAULT;
    D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
    DWORD MultiSampleQuality = 0;
    UINT Width = 0;
    UINT Height = 0;
};

struct D3DLOCKED_RECT {
    INT Pitch = 0;
    void* pBits = nullptr;
};

struct D3DRECT {
    LONG x1 = 0;
    LONG y1 = 0;
    LONG x2 = 0;
    LONG y2 = 0;
};

// The vertex the drawing code writes: screen position, 1/w, diffuse ARGB, texture coordinates.
struct TLVERTEX {
    float x, y, z, rhw;
    DWORD diffuse;
    float tu, tv;
};
static_assert(sizeof(TLVERTEX) == 28);
constexpr DWORD D3DFVF_TLVERTEX = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The factory object.
class Direct3D9 : public RefCounted {
  public:
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);    // 640 x 480, 60 Hz
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps); // from sim::SetTextureCaps
    // Fails with D3DERR_NOTAVAILABLE while sim::FailCreateDevice asks it to, or when the back
    // buffer format is not X8R8G8B8, R5G6B5 or A1R5G5B5.
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND hwnd, DWORD behaviour, D3DPRESENT_PARAMETERS* pp,
                         LPDIRECT3DDEVICE9* out);

  private:
    friend Direct3D9* Direct3DCreate9(UINT);
    Direct3D9() = default;
};

// Null when sim::FailCreateDirect3D is set.
Direct3D9* Direct3DCreate9(UINT sdkVersion);

// A surface: the back buffer, a texture's level 0, or an off-screen plain surface.
class Direct3DSurface9 : public RefCounted {
  public:
    HRESULT GetDesc(D3DSURFACE_DESC* desc);
    // Whole surface only (rect must be null). Render-target textures in the DEFAULT pool cannot be
    // locked (D3DERR_INVALIDCALL), as on the platform; a second lock fails too.
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect();
    HRESULT GetDC(HDC* dc); // for text measuring and GDI drawing (counts as a lock)
    HRESULT ReleaseDC(HDC dc);

    // Not part of the platform's interface. A render target may keep its draws back until its pixels
    // are needed (from a draw that covers every pixel on, see Submit); the pixels given here are always
    // as drawn. This one is for writing: the pixels are made this surface's own (a store that draws
    // kept back elsewhere still read is left to them), count as a new state, and draws are no longer
    // kept back.
    PixelBuffer& Pixels();
    // The pixels as drawn, for reading.
    const PixelBuffer& Pixels() const;
    // The pixels as drawn, kept for a draw that reads them later, and the number of their state (a
    // number no other state of any surface had).
    std::shared_ptr<const PixelBuffer> Store() const;
    std::uint64_t State() const;
    // Whether every pixel's alpha is 255 (surfaces without alpha are opaque).
    bool Opaque() const;
    // Which rows of the tiles of an A8R8G8B8 surface's pixels, as drawn, are all transparent or all
    // opaque, for a draw that reads them: null for other formats and for the first draw from each state of
    // the pixels (pixels read once would pay for looking and gain nothing). Forgotten whenever the pixels may
    // have changed.
    const std::shared_ptr<TexelTiles>& Tiles() const;
    // Every pixel is about to be drawn anew: a render target keeps its draws back from here, as after
    // a clear of the whole surface (what it holds until then is undefined).
    void DiscardPixels();
    D3DFORMAT Format() const { return format_; }
    D3DPOOL Pool() const { return pool_; }
    DWORD Usage() const { return usage_; }
    bool IsRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
    Direct3DTexture9* Container() const { return container_; }

  private:
    friend class Direct3DDevice9;
    friend class Direct3DTexture9;
    Direct3DSurface9(std::shared_ptr<D3DShared> shared, D3DFORMAT f, D3DPOOL pool, DWORD usage, int w, int h);
    ~Direct3DSurface9() override;
    // Draws onto this render target: run now, or kept back while a frame is being kept (from a draw
    // covering every pixel, `covers`, on). The rows each may write are worked out here.
    void SubmitFill(const D3DRECT* rects, DWORD count, std::uint32_t raw);
    // The caller's state is completed here in place (its target and texture are set), not copied.
    void SubmitTriangles(RasterState& rs, const Direct3DSurface9* texture, D3DPRIMITIVETYPE type, UINT count,
                         const TLVERTEX* v, std::size_t vertexCount);
    // Quad strips of four vertices each, drawn one after another in the state `rs` as SubmitTriangles
    // draws each; the texture is read once for those drawn at once.
    void SubmitQuads(const RasterState& rs, const Direct3DSurface9* texture, const TLVERTEX* v,
                     std::size_t quads);
    // What a draw of triangles does first, for a draw kept back or run: true when it is kept back;
    // `large` says whether it may cover a quarter of the target (asked only where that matters).
    bool KeepsTriangles(const RasterState& rs, const Direct3DSurface9* texture, D3DPRIMITIVETYPE type,
                        UINT count, const TLVERTEX* v, std::size_t vertexCount, bool& large);
    void RunTrianglesNow(RasterState& rs, const Direct3DSurface9* texture, D3DPRIMITIVETYPE type, UINT count,
                         const TLVERTEX* v, std::size_t vertexCount);
    void KeepTriangles(const RasterState& rs, const Direct3DSurface9* texture, D3DPRIMITIVETYPE type,
                       UINT count, const TLVERTEX* v, std::size_t vertexCount, bool large);
    void SubmitGlyph(const std::uint8_t* coverage, int w, int h, int x, int y, DWORD colour);
    // Runs the draws kept back in the rows where they can give other pixels than those the surface
    // holds (those of the draws run last time).
    void Resolve() const;
    // The store made this surface's own, as a new state, rows [top, bottom) counted as changed since
    // the last present.
    PixelBuffer& BeginWrite(int top, int bottom) const;
    // Ends keeping draws back (they have been run): the pixels are no longer those of known draws.
    void StopKeeping() const;
    // Stops keeping draws back when the list has lived through two resolves (see D3DKeptDraws).
    void AgeKeeping() const;
    // A draw covering every pixel begins a frame: its draws are kept back from here, unless the last
    // frames changed every row (then they run at once).
    void BeginCoveredFrame();
    // What changed since the last present, which is now.
    FrameChange TakeChange();
    // Forgets the pixels' state after a device loss took them (from any thread).
    void MarkContentsLost() { contentsLost_ = true; }
    void TakeLoss() const;

    std::shared_ptr<D3DShared> shared_; // video-memory accounting, outliving the device
    D3DFORMAT format_;
    D3DPOOL pool_;
    DWORD usage_;
    mutable std::shared_ptr<PixelBuffer> pixels_;
    mutable std::uint64_t state_;
    // Whether `state_` was read since it was made: a write after that takes a new number; until
    // then, nobody can tell the pixels' states apart.
    mutable bool stateRead_ = true;
    mutable RowSpan changed_;          // rows written since the last present
    std::uint64_t presentedState_ = 0; // the state last presented
    mutable std::unique_ptr<D3DKeptDraws> kept_;
    mutable std::atomic<bool> contentsLost_{false};
    mutable std::uint64_t opaqueState_ = 0; // the state `opaque_` was found for
    mutable bool opaque_ = false;
    mutable std::shared_ptr<TexelTiles> tiles_; // for the state `tilesState_`
    mutable std::uint64_t tilesState_ = 0;
    mutable int tilesUses_ = 0;             // draws that asked for the tiles of that state, up to 2
    Direct3DTexture9* container_ = nullptr; // not counted: the texture owns the surface
    bool locked_ = false;
    HDC dc_ = nullptr;
};

// A texture of one level.
class Direct3DTexture9 : public RefCounted {
  public:
    HRESULT GetSurfaceLevel(UINT level, LPDIRECT3DSURFACE9* out); // adds a reference to the level
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);
    DWORD GetLevelCount() { return 1; }

    // Not part of the platform's interface.
    Direct3DSurface9* Level() const { return level_; }

  private:
    friend class Direct3DDevice9;
    explicit Direct3DTexture9(Direct3DSurface9* level);
    ~Direct3DTexture9() override;
    Direct3DSurface9* level_;
};

class Direct3DVertexBuffer9 : public RefCounted {
  public:
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock();
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    friend class Direct3DDevice9;
    explicit Direct3DVertexBuffer9(UINT length) : bytes_(length) {}
    std::vector<std::uint8_t> bytes_;
};

class Direct3DIndexBuffer9 : public RefCounted {
  public:
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock();
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    friend class Direct3DDevice9;
    explicit Direct3DIndexBuffer9(UINT length) : bytes_(length) {}
    std::vector<std::uint8_t> bytes_;
};

// The device.
class Direct3DDevice9 : public RefCounted {
  public:
    // Device loss: D3D_OK, D3DERR_DEVICELOST (while lost) or D3DERR_DEVICENOTRESET (ready for Reset).
    HRESULT TestCooperativeLevel();
    // Recreates the back buffer and sets every state to its default; the DEFAULT-pool textures must
    // have been released (otherwise D3DERR_INVALIDCALL) and their contents are gone in any case.
    HRESULT Reset(D3DPRESENT_PARAMETERS* pp);
    // Publishes the back buffer; with interval DEFAULT or ONE waits for the emulated 60 Hz blank.
    HRESULT Present(const RECT* src, const RECT* dst, HWND override, const void* dirty);
    // The back buffer, with a reference added.
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, LPDIRECT3DSURFACE9* out);
    HRESULT BeginScene();                  // a second BeginScene before EndScene fails
    HRESULT EndScene();                    // without BeginScene fails
    HRESULT SetDialogBoxMode(BOOL enable); // accepted: dialogs are drawn by the window thread
    HRESULT GetDeviceCaps(D3DCAPS9* caps); // as Direct3D9::GetDeviceCaps

    // One level of any size up to the maximum; RENDERTARGET only in the DEFAULT pool; DEFAULT-pool
    // resources count against the video-memory budget (D3DERR_OUTOFVIDEOMEMORY).
    HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f, D3DPOOL pool,
                          LPDIRECT3DTEXTURE9* out, HANDLE* shared);
    HRESULT CreateOffscreenPlainSurface(UINT w, UINT h, D3DFORMAT f, D3DPOOL pool, LPDIRECT3DSURFACE9* out,
                                        HANDLE* shared);
    // Buffers are plain memory and survive device loss and the device itself.
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               LPDIRECT3DVERTEXBUFFER9* out, HANDLE* shared);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT f, D3DPOOL pool,
                              LPDIRECT3DINDEXBUFFER9* out, HANDLE* shared);

    // Copies a render target into a SYSTEMMEM surface of the same size and format.
    HRESULT GetRenderTargetData(LPDIRECT3DSURFACE9 renderTarget, LPDIRECT3DSURFACE9 dest);
    // Copies a SYSTEMMEM surface (or its rectangle) into a DEFAULT-pool surface of the same format.
    HRESULT UpdateSurface(LPDIRECT3DSURFACE9 src, const RECT* srcRect, LPDIRECT3DSURFACE9 dst,
                          const POINT* dstPoint);
    // Only render-target surfaces (the back buffer or RENDERTARGET textures) are accepted.
    HRESULT SetRenderTarget(DWORD index, LPDIRECT3DSURFACE9 target);
    HRESULT GetRenderTarget(DWORD index, LPDIRECT3DSURFACE9* out);
    // Fills the rectangles (all of the target when count is 0) with the colour in the target format.
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, DWORD colour, float z, DWORD stencil);

    // Blending (ALPHABLENDENABLE, SRCBLEND, DESTBLEND), CULLMODE and TEXTUREFACTOR act; the other states
    // are kept and read back.
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE state, DWORD value);         // point, wrap
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value); // stage 0
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value);
    // Null: every sample reads opaque white (1, 1, 1, 1).
    HRESULT SetTexture(DWORD stage, LPDIRECT3DTEXTURE9 texture);
    HRESULT SetStreamSource(UINT stream, LPDIRECT3DVERTEXBUFFER9 vb, UINT offset, UINT stride); // stride 28
    HRESULT SetIndices(LPDIRECT3DINDEXBUFFER9 ib);
    HRESULT SetFVF(DWORD fvf); // only D3DFVF_TLVERTEX draws
    // Triangle lists, strips and fans of TLVERTEX; vertices or indices outside their buffers fail.
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount);
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride);

    // Not part of the platform's interface.
    bool IsLost() const { return lost_ != 0; }
    // Present and the next `lostPolls` TestCooperativeLevel calls report D3DERR_DEVICELOST.
    void SimulateLoss(int lostPolls = 1);
    // Draws one triangle in screen space (used by DrawPrimitive and by the sprite object).
    void DrawTriangle(const TLVERTEX& a, const TLVERTEX& b, const TLVERTEX& c);
    void DrawQuadStrip(const TLVERTEX* v4); // TL, BL, TR, BR
    // Draws `quads` strips of four vertices each (TL, BL, TR, BR), one after another, as DrawQuadStrip
    // draws each: the state they share is worked out once.
    void DrawQuadStrips(const TLVERTEX* v, std::size_t quads);
    // Blends a coverage image (one byte a pixel, rows `w` apart) of `colour` onto the render target at
    // (x, y): each byte scales the colour's alpha, SRCALPHA / INVSRCALPHA (used by the font).
    void DrawGlyph(const std::uint8_t* coverage, int w, int h, int x, int y, DWORD colour);
    // With a colour (ARGB), the draws that follow treat every pixel they cover as first cleared to it, as
    // Clear of the covered pixels followed by the draw would, in one pass; null ends it.
    void SetUnderColour(const DWORD* argb);
    std::size_t VideoBytesInUse() const;
    // Live DEFAULT-pool resources other than the back buffer (Reset refuses while there are any).
    int DefaultPoolResources() const;

  private:
    friend class Direct3D9;
    friend class Direct3DTexture9;
    Direct3DDevice9(HWND hwnd, const D3DPRESENT_PARAMETERS& pp);
    ~Direct3DDevice9() override;
    void SetDefaultStates();
    HRESULT MakeBackBuffer();
    HRESULT DrawVertices(D3DPRIMITIVETYPE type, UINT primitiveCount, const TLVERTEX* vertices,
                         std::size_t vertexCount, const std::uint16_t* indices, INT baseVertex);
    RasterState MakeRasterState() const;

    HWND hwnd_;
    D3DPRESENT_PARAMETERS pp_;
    Direct3DSurface9* backBuffer_ = nullptr;
    Direct3DSurface9* renderTarget_ = nullptr;
    Direct3DTexture9* texture_ = nullptr;
    Direct3DVertexBuffer9* stream_ = nullptr;
    UINT streamOffset_ = 0;
    UINT streamStride_ = 28;
    Direct3DIndexBuffer9* indices_ = nullptr;
    DWORD fvf_ = 0;
    std::array<DWORD, 256> renderStates_{};
    std::array<DWORD, 8> stageStates_{};
    std::array<std::array<DWORD, 16>, 2> samplerStates_{};
    bool inScene_ = false;
    int lost_ = 0; // 0 fine, 1 lost, 2 ready for Reset
    bool underOn_ = false;
    DWORD under_ = 0;
    int lostPolls_ = 0;
    std::shared_ptr<D3DShared> shared_;
};

} // namespace gfx
