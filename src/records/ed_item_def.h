// Item definitions: an entry of an item palette, an item placed in a stage, or the item a block
// names.
//
// Chunk: 17 fields (24 bytes) and one string, then the extras x, y (2 bytes each), the inherit flags
// (u32 count + bytes), the conditions and the item commands (u32 count + chunks each). 13 member
// groups can be inherited from a palette entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/checked_containers.h"
#include "records/ed_flow.h"
#include "records/serial_record.h"

constexpr int ITEM_GROUP_COUNT = 13;

class cEdItemDef : public cSerialRecord {
  public:
    // Registered for the current version with the defaults of Clear.
    cEdItemDef();
    cEdItemDef(const cEdItemDef&) = default;
    cEdItemDef& operator=(const cEdItemDef&) = default;
    ~cEdItemDef() override;

    // Back to the defaults: every field 0 and the text empty except pictureKind 2, z 6,
    // takeMessage 1, scale 1; 13 flags 0; no conditions, no commands.
    void Clear();
    void RegisterMembers(std::int32_t version) override;
    // Chunk and extras, the picture upgrade of older files, inheritance, validation.
    bool Load(std::FILE* fp) override;
    // Validates first.
    bool Save(std::FILE* fp) override;

    std::int16_t m_nX = 0;
    std::int16_t m_nY = 0;
    std::vector<std::uint8_t> m_InheritFlags;
    std::string m_strText;                    // group 0
    cCheckedVector<cEdFlowCond> m_Conditions; // group 1
    cCheckedVector<cEdFlowCmd> m_Commands;    // group 12

    std::int8_t m_nPalette = 0;
    std::int16_t m_nPaletteEntry = 0;
    std::uint8_t m_nConditionMode = 0;  // group 1
    std::uint8_t m_nConditionLatch = 0; // group 1
    std::uint16_t m_nOffsetX = 0;       // group 2, pixels, read as signed
    std::uint16_t m_nOffsetY = 0;       // group 3, pixels, read as signed
    std::int16_t m_nPictureNo = 0;      // group 4
    std::uint8_t m_nPictureKind = 2;    // group 4
    std::uint16_t m_nPictureArg = 0;    // group 4
    std::uint8_t m_nZ = 6;              // group 5
    std::uint8_t m_nTransparent = 0;    // group 6
    std::uint8_t m_nMarkMode = 0;       // group 7
    std::uint16_t m_nMarkNo = 0;        // group 7
    std::uint8_t m_nTakeMode = 0;       // group 9: 0 once, 1 any number of times, 2 never
    std::uint8_t m_nTakeMessage = 1;    // group 10
    std::uint8_t m_nScale = 1;          // group 8
    std::uint16_t m_nSoundNo = 0;       // group 11
};

void ApplyItemInheritance(cEdItemDef& item);
// Out-of-range palette reference and sound -> none; scale at least 1; commands fixed.
void ValidateItemDef(cEdItemDef& item);
// The second validation: palette references of the commands.
void ValidateItemCommands(cEdItemDef& item);
void CopyItemGroup(cEdItemDef& dst, const cEdItemDef& src, int group);

// The item palette entry a reference names (selector 1 common, 2 stage), or null for any other
// selector, an index outside the list (negative included) or an unknown palette.
const cEdItemDef* PaletteRefValid(std::int8_t selector, std::int16_t entry);
