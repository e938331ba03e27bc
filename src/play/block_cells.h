// The tables that keep the block characters of a frame's sub-steps: an open table of values by key,
// the indexes of each id in a list of ids, and the block characters' boxes by the cells of their
// corners.
#pragma once

#include "play/hit_rect.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// The bits a table hashes: a line's address without its offset bits, an id as an unsigned word.
inline std::uint64_t TableBits(std::uintptr_t line) {
    return line >> 6;
}
inline std::uint64_t TableBits(int id) {
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
    void Make(const std::vector<cHitRect>& rects);
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
    void TakeMoves(const std::vector<cHitRect>& rects);
    // Box k of the list is now `now`.
    void Move(std::uint32_t k, const cHitRect& now);

  public:
    // The indexes of the boxes of `rects` that meet `r`, in increasing order: in `out`, or, when
    // they are those of one pile alone (of the same box), given by `pile`, with `out` left empty.
    void Collect(const std::vector<cHitRect>& rects, const cHitRect& r, std::vector<std::uint32_t>& out,
                 const std::vector<std::uint32_t>*& pile);

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
    void Link(std::uint32_t k, std::int64_t key, const cHitRect& box);
    void Unlink(std::uint32_t k);
    // The pile of cell `key` with the very box `box`, or NONE.
    std::uint32_t PileOf(std::int64_t key, const cHitRect& box) const;
    // Takes pile p out of its cell's chain.
    void UnlinkPile(std::uint32_t p);
    std::uint32_t NewPile();

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
