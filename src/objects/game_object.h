// The run-time objects of a stage: every live thing is one object of a single family rooted in
// cGameObject.
//
//   cGameObject  geometry (a hit box in stage pixels, doubles), speeds, animation
//     cItem       an item definition; lives in g_Items, and one is embedded in each cStageChara
//     cShot       shot settings and owner; lives in the play scene's shot list
//     cChara      a character definition copied whole, HP, SP, flows, target links
//       cStageChara  the carried item, activation, two part boxes; lives in g_Charas
//       cHero        its player's input; lives in g_Heroes (element 0 is player 1)
//
// Geometry: x and y are the hit box's left and top; right = x + width - 1 and bottom = y +
// height - 1 after every clamp. The picture cell (hit width x hit height, usually 32 x 32 times
// the giant factor) lies so that the hit box sits at the hit offset inside it; the screen
// rectangle is that cell in view coordinates.
//
// Links between objects (a target and those watching it, an owner and its owned objects, a rider
// and what it rides, the faction groups of the play scene) are only made and broken through
// cObjectLinks, which keeps both sides. An object's destructor unlinks it from everything, so
// erasing it from its list, clearing a list at the end of a stage and a defeat all leave no
// pointer to it behind. Copies do not take over the links of their source, except the target
// and the owner, which the copy re-makes through the helper.
#pragma once

#include "app/int_range.h"
#include "app/play_bounds.h"
#include "objects/coord.h"
#include "objects/anim_seq.h"
#include "objects/chara_draw.h"
#include "objects/chara_list.h"
#include "objects/flow_model.h"
#include "objects/object_hooks.h"
#include "objects/scroll_pos.h"
#include "records/ed_chara_def.h"
#include "records/ed_flow.h"
#include "records/ed_item_def.h"
#include "records/ed_shot.h"
#include "records/param_link.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class cChara;
class cItem;
class cShot;
struct cBlock;
struct cInputRecord;
struct cEmission;
struct DDSURFACEDATA;

constexpr int FACTION_COUNT = 8;
constexpr int MAX_GIANT_SCALE = 10;
constexpr int SCORE_MAX = 999999;
// A character's variables: "v1" to "v8" are entries 1 to 8; entry 0 is the first of the list that
// arrangements and variable conditions can name.
constexpr int CHARA_VARIABLE_COUNT = 9;

// Which class an object is, so that the link helper never treats a shot as a character.
enum ObjectKind { OBJKIND_ITEM = 0, OBJKIND_SHOT = 1, OBJKIND_STAGECHARA = 2, OBJKIND_HERO = 3 };

struct cScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A part box of a stage character or shot: the position rectangle and its offsets and size, with
// the unscaled copies.
struct cPartBox {
    double dLeft = 0, dTop = 0, dRight = 0, dBottom = 0;
    int nOffsetX = 0, nOffsetY = 0, nWidth = 0, nHeight = 0;
    int nOffsetX0 = 0, nOffsetY0 = 0, nWidth0 = 0, nHeight0 = 0;
    // Scaled = unscaled x factor.
    void Scale(int factor);
    // Left = int(x) + offset, right = left + width - 1 (the same along y); a box at the ends of the
    // range of int stays there.
    void PlaceX(double x) { PlaceAtX(SaturateInt(x)); }
    void PlaceY(double y) { PlaceAtY(SaturateInt(y)); }
    // The same from a position already cut to int, so that one cut serves every box of an object.
    void PlaceAtX(std::int64_t x) {
        dLeft = SaturateInt(x + nOffsetX);
        dRight = dLeft + nWidth - 1;
    }
    void PlaceAtY(std::int64_t y) {
        dTop = SaturateInt(y + nOffsetY);
        dBottom = dTop + nHeight - 1;
    }
    // A box of size (w, h) centred in the object's 32-pixel cell (mode 0) or standing on its floor
    // (mode 1), for an object whose hit box is at (hitX, hitY) in the cell.
    void SetFromSize(int w, int h, int mode, int hitX, int hitY);
};

class cGameObject {
  public:
    cGameObject() = default;
    cGameObject(const cGameObject& other) { cGameObject::Assign(other); }
    cGameObject& operator=(const cGameObject& other) {
        if (this != &other) Assign(other);
        return *this;
    }

    // ---- Virtual operations, in slot order ----
    virtual ~cGameObject();
    // Copies the base fields (links excepted; the target and owner are re-made on the copy).
    virtual void Assign(const cGameObject& other);
    // Giant scale from factor old to new: sizes x new, x shifted by half the width per step and
    // clamped, then ShiftYForScale and ScaleParts. Nothing at all when the factors are equal.
    virtual void SetScale(int newScale, int oldScale);
    virtual void ScaleParts(int) {}
    virtual void ShiftYForScale(int, int) {}
    virtual void UpdatePartsRectX() {}
    virtual void UpdatePartsRectY() {}
    // Screen centring: moves the object so that its picture cell's centre lies on the given
    // screen pixel. Only characters move; the result forms clear the caller's four-word record and
    // hand it back.
    virtual void SetScreenCenter(int, int) {}
    virtual int* SetScreenCenterR(int* result, int x, int y);
    virtual void SetScreenCenterX(int) {}
    virtual int* SetScreenCenterXR(int* result, int x);
    virtual void SetScreenCenterY(int) {}
    virtual int* SetScreenCenterYR(int* result, int y);

    // ---- Set-up and geometry ----
    void Init(int id, int playerFlag, int playerIndex, int passKind, int picture,
              const cAnimFrame* const* anims, int firstSeq, int hitX, int hitY, int width, int height,
              int hitW, int hitH, int dir, int moveMode, std::int16_t word);
    // (no gravity, block mode): 0 -> (0, 1), 1 -> (1, 0), 2 -> (1, 1), 3 -> (1, 2); others change nothing.
    void SetMoveMode(int mode);
    int GetDirSign() const { return m_nDir > 0 ? 1 : -1; }
    void UpdateScreenRect();
    bool IsOnScreen() const;
    // IsOnScreen for a view whose corner is (viewX, viewY).
    bool IsOnScreenAt(double viewX, double viewY) const {
        return m_dRight >= viewX && m_dX < viewX + VIEW_WIDTH && m_dBottom >= viewY &&
               m_dY < viewY + VIEW_HEIGHT;
    }
    bool IsOnScreenAxes(int skipX, int skipY) const;
    bool IsInsideStage(int strict) const;
    bool RectsOverlap(double left, double top, double right, double bottom) const;
    int ScreenCenterX() const { return m_rcScreen.left + m_nHitW / 2; }
    int ScreenCenterY() const { return m_rcScreen.top + m_nHitH / 2; }
    bool IsChara() const { return m_nObjKind == OBJKIND_STAGECHARA || m_nObjKind == OBJKIND_HERO; }

    // ---- Movement (stage bounds, speeds, block tests) ----
    // Side codes: x 0-3, y 0-6 (see ClampToStageY).
    int MoveX(int mode);
    int MoveY(int mode);
    int ClampToStageX(int mode);
    int ClampToStageY(int mode);
    void ApplyGravity();
    void ApplyFriction(double& speed, int enabled) const;
    bool TouchesSolidBlock() const;
    bool TouchesSolidBlockAt(int) const { return TouchesSolidBlock(); }

    // ---- Fields ----
    int m_nDir = 0; // facing: 0 left, 1 right
    std::int16_t m_nWord16 = 0;
    int m_nPicture = 0;
    int m_nWord2 = 0; // copied, not read here
    cAnimSeq m_AnimSeq;
    cScreenRect m_rcScreen;
    int m_nHitX = 0, m_nHitY = 0, m_nHitW = 0, m_nHitH = 0;     // scaled
    int m_nHitX0 = 0, m_nHitY0 = 0, m_nHitW0 = 0, m_nHitH0 = 0; // unscaled
    int m_nPlayerFlag = 0;
    int m_nPlayerIndex = 0;
    int m_nPassKind = 0; // the kind IsBlockSolid compares with a block's pass kind
    int m_nCellLeft = 0, m_nCellTop = 0, m_nCellRight = 0, m_nCellBottom = 0;
    double m_dVX = 0, m_dVY = 0, m_dAX = 0, m_dAY = 0;
    double m_dDecel = 0;
    int m_bFrictionX = 0, m_bFrictionY = 0;
    std::int16_t m_bScrollSync = 0;
    int m_nWidth = 0, m_nHeight = 0;   // scaled hit box
    int m_nWidth0 = 0, m_nHeight0 = 0; // unscaled
    int m_nBlockMode = 0;
    int m_nWord3 = 0;

    // Links (made and broken only by cObjectLinks).
    cChara* m_pTarget = nullptr;  // the character this object aims at or follows
    cChara* m_pOwner = nullptr;   // the character that fired or owns this object
    cChara* m_pCarrier = nullptr; // the character this one rides on
    int m_nGroupFaction = -1;     // the play scene's faction list it is in, -1 none
    std::vector<cGameObject*>* m_pGroupList = nullptr;
    int m_bTargetLost = 0; // set when the target left play while watched

    // What the walks over every object of a sub-step read, together at the end in one cache line
    // (which a character's defeat mark completes), so that a walk meets few lines of each object.
    alignas(64) cCoord m_dX = 0;
    cCoord m_dY = 0, m_dRight = 0, m_dBottom = 0;
    int m_nId = 0;
    int m_nWord1 = 0; // set to 2,147,483,647 by Init; copied, not read here
    int m_nObjKind = OBJKIND_ITEM;
    int m_bNoGravity = 0;
    int m_bPresent = 0;
    int m_bInView = 0;
    // Marked to leave play: already unlinked, erased from its list once no walk of it is running.
    int m_bRemoved = 0;
};

class cItem : public cGameObject {
  public:
    cItem() { m_nObjKind = OBJKIND_ITEM; }
    cItem(const cItem& other) : cGameObject() {
        m_nObjKind = OBJKIND_ITEM;
        *this = other;
    }
    cItem& operator=(const cItem& other);
    ~cItem() override = default;
    void ShiftYForScale(int newScale, int oldScale) override;
    // x = (margin + column) x 32 + hit offset x + 0.5, y likewise; scale; both clamps in mode 2.
    void SetCellPos(int column, int row);
    // Copies the definition and sets the item up as a 32 x 32 object with the stage's item hit box.
    void Init(int id, const cEdItemDef& def, int column, int row);
    void Draw(DDSURFACEDATA* surface, int still);

    // First, so that it shares the line of the marks every walk over the items reads.
    int m_bTaken = 0; // taken for good; erased after the item walk
    cEdItemDef m_Def;
    int m_bHidden = 0;
    int m_bOverlay = 0;
    int m_nOverlayCount = 0;
    int m_nCellA = 0, m_nCellB = 0;
    int m_nScale = 1;
    // Its command list, counted in what the stage holds.
    cBoundShare m_Held{PlayBound::HeldEntries};
};

// A shot's flight: where it came from, its movement kind with its work values, its own
// velocity and acceleration, and its life.
struct cShotWork {
    int nOwnerId = 0;
    int nCmdType = 11;               // 11 shot, 12 sword
    int nRep = 0;                    // repetition index of its emission
    int nMoveKind = 0;               // 0-9
    int nFrame = 0;                  // frames of its movement kind so far
    int bDone = 0;                   // the movement kind's one-off change has happened
    double dSpeed = 0;               // the movement's speed s, pixels per sub-step
    double dWorkVX = 0, dWorkVY = 0; // own velocity (the scroll comes on top)
    double dAccel = 0;               // own acceleration along the travel
    double dOwnAX = 0, dOwnAY = 0;
    int bOwnAccel = 0;
    int bGravity = 0; // falling ("落下" after its change)
    double dWaveAmp = 0, dWavePhase = 0, dWaveUX = 0, dWaveUY = 0;
    int nLife = 0; // frames left, when limited
    int bLifeLimit = 0;
    int nRangeFrames = 0, bRangeLimit = 0; // flight length in frames
    int bPassBlocks = 0;
    int bSword = 0; // moved by the sword step
    int nSwordFrame = 0, nSwordTick = 0;
};

class cShot : public cGameObject {
  public:
    cShot() { m_nObjKind = OBJKIND_SHOT; }
    cShot(const cShot& other) : cGameObject() {
        m_nObjKind = OBJKIND_SHOT;
        *this = other;
    }
    cShot& operator=(const cShot& other);
    ~cShot() override = default;
    void ScaleParts(int newScale) override { m_Part.Scale(newScale); }
    void ShiftYForScale(int newScale, int oldScale) override;
    void UpdatePartsRectX() override { m_Part.PlaceX(m_dX); }
    void UpdatePartsRectY() override { m_Part.PlaceY(m_dY); }

    // Builds the shot from its settings for the firer (command type 11) or as a sword (12).
    void Init(cChara& owner, int cmdType, const cEdShot& rec, const cEmission& em);
    // One frame of the shot's own movement (the sword step for a sword); 1 when the shot ends.
    int MoveStep();
    void AccelerateX();
    void AccelerateY();
    bool HitsBlock() const;
    // Points (ax, ay) along (dx, dy) with the shot's own acceleration.
    void SetAccelAlong(double& ax, double& ay, double dx, double dy) const;
    void Draw(DDSURFACEDATA* surface, int still);

    cEdShot m_Settings;
    cShotWork m_Work;
    int m_nPower = 0;
    std::int8_t m_nImpact = 0;
    std::uint16_t m_nHitEffect = 0;
    int m_bOwnSpeeds = 0; // the shot carries its own knock-back direction (its speeds)
    int m_nScale = 1;
    cPartBox m_Part;
    // 0: passes through characters and hits each once (swords); else ends at its first hit unless
    // its record lets it pass that kind of character.
    int m_bEndsOnHit = 1;
    std::vector<int> m_HitIds; // ids of the characters already hit
};

// What a jump is asked with: the speed prepared from the jump height and the sound to play. A
// jump command also hands over its instance's speed and started mark (which the hero's jump
// updates), the key-hold limit in frames, the jump kind and whether its key is held.
struct cJumpRequest {
    double m_dJumpSpeed = 0.0;
    int m_nSound = 0;
    double* m_lpSpeed = nullptr;
    int* m_lpStarted = nullptr;
    int m_nHoldLimit = 0;
    int m_nKind = 0;
    int m_bKeyHeld = 1;
    int m_bHasKeySteps = 0;
};

// Marks and requests of the movement commands on a character, kept per frame.
struct cCharaMotion {
    int bMoveCmd = 0;    // a move command ran this frame
    int bJumpActive = 0; // a jump command ran this frame
    int bDash = 0;
    int bStopped = 0;  // "移動の無効化" ran
    int bTurnBack = 0; // riding: turn back at the next ground walk (carrier: m_nRiddenId)
};

struct cGauge {
    int nFrames = 0;      // frames left to show
    double dChange = 0;   // change still shown, fiftieths of the gauge
    double dPerFrame = 0; // change taken off per frame
    int nShown = 0;       // shown part, 0-50
};

struct cAttackerTimer {
    int nId = 0;
    int nFrames = 0;
};

// The attackers a character is invincible to, each for its own count of frames, in the order they
// struck. Most characters have none: the timers live out of the object, which holds one pointer
// (null while there are none) and the ticks to the soonest end, so that the tick every sub-step
// gives every character reads nothing else until a timer ends.
class cAttackerTimers {
  public:
    cAttackerTimers() = default;
    cAttackerTimers(const cAttackerTimers& other) { *this = other; }
    cAttackerTimers& operator=(const cAttackerTimers& other);
    bool empty() const { return !m_pTimers || m_pTimers->ids.empty(); }
    void push_back(const cAttackerTimer& timer);
    void clear() {
        m_pTimers.reset();
        m_nPending = 0;
        m_nToSoonest = 0;
    }
    // Every timer counts one frame down; those that reach 0 end.
    void Tick() {
        if (!m_pTimers) return;
        ++m_nPending;
        if (--m_nToSoonest <= 0) TickTimers();
    }
    bool Holds(int attackerId) const { return m_pTimers && Finds(attackerId); }

  private:
    // Up to this many ids a look-up reads them in the first line of the timers; more are found
    // through the table.
    static constexpr std::size_t FEW = 8;
    // A table entry: the id in the low half, this bit above it; 0 for none.
    static constexpr std::uint64_t TAKEN = std::uint64_t{1} << 32;
    static std::size_t TableHome(int id, unsigned shift) {
        return (static_cast<std::uint32_t>(id) * 0x9E3779B9u) >> shift;
    }
    void TickTimers();
    bool Finds(int attackerId) const {
        const cTimers& t = *m_pTimers;
        if (t.table.empty()) {
            for (std::uint32_t k = 0; k < t.count; ++k)
                if (t.few[k] == attackerId) return true;
            return false;
        }
        const std::uint64_t* table = t.table.data();
        const std::size_t mask = t.table.size() - 1;
        const std::uint64_t want = TAKEN | static_cast<std::uint32_t>(attackerId);
        for (std::size_t k = TableHome(attackerId, t.shift); table[k] != 0; k = (k + 1) & mask)
            if (table[k] == want) return true;
        return false;
    }
    // What a look-up reads comes first, in one line: the count, and the ids themselves while they
    // are few, else an open table of them by id (at most half full). Apart from them, the ids in
    // the order they struck and the ticks their timers end at. The ticks counted are brought in
    // from the object's count at each change, and the timers are looked at only once the soonest
    // end is reached.
    struct alignas(64) cTimers {
        std::uint32_t count = 0;
        unsigned shift = 0;
        std::vector<std::uint64_t> table;
        int few[FEW] = {};
        std::vector<int> ids;
        std::vector<std::int64_t> ends;
        std::int64_t ticks = 0, soonest = 0;
        void Index();
        void Add(std::size_t at);
    };
    std::unique_ptr<cTimers> m_pTimers;
    // The ticks since the timers last counted them, and those left until the soonest end.
    std::uint32_t m_nPending = 0;
    std::int32_t m_nToSoonest = 0;
};

class cChara : public cGameObject {
  public:
    cChara() = default;
    cChara(const cChara& other) : cGameObject() { cChara::operator=(other); }
    ~cChara() override;

    void ShiftYForScale(int newScale, int oldScale) override;
    void SetScreenCenter(int x, int y) override;
    void SetScreenCenterX(int px) override;
    void SetScreenCenterY(int py) override;
    // ---- Character slots, in order ----
    // Whole-object copy: every field by value, flows re-linked to the copy's own definitions.
    virtual cChara& operator=(const cChara& other);
    virtual cItem* GetCarriedItem() { return nullptr; }
    virtual int AfterMoveX() { return 0; }
    virtual int AfterMoveY() { return 0; }
    virtual int StepX() { return 0; }
    virtual int StepY() { return 0; }
    virtual int RunFlows(int) { return 0; }
    // Refused (returning the first non-zero reason) while falling, falling from a ceiling, knocked
    // back or with air frames counted; otherwise jumps and returns 1.
    virtual int Jump(const cJumpRequest& jump);

    // ---- Set-up ----
    // Copies the definition and fills HP, SP and the flows from it; the variables start at 0.
    void SetDefinition(const cEdCharaDef& def);
    void SetCellPos(int column, int row);
    void SavePosition();
    void RestorePosition();
    // Rebuilds the animation sequences from animation set `set` of the project (unless force is 0
    // and the set is already current).
    void ChangeAnimSet(int set, int force);
    int Scale() const { return m_Def.m_nScale == 0 ? 1 : m_Def.m_nScale; }
    std::int8_t Impact() const { return static_cast<std::int8_t>(m_Def.m_nBodyImpact); }

    // ---- Movement ----
    void ApplyGravity();
    // Each sub-step a push runs down toward 0; kept inline for the steps, which mostly have none.
    void DecayPushX() {
        if (m_dPushX != 0) DecayToZero(m_dPushX);
    }
    void DecayPushY() {
        if (m_dPushY != 0) DecayToZero(m_dPushY);
    }
    static void DecayToZero(double& push);
    // The vertical push before each vertical step.
    void ApplyVerticalPush();
    void ApplyPush(std::int8_t power, double dx, double dy);
    void PushByChara(const cChara& attacker);
    void PushByShot(const cShot& shot);
    void Land();
    void HitCeiling();
    void ClearHoldState(int set);
    bool IsStandingOnSolid() const;
    double JumpSpeedForHeight(int halfBlocks) const;
    int JumpTimeForHeight(int halfBlocks) const;

    // ---- HP, SP, invincibility, hits, defeat ----
    int AddHP(std::int64_t delta, int force, int show);
    int AddSP(std::int64_t delta, int show);
    void ShowHPGauge(std::int64_t delta);
    void ShowSPGauge(std::int64_t delta);
    void StartInvincibility();
    void StartInvincibilityFrom(int attackerId);
    void TickInvincibility();
    bool IsInvincible() const { return m_nInvincible > 0; }
    bool IsInvincibleTo(int attackerId) const {
        return m_nInvincible > 0 || m_AttackerTimers.Holds(attackerId);
    }
    int TakeHitFromChara(cChara& attacker);
    int TakeHitFromShot(cShot& shot);
    int Defeat();

    // ---- Flow triggers of this frame ----
    // Raises trigger kind k (0-19): the flow engine tests and starts the flows of that kind at once;
    // without it the kind is kept for TriggerRaisedFlows.
    void RaiseTrigger(int kind);
    void ClearFrameFlag();

    // ---- Fields ----
    // Read by the walks over every character of a sub-step, right after the object's own (the end
    // of cGameObject): the defeat mark in its line, what the start of a sub-step reads and writes
    // (invincibility, touches, saved position) and the awake test's marks in the next, and the
    // definition, whose own such fields start the line after its header.
    int m_bDefeated = 0;
    int m_nInvincible = 0;
    std::uint8_t m_nTouchLeft = 0, m_nTouchRight = 0, m_nTouchTop = 0, m_nTouchBottom = 0; // 0 or 1
    int m_bAirborne = 0, m_bFalling = 0;
    double m_SavedPos[4] = {0, 0, 0, 0}; // kept at the start of each sub-step
    cAttackerTimers m_AttackerTimers;
    alignas(64) cEdCharaDef m_Def;

    std::vector<cGameObject*> m_Watchers; // objects whose target is this character
    std::vector<cGameObject*> m_Owned;    // objects this character owns
    std::vector<cChara*> m_Riders;        // characters riding on this one
    std::vector<cFlow> m_Flows;
    std::vector<std::uint32_t> m_FlowGroupBits;
    cCharaFlowState m_FlowState; // the flow engine's counters and marks beside the flows
    cCharaMotion m_Motion;
    int m_nCurAnimSet = -1;
    int m_bKnockBack = 0, m_bJumped = 0, m_nAirFrames = 0;
    int m_bCeilingFall = 0, m_bLanded = 0, m_bHitCeiling = 0, m_bHold = 0, m_bMoveOff = 0;
    int m_bHold2 = 0;
    int m_nApexFrames = 0; // the frames a jump takes to its apex, kept from its start until landing
    const cBlock* m_lpStandBlock = nullptr;
    double m_dPushX = 0, m_dPushY = 0, m_dPrevPushY = 0;
    int m_nHP = 0;
    cGauge m_HPGauge;
    int m_nSP = 0;
    cGauge m_SPGauge;
    int m_nLightRadius = 0;
    std::vector<int> m_Vars;
    int m_nCharaEffect = 0;
    // Trigger kinds raised this frame, as bits and in the order raised.
    std::uint32_t m_nTriggerBits = 0;
    std::vector<int> m_RaisedTriggers;

    // The block walk and block characters.
    int m_nWallSide = 0;                   // the last wall touched: 0 left, 1 right
    int m_bRiding = 0;                     // stands on a block character
    int m_nRiddenId = 0;                   // the block character it stands on
    double m_RiddenRect[4] = {0, 0, 0, 0}; // that block character's rectangle at the last landing
    int m_nBlockOverlap = 0;               // 2 while a block placed over it must not squeeze it

    // ---- Drawing (chara_draw.cpp) ----
    // An animation attached by an animation command: it replaces the own pattern while it runs.
    struct cAttachedAnim {
        cAnimSeq seq;
        int bPriority = 0;
        int nFrames = 0; // frames left
        int nCount = 0;  // a second count
        int nId = 0;
        int bHeld = 0; // a held entry neither ticks nor is drawn
    };
    std::list<cAttachedAnim> m_AttachedAnims;
    // Every entry with that id goes.
    void EraseEffectsById(int id);
    // An entry with that id goes when its time is out, else it is held.
    void EndEffectsById(int id);
    void ReleaseEffectsById(int id);
    // The running character effect (started lazily from m_nCharaEffect when the two differ).
    cCharaEffectState m_EffectState;
    int m_nDefeatCount = 0; // frames of the defeat display without an effect
};

inline void cChara::SavePosition() {
    m_SavedPos[0] = m_dX;
    m_SavedPos[1] = m_dY;
    m_SavedPos[2] = m_dRight;
    m_SavedPos[3] = m_dBottom;
}
inline void cChara::ClearFrameFlag() {
    m_nTouchLeft = m_nTouchRight = m_nTouchTop = m_nTouchBottom = 0;
}
inline void cChara::TickInvincibility() {
    if (m_nInvincible > 0) --m_nInvincible;
    m_AttackerTimers.Tick();
}

class cStageChara : public cChara {
  public:
    cStageChara() { m_nObjKind = OBJKIND_STAGECHARA; }
    cStageChara(const cStageChara& other) : cChara() {
        m_nObjKind = OBJKIND_STAGECHARA;
        *this = other;
    }
    cStageChara& operator=(const cStageChara& other) {
        cStageChara::operator=(static_cast<const cChara&>(other));
        return *this;
    }
    ~cStageChara() override = default;

    void ScaleParts(int newScale) override;
    void UpdatePartsRectX() override;
    void UpdatePartsRectY() override;
    cChara& operator=(const cChara& other) override;
    cItem* GetCarriedItem() override { return m_bHasItem ? &m_Item : nullptr; }
    int AfterMoveX() override;
    int AfterMoveY() override;
    int StepX() override;
    int StepY() override;
    int RunFlows(int dying) override;

    // Builds the character from its definition: hit box from the stage's sizes, giant factor,
    // carried item, activation switches, first animation sequence.
    void Init(int id, const cEdCharaDef& def, const cItem* carried);
    // Activation: active while the rectangle meets the view on the axes that count; an active
    // character with a group switch marks its group in `switches`, which grows to hold the mark.
    void UpdateActive(std::vector<std::int32_t>& switches);
    int CheckAwake(std::vector<std::int32_t>& switches);
    // Awake whatever the group switches: active, or (under gravity) airborne, or falling after it
    // was once awake.
    bool MayBeAwake() const;

    // The activation and the part boxes, which the walks of a sub-step read, before the item: the
    // activation and the placed rectangle of the first box in one cache line, the second box's in
    // the next (a box's unscaled sizes, which only a change of scale reads, come last in it).
    alignas(64) int m_bActive = 0;
    int m_bSkipAreaX = 0, m_bSkipAreaY = 0;
    int m_bEverActive = 0;
    cPartBox m_Parts[2];
    int m_bHasItem = 0;
    cItem m_Item;
};

struct cBoxDisplay {
    int nBox = 0, nStyle = 0, nColour = 0, nWidth = 0, nHeight = 0;
    int nCounter = 0; // drawings of the box, 0-31: picks one of its colour's four entries
};

// The hero's own work: jump, dash, the flow driver's counter and the flow changes it applies after
// its flows.
struct cHeroWork {
    int nDriverFrames = 0;
    int nHeldFrames = 0;
    int bReady = 1;
    int bNoExtend = 0;
    double dBaseJump = 0; // 4.0 / frame scale
    int nDashKind = 0;
    double dDashFactor = 1.0;
    int nMoveType = 0;
    int nGravityCounter = 0;
    int nContact = 0, nLastContact = 0; // contact words of this frame and the last
    std::vector<cEdFlowCmd> pendingFlowChanges;
    std::vector<cBoxDisplay> boxes;
    ParamLinkList pendingLinks;
};

// Places every part box of an object at its position, cut to int once for all boxes; kept inline
// for the steps that place them after every move.
template <std::size_t N> inline void PlacePartsX(cPartBox (&parts)[N], double x) {
    const std::int64_t cut = SaturateInt(x);
#pragma GCC unroll 4
    for (cPartBox& p : parts)
        p.PlaceAtX(cut);
}
template <std::size_t N> inline void PlacePartsY(cPartBox (&parts)[N], double y) {
    const std::int64_t cut = SaturateInt(y);
#pragma GCC unroll 4
    for (cPartBox& p : parts)
        p.PlaceAtY(cut);
}

inline void cStageChara::UpdatePartsRectX() {
    PlacePartsX(m_Parts, m_dX);
}
inline void cStageChara::UpdatePartsRectY() {
    PlacePartsY(m_Parts, m_dY);
}

class cHero : public cChara {
  public:
    cHero() { m_nObjKind = OBJKIND_HERO; }
    cHero(const cHero& other) : cChara() {
        m_nObjKind = OBJKIND_HERO;
        *this = other;
    }
    cHero& operator=(const cHero& other) {
        cHero::operator=(static_cast<const cChara&>(other));
        return *this;
    }
    ~cHero() override = default;

    void ScaleParts(int newScale) override;
    void UpdatePartsRectX() override;
    void UpdatePartsRectY() override;
    cChara& operator=(const cChara& other) override;
    // Until the hero's own step exists, a hero is held inside the stage like a stage character.
    int AfterMoveX() override;
    int AfterMoveY() override;
    int StepX() override;
    int StepY() override;

    void Init(int id, const cEdCharaDef& def, int column, int row, int word1, int word2);
    void SetMoveType(int type, int scaleToo);
    void LatchState();
    void SaveFacing() { m_nSavedDir = m_nDir; }
    // A notice of a picture (kind, number, argument as a character's) rising above the hero.
    void PushMessage(int pictureKind, int pictureNo, int pictureArg);
    int RunFlows(int dying) override;
    int Jump(const cJumpRequest& jump) override;
    void BuildHitRanges();
    // Runs an item's commands for this hero: 0 all ran, 1 stopped by a handler (stage clear),
    // 2 the hero's HP fell below 1.
    int RunItemCommands(cCheckedVector<cEdFlowCmd>& commands);

    cInputRecord* m_lpInput = nullptr;
    cHeroWork m_Work;
    int m_nSavedDir = 0;
    std::list<int> m_TouchingItems;
    int m_nJumpCount = 0, m_nJumpHold = 0;
    int m_nDashState = 0;
    cPartBox m_Parts[3];
    std::vector<cScreenRect> m_BoxDisplay;
};

extern std::vector<cHero> g_Heroes;
extern cStageCharaList g_Charas;
extern std::list<cItem> g_Items;
// How many characters and items the stage set-up placed; summons are bounded beyond these.
extern std::size_t g_nPlacedCharas, g_nPlacedItems;
// The characters or items in play beyond those the stage placed.
inline std::size_t BeyondPlaced(std::size_t inPlay, std::size_t placed) {
    return inPlay > placed ? inPlay - placed : 0;
}
extern int g_nScore;

cChara* FindCharaById(int id);
