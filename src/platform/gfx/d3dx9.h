// D3DX-like services over the Direct3D-like device: texture creation, textures from bitmap files
// with a colour key, a font object drawing text with glyph coverage as alpha, and a sprite object
// that gathers glyph quads and draws them with alpha blending.
#pragma once
#include "platform/gfx/d3d9.h"
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gfx {

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr HRESULT D3DXERR_INVALIDDATA = MakeResult(0x88760B59u); // the file is missing or not a picture
constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DXSPRITE_ALPHABLEND = 0x10;
constexpr DWORD D3DXSPRITE_SORT_TEXTURE = 0x20;
constexpr DWORD DT_LEFT = 0x0;
constexpr DWORD DT_TOP = 0x0;
constexpr DWORD DT_NOCLIP = 0x100;
constexpr DWORD DT_CALCRECT = 0x400;

struct D3DXIMAGE_INFO {
    UINT Width = 0;
    UINT Height = 0;
    UINT Depth = 1;
    UINT MipLevels = 1;
    D3DFORMAT Format = D3DFMT_UNKNOWN;
};

// Creates a texture of the given size, rounded up to a power of two and/or made square when the
// device's capabilities ask for it; D3DERR_OUTOFVIDEOMEMORY when the DEFAULT pool is exhausted.
HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE9 dev, UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f,
                          D3DPOOL pool, LPDIRECT3DTEXTURE9* out);

// Loads a BMP file (CP932 path) into a texture. w/h D3DX_DEFAULT (or 0) take the picture's size, rounded
// as D3DXCreateTexture does; the picture goes unscaled at the top-left and the rest of the texture is
// 0x00000000. With colourKey != 0, texels equal to it (opaque ARGB, compared after widening to 8 bits
// per channel) become 0x00000000. Only D3DX_FILTER_NONE is supported. Texels narrow to 16-bit formats by
// rounding to the nearest level.
HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 dev, const char* file, UINT w, UINT h, UINT levels,
                                     DWORD usage, D3DFORMAT f, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     DWORD colourKey, D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                                     LPDIRECT3DTEXTURE9* out);
inline HRESULT D3DXCreateTextureFromFileEx(LPDIRECT3DDEVICE9 dev, const char* file, UINT w, UINT h,
                                           UINT levels, DWORD usage, D3DFORMAT f, D3DPOOL pool, DWORD filter,
                                           DWORD mipFilter, DWORD colourKey, D3DXIMAGE_INFO* info,
                                           PALETTEENTRY* palette, LPDIRECT3DTEXTURE9* out) {
    return D3DXCreateTextureFromFileExA(dev, file, w, h, levels, usage, f, pool, filter, mipFilter, colourKey,
                                        info, palette, out);
}

struct D3DXFONT_DESCA {
    INT Height = 0; // cell height in pixels
    UINT Width = 0;
    UINT Weight = 400;
    UINT MipLevels = 0;
    BOOL Italic = 0;
    BYTE CharSet = 128;
    BYTE OutputPrecision = 0;
    BYTE Quality = 0;
    BYTE PitchAndFamily = 0;
    char FaceName[32] = {};
};

class ID3DXSprite;
class TextFace;
struct Glyph;

// A font: DrawTextA renders CP932 text with each glyph's coverage as the alpha of `colour`.
class ID3DXFont : public RefCounted {
  public:
    // Draws at rect's left/top ("\n" starts a new line one font height lower); count -1 = up to NUL.
    // With a sprite between Begin and End the glyphs join its quads; otherwise they draw at once.
    // Returns the height of the text drawn (0 on failure). DT_CALCRECT measures into rect only.
    INT DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format, DWORD colour);
    INT DrawText(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format, DWORD colour) {
        return DrawTextA(sprite, text, count, rect, format, colour);
    }
    HRESULT OnLostDevice();
    HRESULT OnResetDevice();

  private:
    friend HRESULT D3DXCreateFontIndirectA(LPDIRECT3DDEVICE9, const D3DXFONT_DESCA*, ID3DXFont**);
    ID3DXFont(Direct3DDevice9* dev, std::shared_ptr<TextFace> face, int height);
    ~ID3DXFont() override;
    // The glyphs of a text in drawing order, a null one for each line break (other control
    // characters have none). Texts are drawn again frame after frame, so each text's glyphs are looked
    // up once and kept: with the font's face and height fixed, the same bytes always give the same
    // glyphs, which stay in their face's cache for as long as the face lives.
    using GlyphRun = std::vector<const Glyph*>;
    const GlyphRun& GlyphsOf(std::string_view text);
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    Direct3DDevice9* device_; // counted reference
    std::shared_ptr<TextFace> face_;
    int height_;
    std::unordered_map<std::string, GlyphRun, TextHash, std::equal_to<>> runs_;
};
using LPD3DXFONT = ID3DXFont*;
HRESULT D3DXCreateFontIndirectA(LPDIRECT3DDEVICE9 dev, const D3DXFONT_DESCA* desc, LPD3DXFONT* out);

// Gathers quads between Begin and End; End draws them (sorted by texture with SORT_TEXTURE, keeping
// their order otherwise) with SRCALPHA / INVSRCALPHA blending, then restores the device's states.
class ID3DXSprite : public RefCounted {
  public:
    HRESULT Begin(DWORD flags);
    HRESULT End();
    HRESULT OnLostDevice();
    HRESULT OnResetDevice();

    // Not part of the platform's interface: a glyph quad (glyphs stay in their face's cache).
    struct Quad {
        const Glyph* glyph = nullptr;
        int x = 0, y = 0; // top-left of the glyph's coverage
        std::uint32_t colour = 0;
        const void* texture = nullptr; // what SORT_TEXTURE groups by (the font)
    };
    bool Open() const { return open_; }
    void AddQuad(Quad q);

  private:
    friend HRESULT D3DXCreateSprite(LPDIRECT3DDEVICE9, ID3DXSprite**);
    explicit ID3DXSprite(Direct3DDevice9* dev);
    ~ID3DXSprite() override;
    Direct3DDevice9* device_; // counted reference
    bool open_ = false;
    DWORD flags_ = 0;
    std::vector<Quad> quads_;
};
using LPD3DXSPRITE = ID3DXSprite*;
HRESULT D3DXCreateSprite(LPDIRECT3DDEVICE9 dev, LPD3DXSPRITE* out);

} // namespace gfx
