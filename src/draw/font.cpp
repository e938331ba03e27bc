// Fonts and text on both back-ends.
#include "draw/font.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/sjis.h"
#include "draw/dd_effects.h"
#include "draw/dd_internal.h"
#include "platform/gfx/d3dx9.h"
#include "platform/messages.h"
#include "project/system_bitmaps.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

using namespace gfx;

// clang-format off
const char g_szFullWidthTable[] =
    "０１２３４５６７８９ー～、。．！？「」（）・…※→↑↓←＋－＝○●×ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
    "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚあいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめも"
    "やゆよらりるれろわをんがぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょアイウエオカキクケコサシスセソ"
    "タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲンガギグゲゴザジズゼゾダヂヅデトバビブベボヴパピプペポァィゥェォ"
    "ッャュョ□■☆★％＆＜＞：";
// clang-format on

// The list is made before the fonts and goes after them: a font leaves it when it is destroyed.
std::vector<Font*> g_FontList;
Font g_Fonts[FONT_OBJECT_COUNT];
Font& g_Font = g_Fonts[1];

namespace {

// The one device context that measures text for every font.
HDC SharedMeasureDC() {
    static HDC dc = CreateCompatibleDC(nullptr);
    return dc;
}

// A font still selected into the measuring context cannot be deleted: a neutral font takes its place
// there first.
void DeleteFontObject(HFONT& font) {
    if (!font) return;
    static HFONT neutral = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "");
    SelectObject(SharedMeasureDC(), neutral);
    DeleteObject(font);
    font = nullptr;
}

} // namespace

namespace {

constexpr DWORD kSpriteFlags = D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE; // 48

int KeyOf(const char* c) {
    return static_cast<unsigned char>(c[0]) << 8 | static_cast<unsigned char>(c[0] ? c[1] : 0);
}

bool SurfaceUsable(const DDSURFACEDATA* sd) {
    if (!sd) return false;
    if (sd->lpMirrorSrc) sd = sd->lpMirrorSrc;
    return lpDTCon ? (sd->lpDT && sd->lpDT->lpTexture) : (sd->lpDDSide && sd->lpDDSide->lpSurface);
}

// Clears an area to index 0, which leaves a colour-keyed surface transparent: the glyph sheets, the
// work surface and the digit sheets are blitted with their colour key. Under Direct3D index 0 is
// transparent black. Under DirectDraw index 0 is palette entry 0, which need not be the transparent
// colour (the palette picture's top-left pixel), so a keyed surface is cleared with its key.
void ClearTransparent(DDSURFACEDATA* sd, int x, int y, int w, int h) {
    DDCOLORKEY key{};
    if (!lpDTCon && sd && sd->lpDDSide && sd->lpDDSide->lpSurface &&
        SUCCEEDED(sd->lpDDSide->lpSurface->GetColorKey(DDCKEY_SRCBLT, &key)))
        DDFillRectRGB(sd, x, y, w, h, key.dwColorSpaceLowValue);
    else
        DDFillRect(sd, x, y, w, h, 0);
}

void PostClose() {
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

// A surface of the font could not be made: memory running out is told; any other failure has told
// the user already.
void CloseForSurface() {
    if (DDSurfaceFailedForMemory())
        OutOfMemory();
    else
        PostClose();
}

std::string FormatV(const char* fmt, va_list args) {
    if (!fmt) return {};
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(s.data(), s.size(), fmt, args);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

} // namespace

// ---- Glyph sheets ----

cFontCache::~cFontCache() {
    Destroy();
}

bool cFontCache::Create(int nId, int nCellW, int nCellH, int nCols, int nRows) {
    Destroy();
    if (nCellW < 1 || nCellH < 1 || nCols < 1 || nRows < 1) return false;
    m_nId = nId;
    m_nCellW = nCellW, m_nCellH = nCellH;
    m_nCols = nCols, m_nRows = nRows;
    m_nCapacity = nCols * nRows;
    m_Lookup.assign(65536, -1);
    return DDCreateSurface(&m_Sheet, nCols * nCellW, nRows * nCellH, 1, 0, DTMEMORYTYPE_VIDEO_RT, 0, 0);
}

void cFontCache::Destroy() {
    DDReleaseSurface(&m_Sheet);
    m_Sheet = DDSURFACEDATA{};
    m_Chars.clear();
    m_Lookup.clear();
    m_nCount = 0;
    m_nNext = 0;
}

int cFontCache::Add(const char* lpChar) {
    if (!lpChar || m_nNext >= m_nCapacity) return 0;
    Entry e{};
    std::strncpy(e.szKey, lpChar, 2);
    e.nIndex = m_nNext;
    CellPos(m_nNext, e.nX, e.nY);
    m_Chars.push_back(e);
    if (!m_Lookup.empty() && m_Lookup[static_cast<std::size_t>(KeyOf(lpChar))] < 0)
        m_Lookup[static_cast<std::size_t>(KeyOf(lpChar))] = static_cast<std::int16_t>(m_nNext);
    ++m_nCount;
    ++m_nNext;
    return 1;
}

int cFontCache::Find(const char* lpChar) const {
    if (!lpChar || m_Lookup.empty()) return -1;
    return m_Lookup[static_cast<std::size_t>(KeyOf(lpChar))];
}

int cFontCache::DrawChar(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpChar, std::uint32_t dwFlags) {
    const int cell = Find(lpChar);
    if (cell < 0) return 0;
    DrawCell(lpDstSD, x, y, cell, dwFlags);
    return 1;
}

void cFontCache::DrawCell(DDSURFACEDATA* lpDstSD, int x, int y, int nCell, std::uint32_t dwFlags) {
    if (nCell < 0 || nCell >= m_nCapacity) return;
    int cx = 0, cy = 0;
    CellPos(nCell, cx, cy);
    DDBlt(lpDstSD, x, y, m_nCellW, m_nCellH, &m_Sheet, cx, cy, dwFlags);
}

// ---- Font ----

// One text walk: where the glyphs are rendered, and where sheet cells are copied to.
struct Font::Walk {
    DDSURFACEDATA* lpSurface = nullptr; // drawn into (the work surface or the target)
    HDC hDC = nullptr;                  // its device context (DirectDraw)
    int wx = 0, wy = 0;
    DDSURFACEDATA* lpFinal = nullptr; // where sheet cells go; null while sheets are being drawn
    int fx = 0, fy = 0;
    bool bSheets = false; // sheet cells are used
};

Font::~Font() {
    Release();
}

void Font::Release() {
    DestroySheets();
    SafeRelease(m_lpSprite);
    SafeRelease(m_lpD3DXFont);
    DeleteFontObject(m_hFont);
    DDReleaseSurface(&m_WorkSD);
    m_WorkSD = DDSURFACEDATA{};
    g_FontList.erase(std::remove(g_FontList.begin(), g_FontList.end(), this), g_FontList.end());
}

void Font::DestroySheets() {
    delete m_lpFastFont_Half;
    delete m_lpFastFont_FullAdd;
    m_lpFastFont_Half = nullptr;
    m_lpFastFont_FullAdd = nullptr;
}

bool Font::HasIconSheet() const {
    return SurfaceUsable(m_lpIcon);
}

void Font::Create(const char* lpFaceName, int nWidth, int nHeight, int nCellWidth, int nCellHeight,
                  int nColorIndex, DDSURFACEDATA* lpBox, int nFrameThick, int nFrameColor,
                  DDSURFACEDATA* lpIcon, int bFast) {
    m_nWidth = nWidth, m_nHeight = nHeight;
    m_nCellWidth = nCellWidth, m_nCellHeight = nCellHeight;
    m_nColorIndex = nColorIndex;
    const PALETTEENTRY& e = g_BasePalette[nColorIndex & 0xFF];
    if (lpDTCon) {
        m_dwColor = 0xFF000000u | std::uint32_t(e.peRed) << 16 | std::uint32_t(e.peGreen) << 8 | e.peBlue;
    } else if (g_DDSettings.nBpp == 16) {
        const PIXCHANNELS& c = g_PixChannels;
        auto widen = [](int v, int max) { return max > 0 ? (v * 255 / max) & 0xFF : 0; };
        m_dwColor = RGB(widen(e.peRed, c.nMaxR), widen(e.peGreen, c.nMaxG), widen(e.peBlue, c.nMaxB));
    } else {
        m_dwColor = RGB(e.peRed, e.peGreen, e.peBlue);
    }
    m_lpBox = lpBox;
    m_nFrameThick = nFrameThick;
    m_nFrameColor = nFrameColor;
    m_lpIcon = lpIcon;
    m_bIcon = lpIcon != nullptr;
    bFastFont = bFast;
    m_strFaceName = lpFaceName ? lpFaceName : "";

    // A font made again lets go of what it held before.
    SafeRelease(m_lpSprite);
    SafeRelease(m_lpD3DXFont);
    DeleteFontObject(m_hFont);
    // The GDI-like font draws under DirectDraw and measures proportional text on both back-ends.
    m_hFont = CreateFontA(nHeight, nWidth, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, m_strFaceName.c_str());
    if (lpDTCon) {
        D3DXFONT_DESCA desc;
        desc.Height = nHeight;
        desc.Width = 0;
        desc.Weight = FW_NORMAL;
        desc.MipLevels = 0;
        desc.Italic = 0;
        desc.CharSet = SHIFTJIS_CHARSET;
        // The face name field holds 31 bytes and its terminator; a double-byte character is not cut.
        std::size_t n = 0;
        while (n < m_strFaceName.size() && n < sizeof(desc.FaceName) - 1) {
            const std::size_t len = IsSjisPair(m_strFaceName.c_str() + n) ? 2 : 1;
            if (n + len > sizeof(desc.FaceName) - 1) break;
            n += len;
        }
        std::memcpy(desc.FaceName, m_strFaceName.data(), n);
        desc.FaceName[n] = '\0';
        if (FAILED(D3DXCreateFontIndirectA(lpDTCon->lpDevice, &desc, &m_lpD3DXFont))) m_lpD3DXFont = nullptr;
        if (FAILED(D3DXCreateSprite(lpDTCon->lpDevice, &m_lpSprite))) m_lpSprite = nullptr;
    }
    if (!SurfaceUsable(&m_WorkSD)) {
        if (!DDCreateSurface(&m_WorkSD, g_BackBuffer.nWidth, g_BackBuffer.nHeight, 1, 0,
                             DTMEMORYTYPE_VIDEO_RT, 0, 0)) {
            ECLog("DDCreateSurface Font::Work");
            CloseForSurface();
        }
    }
    if (lpDTCon)
        m_dwSerial = lpDTCon->dwFontSerial++;
    else if (g_lpDDCon)
        m_dwSerial = g_lpDDCon->dwFontSerial++;
    if (std::find(g_FontList.begin(), g_FontList.end(), this) == g_FontList.end()) g_FontList.push_back(this);
    // Device recovery walks the font list from here on.
    InstallFontRecovery();

    if (bFastFont == 0) {
        DestroySheets();
        return;
    }
    if (m_nCellWidth == 0 || m_nCellHeight == 0) {
        ECLog("※フォントクラスで文字間が未設定！");
        return;
    }
    DestroySheets();
    m_lpFastFont_Half = new cFontCache;
    if (!m_lpFastFont_Half->Create(0, m_nCellWidth, m_nCellHeight, 16, 16)) {
        ECLog("m_lpFastFont_Half Err");
        CloseForSurface();
        DestroySheets();
        return;
    }
    int cols, rows;
    if (lpDTCon) {
        cols = std::min(1024 / m_nCellWidth, 32);
        rows = std::min(1024 / m_nCellHeight, 32);
    } else {
        cols = std::min(g_BackBuffer.nWidth / m_nCellWidth, 32);
        rows = std::min(g_BackBuffer.nHeight / m_nCellHeight, 30);
    }
    m_lpFastFont_FullAdd = new cFontCache;
    if (!m_lpFastFont_FullAdd->Create(1, m_nCellWidth, m_nCellHeight, cols, rows)) {
        ECLog("m_lpFastFont_FullAdd Err");
        CloseForSurface();
        DestroySheets();
        return;
    }
    DrawHalfSheet();
    DrawFullSheet(true);
}

// Draws the sheets with the sheets and icons switched off, so that every glyph is rendered.
void Font::DrawHalfSheet() {
    cFontCache* sheet = m_lpFastFont_Half;
    if (!sheet) return;
    const int saveFast = bFastFont, saveIcon = m_bIcon;
    bFastFont = 0;
    m_bIcon = 0;
    ClearTransparent(&sheet->m_Sheet, 0, 0, sheet->m_Sheet.nWidth, sheet->m_Sheet.nHeight);
    // Each cell on its own: a row drawn as one text would pair lead bytes with their neighbours.
    for (int c = 0x20; c < 256; ++c) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b == ' ' || b == 0x7F || IsSjisLead(b)) continue;
        const char text[2] = {static_cast<char>(b), '\0'};
        int x = 0, y = 0;
        sheet->CellPos(c, x, y);
        Draw(&sheet->m_Sheet, x, y, text, 1);
    }
    bFastFont = saveFast;
    m_bIcon = saveIcon;
}

void Font::DrawFullSheet(bool bInitial) {
    cFontCache* sheet = m_lpFastFont_FullAdd;
    if (!sheet) return;
    if (bInitial) {
        for (const char* p = g_szFullWidthTable; p[0] && p[1]; p += 2) {
            // The table lists one character twice; it takes one cell.
            if (sheet->Find(p) >= 0) continue;
            if (!sheet->Add(p)) break;
        }
    }
    std::string text;
    for (std::size_t i = 0; i < sheet->m_Chars.size(); ++i) {
        text.append(sheet->m_Chars[i].szKey, 2);
        if ((i + 1) % static_cast<std::size_t>(sheet->m_nCols) == 0) text.push_back('\n');
    }
    const int saveFast = bFastFont, saveIcon = m_bIcon;
    bFastFont = 0;
    m_bIcon = 0;
    ClearTransparent(&sheet->m_Sheet, 0, 0, sheet->m_Sheet.nWidth, sheet->m_Sheet.nHeight);
    Draw(&sheet->m_Sheet, 0, 0, text.c_str(), 1);
    bFastFont = saveFast;
    m_bIcon = saveIcon;
}

HDC Font::MeasureDC() const {
    HDC dc = SharedMeasureDC();
    SelectObject(dc, m_hFont);
    return dc;
}

void Font::DrawGlyph(const Walk& w, int px, int py, const char* lpChar, int nBytes) {
    int gx, gy;
    if (bCenterGlyph) {
        SIZE ext;
        if (!GetTextExtentPoint32A(MeasureDC(), lpChar, nBytes, &ext)) ext = SIZE{};
        gx = px + m_nCellWidth / 2 - ext.cx / 2;
        gy = py + m_nCellHeight / 2 - ext.cy / 2;
    } else if (nBytes == 2) {
        gx = px, gy = py;
    } else {
        gx = px + m_nCellWidth / 8;
        gy = py + m_nCellHeight / 16 - 1;
    }
    if (!lpDTCon) {
        TextOutA(w.hDC, w.wx + gx, w.wy + gy, lpChar, nBytes);
        return;
    }
    if (!m_lpD3DXFont || !m_lpSprite) return;
    RECT r{w.wx + gx, w.wy + gy, w.wx + gx, w.wy + gy};
    if (m_lpSprite->Open()) {
        m_lpD3DXFont->DrawTextA(m_lpSprite, lpChar, nBytes, &r, DT_NOCLIP, m_dwColor);
        return;
    }
    // With sheets in use nobody has begun the sprite or chosen the surface: both are done here.
    if (!DDBeginScene() || !DDSetRenderTarget(0, w.lpSurface)) return;
    m_lpSprite->Begin(kSpriteFlags);
    m_lpD3DXFont->DrawTextA(m_lpSprite, lpChar, nBytes, &r, DT_NOCLIP, m_dwColor);
    m_lpSprite->End();
    if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
}

bool Font::RenderIntoCell(cFontCache* lpCache, int nCell, const char* lpChar, int nBytes) {
    int cx = 0, cy = 0;
    lpCache->CellPos(nCell, cx, cy);
    if (bCenterGlyph) {
        SIZE ext;
        if (!GetTextExtentPoint32A(MeasureDC(), lpChar, nBytes, &ext)) ext = SIZE{};
        cx += m_nCellWidth / 2 - ext.cx / 2;
        cy += m_nCellHeight / 2 - ext.cy / 2;
    }
    DDSURFACEDATA* sheet = &lpCache->m_Sheet;
    if (lpDTCon) {
        if (!m_lpD3DXFont || !m_lpSprite) return false;
        if (!DDBeginScene() || !DDSetRenderTarget(0, sheet)) return false;
        RECT r{cx, cy, cx, cy};
        m_lpSprite->Begin(kSpriteFlags);
        m_lpD3DXFont->DrawTextA(m_lpSprite, lpChar, nBytes, &r, DT_NOCLIP, m_dwColor);
        m_lpSprite->End();
        if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
        return true;
    }
    if (!sheet->lpDDSide || !sheet->lpDDSide->lpSurface) return false;
    LPDIRECTDRAWPALETTE pal = g_DDSettings.nBpp == 8 ? DDGetDisplayPalette() : nullptr;
    const int idx = m_nColorIndex & 0xFF;
    if (pal) pal->SetEntries(0, static_cast<DWORD>(idx), 1, &g_BasePalette[idx]);
    HDC dc = nullptr;
    if (SUCCEEDED(sheet->lpDDSide->lpSurface->GetDC(&dc))) {
        SelectObject(dc, m_hFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, m_dwColor);
        TextOutA(dc, cx, cy, lpChar, nBytes);
        sheet->lpDDSide->lpSurface->ReleaseDC(dc);
    }
    if (pal) pal->SetEntries(0, static_cast<DWORD>(idx), 1, &g_Palette[idx]);
    return true;
}

void Font::DrawText(const Walk& w, const char* lpText, bool bIcons) {
    DDBeginBatch(0);
    if (m_nCellWidth != 0) {
        const bool iconSkip = bIcons && HasIconSheet();
        int px = 0, py = 0;
        for (const char* p = lpText; *p;) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (IsSjisPair(p)) {
                const bool wideSpace = c == 0x81 && static_cast<unsigned char>(p[1]) == 0x40;
                if (!wideSpace) {
                    if (w.bSheets && w.lpFinal) {
                        cFontCache* full = m_lpFastFont_FullAdd;
                        if (!full->DrawChar(w.lpFinal, w.fx + px, w.fy + py, p, 1)) {
                            const int cell = full->m_nNext;
                            if (full->Add(p) && RenderIntoCell(full, cell, p, 2))
                                full->DrawCell(w.lpFinal, w.fx + px, w.fy + py, cell, 1);
                            else
                                DrawGlyph(w, px, py, p, 2);
                        }
                    } else {
                        DrawGlyph(w, px, py, p, 2);
                    }
                }
                px += m_nCellWidth;
                p += 2;
                continue;
            }
            if (c == '\n') {
                py += m_nCellHeight;
                px = 0;
                ++p;
                continue;
            }
            if (c != ' ' && !(iconSkip && c >= 'a' && c <= 'z')) {
                if (w.bSheets && w.lpFinal)
                    m_lpFastFont_Half->DrawCell(w.lpFinal, w.fx + px, w.fy + py, c, 1);
                else
                    DrawGlyph(w, px, py, p, 1);
            }
            px += m_nCellWidth;
            ++p;
        }
    } else {
        // Proportional: one text per line, the lines a cell height apart.
        int line = 0;
        for (const char* p = lpText;; ++line) {
            const char* e = std::strchr(p, '\n');
            const int len = e ? static_cast<int>(e - p) : static_cast<int>(std::strlen(p));
            const int ly = w.wy + line * m_nCellHeight;
            if (!lpDTCon) {
                TextOutA(w.hDC, w.wx, ly, p, len);
            } else if (m_lpD3DXFont) {
                // Each line draws its own characters only; the rest of the text is drawn by its own lines.
                RECT r{w.wx, ly, w.wx, ly};
                m_lpD3DXFont->DrawTextA(m_lpSprite, p, len, &r, DT_NOCLIP, m_dwColor);
            }
            if (!e) break;
            p = e + 1;
        }
    }
    DDEndBatch();
}

void Font::IconPass(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpText) {
    if (!m_bIcon || !HasIconSheet() || m_nCellWidth == 0) return;
    DDBeginBatch(0);
    int px = 0, py = 0;
    for (const char* p = lpText; *p;) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (IsSjisPair(p)) {
            px += m_nCellWidth;
            p += 2;
            continue;
        }
        if (c == '\n') {
            py += m_nCellHeight;
            px = 0;
        } else {
            if (c >= 'a' && c <= 'z')
                DDBlt(lpDstSD, x + px, y + py, m_nCellWidth, m_nCellHeight, m_lpIcon,
                      (c - 'a') * m_nCellWidth, 0, 1);
            px += m_nCellWidth;
        }
        ++p;
    }
    DDEndBatch();
}

void Font::Measure(const char* lpText, int* lpWidth, int* lpHeight) const {
    if (m_nCellWidth != 0)
        MeasureTextBlock(lpText, lpWidth, lpHeight);
    else
        Extent(MeasureDC(), lpText, lpWidth, lpHeight);
}

void Font::MeasureTextBlock(const char* lpText, int* lpWidth, int* lpHeight) const {
    int widest = 0, lines = 1, chars = 0;
    // Counted in place: a line of any length is measured whole.
    for (const char* p = lpText ? lpText : ""; *p;) {
        if (*p == '\n') {
            widest = std::max(widest, chars);
            chars = 0;
            ++lines;
            ++p;
            continue;
        }
        p += IsSjisPair(p) ? 2 : 1;
        ++chars;
    }
    widest = std::max(widest, chars);
    if (lpWidth) *lpWidth = widest * m_nCellWidth;
    if (lpHeight) *lpHeight = lines * m_nCellHeight;
}

void Font::Extent(HDC hDC, const char* lpText, int* lpWidth, int* lpHeight) const {
    int widest = 0, lines = 0;
    const char* p = lpText ? lpText : "";
    for (;; ++lines) {
        const char* e = std::strchr(p, '\n');
        const int len = e ? static_cast<int>(e - p) : static_cast<int>(std::strlen(p));
        SIZE s;
        if (len > 0 && GetTextExtentPoint32A(hDC, p, len, &s))
            widest = std::max(widest, static_cast<int>(s.cx));
        if (!e) break;
        p = e + 1;
    }
    if (lpWidth) *lpWidth = widest;
    if (lpHeight) *lpHeight = (lines + 1) * m_nCellHeight;
}

int Font::DrawThroughWork(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpText, bool bIcons) {
    int w = 0, h = 0;
    Measure(lpText, &w, &h);
    ClearTransparent(&m_WorkSD, 0, 0, w, h);
    Walk walk;
    walk.lpSurface = &m_WorkSD;
    walk.bSheets = bFastFont && m_lpFastFont_Half && m_lpFastFont_FullAdd && m_nCellWidth && m_nCellHeight;
    if (!lpDTCon) {
        if (!m_WorkSD.lpDDSide || !m_WorkSD.lpDDSide->lpSurface) return 0;
        HDC dc = nullptr;
        if (FAILED(m_WorkSD.lpDDSide->lpSurface->GetDC(&dc))) return 0;
        SelectObject(dc, m_hFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, m_dwColor);
        walk.hDC = dc;
        walk.lpFinal = lpDstSD;
        walk.fx = x, walk.fy = y;
        DrawText(walk, lpText, bIcons);
        m_WorkSD.lpDDSide->lpSurface->ReleaseDC(dc);
        DDBlt(lpDstSD, x, y, w, h, &m_WorkSD, 0, 0, 1);
        IconPass(lpDstSD, x, y, lpText);
        return 1;
    }
    // Direct3D into a surface the device cannot draw into: the text is made on the work surface.
    walk.lpFinal = &m_WorkSD;
    const bool sprite = !walk.bSheets && m_lpSprite;
    if (sprite) {
        if (!DDBeginScene() || !DDSetRenderTarget(0, &m_WorkSD)) return 0;
        m_lpSprite->Begin(kSpriteFlags);
    }
    DrawText(walk, lpText, bIcons);
    if (sprite) m_lpSprite->End();
    IconPass(&m_WorkSD, 0, 0, lpText);
    if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
    DDBlt(lpDstSD, x, y, w, h, &m_WorkSD, 0, 0, 1);
    return 1;
}

int Font::Draw(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpText, int bLettersAsText) {
    if (!lpDstSD || !lpText) return 0;
    const bool icons = m_bIcon && !bLettersAsText;
    if (!lpDTCon) return DrawThroughWork(lpDstSD, x, y, lpText, icons);
    DDSURFACEDATA* dst = DDRedirect(DDSubstitute(lpDstSD));
    if (!dst->lpDT) return 0;
    if (dst->lpDT->nMemoryType != DTMEMORYTYPE_VIDEO_RT || !DDIsRenderTarget(dst))
        return DrawThroughWork(dst, x, y, lpText, icons);
    Walk walk;
    walk.lpSurface = dst;
    walk.wx = x, walk.wy = y;
    walk.lpFinal = dst;
    walk.fx = x, walk.fy = y;
    walk.bSheets = bFastFont && m_lpFastFont_Half && m_lpFastFont_FullAdd && m_nCellWidth && m_nCellHeight;
    const bool sprite = !walk.bSheets && m_lpSprite;
    if (sprite) {
        if (!DDBeginScene() || !DDSetRenderTarget(0, dst)) return 0;
        m_lpSprite->Begin(kSpriteFlags);
    }
    DrawText(walk, lpText, icons);
    if (sprite) {
        // The batch of the walk may have moved the device to another target.
        DDSetRenderTarget(0, dst);
        m_lpSprite->End();
    }
    IconPass(dst, x, y, lpText);
    if (lpDTCon->lpRenderTarget) DDSetRenderTarget(0, lpDTCon->lpRenderTarget);
    return 1;
}

void Font::DrawF(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpFormat, ...) {
    va_list args;
    va_start(args, lpFormat);
    const std::string text = FormatV(lpFormat, args);
    va_end(args);
    Draw(lpDstSD, x, y, text.c_str(), 0);
}

void Font::DrawBox(DDSURFACEDATA* lpDstSD, int x, int y, int w, int h) {
    if (!m_lpBox) return;
    if (x == 10000) x = m_lpBox->nWidth / 2 - w / 2;
    if (y == 10000) y = m_lpBox->nHeight / 2 - h / 2;
    DDBltFramed(lpDstSD, x, y, w, h, m_lpBox, m_nFrameThick, static_cast<std::uint32_t>(m_nFrameColor));
}

void Font::DrawInRect(DDSURFACEDATA* lpDstSD, int x, int y, int w, int h, const char* lpText, int nMargin) {
    if (!lpText) lpText = "";
    if (w == 0 || h == 0) {
        int tw = 0, th = 0;
        Measure(lpText, &tw, &th);
        if (w == 0) w = tw + nMargin;
        if (h == 0) h = th;
    }
    if (m_lpBox) {
        if (x == 10000) x = m_lpBox->nWidth / 2 - w / 2;
        if (y == 10000) y = m_lpBox->nHeight / 2 - h / 2;
        DDBltFramed(lpDstSD, x, y, w, h, m_lpBox, m_nFrameThick, static_cast<std::uint32_t>(m_nFrameColor));
    }
    Draw(lpDstSD, x + nMargin, y, lpText, 0);
}

void Font::DrawInRectF(DDSURFACEDATA* lpDstSD, int x, int y, int w, int h, const char* lpFormat, ...) {
    va_list args;
    va_start(args, lpFormat);
    const std::string text = FormatV(lpFormat, args);
    va_end(args);
    DrawInRect(lpDstSD, x, y, w, h, text.c_str(), 0);
}

void Font::Restore() {
    cFontCache* sheets[2] = {m_lpFastFont_Half, m_lpFastFont_FullAdd};
    if (lpDTCon) {
        for (int k = 0; k < 2; ++k) {
            if (!sheets[k] || !sheets[k]->m_Sheet.bLost) continue;
            if (k == 0)
                DrawHalfSheet();
            else
                DrawFullSheet(false);
            sheets[k]->m_Sheet.bLost = 0;
        }
        return;
    }
    if (m_WorkSD.lpDDSide && m_WorkSD.lpDDSide->lpSurface &&
        m_WorkSD.lpDDSide->lpSurface->IsLost() == DDERR_SURFACELOST)
        m_WorkSD.lpDDSide->lpSurface->Restore();
    for (int k = 0; k < 2; ++k) {
        if (!sheets[k] || !sheets[k]->m_Sheet.lpDDSide || !sheets[k]->m_Sheet.lpDDSide->lpSurface) continue;
        LPDIRECTDRAWSURFACE7 s = sheets[k]->m_Sheet.lpDDSide->lpSurface;
        if (s->IsLost() == DDERR_SURFACELOST) s->Restore();
        if (k == 0)
            DrawHalfSheet();
        else
            DrawFullSheet(false);
    }
}

// ---- The program's fonts ----

int CreateFonts(Font* lpFonts, const FONTDEF* lpDefs, int nCount) {
    auto surface = [](int index) -> DDSURFACEDATA* {
        const DDSETTINGS& s = g_DDSettings;
        if (!s.lpSystemSD || index < 0 || index >= s.nSystemSD) return nullptr;
        return &s.lpSystemSD[index];
    };
    for (int i = 0; i < nCount; ++i) {
        const FONTDEF& d = lpDefs[i];
        lpFonts[i].Create(d.szFaceName, d.nValue1, d.nValue2, d.nCellWidth, d.nCellHeight, d.nValue5,
                          surface(d.nSurface), d.nValue7, d.nValue8, surface(d.nSurface2), d.nCacheMode);
    }
    return 1;
}

int CreateNumberSurfaces(DDSURFACEDATA* lpSurfaces, const SYSTEMBITMAP* lpDefs, int nCount, Font* lpFonts,
                         const FONTDEF*) {
    for (int i = 0; i < nCount; ++i) {
        const SYSTEMBITMAP& r = lpDefs[i];
        DDCreateSurface(&lpSurfaces[i], 10 * lpFonts[i].m_nCellWidth, lpFonts[i].m_nCellHeight, r.nKey,
                        r.nMemory, r.nD3DMemory, r.nView, 0);
        DrawDigits(&lpSurfaces[i], &lpFonts[i]);
    }
    return 1;
}

void DrawDigits(DDSURFACEDATA* lpSD, Font* lpFont) {
    if (!lpSD || !lpFont) return;
    ClearTransparent(lpSD, 0, 0, lpSD->nWidth, lpSD->nHeight);
    lpFont->Draw(lpSD, 0, 0, "0123456789", 0);
}

namespace {

void FontsLost() {
    for (Font* f : g_FontList) {
        if (f->m_lpD3DXFont) f->m_lpD3DXFont->OnLostDevice();
        if (f->m_lpSprite) f->m_lpSprite->OnLostDevice();
    }
}

void FontsRestore() {
    for (Font* f : g_FontList) {
        if (f->m_lpD3DXFont) f->m_lpD3DXFont->OnResetDevice();
        if (f->m_lpSprite) f->m_lpSprite->OnResetDevice();
        f->Restore();
    }
}

} // namespace

void InstallFontRecovery() {
    DDSetFontRecovery(FontsLost, FontsRestore);
}
