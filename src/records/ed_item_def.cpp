#include "records/ed_item_def.h"

#include <algorithm>

#include "records/def_env.h"
#include "records/ed_block_def.h"

cEdItemDef::cEdItemDef() {
    RegisterMembers(g_nDataVersion);
    Clear();
}

cEdItemDef::~cEdItemDef() = default;

void cEdItemDef::Clear() {
    Reset();
    m_nX = 0;
    m_nY = 0;
    m_Conditions.clear();
    m_Commands.clear();
    m_InheritFlags.assign(ITEM_GROUP_COUNT, 0);
    m_nPictureKind = 2;
    m_nPictureNo = 0;
    m_nTakeMessage = 1;
    m_nScale = 1;
    m_nZ = 6;
}

void cEdItemDef::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nPalette);
    DeclareField(&m_nPaletteEntry);
    DeclareStringField(&m_strText);
    DeclareField(&m_nConditionMode);
    DeclareField(&m_nConditionLatch);
    DeclareField(&m_nOffsetX);
    DeclareField(&m_nOffsetY);
    DeclareField(&m_nPictureNo);
    DeclareField(&m_nPictureKind);
    DeclareField(&m_nPictureArg);
    DeclareField(&m_nZ);
    DeclareField(&m_nTransparent);
    DeclareField(&m_nMarkMode);
    DeclareField(&m_nMarkNo);
    DeclareField(&m_nTakeMessage);
    DeclareField(&m_nTakeMode);
    DeclareField(&m_nScale);
    DeclareField(&m_nSoundNo);
}

bool cEdItemDef::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!ReadI16(fp, m_nX) || !ReadI16(fp, m_nY)) return false;
    if (!LoadDefFlagsAndConditions(fp, m_InheritFlags, m_Conditions)) return false;
    if (!LoadCommandList(m_Commands, fp)) return false;
    m_nPictureNo = static_cast<std::int16_t>(UpgradedPictureNo(m_nPictureKind, m_nPictureNo));
    ApplyItemInheritance(*this);
    ValidateItemDef(*this);
    return true;
}

bool cEdItemDef::Save(std::FILE* fp) {
    ValidateItemDef(*this);
    if (!cSerialRecord::Save(fp)) return false;
    if (!WriteI16(fp, m_nX) || !WriteI16(fp, m_nY)) return false;
    if (!SaveDefFlagsAndConditions(fp, m_InheritFlags, m_Conditions)) return false;
    return SaveCommandList(m_Commands, fp);
}

void CopyItemGroup(cEdItemDef& dst, const cEdItemDef& src, int group) {
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
        dst.m_nOffsetX = src.m_nOffsetX;
        break;
    case 3:
        dst.m_nOffsetY = src.m_nOffsetY;
        break;
    case 4:
        dst.m_nPictureKind = src.m_nPictureKind;
        dst.m_nPictureNo = src.m_nPictureNo;
        dst.m_nPictureArg = src.m_nPictureArg;
        break;
    case 5:
        dst.m_nZ = src.m_nZ;
        break;
    case 6:
        dst.m_nTransparent = src.m_nTransparent;
        break;
    case 7:
        dst.m_nMarkMode = src.m_nMarkMode;
        dst.m_nMarkNo = src.m_nMarkNo;
        break;
    case 8:
        dst.m_nScale = src.m_nScale;
        break;
    case 9:
        dst.m_nTakeMode = src.m_nTakeMode;
        break;
    case 10:
        dst.m_nTakeMessage = src.m_nTakeMessage;
        break;
    case 11:
        dst.m_nSoundNo = src.m_nSoundNo;
        break;
    case 12:
        dst.m_Commands = src.m_Commands;
        break;
    default: // flags beyond the group table are kept but mean nothing
        break;
    }
}

void ApplyItemInheritance(cEdItemDef& item) {
    ApplyInheritance(item, &cDefRecordEnv::ItemPalette, ITEM_GROUP_COUNT, &CopyItemGroup);
}

void ValidateItemDef(cEdItemDef& item) {
    DropLostPaletteRef(item.m_nPalette, item.m_nPaletteEntry, PaletteList::Items);
    if (item.m_nScale < 1) item.m_nScale = 1;
    if (IsOutsideList(item.m_nSoundNo, FlowRecordEnv().DatabaseCount(DbList::Sounds))) item.m_nSoundNo = 0;
    // Conditions hold no references to fix.
    for (cEdFlowCmd& command : item.m_Commands)
        command.FixReferences();
}

void ValidateItemCommands(cEdItemDef& item) {
    for (cEdFlowCmd& command : item.m_Commands)
        command.ValidatePalettes();
}

const cEdItemDef* PaletteRefValid(std::int8_t selector, std::int16_t entry) {
    PaletteId id{};
    if (!PaletteOfSelector(selector, id) || entry < 0) return nullptr;
    const cDefRecordEnv* env = DefRecordEnv();
    cCheckedVector<cEdItemDef>* list = env ? env->ItemPalette(id) : nullptr;
    if (!list || entry >= list->Count()) return nullptr;
    return &(*list)[static_cast<std::size_t>(entry)];
}
