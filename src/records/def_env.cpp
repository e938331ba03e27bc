#include "records/def_env.h"

#include "records/ed_block_def.h"
#include "records/ed_chara_def.h"
#include "records/ed_item_def.h"
#include "records/ed_stage.h"

namespace {

// The stage whose own palettes stand for the stage palette on this thread; null: the environment's.
thread_local cEdStage* t_lpOwnStage = nullptr;

} // namespace

cOwnStagePalettes::cOwnStagePalettes(cEdStage& stage) : m_lpPrevious(t_lpOwnStage) {
    t_lpOwnStage = &stage;
}

cOwnStagePalettes::~cOwnStagePalettes() {
    t_lpOwnStage = m_lpPrevious;
}

cCheckedVector<cEdBlockDef>* cDefRecordEnv::BlockPalette(PaletteId id) const {
    if (id == PaletteId::Stage && t_lpOwnStage) return &t_lpOwnStage->m_PaletteBlocks;
    return EnvBlockPalette(id);
}

cCheckedVector<cEdCharaDef>* cDefRecordEnv::CharaPalette(PaletteId id) const {
    if (id == PaletteId::Stage && t_lpOwnStage) return &t_lpOwnStage->m_PaletteCharas;
    return EnvCharaPalette(id);
}

cCheckedVector<cEdItemDef>* cDefRecordEnv::ItemPalette(PaletteId id) const {
    if (id == PaletteId::Stage && t_lpOwnStage) return &t_lpOwnStage->m_PaletteItems;
    return EnvItemPalette(id);
}

std::int64_t cDefRecordEnv::PaletteCount(PaletteId id, PaletteList list) const {
    switch (list) {
    case PaletteList::Blocks:
        if (auto* blocks = BlockPalette(id)) return blocks->Count();
        break;
    case PaletteList::Charas:
        if (auto* charas = CharaPalette(id)) return charas->Count();
        break;
    case PaletteList::Items:
        if (auto* items = ItemPalette(id)) return items->Count();
        break;
    }
    return -1;
}

const cDefRecordEnv* DefRecordEnv() {
    return FlowRecordEnv().AsDefEnv();
}

bool PaletteOfSelector(int selector, PaletteId& id) {
    if (selector == PALETTE_COMMON) {
        id = PaletteId::Common;
        return true;
    }
    if (selector == PALETTE_STAGE) {
        id = PaletteId::Stage;
        return true;
    }
    return false;
}

bool PaletteRefKept(int selector, int entry, PaletteList list) {
    if (selector == PALETTE_NONE) return true;
    PaletteId id{};
    if (!PaletteOfSelector(selector, id)) return false;
    const std::int64_t count = FlowRecordEnv().PaletteCount(id, list);
    if (count < 0) return true;
    return entry >= 0 && entry < count;
}

void DropLostPaletteRef(std::int8_t& selector, std::int16_t& entry, PaletteList list) {
    if (PaletteRefKept(selector, entry, list)) return;
    selector = 0;
    entry = 0;
}
