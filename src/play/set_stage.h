// Stage set-up: the loaded stage record becomes a live play. The lists are emptied, the stage is
// restored from its loaded copy on a restart, the seed and the replay are renewed, the music is
// asked for, the view and the block grid are built, the hero, characters and items are placed, the
// scene's counters and the input are reset and the flows of "before the stage starts" are started.
//
// The grid: a stage of W x H blocks lies inside a margin of 10 blocks on every side. Its rows are a
// power of two long: with n the bit length of W + 19, cell (column c, row r) of the stage is element
// ((r + 10) << n) + c + 10 of g_Blocks, and the grid holds (H + 20) rows.
//
// The spawners place characters, items and blocks at set-up and for the summons of flows.
#pragma once

#include "objects/blocks.h"
#include "objects/chara_list.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class cGameScene;
class cChara;
class cStageChara;
class cItem;
class cEdBlockDef;
class cEdCharaDef;
class cEdItemDef;
class cEdShot;

// What a grid cell carries besides the block fields that collisions read: the standing effect,
// whether summons may overwrite it, its picture, and its run-time counter and flags. Kept beside
// g_Blocks, element for element.
struct cBlockCellInfo {
    std::int8_t nEffectKind = 0; // standing effect 1-5, 0 none
    int nEffectValue = 0;
    std::uint8_t bNoOverwrite = 0;
    std::uint16_t nPictureNo = 0;
    std::uint16_t nCounter = 0; // run-time fields, cleared at every set-up
    std::uint8_t bFlagA = 0;
};
extern std::vector<cBlockCellInfo> g_BlockCells;

// The extras of a cell of g_Blocks (null for a block that is not a grid cell).
cBlockCellInfo* BlockCellInfoOf(const cBlock* block);
// The grid cell a placed block record becomes, and its extras.
cBlock MakeBlockCell(const cEdBlockDef& def);
cBlockCellInfo MakeBlockCellInfo(const cEdBlockDef& def);

// The row-stride exponent of a stage `width` blocks wide: the bit length of width + 19.
int GridStrideExp(int width);
// The g_Blocks index of stage cell (column, row); -1 when the cell lies outside a grid of a stage of
// width x height blocks (margin included).
long long StageCellIndex(int width, int height, int column, int row);

// Which sub-steps of a frame of `mul` sub-steps run the shot-against-character hits: every one when
// `count` is 0; else `count` spread evenly (k x mul / count for k = 0, 1, ...), and the last one when
// fewer were set. Empty for mul 0 or less.
std::vector<std::uint8_t> BuildStepSchedule(int mul, int count);

// Whether stage set-up asks for music `music` while `playing` plays.
bool StageMusicRequested(int music, int playing, bool startMusic, bool keepMusic);

// A timed standing effect (friction, conveyors) and the block flag of a character.
struct cStandEffect {
    int nKind = 0;
    int nValue = 0;
    int nFrames = 0;
    int bBlockFlag = 0;
};

// A set of object ids: the ids play hands out (0 up, one by one) are marks in a table, any other
// id is kept aside. A mark holds the clearing it was set after, so that clearing the set marks
// nothing.
class cIdSet {
  public:
    void insert(int id) {
        const auto k = static_cast<std::size_t>(static_cast<unsigned>(id));
        if (k < m_Marks.size())
            m_Marks[k] = m_Clears;
        else
            InsertOutside(id);
    }
    bool contains(int id) const {
        const auto k = static_cast<std::size_t>(static_cast<unsigned>(id));
        if (k < m_Marks.size()) return m_Marks[k] == m_Clears;
        return ContainsOutside(id);
    }
    // Empties the set; the table's storage is kept.
    void clear();

  private:
    static constexpr int DENSE_IDS = 1 << 20;
    void InsertOutside(int id);
    bool ContainsOutside(int id) const;
    std::vector<std::uint32_t> m_Marks; // by id: the count of clearings when it was inserted
    std::uint32_t m_Clears = 1;         // never 0, the mark of an id never inserted
    std::unordered_set<int> m_Other;
};

// The scene's working state of set-up and the play step that its record has no field for.
struct cPlayWork {
    int nNextCharaId = 0;
    int nNextItemId = 0;
    std::vector<std::uint8_t> stepSchedule;
    // Characters and items whose once-only appearance conditions have held (by id).
    std::unordered_set<int> passedCharas, passedItems;
    // Characters found awake by the last activity pass (by id).
    cIdSet running;
    // Group marks of the activity pass, indexed by group number.
    std::vector<std::int32_t> groupSwitches;
    std::unordered_map<int, cStandEffect> standEffects;
};
extern cPlayWork g_PlayWork;

// The state of a play scene whose set-up failed, or whose play ran out of memory: it draws and plays
// nothing and waits for the close it asked for.
constexpr int GAMESTATE_SET_UP_FAILED = -2;

// Builds the live stage. reload: a restart (the stage is restored from its loaded copy);
// startMusic: the stage music is started even when it plays already (unless the stage keeps it).
// False when memory ran out on the way (FailStageSetUp has run): the caller changes nothing more.
bool SetStage(cGameScene& scene, bool reload, bool startMusic);
// A set-up that ran out of memory: what it built is let go, the scene's state becomes
// GAMESTATE_SET_UP_FAILED, the user is told (from memory held in reserve for it) and the program
// is asked to close.
void FailStageSetUp(cGameScene& scene);
// The same for a step of play (or of the scene's other states) that ran out of memory: the stage is
// let go, the scene's state becomes GAMESTATE_SET_UP_FAILED, the user is told that memory ran short
// and the program is asked to close.
void FailPlayForMemory(cGameScene& scene);

// What a summon asks of a spawn.
struct cSpawnParams {
    int bLifetime = 0;
    int nLifetime = 0; // tenths of a second
    int bRefuseOnHero = 0;
    int bRefuseOnChara = 0;
    int nCopy = 0;
    double dOffsetX = 0, dOffsetY = 0; // the copy's shift from the given position
};

// The characters of one placement at stage cell (column, row), carrying `carried` when given: 1 +
// its copy count characters, each kept only when it lies inside the stage. The number placed.
int SpawnAtBlock(cStageCharaList& list, int column, int row, int& nextId, const cEdCharaDef& placement,
                 const cItem* carried);
// One item placement; 1 when placed.
int SpawnItemAtBlock(std::list<cItem>& list, int column, int row, int& nextId, const cEdItemDef& placement);
// A character at a pixel position (for summons): kept when it lies inside the stage and meets no
// block solid for it; it joins its faction. Null when none was placed.
cStageChara* SpawnCharacter(const cEdCharaDef& def, int x, int y, const cSpawnParams& params);
// An item at a pixel position, moved by the definition's offsets. Null when none was placed.
cItem* SpawnItem(const cEdItemDef& def, int x, int y);
// Replaces the block of the grid cell at pixel (x, y). False when nothing was placed: the cell lies
// outside the grid, the cell refuses to be overwritten, or an object the new block would cover
// refuses it. Objects it covers get their block-overlap mark.
bool SetBlockAt(int x, int y, const cEdBlockDef& def, const cSpawnParams& params);

// Installs set-up's spawners as the summons' placements and the block-condition test (done with the
// play scene's other hooks).
void InstallStageSpawners();
