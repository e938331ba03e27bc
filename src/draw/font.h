// Fonts and text: a GDI-like font (DirectDraw) or a D3DX-like font with a sprite (Direct3D) in one
// palette colour, fixed pitch or proportional, drawn through a screen-sized work surface or straight
// into the target; glyph sheets for the single-byte characters and for the double-byte characters in
// use; an icon sheet whose cells replace the letters a-z; framed text boxes; digit sheets.
#pragma once

#include "draw/draw.h"
#include "platform/gfx/gdi.h"

#include <cstdint>
#include <string>
#include <vector>

struct FONTDEF;
struct SYSTEMBITMAP;

// A glyph sheet: cells of one size in columns and rows, filled in order.
class cFontCache {
  public:
    struct Entry {
        char szKey[4]; // the character's bytes and a terminator; compared on the first two
        int nIndex;
        int nX, nY;
    };

    cFontCache() = default;
    ~cFontCache();
    cFontCache(const cFontCache&) = delete;
    cFontCache& operator=(const cFontCache&) = delete;

    // Makes the sheet surface (transparent, columns x cell width by rows x cell height).
    bool Create(int nId, int nCellW, int nCellH, int nCols, int nRows);
    // Releases the surface and forgets the characters.
    void Destroy();
    // 1 when the character was given the next free cell, 0 when the sheet is full.
    int Add(const char* lpChar);
    // The cell of a character, or -1.
    int Find(const char* lpChar) const;
    // Copies the character's cell to (x, y) of the target; 0 when the character has no cell.
    int DrawChar(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpChar, std::uint32_t dwFlags);
    void DrawCell(DDSURFACEDATA* lpDstSD, int x, int y, int nCell, std::uint32_t dwFlags);
    void CellPos(int nCell, int& x, int& y) const {
        x = (nCell % m_nCols) * m_nCellW;
        y = (nCell / m_nCols) * m_nCellH;
    }

    int m_nId = 0;
    int m_nCellW = 0, m_nCellH = 0;
    int m_nCols = 0, m_nRows = 0;
    int m_nCapacity = 0;
    DDSURFACEDATA m_Sheet;
    std::vector<Entry> m_Chars;
    int m_nCount = 0;
    int m_nNext = 0;

  private:
    std::vector<std::int16_t> m_Lookup; // cell per two-byte key, -1 for none
};

class Font {
  public:
    Font() = default;
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    void Create(const char* lpFaceName, int nWidth, int nHeight, int nCellWidth, int nCellHeight,
                int nColorIndex, DDSURFACEDATA* lpBox, int nFrameThick, int nFrameColor,
                DDSURFACEDATA* lpIcon, int bFastFont);
    // Releases the font's objects, sheets and work surface, and leaves the font list.
    void Release();

    int Draw(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpText, int bLettersAsText);
    void DrawF(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpFormat, ...)
        __attribute__((format(printf, 5, 6)));
    void DrawBox(DDSURFACEDATA* lpDstSD, int x, int y, int w, int h);
    void DrawInRect(DDSURFACEDATA* lpDstSD, int x, int y, int w, int h, const char* lpText, int nMargin);
    void DrawInRectF(DDSURFACEDATA* lpDstSD, int x, int y, int w, int h, const char* lpFormat, ...)
        __attribute__((format(printf, 7, 8)));
    // Fixed pitch: the widest line in characters times the cell width, the lines times the cell height.
    void MeasureTextBlock(const char* lpText, int* lpWidth, int* lpHeight) const;
    // Proportional: the widest line as the font draws it, the lines times the cell height.
    void Extent(gfx::HDC hDC, const char* lpText, int* lpWidth, int* lpHeight) const;
    // Redraws the glyph sheets after a loss.
    void Restore();

    std::uint32_t m_dwSerial = 0;
    gfx::HFONT m_hFont = nullptr;
    int m_nUnused1 = 0, m_nUnused2 = 0;
    gfx::LPD3DXFONT m_lpD3DXFont = nullptr;
    gfx::LPD3DXSPRITE m_lpSprite = nullptr;
    std::string m_strFaceName;
    int m_nWidth = 0, m_nHeight = 0;
    int m_nCellWidth = 0, m_nCellHeight = 0;
    int m_nColorIndex = 0;
    std::uint32_t m_dwColor = 0;
    int bCenterGlyph = 0;
    DDSURFACEDATA m_WorkSD;
    DDSURFACEDATA* m_lpBox = nullptr;
    int m_nFrameThick = 0;
    int m_nFrameColor = 0;
    DDSURFACEDATA* m_lpIcon = nullptr;
    int m_bIcon = 0;
    int bFastFont = 0;
    cFontCache* m_lpFastFont_Half = nullptr;
    cFontCache* m_lpFastFont_FullAdd = nullptr;

  private:
    struct Walk;
    void DestroySheets();
    void DrawHalfSheet();
    void DrawFullSheet(bool bInitial);
    void DrawText(const Walk& w, const char* lpText, bool bIcons);
    void DrawGlyph(const Walk& w, int px, int py, const char* lpChar, int nBytes);
    bool RenderIntoCell(cFontCache* lpCache, int nCell, const char* lpChar, int nBytes);
    void IconPass(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpText);
    void Measure(const char* lpText, int* lpWidth, int* lpHeight) const;
    int DrawThroughWork(DDSURFACEDATA* lpDstSD, int x, int y, const char* lpText, bool bIcons);
    bool HasIconSheet() const;
    gfx::HDC MeasureDC() const;
};

// The full-width characters every full-width sheet starts with.
extern const char g_szFullWidthTable[];

// The program's three fonts; g_Font (the second) is the text font of menus and windows.
constexpr int FONT_OBJECT_COUNT = 3;
extern Font g_Fonts[FONT_OBJECT_COUNT];
extern Font& g_Font;
// Every created font, walked by device recovery.
extern std::vector<Font*> g_FontList;

int CreateFonts(Font* lpFonts, const FONTDEF* lpDefs, int nCount);
int CreateNumberSurfaces(DDSURFACEDATA* lpSurfaces, const SYSTEMBITMAP* lpDefs, int nCount, Font* lpFonts,
                         const FONTDEF* lpFontDefs);
void DrawDigits(DDSURFACEDATA* lpSD, Font* lpFont);
// Hooks the fonts into the drawing library's recovery after a loss (every Font::Create does it).
void InstallFontRecovery();
