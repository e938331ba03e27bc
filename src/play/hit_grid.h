// The rectangles of a list of objects sorted into the cells of a grid laid over the space they span,
// so that a look-up visits only the cells a rectangle spans instead of the whole list: it gives the
// indexes (in the list) of the rectangles that meet a given one, in increasing order, exactly those
// that a walk over the whole list from that index on would find meeting it.
//
// Rectangles with an edge that is not a number meet nothing and are left out; rectangles with an
// infinite edge or spanning many cells are kept apart and looked at by every look-up. A short list is
// walked whole.
#pragma once

#include "play/hits.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class cHitGrid {
  public:
    // Takes the rectangles `rects[k]` whose `taken[k]` is not 0; the others are never found. With
    // `walkWhole` (for a grid only a few look-ups will use, which a layout would cost more than it
    // saves) the rectangles are not sorted into cells and every look-up walks them whole.
    void Build(const std::vector<cHitRect>& rects, const std::vector<std::uint8_t>& taken,
               bool walkWhole = false);
    // The indexes from `from` on of the rectangles taken that meet `r`, in increasing order.
    void Collect(const cHitRect& r, std::size_t from, std::vector<std::size_t>& out) {
        out.clear();
        // A rectangle beyond the bounds of all those taken meets none of them.
        if (Beyond(r)) return;
        CollectWithin(r, from, out);
    }
    // Whether `r` lies beyond the bounds of all the rectangles taken, and so meets none of them.
    bool Beyond(const cHitRect& r) const {
        return r.left > m_dMaxRight || r.right < m_dMinLeft || r.top > m_dMaxBottom || r.bottom < m_dMinTop;
    }
    // The indexes of the rectangles taken, in increasing order.
    const std::vector<std::size_t>& Taken() const { return m_Taken; }
    // Takes `r` as rectangle k from now on, in place of the one it had; whether the grid could keep
    // it without being built again (when not, it must be built before the next look-up). One that
    // would span too many cells or enter a full one is kept apart, while few are.
    bool Move(std::size_t k, const cHitRect& r);

    // How the last build laid out the grid (for tests): its cells across and down, and how many
    // rectangles every look-up meets.
    int Columns() const { return m_nColumns; }
    int Rows() const { return m_nRows; }
    std::size_t Apart() const { return m_bLinear ? m_Taken.size() : m_Apart.size(); }

  private:
    static constexpr std::size_t MIN_FOR_GRID = 16;
    static constexpr int MAX_CELLS_ACROSS = 1024;
    // A rectangle spanning more cells than this is kept apart.
    static constexpr long long MAX_CELLS_SPANNED = 64;
    // Room left at the end of each cell's list for rectangles that move into it.
    static constexpr std::uint32_t CELL_ROOM = 2;
    // Rectangles that move where they cannot be kept in cells are kept apart, up to this many.
    static constexpr std::size_t MAX_MOVED_APART = 16;

    void Cells(const cHitRect& r, int& x0, int& x1, int& y0, int& y1) const;
    void CollectWithin(const cHitRect& r, std::size_t from, std::vector<std::size_t>& out);

    std::vector<cHitRect> m_Rects;
    std::vector<std::size_t> m_Taken; // the indexes taken, in increasing order
    bool m_bLinear = true;
    double m_dLeft = 0, m_dTop = 0, m_dPerCellW = 1, m_dPerCellH = 1; // cells per unit
    int m_nColumns = 0, m_nRows = 0;
    double m_dLastColumn = 0, m_dLastRow = 0; // m_nColumns - 1 and m_nRows - 1
    // The lowest left and top edges and the highest right and bottom ones of the rectangles taken
    // (with none taken, bounds that nothing is within).
    double m_dMinLeft = 0, m_dMaxRight = -1, m_dMinTop = 0, m_dMaxBottom = -1;
    // Cell c holds m_CellItems[m_CellStart[c] .. m_CellEnd[c]), with room up to m_CellStart[c + 1].
    std::vector<std::uint32_t> m_CellStart, m_CellEnd;
    std::vector<std::uint32_t> m_CellItems;
    std::vector<std::size_t> m_Apart;
    std::size_t m_nApartBuilt = 0; // how many the last build kept apart
    // The look-up that last met each rectangle, so that one spanning several cells is taken once.
    std::vector<std::uint32_t> m_Seen;
    std::uint32_t m_nLookUp = 0;
    struct Span {
        std::uint32_t k;
        int x0, x1, y0, y1;
    };
    // The cells each rectangle is listed in; x0 is below 0 for one in no cell (not taken, or apart).
    std::vector<Span> m_SpanOf;
    // Kept from one build to the next, so that a build allocates nothing once they have grown.
    std::vector<double> m_Xs, m_Ys, m_Widths, m_Heights;
};
