// The common palette: block, character and item definitions that every stage of the project may
// name with palette selector 1. Read once at start-up from "data\CommonPalette.cplt4".
//
// File (after the version word): the palette's own chunk, empty (nFields 0, nStrings 0); then the
// block, character and item palettes, each a u32 count and that many definition chunks.
#pragma once

#include <cstdint>

#include "app/checked_containers.h"
#include "records/ed_block_def.h"
#include "records/ed_chara_def.h"
#include "records/ed_item_def.h"
#include "records/serial_record.h"

class cCommonPalette : public cSerialRecord {
  public:
    // Each list holds one entry at its type's defaults.
    cCommonPalette();
    cCommonPalette(const cCommonPalette&) = default;
    cCommonPalette& operator=(const cCommonPalette&) = default;
    ~cCommonPalette() override;

    // Declares nothing.
    void RegisterMembers(std::int32_t version) override;
    // The three lists; entry 0 of each reset to the defaults, every inherit flag cleared, then
    // Normalise. False when the file is damaged or short.
    bool Load(std::FILE* fp) override;
    // Normalise, then the empty chunk and the three lists.
    bool Save(std::FILE* fp) override;
    // Every list at least 2 entries long; every definition validated.
    void Normalise();

    cCheckedVector<cEdBlockDef> m_Blocks;
    cCheckedVector<cEdCharaDef> m_Charas;
    cCheckedVector<cEdItemDef> m_Items;
};

extern cCommonPalette g_CommonPalette;

// Start-up's step: reads "data\CommonPalette.cplt4" into g_CommonPalette. A file that cannot be
// opened or read shows "%s のロードに失敗！" with the path and gives false.
bool LoadCommonPalette();
