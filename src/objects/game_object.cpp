#include "objects/game_object.h"
#include "objects/object_hooks.h"

#include "app/int_range.h"
#include "objects/flow_calls.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>
#include <climits>

std::vector<cHero> g_Heroes;
cStageCharaList g_Charas;
std::vector<std::uintptr_t>* g_pCoordWrites = nullptr;
std::list<cItem> g_Items;
std::size_t g_nPlacedCharas = 0, g_nPlacedItems = 0;
int g_nScore = 0;
ObjectHooks g_ObjectHooks;

// ---- Part boxes ----

void cPartBox::Scale(int factor) {
    nOffsetX = nOffsetX0 * factor;
    nOffsetY = nOffsetY0 * factor;
    nWidth = nWidth0 * factor;
    nHeight = nHeight0 * factor;
}

void cPartBox::SetFromSize(int w, int h, int mode, int hitX, int hitY) {
    nWidth0 = nWidth = w;
    nHeight0 = nHeight = h;
    nOffsetX0 = nOffsetX = 16 - hitX - w / 2;
    nOffsetY0 = nOffsetY = mode == 1 ? 32 - hitY - h : 16 - hitY - h / 2;
}

// ---- cGameObject ----

cGameObject::~cGameObject() {
    cObjectLinks::UnlinkObject(*this);
}

void cGameObject::Assign(const cGameObject& o) {
    m_nId = o.m_nId;
    NoteCoordLineWritten(&m_nId);
    m_nWord1 = o.m_nWord1;
    m_nDir = o.m_nDir;
    m_nWord16 = o.m_nWord16;
    m_nPicture = o.m_nPicture;
    m_nWord2 = o.m_nWord2;
    m_AnimSeq = o.m_AnimSeq;
    m_rcScreen = o.m_rcScreen;
    m_nHitX = o.m_nHitX, m_nHitY = o.m_nHitY, m_nHitW = o.m_nHitW, m_nHitH = o.m_nHitH;
    m_nHitX0 = o.m_nHitX0, m_nHitY0 = o.m_nHitY0, m_nHitW0 = o.m_nHitW0, m_nHitH0 = o.m_nHitH0;
    m_nPlayerFlag = o.m_nPlayerFlag;
    m_nPlayerIndex = o.m_nPlayerIndex;
    m_nPassKind = o.m_nPassKind;
    m_dX = o.m_dX, m_dY = o.m_dY, m_dRight = o.m_dRight, m_dBottom = o.m_dBottom;
    m_nCellLeft = o.m_nCellLeft, m_nCellTop = o.m_nCellTop;
    m_nCellRight = o.m_nCellRight, m_nCellBottom = o.m_nCellBottom;
    m_dVX = o.m_dVX, m_dVY = o.m_dVY, m_dAX = o.m_dAX, m_dAY = o.m_dAY;
    m_dDecel = o.m_dDecel;
    m_bFrictionX = o.m_bFrictionX, m_bFrictionY = o.m_bFrictionY;
    m_bScrollSync = o.m_bScrollSync;
    m_nWidth = o.m_nWidth, m_nHeight = o.m_nHeight, m_nWidth0 = o.m_nWidth0, m_nHeight0 = o.m_nHeight0;
    m_bNoGravity = o.m_bNoGravity;
    m_nBlockMode = o.m_nBlockMode;
    m_bPresent = o.m_bPresent;
    m_bInView = o.m_bInView;
    m_nWord3 = o.m_nWord3;
    // The copy watches the same target and belongs to the same owner, both sides recorded.
    cObjectLinks::SetTarget(*this, o.m_pTarget);
    cObjectLinks::SetOwner(*this, o.m_pOwner);
    m_bTargetLost = o.m_bTargetLost;
}

void cGameObject::Init(int id, int playerFlag, int playerIndex, int passKind, int picture,
                       const cAnimFrame* const* anims, int firstSeq, int hitX, int hitY, int width,
                       int height, int hitW, int hitH, int dir, int moveMode, std::int16_t word) {
    m_nId = id;
    NoteCoordLineWritten(&m_nId);
    m_nWord1 = INT_MAX;
    m_nPlayerFlag = playerFlag;
    m_nPlayerIndex = playerIndex;
    m_nPassKind = passKind;
    m_nPicture = picture;
    m_nHitX = m_nHitX0 = hitX;
    m_nHitY = m_nHitY0 = hitY;
    m_nWidth = m_nWidth0 = width;
    m_nHeight = m_nHeight0 = height;
    m_nHitW = m_nHitW0 = hitW;
    m_nHitH = m_nHitH0 = hitH;
    m_nDir = dir;
    m_nWord16 = word;
    m_dVX = m_dVY = m_dAX = m_dAY = 0.0;
    m_bPresent = m_bInView = m_nWord3 = 0;
    if (anims) {
        m_AnimSeq.Build(anims);
        m_AnimSeq.SetSequence(firstSeq, 1);
    }
    SetMoveMode(moveMode);
}

void cGameObject::SetMoveMode(int mode) {
    static const int table[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, 2}};
    if (mode < 0 || mode > 3) return;
    m_bNoGravity = table[mode][0];
    m_nBlockMode = table[mode][1];
}

void cGameObject::SetScale(int newScale, int oldScale) {
    if (newScale == oldScale) return;
    m_nWidth = m_nWidth0 * newScale;
    m_nHeight = m_nHeight0 * newScale;
    m_nHitX = m_nHitX0 * newScale;
    m_nHitY = m_nHitY0 * newScale;
    m_nHitW = m_nHitW0 * newScale;
    m_nHitH = m_nHitH0 * newScale;
    m_dX -= (m_nWidth0 / 2) * (newScale - oldScale);
    ClampToStageX(2);
    ShiftYForScale(newScale, oldScale);
    ScaleParts(newScale);
}

int* cGameObject::SetScreenCenterR(int* result, int x, int y) {
    SetScreenCenter(x, y);
    if (result) std::fill(result, result + 4, 0);
    return result;
}
int* cGameObject::SetScreenCenterXR(int* result, int x) {
    SetScreenCenterX(x);
    if (result) std::fill(result, result + 4, 0);
    return result;
}
int* cGameObject::SetScreenCenterYR(int* result, int y) {
    SetScreenCenterY(y);
    if (result) std::fill(result, result + 4, 0);
    return result;
}

namespace {

// The view's corner, the play scene's or, with none, the default view's. Each of the many walks
// over every object reads it once an object: with the scene present it is two loads, and the tests
// below go to the default view's in a call of their own, so that the usual way keeps no frame.
struct cViewCorner {
    double x, y;
};
cViewCorner DefaultViewCorner() {
    return {DefaultView(0).m_dPos, DefaultView(1).m_dPos};
}

void PlaceScreenRect(cGameObject& o, cViewCorner v) {
    o.m_rcScreen.left = static_cast<int>(o.m_dX - o.m_nHitX - static_cast<int>(v.x));
    o.m_rcScreen.right = o.m_rcScreen.left + o.m_nHitW - 1;
    o.m_rcScreen.top = static_cast<int>(o.m_dY - o.m_nHitY - static_cast<int>(v.y));
    o.m_rcScreen.bottom = o.m_rcScreen.top + o.m_nHitH - 1;
}
[[gnu::noinline, gnu::cold]] void PlaceScreenRectInDefaultView(cGameObject& o) {
    PlaceScreenRect(o, DefaultViewCorner());
}

bool OnScreenAxes(const cGameObject& o, int skipX, int skipY, cViewCorner v) {
    if (!skipX && !(o.m_dRight >= v.x && o.m_dX < v.x + VIEW_WIDTH)) return false;
    if (!skipY && !(o.m_dBottom >= v.y && o.m_dY < v.y + VIEW_HEIGHT)) return false;
    return true;
}
[[gnu::noinline, gnu::cold]] bool OnScreenAxesInDefaultView(const cGameObject& o, int skipX, int skipY) {
    return OnScreenAxes(o, skipX, skipY, DefaultViewCorner());
}

} // namespace

void cGameObject::UpdateScreenRect() {
    const cGameScene* scene = g_lpGameScene;
    if (!scene) [[unlikely]]
        return PlaceScreenRectInDefaultView(*this);
    PlaceScreenRect(*this, {scene->m_ScrollX.m_dPos, scene->m_ScrollY.m_dPos});
}

bool cGameObject::IsOnScreenAxes(int skipX, int skipY) const {
    const cGameScene* scene = g_lpGameScene;
    if (!scene) [[unlikely]]
        return OnScreenAxesInDefaultView(*this, skipX, skipY);
    return OnScreenAxes(*this, skipX, skipY, {scene->m_ScrollX.m_dPos, scene->m_ScrollY.m_dPos});
}

bool cGameObject::IsOnScreen() const {
    const cGameScene* scene = g_lpGameScene;
    if (!scene) [[unlikely]]
        return OnScreenAxesInDefaultView(*this, 0, 0);
    return IsOnScreenAt(scene->m_ScrollX.m_dPos, scene->m_ScrollY.m_dPos);
}

bool cGameObject::IsInsideStage(int strict) const {
    const cScrollPos& vx = ViewX();
    const cScrollPos& vy = ViewY();
    if (strict)
        return m_dX >= 0 && m_dRight < vx.ObjectExtent() && m_dY >= 0 && m_dBottom < vy.ObjectExtent();
    return m_dX >= vx.OuterLow() && m_dRight < vx.OuterHigh() && m_dY >= vy.OuterLow() &&
           m_dBottom < vy.OuterHigh();
}

bool cGameObject::RectsOverlap(double left, double top, double right, double bottom) const {
    return m_dX <= right && m_dRight >= left && m_dY <= bottom && m_dBottom >= top;
}

// ---- cItem and cShot ----

cItem& cItem::operator=(const cItem& o) {
    if (this == &o) return *this;
    Assign(o);
    m_Def = o.m_Def;
    m_bHidden = o.m_bHidden;
    m_bOverlay = o.m_bOverlay;
    m_nOverlayCount = o.m_nOverlayCount;
    m_nCellA = o.m_nCellA;
    m_nCellB = o.m_nCellB;
    m_nScale = o.m_nScale;
    m_bTaken = o.m_bTaken;
    m_Held = o.m_Held;
    return *this;
}

void cItem::ShiftYForScale(int newScale, int oldScale) {
    m_dY -= (m_nHeight0 + m_nHitY0) * (newScale - oldScale);
    ClampToStageY(2);
}

void cItem::SetCellPos(int column, int row) {
    m_dX = (ViewX().m_nMargin + column) * BLOCK_SIZE + m_nHitX0 + 0.5;
    m_dY = (ViewY().m_nMargin + row) * BLOCK_SIZE + m_nHitY0;
    SetScale(m_nScale, 1);
    ClampToStageX(2);
    ClampToStageY(2);
}

cShot& cShot::operator=(const cShot& o) {
    if (this == &o) return *this;
    Assign(o);
    m_Settings = o.m_Settings;
    m_nPower = o.m_nPower;
    m_nImpact = o.m_nImpact;
    m_nHitEffect = o.m_nHitEffect;
    m_bOwnSpeeds = o.m_bOwnSpeeds;
    m_nScale = o.m_nScale;
    m_Part = o.m_Part;
    m_Work = o.m_Work;
    m_bEndsOnHit = o.m_bEndsOnHit;
    m_HitIds = o.m_HitIds;
    return *this;
}

void cShot::ShiftYForScale(int newScale, int oldScale) {
    m_dY -= (m_nHeight0 / 2) * (newScale - oldScale);
    ClampToStageY(2);
}

// ---- cChara ----

cChara::~cChara() {
    cObjectLinks::UnlinkChara(*this);
}

cChara& cChara::operator=(const cChara& o) {
    if (this == &o) return *this;
    Assign(o);
    m_Def = o.m_Def;
    // The flows and their commands run the copy's own definitions.
    m_Flows = o.m_Flows;
    for (cFlow& f : m_Flows) {
        f.m_lpDef =
            (f.m_nIndex >= 0 && f.m_nIndex < m_Def.m_Flows.Count()) ? &m_Def.m_Flows[f.m_nIndex] : nullptr;
        const std::size_t n = f.m_lpDef ? std::min(f.m_Commands.size(), f.m_lpDef->m_Commands.size()) : 0;
        for (std::size_t k = 0; k < n; ++k)
            f.m_Commands[k].m_lpRecord = const_cast<cEdFlowCmd*>(&f.m_lpDef->m_Commands[k]);
    }
    m_FlowGroupBits = o.m_FlowGroupBits;
    // The copy's counters and marks, but no walk of its flows is running.
    m_FlowState = o.m_FlowState;
    m_FlowState.nWalking = 0;
    m_FlowState.ListChanged();
    m_nCurAnimSet = o.m_nCurAnimSet;
    m_bKnockBack = o.m_bKnockBack, m_bJumped = o.m_bJumped, m_bAirborne = o.m_bAirborne;
    m_bFalling = o.m_bFalling, m_nAirFrames = o.m_nAirFrames, m_bCeilingFall = o.m_bCeilingFall;
    m_bLanded = o.m_bLanded, m_bHitCeiling = o.m_bHitCeiling, m_bHold = o.m_bHold, m_bMoveOff = o.m_bMoveOff;
    m_bHold2 = o.m_bHold2, m_nApexFrames = o.m_nApexFrames;
    m_lpStandBlock = o.m_lpStandBlock;
    m_dPushX = o.m_dPushX, m_dPushY = o.m_dPushY, m_dPrevPushY = o.m_dPrevPushY;
    m_bDefeated = o.m_bDefeated;
    m_nTouchLeft = o.m_nTouchLeft, m_nTouchRight = o.m_nTouchRight;
    m_nTouchTop = o.m_nTouchTop, m_nTouchBottom = o.m_nTouchBottom;
    m_nHP = o.m_nHP;
    m_HPGauge = o.m_HPGauge;
    m_nSP = o.m_nSP;
    m_SPGauge = o.m_SPGauge;
    m_nInvincible = o.m_nInvincible;
    m_AttackerTimers = o.m_AttackerTimers;
    m_nLightRadius = o.m_nLightRadius;
    m_Vars = o.m_Vars;
    m_nCharaEffect = o.m_nCharaEffect;
    m_nTriggerBits = o.m_nTriggerBits;
    m_RaisedTriggers = o.m_RaisedTriggers;
    m_Motion = o.m_Motion;
    std::copy(std::begin(o.m_SavedPos), std::end(o.m_SavedPos), m_SavedPos);
    // What the drawing keeps: attached animations, the running effect and the defeat count.
    m_AttachedAnims = o.m_AttachedAnims;
    m_EffectState = o.m_EffectState;
    m_nDefeatCount = o.m_nDefeatCount;
    return *this;
}

namespace {
int ClampToInt(std::uint32_t v) {
    return v > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(v);
}
} // namespace

void cChara::SetDefinition(const cEdCharaDef& def) {
    m_Def = def;
    if (m_Def.m_nScale == 0) m_Def.m_nScale = 1;
    m_nHP = ClampToInt(m_Def.m_nMaxHP);
    m_nSP = ClampToInt(m_Def.m_nMaxSP);
    m_Vars.assign(CHARA_VARIABLE_COUNT, 0);
    m_Flows.clear();
    m_Flows.reserve(m_Def.m_Flows.size());
    for (int i = 0; i < m_Def.m_Flows.Count(); ++i)
        m_Flows.push_back(cFlow{&m_Def.m_Flows[i], i});
    m_FlowState.ListChanged();
    m_nLightRadius = m_Def.m_nSightRange * 16;
    m_nCharaEffect = m_Def.m_nCharaEffect1;
    m_bScrollSync = m_Def.m_nScrollSync;
    m_dDecel = m_Def.m_nStoppability * 0.01 / (g_Stage.m_dFrameScale2 > 0 ? g_Stage.m_dFrameScale2 : 1.0);
}

void cChara::ShiftYForScale(int newScale, int oldScale) {
    if (g_SystemData.m_nCompat261) {
        m_dY -= m_nHeight0 * (newScale - oldScale);
    } else {
        m_dY -= m_nHitH0 * (newScale - oldScale);
        m_dY += m_nHitY0 * (newScale - oldScale);
    }
    AfterMoveY();
}

void cChara::SetScreenCenter(int x, int y) {
    SetScreenCenterX(x);
    SetScreenCenterY(y);
}

void cChara::SetScreenCenterX(int px) {
    int centre = ScreenCenterX();
    if (centre >= px)
        m_dX -= centre - px;
    else
        m_dX += px - centre;
    AfterMoveX();
}

void cChara::SetScreenCenterY(int py) {
    int centre = ScreenCenterY();
    if (centre >= py)
        m_dY -= centre - py;
    else
        m_dY += py - centre;
    AfterMoveY();
}

void cChara::SetCellPos(int column, int row) {
    m_dX = (ViewX().m_nMargin + column) * BLOCK_SIZE + m_nHitX0 + 0.5;
    m_dY = (ViewY().m_nMargin + row) * BLOCK_SIZE + m_nHitY0;
    SetScale(Scale(), 1);
    AfterMoveX();
    AfterMoveY();
}

void cChara::RestorePosition() {
    m_dX = m_SavedPos[0];
    m_dY = m_SavedPos[1];
    m_dRight = m_SavedPos[2];
    m_dBottom = m_SavedPos[3];
}

void cChara::ChangeAnimSet(int set, int force) {
    if (!force && set == m_nCurAnimSet) return;
    const cEdAnimeSet& rec = g_Database.m_AnimeSets.at(set);
    cCheckedVector<cAnimSeqFrames> seqs;
    for (const cEdAnime& anim : rec.m_Animes) {
        cAnimSeqFrames frames;
        for (const cEdAnimeFrame& f : anim.m_Frames)
            frames.push_back(cAnimFrame{f.nPattern, TenthsToFrames(f.nTime), 1});
        frames.push_back(cAnimFrame{ANIM_CODE_LOOP, 0, 1});
        seqs.push_back(std::move(frames));
    }
    m_AnimSeq.BuildKeepingSequence(seqs);
    m_nCurAnimSet = set;
    m_Def.m_nAnimeSet = static_cast<std::uint16_t>(set);
}

namespace {
// Keeps a raised kind for the character's next flow update (no flow engine runs the raise now).
// Apart from RaiseTrigger, whose frequent passes that end at once then need no frame of their own.
[[gnu::noinline]] void KeepRaisedTrigger(cChara& chara, int kind) {
    chara.m_nTriggerBits |= 1u << kind;
    chara.m_RaisedTriggers.push_back(kind);
}
} // namespace

void cChara::RaiseTrigger(int kind) {
    if (kind < 0 || kind >= 32) return;
    if (g_ObjectFlowCalls.TriggerFlows) {
        // A raise that would test no flow is not passed on.
        if (m_FlowState.RaiseTestsNothing(kind, g_SystemData.m_nCompat525 != 0)) return;
        g_ObjectFlowCalls.TriggerFlows(*this, kind);
        return;
    }
    KeepRaisedTrigger(*this, kind);
}

// ---- cStageChara ----

cChara& cStageChara::operator=(const cChara& other) {
    if (this == &other) return *this;
    cChara::operator=(other);
    if (const auto* o = dynamic_cast<const cStageChara*>(&other)) {
        m_Item = o->m_Item;
        m_bHasItem = o->m_bHasItem;
        m_bActive = o->m_bActive;
        m_Parts[0] = o->m_Parts[0];
        m_Parts[1] = o->m_Parts[1];
        m_bSkipAreaX = o->m_bSkipAreaX, m_bSkipAreaY = o->m_bSkipAreaY;
        m_bEverActive = o->m_bEverActive;
    }
    return *this;
}

void cStageChara::ScaleParts(int newScale) {
    for (cPartBox& p : m_Parts) {
        if (m_Def.m_nBlockChara) {
            p.nOffsetX = p.nOffsetY = 0;
            p.nWidth = m_nWidth;
            p.nHeight = m_nHeight;
        } else {
            p.Scale(newScale);
        }
    }
}

void cStageChara::Init(int id, const cEdCharaDef& def, const cItem* carried) {
    SetDefinition(def);
    const cEdStage& st = g_Stage;
    const bool gravity = m_Def.m_nMoveType == 0;
    int w = 32, h = 32, hitX = 0, hitY = 0;
    const bool anchored = (gravity ? st.m_nCharaBodyPlace : st.m_nCharaBodyFlyPlace) == 1;
    if (!m_Def.m_nBlockChara) {
        w = gravity ? st.m_nCharaBodyW : st.m_nCharaBodyFlyW;
        h = gravity ? st.m_nCharaBodyH : st.m_nCharaBodyFlyH;
        hitX = (32 - w) / 2;
        hitY = anchored ? 32 - h : (32 - h) / 2;
    }
    // The first part box is the range the hit-range choice names (the cell for choice 3); the
    // second is the stage's range against shots, centred in the cell.
    switch (m_Def.m_nHitRange) {
    case 1:
        m_Parts[0].SetFromSize(st.m_nCharaShotRangeW, st.m_nCharaShotRangeH, 0, hitX, hitY);
        break;
    case 2:
        m_Parts[0].SetFromSize(st.m_nCharaShotCharaRangeW, st.m_nCharaShotCharaRangeH, 0, hitX, hitY);
        break;
    case 3:
        m_Parts[0].SetFromSize(32, 32, 0, hitX, hitY);
        break;
    default:
        if (gravity)
            m_Parts[0].SetFromSize(st.m_nCharaCharaRangeW, st.m_nCharaCharaRangeH, st.m_nCharaCharaRangePlace,
                                   hitX, hitY);
        else
            m_Parts[0].SetFromSize(st.m_nCharaCharaRangeFlyW, st.m_nCharaCharaRangeFlyH,
                                   st.m_nCharaCharaRangeFlyPlace, hitX, hitY);
        break;
    }
    m_Parts[1].SetFromSize(st.m_nCharaShotRangeW, st.m_nCharaShotRangeH, 0, hitX, hitY);
    cGameObject::Init(id, m_Def.m_nController == 0, m_Def.m_nPlayerNo, m_Def.m_nFaction, m_Def.m_nPictureNo,
                      nullptr, 0, hitX, hitY, w, h, 32, 32, m_Def.m_nFacing, m_Def.m_nMoveType, 0);
    SetScale(Scale(), 1);
    m_bHasItem = carried ? 1 : 0;
    if (carried) m_Item = *carried;
    switch (m_Def.m_nActivityArea) {
    case 1: // only the horizontal position counts
        m_bSkipAreaX = 0, m_bSkipAreaY = 1;
        break;
    case 2: // only the vertical position counts
        m_bSkipAreaX = 1, m_bSkipAreaY = 0;
        break;
    case 3:
        m_bSkipAreaX = 1, m_bSkipAreaY = 1;
        break;
    default:
        m_bSkipAreaX = 0, m_bSkipAreaY = 0;
        break;
    }
    m_bActive = m_bEverActive = 0;
    if (m_Def.m_nAnimeSet < g_Database.m_AnimeSets.size()) ChangeAnimSet(m_Def.m_nAnimeSet, 1);
    m_AnimSeq.SetSequence(gravity ? 1 : 0, 1);
}

// ---- cHero ----

cChara& cHero::operator=(const cChara& other) {
    if (this == &other) return *this;
    cChara::operator=(other);
    if (const auto* o = dynamic_cast<const cHero*>(&other)) {
        m_lpInput = o->m_lpInput;
        m_Work = o->m_Work;
        m_nSavedDir = o->m_nSavedDir;
        m_TouchingItems = o->m_TouchingItems;
        m_nJumpCount = o->m_nJumpCount, m_nJumpHold = o->m_nJumpHold;
        m_nDashState = o->m_nDashState;
        for (int i = 0; i < 3; ++i)
            m_Parts[i] = o->m_Parts[i];
        m_BoxDisplay = o->m_BoxDisplay;
    }
    return *this;
}

void cHero::ScaleParts(int newScale) {
    for (cPartBox& p : m_Parts)
        p.Scale(newScale);
}

void cHero::UpdatePartsRectX() {
    PlacePartsX(m_Parts, m_dX);
}

void cHero::UpdatePartsRectY() {
    PlacePartsY(m_Parts, m_dY);
}

// ---- Look-up ----

cChara* FindCharaById(int id) {
    for (cHero& h : g_Heroes)
        if (h.m_nId == id) return &h;
    // A character taken out of play is gone, though the list keeps it until the sweep.
    bool known = false;
    if (g_ObjectHooks.FindStageChara) {
        known = true;
        cStageChara* c = g_ObjectHooks.FindStageChara(id, known);
        if (known) return c && !c->m_bRemoved ? c : nullptr;
    }
    for (cStageChara& c : g_Charas)
        if (c.m_nId == id) return c.m_bRemoved ? nullptr : &c;
    return nullptr;
}
