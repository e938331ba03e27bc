// D3DX-like services: keyed textures from bitmap files of every depth at 16 and 32 bits, texture sizes
// under the device's capabilities, the font with coverage as alpha, and the sprite's deferred drawing.
#include "bmp_bytes.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/d3dx9.h"
#include "platform/gfx/sim.h"
#include "platform/gfx/text.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace gfx;

namespace {

class D3DXTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ResetSimulation();
        sim::SetVerticalBlankEmulation(false);
        dir_ = std::filesystem::temp_directory_path() / ("gfx_d3dx_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 32;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        ASSERT_EQ(
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_),
            D3D_OK);
        d3d->Release();
    }
    void TearDown() override {
        SafeRelease(dev_);
        std::filesystem::remove_all(dir_);
        sim::ResetSimulation();
    }
    // Draws go to a 64 x 32 render-target texture of the device's size.
    void SetTextureTarget(LPDIRECT3DTEXTURE9& tex, LPDIRECT3DSURFACE9& rt) {
        ASSERT_EQ(
            D3DXCreateTexture(dev_, 64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex),
            D3D_OK);
        tex->GetSurfaceLevel(0, &rt);
        dev_->SetRenderTarget(0, rt);
    }
    // Draws go to the back buffer again, and the texture target is let go.
    void RestoreBackBuffer(LPDIRECT3DTEXTURE9 tex, LPDIRECT3DSURFACE9 rt) {
        LPDIRECT3DSURFACE9 bb = nullptr;
        dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
        dev_->SetRenderTarget(0, bb);
        bb->Release();
        rt->Release();
        tex->Release();
    }
    std::filesystem::path dir_;
    Direct3DDevice9* dev_ = nullptr;
};

TEST_F(D3DXTest, KeyedTexturesFromEveryDepthAt16And32Bits) {
    sim::SetTextureCaps(true, false, true); // 4 x 3 pictures land in 4 x 4 textures
    const auto samples = bmptest::Samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::string path = (dir_ / ("s" + std::to_string(i) + ".bmp")).string();
        ASSERT_TRUE(bmptest::Write(path, samples[i].bytes));
        for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5}) {
            LPDIRECT3DTEXTURE9 tex = nullptr;
            D3DXIMAGE_INFO info;
            ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, f,
                                                   D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT,
                                                   0xFFFF00FF, &info, nullptr, &tex),
                      D3D_OK)
                << i;
            EXPECT_EQ(info.Width, 4u);
            EXPECT_EQ(info.Height, 3u);
            D3DSURFACE_DESC d;
            tex->GetLevelDesc(0, &d);
            EXPECT_EQ(d.Width, 4u);
            EXPECT_EQ(d.Height, 4u);
            const PixelBuffer& p = tex->Level()->Pixels();
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) {
                    std::uint32_t want = y < 3 ? samples[i].argb[y * 4 + x] : 0;
                    if (want == 0xFFFF00FF) want = 0; // the key becomes transparent black
                    EXPECT_EQ(ToArgb(p.format, p.Get(x, y)), want)
                        << "sample " << i << " fmt " << f << " " << x << "," << y;
                }
            if (f == D3DFMT_A1R5G5B5) {
                EXPECT_EQ(p.Get(1, 0), 0u); // alpha bit clear too
            }
            tex->Release();
        }
    }
}

TEST_F(D3DXTest, KeyedTextureFromATwoColourBitmap) {
    bmptest::Spec s(9, 2, 1); // nine pixels: the row spills into a second byte
    s.palette = {0xFF00FF, 0x20A040};
    s.raw = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const std::string path = (dir_ / "one.bmp").string();
    ASSERT_TRUE(bmptest::Write(path, bmptest::Build(s)));
    for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5}) {
        LPDIRECT3DTEXTURE9 tex = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), 0, 0, 1, 0, f, D3DPOOL_MANAGED,
                                               D3DX_FILTER_NONE, D3DX_DEFAULT, 0xFFFF00FF, nullptr, nullptr,
                                               &tex),
                  D3D_OK);
        const PixelBuffer& p = tex->Level()->Pixels();
        for (int i = 0; i < 18; ++i) {
            const std::uint32_t want = s.raw[i] ? FromArgb(p.format, 0xFF20A040) : 0;
            EXPECT_EQ(p.Get(i % 9, i / 9), want) << i << " fmt " << f;
        }
        tex->Release();
    }
}

TEST_F(D3DXTest, TextureSizesFollowTheCapabilities) {
    auto size = [&](UINT w, UINT h) {
        LPDIRECT3DTEXTURE9 t = nullptr;
        EXPECT_EQ(D3DXCreateTexture(dev_, w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
        D3DSURFACE_DESC d;
        t->GetLevelDesc(0, &d);
        t->Release();
        return std::pair<UINT, UINT>(d.Width, d.Height);
    };
    EXPECT_EQ(size(100, 50), std::make_pair(100u, 50u));
    sim::SetTextureCaps(true, false, true);
    EXPECT_EQ(size(100, 50), std::make_pair(128u, 64u));
    EXPECT_EQ(size(64, 16), std::make_pair(64u, 16u));
    sim::SetTextureCaps(true, true, true);
    EXPECT_EQ(size(100, 50), std::make_pair(128u, 128u));
    sim::SetVideoMemoryBudget(dev_->VideoBytesInUse());
    LPDIRECT3DTEXTURE9 t = nullptr;
    EXPECT_EQ(D3DXCreateTexture(dev_, 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(D3DXCreateTextureFromFileExA(dev_, (dir_ / "none.bmp").string().c_str(), 0, 0, 1, 0,
                                           D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT,
                                           0, nullptr, nullptr, &t),
              D3DXERR_INVALIDDATA);
}

TEST_F(D3DXTest, TheKeyIsComparedAfterWidening16BitPixels) {
    // (255, 0, 255) is 31/0/31 in 5-5-5 and widens back to exactly 0xFF00FF; (248, 0, 248) does not exist.
    bmptest::Spec s(2, 1, 16);
    s.raw = {31u << 10 | 31u, 30u << 10 | 31u};
    const std::string path = (dir_ / "k16.bmp").string();
    ASSERT_TRUE(bmptest::Write(path, bmptest::Build(s)));
    LPDIRECT3DTEXTURE9 tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                           D3DX_FILTER_NONE, D3DX_DEFAULT, 0xFFFF00FF, nullptr, nullptr,
                                           &tex),
              D3D_OK);
    EXPECT_EQ(tex->Level()->Pixels().Get(0, 0), 0u);
    EXPECT_EQ(tex->Level()->Pixels().Get(1, 0), 0xFFF700FFu);
    tex->Release();
}

TEST_F(D3DXTest, TexturesFromFilesTakeThePerPixelColours) {
    // Every picture depth (and channel layout) into 32- and 16-bit textures, with and without a key
    // that some pixels have, and into a texture narrower and shorter than the picture: each texel is
    // the picture's colour of PixelArgb, 0 where it is the key's, in the texture's format.
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5,
                                 D3DFMT_X1R5G5B5};
    // Wide enough for whole steps and a few pixels after them.
    for (bmptest::Spec s : bmptest::EveryLayout(21, 4)) {
        for (int i = 0; i < 21 * 4; ++i) // indices past the table as well; every third pixel repeats
            s.raw.push_back(bmptest::HashedPixel(static_cast<std::uint32_t>(i % 3 == 2 ? 1 : i + 1), s.bpp));
        const std::string path =
            (dir_ / ("d" + std::to_string(s.bpp) + "_" + std::to_string(s.masks[0]) + ".bmp")).string();
        ASSERT_TRUE(bmptest::Write(path, bmptest::Build(s)));
        Dib dib;
        ASSERT_TRUE(LoadBmpFile(path, dib));
        for (D3DFORMAT f : formats)
            for (DWORD key : {0u, dib.PixelArgb(0, 0)})
                for (UINT size : {0u, 18u}) { // the picture's size, or 18 x 3
                    LPDIRECT3DTEXTURE9 tex = nullptr;
                    ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), size, size ? 3 : 0, 1, 0, f,
                                                           D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT,
                                                           key, nullptr, nullptr, &tex),
                              D3D_OK);
                    const PixelBuffer& p = tex->Level()->Pixels();
                    int wrong = 0;
                    for (int y = 0; y < p.height; ++y)
                        for (int x = 0; x < p.width; ++x) {
                            std::uint32_t argb = dib.PixelArgb(x, y);
                            if (key != 0 && argb == key) argb = 0;
                            wrong += p.Get(x, y) != FromArgb(p.format, argb);
                        }
                    EXPECT_EQ(wrong, 0)
                        << s.bpp << " bits (masks " << std::hex << s.masks[0] << std::dec << ") into format "
                        << f << ", key " << std::hex << key << std::dec << ", width " << p.width;
                    tex->Release();
                }
    }
}

TEST_F(D3DXTest, FontDrawsCoverageAsAlphaAndTheSpriteDefersIt) {
    LPDIRECT3DTEXTURE9 rtTex = nullptr;
    LPDIRECT3DSURFACE9 rt = nullptr;
    ASSERT_NO_FATAL_FAILURE(SetTextureTarget(rtTex, rt));
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
    D3DXFONT_DESCA desc;
    desc.Height = 16;
    std::memcpy(desc.FaceName, "MS Gothic", 10);
    LPD3DXFONT font = nullptr;
    ASSERT_EQ(D3DXCreateFontIndirectA(dev_, &desc, &font), D3D_OK);
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(dev_, &sprite), D3D_OK);
    RECT r{2, 2, 0, 0};
    ASSERT_EQ(sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE), D3D_OK);
    EXPECT_EQ(font->DrawTextA(sprite, "字", -1, &r, DT_NOCLIP, 0xFFFFFFFF), 16);
    const PixelBuffer& p = rt->Pixels();
    auto countAlpha = [&](bool partial) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::uint32_t a = p.Get(x, y) >> 24;
                n += partial ? (a > 0 && a < 255) : a > 0;
            }
        return n;
    };
    EXPECT_EQ(countAlpha(false), 0); // nothing until End
    ASSERT_EQ(sprite->End(), D3D_OK);
    EXPECT_GT(countAlpha(false), 30);
    EXPECT_GT(countAlpha(true), 0); // antialiased edges
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint32_t v = p.Get(x, y);
            // White at coverage c over transparent black: colour c and alpha c * c / 255 on every channel,
            // as SRCALPHA / INVSRCALPHA blends both.
            const std::uint32_t c = v & 0xFF;
            EXPECT_EQ(v & 0xFFFFFF, c * 0x010101u);
            EXPECT_EQ(v >> 24, (c * c + 127) / 255);
            if (x < 2 || y < 2 || y >= 18) {
                EXPECT_EQ(v, 0u) << x << "," << y;
            }
        }
    RECT m{0, 0, 0, 0};
    EXPECT_EQ(font->DrawTextA(nullptr, "ab\ncd", -1, &m, DT_CALCRECT, 0xFFFFFFFF), 32);
    EXPECT_EQ(m.bottom, 32);
    EXPECT_GT(m.right, 0);
    // The objects keep the device alive.
    RestoreBackBuffer(rtTex, rt);
    dev_->Release();
    sprite->OnLostDevice();
    sprite->Release();
    font->Release();
    dev_ = nullptr;
}

TEST_F(D3DXTest, FontsThatKeepWhatTheyFoundDrawEveryTextAsNew) {
    // Every text is drawn by fonts that have drawn all the texts before it (and keep what they found),
    // and glyph by glyph from the face, onto cleared targets: pixels, returned height and measured
    // rectangle are the same. The table repeats texts at another place, colour, height and face,
    // changes a text in place, cuts one short with a count, and has line breaks and double-byte
    // characters.
    const char* const faces[] = {"MS Gothic", "Arial"};
    const int heights[] = {16, 12};
    struct Case {
        const char* text;
        int count;
        int x, y;
        DWORD colour;
        int font; // face and height: faces[font / 2], heights[font % 2]
        bool sprite, measure;
    };
    char changing[] = "AB";
    const Case cases[] = {
        {"AB", -1, 1, 1, 0xFFFFFFFF, 0, false, false},
        {"AB", -1, 9, 5, 0x80FF4020, 0, false, false},
        {"AB", -1, 1, 1, 0xFFFFFFFF, 1, false, false},
        {"AB", -1, 1, 1, 0xFFFFFFFF, 2, true, false},
        {"AC", -1, 1, 1, 0xFFFFFFFF, 0, false, false},
        {changing, -1, 3, 2, 0xFF20C0FF, 0, true, false}, // "AB" first, then "Ag" at the same address
        {changing, -1, 3, 2, 0xFF20C0FF, 0, true, false},
        {"A\nB", -1, 2, 0, 0xFFFFFFFF, 0, false, false},
        {"A\nB", -1, 2, 0, 0xFFFFFFFF, 3, true, false},
        {"\x8E\x9A\x82\xA0", -1, 0, 0, 0xFF00FF00, 0, true, false}, // two double-byte characters
        {"\x8E\x9A\x82\xA0", 2, 0, 0, 0xFF00FF00, 0, true, false},  // the first only
        {"\x8E\x9A\x82\xA0", -1, 4, 4, 0xFF00FF00, 2, false, false},
        {"A\x8E\x9A\n\x82\xA0", -1, 0, 0, 0xFFFFFFFF, 1, false, false},
        {"ab\ncd e", -1, 0, 0, 0xFFFFFFFF, 0, false, true},
        {"ab\ncd e", -1, 0, 0, 0xFFFFFFFF, 1, false, true},
        {"ab\ncd e", -1, 0, 0, 0xFFFFFFFF, 3, false, true},
        {"ab\ncd f", -1, 0, 0, 0xFFFFFFFF, 3, false, true},
    };
    LPDIRECT3DTEXTURE9 rtTex = nullptr;
    LPDIRECT3DSURFACE9 rt = nullptr;
    ASSERT_NO_FATAL_FAILURE(SetTextureTarget(rtTex, rt));
    LPD3DXSPRITE sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(dev_, &sprite), D3D_OK);
    auto makeFont = [&](int i) {
        D3DXFONT_DESCA desc;
        desc.Height = heights[i % 2];
        std::memcpy(desc.FaceName, faces[i / 2], std::strlen(faces[i / 2]) + 1);
        LPD3DXFONT font = nullptr;
        EXPECT_EQ(D3DXCreateFontIndirectA(dev_, &desc, &font), D3D_OK);
        return font;
    };
    struct Result {
        std::vector<std::uint32_t> pixels;
        INT height;
        RECT rect;
    };
    auto pixels = [&](Result& r) {
        const PixelBuffer& p = rt->Pixels();
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                r.pixels.push_back(p.Get(x, y));
    };
    auto draw = [&](LPD3DXFONT font, const Case& c) {
        dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
        Result r{{}, 0, RECT{c.x, c.y, c.x, c.y}};
        const DWORD format = c.measure ? DT_CALCRECT : DT_NOCLIP;
        if (c.sprite) sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        r.height = font->DrawTextA(c.sprite ? sprite : nullptr, c.text, c.count, &r.rect, format, c.colour);
        if (c.sprite) sprite->End();
        pixels(r);
        return r;
    };
    // The same text drawn a glyph at a time, each glyph looked up in the face there and then.
    auto drawGlyphs = [&](const Case& c) {
        dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
        auto face = TextFace::Open(faces[c.font / 2]);
        const int height = heights[c.font % 2];
        const std::string text = c.count < 0 ? std::string(c.text) : std::string(c.text, c.count);
        int x = c.x, y = c.y, widest = 0, lines = 1;
        for (std::uint32_t cp : DecodeCp932(text)) {
            if (cp == '\n') {
                widest = std::max(widest, x - c.x);
                x = c.x;
                y += height;
                ++lines;
            } else if (cp >= 0x20) {
                const Glyph& g = face->GetLinked(cp, height, 0, false);
                if (!c.measure && g.w > 0)
                    dev_->DrawGlyph(g.coverage.data(), g.w, g.h, x + g.left, y + g.top, c.colour);
                x += g.advance;
            }
        }
        widest = std::max(widest, x - c.x);
        Result r{{},
                 lines * height,
                 RECT{c.x, c.y, c.measure ? c.x + widest : c.x, c.y + (c.measure ? lines * height : 0)}};
        pixels(r);
        return r;
    };
    LPD3DXFONT kept[4];
    for (int i = 0; i < 4; ++i)
        kept[i] = makeFont(i);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        if (c.text == changing && i > 0 && cases[i - 1].text == changing) changing[1] = 'g';
        const Result want = drawGlyphs(c), got = draw(kept[c.font], c);
        EXPECT_EQ(got.height, want.height) << "case " << i;
        EXPECT_EQ(got.rect.right, want.rect.right) << "case " << i;
        EXPECT_EQ(got.rect.bottom, want.rect.bottom) << "case " << i;
        EXPECT_TRUE(got.pixels == want.pixels) << "case " << i;
        if (!c.measure) {
            EXPECT_TRUE(
                std::any_of(want.pixels.begin(), want.pixels.end(), [](std::uint32_t v) { return v; }))
                << "case " << i << " draws something";
        }
    }
    for (LPD3DXFONT f : kept)
        f->Release();
    sprite->Release();
    RestoreBackBuffer(rtTex, rt);
}

} // namespace
