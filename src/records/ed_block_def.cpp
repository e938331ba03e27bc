#include "records/ed_block_def.h"

#include <algorithm>

#include "records/def_env.h"

namespace {

// Pictures of kind 3 were renumbered from version 219 on.
constexpr std::int32_t VERSION_PICTURE_RENUMBER = 219;
constexpr int MAX_RENUMBERED_PICTURE = 119;

// Reads a flag vector (u32 count + bytes); the vector takes the stored count.
bool LoadInheritFlags(std::FILE* fp, std::vector<std::uint8_t>& flags) {
    // The usual short vector is read straight into place; a longer one must fit the file.
    constexpr std::uint32_t SHORT_FLAGS = 64;
    std::uint32_t count = 0;
    if (!ReadU32(fp, count)) return false;
    if (count > SHORT_FLAGS && count > RemainingBytes(fp)) return false;
    std::uint8_t bytes[SHORT_FLAGS];
    if (count <= SHORT_FLAGS) {
        if (!ReadBytes(fp, bytes, count)) return false;
        flags.assign(bytes, bytes + count);
        return true;
    }
    std::vector<std::uint8_t> read(count);
    if (!ReadBytes(fp, read.data(), count)) return false;
    flags = std::move(read);
    return true;
}

// Reads a definition's condition list (u32 count + condition chunks), emptying it first.
bool LoadDefConditions(std::FILE* fp, cCheckedVector<cEdFlowCond>& list) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, MIN_CHUNK_BYTES)) return false;
    list.clear();
    if (count == 0) return true;
    list.resize(count, cEdFlowCond());
    for (cEdFlowCond& condition : list)
        if (!condition.Load(fp)) return false;
    return true;
}

} // namespace

cEdBlockDef::cEdBlockDef() {
    RegisterMembers(g_nDataVersion);
    Clear();
}

cEdBlockDef::~cEdBlockDef() = default;

void cEdBlockDef::Clear() {
    Reset();
    m_nX = 0;
    m_nY = 0;
    m_Conditions.clear();
    m_nSolidity = 1;
    m_InheritFlags.assign(BLOCK_GROUP_COUNT, 0);
    m_nPassFaction = 255;
    m_nPictureNo = 0;
}

void cEdBlockDef::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nPalette);
    DeclareField(&m_nPaletteEntry);
    DeclareField(&m_nConditionMode);
    DeclareField(&m_nConditionLatch);
    DeclareField(&m_nPictureNo);
    DeclareField(&m_nPictureKind);
    DeclareField(&m_nPictureArg);
    DeclareField(&m_nLayer);
    DeclareField(&m_nNoDraw);
    DeclareField(&m_nMarkMode);
    DeclareField(&m_nMarkNo);
    DeclareField(&m_nSolidity);
    DeclareField(&m_nPassFaction);
    DeclareField(&m_nHeroAction);
    DeclareField(&m_nHeroActionValue);
    DeclareField(&m_nItemPalette);
    DeclareField(&m_nItemEntry);
    DeclareField(&m_nNoOverwrite);
    DeclareStringField(&m_strText);
}

bool cEdBlockDef::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!ReadI16(fp, m_nX) || !ReadI16(fp, m_nY)) return false;
    if (!LoadDefFlagsAndConditions(fp, m_InheritFlags, m_Conditions)) return false;
    m_nPictureNo = static_cast<std::uint16_t>(UpgradedPictureNo(m_nPictureKind, m_nPictureNo));
    ApplyBlockInheritance(*this);
    ValidateBlockDef(*this);
    return true;
}

bool cEdBlockDef::Save(std::FILE* fp) {
    ValidateBlockDef(*this);
    if (!cSerialRecord::Save(fp)) return false;
    if (!WriteI16(fp, m_nX) || !WriteI16(fp, m_nY)) return false;
    return SaveDefFlagsAndConditions(fp, m_InheritFlags, m_Conditions);
}

void CopyBlockGroup(cEdBlockDef& dst, const cEdBlockDef& src, int group) {
    switch (group) {
    case 0:
        dst.m_strText = src.m_strText;
        break;
    case 1:
        dst.m_Conditions = src.m_Conditions;
        dst.m_nConditionMode = src.m_nConditionMode;
        dst.m_nConditionLatch = src.m_nConditionLatch;
        break;
    case 2:
        dst.m_nPictureNo = src.m_nPictureNo;
        dst.m_nPictureKind = src.m_nPictureKind;
        dst.m_nPictureArg = src.m_nPictureArg;
        break;
    case 3:
        dst.m_nLayer = src.m_nLayer;
        break;
    case 4:
        dst.m_nNoDraw = src.m_nNoDraw;
        break;
    case 5:
        dst.m_nMarkMode = src.m_nMarkMode;
        dst.m_nMarkNo = src.m_nMarkNo;
        break;
    case 6:
        dst.m_nSolidity = src.m_nSolidity;
        break;
    case 7:
        dst.m_nPassFaction = src.m_nPassFaction;
        break;
    case 8:
        dst.m_nHeroAction = src.m_nHeroAction;
        dst.m_nHeroActionValue = src.m_nHeroActionValue;
        break;
    case 9:
        dst.m_nItemPalette = src.m_nItemPalette;
        dst.m_nItemEntry = src.m_nItemEntry;
        break;
    case 10:
        dst.m_nNoOverwrite = src.m_nNoOverwrite;
        break;
    default: // flags beyond the group table are kept but mean nothing
        break;
    }
}

void ApplyBlockInheritance(cEdBlockDef& block) {
    ApplyInheritance(block, &cDefRecordEnv::BlockPalette, BLOCK_GROUP_COUNT, &CopyBlockGroup);
}

void ValidateBlockDef(cEdBlockDef& block) {
    DropLostPaletteRef(block.m_nPalette, block.m_nPaletteEntry, PaletteList::Blocks);
    // Conditions hold no references to fix.
    if (block.m_nPictureNo == 0) {
        block.m_nSolidity = 0;
        block.m_nNoOverwrite = 0;
    }
}

void ValidateItemRef(cEdBlockDef& block) {
    DropLostPaletteRef(block.m_nItemPalette, block.m_nItemEntry, PaletteList::Items);
}

bool LoadDefFlagsAndConditions(std::FILE* fp, std::vector<std::uint8_t>& flags,
                               cCheckedVector<cEdFlowCond>& conditions) {
    return LoadInheritFlags(fp, flags) && LoadDefConditions(fp, conditions);
}

bool SaveDefFlagsAndConditions(std::FILE* fp, const std::vector<std::uint8_t>& flags,
                               cCheckedVector<cEdFlowCond>& conditions) {
    return SaveByteVector(fp, flags) && SaveCondList(conditions, fp);
}

int UpgradedPictureNo(int kind, int number) {
    if (g_nLoadVersion < VERSION_PICTURE_RENUMBER && kind == 3)
        return std::min(number + 1, MAX_RENUMBERED_PICTURE);
    return number;
}
