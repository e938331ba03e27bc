#include "shell/palette_variants.h"

#include "app/log.h"
#include "app/startup_state.h"
#include "draw/dd_internal.h"
#include "draw/dd_palette_fx.h"
#include "draw/draw.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int g_nChannel[BLINK_COLOUR_COUNT];
int g_nDirection[BLINK_COLOUR_COUNT];
int g_nPhase = 0;
int g_nCycleFrame = 0;

constexpr int OP_ADD = 7;
constexpr int OP_SUBTRACT = 10;

std::uint32_t Argb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

bool IsPalettisedDirectDraw() {
    return !DDIsD3D() && g_nScreenBpp == 8;
}

void SetDisplayEntries(int first, int count) {
    if (auto* pal = DDGetDisplayPalette()) pal->SetEntries(0, first, count, &g_Palette[first]);
}

} // namespace

bool PingPong(int& value, int& direction, int step, int low, int high) {
    if (direction == 0) {
        value += step;
        if (value >= high) {
            value -= step;
            direction = 1;
        }
        return false;
    }
    value -= step;
    if (value <= low) {
        value += step;
        direction = 0;
        return true;
    }
    return false;
}

void ResetBlinkColours() {
    for (int k = 0; k < BLINK_COLOUR_COUNT; ++k) {
        g_nChannel[k] = 0;
        g_nDirection[k] = 0;
        g_BlinkColours[k] = {};
    }
    g_nPhase = 0;
    g_nCycleFrame = 0;
}

bool LoadHbtPalettes(int n) {
    if (!IsPalettisedDirectDraw()) return true;
    // The one-hue variants take their source block from entry 16 x (n - 11): beyond 26 it would
    // lie outside the palette.
    if (n < 0 || n >= PALETTE_VARIANT_COUNT) return false;
    char path[64];
    std::snprintf(path, sizeof path, "bmp\\hbt\\hbt%02d.dat", n);
    if (!DDLoadBlendTable(g_BlendTable, path)) {
        ErrorBox("%s の読み込みに失敗！", path);
        return false;
    }
    if (!DDLoadPaletteFromFile(g_BasePalette, SystemBitmapTable[SYSBMP_PALETTE].szFileName, g_bWindowed)) {
        ECLog("DDLoadPaletteFromFile失敗");
        return false;
    }
    if (n < 12) {
        gfx::PALETTEENTRY source[256];
        std::memcpy(source, g_BasePalette, sizeof source);
        RotatePalette(g_BasePalette, 16, 207, 16 * n, 1, source);
    } else {
        gfx::PALETTEENTRY hue[16];
        std::memcpy(hue, &g_BasePalette[16 * (n - 11)], sizeof hue);
        for (int block = 0; block < 12; ++block)
            std::memcpy(&g_BasePalette[16 + 16 * block], hue, sizeof hue);
    }
    std::memcpy(g_Palette, g_BasePalette, sizeof g_Palette);
    SetDisplayEntries(0, 255);
    return true;
}

void StepBlinkColours() {
    {
        // A negative rate from the project is taken as its size.
        const int step = std::abs(g_SystemData.m_nBlinkRate);
        for (int k = 0; k < BLINK_COLOUR_COUNT; ++k) {
            const int v = g_nChannel[k];
            BlinkColour& c = g_BlinkColours[k];
            switch (k) {
            case 0:
                c = {Argb(v, v, v), OP_ADD};
                break;
            case 1:
                c = {Argb(v, v, v), OP_SUBTRACT};
                break;
            case 2:
                c = {Argb(v, 0, 0), OP_ADD};
                break;
            case 3:
                c = {Argb(0, v, 0), OP_ADD};
                break;
            case 4:
                c = {Argb(0, 0, v), OP_ADD};
                break;
            case 5:
                c = {Argb(v, v, 0), OP_ADD};
                break;
            case 6:
                c = {Argb(v, 0, v >> 2), OP_ADD};
                break;
            case 7:
                c = {Argb(v >> 2, 0, v), OP_ADD};
                break;
            default:
                switch (g_nPhase) {
                case 0:
                    c = {Argb(v, 0, 0), OP_ADD};
                    break;
                case 1:
                    c = {Argb(0, v, 0), OP_ADD};
                    break;
                case 2:
                    c = {Argb(0, 0, v), OP_ADD};
                    break;
                default:
                    c = {Argb(v, v, 0), OP_ADD};
                    break;
                }
                break;
            }
            if (PingPong(g_nChannel[k], g_nDirection[k], step, 0, 255) && k == 8)
                g_nPhase = (g_nPhase + 1) % 4;
        }
    }
}

void UpdateBlinkColours() {
    if (DDIsD3D()) {
        StepBlinkColours();
        return;
    }
    if (g_SystemData.m_nCompat289 == 0 || g_nScreenBpp != 8) return;
    if (++g_nCycleFrame < 6) return;
    g_nCycleFrame = 0;
    for (int group = 208; group < 240; group += 4) {
        gfx::PALETTEENTRY source[256];
        std::memcpy(source, g_Palette, sizeof source);
        RotatePalette(g_Palette, group, group + 3, 1, 1, source);
    }
    SetDisplayEntries(208, 32);
}
