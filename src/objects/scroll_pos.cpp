#include "objects/scroll_pos.h"

#include "project/stage_file.h"
#include "records/ed_stage.h"

#include <algorithm>
#include <climits>

static_assert((STAGE_SIDE_MAX + 2LL * STAGE_MARGIN_BLOCKS) * BLOCK_SIZE <= INT_MAX,
              "the largest stage's grid must be measurable in pixels");

namespace {

// A pixel position worked out in 64 bits, kept to what an int holds.
int ToPixels(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

double StageFrameScale() {
    return g_Stage.m_dFrameScale >= 1.0 ? g_Stage.m_dFrameScale : 1.0;
}

void cScrollPos::Clamp() {
    if (m_dPos < m_nLowest) {
        m_dPos = m_nLowest;
        m_bAtLimit = 1;
        return;
    }
    if (m_dPos + m_nViewSize < m_nHighestEnd) {
        m_bAtLimit = 0;
        return;
    }
    m_dPos = m_nHighestEnd - m_nViewSize;
    if (m_dPos < m_nLowest) m_dPos = m_nLowest;
    m_bAtLimit = 1;
}

void cScrollPos::Step() {
    m_dPos += m_dAutoSpeed;
    Clamp();
}

void cScrollPos::SetAutoSpeed(int on, int n) {
    if (on) {
        m_dAutoSpeed = n * 0.1 / StageFrameScale();
        m_bAutoScroll = 1;
    } else {
        m_dAutoSpeed = 0.0;
        m_bAutoScroll = 0;
    }
}

void cScrollPos::SetRange(int firstBlock, int lastBlock, int firstOn, int lastOn) {
    // The limits are the stage's own numbers: any of them is measured without overflow.
    m_nLowest = firstOn ? ToPixels(m_nOrigin + static_cast<long long>(firstBlock) * BLOCK_SIZE) : m_nOrigin;
    m_nHighestEnd =
        lastOn ? ToPixels(m_nOrigin + (static_cast<long long>(lastBlock) + 1) * BLOCK_SIZE) : m_nStageEnd;
    if (m_nHighestEnd < m_nLowest) m_nHighestEnd = m_nLowest;
}

void cScrollPos::SetUp(int axis, int stageBlocks, int extraExtent) {
    // No stage file holds a longer side; kept to it, the grid's extent in pixels fits an int.
    stageBlocks = std::clamp(stageBlocks, -STAGE_SIDE_MAX, STAGE_SIDE_MAX);
    m_nAxis = axis;
    m_nViewSize = axis == 0 ? VIEW_WIDTH : VIEW_HEIGHT;
    m_nMargin = STAGE_MARGIN_BLOCKS;
    m_nGridExtent = stageBlocks + 2 * STAGE_MARGIN_BLOCKS;
    m_nOrigin = STAGE_MARGIN_BLOCKS * BLOCK_SIZE;
    m_nStageEnd = std::max(0, (stageBlocks + STAGE_MARGIN_BLOCKS) * BLOCK_SIZE);
    m_nExtraExtent = extraExtent;
    if (axis == 0) {
        m_nStrideExp = 0;
        while ((1 << m_nStrideExp) < m_nGridExtent)
            ++m_nStrideExp;
        m_nGridStride = 1 << m_nStrideExp;
    } else {
        m_nGridStride = m_nGridExtent;
        m_nStrideExp = 0;
    }
    SetAutoSpeed(0, 0);
    SetRange(0, 0, 0, 0);
    m_dPos = m_nOrigin;
    Clamp();
}
