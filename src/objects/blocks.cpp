#include "objects/blocks.h"

#include "objects/game_scene.h"
#include "objects/object_hooks.h"

cCheckedVector<cBlock> g_Blocks;

const cBlock* BlockAt(int column, int row) {
    return cBlockGrid(ViewX()).At(column, row);
}

void ResetBlockGrid(int stride, int rows) {
    g_Blocks.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(rows), cBlock{});
}
