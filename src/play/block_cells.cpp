#include "play/block_cells.h"

#include "objects/game_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void cCornerCells::Make(const std::vector<cHitRect>& rects) {
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

void cCornerCells::TakeMoves(const std::vector<cHitRect>& rects) {
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

void cCornerCells::Move(std::uint32_t k, const cHitRect& now) {
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

void cCornerCells::Collect(const std::vector<cHitRect>& rects, const cHitRect& r,
                           std::vector<std::uint32_t>& out, const std::vector<std::uint32_t>*& pile) {
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

void cCornerCells::Link(std::uint32_t k, std::int64_t key, const cHitRect& box) {
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

void cCornerCells::Unlink(std::uint32_t k) {
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

std::uint32_t cCornerCells::PileOf(std::int64_t key, const cHitRect& box) const {
    std::uint32_t p = m_Head[static_cast<std::size_t>(key)];
    while (p != NONE && std::memcmp(&m_Piles[p].box, &box, sizeof box) != 0)
        p = m_Piles[p].next;
    return p;
}

void cCornerCells::UnlinkPile(std::uint32_t p) {
    std::uint32_t* at = &m_Head[static_cast<std::size_t>(m_Piles[p].cell)];
    while (*at != p)
        at = &m_Piles[*at].next;
    *at = m_Piles[p].next;
}

std::uint32_t cCornerCells::NewPile() {
    if (!m_FreePiles.empty()) {
        const std::uint32_t p = m_FreePiles.back();
        m_FreePiles.pop_back();
        return p;
    }
    // Piles made before keep their members' storage.
    if (m_nPilesUsed == m_Piles.size()) m_Piles.emplace_back();
    return static_cast<std::uint32_t>(m_nPilesUsed++);
}
