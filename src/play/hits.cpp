#include "play/hits.h"

#include "app/log.h"
#include "app/play_se.h"
#include "objects/blocks.h"
#include "objects/flow_calls.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "play/chara_index.h"
#include "play/collision.h"
#include "play/hit_grid.h"
#include "play/play_step.h"
#include "play/stage_clear.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/ed_item_def.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr int TRIGGER_CHARA = 4;
constexpr int TRIGGER_BLOCK_CHARA = 5;
constexpr int TRIGGER_ON_BLOCK_CHARA = 6;
constexpr int TRIGGER_SHOT = 7;
constexpr int TRIGGER_ITEM = 8;
constexpr int TRIGGER_RIDDEN_BY_HERO = 16;
constexpr int TRIGGER_RIDDEN = 17;

constexpr int SE_DAMAGE = 7;
constexpr int SE_PLAYER_DEFEAT = 8;
constexpr int SE_DEFEAT = 9;

constexpr int SHOTS_PASS_THROUGH = 2;

cHitRect FromPart(const cPartBox& p, const cGameObject& fallback) {
    // A box never given a size stands for the object's own rectangle.
    if (p.nWidth <= 0 || p.nHeight <= 0) return PositionRect(fallback);
    return {p.dLeft, p.dTop, p.dRight, p.dBottom};
}

// ContactRect, for the passes here to take in line.
inline cHitRect BodyRect(const cChara& c) {
    if (c.m_nObjKind == OBJKIND_STAGECHARA) return FromPart(static_cast<const cStageChara&>(c).m_Parts[0], c);
    if (c.m_nObjKind == OBJKIND_HERO) return FromPart(static_cast<const cHero&>(c).m_Parts[0], c);
    return {c.m_dX, c.m_dY, c.m_dRight, c.m_dBottom};
}

bool KeepsDefeated() {
    return g_SystemData.m_nCompat272 != 0;
}

void EndStage() {
    // A cleared stage is tallied before the result screen.
    if (g_lpGameScene) StageEnd(*g_lpGameScene);
    if (g_lpGameScene) g_lpGameScene->m_nState = GAMESTATE_RESULT;
}

cHero* Hero1() {
    return g_Heroes.empty() ? nullptr : &g_Heroes[0];
}

bool IsLiveBlockChara(const cStageChara& bc, const cGameObject& self) {
    return &bc != &self && bc.m_Def.m_nBlockChara && bc.m_bPresent && !bc.m_bDefeated && !bc.m_bRemoved;
}

// The bits a table hashes: a line's address without its offset bits, an id as an unsigned word.
std::uint64_t TableBits(std::uintptr_t line) {
    return line >> 6;
}
std::uint64_t TableBits(int id) {
    return static_cast<std::uint32_t>(id);
}

// An open table of values by key (linear probing, Fibonacci hashing), kept at most half full; its
// memory stays from one use to the next.
template <class Key, class Value> class cOpenTable {
  public:
    bool empty() const { return m_nCount == 0; }
    void clear() {
        if (m_nCount == 0) return;
        std::fill(m_Used.begin(), m_Used.end(), 0);
        m_nCount = 0;
    }
    // The value of `key`, set to `value` when the key was not there (a value already there stays);
    // whether it was added.
    std::pair<Value*, bool> emplace(Key key, const Value& value) {
        if (2 * (m_nCount + 1) > m_Used.size()) Grow();
        std::size_t at = Home(key);
        for (; m_Used[at]; at = (at + 1) & m_nMask)
            if (m_Keys[at] == key) return {&m_Values[at], false};
        m_Used[at] = 1;
        m_Keys[at] = key;
        m_Values[at] = value;
        ++m_nCount;
        return {&m_Values[at], true};
    }
    const Value* find(Key key) const {
        if (m_nCount == 0) return nullptr;
        for (std::size_t at = Home(key); m_Used[at]; at = (at + 1) & m_nMask)
            if (m_Keys[at] == key) return &m_Values[at];
        return nullptr;
    }

  private:
    std::size_t Home(Key key) const {
        return static_cast<std::size_t>((TableBits(key) * 0x9E3779B97F4A7C15ull) >> m_nShift);
    }
    void Grow() {
        std::vector<std::uint8_t> used = std::move(m_Used);
        std::vector<Key> keys = std::move(m_Keys);
        std::vector<Value> values = std::move(m_Values);
        const std::size_t size = used.empty() ? 1024 : 2 * used.size();
        m_Used.assign(size, 0);
        m_Keys.resize(size);
        m_Values.resize(size);
        m_nMask = size - 1;
        m_nShift = 64 - static_cast<unsigned>(std::countr_zero(size));
        m_nCount = 0;
        for (std::size_t k = 0; k < used.size(); ++k)
            if (used[k]) emplace(keys[k], values[k]);
    }
    std::vector<std::uint8_t> m_Used;
    std::vector<Key> m_Keys;
    std::vector<Value> m_Values;
    std::size_t m_nCount = 0, m_nMask = 0;
    unsigned m_nShift = 64;
};

// Item indexes by the line an object's box begins, looked up for every line the write watch noted,
// most of them lines of other objects; the first index given for a line is kept.
using cLineSlots = cOpenTable<std::uintptr_t, std::uint32_t>;

// For each id, the indexes of a list of ids holding it, in increasing order: the first from a table
// of ids, each next from the one before.
class cIdChains {
  public:
    static constexpr std::uint32_t NONE = 0xFFFFFFFFu;
    // The chains of ids[0 .. ids.size()), extending those already made of a shorter list.
    void Take(const std::vector<int>& ids) {
        // A list shorter than the one taken was not only extended: taken anew.
        if (m_nTaken == 0 || m_nTaken > ids.size()) {
            m_nTaken = 0;
            m_Ends.clear();
        }
        m_Next.resize(ids.size());
        for (; m_nTaken < ids.size(); ++m_nTaken) {
            const auto k = static_cast<std::uint32_t>(m_nTaken);
            m_Next[k] = NONE;
            const auto [ends, added] = m_Ends.emplace(ids[k], Ends{k, k});
            if (!added) {
                m_Next[ends->last] = k;
                ends->last = k;
            }
        }
    }
    // Taken anew at the next Take.
    void Forget() { m_nTaken = 0; }
    std::uint32_t First(int id) const {
        const Ends* ends = m_Ends.find(id);
        return ends ? ends->first : NONE;
    }
    std::uint32_t Next(std::uint32_t k) const { return m_Next[k]; }

  private:
    struct Ends {
        std::uint32_t first = NONE, last = NONE;
    };
    cOpenTable<int, Ends> m_Ends;
    std::vector<std::uint32_t> m_Next;
    std::size_t m_nTaken = 0;
};

// Boxes by the 32-pixel stage cell of their lower corner (the lower of each pair of edges, whichever
// way round they are given), for finding the boxes that meet a given one. Two boxes meet only where
// their spans overlap, so a box spanning at most `reach` pixels on each axis meets a given box only
// when its corner lies no more than `reach` before the given box's lower edges and not past its
// higher ones: a look-up visits the cells of those corners. Boxes spanning more, far out or with an
// infinite edge are kept apart and met against every box asked about; a box with an edge not a
// number meets nothing and is left out.
//
// Block characters stand stacked in piles of the very same box: a cell holds each box once, as a
// pile listing the indexes of the boxes the same in every bit in increasing order, so that a look-up
// tests a pile's box once for all of them.
class cCornerCells {
  public:
    static constexpr std::uint32_t NONE = 0xFFFFFFFFu;
    bool made = false;
    // Takes the boxes of `rects`, over the stage as the views give it now.
    void Make(const std::vector<cHitRect>& rects) {
        const long long w = std::max(1, ViewX().ObjectExtent()), h = std::max(1, ViewY().ObjectExtent());
        int shift = 5;
        while (((w >> shift) + 1) * ((h >> shift) + 1) > MAX_CELLS)
            ++shift;
        m_nLastColumn = static_cast<int>(w >> shift);
        m_nLastRow = static_cast<int>(h >> shift);
        m_nColumns = static_cast<std::size_t>(m_nLastColumn) + 1;
        m_dScale = 1.0 / static_cast<double>(1LL << shift);
        // The least reach that leaves few boxes apart.
        m_dReach = MAX_REACH;
        for (double reach = 32; reach < MAX_REACH; reach *= 2) {
            std::size_t beyond = 0;
            for (const cHitRect& r : rects)
                if (!Spans(r, reach)) ++beyond;
            if (beyond <= rects.size() / 16) {
                m_dReach = reach;
                break;
            }
        }
        m_Head.assign(m_nColumns * (static_cast<std::size_t>(m_nLastRow) + 1), NONE);
        for (Pile& p : m_Piles)
            p.members.clear();
        m_nPilesUsed = 0;
        m_FreePiles.clear();
        m_PileOf.assign(rects.size(), NONE);
        m_Where.assign(rects.size(), NOWHERE);
        m_Apart.clear();
        m_Moved.clear();
        m_Pending.assign(rects.size(), 0);
        for (std::size_t k = 0; k < rects.size(); ++k)
            Link(static_cast<std::uint32_t>(k), Key(rects[k]), rects[k]);
        made = true;
    }
    // Box k of the list is no longer the same in every bit as it was: it is taken again from the
    // list at the next look-up.
    void Moved(std::uint32_t k) {
        if (m_Pending[k]) return;
        m_Pending[k] = 1;
        m_Moved.push_back(k);
    }

  private:
    // Takes the boxes of the list that moved as they are now. The boxes of a pile stand stacked as
    // they move, one after another: a pile all of whose boxes moved to one same box goes along at
    // once, unless the cell it goes to has a pile of that box already.
    void TakeMoves(const std::vector<cHitRect>& rects) {
        if (m_Moved.empty()) return;
        m_PileMoves.resize(m_Piles.size());
        m_Touched.clear();
        for (const std::uint32_t k : m_Moved) {
            const std::uint32_t p = m_PileOf[k];
            if (p == NONE) continue;
            PileMoves& pm = m_PileMoves[p];
            if (pm.count++ == 0) {
                pm.first = k;
                pm.same = true;
                m_Touched.push_back(p);
            } else if (pm.same && std::memcmp(&rects[k], &rects[pm.first], sizeof rects[k]) != 0) {
                pm.same = false;
            }
        }
        for (const std::uint32_t p : m_Touched) {
            PileMoves& pm = m_PileMoves[p];
            Pile& pile = m_Piles[p];
            if (!pm.same || pm.count != pile.members.size()) continue;
            const cHitRect& now = rects[pm.first];
            const std::int64_t key = Key(now);
            if (std::memcmp(&now, &pile.box, sizeof now) != 0) {
                if (key < 0 || PileOf(key, now) != NONE) continue;
                if (key != pile.cell) {
                    UnlinkPile(p);
                    std::uint32_t& head = m_Head[static_cast<std::size_t>(key)];
                    pile.next = head;
                    head = p;
                    pile.cell = key;
                }
                pile.box = now;
            }
            for (const std::uint32_t k : pile.members) {
                m_Where[k] = key;
                m_Pending[k] = 0;
            }
        }
        for (const std::uint32_t p : m_Touched)
            m_PileMoves[p] = PileMoves{};
        for (const std::uint32_t k : m_Moved) {
            if (!m_Pending[k]) continue;
            m_Pending[k] = 0;
            Move(k, rects[k]);
        }
        m_Moved.clear();
    }
    // Box k of the list is now `now`.
    void Move(std::uint32_t k, const cHitRect& now) {
        const std::int64_t key = Key(now);
        const std::int64_t was = m_Where[k];
        // Those apart or left out are not kept by their boxes.
        if (key == was && key < 0) return;
        if (key >= 0 && was >= 0) {
            // Alone in its pile and joining none: the pile goes along.
            const std::uint32_t p = m_PileOf[k];
            Pile& pile = m_Piles[p];
            if (pile.members.size() == 1 && PileOf(key, now) == NONE) {
                if (key != was) {
                    UnlinkPile(p);
                    std::uint32_t& head = m_Head[static_cast<std::size_t>(key)];
                    pile.next = head;
                    head = p;
                    pile.cell = key;
                    m_Where[k] = key;
                }
                pile.box = now;
                return;
            }
        }
        Unlink(k);
        Link(k, key, now);
    }

  public:
    // The indexes of the boxes of `rects` that meet `r`, in increasing order: in `out`, or, when
    // they are those of one pile alone (of the same box), given by `pile`, with `out` left empty.
    void Collect(const std::vector<cHitRect>& rects, const cHitRect& r, std::vector<std::uint32_t>& out,
                 const std::vector<std::uint32_t>*& pile) {
        TakeMoves(rects);
        out.clear();
        pile = nullptr;
        if (std::isnan(r.left) || std::isnan(r.right) || std::isnan(r.top) || std::isnan(r.bottom)) return;
        for (const std::uint32_t k : m_Apart)
            if (RectsMeet(rects[k], r)) out.push_back(k);
        const bool flipX = r.right < r.left, flipY = r.bottom < r.top;
        const double x0 = flipX ? r.right : r.left, x1 = flipX ? r.left : r.right;
        const double y0 = flipY ? r.bottom : r.top, y1 = flipY ? r.top : r.bottom;
        const int c0 = CellOf(x0 - m_dReach, m_nLastColumn), c1 = CellOf(x1, m_nLastColumn);
        const int r0 = CellOf(y0 - m_dReach, m_nLastRow), r1 = CellOf(y1, m_nLastRow);
        const Pile* piles = m_Piles.data();
        m_Met.clear();
        for (int row = r0; row <= r1; ++row) {
            const std::uint32_t* heads = m_Head.data() + static_cast<std::size_t>(row) * m_nColumns;
            for (int column = c0; column <= c1; ++column)
                for (std::uint32_t p = heads[column]; p != NONE; p = piles[p].next)
                    if (RectsMeet(piles[p].box, r)) m_Met.push_back(p);
        }
        if (out.empty() && m_Met.size() == 1) {
            pile = &piles[m_Met[0]].members;
            return;
        }
        for (const std::uint32_t p : m_Met)
            out.insert(out.end(), piles[p].members.begin(), piles[p].members.end());
        if (out.size() > 1) std::sort(out.begin(), out.end());
    }

  private:
    static constexpr long long MAX_CELLS = 1 << 22;
    static constexpr double MAX_REACH = 256;
    // Boxes beyond this far from the stage are kept apart, so that no rounding of their edges counts.
    static constexpr double FAR = 1 << 30;
    static constexpr std::int64_t APART = -1, NOWHERE = -2;

    // The boxes of a cell the same in every bit; the next pile of the cell.
    struct Pile {
        cHitRect box;
        std::uint32_t next = NONE;
        std::int64_t cell = 0;
        std::vector<std::uint32_t> members; // in increasing order
    };

    // Whether the box's spans are short enough for `reach`, with a pixel to spare, and it lies near.
    static bool Spans(const cHitRect& r, double reach) {
        const double x0 = std::min(r.left, r.right), x1 = std::max(r.left, r.right);
        const double y0 = std::min(r.top, r.bottom), y1 = std::max(r.top, r.bottom);
        return x0 >= -FAR && x1 <= FAR && y0 >= -FAR && y1 <= FAR && x1 - x0 <= reach - 1 &&
               y1 - y0 <= reach - 1;
    }
    // The cell of a coordinate, those before the first and past the last in the edge cells.
    int CellOf(double v, int last) const {
        const double f = v * m_dScale;
        if (!(f > 0)) return 0;
        return f < last ? static_cast<int>(f) : last;
    }
    // Where a box goes: its corner's cell, APART or NOWHERE.
    std::int64_t Key(const cHitRect& r) const {
        if (std::isnan(r.left) || std::isnan(r.right) || std::isnan(r.top) || std::isnan(r.bottom))
            return NOWHERE;
        // A box with an edge beyond FAR (an infinite one too) fails the test.
        if (!Spans(r, m_dReach)) return APART;
        return static_cast<std::int64_t>(CellOf(std::min(r.top, r.bottom), m_nLastRow)) *
                   static_cast<std::int64_t>(m_nColumns) +
               CellOf(std::min(r.left, r.right), m_nLastColumn);
    }
    void Link(std::uint32_t k, std::int64_t key, const cHitRect& box) {
        m_Where[k] = key;
        if (key == APART) {
            m_Apart.push_back(k);
            return;
        }
        if (key == NOWHERE) return;
        std::uint32_t& head = m_Head[static_cast<std::size_t>(key)];
        std::uint32_t p = PileOf(key, box);
        if (p == NONE) {
            p = NewPile();
            Pile& fresh = m_Piles[p];
            fresh.box = box;
            fresh.cell = key;
            fresh.next = head;
            head = p;
        }
        std::vector<std::uint32_t>& members = m_Piles[p].members;
        members.insert(std::upper_bound(members.begin(), members.end(), k), k);
        m_PileOf[k] = p;
    }
    void Unlink(std::uint32_t k) {
        const std::int64_t key = m_Where[k];
        m_Where[k] = NOWHERE;
        if (key == APART) {
            m_Apart.erase(std::find(m_Apart.begin(), m_Apart.end(), k));
            return;
        }
        if (key == NOWHERE) return;
        const std::uint32_t p = m_PileOf[k];
        m_PileOf[k] = NONE;
        std::vector<std::uint32_t>& members = m_Piles[p].members;
        members.erase(std::lower_bound(members.begin(), members.end(), k));
        if (!members.empty()) return;
        // The last of its pile: the pile leaves its cell.
        UnlinkPile(p);
        m_FreePiles.push_back(p);
    }
    // The pile of cell `key` with the very box `box`, or NONE.
    std::uint32_t PileOf(std::int64_t key, const cHitRect& box) const {
        std::uint32_t p = m_Head[static_cast<std::size_t>(key)];
        while (p != NONE && std::memcmp(&m_Piles[p].box, &box, sizeof box) != 0)
            p = m_Piles[p].next;
        return p;
    }
    // Takes pile p out of its cell's chain.
    void UnlinkPile(std::uint32_t p) {
        std::uint32_t* at = &m_Head[static_cast<std::size_t>(m_Piles[p].cell)];
        while (*at != p)
            at = &m_Piles[*at].next;
        *at = m_Piles[p].next;
    }
    std::uint32_t NewPile() {
        if (!m_FreePiles.empty()) {
            const std::uint32_t p = m_FreePiles.back();
            m_FreePiles.pop_back();
            return p;
        }
        // Piles made before keep their members' storage.
        if (m_nPilesUsed == m_Piles.size()) m_Piles.emplace_back();
        return static_cast<std::uint32_t>(m_nPilesUsed++);
    }

    std::vector<std::uint32_t> m_Head; // the first pile of each cell
    std::vector<Pile> m_Piles;
    std::size_t m_nPilesUsed = 0;
    std::vector<std::uint32_t> m_FreePiles;
    std::vector<std::uint32_t> m_PileOf; // the pile of each box kept in a cell
    std::vector<std::int64_t> m_Where;
    std::vector<std::uint32_t> m_Apart;
    std::vector<std::uint32_t> m_Met; // the piles a look-up met
    // The boxes that moved since the last look-up, each once.
    std::vector<std::uint32_t> m_Moved;
    std::vector<std::uint8_t> m_Pending;
    // Of each pile, how many of its boxes moved, the first of them and whether all moved to its box.
    struct PileMoves {
        std::size_t count = 0;
        std::uint32_t first = 0;
        bool same = true;
    };
    std::vector<PileMoves> m_PileMoves;
    std::vector<std::uint32_t> m_Touched;
    std::size_t m_nColumns = 1;
    int m_nLastColumn = 0, m_nLastRow = 0;
    double m_dScale = 1.0 / 32, m_dReach = 32;
};

// The block characters of g_Charas in its order, while the sub-steps of a frame run. Made at the
// first use and again whenever the list changed since: characters erased (other than by the sweep
// and the removal of those beyond the limits, which take the erased out of it as well) show in the
// array of characters' epoch, a character added (a spawn) in the list's length and last element.
// Characters only added at the list's end since (the array of characters kept its order and lost
// none) join it at its end. Beside each, a copy of its
// hit box, kept current through the coordinate write watch: every write to an object's box notes
// the object's line, and the boxes of the block characters written are taken again before the next
// walk that reads the copies.
struct cBlockCharaIndex {
    int scopes = 0;
    bool made = false;
    std::size_t size = 0;
    const cStageChara* back = nullptr;
    // The array of characters as it was when this was last brought up to date.
    unsigned charaEpoch = 0, charaBuilds = 0;
    bool oneLine = true;
    std::vector<cStageChara*> items;
    std::vector<cHitRect> rects;
    std::vector<int> ids;
    // The indexes of each id, kept while ids only grows.
    cIdChains idChains;
    // The item index of each block character by the line its box begins; empty when some box
    // does not lie in one line, and then the copies are not used.
    cLineSlots slots;
    std::vector<std::uintptr_t> writes;
    // The copies by the cells of their corners, made at the first look-up after the list of block
    // characters changed and kept in step with the copies from then on.
    cCornerCells corners;
    std::vector<std::uint32_t> found;
    // Of those found by a look-up, the ones that took part.
    std::vector<std::uint32_t> tookPart;
    // The block characters an erase takes out of the list.
    std::vector<std::uint8_t> gone;
    bool anyGone = false;

    ~cBlockCharaIndex() { Forget(); }
    void Forget() {
        made = false;
        corners.made = false;
        g_pCoordWrites = nullptr;
        writes.clear();
    }
    // Takes again the boxes of the block characters written since the last call; whether the
    // copies may be used.
    bool Refresh() {
        if (slots.empty()) return false;
        for (const std::uintptr_t line : writes)
            if (const std::uint32_t* slot = slots.find(line)) {
                const cStageChara& bc = *items[*slot];
                if (ids[*slot] != bc.m_nId) idChains.Forget();
                ids[*slot] = bc.m_nId;
                // Most writes leave the box as it was (a step of no way), which is then passed over:
                // compared bit for bit, so that only a box the same in every bit is.
                const cHitRect now = PositionRect(bc);
                if (std::memcmp(&now, &rects[*slot], sizeof now) == 0) continue;
                rects[*slot] = now;
                if (corners.made) corners.Moved(*slot);
            }
        writes.clear();
        return true;
    }
} g_BlockCharas;

void AddBlockChara(cBlockCharaIndex& x, cStageChara& c) {
    if (!c.m_Def.m_nBlockChara) return;
    const std::uintptr_t line = CoordLineOf(&c.m_dX);
    x.oneLine = x.oneLine && CoordLineOf(&c.m_dY) == line && CoordLineOf(&c.m_dRight) == line &&
                CoordLineOf(&c.m_dBottom) == line && CoordLineOf(&c.m_nId) == line;
    if (x.oneLine) x.slots.emplace(line, static_cast<std::uint32_t>(x.items.size()));
    x.items.push_back(&c);
    x.rects.push_back(PositionRect(c));
    x.ids.push_back(c.m_nId);
}

// Whether the characters of g_Charas past the first x.size were only added at its end since the
// index was brought up to date; then `array` holds the array of characters.
bool OnlyAddedSince(const cBlockCharaIndex& x, const std::vector<CharaPos>*& array) {
    array = IndexedCharas();
    if (!x.made || !array || x.charaEpoch != CharaIndexEpoch() || x.charaBuilds != g_CharaIndex.builds)
        return false;
    if (array->size() != g_Charas.size() || array->size() < x.size) return false;
    return x.size == 0 ? x.back == nullptr : &*(*array)[x.size - 1] == x.back;
}

// IndexedBlockCharas for a list that changed since the index was last brought up to date.
[[gnu::noinline]] const std::vector<cStageChara*>* RemakeBlockCharas(const cStageCharaList& list) {
    cBlockCharaIndex& x = g_BlockCharas;
    const cStageChara* back = list.empty() ? nullptr : &list.back();
    const std::vector<CharaPos>* array = nullptr;
    if (OnlyAddedSince(x, array)) {
        const std::size_t n = array->size();
        for (std::size_t k = x.size; k < n; ++k)
            AddBlockChara(x, *(*array)[k]);
    } else {
        x.items.clear();
        x.rects.clear();
        x.ids.clear();
        x.idChains.Forget();
        x.slots.clear();
        x.writes.clear();
        x.oneLine = true;
        EachChara([&x](cStageChara& c) { AddBlockChara(x, c); });
    }
    x.corners.made = false;
    if (!x.oneLine) x.slots.clear();
    x.made = true;
    x.size = list.size();
    x.back = back;
    x.charaEpoch = CharaIndexEpoch();
    x.charaBuilds = g_CharaIndex.builds;
    // Without copies to keep, nothing need be noted.
    g_pCoordWrites = x.slots.empty() ? nullptr : &x.writes;
    return &x.items;
}

// The index, brought up to date; null outside the sub-steps and for another list. Kept inline for
// the look-ups of every character's step, which mostly find it current.
inline const std::vector<cStageChara*>* IndexedBlockCharas(const cStageCharaList& list) {
    cBlockCharaIndex& x = g_BlockCharas;
    if (x.scopes == 0 || &list != &g_Charas) return nullptr;
    if (x.made && x.size == list.size() && x.back == (list.empty() ? nullptr : &list.back()) &&
        x.charaEpoch == CharaIndexEpoch() && x.charaBuilds == g_CharaIndex.builds)
        return &x.items;
    return RemakeBlockCharas(list);
}

// Calls f on the block characters of the list in its order until it returns true; whether it did.
template <class F> bool AnyBlockChara(const cStageCharaList& list, F&& f) {
    if (const std::vector<cStageChara*>* items = IndexedBlockCharas(list)) {
        for (cStageChara* bc : *items)
            if (f(*bc)) return true;
        return false;
    }
    for (const cStageChara& bc : list)
        if (bc.m_Def.m_nBlockChara && f(const_cast<cStageChara&>(bc))) return true;
    return false;
}

template <class F> void EachBlockChara(const cStageCharaList& list, F&& f) {
    AnyBlockChara(list, [&](cStageChara& bc) {
        f(bc);
        return false;
    });
}

// Calls f in the list's order on the block characters whose boxes may meet `r` (every one whose box
// meets it, and perhaps others); f must not move any object's box nor walk the block characters.
// f tells whether the block character took part, and must do nothing for one whose box is the very
// box of one that took part before it: such a one is passed over unread where the copies are used
// (block characters stand stacked in piles, of which only the first that takes part counts). The
// copies are found by the cells of their corners.
template <class F> void EachBlockCharaNear(const cStageCharaList& list, const cHitRect& r, F&& f) {
    cBlockCharaIndex& x = g_BlockCharas;
    const std::vector<cStageChara*>* items = IndexedBlockCharas(list);
    if (!items || !x.Refresh()) return EachBlockChara(list, [&f](cStageChara& bc) { f(bc); });
    if (!x.corners.made) x.corners.Make(x.rects);
    const std::vector<std::uint32_t>* pile = nullptr;
    x.corners.Collect(x.rects, r, x.found, pile);
    if (pile) {
        // Boxes all the same: the first that takes part is the only one that counts.
        for (const std::uint32_t k : *pile)
            if (f(*(*items)[k])) return;
        return;
    }
    x.tookPart.clear();
    for (const std::uint32_t k : x.found) {
        const cHitRect& box = x.rects[k];
        // Compared bit for bit: a box with an edge not a number meets nothing, and takes no part.
        if (std::any_of(x.tookPart.begin(), x.tookPart.end(),
                        [&](std::uint32_t t) { return std::memcmp(&x.rects[t], &box, sizeof box) == 0; }))
            continue;
        if (f(*(*items)[k])) x.tookPart.push_back(k);
    }
}

cStageChara* FindLiveBlockChara(cStageCharaList& list, int id, const cGameObject& self) {
    if (id == 0) return nullptr;
    if (const std::vector<cStageChara*>* items = IndexedBlockCharas(list); items && g_BlockCharas.Refresh()) {
        cIdChains& chains = g_BlockCharas.idChains;
        chains.Take(g_BlockCharas.ids);
        for (std::uint32_t k = chains.First(id); k != cIdChains::NONE; k = chains.Next(k))
            if (IsLiveBlockChara(*(*items)[k], self)) return (*items)[k];
        return nullptr;
    }
    cStageChara* found = nullptr;
    AnyBlockChara(list, [&](cStageChara& bc) {
        if (bc.m_nId == id && IsLiveBlockChara(bc, self)) found = &bc;
        return found != nullptr;
    });
    return found;
}

void StopRiding(cChara& c) {
    c.m_bRiding = 0;
    c.m_nRiddenId = 0;
    cObjectLinks::SetCarrier(c, nullptr);
}

void RecordRidden(cChara& c, const cStageChara& bc) {
    c.m_nRiddenId = bc.m_nId;
    c.m_RiddenRect[0] = bc.m_dX;
    c.m_RiddenRect[1] = bc.m_dY;
    c.m_RiddenRect[2] = bc.m_dRight;
    c.m_RiddenRect[3] = bc.m_dBottom;
}

bool TouchesAny(const cHitRect& strip, cStageCharaList& list, const cGameObject& self) {
    return AnyBlockChara(list, [&](const cStageChara& bc) {
        return RectsMeet(strip, PositionRect(bc)) && IsLiveBlockChara(bc, self);
    });
}

// The corrections that overlapping block characters propose: each is measured on both axes and
// proposes one side, by the axis of the smaller overlap depth.
struct Proposals {
    double left = -std::numeric_limits<double>::infinity(); // largest new left (a wall on the left)
    double right = std::numeric_limits<double>::infinity(); // smallest new left (a wall on the right)
    double floor = std::numeric_limits<double>::infinity(); // smallest new top
    double ceiling = -std::numeric_limits<double>::infinity();
    cStageChara *leftBy = nullptr, *rightBy = nullptr, *floorBy = nullptr, *ceilingBy = nullptr;
    bool touched = false;

    void Gather(cChara& c, cStageCharaList& list) {
        const cHitRect me = PositionRect(c);
        EachBlockCharaNear(
            list, me, [&](cStageChara & bc) __attribute__((always_inline)) {
                const cHitRect it = PositionRect(bc);
                // One met after another with the same box proposes the same and loses every tie to
                // it (the comparisons are strict): it changes nothing.
                if (!RectsMeet(me, it) || !IsLiveBlockChara(bc, c)) return false;
                touched = true;
                const double depthX = std::min(me.right, it.right) - std::max(me.left, it.left) + 1;
                const double depthY = std::min(me.bottom, it.bottom) - std::max(me.top, it.top) + 1;
                if (depthX < depthY) {
                    if (me.left + me.right < it.left + it.right) {
                        c.m_nTouchRight = 1;
                        if (it.left - c.m_nWidth < right) right = it.left - c.m_nWidth, rightBy = &bc;
                    } else {
                        c.m_nTouchLeft = 1;
                        if (it.right + 1 > left) left = it.right + 1, leftBy = &bc;
                    }
                } else if (me.top + me.bottom < it.top + it.bottom) {
                    c.m_nTouchBottom = 1;
                    if (it.top - c.m_nHeight < floor) floor = it.top - c.m_nHeight, floorBy = &bc;
                } else {
                    c.m_nTouchTop = 1;
                    if (it.bottom + 1 > ceiling) ceiling = it.bottom + 1, ceilingBy = &bc;
                }
                return true;
            });
    }
};

void SetLeft(cChara& c, double left) {
    c.m_dAX = 0;
    c.m_dX = left;
    c.AfterMoveX();
}

// Standing on a block character: it becomes the ridden one.
void StandOn(cChara& c, cStageChara& bc, double top) {
    const bool first = c.m_nRiddenId != bc.m_nId || !c.m_bRiding;
    RecordRidden(c, bc);
    cObjectLinks::SetCarrier(c, &bc);
    if (first) {
        c.m_bRiding = 1;
        if (IsPlayerSide(c)) bc.RaiseTrigger(TRIGGER_RIDDEN_BY_HERO);
        bc.RaiseTrigger(TRIGGER_RIDDEN);
    }
    c.m_dY = top;
    c.AfterMoveY();
    c.m_dVY = c.m_dAY = 0;
    c.m_nAirFrames = c.m_nApexFrames = 0;
    c.m_bAirborne = c.m_bFalling = 0;
    if (!IsPlayerSide(c)) c.m_bJumped = 0;
}

// Whether the object, moved to `top`, would meet another block character or a solid block.
bool BlockedAtTop(const cChara& c, double top, cStageCharaList& list, int exceptId) {
    const cHitRect moved{c.m_dX, top, c.m_dRight, top + c.m_nHeight - 1};
    if (AnyBlockChara(list, [&](const cStageChara& bc) {
            return RectsMeet(moved, PositionRect(bc)) && IsLiveBlockChara(bc, c) && bc.m_nId != exceptId;
        }))
        return true;
    const int l = static_cast<int>(moved.left) >> 5, r = static_cast<int>(moved.right) >> 5;
    const int t = static_cast<int>(moved.top) >> 5, b = static_cast<int>(moved.bottom) >> 5;
    return PickBlockAtCorners(l, t, r, b, c.m_nPassKind).solid != 0;
}

int NoGravityContact(cChara& c, cStageCharaList& list) {
    Proposals p;
    p.Gather(c, list);
    if (!p.touched) return WALK_GO_ON;
    c.RaiseTrigger(TRIGGER_BLOCK_CHARA);
    if (c.m_nBlockMode == 2) return WALK_KILLED;
    // Back against the nearest block character on each axis, or pushed by one moving into it.
    auto movingInto = [&](const cStageChara* bc, double speed, bool fromLowSide) {
        return bc && (fromLowSide ? speed > 0 : speed < 0);
    };
    if (p.leftBy || p.rightBy) {
        if (movingInto(p.leftBy, p.leftBy ? p.leftBy->m_dVX : 0, true) ||
            movingInto(p.rightBy, p.rightBy ? p.rightBy->m_dVX : 0, false)) {
            PushOutOfBlockChara(c, list, 0);
        } else {
            c.m_dVX = 0;
            c.m_dX = p.leftBy ? p.left : p.right;
            c.AfterMoveX();
        }
    }
    if (p.floorBy || p.ceilingBy) {
        if (movingInto(p.ceilingBy, p.ceilingBy ? p.ceilingBy->m_dVY : 0, true) ||
            movingInto(p.floorBy, p.floorBy ? p.floorBy->m_dVY : 0, false)) {
            PushOutOfBlockChara(c, list, 1);
        } else {
            c.m_dVY = 0;
            c.m_dY = p.ceilingBy ? p.ceiling : p.floor;
            c.AfterMoveY();
        }
    }
    // Pushed against another block character: both sides are touched, which the squeeze tests read.
    if (IsSqueezedByBlockCharas(c, PositionRect(c), list)) ECLog("Squeezed");
    return WALK_GO_ON;
}

} // namespace

// ---- Rectangles ----

bool RectsMeet(const cHitRect& a, const cHitRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

cHitRect PositionRect(const cGameObject& obj) {
    return {obj.m_dX, obj.m_dY, obj.m_dRight, obj.m_dBottom};
}

cHitRect ContactRect(const cChara& c) {
    return BodyRect(c);
}

cHitRect ShotTargetRect(const cChara& c) {
    if (c.m_nObjKind == OBJKIND_STAGECHARA) return FromPart(static_cast<const cStageChara&>(c).m_Parts[1], c);
    if (c.m_nObjKind == OBJKIND_HERO) return FromPart(static_cast<const cHero&>(c).m_Parts[1], c);
    return PositionRect(c);
}

cHitRect ItemTouchRect(const cHero& hero) {
    return FromPart(hero.m_Parts[2], hero);
}

cHitRect ShotHitRect(const cShot& shot) {
    return FromPart(shot.m_Part, shot);
}

bool CountsForHits(const cGameObject& obj) {
    return obj.m_bPresent && !obj.m_bRemoved;
}

bool TakesShots(const cChara& c) {
    if (!CountsForHits(c)) return false;
    // Heroes are always active.
    if (!g_Stage.m_nActiveOnly || c.m_nObjKind != OBJKIND_STAGECHARA) return true;
    return IsCharaRunning(static_cast<const cStageChara&>(c));
}

// ---- The three passes ----

namespace {

// Raises trigger `kind` on c, unless the raise would test no flow and change nothing (the same
// test as the raise makes, answered here without a call for the many contacts of a crowded pass).
inline void Raise(cChara& c, int kind) {
    if (g_ObjectFlowCalls.TriggerFlows &&
        c.m_FlowState.RaiseTestsNothing(kind, g_SystemData.m_nCompat525 != 0))
        return;
    c.RaiseTrigger(kind);
}

bool ShotHasEffect(const cShot& shot) {
    return shot.m_nPower != 0 || shot.m_nImpact != 0 || shot.m_nHitEffect != 0 ||
           shot.m_Settings.m_nItemPalette != 0;
}

// The item a shot hands to hero 1, built from its palette reference.
bool MakeShotItem(const cShot& shot, cItem& item) {
    const std::uint8_t palette = shot.m_Settings.m_nItemPalette;
    const std::int16_t entry = shot.m_Settings.m_nItemEntry;
    if (palette == 0) return false;
    const cEdItemDef* def = PaletteRefValid(static_cast<std::int8_t>(palette), entry);
    if (!def) return false;
    // Built as every item is, so that its command loops are expanded.
    item.Init(0, *def, 0, 0);
    item.m_bPresent = 1;
    return true;
}

// Anything that may move objects, change what the passes test of them or change the faction lists
// (a defeat and its flows, item commands) advances this count; what the passes took from the
// objects before is then taken again.
unsigned g_nHitEpoch = 0;

// The rectangles of a group's characters that a pass looks at, taken once and sorted into a grid, so
// that a shot or a character looks only at the characters near it. `pick` tells whether a character
// takes part and gives its rectangle; `part` is the part box the pass reads. Indexes are those of the
// group's list; the characters met come in the list's order.
class cGroupGrid {
  public:
    // `pick(c, r)` tells whether character c takes part and gives its rectangle r.
    // `lookUps` is about how many look-ups will come; with few, the grid is not laid out.
    template <class Pick>
    void Build(const std::vector<cGameObject*>& group, Pick pick, std::size_t lookUps) {
        Begin(group);
        m_Rects.resize(m_nSize);
        m_Taken.assign(m_nSize, 0);
        for (std::size_t k = 0; k < m_nSize; ++k) {
            if (group[k]) m_Taken[k] = pick(static_cast<const cChara&>(*group[k]), m_Rects[k]);
        }
        m_bWalkWhole = lookUps < FEW_LOOK_UPS;
        m_Grid.Build(m_Rects, m_Taken, m_bWalkWhole);
        m_nRetakes = 0;
        m_bMovesKnown = false;
        m_Moved.clear();
    }
    // Made valid for `group`, and laid out when about `lookUps` look-ups will come and it was not.
    // The rectangles of a list of the same length as the one last taken are taken again and those
    // that moved are moved in the grid, which is built again only when one could not be moved, a
    // character was taken or left out that was not before, or it was kept for long.
    template <class Pick>
    void Ready(const std::vector<cGameObject*>& group, Pick pick, std::size_t lookUps) {
        if (Valid(group)) {
            if (m_bWalkWhole && lookUps >= FEW_LOOK_UPS) Lay(false);
            return;
        }
        if (m_pGroup != &group || m_nSize != group.size()) return Build(group, pick, lookUps);
        Begin(group);
        ++m_nRetakes;
        bool build = false, joined = false;
        m_Moved.clear();
        for (std::size_t k = 0; k < m_nSize; ++k) {
            cHitRect r;
            const std::uint8_t taken = group[k] && pick(static_cast<const cChara&>(*group[k]), r);
            if (taken != m_Taken[k]) {
                m_Taken[k] = taken;
                build = joined = true;
            }
            if (!taken) continue;
            cHitRect& was = m_Rects[k];
            // Compared bit for bit, so that a rectangle with an edge that is not a number is the same
            // as long as it stays so (the grid leaves it out; a move of it would build the grid again).
            if (std::memcmp(&r, &was, sizeof r) == 0) continue;
            m_Moved.push_back({k, was});
            was = r;
            if (!build) build = !m_Grid.Move(k, r);
        }
        m_bMovesKnown = !joined;
        if (build || m_nRetakes >= MAX_RETAKES)
            Lay(m_bWalkWhole && lookUps < FEW_LOOK_UPS);
        else if (m_bWalkWhole && lookUps >= FEW_LOOK_UPS)
            Lay(false);
    }
    // Taken again at the next use; the storage is kept.
    void Forget() { m_bCurrent = false; }
    bool Valid(const std::vector<cGameObject*>& group) const {
        return m_bCurrent && m_nEpoch == g_nHitEpoch && m_pGroup == &group && m_nSize == group.size();
    }
    // The indexes from `from` on whose rectangles meet `r`, in increasing order.
    void Collect(const cHitRect& r, std::size_t from, std::vector<std::size_t>& out) {
        m_Grid.Collect(r, from, out);
    }
    // Those whose rectangles were taken, in increasing order, with their rectangles.
    const std::vector<std::size_t>& Taken() const { return m_Grid.Taken(); }
    const cHitRect& Rect(std::size_t k) const { return m_Rects[k]; }
    bool Beyond(const cHitRect& r) const { return m_Grid.Beyond(r); }
    // Advances whenever the rectangles are taken again.
    unsigned Version() const { return m_nVersion; }
    // Whether the characters taken are those of the version before, and Moved() lists those of
    // them whose rectangles changed since (with the rectangle they had).
    bool MovesKnown() const { return m_bMovesKnown; }
    struct cMove {
        std::size_t k;
        cHitRect was;
    };
    const std::vector<cMove>& Moved() const { return m_Moved; }

  private:
    // Fewer look-ups than this walk the list whole, which costs less than laying out a grid.
    static constexpr std::size_t FEW_LOOK_UPS = 16;
    // A grid taken again this many times is built anew, laid out for where the rectangles are now.
    static constexpr unsigned MAX_RETAKES = 20;
    void Begin(const std::vector<cGameObject*>& group) {
        ++m_nVersion;
        m_bCurrent = true;
        m_nEpoch = g_nHitEpoch;
        m_pGroup = &group;
        m_nSize = group.size();
    }
    void Lay(bool walkWhole) {
        m_bWalkWhole = walkWhole;
        m_Grid.Build(m_Rects, m_Taken, walkWhole);
        m_nRetakes = 0;
    }
    bool m_bCurrent = false;
    unsigned m_nVersion = 0;
    bool m_bMovesKnown = false;
    std::vector<cMove> m_Moved;
    unsigned m_nRetakes = 0;
    unsigned m_nEpoch = 0;
    const std::vector<cGameObject*>* m_pGroup = nullptr;
    std::size_t m_nSize = 0;
    std::vector<cHitRect> m_Rects;
    std::vector<std::uint8_t> m_Taken;
    bool m_bWalkWhole = true;
    cHitGrid m_Grid;
};

bool PickShotTarget(const cChara& c, cHitRect& r) {
    if (!TakesShots(c) || c.m_bDefeated || c.m_Def.m_nInvincible == SHOTS_PASS_THROUGH) return false;
    r = ShotTargetRect(c);
    return true;
}

// One shot against the characters of one group. Returns a result of 1 or 2 at once; `ends` tells
// whether the shot stopped at a character.
int ShotAgainstGroup(cShot& shot, std::vector<cGameObject*>& charas, cGroupGrid& grid, std::size_t lookUps,
                     bool& ends, std::vector<std::size_t>& candidates) {
    std::size_t from = 0;
    for (;;) {
        grid.Ready(charas, PickShotTarget, lookUps);
        grid.Collect(ShotHitRect(shot), from, candidates);
        const unsigned epoch = g_nHitEpoch;
        for (const std::size_t k : candidates) {
            if (!charas[k]) continue;
            auto& c = static_cast<cChara&>(*charas[k]);
            if (std::find(shot.m_HitIds.begin(), shot.m_HitIds.end(), c.m_nId) != shot.m_HitIds.end())
                continue;
            Raise(c, TRIGGER_SHOT);
            if (!ShotHasEffect(shot) || c.IsInvincible()) continue;
            // A blow that is survived changes the character struck (its HP, knock-back speeds,
            // invincibility and flows started) and no rectangle, list or mark the pass reads of the
            // others; a defeat's flows and an item's commands may change anything.
            if (!c.TakeHitFromShot(shot)) {
                PlaySe(SE_DAMAGE);
                c.StartInvincibility();
            } else {
                ++g_nHitEpoch;
                if (!IsPlayerSide(c)) PlaySe(SE_DEFEAT);
                if (const int r = DefeatObject(c)) return r;
            }
            const bool passes = IsBlockChara(c) ? shot.m_Settings.m_bThroughBlockCharas == 1
                                                : shot.m_Settings.m_bThroughCharas == 1;
            if (!shot.m_bEndsOnHit || passes)
                shot.m_HitIds.push_back(c.m_nId);
            else
                ends = true;
            cItem item;
            if (cHero* hero = Hero1(); hero && MakeShotItem(shot, item)) {
                ++g_nHitEpoch;
                if (const int r = TakeItem(&item, *hero)) return r;
            }
            if (epoch == g_nHitEpoch) continue;
            from = k + 1;
            break;
        }
        if (epoch == g_nHitEpoch) return HIT_NONE;
    }
}

int ShotAgainstCharas(cGameScene& scene) {
    static cGroupGrid grids[FACTION_COUNT];
    static std::vector<std::size_t> candidates;
    // A shot marked to end meets every character group of the pass and goes after it.
    static std::vector<cShot*> ending;
    ending.clear();
    // A defeat's flows may take characters out of the lists walked here.
    const cFactionWalk walk;
    auto endMarked = [] {
        for (cShot* shot : ending)
            shot->m_bRemoved = 1;
    };
    for (auto& g : grids)
        g.Forget();
    // The shots of the other groups, which the characters of each group meet.
    std::size_t shotsAgainst[FACTION_COUNT] = {};
    for (int i = 0; i < FACTION_COUNT; ++i)
        for (int j = 0; j < FACTION_COUNT; ++j)
            if (j != i) shotsAgainst[j] += scene.m_ShotGroups[i].size();
    for (int i = 0; i < FACTION_COUNT; ++i) {
        auto& shots = scene.m_ShotGroups[i];
        for (int j = 0; j < FACTION_COUNT; ++j) {
            if (j == i) continue;
            auto& charas = scene.m_CharaGroups[j];
            // Indexes, not iterators: objects a dying flow adds join at the end.
            for (std::size_t s = 0; s < shots.size(); ++s) {
                if (charas.empty()) break;
                if (!shots[s]) continue;
                auto& shot = static_cast<cShot&>(*shots[s]);
                if (shot.m_bRemoved || !CountsForHits(shot)) continue;
                bool ends = false;
                const int r = ShotAgainstGroup(shot, charas, grids[j], shotsAgainst[j], ends, candidates);
                if (ends && std::find(ending.begin(), ending.end(), &shot) == ending.end())
                    ending.push_back(&shot);
                if (r != HIT_NONE) {
                    endMarked();
                    return r;
                }
            }
        }
    }
    endMarked();
    return HIT_NONE;
}

bool TakesBodyContact(const cChara& c) {
    // The definition's mark first: of a block character, the walks read nothing else.
    return !IsBlockChara(c) && CountsForHits(c) && !c.m_bDefeated;
}

bool PickBodyContact(const cChara& c, cHitRect& r) {
    if (!TakesBodyContact(c)) return false;
    r = BodyRect(c);
    return true;
}
struct PickBody {
    bool operator()(const cChara& c, cHitRect& r) const { return PickBodyContact(c, r); }
};

bool HurtsByBody(const cChara& by) {
    return by.m_Def.m_nBodyPower != 0 || by.Impact() != 0;
}

// The blows of a contact between a and b in which one or both are hurt.
[[gnu::noinline]] int CharaBlows(cChara& a, cChara& b, bool hurtA, bool hurtB) {
    // A blow that is survived changes the character struck (its HP, knock-back speeds,
    // invincibility and flows started) and no rectangle, list or mark the pass reads of the others;
    // a defeat's flows may change anything.
    const int deadA = hurtA ? a.TakeHitFromChara(b) : 0;
    const int deadB = hurtB ? b.TakeHitFromChara(a) : 0;
    if (deadA || deadB) ++g_nHitEpoch;
    PlaySe(SE_DAMAGE);
    const struct {
        bool hurt;
        int dead;
        cChara& victim;
        cChara& other;
    } victims[2] = {{hurtA, deadA, a, b}, {hurtB, deadB, b, a}};
    for (const auto& v : victims) {
        if (!v.hurt) continue;
        if (!v.dead) {
            v.victim.StartInvincibilityFrom(v.other.m_nId);
            continue;
        }
        if (!IsPlayerSide(v.victim)) PlaySe(SE_DEFEAT);
        if (const int r = DefeatObject(v.victim)) return r;
    }
    return HIT_NONE;
}

// Body contact between a and b, which meet: the triggers they raise and the blows they deal.
[[gnu::always_inline]] inline int CharaContact(cChara& a, cChara& b) {
    Raise(a, TRIGGER_CHARA);
    Raise(b, TRIGGER_CHARA);
    const bool hurtA = HurtsByBody(b) && !a.IsInvincibleTo(b.m_nId);
    const bool hurtB = HurtsByBody(a) && !b.IsInvincibleTo(a.m_nId);
    if (!hurtA && !hurtB) return HIT_NONE;
    return CharaBlows(a, b, hurtA, hurtB);
}

// The characters of group k that each character of group i taken met in the last walk of the two
// groups, kept for the next: a character's list is looked up again only when its rectangle moved or
// a character of group k moved from or to a place that meets it.
struct cPairMeets {
    bool valid = false;
    unsigned versionI = 0, versionK = 0;
    // The list of the character taken at position t of group i's is ks[start[t] .. start[t + 1]).
    std::vector<std::uint32_t> start, ks;
    std::vector<std::uint32_t> nextStart, nextKs;
};

// Whether the lists made at version `was` of a grid still serve at its present version; then the
// characters whose lists may have changed are those its last moves tell.
bool MeetsServe(const cGroupGrid& g, unsigned was, bool& moves) {
    moves = was != g.Version();
    return !moves || (was + 1 == g.Version() && g.MovesKnown());
}

int CharaAgainstCharas(cGameScene& scene) {
    static cGroupGrid grids[FACTION_COUNT];
    static std::vector<std::size_t> candidates, near;
    static cPairMeets meets[FACTION_COUNT][FACTION_COUNT];
    // Marks of the characters of group i whose lists are looked up again.
    static std::vector<unsigned> stale;
    static unsigned staleMark = 0;
    // The places characters of group k moved from and to, whose meeting characters of group i are
    // looked up again; made once for each version of group k's grid.
    static cHitGrid changed[FACTION_COUNT];
    static bool changedMade[FACTION_COUNT] = {};
    static unsigned changedVersion[FACTION_COUNT] = {};
    static std::vector<cHitRect> changedRects;
    static std::vector<std::uint8_t> changedTaken;
    // The lists of the last walk are taken only while group i has this many characters taken for
    // each character of group k that moved: else looking up them all costs less.
    constexpr std::size_t TAKERS_PER_MOVE = 8;
    // Nor are they kept for a group k of fewer characters taken, which a look-up walks whole.
    constexpr std::size_t KEEP_FROM = 16;
    for (auto& g : grids)
        g.Forget();
    // The characters of the groups before each, which meet its characters.
    std::size_t charasBefore[FACTION_COUNT] = {};
    for (int k = 1; k < FACTION_COUNT; ++k)
        charasBefore[k] = charasBefore[k - 1] + scene.m_CharaGroups[k - 1].size();
    // A defeat's flows may take characters out of the lists walked here.
    const cFactionWalk walk;
    for (int i = 0; i < FACTION_COUNT; ++i) {
        for (int k = i + 1; k < FACTION_COUNT; ++k) {
            auto& gi = scene.m_CharaGroups[i];
            auto& gk = scene.m_CharaGroups[k];
            if (gk.empty()) continue;
            // The characters of group i that take contact, each against the characters of group k
            // that it meets, in the groups' orders. The rectangles and marks the pass reads change
            // only with a defeat or an item's commands (which advance the epoch; a trigger raised
            // only starts flows, which run later), so while the epoch holds, those taken once for
            // each group stand for the characters as they are.
            for (std::size_t x = 0;;) {
                grids[i].Ready(gi, PickBody{}, 0);
                grids[k].Ready(gk, PickBody{}, charasBefore[k]);
                const std::vector<std::size_t>& takers = grids[i].Taken();
                if (grids[k].Taken().empty()) break;
                const unsigned epoch = g_nHitEpoch;
                std::size_t from = 0;
                cChara* met = nullptr;
                // A walk of the whole list keeps its lists for the next, and takes those of the last
                // that still serve.
                cPairMeets& pm = meets[i][k];
                const bool keep = x == 0 && grids[k].Taken().size() >= KEEP_FROM;
                if (x == 0 && !keep) pm.valid = false;
                bool reuse = false, movedK = false;
                if (keep) {
                    bool movesI = false, movesK = false;
                    reuse = pm.valid && pm.start.size() == takers.size() + 1 &&
                            MeetsServe(grids[i], pm.versionI, movesI) &&
                            MeetsServe(grids[k], pm.versionK, movesK) &&
                            (!movesK || takers.size() >= TAKERS_PER_MOVE * grids[k].Moved().size());
                    pm.valid = false;
                    if (reuse) {
                        if (stale.size() < gi.size()) stale.resize(gi.size(), staleMark);
                        if (++staleMark == 0) {
                            std::fill(stale.begin(), stale.end(), 0);
                            staleMark = 1;
                        }
                        if (movesI)
                            for (const cGroupGrid::cMove& m : grids[i].Moved())
                                stale[m.k] = staleMark;
                        // Where the characters of group k that moved were and are now.
                        movedK = movesK && !grids[k].Moved().empty();
                        if (movedK && !(changedMade[k] && changedVersion[k] == grids[k].Version())) {
                            changedRects.clear();
                            for (const cGroupGrid::cMove& m : grids[k].Moved()) {
                                changedRects.push_back(m.was);
                                changedRects.push_back(grids[k].Rect(m.k));
                            }
                            changedTaken.assign(changedRects.size(), 1);
                            changed[k].Build(changedRects, changedTaken);
                            changedMade[k] = true;
                            changedVersion[k] = grids[k].Version();
                        }
                    }
                }
                pm.nextStart.assign(1, 0);
                pm.nextKs.clear();
                auto t = std::lower_bound(takers.begin(), takers.end(), x);
                for (; t != takers.end(); ++t) {
                    if (!keep) {
                        const cHitRect& ra = grids[i].Rect(*t);
                        if (grids[k].Beyond(ra)) continue;
                        grids[k].Collect(ra, 0, candidates);
                        met = static_cast<cChara*>(gi[*t]);
                        for (const std::size_t y : candidates) {
                            if (const int r = CharaContact(*met, static_cast<cChara&>(*gk[y]))) return r;
                            if (epoch == g_nHitEpoch) continue;
                            from = y + 1;
                            break;
                        }
                        if (epoch != g_nHitEpoch) break;
                        continue;
                    }
                    bool fresh = !reuse || stale[*t] == staleMark;
                    if (!fresh && movedK) {
                        changed[k].Collect(grids[i].Rect(*t), 0, near);
                        fresh = !near.empty();
                    }
                    if (!fresh) {
                        const std::size_t at = static_cast<std::size_t>(t - takers.begin());
                        pm.nextKs.insert(pm.nextKs.end(), pm.ks.begin() + pm.start[at],
                                         pm.ks.begin() + pm.start[at + 1]);
                    } else {
                        const cHitRect& ra = grids[i].Rect(*t);
                        if (grids[k].Beyond(ra))
                            candidates.clear();
                        else
                            grids[k].Collect(ra, 0, candidates);
                        pm.nextKs.insert(pm.nextKs.end(), candidates.begin(), candidates.end());
                    }
                    const std::size_t first = pm.nextStart.back(), end = pm.nextKs.size();
                    pm.nextStart.push_back(static_cast<std::uint32_t>(end));
                    if (first == end) continue;
                    met = static_cast<cChara*>(gi[*t]);
                    for (std::size_t n = first; n < end; ++n) {
                        const std::size_t y = pm.nextKs[n];
                        if (const int r = CharaContact(*met, static_cast<cChara&>(*gk[y]))) return r;
                        if (epoch == g_nHitEpoch) continue;
                        from = y + 1;
                        break;
                    }
                    if (epoch != g_nHitEpoch) break;
                }
                if (t == takers.end()) {
                    if (keep) {
                        pm.start.swap(pm.nextStart);
                        pm.ks.swap(pm.nextKs);
                        pm.versionI = grids[i].Version();
                        pm.versionK = grids[k].Version();
                        pm.valid = true;
                    }
                    break;
                }
                // After a defeat, which may change anything: the characters of group k after the
                // one a met, as they are now.
                x = *t;
                cChara& a = *met;
                while (TakesBodyContact(a)) {
                    grids[k].Ready(gk, PickBody{}, charasBefore[k]);
                    grids[k].Collect(BodyRect(a), from, candidates);
                    const unsigned epoch2 = g_nHitEpoch;
                    for (const std::size_t y : candidates) {
                        if (!gk[y]) continue;
                        auto& b = static_cast<cChara&>(*gk[y]);
                        if (!TakesBodyContact(a) || !TakesBodyContact(b) ||
                            !RectsMeet(BodyRect(a), BodyRect(b)))
                            continue;
                        if (const int r = CharaContact(a, b)) return r;
                        if (epoch2 == g_nHitEpoch) continue;
                        from = y + 1;
                        break;
                    }
                    if (epoch2 == g_nHitEpoch) break;
                }
                ++x;
            }
        }
    }
    return HIT_NONE;
}

// What shot against shot reads of one group, taken once: the pass changes nothing but the removal
// marks, which it keeps here and on the shots alike.
struct cShotTable {
    std::vector<cShot*> shots;
    std::vector<cHitRect> rects;
    std::vector<std::uint8_t> cancels, removed;
    std::vector<int> strengths;
    std::vector<std::size_t> all, cancellable;

    void Build(const std::vector<cGameObject*>& group) {
        const std::size_t n = group.size();
        shots.resize(n);
        rects.resize(n);
        cancels.resize(n);
        removed.resize(n);
        strengths.resize(n);
        all.resize(n);
        cancellable.clear();
        for (std::size_t x = 0; x < n; ++x) {
            auto& s = static_cast<cShot&>(*group[x]);
            shots[x] = &s;
            rects[x] = PositionRect(s);
            cancels[x] = s.m_Settings.m_bCancelWithShots != 0;
            removed[x] = s.m_bRemoved != 0;
            strengths[x] = s.m_Settings.m_nVanishValue;
            all[x] = x;
            if (cancels[x]) cancellable.push_back(x);
        }
    }
    void Remove(std::size_t x) {
        removed[x] = 1;
        shots[x]->m_bRemoved = 1;
    }
};

void ShotAgainstShots(cGameScene& scene) {
    static cShotTable tables[FACTION_COUNT];
    for (int i = 0; i < FACTION_COUNT; ++i)
        tables[i].Build(scene.m_ShotGroups[i]);
    for (int i = 0; i < FACTION_COUNT; ++i) {
        cShotTable& ta = tables[i];
        for (int k = i + 1; k < FACTION_COUNT; ++k) {
            cShotTable& tb = tables[k];
            for (std::size_t x = 0; x < ta.shots.size(); ++x) {
                const bool ca = ta.cancels[x] != 0;
                // A pair of shots neither of which is cancellable does nothing.
                for (const std::size_t y : ca ? tb.all : tb.cancellable) {
                    if (ta.removed[x]) break;
                    if (tb.removed[y]) continue;
                    if (!RectsMeet(ta.rects[x], tb.rects[y])) continue;
                    const bool cb = tb.cancels[y] != 0;
                    if (ca && cb) {
                        const int sa = ta.strengths[x], sb = tb.strengths[y];
                        if (sa <= sb) ta.Remove(x);
                        if (sb <= sa) tb.Remove(y);
                    } else {
                        ca ? ta.Remove(x) : tb.Remove(y);
                    }
                }
            }
        }
    }
}

void Sweep(cGameScene* scene, bool releaseDefeated, bool charas = true);

// What the removal walk of a sub-step left: no character out of play, and whether it kept one
// defeated; the list as it stood.
struct cRemovalNote {
    const cGameScene* scene = nullptr;
    int subStep = 0;
    bool keptDefeated = true;
    std::size_t size = 0;
    const cStageChara* back = nullptr;
    unsigned charaEpoch = 0;
} g_RemovalNote;

// Whether the removal walk of the scene's present sub-step, right before the hits, kept no
// character defeated and the list is as it left it.
bool CharasLeftClean(const cGameScene& scene) {
    const cRemovalNote& n = g_RemovalNote;
    return n.scene == &scene && n.subStep == scene.m_nSubStepCount && !n.keptDefeated &&
           n.size == g_Charas.size() && n.back == (g_Charas.empty() ? nullptr : &g_Charas.back()) &&
           n.charaEpoch == CharaIndexEpoch();
}

} // namespace

void NoteCharasRemovedOutside(const cGameScene& scene, bool keptDefeated) {
    g_RemovalNote = {&scene,
                     scene.m_nSubStepCount,
                     keptDefeated,
                     g_Charas.size(),
                     g_Charas.empty() ? nullptr : &g_Charas.back(),
                     CharaIndexEpoch()};
}

int ResolveShotAndCharaHits(cGameScene& scene, bool shotStep) {
    // Only a defeat or an item's commands (which advance the epoch) take a character out of play
    // or defeat one in the passes: without them, characters left with none out of play and none
    // defeated are so still, and the sweep has none to erase.
    const unsigned epoch = g_nHitEpoch;
    int r = shotStep ? ShotAgainstCharas(scene) : HIT_NONE;
    if (r == HIT_NONE) r = CharaAgainstCharas(scene);
    if (r == HIT_NONE) ShotAgainstShots(scene);
    const bool charasClean = epoch == g_nHitEpoch && CharasLeftClean(scene);
    // The note serves this pass alone.
    g_RemovalNote.scene = nullptr;
    // Characters defeated by hits leave at once unless the project keeps them to show their death.
    Sweep(&scene, !KeepsDefeated(), !charasClean);
    return r;
}

// ---- Block characters ----

bool OverlapsChara(const cGameObject& obj, const cStageCharaList& list) {
    return OverlapsCharaExcept(obj, list, 0);
}

bool OverlapsCharaExcept(const cGameObject& obj, const cStageCharaList& list, int otherId) {
    if (PassesBlocks(obj)) return false;
    const cHitRect me = PositionRect(obj);
    return AnyBlockChara(list, [&](const cStageChara& bc) {
        return RectsMeet(me, PositionRect(bc)) && IsLiveBlockChara(bc, obj) &&
               (otherId == 0 || bc.m_nId != otherId);
    });
}

bool IsStandingOnRidden(const cChara& c, cStageCharaList& list) {
    const cStageChara* bc = FindLiveBlockChara(list, c.m_nRiddenId, c);
    return bc && RectsMeet({c.m_dX, c.m_dBottom, c.m_dRight, c.m_dBottom + 5}, PositionRect(*bc));
}

bool IsSqueezedByBlockCharas(const cChara& c, const cHitRect& r, cStageCharaList& list) {
    const cHitRect me = PositionRect(c);
    const cHitRect strips[4][2] = {
        {{me.left, me.top + 1, me.left, me.bottom - 1}, {r.right, r.top + 1, r.right, r.bottom - 1}},
        {{me.right, me.top + 1, me.right, me.bottom - 1}, {r.left, r.top + 1, r.left, r.bottom - 1}},
        {{me.left + 1, me.top, me.right - 1, me.top}, {r.left + 1, r.bottom, r.right - 1, r.bottom}},
        {{me.left + 1, me.bottom, me.right - 1, me.bottom}, {r.left + 1, r.top, r.right - 1, r.top}},
    };
    for (const auto& pair : strips)
        if (TouchesAny(pair[0], list, c) && TouchesAny(pair[1], list, c)) return true;
    return false;
}

void PushOutOfBlockChara(cChara& c, cStageCharaList& list, int axis) {
    const cHitRect me = PositionRect(c);
    double low = -std::numeric_limits<double>::infinity(), high = std::numeric_limits<double>::infinity();
    const cStageChara *lowBy = nullptr, *highBy = nullptr;
    EachBlockChara(list, [&](cStageChara& bc) {
        const cHitRect it = PositionRect(bc);
        if (!RectsMeet(me, it) || !IsLiveBlockChara(bc, c)) return;
        if (axis == 0) {
            if (RectsMeet({me.left, me.top + 1, me.left, me.bottom - 1}, it)) {
                c.m_nTouchLeft = 1;
                if (it.right + 1 > low) low = it.right + 1, lowBy = &bc;
            }
            if (RectsMeet({me.right, me.top + 1, me.right, me.bottom - 1}, it)) {
                c.m_nTouchRight = 1;
                if (it.left - c.m_nWidth < high) high = it.left - c.m_nWidth, highBy = &bc;
            }
        } else {
            if (RectsMeet({me.left + 1, me.top, me.right - 1, me.top}, it)) {
                c.m_nTouchTop = 1;
                if (it.bottom + 1 > low) low = it.bottom + 1, lowBy = &bc;
            }
            if (RectsMeet({me.left + 1, me.bottom, me.right - 1, me.bottom}, it)) {
                c.m_nTouchBottom = 1;
                if (it.top - c.m_nHeight < high) high = it.top - c.m_nHeight, highBy = &bc;
            }
        }
    });
    if (axis == 0) {
        if (lowBy) SetLeft(c, low);
        if (highBy) SetLeft(c, high);
        return;
    }
    for (const double top : {lowBy ? low : double{c.m_dY}, highBy ? high : double{c.m_dY}}) {
        c.m_dY = top;
        c.AfterMoveY();
    }
}

int ResolveBlockCharaContact(cChara& c, cStageCharaList& list) {
    if (PassesBlocks(c)) return WALK_GO_ON;
    if (c.m_bNoGravity) return NoGravityContact(c, list);
    Proposals p;
    p.Gather(c, list);
    int result = WALK_GO_ON;
    if (p.floorBy) {
        StandOn(c, *p.floorBy, p.floor);
    } else if (c.m_bRiding && !IsStandingOnRidden(c, list)) {
        StopRiding(c);
    }
    if (p.ceilingBy && c.m_dVY < 0 && !BlockedAtTop(c, p.ceiling, list, p.ceilingBy->m_nId)) {
        c.m_bAirborne = c.m_bJumped = 1;
        c.m_dVY = p.ceilingBy->m_dVY;
        c.m_dY = p.ceiling;
        c.AfterMoveY();
        result = CheckFloorAndCeiling(c);
    }
    if (p.leftBy) SetLeft(c, p.left);
    if (p.rightBy) SetLeft(c, p.right);
    if (p.touched) c.RaiseTrigger(TRIGGER_BLOCK_CHARA);
    if (p.touched && c.m_bRiding) c.RaiseTrigger(TRIGGER_ON_BLOCK_CHARA);
    return result;
}

void CarryRider(cChara& c, cStageCharaList& list) {
    if (c.m_bNoGravity || !c.m_bRiding) return;
    cStageChara* bc = FindLiveBlockChara(list, c.m_nRiddenId, c);
    if (!bc) {
        StopRiding(c);
        return;
    }
    c.m_dVX += bc->m_dX - c.m_RiddenRect[0];
    if (bc->m_bNoGravity || bc->m_bFalling) c.m_dVY = bc->m_dY - c.m_RiddenRect[1];
    // The rider now goes along with this much of the carrier's way: the next carry takes only what
    // the carrier moves from here on, whether or not the rider lands on it again in between.
    RecordRidden(c, *bc);
    if (IsPlayerSide(c)) bc->RaiseTrigger(TRIGGER_RIDDEN_BY_HERO);
    bc->RaiseTrigger(TRIGGER_RIDDEN);
}

// ---- Items ----

int TakeItem(cItem* item, cHero& hero) {
    if (!item || item->m_Def.m_nTakeMode == 2 || !item->m_bPresent) return 0;
    if (item->m_Def.m_nTakeMessage)
        hero.PushMessage(item->m_Def.m_nPictureKind, item->m_Def.m_nPictureNo, item->m_Def.m_nPictureArg);
    PlayUserSe(static_cast<std::int16_t>(item->m_Def.m_nSoundNo));
    return hero.RunItemCommands(item->m_Def.m_Commands);
}

int TouchItems(cHero& hero) {
    cHero* taker = Hero1();
    int result = 0;
    // The touch of one item; whether the walk stops. A touch that starts flows or takes an item may
    // change anything: the rest of the walk follows the list itself.
    bool changed = false;
    const auto touch = [&](cItem & item) __attribute__((always_inline)) {
        // The item's place first, in the line of its marks; its definition only for one met or
        // remembered as touched.
        if (!item.m_bPresent || item.m_bTaken || item.m_bRemoved) return false;
        auto& touching = hero.m_TouchingItems;
        if (!RectsMeet(ItemTouchRect(hero), PositionRect(item))) {
            if (touching.empty() || item.m_Def.m_nTakeMode != 1) return false;
            const auto at = std::find(touching.begin(), touching.end(), item.m_nId);
            if (at != touching.end()) touching.erase(at);
            return false;
        }
        if (item.m_Def.m_nTakeMode == 2) return false;
        const auto at = std::find(touching.begin(), touching.end(), item.m_nId);
        const bool staying = item.m_Def.m_nTakeMode == 1;
        changed = true;
        hero.RaiseTrigger(TRIGGER_ITEM);
        if (staying && at != touching.end()) return false;
        if (at == touching.end()) touching.push_back(item.m_nId);
        if (!taker) return false;
        result = TakeItem(&item, *taker);
        if (!staying) item.m_bTaken = 1;
        return result != 0;
    };
    std::size_t n = 0;
    const std::list<cItem>::iterator* const at = ItemsInOrder(g_lpGameScene, n);
    // The walk reads no item's links until it follows the list itself.
    bool stopped = false;
    std::size_t k = 0;
    for (; k < n; ++k) {
        if ((stopped = touch(*at[k])) || changed) break;
    }
    auto it = stopped ? g_Items.end() : n ? std::next(at[std::min(k, n - 1)]) : g_Items.begin();
    for (; !stopped && it != g_Items.end(); ++it)
        stopped = touch(*it);
    EraseItemsOutOfPlay(g_lpGameScene);
    // A taken item is gone: no touch of it is remembered.
    hero.m_TouchingItems.remove_if([](int id) {
        return std::none_of(g_Items.begin(), g_Items.end(), [id](const cItem& i) { return i.m_nId == id; });
    });
    return result;
}

// ---- Deaths ----

int DefeatObject(cChara& c) {
    if (IsPlayerSide(c)) return HIT_PLAYER_DIED;
    if (c.m_bDefeated) return HIT_NONE;
    return c.Defeat() == 1 ? HIT_STAGE_CLEAR : HIT_NONE;
}

int ResolveDeath(cChara& c) {
    const int r = DefeatObject(c);
    if (r == HIT_STAGE_CLEAR) {
        EndStage();
    } else if (r == HIT_PLAYER_DIED) {
        PlaySe(SE_PLAYER_DEFEAT);
        cHero* hero = Hero1();
        if (hero && !hero->m_bDefeated && hero->Defeat() == 1) EndStage();
    }
    return r;
}

int CheckDefeats() {
    if (cHero* hero = Hero1(); hero && hero->m_nHP <= 0) {
        if (!hero->m_bDefeated) {
            PlaySe(SE_PLAYER_DEFEAT);
            if (hero->Defeat() == 1) EndStage();
        }
        return 1;
    }
    for (cStageChara& c : g_Charas) {
        if (c.m_bRemoved || c.m_nHP > 0) continue;
        // A defeated character kept to show its death has been through here once already.
        if (c.m_bDefeated && KeepsDefeated()) continue;
        const int r = ResolveDeath(c);
        if (KeepsDefeated()) {
            if (r == HIT_STAGE_CLEAR) {
                RemoveFromPlay(c);
                return 1;
            }
            PlaySe(SE_DEFEAT);
        } else {
            RemoveFromPlay(c);
        }
        if (r != HIT_NONE) return 1;
    }
    return 0;
}

void RemoveFromPlay(cStageChara& c) {
    if (c.m_bRemoved) return;
    cObjectLinks::UnlinkAll(c);
    c.m_bRemoved = 1;
}

cBlockCharaScope::cBlockCharaScope() {
    if (g_BlockCharas.scopes++ == 0) g_BlockCharas.Forget();
}

cBlockCharaScope::~cBlockCharaScope() {
    if (--g_BlockCharas.scopes == 0) g_BlockCharas.Forget();
}

void ForgetBlockCharas() {
    g_BlockCharas.Forget();
}

bool BeginBlockCharaErase() {
    cBlockCharaIndex& x = g_BlockCharas;
    // Kept only while current, with copies found by line (a list without them is not brought up to
    // date only to be forgotten; bringing it up to date may leave it without them).
    if (!x.made || x.slots.empty() || !IndexedBlockCharas(g_Charas) || x.slots.empty()) {
        x.Forget();
        return false;
    }
    x.gone.assign(x.items.size(), 0);
    x.anyGone = false;
    return true;
}

void NoteCharaErased(const cStageChara& c) {
    cBlockCharaIndex& x = g_BlockCharas;
    if (const std::uint32_t* slot = x.slots.find(CoordLineOf(&c.m_dX)); slot && x.items[*slot] == &c) {
        x.gone[*slot] = 1;
        x.anyGone = true;
    }
}

void EndBlockCharaErase() {
    cBlockCharaIndex& x = g_BlockCharas;
    if (x.anyGone) {
        std::size_t kept = 0;
        x.slots.clear();
        for (std::size_t k = 0; k < x.items.size(); ++k) {
            if (x.gone[k]) continue;
            x.items[kept] = x.items[k];
            x.rects[kept] = x.rects[k];
            x.ids[kept] = x.ids[k];
            x.slots.emplace(CoordLineOf(&x.items[kept]->m_dX), static_cast<std::uint32_t>(kept));
            ++kept;
        }
        x.items.resize(kept);
        x.rects.resize(kept);
        x.ids.resize(kept);
        x.idChains.Forget();
        x.corners.made = false;
        if (x.slots.empty()) {
            // No block character is left to copy: nothing need be noted.
            x.Forget();
            return;
        }
    }
    x.size = g_Charas.size();
    x.back = g_Charas.empty() ? nullptr : &g_Charas.back();
    x.charaEpoch = CharaIndexEpoch();
    x.charaBuilds = g_CharaIndex.builds;
}

namespace {

// The sweep; with releaseDefeated, the defeated characters of the computer's side leave play first.
// Leaving play only cuts links, and erasing a character out of play cuts none that another's
// leaving would, so each character may leave and go before the next is looked at: one walk.
void Sweep(cGameScene* scene, bool releaseDefeated, bool charas) {
    if (charas)
        EraseCharasKeepingBlockCharasIf(
            [releaseDefeated](cStageChara& c) {
                if (releaseDefeated && c.m_bDefeated && !c.m_bRemoved && !IsPlayerSide(c)) RemoveFromPlay(c);
                return c.m_bRemoved != 0;
            });
    EraseItemsOutOfPlay(scene);
    if (!scene) return;
    // The shots about to go leave their faction lists in one pass over each list, in the order the
    // lists keep, instead of each searching its list as it goes.
    for (std::vector<cGameObject*>& group : scene->m_ShotGroups)
        group.erase(std::remove_if(group.begin(), group.end(),
                                   [](cGameObject* o) {
                                       if (o->m_nObjKind != OBJKIND_SHOT || !o->m_bRemoved) return false;
                                       o->m_pGroupList = nullptr;
                                       o->m_nGroupFaction = -1;
                                       return true;
                                   }),
                    group.end());
    scene->m_Shots.remove_if([](const cShot& s) { return s.m_bRemoved != 0; });
    scene->m_nEndedShots = 0;
}

} // namespace

void SweepRemoved(cGameScene* scene) {
    Sweep(scene, false);
}
