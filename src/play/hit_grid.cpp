#include "play/hit_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Whether two rectangles meet, as the hits tell it.
inline bool Meet(const cHitRect& a, const cHitRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool HasNaN(const cHitRect& r) {
    return std::isnan(r.left) || std::isnan(r.top) || std::isnan(r.right) || std::isnan(r.bottom);
}

// The value a fraction q of the way through v in increasing order (v is reordered).
double Quantile(std::vector<double>& v, double q) {
    const auto at = v.begin() + static_cast<std::ptrdiff_t>(static_cast<double>(v.size() - 1) * q);
    std::nth_element(v.begin(), at, v.end());
    return *at;
}

// The layout is taken from at most about this many rectangles, evenly spread over the list: it only
// decides how fast look-ups are, never what they find.
constexpr std::size_t LAYOUT_SAMPLE = 256;

} // namespace

// The cell a scaled coordinate `f` falls in, the cells running from 0 to `last`: those before the
// first in the first, those past the last (and those not a number) in the edge cells.
inline int CellOf(double f, double last) {
    f = f > 0 ? f : 0.0;
    return static_cast<int>(f < last ? f : last);
}

// The cells a rectangle spans, from its lower edges to its higher ones whichever way round they are
// given: a rectangle whose right edge is left of its left edge still meets those that span it.
inline void cHitGrid::Cells(const cHitRect& r, int& x0, int& x1, int& y0, int& y1) const {
    const double l = (r.left - m_dLeft) * m_dPerCellW, rr = (r.right - m_dLeft) * m_dPerCellW;
    const double t = (r.top - m_dTop) * m_dPerCellH, b = (r.bottom - m_dTop) * m_dPerCellH;
    x0 = CellOf(l < rr ? l : rr, m_dLastColumn);
    x1 = CellOf(l < rr ? rr : l, m_dLastColumn);
    y0 = CellOf(t < b ? t : b, m_dLastRow);
    y1 = CellOf(t < b ? b : t, m_dLastRow);
}

void cHitGrid::Build(const std::vector<cHitRect>& rects, const std::vector<std::uint8_t>& taken,
                     bool walkWhole) {
    m_Rects = rects;
    m_Taken.clear();
    m_Apart.clear();
    m_nApartBuilt = 0;
    m_CellStart.clear();
    m_CellItems.clear();
    m_nColumns = m_nRows = 0;
    m_Seen.assign(rects.size(), 0);
    m_nLookUp = 0;
    const std::size_t count = std::min(rects.size(), taken.size());
    constexpr double INF = std::numeric_limits<double>::infinity();
    double minLeft = INF, maxRight = -INF, minTop = INF, maxBottom = -INF;
    for (std::size_t k = 0; k < count; ++k) {
        const cHitRect& r = rects[k];
        if (!taken[k] || HasNaN(r)) continue;
        m_Taken.push_back(k);
        minLeft = std::min(minLeft, r.left);
        maxRight = std::max(maxRight, r.right);
        minTop = std::min(minTop, r.top);
        maxBottom = std::max(maxBottom, r.bottom);
    }
    m_dMinLeft = minLeft;
    m_dMaxRight = maxRight;
    m_dMinTop = minTop;
    m_dMaxBottom = maxBottom;
    m_bLinear = walkWhole || m_Taken.size() < MIN_FOR_GRID;
    if (m_bLinear) return;
    // The grid covers where most rectangles are; the few beyond it fall into its edge cells.
    std::vector<double>&xs = m_Xs, &ys = m_Ys, &widths = m_Widths, &heights = m_Heights;
    xs.clear();
    ys.clear();
    widths.clear();
    heights.clear();
    const std::size_t stride = std::max<std::size_t>(1, m_Taken.size() / LAYOUT_SAMPLE);
    for (std::size_t i = 0; i < m_Taken.size(); i += stride) {
        const cHitRect& r = rects[m_Taken[i]];
        for (const double x : {r.left, r.right})
            if (std::isfinite(x)) xs.push_back(x);
        for (const double y : {r.top, r.bottom})
            if (std::isfinite(y)) ys.push_back(y);
        const double w = std::fabs(r.right - r.left) + 1, h = std::fabs(r.bottom - r.top) + 1;
        if (std::isfinite(w) && std::isfinite(h)) {
            widths.push_back(w);
            heights.push_back(h);
        }
    }
    m_bLinear = m_Taken.size() < MIN_FOR_GRID || widths.empty();
    if (m_bLinear) return;
    const double left = Quantile(xs, 0.01), right = Quantile(xs, 0.99);
    const double top = Quantile(ys, 0.01), bottom = Quantile(ys, 0.99);
    // Cells about the size of the usual rectangle, at most MAX_CELLS_ACROSS on a side and not many
    // more cells than rectangles.
    const double spanX = std::max(1.0, right - left), spanY = std::max(1.0, bottom - top);
    if (!std::isfinite(spanX) || !std::isfinite(spanY)) {
        m_bLinear = true;
        return;
    }
    double cellW = std::max(Quantile(widths, 0.5), spanX / MAX_CELLS_ACROSS);
    double cellH = std::max(Quantile(heights, 0.5), spanY / MAX_CELLS_ACROSS);
    const double most = 4.0 * static_cast<double>(m_Taken.size()) + 64;
    const double cells = (std::floor(spanX / cellW) + 1) * (std::floor(spanY / cellH) + 1);
    if (cells > most) {
        const double grow = std::sqrt(cells / most);
        cellW *= grow;
        cellH *= grow;
    }
    m_dLeft = left;
    m_dTop = top;
    m_dPerCellW = 1 / cellW;
    m_dPerCellH = 1 / cellH;
    m_nColumns = static_cast<int>(std::min<double>(MAX_CELLS_ACROSS, std::floor(spanX / cellW) + 1));
    m_nRows = static_cast<int>(std::min<double>(MAX_CELLS_ACROSS, std::floor(spanY / cellH) + 1));
    m_dLastColumn = m_nColumns - 1;
    m_dLastRow = m_nRows - 1;
    // Counted, then placed: each cell lists its rectangles in increasing order.
    const std::size_t cellCount = static_cast<std::size_t>(m_nColumns) * static_cast<std::size_t>(m_nRows);
    m_CellStart.assign(cellCount + 1, 0);
    const std::size_t columns = static_cast<std::size_t>(m_nColumns);
    auto eachCell = [columns](const Span& s, auto&& f) {
        const std::size_t across = static_cast<std::size_t>(s.x1 - s.x0);
        std::size_t row = static_cast<std::size_t>(s.y0) * columns + static_cast<std::size_t>(s.x0);
        for (int y = s.y0; y <= s.y1; ++y, row += columns)
            for (std::size_t c = row; c <= row + across; ++c)
                f(c);
    };
    m_SpanOf.assign(rects.size(), Span{0, -1, -1, -1, -1});
    Span* spans = m_SpanOf.data();
    std::uint32_t* counts = m_CellStart.data() + 1;
    for (const std::size_t k : m_Taken) {
        Span s;
        s.k = static_cast<std::uint32_t>(k);
        Cells(m_Rects[k], s.x0, s.x1, s.y0, s.y1);
        if (static_cast<long long>(s.x1 - s.x0 + 1) * (s.y1 - s.y0 + 1) > MAX_CELLS_SPANNED) {
            m_Apart.push_back(k);
            continue;
        }
        spans[k] = s;
        eachCell(s, [counts](std::size_t c) { ++counts[c]; });
    }
    for (std::size_t c = 0; c < cellCount; ++c)
        m_CellStart[c + 1] += m_CellStart[c] + CELL_ROOM;
    m_CellItems.resize(m_CellStart[cellCount]);
    m_CellEnd.assign(m_CellStart.begin(), m_CellStart.end() - 1);
    std::uint32_t* ends = m_CellEnd.data();
    std::uint32_t* cellItems = m_CellItems.data();
    for (const std::size_t k : m_Taken)
        if (spans[k].x0 >= 0) eachCell(spans[k], [&](std::size_t c) { cellItems[ends[c]++] = spans[k].k; });
    m_nApartBuilt = m_Apart.size();
}

bool cHitGrid::Move(std::size_t k, const cHitRect& r) {
    if (k >= m_Rects.size() || HasNaN(m_Rects[k]) || HasNaN(r)) return false;
    m_Rects[k] = r;
    // The bounds only grow: still none of those taken lies beyond them.
    m_dMinLeft = std::min(m_dMinLeft, r.left);
    m_dMaxRight = std::max(m_dMaxRight, r.right);
    m_dMinTop = std::min(m_dMinTop, r.top);
    m_dMaxBottom = std::max(m_dMaxBottom, r.bottom);
    // A walk over the whole list, or over those kept apart, finds it wherever it is.
    if (m_bLinear || m_SpanOf[k].x0 < 0) return true;
    Span& was = m_SpanOf[k];
    Span now = was;
    Cells(r, now.x0, now.x1, now.y0, now.y1);
    if (now.x0 == was.x0 && now.x1 == was.x1 && now.y0 == was.y0 && now.y1 == was.y1) return true;
    auto within = [](const Span& s, int x, int y) {
        return x >= s.x0 && x <= s.x1 && y >= s.y0 && y <= s.y1;
    };
    auto cellAt = [this](int x, int y) {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nColumns) +
               static_cast<std::size_t>(x);
    };
    // Every cell it enters must have room, and it may span only so many; or else it is kept apart,
    // while few more than the build kept apart are.
    bool apart = static_cast<long long>(now.x1 - now.x0 + 1) * (now.y1 - now.y0 + 1) > MAX_CELLS_SPANNED;
    for (int y = now.y0; y <= now.y1 && !apart; ++y)
        for (int x = now.x0; x <= now.x1 && !apart; ++x)
            apart = !within(was, x, y) && m_CellEnd[cellAt(x, y)] == m_CellStart[cellAt(x, y) + 1];
    if (apart && m_Apart.size() >= m_nApartBuilt + MAX_MOVED_APART) return false;
    if (apart) {
        m_Apart.insert(std::lower_bound(m_Apart.begin(), m_Apart.end(), k), k);
        now.x0 = now.x1 = now.y0 = now.y1 = -1;
    }
    std::uint32_t* items = m_CellItems.data();
    const auto key = static_cast<std::uint32_t>(k);
    for (int y = was.y0; y <= was.y1; ++y)
        for (int x = was.x0; x <= was.x1; ++x) {
            if (!apart && within(now, x, y)) continue;
            const std::size_t c = cellAt(x, y);
            std::uint32_t* end = items + m_CellEnd[c];
            std::uint32_t* at = std::lower_bound(items + m_CellStart[c], end, key);
            std::copy(at + 1, end, at);
            --m_CellEnd[c];
        }
    for (int y = now.y0; y <= now.y1 && !apart; ++y)
        for (int x = now.x0; x <= now.x1; ++x) {
            if (within(was, x, y)) continue;
            const std::size_t c = cellAt(x, y);
            std::uint32_t* end = items + m_CellEnd[c];
            std::uint32_t* at = std::lower_bound(items + m_CellStart[c], end, key);
            std::copy_backward(at, end, end + 1);
            *at = key;
            ++m_CellEnd[c];
        }
    was = now;
    return true;
}

void cHitGrid::CollectWithin(const cHitRect& r, std::size_t from, std::vector<std::size_t>& out) {
    if (HasNaN(r)) return;
    const cHitRect* rects = m_Rects.data();
    auto take = [&](std::size_t k) __attribute__((always_inline)) {
        if (Meet(rects[k], r)) out.push_back(k);
    };
    if (m_bLinear) {
        for (auto it = std::lower_bound(m_Taken.begin(), m_Taken.end(), from); it != m_Taken.end(); ++it)
            take(*it);
        return;
    }
    for (const std::size_t k : m_Apart)
        if (k >= from) take(k);
    const std::size_t apart = out.size();
    int x0, x1, y0, y1;
    Cells(r, x0, x1, y0, y1);
    const std::uint32_t* items = m_CellItems.data();
    const std::uint32_t* starts = m_CellStart.data();
    const std::uint32_t* ends = m_CellEnd.data();
    // The items of a cell from `from` on.
    auto first = [&](std::size_t c) {
        const std::uint32_t* begin = items + starts[c];
        return from == 0 ? begin : std::lower_bound(begin, items + ends[c], from);
    };
    if (x0 == x1 && y0 == y1) {
        // One cell lists each rectangle once, in increasing order.
        const std::size_t c = static_cast<std::size_t>(y0) * static_cast<std::size_t>(m_nColumns) +
                              static_cast<std::size_t>(x0);
        const std::uint32_t* end = items + ends[c];
        for (const std::uint32_t* p = first(c); p != end; ++p)
            take(*p);
        // Those kept apart come first, each run in increasing order.
        if (apart != 0 && out.size() > apart) std::inplace_merge(out.begin(), out.begin() + apart, out.end());
        return;
    }
    if (++m_nLookUp == 0) {
        std::fill(m_Seen.begin(), m_Seen.end(), 0);
        m_nLookUp = 1;
    }
    std::uint32_t* seen = m_Seen.data();
    const std::uint32_t look = m_nLookUp;
    for (int y = y0; y <= y1; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nColumns);
        for (int x = x0; x <= x1; ++x) {
            const std::size_t c = row + static_cast<std::size_t>(x);
            const std::uint32_t* end = items + ends[c];
            for (const std::uint32_t* p = first(c); p != end; ++p) {
                if (seen[*p] == look) continue;
                seen[*p] = look;
                take(*p);
            }
        }
    }
    if (out.size() > 1) std::sort(out.begin(), out.end());
}

void cMovedPlaces::Take(const cGroupGrid& g) {
    if (m_bMade && m_nVersion == g.Version()) return;
    m_Rects.clear();
    for (const cGroupGrid::cMove& m : g.Moved()) {
        m_Rects.push_back(m.was);
        m_Rects.push_back(g.Rect(m.k));
    }
    m_Taken.assign(m_Rects.size(), 1);
    m_Grid.Build(m_Rects, m_Taken);
    m_bMade = true;
    m_nVersion = g.Version();
}

namespace {

// Whether lists made at version `was` of a grid still serve at its present version; then the
// characters whose lists may have changed are those its last moves tell (`moves`).
bool MeetsServe(const cGroupGrid& g, unsigned was, bool& moves) {
    moves = was != g.Version();
    return !moves || (was + 1 == g.Version() && g.MovesKnown());
}

} // namespace

bool cKeptMeets::Begin(const cGroupGrid& gridI, cGroupGrid& gridK, cMovedPlaces& movedK) {
    const std::vector<std::size_t>& takers = gridI.Taken();
    m_pMovedK = &movedK;
    m_bReuse = m_bMovedK = false;
    if (gridK.Taken().size() < KEEP_FROM) {
        m_bValid = false;
        return false;
    }
    bool movesI = false, movesK = false;
    m_bReuse = m_bValid && m_Start.size() == takers.size() + 1 && MeetsServe(gridI, m_nVersionI, movesI) &&
               MeetsServe(gridK, m_nVersionK, movesK) &&
               (!movesK || takers.size() >= TAKERS_PER_MOVE * gridK.Moved().size());
    m_bValid = false;
    if (m_bReuse) {
        if (++m_nStaleMark == 0) {
            std::fill(m_Stale.begin(), m_Stale.end(), 0);
            m_nStaleMark = 1;
        }
        if (movesI)
            for (const cGroupGrid::cMove& m : gridI.Moved()) {
                if (m_Stale.size() <= m.k) m_Stale.resize(m.k + 1, 0);
                m_Stale[m.k] = m_nStaleMark;
            }
        m_bMovedK = movesK && !gridK.Moved().empty();
        if (m_bMovedK) movedK.Take(gridK);
    }
    m_NextStart.assign(1, 0);
    m_NextKs.clear();
    return true;
}

std::pair<std::size_t, std::size_t> cKeptMeets::Meets(std::size_t at, const cGroupGrid& gridI,
                                                      cGroupGrid& gridK,
                                                      std::vector<std::size_t>& candidates) {
    const std::size_t k = gridI.Taken()[at];
    const cHitRect& ra = gridI.Rect(k);
    bool fresh = !m_bReuse || (k < m_Stale.size() && m_Stale[k] == m_nStaleMark);
    if (!fresh && m_bMovedK) fresh = m_pMovedK->Meets(ra);
    if (!fresh) {
        m_NextKs.insert(m_NextKs.end(), m_Ks.begin() + m_Start[at], m_Ks.begin() + m_Start[at + 1]);
    } else {
        if (gridK.Beyond(ra))
            candidates.clear();
        else
            gridK.Collect(ra, 0, candidates);
        m_NextKs.insert(m_NextKs.end(), candidates.begin(), candidates.end());
    }
    const std::size_t first = m_NextStart.back();
    m_NextStart.push_back(static_cast<std::uint32_t>(m_NextKs.size()));
    return {first, m_NextKs.size()};
}

void cKeptMeets::End(const cGroupGrid& gridI, const cGroupGrid& gridK) {
    m_Start.swap(m_NextStart);
    m_Ks.swap(m_NextKs);
    m_nVersionI = gridI.Version();
    m_nVersionK = gridK.Version();
    m_bValid = true;
}
