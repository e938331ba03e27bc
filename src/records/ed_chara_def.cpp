#include "records/ed_chara_def.h"

#include <algorithm>

#include "records/def_env.h"
#include "records/ed_block_def.h"

namespace {

// Versions that changed the character layout or meaning.
constexpr std::int32_t VERSION_DEFENSE = 168;
constexpr std::int32_t VERSION_EFFECT_MODES = 196;
constexpr std::int32_t VERSION_HIT_RANGE = 201;
constexpr std::int32_t VERSION_HIT_RANGE_VALUE2 = 206;
constexpr std::int32_t VERSION_SCROLL_SYNC = 210;
constexpr std::int32_t VERSION_BLINK = 285;

// Groups added by later versions: a file older than the version inherits them by default.
constexpr int GROUP_DEFENSE_OLD = 27;
constexpr int GROUP_HIT_RANGE_OLD = 24;
constexpr int GROUP_SCROLL_SYNC = 21;

} // namespace

cEdCharaDef::cEdCharaDef() {
    RegisterMembers(g_nDataVersion);
    Clear();
}

cEdCharaDef::~cEdCharaDef() = default;

void cEdCharaDef::Clear() {
    m_nCarried = 0;
    Reset();
    m_nX = 0;
    m_nY = 0;
    m_Conditions.clear();
    m_Flows.clear();
    m_InheritFlags.assign(CHARA_GROUP_COUNT, 0);
    m_nPictureKind = 1;
    m_nZ = 3;
    m_nCharaEffect1Loop = 1;
    m_nController = 1;
    m_nFaction = 1;
    m_nFixedFacing = 1;
    m_nScale = 1;
    m_nMaxHP = 10;
    m_nStoppability = 10;
    m_nOption49 = 1;
}

void cEdCharaDef::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&m_nPalette);
    DeclareField(&m_nPaletteEntry);
    DeclareStringField(&m_strText);
    DeclareField(&m_nConditionMode);
    DeclareField(&m_nConditionLatch);
    DeclareField(&m_nFacing);
    DeclareField(&m_nExtraCopies);
    DeclareField(&m_nOffsetXStart);
    DeclareField(&m_nOffsetXStep);
    DeclareField(&m_nOffsetYStart);
    DeclareField(&m_nOffsetYStep);
    DeclareField(&m_nOffsetXMirror);
    DeclareField(&m_nOffsetYMirror);
    DeclareField(&m_nPictureNo);
    DeclareField(&m_nPictureKind);
    DeclareField(&m_nPictureArg);
    DeclareField(&m_nAnimeSet);
    DeclareField(&m_nZ);
    DeclareField(&m_nTransparent);
    DeclareField(&m_nCharaEffect1);
    if (version >= VERSION_EFFECT_MODES) DeclareField(&m_nCharaEffect1Mode);
    DeclareField(&m_nCharaEffect1Loop);
    DeclareField(&m_nCharaEffect2);
    if (version >= VERSION_EFFECT_MODES) DeclareField(&m_nCharaEffect2Mode);
    DeclareField(&m_nMarkMode);
    DeclareField(&m_nMarkNo);
    DeclareField(&m_nController);
    DeclareField(&m_nPlayerNo);
    DeclareField(&m_nFaction);
    DeclareField(&m_nCharaId);
    DeclareField(&m_nMoveType);
    DeclareField(&m_nFixedFacing);
    DeclareField(&m_nInvincible);
    if (version >= VERSION_BLINK) DeclareField(&m_nBlinkKind);
    DeclareField(&m_nBlockChara);
    DeclareField(&m_nScale);
    if (version >= VERSION_SCROLL_SYNC) DeclareField(&m_nScrollSync);
    DeclareField(&m_nSightShape);
    DeclareField(&m_nSightRange);
    DeclareField(&m_nMaxHP);
    DeclareField(&m_nMaxSP);
    DeclareField(&m_nStoppability);
    if (version >= VERSION_HIT_RANGE) DeclareField(&m_nHitRange);
    DeclareField(&m_nBodyPower);
    DeclareField(&m_nBodyImpact);
    DeclareField(&m_nEffectNo);
    if (version >= VERSION_DEFENSE) DeclareField(&m_nDefense);
    DeclareField(&m_nImpactResist);
    DeclareField(&m_nScore);
    DeclareField(&m_nOption49);
    DeclareField(&m_nGroupSwitch);
    DeclareField(&m_nGroupNo);
    DeclareField(&m_nActivityArea);
    DeclareField(&m_nActivationRule);
}

bool cEdCharaDef::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!ReadI16(fp, m_nX) || !ReadI16(fp, m_nY) || !ReadI32(fp, m_nCarried)) return false;
    if (!LoadDefFlagsAndConditions(fp, m_InheritFlags, m_Conditions)) return false;
    if (!LoadFlowList(m_Flows, fp)) return false;
    if (ShouldRemoveEditorOnlyFlows()) RemoveEditorOnlyFlows(m_Flows);

    const std::int32_t v = g_nLoadVersion;
    if (v < DATA_VERSION_CURRENT) {
        if (v < VERSION_DEFENSE) {
            m_nDefense = 0;
            InsertInheritFlag(m_InheritFlags, GROUP_DEFENSE_OLD);
        }
        if (v < VERSION_EFFECT_MODES) {
            m_nCharaEffect1Mode = 0;
            m_nCharaEffect2Mode = 0;
        }
        if (v < VERSION_HIT_RANGE) {
            m_nHitRange = 0;
            InsertInheritFlag(m_InheritFlags, GROUP_HIT_RANGE_OLD);
        }
        // Older files know no value 2 of the hit range: their 2 is the present 3.
        if (v < VERSION_HIT_RANGE_VALUE2 && static_cast<std::int8_t>(m_nHitRange) >= 2) ++m_nHitRange;
        if (v < VERSION_SCROLL_SYNC) {
            m_nScrollSync = 0;
            InsertInheritFlag(m_InheritFlags, GROUP_SCROLL_SYNC);
        }
        m_nPictureNo = static_cast<std::int16_t>(UpgradedPictureNo(m_nPictureKind, m_nPictureNo));
        if (v < VERSION_BLINK) m_nBlinkKind = 1;
    }
    ApplyCharaInheritance(*this);
    ValidateCharaDef(*this);
    return true;
}

bool cEdCharaDef::Save(std::FILE* fp) {
    ValidateCharaDef(*this);
    if (!cSerialRecord::Save(fp)) return false;
    if (!WriteI16(fp, m_nX) || !WriteI16(fp, m_nY) || !WriteI32(fp, m_nCarried)) return false;
    if (!SaveDefFlagsAndConditions(fp, m_InheritFlags, m_Conditions)) return false;
    return SaveFlowList(m_Flows, fp);
}

double cEdCharaDef::OffsetX(int copy, int direction) const {
    double offset = static_cast<double>(m_nOffsetXStart) + static_cast<double>(m_nOffsetXStep) * copy;
    if (direction == 1 && m_nOffsetXMirror) offset = -offset;
    return offset;
}

double cEdCharaDef::OffsetY(int copy, int direction) const {
    double offset = static_cast<double>(m_nOffsetYStart) + static_cast<double>(m_nOffsetYStep) * copy;
    if (direction == 1 && m_nOffsetYMirror) offset = -offset;
    return offset;
}

void InsertInheritFlag(std::vector<std::uint8_t>& flags, int k) {
    flags.resize(CHARA_GROUP_COUNT, 0);
    for (int i = CHARA_GROUP_COUNT - 1; i > k; --i)
        flags[static_cast<std::size_t>(i)] = flags[static_cast<std::size_t>(i - 1)];
    flags[static_cast<std::size_t>(k)] = 1;
}

void CopyCharaGroup(cEdCharaDef& dst, const cEdCharaDef& src, int group) {
    switch (group) {
    case 0:
        dst.m_strText = src.m_strText;
        break;
    case 1:
        dst.m_nController = src.m_nController;
        dst.m_nPlayerNo = src.m_nPlayerNo;
        break;
    case 2:
        dst.m_nFaction = src.m_nFaction;
        break;
    case 3:
        dst.m_nCharaId = src.m_nCharaId;
        break;
    case 4:
        dst.m_Conditions = src.m_Conditions;
        dst.m_nConditionMode = src.m_nConditionMode;
        dst.m_nConditionLatch = src.m_nConditionLatch;
        break;
    case 5:
        dst.m_nFacing = src.m_nFacing;
        break;
    case 6:
        dst.m_nExtraCopies = src.m_nExtraCopies;
        break;
    case 7:
        dst.m_nOffsetXStart = src.m_nOffsetXStart;
        dst.m_nOffsetXStep = src.m_nOffsetXStep;
        dst.m_nOffsetXMirror = src.m_nOffsetXMirror;
        break;
    case 8:
        dst.m_nOffsetYStart = src.m_nOffsetYStart;
        dst.m_nOffsetYStep = src.m_nOffsetYStep;
        dst.m_nOffsetYMirror = src.m_nOffsetYMirror;
        break;
    case 9:
        dst.m_nPictureKind = src.m_nPictureKind;
        dst.m_nPictureNo = src.m_nPictureNo;
        dst.m_nPictureArg = src.m_nPictureArg;
        break;
    case 10:
        dst.m_nAnimeSet = src.m_nAnimeSet;
        break;
    case 11:
        dst.m_nZ = src.m_nZ;
        break;
    case 12:
        dst.m_nTransparent = src.m_nTransparent;
        break;
    case 13:
        dst.m_nCharaEffect1 = src.m_nCharaEffect1;
        dst.m_nCharaEffect1Mode = src.m_nCharaEffect1Mode;
        dst.m_nCharaEffect1Loop = src.m_nCharaEffect1Loop;
        break;
    case 14:
        dst.m_nCharaEffect2 = src.m_nCharaEffect2;
        dst.m_nCharaEffect2Mode = src.m_nCharaEffect2Mode;
        break;
    case 15:
        dst.m_nMarkMode = src.m_nMarkMode;
        dst.m_nMarkNo = src.m_nMarkNo;
        break;
    case 16:
        dst.m_nFixedFacing = src.m_nFixedFacing;
        break;
    case 17:
        dst.m_nMoveType = src.m_nMoveType;
        break;
    case 18:
        dst.m_nInvincible = src.m_nInvincible;
        dst.m_nBlinkKind = src.m_nBlinkKind;
        break;
    case 19:
        dst.m_nBlockChara = src.m_nBlockChara;
        break;
    case 20:
        dst.m_nScale = src.m_nScale;
        break;
    case 21:
        dst.m_nScrollSync = src.m_nScrollSync;
        break;
    case 22:
        dst.m_nSightShape = src.m_nSightShape;
        dst.m_nSightRange = src.m_nSightRange;
        break;
    case 23:
        dst.m_nMaxHP = src.m_nMaxHP;
        break;
    case 24:
        dst.m_nMaxSP = src.m_nMaxSP;
        break;
    case 25:
        dst.m_nHitRange = src.m_nHitRange;
        break;
    case 26:
        dst.m_nBodyPower = src.m_nBodyPower;
        break;
    case 27:
        dst.m_nBodyImpact = src.m_nBodyImpact;
        break;
    case 28:
        dst.m_nEffectNo = src.m_nEffectNo;
        break;
    case 29:
        dst.m_nDefense = src.m_nDefense;
        break;
    case 30:
        dst.m_nImpactResist = src.m_nImpactResist;
        break;
    case 31:
        dst.m_nStoppability = src.m_nStoppability;
        break;
    case 32:
        dst.m_nActivityArea = src.m_nActivityArea;
        dst.m_nActivationRule = src.m_nActivationRule;
        break;
    case 33:
        dst.m_nGroupNo = src.m_nGroupNo;
        dst.m_nGroupSwitch = src.m_nGroupSwitch;
        break;
    case 34:
        dst.m_nScore = src.m_nScore;
        break;
    case 35:
        dst.m_nOption49 = src.m_nOption49;
        break;
    case 36:
        dst.m_Flows = src.m_Flows;
        break;
    default: // flags beyond the group table are kept but mean nothing
        break;
    }
}

void ApplyCharaInheritance(cEdCharaDef& chara) {
    ApplyInheritance(chara, &cDefRecordEnv::CharaPalette, CHARA_GROUP_COUNT, &CopyCharaGroup);
}

void ValidateCharaDef(cEdCharaDef& chara) {
    DropLostPaletteRef(chara.m_nPalette, chara.m_nPaletteEntry, PaletteList::Charas);
    const cDefRecordEnv* defEnv = DefRecordEnv();
    if (chara.m_nPictureKind == 4 && defEnv) {
        const std::int64_t bitmaps = defEnv->CharaBitmapCount();
        // The replacement picture is entry 1, even when the list holds only its "none" entry: a
        // picture number of 0 would make a hero no hero (FindHero passes over it).
        if (IsOutsideList(chara.m_nPictureNo, bitmaps)) chara.m_nPictureNo = 1;
    }
    if (static_cast<std::int8_t>(chara.m_nScale) < 1) chara.m_nScale = 1;
    const cFlowRecordEnv& env = FlowRecordEnv();
    if (IsOutsideList(chara.m_nAnimeSet, env.DatabaseCount(DbList::AnimeSets))) chara.m_nAnimeSet = 0;
    const std::int64_t charaEffects = env.DatabaseCount(DbList::CharaEffects);
    if (IsOutsideList(chara.m_nCharaEffect1, charaEffects)) chara.m_nCharaEffect1 = 0;
    if (IsOutsideList(chara.m_nCharaEffect2, charaEffects)) chara.m_nCharaEffect2 = 0;
    if (IsOutsideList(chara.m_nEffectNo, env.DatabaseCount(DbList::Effects))) chara.m_nEffectNo = 0;
    // Conditions hold no references to fix.
    for (std::size_t i = 0; i < chara.m_Flows.size();) {
        cEdFlow& flow = chara.m_Flows[i];
        flow.FixReferences();
        if (flow.m_Conds.empty() && flow.m_KeySteps.empty() && flow.m_Commands.empty())
            chara.m_Flows.erase(chara.m_Flows.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

void ValidateCharaCommands(cEdCharaDef& chara) {
    for (cEdFlow& flow : chara.m_Flows)
        flow.ValidatePalettes();
}

void ResizeFlowList(cCheckedVector<cEdFlow>& list, int n, const cEdFlow& prototype) {
    list.resize(static_cast<std::size_t>(std::max(n, 0)), prototype);
}
