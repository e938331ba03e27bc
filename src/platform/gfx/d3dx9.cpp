#include "platform/gfx/d3dx9.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/raster.h"
#include "platform/gfx/sim.h"
#include "platform/gfx/text.h"
#include <algorithm>
#include <cstring>
#include <vector>

namespace gfx {
namespace {

UINT NextPow2(UINT v) {
    UINT p = 1;
    while (p < v && p < (1u << 30))
        p <<= 1;
    return p;
}

// The size a texture gets on this device: powers of two and/or square when the device asks for them.
void FitSize(UINT& w, UINT& h) {
    if (sim::TexturesPow2()) {
        w = NextPow2(w);
        h = NextPow2(h);
    }
    if (sim::TexturesSquareOnly()) w = h = std::max(w, h);
}

D3DFORMAT FileFormat(int bitCount) {
    switch (bitCount) {
    case 16:
        return D3DFMT_X1R5G5B5;
    case 24:
        return D3DFMT_R8G8B8;
    case 32:
        return D3DFMT_X8R8G8B8;
    default:
        return D3DFMT_UNKNOWN; // palettised
    }
}

} // namespace

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE9 dev, UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f,
                          D3DPOOL pool, LPDIRECT3DTEXTURE9* out) {
    if (!dev || !out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || w == D3DX_DEFAULT) w = 256;
    if (h == 0 || h == D3DX_DEFAULT) h = 256;
    FitSize(w, h);
    if (f == D3DFMT_UNKNOWN) f = D3DFMT_A8R8G8B8;
    (void)levels; // one level: the drawing library never uses mipmaps
    return dev->CreateTexture(w, h, 1, usage, f, pool, out, nullptr);
}

HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 dev, const char* file, UINT w, UINT h, UINT levels,
                                     DWORD usage, D3DFORMAT f, D3DPOOL pool, DWORD filter, DWORD,
                                     DWORD colourKey, D3DXIMAGE_INFO* info, PALETTEENTRY*,
                                     LPDIRECT3DTEXTURE9* out) {
    if (!dev || !file || !out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (filter != D3DX_FILTER_NONE && filter != D3DX_DEFAULT) return D3DERR_INVALIDCALL;
    Dib dib;
    if (!LoadBmpFile(file, dib)) return D3DXERR_INVALIDDATA;
    if (w == 0 || w == D3DX_DEFAULT) w = static_cast<UINT>(dib.width);
    if (h == 0 || h == D3DX_DEFAULT) h = static_cast<UINT>(dib.height);
    if (f == D3DFMT_UNKNOWN) f = D3DFMT_A8R8G8B8;
    LPDIRECT3DTEXTURE9 tex = nullptr;
    if (HRESULT hr = D3DXCreateTexture(dev, w, h, levels, usage, f, pool, &tex); FAILED(hr)) return hr;
    PixelBuffer& p = tex->Level()->Pixels();
    // The picture, unscaled, at the top-left; the rest stays 0 (transparent black).
    // A row at a time: the picture's colours with the key's pixels made transparent black, then the
    // texture's values (32-bit ARGB ones written in place).
    const int cw = std::min(p.width, dib.width), ch = std::min(p.height, dib.height);
    if (cw > 0 && ch > 0) {
        const DibArgbRows rows(dib, colourKey);
        std::vector<std::uint32_t> line(static_cast<std::size_t>(cw));
        for (int y = 0; y < ch; ++y) {
            if (p.format == PixelFormat::A8R8G8B8) {
                rows.Row(0, y, cw, reinterpret_cast<std::uint32_t*>(p.Row(y)));
                continue;
            }
            rows.Row(0, y, cw, line.data());
            RowFromArgb(p, 0, y, cw, line.data());
        }
    }
    if (info) {
        info->Width = static_cast<UINT>(dib.width);
        info->Height = static_cast<UINT>(dib.height);
        info->Depth = 1;
        info->MipLevels = 1;
        info->Format = FileFormat(dib.bitCount);
    }
    *out = tex;
    return D3D_OK;
}

void DrawCoverage(Direct3DDevice9* dev, const std::uint8_t* coverage, int w, int h, int x, int y,
                  DWORD colour) {
    if (dev && coverage) dev->DrawGlyph(coverage, w, h, x, y, colour);
}

// ---- font ----

HRESULT D3DXCreateFontIndirectA(LPDIRECT3DDEVICE9 dev, const D3DXFONT_DESCA* desc, LPD3DXFONT* out) {
    if (!dev || !desc || !out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    char face[33] = {};
    std::memcpy(face, desc->FaceName, 32); // the name need not be terminated within its 32 bytes
    auto tf = TextFace::Open(face);
    if (!tf) return D3DERR_NOTAVAILABLE;
    const int height = desc->Height > 0 ? desc->Height : desc->Height < 0 ? tf->CellForEm(-desc->Height) : 16;
    *out = new ID3DXFont(dev, std::move(tf), height);
    return D3D_OK;
}

ID3DXFont::ID3DXFont(Direct3DDevice9* dev, std::shared_ptr<TextFace> face, int height)
    : device_(dev), face_(std::move(face)), height_(height) {
    device_->AddRef();
}

ID3DXFont::~ID3DXFont() {
    device_->Release();
}

HRESULT ID3DXFont::OnLostDevice() {
    return D3D_OK;
}
HRESULT ID3DXFont::OnResetDevice() {
    return D3D_OK;
}

const ID3DXFont::GlyphRun& ID3DXFont::GlyphsOf(std::string_view text) {
    if (auto it = runs_.find(text); it != runs_.end()) return it->second;
    // Texts that change every frame (counters) would pile up: past a bound the kept ones start again.
    constexpr std::size_t kMostTexts = 1024;
    if (runs_.size() >= kMostTexts) runs_.clear();
    GlyphRun run;
    for (std::uint32_t cp : DecodeCp932(text)) {
        if (cp == '\n')
            run.push_back(nullptr);
        else if (cp >= 0x20)
            run.push_back(&face_->GetLinked(cp, height_, 0, false));
    }
    return runs_.emplace(std::string(text), std::move(run)).first->second;
}

INT ID3DXFont::DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format,
                         DWORD colour) {
    if (!text || !rect) return 0;
    if (rect->left < -(1 << 30) || rect->left > (1 << 30) || rect->top < -(1 << 30) || rect->top > (1 << 30))
        return 0; // far off any surface
    // Up to the terminator, and never past it even when a longer count is given.
    const std::size_t n = count < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(count));
    int x = rect->left, y = rect->top, widest = 0, lines = 1;
    const bool measureOnly = (format & DT_CALCRECT) != 0;
    for (const Glyph* g : GlyphsOf(std::string_view(text, n))) {
        if (!g) {
            widest = std::max(widest, x - static_cast<int>(rect->left));
            x = rect->left;
            y += height_;
            ++lines;
            continue;
        }
        if (!measureOnly && g->w > 0 && g->h > 0) {
            if (sprite && sprite->Open()) {
                sprite->AddQuad(ID3DXSprite::Quad{g, x + g->left, y + g->top, colour, this});
            } else {
                DrawCoverage(device_, g->coverage.data(), g->w, g->h, x + g->left, y + g->top, colour);
            }
        }
        x += g->advance;
    }
    widest = std::max(widest, x - static_cast<int>(rect->left));
    if (measureOnly) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + lines * height_;
    }
    return lines * height_;
}

// ---- sprite ----

HRESULT D3DXCreateSprite(LPDIRECT3DDEVICE9 dev, LPD3DXSPRITE* out) {
    if (!dev || !out) return D3DERR_INVALIDCALL;
    *out = new ID3DXSprite(dev);
    return D3D_OK;
}

ID3DXSprite::ID3DXSprite(Direct3DDevice9* dev) : device_(dev) {
    device_->AddRef();
}

ID3DXSprite::~ID3DXSprite() {
    device_->Release();
}

HRESULT ID3DXSprite::Begin(DWORD flags) {
    if (open_) return D3DERR_INVALIDCALL;
    open_ = true;
    flags_ = flags;
    quads_.clear();
    return D3D_OK;
}

void ID3DXSprite::AddQuad(Quad q) {
    quads_.push_back(q);
}

HRESULT ID3DXSprite::End() {
    if (!open_) return D3DERR_INVALIDCALL;
    open_ = false;
    if (flags_ & D3DXSPRITE_SORT_TEXTURE)
        std::stable_sort(quads_.begin(), quads_.end(), [](const Quad& a, const Quad& b) {
            return std::less<const void*>()(a.texture, b.texture);
        });
    for (const Quad& q : quads_)
        DrawCoverage(device_, q.glyph->coverage.data(), q.glyph->w, q.glyph->h, q.x, q.y, q.colour);
    quads_.clear();
    return D3D_OK;
}

HRESULT ID3DXSprite::OnLostDevice() {
    return D3D_OK;
}
HRESULT ID3DXSprite::OnResetDevice() {
    return D3D_OK;
}

} // namespace gfx
