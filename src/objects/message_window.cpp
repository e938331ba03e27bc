#include "objects/message_window.h"

#include "app/display_report.h"
#include "app/int_range.h"
#include "app/play_bounds.h"
#include "app/sjis.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "objects/chara_draw.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/save_data.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

DDSurfaceList g_MessageSurfaces;
DDSurfaceDefList g_MessageSurfaceDefs;

void FreeMessageSurface(DDSURFACEDATA* sd) {
    DDRemoveSurface(g_MessageSurfaces, g_MessageSurfaceDefs, sd);
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits of |value| right to left, n of them at least, leading zeros blanked unless kept.
std::string FormatField(std::int64_t value, int width, bool zeros, bool plus) {
    // 64 bits: the magnitude of the lowest int has no int of its own.
    std::uint64_t mag = value < 0 ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
    int digits = 1;
    for (std::uint64_t t = mag; t >= 10; t /= 10)
        ++digits;
    const int n = std::max(width, digits);
    std::string s(static_cast<std::size_t>(n), '0');
    for (int i = n - 1; i >= 0; --i, mag /= 10)
        s[static_cast<std::size_t>(i)] = static_cast<char>('0' + mag % 10);
    if (!zeros)
        for (std::size_t i = 0; i + 1 < s.size() && s[i] == '0'; ++i)
            s[i] = ' ';
    if (value < 0)
        s = "-" + s;
    else if (plus)
        s = "+" + s;
    return s;
}

} // namespace

void CutMessageText(std::string& text) {
    const std::size_t limit = PlayBoundLimit(PlayBound::MessageText);
    if (text.size() <= limit) return;
    PlayBoundRoom(PlayBound::MessageText, text.size());
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t n = end + 1 < text.size() && IsSjisPair(text.c_str() + end) ? 2 : 1;
        if (end + n > limit) break;
        end += n;
    }
    text.resize(end);
}

std::string ExpandMessageText(const std::string& source) {
    std::string out = source;
    // Each field is replaced in place: the work grows with the text's length times its fields.
    CutMessageText(out);
    std::size_t i = 0;
    while (i < out.size()) {
        // A lead byte with its trail byte is one character; a lead byte at the end stands alone.
        if (i + 1 < out.size() && IsSjisPair(out.c_str() + i)) {
            i += 2;
            continue;
        }
        if (out[i] != '#') {
            ++i;
            continue;
        }
        std::size_t p = i + 1;
        bool common = false, stage = false, zeros = false, plus = false;
        int index = 0, width = 0;
        bool second = false;
        for (; p < out.size(); ++p) {
            const char c = out[p];
            if (!second) {
                if (c == 'C' || c == 'c')
                    common = true;
                else if (c == 'S' || c == 's')
                    stage = true;
                else if (IsDigit(c))
                    index = std::min(index * 10 + (c - '0'), 100000);
                else if (c == '_')
                    second = true;
                else
                    break;
            } else if (c == 'Z' || c == 'z') {
                zeros = true;
            } else if (c == 'P' || c == 'p') {
                plus = true;
            } else if (IsDigit(c)) {
                width = c - '0';
            } else {
                break;
            }
        }
        std::size_t end = p; // one past the field
        if (end < out.size() && out[end] == '.') ++end;
        std::int64_t value = 0;
        bool known = false;
        if (common && index >= 1 && index <= 255) {
            const auto& v = g_SaveData.m_vnCommonVars;
            value = index < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(index)] : 0;
            known = true;
        } else if (stage && index >= 1 && index <= 255 && g_lpGameScene) {
            const auto& v = g_lpGameScene->m_StageVars;
            value = index < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(index)] : 0;
            known = true;
        }
        if (!known) {
            ++i;
            continue;
        }
        const std::string text = FormatField(value, width, zeros, plus);
        out.replace(i, end - i, text);
        i += text.size();
    }
    CutMessageText(out);
    return out;
}

void MeasureMessageText(const std::string& text, int& w, int& h) {
    w = h = 0;
    g_Font.MeasureTextBlock(text.c_str(), &w, &h);
    w += 2;
    h += 2;
}

void OpeningBox(int x, int y, int w, int h, int c, int& bx, int& by, int& bw, int& bh) {
    bw = static_cast<int>(w * c / 10.0);
    bh = static_cast<int>(h * c / 10.0);
    bx = static_cast<int>(x + w / 2 - (w / 2) * c / 10.0);
    by = static_cast<int>(y + h / 2 - (h / 2) * c / 10.0);
}

void cMessage::ExpandLine() {
    m_strText = ExpandMessageText(m_strSource);
}

void cMessage::Set(int kind, const char* text, int reserved, int chipKind, int chipIndex, int posMode,
                   int column, int row, int offsetX, int offsetY, int keepOnScreen, int fixed,
                   int displayMode, int frames, int countWhilePaused, int charaId, int noOpening, int expand,
                   int refresh, int refreshPeriod, int window, int, int, int noRender) {
    m_nKind = kind;
    if (text) {
        m_strSource = text;
        CutMessageText(m_strSource);
        m_strText = m_strSource;
    }
    m_nReserved = reserved, m_nChipKind = chipKind, m_nChipIndex = chipIndex;
    m_nPosMode = posMode, m_nColumn = column, m_nRow = row, m_nOffsetX = offsetX, m_nOffsetY = offsetY;
    m_bKeepOnScreen = keepOnScreen, m_bFixed = fixed, m_nDisplayMode = displayMode, m_nFrames = frames;
    m_bCountWhilePaused = countWhilePaused, m_nCharaId = charaId, m_bExpand = expand, m_bRefresh = refresh;
    m_nRefreshPeriod = refreshPeriod, m_bWindow = window;
    m_bRecorded = 0;
    m_dOpening = 0;
    if (m_bExpand) ExpandLine();
    if (kind == 1)
        MeasureMessageText(m_strText, m_nWidth, m_nHeight);
    else
        m_nWidth = m_nHeight = 16;
    m_bOpening = displayMode == 0 && !noOpening;
    FreeSurface();
    if (kind == 1 && !noRender) Render();
}

void cMessage::Render() {
    if (!m_lpSurface) {
        // With less than a fifth of the video memory free, the surface goes into system memory.
        int total = 0, free = 0;
        GetVideoMemoryMB(&total, &free);
        const int systemMemory = free * 5 < total ? 1 : 0;
        DDCreateSurfaceList(g_MessageSurfaces, g_MessageSurfaceDefs, std::max(1, m_nWidth),
                            std::max(1, m_nHeight), 1, systemMemory, DTMEMORYTYPE_VIDEO_RT, 0);
        m_lpSurface = &g_MessageSurfaces.back();
    }
    if (DDIsD3D())
        DDFillRect(m_lpSurface, 0, 0, m_nWidth, m_nHeight, 0);
    else
        DDFillRectRGB(m_lpSurface, 0, 0, m_nWidth, m_nHeight, g_dwTransmitPixel);
    if (m_bWindow)
        g_Font.DrawInRect(m_lpSurface, 1, 1, m_nWidth - 2, m_nHeight - 2, m_strText.c_str(), 0);
    else
        g_Font.Draw(m_lpSurface, 1, 1, m_strText.c_str(), 0);
}

int DrawMessage(cMessage& m, DDSURFACEDATA* surface, int paused) {
    if (m.m_nDisplayMode == 2 && !(paused && !m.m_bCountWhilePaused)) {
        // Counted down without passing the smallest int, so a time of any length ends.
        m.m_nFrames = SaturateInt(std::int64_t{m.m_nFrames} - 1);
        if (m.m_nFrames < 0) {
            m.FreeSurface();
            return 1;
        }
    }
    if (m.m_bRefresh && m.m_nRefreshPeriod > 0 && g_lpGameScene &&
        g_lpGameScene->m_nPlayFrame % m.m_nRefreshPeriod == 0 && m.m_nKind == 1 && m.m_bExpand) {
        const std::string text = ExpandMessageText(m.m_strSource);
        if (text != m.m_strText) {
            m.m_strText = text;
            int w = 0, h = 0;
            MeasureMessageText(text, w, h);
            if (w != m.m_nWidth || h != m.m_nHeight) m.FreeSurface();
            m.m_nWidth = w, m.m_nHeight = h;
            m.Render();
        }
    }
    const int w = m.m_nWidth, h = m.m_nHeight;
    const double vx = ViewX().m_dPos, vy = ViewY().m_dPos;
    int x = 0, y = 0;
    const int mode = m.m_nPosMode;
    if (mode >= 1 && mode <= 6) {
        const cChara* c = FindCharaById(m.m_nCharaId);
        // Whatever its kind, a message whose character is gone has nowhere to be: it ends.
        if (!c) {
            m.FreeSurface();
            return 1;
        }
        x = c->m_rcScreen.left - w / 2 + c->m_nWidth / 2 - c->m_nHitX + m.m_nOffsetX;
        if (mode == 1 || mode == 4)
            y = c->m_rcScreen.top - c->m_nHitY - h + m.m_nOffsetY;
        else if (mode == 2 || mode == 5)
            y = c->m_rcScreen.top - c->m_nHitY + c->m_nHeight + 1 + m.m_nOffsetY;
        else
            y = c->m_rcScreen.top - h / 2 + c->m_nHeight / 2 - c->m_nHitY + m.m_nOffsetY;
    } else if (mode == 7) {
        x = m.m_nColumn * 32 + m.m_nOffsetX, y = m.m_nRow * 32 + m.m_nOffsetY;
    } else if (mode == 8) {
        x = static_cast<int>((ViewX().m_nMargin + m.m_nColumn) * 32 + m.m_nOffsetX - vx);
        y = static_cast<int>((ViewY().m_nMargin + m.m_nRow) * 32 + m.m_nOffsetY - vy);
    } else {
        x = m.m_nOffsetX + 320 - w / 2, y = m.m_nOffsetY + 240 - h / 2;
    }
    const bool screenAnchored = mode == 0 || mode == 7;
    if (!screenAnchored && m.m_bFixed) {
        if (!m.m_bRecorded) m.m_bRecorded = 1, m.m_nRecX = x, m.m_nRecY = y;
        x = m.m_nRecX, y = m.m_nRecY;
    } else if (screenAnchored && !m.m_bFixed) {
        if (!m.m_bRecorded)
            m.m_bRecorded = 1, m.m_nRecX = x + static_cast<int>(vx), m.m_nRecY = y + static_cast<int>(vy);
        x = m.m_nRecX - static_cast<int>(vx), y = m.m_nRecY - static_cast<int>(vy);
    }
    if (m.m_bKeepOnScreen) {
        if (x < 0)
            x = 0;
        else if (w + x >= 639)
            x = 640 - w;
        if (y < 20)
            y = 20;
        else if (h + y >= 479)
            y = 480 - h;
    }
    if (m.m_nKind == 1) {
        if (m.m_lpSurface && m.m_lpSurface->bLost) m.Render();
        if (m.m_strText.empty()) return 0;
        // The window opens over ten drawn frames, frozen ones too: a message that holds the game
        // until the confirm key is drawn only in frozen frames.
        if (m.m_bOpening && m.m_dOpening < 10) {
            m.m_dOpening += 1;
            const int c = static_cast<int>(m.m_dOpening);
            if (c < 10) {
                if (m.m_bWindow) {
                    int bx = 0, by = 0, bw = 0, bh = 0;
                    OpeningBox(x, y, w, h, c, bx, by, bw, bh);
                    g_Font.DrawBox(surface, bx, by, bw, bh);
                }
                return 0;
            }
        }
        if (!m.m_lpSurface) m.Render();
        DDBlt(surface, x, y, w, h, m.m_lpSurface, 0, 0, 1);
    } else {
        const int rise = (30 - m.m_nFrames) >> 2;
        if (m.m_nKind == 2)
            DrawMiniChip(surface, x, y - rise, m.m_nChipKind, m.m_nChipIndex, m.m_nReserved);
        else
            DDBlt(surface, x, y - rise, 16, 16, &g_SystemSurfaces[SYSBMP_STATUS], 0, 48, 1);
    }
    return 0;
}

void ClearMessageSurfaces() {
    if (g_lpGameScene)
        for (cMessage& m : g_lpGameScene->m_Messages)
            m.m_lpSurface = nullptr;
    DDReleaseSurfaceList(g_MessageSurfaces);
    g_MessageSurfaces.clear();
    g_MessageSurfaceDefs.clear();
}
