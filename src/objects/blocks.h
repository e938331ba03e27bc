// The stage's grid of 32 x 32-pixel blocks, including the 10-block margin on every side. The row
// length is a power of two: cell (column, row) is element (row << stride exponent) + column.
#pragma once

#include "app/checked_containers.h"
#include "objects/object_hooks.h"
#include "objects/scroll_pos.h"
#include "records/ed_flow.h"

#include <cstdint>

struct cBlock {
    cCheckedVector<cEdFlowCond> m_Conditions;
    std::uint8_t m_nConditionMode = 0;
    std::uint8_t m_nConditionLatch = 0;
    std::uint8_t m_bHeld = 0;       // the conditions have held once
    std::uint8_t m_nSolid = 0;      // 0 passable, 1 solid, 2 solid for the computer side, deadly for players
    std::uint8_t m_nPassKind = 255; // objects of this kind pass through
    int m_nPictureA = 0, m_nPictureB = 0;
    int m_bOverlay = 0, m_nOverlayCount = 0;
    // Drawing: the layer (0 behind the objects, 1 in front) and the hidden switch. The picture is
    // m_nPictureA (0 nothing to draw), a cell of the block sheet.
    std::uint8_t m_nLayer = 0;
    std::uint8_t m_bHidden = 0;
};

extern cCheckedVector<cBlock> g_Blocks;

// The block of a grid cell, or null outside the grid (nothing outside the grid is solid).
const cBlock* BlockAt(int column, int row);
// The grid as a run of look-ups reads it: the horizontal view's row stride and the cells, read once.
// It holds while nothing resizes the grid or sets the view up again.
struct cBlockGrid {
    const cBlock* cells;
    long long count;
    int stride;
    int strideExp;

    explicit cBlockGrid(const cScrollPos& vx)
        : cells(g_Blocks.data()), count(static_cast<long long>(g_Blocks.size())), stride(vx.m_nGridStride),
          strideExp(vx.m_nStrideExp) {}

    // BlockAt on this grid.
    const cBlock* At(int column, int row) const {
        if (column < 0 || row < 0) return nullptr;
        if (column >= stride) return nullptr;
        const long long index = (static_cast<long long>(row) << strideExp) + column;
        if (index >= count) return nullptr;
        return cells + index;
    }
};
// BlockAt for a caller that already holds the horizontal view.
inline const cBlock* BlockAtIn(const cScrollPos& vx, int column, int row) {
    return cBlockGrid(vx).At(column, row);
}
// 0 when the block's conditions do not hold or its pass kind is `kind`, else its solid byte.
inline std::uint8_t IsBlockSolid(const cBlock& block, int kind) {
    if (!block.m_Conditions.empty() && g_ObjectHooks.BlockConditionsHold &&
        !g_ObjectHooks.BlockConditionsHold(block))
        return 0;
    if (block.m_nPassKind == kind) return 0;
    return block.m_nSolid;
}
// A grid of `columns` x `rows` cells of passable blocks, rows padded to `stride` cells.
void ResetBlockGrid(int stride, int rows);
