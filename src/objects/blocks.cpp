#include "objects/blocks.h"

#include "objects/game_scene.h"
#include "objects/object_hooks.h"

cCheckedVector<cBlock> g_Blocks;

const cBlock* BlockAt(int column, int row) {
    if (column < 0 || row < 0) return nullptr;
    const cScrollPos& vx = ViewX();
    if (column >= vx.m_nGridStride) return nullptr;
    long long index = (static_cast<long long>(row) << vx.m_nStrideExp) + column;
    if (index >= static_cast<long long>(g_Blocks.size())) return nullptr;
    return &g_Blocks[static_cast<std::size_t>(index)];
}

std::uint8_t IsBlockSolid(const cBlock& block, int kind) {
    if (!block.m_Conditions.empty() && g_ObjectHooks.BlockConditionsHold &&
        !g_ObjectHooks.BlockConditionsHold(block))
        return 0;
    if (block.m_nPassKind == kind) return 0;
    return block.m_nSolid;
}

void ResetBlockGrid(int stride, int rows) {
    g_Blocks.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(rows), cBlock{});
}
