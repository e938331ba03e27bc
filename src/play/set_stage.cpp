#include "play/set_stage.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/log.h"
#include "app/memory_reserve.h"
#include "app/play_bounds.h"
#include "app/scene.h"
#include "flow/cmd_items.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_hooks.h"
#include "objects/object_links.h"
#include "objects/shot.h"
#include "platform/crt_rand.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "draw/draw.h"
#include "play/chara_index.h"
#include "play/collision.h"
#include "objects/effects.h"
#include "play/draw_stage.h"
#include "play/hits.h"
#include "objects/item.h"
#include "objects/message_window.h"
#include "play/play_step.h"
#include "play/replay.h"
#include "play/screen_effects.h"
#include "play/trace.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "sound/bgm.h"
#include "platform/fault_points.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

std::vector<cBlockCellInfo> g_BlockCells;
cPlayWork g_PlayWork;

namespace {

constexpr int PLAY_MODE_REPLAY = 4;

void PostClose() {
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

// The set-up parts of the stage as loaded (fields, texts, backgrounds, limits, result items and the
// palettes, whose item commands arrangements change) go back into the running stage; its
// placements were never changed by play.
void RestoreStageSetup(cEdStage& running, cEdStage& original) {
    if (&running == &original) return;
    running.CopyFields(original);
    running.m_Backgrounds = original.m_Backgrounds;
    running.m_Texts = original.m_Texts;
    for (int i = 0; i < STAGE_LIMIT_RECORDS; ++i)
        running.m_Limits[i] = original.m_Limits[i];
    running.m_ResultItems = original.m_ResultItems;
    running.m_PaletteBlocks = original.m_PaletteBlocks;
    running.m_PaletteCharas = original.m_PaletteCharas;
    running.m_PaletteItems = original.m_PaletteItems;
}

void EmptyLists(cGameScene& scene) {
    // Shots first: they may belong to characters; destructors unlink everything.
    scene.m_Shots.clear();
    scene.m_nEndedShots = 0;
    g_Items.clear();
    g_Charas.clear();
    ForgetCharaIndex();
    g_Heroes.clear();
    for (auto& group : scene.m_CharaGroups)
        group.clear();
    for (auto& group : scene.m_ShotGroups)
        group.clear();
    scene.m_Effects.clear();
    g_PlayWork.passedCharas.clear();
    g_PlayWork.passedItems.clear();
    g_PlayWork.running.clear();
    g_PlayWork.standEffects.clear();
}

// What a set-up cut short leaves goes at once: the objects it placed, the grid and the pictures and
// messages it showed, so that telling the user finds memory again and nothing of it is ever played.
void DropHalfMadeStage(cGameScene& scene) {
    EmptyLists(scene);
    cCheckedVector<cBlock>().swap(g_Blocks);
    std::vector<cBlockCellInfo>().swap(g_BlockCells);
    ReleasePaletteExpansions();
    ClearShownPictures();
    ClearMessageSurfaces();
    scene.m_Messages.clear();
}

void RenewSeed(cGameScene& scene) {
    if (g_nPlayMode == PLAY_MODE_REPLAY) {
        g_Replay.Rewind();
        scene.m_nRandomSeed = static_cast<unsigned>(g_Replay.m_nSeed);
    } else if (g_SystemData.m_nReplay) {
        // The newer snapshot (A) goes with this play's replay, the older (B) with the previous one.
        g_SaveSnapshotB = g_SaveSnapshotA;
        g_SaveSnapshotA = g_SaveData;
        g_ReplayPrev = g_Replay;
        g_Replay.ResetRecordVectors();
        const unsigned seed = win::timeGetTime();
        g_Replay.m_nSeed = static_cast<std::int32_t>(seed);
        scene.m_nRandomSeed = seed;
    }
    crt::srand(scene.m_nRandomSeed);
}

// The view's extra extent: the stage's value and a view width, at most what an int holds.
int ExtraExtent(std::int32_t value) {
    return static_cast<int>(std::min<long long>(INT_MAX, static_cast<long long>(value) + VIEW_WIDTH));
}

void SetUpView(cGameScene& scene) {
    const cEdStage& st = g_Stage;
    scene.m_ScrollX.SetUp(0, st.m_nWidth, ExtraExtent(st.m_nExtentX));
    scene.m_ScrollX.SetAutoSpeed(st.m_nScrollModeH, st.m_nAutoScrollSpeedH);
    scene.m_ScrollX.SetRange(st.m_nLimitLeftCol, st.m_nLimitRightCol, st.m_nScrollLimitLeft,
                             st.m_nScrollLimitRight);
    scene.m_ScrollY.SetUp(1, st.m_nHeight, ExtraExtent(st.m_nExtentY));
    scene.m_ScrollY.SetAutoSpeed(st.m_nScrollModeV, st.m_nAutoScrollSpeedV);
    scene.m_ScrollY.SetRange(st.m_nLimitTopRow, st.m_nLimitBottomRow, st.m_nScrollLimitTop,
                             st.m_nScrollLimitBottom);
}

void BuildGrid() {
    const cEdStage& st = g_Stage;
    const int stride = 1 << GridStrideExp(st.m_nWidth);
    const int rows = std::max(0, st.m_nHeight) + 2 * STAGE_GRID_BORDER;
    // Every cell's run-time fields start cleared.
    ResetBlockGrid(stride, rows);
    g_BlockCells.assign(g_Blocks.size(), cBlockCellInfo{});
    for (const cEdBlockDef& def : st.m_Blocks) {
        const long long index = StageCellIndex(st.m_nWidth, st.m_nHeight, def.m_nX, def.m_nY);
        if (index < 0) {
            Report("SetStage : block at (%d, %d) lies outside the stage and is left out", def.m_nX, def.m_nY);
            continue;
        }
        g_Blocks[static_cast<std::size_t>(index)] = MakeBlockCell(def);
        g_BlockCells[static_cast<std::size_t>(index)] = MakeBlockCellInfo(def);
    }
}

bool CellInStage(int column, int row) {
    return StageCellIndex(g_Stage.m_nWidth, g_Stage.m_nHeight, column, row) >= 0;
}

void MoveByOffset(cChara& c, const cEdCharaDef& placement, int copy) {
    c.m_dX += placement.OffsetX(copy, c.m_nDir);
    c.m_dY += placement.OffsetY(copy, c.m_nDir);
    c.m_dRight = c.m_dX + c.m_nWidth - 1;
    c.m_dBottom = c.m_dY + c.m_nHeight - 1;
}

// The flows are built from the character's own definitions, which stay where they are.
void BuildOwnFlows(cChara& c) {
    BuildFlows(c, c.m_Def.m_Flows, 0, -1);
}

void SetUpHero(cGameScene& scene) {
    cEdStage& st = g_Stage;
    scene.m_nPlayers = 1;
    const int index = st.FindHero();
    if (index < 0) {
        Report("SetStage : the stage places no hero");
        return;
    }
    cEdCharaDef& placement = st.m_Charas.at(index);
    if (g_SaveData.m_bNextStart) {
        placement.m_nFacing = static_cast<std::uint8_t>(g_SaveData.m_nNextStartFacing);
        placement.m_nX = static_cast<std::int16_t>(g_SaveData.m_nNextStartX);
        placement.m_nY = static_cast<std::int16_t>(g_SaveData.m_nNextStartY);
    }
    g_Heroes.resize(1);
    cHero& hero = g_Heroes[0];
    int column = placement.m_nX, row = placement.m_nY;
    if (!CellInStage(column, row)) {
        Report("SetStage : hero at (%d, %d) lies outside the stage and starts at its first cell", column,
               row);
        column = row = 0;
    }
    hero.Init(g_PlayWork.nNextCharaId++, placement, column, row, 0, 0);
    MoveByOffset(hero, placement, 0);
    hero.AfterMoveX();
    hero.AfterMoveY();
    if (st.m_nTakeOver) {
        std::int32_t hp = hero.m_nHP, sp = hero.m_nSP;
        g_SaveData.LoadCarryOverCounters(0, hp, sp);
        hero.m_nHP = hp;
        hero.m_nSP = sp;
    }
    hero.m_AnimSeq.SetSequence(hero.m_bNoGravity ? 2 : 0, 1);
    cObjectLinks::JoinFaction(hero, hero.m_Def.m_nFaction);

    scene.m_ScrollX.m_dPos = hero.m_dX - VIEW_WIDTH / 2 + hero.m_nWidth / 2;
    scene.m_ScrollX.Clamp();
    scene.m_ScrollY.m_dPos = hero.m_dY - VIEW_HEIGHT / 2 + hero.m_nHeight / 2;
    scene.m_ScrollY.Clamp();
    hero.UpdateScreenRect();
    // A hero with a darkness shape starts in the dark, even one whose light has no range.
    if (hero.m_Def.m_nSightShape != 0 && g_FlowHooks.CreateWorkSurfaces) g_FlowHooks.CreateWorkSurfaces();
}

void PlaceCharasAndItems() {
    cEdStage& st = g_Stage;
    const int heroIndex = st.FindHero();
    for (int i = 0; i < st.m_Charas.Count(); ++i) {
        const cEdCharaDef& placement = st.m_Charas[i];
        // Heroes are built apart; a player character other than the hero is not placed.
        if (i == heroIndex || placement.m_nController == 0) continue;
        if (!CellInStage(placement.m_nX, placement.m_nY)) {
            Report("SetStage : character at (%d, %d) lies outside the stage and is left out", placement.m_nX,
                   placement.m_nY);
            continue;
        }
        SpawnAtBlock(g_Charas, placement.m_nX, placement.m_nY, g_PlayWork.nNextCharaId, placement, nullptr);
    }
    for (const cEdItemDef& placement : st.m_Items) {
        if (!CellInStage(placement.m_nX, placement.m_nY)) {
            Report("SetStage : item at (%d, %d) lies outside the stage and is left out", placement.m_nX,
                   placement.m_nY);
            continue;
        }
        SpawnItemAtBlock(g_Items, placement.m_nX, placement.m_nY, g_PlayWork.nNextItemId, placement);
    }
    g_nPlacedCharas = g_Charas.size();
    g_nPlacedItems = g_Items.size();
}

void ResetCounters(cGameScene& scene) {
    const cEdStage& st = g_Stage;
    g_PlayWork.stepSchedule = BuildStepSchedule(g_nFrameMul, st.m_nHitLevel2);
    scene.m_nStageEndRequest = 0;
    // Every set-up starts the stage's variables again, before its start flows can use them.
    scene.m_StageVars.assign(STAGE_VARIABLE_COUNT, 0);
    scene.m_nBannerCount = scene.m_nBannerCount2 = 0;
    if (!st.m_nTimeLimitOn) {
        scene.m_nTimeLimit = 999;
        scene.m_bTimeStopped = 1;
    } else {
        scene.m_bTimeStopped = 0;
        scene.m_nTimeLimit = st.m_nTimeLimit;
    }
    scene.m_nElapsedFrames = scene.m_nElapsedCs = 0;
    scene.m_nSubStep = scene.m_nSubStepCount = 0;
    g_nScore = 0;
    g_SaveData.MarkStageStart();
    for (cInputRecord& rec : g_Inputs) {
        cInputHistory::Clear(rec);
        UpdateInputBuffers(rec);
    }
    FrameTimerTick(0, st.m_nFrameRate);
    g_SceneManager.g_nFrameRate = st.m_nFrameRate;
}

// What the last attempt left on the screen goes: the screen colour and the screen effect, with the
// virtual back buffer it drew through.
void ResetScreenState(cGameScene& scene) {
    ResetStageDrawing();
    g_ScreenEffect = cScreenEffectState{};
    scene.m_bVirtualBackBuffer = 0;
    DDSetBackBufferMode(0);
}

// A character leaves play during set-up: it is taken out at once (nothing walks the list here).
void DropFromList(cStageCharaList::iterator it) {
    RemoveFromPlay(*it);
    g_Charas.erase(it);
    ForgetCharaIndex();
}

void RunStartFlows(cGameScene& scene) {
    const bool activityFirst = g_SystemData.m_nCompat697 == 0;
    if (activityFirst) UpdateObjectActivity(scene);
    if (!g_Heroes.empty()) TriggerFlows(g_Heroes[0], FTK_BEFORE_STAGE);
    for (auto it = g_Charas.begin(); it != g_Charas.end();) {
        cStageChara& c = *it;
        if (activityFirst && !c.m_bPresent) {
            ++it;
            continue;
        }
        TriggerFlows(c, FTK_BEFORE_STAGE);
        auto next = std::next(it);
        if (c.m_bRemoved) {
            g_Charas.erase(it);
            ForgetCharaIndex();
        } else if (c.m_nHP <= 0) {
            ResolveDeath(c);
            DropFromList(it);
        }
        it = next;
    }
    UpdateObjectActivity(scene);
}

void SetStageBody(cGameScene& scene, bool reload, bool startMusic) {
    ECLog("In SetStage");
    ResetPlayBoundReports();
    ReleasePaletteExpansions();
    scene.m_nPlayFrame = 0;
    EmptyLists(scene);
    if (reload) {
        if (g_nPlayMode == PLAY_MODE_REPLAY) {
            // The replay's stage does not store its file's path: the running stage keeps it for the
            // next restart.
            const std::string path = g_Stage.m_strPath;
            cEdStage loaded;
            if (!ReadReplayFile(g_Replay, path, g_Stage, loaded, g_SaveData)) PostClose();
            g_Stage.m_strPath = path;
        }
        RestoreStageSetup(g_Stage, g_StageOriginal);
    }
    ResetCommonItemCommands();
    RenewSeed(scene);
    cEdStage& st = g_Stage;
    if (st.m_nTakeOver) {
        const int hero = st.FindHero();
        // The carried time limit, lives and music reach the stage before its music and time start.
        if (hero >= 0)
            g_SaveData.LoadCarryOver(0, st.m_Charas.at(hero), &st.m_nTimeLimit, &g_SaveData.m_nLives,
                                     &st.m_nBgm);
    }
    if (StageMusicRequested(st.m_nBgm, g_nCurBgm, startMusic, st.m_nKeepBgm != 0))
        PlayStageBgm(st.m_nBgm, st.m_nBgmLoop);
    g_PlayWork.nNextCharaId = g_PlayWork.nNextItemId = 0;
    st.SetHitLevel(st.m_nHitLevel);
    SetUpView(scene);
    BuildGrid();
    SetUpHero(scene);
    PlaceCharasAndItems();
    // Pictures, message windows and notices shown before stay with the play they belonged to.
    ClearShownPictures();
    ClearMessageSurfaces();
    scene.m_Messages.clear();
    ResetScreenState(scene);
    ResetCounters(scene);
    // In 8-bit colour the palette that fades and colours changed is put back and shown.
    ShowBasePalette();
    RunStartFlows(scene);
    g_PlayTrace.BeginStage();
    ECLog("Out SetStage");
}

} // namespace

void cIdSet::InsertOutside(int id) {
    if (id < 0 || id >= DENSE_IDS) {
        m_Other.insert(id);
        return;
    }
    // An id beyond the table: the table grows to it.
    const auto k = static_cast<std::size_t>(id);
    m_Marks.resize(k + 1, 0);
    m_Marks[k] = m_Clears;
}

bool cIdSet::ContainsOutside(int id) const {
    if (id >= 0 && id < DENSE_IDS) return false;
    return m_Other.count(id) != 0;
}

void cIdSet::clear() {
    if (++m_Clears == 0) {
        // The count came round: the old marks could read as new ones.
        std::fill(m_Marks.begin(), m_Marks.end(), 0);
        m_Clears = 1;
    }
    if (!m_Other.empty()) m_Other.clear();
}

// ---- Grid ----

// A stage's size is weighed when its file is read, at this cost a cell.
static_assert(sizeof(cBlock) + sizeof(cBlockCellInfo) <= STAGE_CELL_BYTES);

int GridStrideExp(int width) {
    unsigned v = static_cast<unsigned>(std::max(0, width)) + 19u;
    int bits = 0;
    while (v) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

long long StageCellIndex(int width, int height, int column, int row) {
    const long long c = static_cast<long long>(column) + STAGE_GRID_BORDER;
    const long long r = static_cast<long long>(row) + STAGE_GRID_BORDER;
    if (c < 0 || r < 0 || c >= static_cast<long long>(std::max(0, width)) + 2 * STAGE_GRID_BORDER ||
        r >= static_cast<long long>(std::max(0, height)) + 2 * STAGE_GRID_BORDER)
        return -1;
    return (r << GridStrideExp(width)) + c;
}

cBlockCellInfo* BlockCellInfoOf(const cBlock* block) {
    if (!block || g_Blocks.empty() || g_BlockCells.size() != g_Blocks.size()) return nullptr;
    const cBlock* first = g_Blocks.data();
    if (block < first || block >= first + g_Blocks.size()) return nullptr;
    return &g_BlockCells[static_cast<std::size_t>(block - first)];
}

cBlock MakeBlockCell(const cEdBlockDef& def) {
    cBlock b;
    b.m_Conditions = def.m_Conditions;
    b.m_nConditionMode = def.m_nConditionMode;
    b.m_nConditionLatch = def.m_nConditionLatch;
    b.m_bHeld = 0;
    b.m_nSolid = def.m_nSolidity;
    b.m_nPassKind = def.m_nPassFaction;
    b.m_nPictureA = def.m_nPictureNo;
    b.m_nPictureB = def.m_nPictureArg;
    b.m_bOverlay = def.m_nMarkMode;
    b.m_nOverlayCount = def.m_nMarkNo;
    b.m_nLayer = def.m_nLayer;
    b.m_bHidden = def.m_nNoDraw;
    return b;
}

cBlockCellInfo MakeBlockCellInfo(const cEdBlockDef& def) {
    cBlockCellInfo info;
    info.nEffectKind = static_cast<std::int8_t>(def.m_nHeroAction);
    info.nEffectValue = static_cast<int>(def.m_nHeroActionValue);
    info.bNoOverwrite = def.m_nNoOverwrite;
    info.nPictureNo = def.m_nPictureNo;
    return info;
}

std::vector<std::uint8_t> BuildStepSchedule(int mul, int count) {
    if (mul <= 0) return {};
    if (count <= 0) return std::vector<std::uint8_t>(static_cast<std::size_t>(mul), 1);
    std::vector<std::uint8_t> table(static_cast<std::size_t>(mul), 0);
    int set = 0;
    for (long long k = 0; k < count; ++k) {
        const long long pos = k * mul / count;
        if (pos >= mul) break;
        table[static_cast<std::size_t>(pos)] = 1;
        ++set;
    }
    if (set < count) table.back() = 1;
    return table;
}

bool StageMusicRequested(int music, int playing, bool startMusic, bool keepMusic) {
    if (!startMusic) return music != playing;
    if (keepMusic && music == playing) return music == 0;
    return true;
}

// ---- Set-up ----

bool SetStage(cGameScene& scene, bool reload, bool startMusic) {
    PassFaultPoint("stage");
    // Taken again when a box about memory used it.
    HoldMemoryReserve();
    try {
        SetStageBody(scene, reload, startMusic);
    } catch (const std::bad_alloc&) {
        FailStageSetUp(scene);
        return false;
    }
    return true;
}

namespace {

// The stage goes at once (what it holds is most of the memory there was), the user is told from the
// memory held in reserve, and the close ends the program.
void FailForMemory(cGameScene& scene, const char* text) {
    DropHalfMadeStage(scene);
    scene.m_nState = GAMESTATE_SET_UP_FAILED;
    TellOutOfMemory(text);
}

} // namespace

void FailStageSetUp(cGameScene& scene) {
    FailForMemory(scene, "メモリ不足により、ステージの初期設定に失敗しました！");
}

void FailPlayForMemory(cGameScene& scene) {
    FailForMemory(scene, "メモリが不足しています！");
}

// ---- Spawners ----

// A new object is built in a list node of its own, outside the lists of play, and moved into its
// list (the node itself, not a copy) only once it is accepted.

int SpawnAtBlock(cStageCharaList& list, int column, int row, int& nextId, const cEdCharaDef& placement,
                 const cItem* carried) {
    int placed = 0;
    for (int i = 0; i <= placement.m_nExtraCopies; ++i) {
        cStageCharaList node;
        cStageChara& c = node.emplace_back();
        c.Init(nextId, placement, carried);
        c.m_FlowState.nCloneValue = static_cast<std::int16_t>(i);
        c.SetCellPos(column, row);
        MoveByOffset(c, placement, i);
        if (!c.IsInsideStage(1)) continue;
        c.AfterMoveX();
        c.AfterMoveY();
        c.UpdatePartsRectX();
        c.UpdatePartsRectY();
        // As a copy into the list would: no walk of its flows runs, and its flow list is new.
        c.m_FlowState.ListChanged();
        list.splice(list.end(), node);
        BuildOwnFlows(c);
        c.UpdateScreenRect();
        if (g_lpGameScene) cObjectLinks::JoinFaction(c, c.m_Def.m_nFaction);
        ++nextId;
        ++placed;
    }
    return placed;
}

int SpawnItemAtBlock(std::list<cItem>& list, int column, int row, int& nextId, const cEdItemDef& placement) {
    std::list<cItem> node;
    cItem& item = node.emplace_back();
    item.Init(nextId, placement, column, row);
    if (!item.IsInsideStage(1)) return 0;
    item.ClampToStageX(2);
    item.ClampToStageY(2);
    list.splice(list.end(), node);
    item.UpdateScreenRect();
    ++nextId;
    return 1;
}

cStageChara* SpawnCharacter(const cEdCharaDef& def, int x, int y, const cSpawnParams& params) {
    cStageCharaList node;
    cStageChara& c = node.emplace_back();
    c.Init(g_PlayWork.nNextCharaId, def, nullptr);
    c.m_FlowState.nCloneValue = static_cast<std::int16_t>(params.nCopy);
    c.m_dX = x + c.m_nHitX + params.dOffsetX;
    c.m_dY = y + c.m_nHitY + params.dOffsetY;
    c.m_dRight = c.m_dX + c.m_nWidth - 1;
    c.m_dBottom = c.m_dY + c.m_nHeight - 1;
    if (!c.IsInsideStage(1)) return nullptr;
    c.AfterMoveX();
    c.AfterMoveY();
    c.UpdatePartsRectX();
    c.UpdatePartsRectY();
    if (IsBlockedAt(c)) return nullptr;
    c.m_FlowState.ListChanged();
    g_Charas.splice(g_Charas.end(), node);
    BuildOwnFlows(c);
    c.UpdateScreenRect();
    if (params.bLifetime) {
        const long long life = static_cast<long long>(params.nLifetime) * 6 * std::max(0, g_nFrameMul);
        c.m_nWord1 = static_cast<int>(std::clamp<long long>(life, 0, INT_MAX - 1));
    }
    if (g_lpGameScene) cObjectLinks::JoinFaction(c, c.m_Def.m_nFaction);
    ++g_PlayWork.nNextCharaId;
    return &c;
}

cItem* SpawnItem(const cEdItemDef& def, int x, int y) {
    std::list<cItem> node;
    cItem& item = node.emplace_back();
    item.Init(g_PlayWork.nNextItemId, def, 0, 0);
    item.m_dX = x + item.m_nHitX + static_cast<std::int16_t>(def.m_nOffsetX);
    item.m_dY = y + item.m_nHitY + static_cast<std::int16_t>(def.m_nOffsetY);
    item.m_dRight = item.m_dX + item.m_nWidth - 1;
    item.m_dBottom = item.m_dY + item.m_nHeight - 1;
    if (!item.IsInsideStage(1)) return nullptr;
    item.ClampToStageX(2);
    item.ClampToStageY(2);
    g_Items.splice(g_Items.end(), node);
    item.UpdateScreenRect();
    ++g_PlayWork.nNextItemId;
    return &item;
}

bool SetBlockAt(int x, int y, const cEdBlockDef& def, const cSpawnParams& params) {
    if (x < 0 || y < 0) return false;
    const int column = x / BLOCK_SIZE, row = y / BLOCK_SIZE;
    cBlock* cell = const_cast<cBlock*>(BlockAt(column, row));
    cBlockCellInfo* info = BlockCellInfoOf(cell);
    if (!cell || !info) return false;
    if (info->bNoOverwrite) {
        if (g_SystemData.m_nCompat637) return false;
        if (info->nPictureNo != 0 && TestConditionsOnce(*cell)) return false;
    }
    const cBlock placed = MakeBlockCell(def);
    const double left = column * BLOCK_SIZE, top = row * BLOCK_SIZE;
    const double right = (column + 1) * BLOCK_SIZE - 0.1, bottom = (row + 1) * BLOCK_SIZE - 0.1;
    bool heroUnder = false, charaUnder = false;
    auto covers = [&](cChara& c) {
        if (!IsBlockSolid(placed, c.m_nPassKind) || !c.RectsOverlap(left, top, right, bottom)) return false;
        c.m_nBlockOverlap = 2;
        return true;
    };
    for (cHero& h : g_Heroes)
        if (!h.m_bDefeated && covers(h)) heroUnder = true;
    for (cStageChara& c : g_Charas)
        if (c.m_bPresent && !c.m_bDefeated && !c.m_bRemoved && covers(c)) charaUnder = true;
    if ((heroUnder && params.bRefuseOnHero) || (charaUnder && params.bRefuseOnChara)) return false;
    *cell = placed;
    *info = MakeBlockCellInfo(def);
    return true;
}

// ---- Summons ----

namespace {

cSpawnParams ParamsOf(const cEdShot& rec) {
    cSpawnParams p;
    p.bLifetime = rec.m_bLifetimeLimit;
    p.nLifetime = rec.m_nLifetime;
    return p;
}

bool SummonBlock(const cEdBlockDef& def, int column, int row, int mode) {
    const cBlock* cell = BlockAt(column, row);
    const cBlockCellInfo* info = BlockCellInfoOf(cell);
    if (!cell || !info) return false;
    const bool present = info->nPictureNo != 0 || cell->m_nSolid != 0;
    cEdBlockDef empty;
    empty.m_nSolidity = 0;
    empty.m_nPictureNo = 0;
    const bool remove = mode == 1 || (mode == 2 && present);
    return SetBlockAt(column * BLOCK_SIZE, row * BLOCK_SIZE, remove ? empty : def, cSpawnParams{});
}

// A summoned character faces the summoner's way (or away from it) and takes its faction from its
// definition, the summoner or the command; its extra copies stand at their offsets for that facing.
cChara* SummonChara(const cEdCharaDef& def, int x, int y, cChara& summoner, const cEdShot& rec) {
    cEdCharaDef summoned = def;
    const int facing = (summoner.m_nDir == 1 ? 1 : 0) ^ (rec.m_bSummonFacingReversed ? 1 : 0);
    summoned.m_nFacing = static_cast<std::uint8_t>(facing);
    if (rec.m_nSummonForceSource == 1)
        summoned.m_nFaction = summoner.m_Def.m_nFaction;
    else if (rec.m_nSummonForceSource == 2)
        summoned.m_nFaction = static_cast<std::uint8_t>(rec.m_nForce);
    const int copies = std::max(0, static_cast<int>(static_cast<std::int8_t>(def.m_nExtraCopies)));
    cChara* first = nullptr;
    // Each copy takes the definition's lists, within what the stage's objects may hold.
    const std::size_t entries = CountHeldEntries(def.m_Flows);
    for (int i = 0;
         i <= copies && PlayBoundRoom(PlayBound::Charas, BeyondPlaced(g_Charas.size(), g_nPlacedCharas)) &&
         PlayBoundFits(PlayBound::HeldEntries, PlayBoundHeld(PlayBound::HeldEntries), entries);
         ++i) {
        cSpawnParams params = ParamsOf(rec);
        params.nCopy = i;
        params.dOffsetX = summoned.OffsetX(i, facing);
        params.dOffsetY = summoned.OffsetY(i, facing);
        cChara* c = SpawnCharacter(summoned, x, y, params);
        if (!first) first = c;
    }
    return first;
}

cItem* SummonItem(const cEdItemDef& def, int x, int y, cChara&, const cEdShot& rec) {
    cItem* item = SpawnItem(def, x, y);
    if (item && rec.m_bLifetimeLimit) {
        const long long life = static_cast<long long>(rec.m_nLifetime) * 6 * std::max(0, g_nFrameMul);
        item->m_nWord1 = static_cast<int>(std::clamp<long long>(life, 0, INT_MAX - 1));
    }
    return item;
}

bool BlockHolds(const cBlock& block) {
    return TestConditionsOnce(const_cast<cBlock&>(block));
}

} // namespace

void InstallStageSpawners() {
    g_SummonHooks.PlaceBlock = &SummonBlock;
    g_SummonHooks.SpawnCharacter = &SummonChara;
    g_SummonHooks.SpawnItem = &SummonItem;
    g_ObjectHooks.BlockConditionsHold = &BlockHolds;
}
