// Message windows: a text (or a 16 x 16 chip or icon) on the play screen, with "#" fields that show
// the values of common and stage variables.
//
// Records are move-only: each owns its text surface, an entry of g_MessageSurfaces whose address
// stays put, and gives it back when it goes.
#pragma once

#include "draw/draw.h"

#include <string>
#include <utility>

// Gives a message's surface back to the message surface list.
void FreeMessageSurface(DDSURFACEDATA* surface);

class cMessage {
  public:
    cMessage() = default;
    cMessage(const cMessage&) = delete;
    cMessage& operator=(const cMessage&) = delete;
    cMessage(cMessage&& o) noexcept { *this = std::move(o); }
    cMessage& operator=(cMessage&& o) noexcept {
        if (this == &o) return *this;
        FreeSurface();
        m_lpSurface = std::exchange(o.m_lpSurface, nullptr);
        m_nKind = o.m_nKind, m_strText = std::move(o.m_strText), m_strSource = std::move(o.m_strSource);
        m_nReserved = o.m_nReserved, m_nChipKind = o.m_nChipKind, m_nChipIndex = o.m_nChipIndex;
        m_bExpand = o.m_bExpand, m_bRefresh = o.m_bRefresh, m_nRefreshPeriod = o.m_nRefreshPeriod;
        m_bWindow = o.m_bWindow, m_nPosMode = o.m_nPosMode, m_nColumn = o.m_nColumn, m_nRow = o.m_nRow;
        m_nOffsetX = o.m_nOffsetX, m_nOffsetY = o.m_nOffsetY, m_nWidth = o.m_nWidth, m_nHeight = o.m_nHeight;
        m_bKeepOnScreen = o.m_bKeepOnScreen, m_nDisplayMode = o.m_nDisplayMode, m_bFixed = o.m_bFixed;
        m_bRecorded = o.m_bRecorded, m_nRecX = o.m_nRecX, m_nRecY = o.m_nRecY, m_nCharaId = o.m_nCharaId;
        m_nFrames = o.m_nFrames, m_bCountWhilePaused = o.m_bCountWhilePaused, m_bOpening = o.m_bOpening;
        m_dOpening = o.m_dOpening;
        return *this;
    }
    ~cMessage() { FreeSurface(); }
    void FreeSurface() {
        if (m_lpSurface) FreeMessageSurface(m_lpSurface);
        m_lpSurface = nullptr;
    }

    // Kind, text, then: reserved word, chip kind, chip index, position mode, block column, block row,
    // offset x, offset y, keep on screen, fixed position, display mode, frames, count while paused,
    // character id, no opening, expand, refresh, refresh period, window, two reserved words, and
    // do-not-render-now.
    void Set(int kind, const char* text, int reserved, int chipKind, int chipIndex, int posMode, int column,
             int row, int offsetX, int offsetY, int keepOnScreen, int fixed, int displayMode, int frames,
             int countWhilePaused, int charaId, int noOpening, int expand, int refresh, int refreshPeriod,
             int window, int reserved2, int reserved3, int noRender);
    // The source text with its "#" fields replaced by their values, into the display text.
    void ExpandLine();
    void Render();

    DDSURFACEDATA* m_lpSurface = nullptr;
    int m_nKind = 1; // 1 text, 2 chip, 3 icon
    std::string m_strText;
    std::string m_strSource;
    int m_nReserved = 0;
    int m_nChipKind = 0, m_nChipIndex = 0;
    int m_bExpand = 0;
    int m_bRefresh = 0, m_nRefreshPeriod = 0;
    int m_bWindow = 0;
    int m_nPosMode = 0;
    int m_nColumn = 0, m_nRow = 0;
    int m_nOffsetX = 0, m_nOffsetY = 0;
    int m_nWidth = 0, m_nHeight = 0;
    int m_bKeepOnScreen = 0;
    int m_nDisplayMode = 0; // 0 until the advance key, 1 until the stage ends, 2 for a time
    int m_bFixed = 0;
    int m_bRecorded = 0, m_nRecX = 0, m_nRecY = 0;
    int m_nCharaId = 0;
    int m_nFrames = 0;
    int m_bCountWhilePaused = 0;
    int m_bOpening = 0;
    double m_dOpening = 0;
};

// Cuts a text longer than a message keeps at the last whole character within the bound.
void CutMessageText(std::string& text);
// Expands the "#" fields of `source` (used by cMessage::ExpandLine); the result is cut as above.
std::string ExpandMessageText(const std::string& source);
// The measured size of a text: the widest line and the lines, plus 2 pixels each way.
void MeasureMessageText(const std::string& text, int& w, int& h);
// The opening box at counter c (1-9) of a message of w x h at (x, y).
void OpeningBox(int x, int y, int w, int h, int c, int& bx, int& by, int& bw, int& bh);
// One frame of a message; 1 when it has ended.
int DrawMessage(cMessage& m, DDSURFACEDATA* surface, int paused);

// Frames of the notices that rise above a hero: a taken item's picture and the extra-life icon.
constexpr int MESSAGE_NOTICE_FRAMES = 30;

extern DDSurfaceList g_MessageSurfaces;
extern DDSurfaceDefList g_MessageSurfaceDefs;
void ClearMessageSurfaces();
