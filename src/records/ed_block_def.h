// Block definitions: an entry of a block palette, or a block placed in a stage.
//
// Chunk: 18 fields (26 bytes) and one string, then the extras x, y (2 bytes each), the inherit flags
// (u32 count + bytes) and the conditions (u32 count + condition chunks). A definition that names a
// palette entry copies the member groups marked in its flags from that entry when it is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/checked_containers.h"
#include "records/ed_flow.h"
#include "records/serial_record.h"

// The inheritance groups of a block.
constexpr int BLOCK_GROUP_COUNT = 11;

class cEdBlockDef : public cSerialRecord {
  public:
    // Registered for the current version with the defaults of Clear.
    cEdBlockDef();
    cEdBlockDef(const cEdBlockDef&) = default;
    cEdBlockDef& operator=(const cEdBlockDef&) = default;
    ~cEdBlockDef() override;

    // Back to the defaults: every field 0, text "", no conditions, 11 flags 0, solidity 1,
    // passFaction 255.
    void Clear();
    void RegisterMembers(std::int32_t version) override;
    // Chunk and extras, the picture upgrade of older files, inheritance, validation.
    bool Load(std::FILE* fp) override;
    // Validates first.
    bool Save(std::FILE* fp) override;

    std::int16_t m_nX = 0;            // column of a placed block
    std::int16_t m_nY = 0;            // row of a placed block
    std::int8_t m_nPalette = 0;       // 0 none, 1 common palette, 2 stage palette
    std::int16_t m_nPaletteEntry = 0; // 0 none
    std::vector<std::uint8_t> m_InheritFlags;
    std::string m_strText;                    // group 0
    cCheckedVector<cEdFlowCond> m_Conditions; // group 1
    std::uint8_t m_nConditionMode = 0;        // group 1: 0 all hold, 1 one or more
    std::uint8_t m_nConditionLatch = 0;       // group 1
    std::uint16_t m_nPictureNo = 0;           // group 2: 0 no image
    std::uint8_t m_nPictureKind = 0;          // group 2
    std::uint16_t m_nPictureArg = 0;          // group 2
    std::uint8_t m_nLayer = 0;                // group 3
    std::uint8_t m_nNoDraw = 0;               // group 4
    std::uint8_t m_nMarkMode = 0;             // group 5
    std::uint16_t m_nMarkNo = 0;              // group 5
    std::uint8_t m_nSolidity = 1;             // group 6
    std::uint8_t m_nPassFaction = 255;        // group 7: 255 none
    std::uint8_t m_nHeroAction = 0;           // group 8
    std::uint32_t m_nHeroActionValue = 0;     // group 8
    std::int8_t m_nItemPalette = 0;           // group 9
    std::int16_t m_nItemEntry = 0;            // group 9
    std::uint8_t m_nNoOverwrite = 0;          // group 10
};

// Copies the groups marked in the flags from the palette entry the block names.
void ApplyBlockInheritance(cEdBlockDef& block);
// Out-of-range palette reference -> none; a block without picture is neither solid nor protected.
void ValidateBlockDef(cEdBlockDef& block);
// Out-of-range item reference -> none.
void ValidateItemRef(cEdBlockDef& block);

// Copies member group `group` of `src` into `dst` (groups outside 0-10 copy nothing).
void CopyBlockGroup(cEdBlockDef& dst, const cEdBlockDef& src, int group);

// The inherit flags (u32 count + bytes; the vector takes the stored count) and the condition list
// (u32 count + condition chunks) that the block, item and character definitions store after their
// placement.
bool LoadDefFlagsAndConditions(std::FILE* fp, std::vector<std::uint8_t>& flags,
                               cCheckedVector<cEdFlowCond>& conditions);
bool SaveDefFlagsAndConditions(std::FILE* fp, const std::vector<std::uint8_t>& flags,
                               cCheckedVector<cEdFlowCond>& conditions);
// A definition's picture number as the current version counts it: pictures of kind 3 were
// renumbered from version 219 on, so the number of an older file goes up by one, to 119 at most.
int UpgradedPictureNo(int kind, int number);
