// The records of the project database's ten lists: animations and animation sets, sword types and
// effect animations, character and screen effects, special character bitmaps, pictures, sounds
// and music. Each class has two sets of defaults: those of its constructor (the database's own
// default entries) and those of ListDefault(), the element a list reader copies before loading.
#pragma once

#include "app/checked_containers.h"
#include "records/effect_kinds.h"
#include "records/serial_record.h"

#include <cstdint>
#include <string>

// ---- Animations ----

// One frame of an animation: a cell of the picture sheet shown for nTime tenths of a second.
class cEdAnimeFrame : public cSerialRecord {
  public:
    std::int32_t nPattern = 0;
    std::int32_t nTime = 0;
    std::int32_t bInterruptible = 0; // from this frame on the animation may be switched away

    cEdAnimeFrame(); // nTime 1
    static cEdAnimeFrame ListDefault();
    void RegisterMembers(std::int32_t version) override;
};

class cEdAnime : public cSerialRecord {
  public:
    std::string szName;
    cCheckedVector<cEdAnimeFrame> m_Frames;
    std::int16_t wValueA = 0; // editor settings, kept as read
    std::uint8_t bValueB = 0;
    std::int16_t wValueC = 0;

    cEdAnime(); // registered and Reset
    // The class's reset: every member 0, one reset frame, bValueB 1.
    void Reset();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

class cEdAnimeSet : public cSerialRecord {
  public:
    std::string szName;
    std::int32_t nPatternOffsetA = 0;
    std::int32_t nPatternOffsetB = 0;
    std::int32_t nPatternOffsetC = 0;
    cCheckedVector<cEdAnime> m_Animes;

    cEdAnimeSet(); // registered and Reset
    // The class's reset: offsets 4, 8, 0 and the four named default animations.
    void Reset();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

// ---- Sword types and effect animations ----

class cEdSwordFrame : public cSerialRecord {
  public:
    std::int32_t nOffsetX = 0;
    std::int32_t nOffsetY = 0;
    std::int32_t bMirrorX = 0;
    std::int32_t bMirrorY = 0;
    std::int32_t nPlacement = 0;
    std::int32_t nCellX = 0;
    std::int32_t nCellY = 0;
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    std::int32_t nTime = 0;

    cEdSwordFrame();
    void RegisterMembers(std::int32_t version) override;
};

class cEdSwordType : public cSerialRecord {
  public:
    std::string szName;
    std::int32_t nTag = 0;
    std::string szFileName;  // picture while facing left
    std::string szFileName2; // picture while facing right
    cCheckedVector<cEdSwordFrame> m_Frames;

    cEdSwordType(); // registered and Reset
    // The class's reset: every member 0 and one frame with nTime 1.
    void Reset();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

class cEdEffectFrame : public cSerialRecord {
  public:
    std::int32_t nPattern = 0;
    std::int32_t nTime = 0;

    cEdEffectFrame();
    void RegisterMembers(std::int32_t version) override;
};

class cEdEffect : public cSerialRecord {
  public:
    std::string szName;
    std::int32_t nTag = 0;
    std::string szFileName;
    std::int32_t nCellWidth = 0;
    std::int32_t nCellHeight = 0;
    std::int32_t bScalable = 0;
    cCheckedVector<cEdEffectFrame> m_Frames;

    cEdEffect();                    // 32 x 32 cells, no frames
    static cEdEffect ListDefault(); // every field 0, no frames
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

// ---- Character effects and screen effects ----

// The members shared by the two effect record classes.
class cEffectRecordBase : public cSerialRecord {
  public:
    std::string szName;
    std::int32_t nKind = 0;
    std::int32_t nParam[5] = {0, 0, 0, 0, 0}; // parameters 1 to 5

    void RegisterMembers(std::int32_t version) override;
};

class cEffectRecord : public cEffectRecordBase {
  public:
    cEffectRecord();                    // kind 1
    static cEffectRecord ListDefault(); // kind 0
    bool Load(std::FILE* fp) override;
};

class cScrEffectRecord : public cEffectRecordBase {
  public:
    cScrEffectRecord();                    // kind 1
    static cScrEffectRecord ListDefault(); // kind 0
    bool Load(std::FILE* fp) override;
};

// ---- Special bitmaps, pictures, sounds, music ----

class cEdBmpCharaExc : public cSerialRecord {
  public:
    std::string szName;
    std::int32_t nTag = 0;
    std::string szFileName;
    std::int32_t bCustomCell = 0; // cells of nCellBlocks x 32 pixels instead of 32
    std::int32_t nCellBlocks = 0;

    cEdBmpCharaExc();                    // nCellBlocks 2
    static cEdBmpCharaExc ListDefault(); // every field 0
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    // Cell size in pixels of the sheet (a stored block count too large for it saturates).
    std::int32_t CellSize() const {
        if (!bCustomCell) return 32;
        const std::int64_t size = static_cast<std::int64_t>(nCellBlocks) * 32;
        return static_cast<std::int32_t>(size > INT32_MAX ? INT32_MAX : size < INT32_MIN ? INT32_MIN : size);
    }
};

// A display name and a media file, with the tag stored from version 151.
class cEdMediaRecord : public cSerialRecord {
  public:
    std::string szName;
    std::int32_t nTag = 0;
    std::string szFileName;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
};

class cEdPicture : public cEdMediaRecord {
  public:
    cEdPicture();
};

class cEdBgm : public cEdMediaRecord {
  public:
    cEdBgm();
};

class cEdSound : public cEdMediaRecord {
  public:
    cEdSound();
};
