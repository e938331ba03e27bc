// Character definitions: an entry of a character palette, or a character placed in a stage (heroes
// included).
//
// Chunk: 53 fields (82 bytes) at the current version, fewer for older files, and one string; then
// the extras x, y (2 bytes each), a carried 32-bit word, the inherit flags (u32 count + bytes), the
// conditions and the flows (u32 count + chunks each). 37 member groups can be inherited from a
// palette entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/checked_containers.h"
#include "records/ed_flow.h"
#include "records/serial_record.h"

constexpr int CHARA_GROUP_COUNT = 37;

class cEdCharaDef : public cSerialRecord {
  public:
    // Registered for the current version with the defaults of Clear.
    cEdCharaDef();
    cEdCharaDef(const cEdCharaDef&) = default;
    cEdCharaDef& operator=(const cEdCharaDef&) = default;
    ~cEdCharaDef() override;

    // Back to the defaults of a new character (37 flags 0, no conditions, no flows).
    void Clear();
    void RegisterMembers(std::int32_t version) override;
    // Chunk and extras, removal of editor-only flows, upgrades of older files, inheritance,
    // validation.
    bool Load(std::FILE* fp) override;
    // Validates first.
    bool Save(std::FILE* fp) override;

    // Position of copy i (from 0) relative to the character's cell, for facing or direction d.
    double OffsetX(int copy, int direction) const;
    double OffsetY(int copy, int direction) const;

    std::int16_t m_nX = 0;
    std::int16_t m_nY = 0;
    // What the walks over every character of a sub-step read comes first after x and y, which fill
    // the header's last line (a character keeps its definition next to its own such fields).
    std::uint8_t m_nBlockChara = 0;           // group 19
    std::uint8_t m_nInvincible = 0;           // group 18
    std::uint8_t m_nGroupSwitch = 0;          // group 33
    std::uint8_t m_nActivationRule = 0;       // group 32
    std::uint16_t m_nGroupNo = 0;             // group 33
    std::uint8_t m_nConditionMode = 0;        // group 4
    std::uint8_t m_nConditionLatch = 0;       // group 4
    cCheckedVector<cEdFlowCond> m_Conditions; // group 4
    std::int32_t m_nCarried = 0;              // stored after x and y, carried unchanged
    std::vector<std::uint8_t> m_InheritFlags;
    std::string m_strText;           // group 0
    cCheckedVector<cEdFlow> m_Flows; // group 36

    std::int8_t m_nPalette = 0;
    std::int16_t m_nPaletteEntry = 0;
    std::uint8_t m_nFacing = 0;           // group 5: 0 left, 1 right
    std::uint8_t m_nExtraCopies = 0;      // group 6
    std::int16_t m_nOffsetXStart = 0;     // group 7
    std::int16_t m_nOffsetXStep = 0;      // group 7
    std::int16_t m_nOffsetYStart = 0;     // group 8
    std::int16_t m_nOffsetYStep = 0;      // group 8
    std::uint8_t m_nOffsetXMirror = 0;    // group 7
    std::uint8_t m_nOffsetYMirror = 0;    // group 8
    std::int16_t m_nPictureNo = 0;        // group 9
    std::uint8_t m_nPictureKind = 1;      // group 9
    std::uint16_t m_nPictureArg = 0;      // group 9
    std::uint16_t m_nAnimeSet = 0;        // group 10
    std::uint8_t m_nZ = 3;                // group 11
    std::uint8_t m_nTransparent = 0;      // group 12
    std::uint16_t m_nCharaEffect1 = 0;    // group 13
    std::uint8_t m_nCharaEffect1Mode = 0; // group 13, stored from 196
    std::uint8_t m_nCharaEffect1Loop = 1; // group 13
    std::uint16_t m_nCharaEffect2 = 0;    // group 14
    std::uint8_t m_nCharaEffect2Mode = 0; // group 14, stored from 196
    std::uint8_t m_nMarkMode = 0;         // group 15
    std::uint16_t m_nMarkNo = 0;          // group 15
    std::uint8_t m_nController = 1;       // group 1: 0 player, 1 computer
    std::uint8_t m_nPlayerNo = 0;         // group 1
    std::uint8_t m_nFaction = 1;          // group 2
    std::uint8_t m_nCharaId = 0;          // group 3
    std::uint8_t m_nMoveType = 0;         // group 17
    std::uint8_t m_nFixedFacing = 1;      // group 16
    std::uint8_t m_nBlinkKind = 0;        // group 18, stored from 285
    std::uint8_t m_nScale = 1;            // group 20
    std::uint8_t m_nScrollSync = 0;       // group 21, stored from 210
    std::uint8_t m_nSightShape = 0;       // group 22
    std::uint8_t m_nSightRange = 0;       // group 22
    std::uint32_t m_nMaxHP = 10;          // group 23
    std::uint32_t m_nMaxSP = 0;           // group 24
    std::uint16_t m_nStoppability = 10;   // group 31
    std::uint8_t m_nHitRange = 0;         // group 25, stored from 201
    std::uint32_t m_nBodyPower = 0;       // group 26
    std::uint8_t m_nBodyImpact = 0;       // group 27
    std::uint16_t m_nEffectNo = 0;        // group 28
    std::uint32_t m_nDefense = 0;         // group 29, stored from 168
    std::uint8_t m_nImpactResist = 0;     // group 30
    std::uint32_t m_nScore = 0;           // group 34
    std::uint8_t m_nOption49 = 1;         // group 35
    std::uint8_t m_nActivityArea = 0;     // group 32
};

// Copies the groups marked in the flags from the palette entry the character names.
void ApplyCharaInheritance(cEdCharaDef& chara);
// References outside the palettes and the project's lists -> none or a default; empty flows removed.
void ValidateCharaDef(cEdCharaDef& chara);
// The second validation: palette references of the commands of every flow.
void ValidateCharaCommands(cEdCharaDef& chara);
void CopyCharaGroup(cEdCharaDef& dst, const cEdCharaDef& src, int group);

// Inserts a new flag 1 at index k of a 37-flag vector (the old last flag is lost).
void InsertInheritFlag(std::vector<std::uint8_t>& flags, int k);

// Resizes a list of flows to n, new elements copies of the prototype.
void ResizeFlowList(cCheckedVector<cEdFlow>& list, int n, const cEdFlow& prototype);
