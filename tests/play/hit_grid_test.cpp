// The grid the hit passes look up rectangles in gives exactly what a walk over the whole list gives:
// the indexes from a given one on whose rectangles meet the one looked up, in increasing order; so
// it does after rectangles were moved in it.
#include "play/hit_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A fixed sequence of numbers, so that every run lays out the same rectangles.
class Numbers {
  public:
    explicit Numbers(std::uint32_t seed) : m_nState(seed) {}
    double Next(double low, double high) {
        m_nState = m_nState * 1664525u + 1013904223u;
        return low + (high - low) * static_cast<double>(m_nState >> 8) / static_cast<double>(1u << 24);
    }

  private:
    std::uint32_t m_nState;
};

std::vector<std::size_t> Walk(const std::vector<cHitRect>& rects, const std::vector<std::uint8_t>& taken,
                              const cHitRect& r, std::size_t from) {
    std::vector<std::size_t> out;
    for (std::size_t k = from; k < rects.size(); ++k)
        if (taken[k] && RectsMeet(rects[k], r)) out.push_back(k);
    return out;
}

TEST(HitGrid, LooksUpExactlyWhatAWalkOverTheWholeListFinds) {
    enum Layout {
        FEW,       // fewer than the grid needs: walked whole
        SCATTERED, // small rectangles over a wide stage
        CROWDED,   // thousands of rectangles piled on a few hundred pixels
        ROWS,      // all on one line, as characters on a floor
        ODD        // among scattered ones: stage-wide, infinite, NaN, far, reversed and empty ones
    };
    struct Case {
        const char* what;
        Layout layout;
        int count;
        bool grid; // whether the look-ups go through cells
        bool walkWhole = false;
    };
    const Case cases[] = {
        {"a few", FEW, 10, false},
        {"scattered over a wide stage", SCATTERED, 600, true},
        {"piled up", CROWDED, 3000, true},
        {"on one line", ROWS, 800, true},
        {"odd ones among scattered ones", ODD, 400, true},
        {"scattered, for a few look-ups", SCATTERED, 600, false, true},
    };
    for (const Case& k : cases) {
        Numbers n(static_cast<std::uint32_t>(k.layout) + 7);
        std::vector<cHitRect> rects;
        std::vector<std::uint8_t> taken;
        for (int i = 0; i < k.count; ++i) {
            cHitRect r;
            const double w = n.Next(1, 40), h = n.Next(1, 60);
            switch (k.layout) {
            case FEW:
            case SCATTERED:
            case ODD:
                r.left = n.Next(-200, 12000);
                r.top = n.Next(0, 2000);
                break;
            case CROWDED:
                r.left = n.Next(300, 700);
                r.top = n.Next(200, 500);
                break;
            case ROWS:
                r.left = n.Next(0, 30000);
                r.top = 480;
                break;
            }
            r.right = r.left + w - 1;
            r.bottom = r.top + h - 1;
            rects.push_back(r);
            taken.push_back(i % 7 != 3); // some are not taken part in
        }
        if (k.layout == ODD) {
            const cHitRect odd[] = {
                {-500, 100, 13000, 140},      // across the stage
                {-INF, 900, INF, 910},        // endless
                {300, -INF, 320, INF},        // endless the other way
                {NaN, 100, 200, 200},         // meets nothing
                {5000, 500, 5000, NaN},       // meets nothing
                {1e300, 1e300, 2e300, 2e300}, // far out
                {-2.1e9, 700, -2.1e9 + 31, 731},
                {4400, 600, 4000, 620},   // right edge left of its left edge
                {8000, 1300, 8020, 1000}, // bottom edge above its top edge
                {7000, 900, 6999, 899},   // empty: both ways round
            };
            for (const cHitRect& r : odd) {
                rects.insert(rects.begin() + static_cast<std::ptrdiff_t>(rects.size() / 2), r);
                taken.insert(taken.begin() + static_cast<std::ptrdiff_t>(taken.size() / 2), 1);
            }
        }
        cHitGrid grid;
        grid.Build(rects, taken, k.walkWhole);
        EXPECT_EQ(grid.Columns() * grid.Rows() > 1, k.grid) << k.what;
        // Look up every rectangle of the list and some of other sizes, from the start and from the
        // middle of the list.
        std::vector<cHitRect> lookUps = rects;
        for (int i = 0; i < 200; ++i) {
            const double x = n.Next(-1000, 31000), y = n.Next(-100, 2100);
            lookUps.push_back({x, y, x + n.Next(0, 900), y + n.Next(0, 300)});
        }
        lookUps.push_back({-INF, -INF, INF, INF});
        lookUps.push_back({NaN, 0, 100, 100});
        lookUps.push_back({650, 400, 640, 390}); // the wrong way round
        std::vector<std::size_t> got;
        int met = 0;
        auto lookUpAll = [&](const char* when) {
            for (const std::size_t from : {std::size_t{0}, rects.size() / 2, rects.size()}) {
                for (const cHitRect& r : lookUps) {
                    grid.Collect(r, from, got);
                    const std::vector<std::size_t> want = Walk(rects, taken, r, from);
                    ASSERT_EQ(got, want) << k.what << " " << when << ": from " << from << ", looking up "
                                         << r.left << "," << r.top << " to " << r.right << "," << r.bottom;
                    met += !want.empty();
                }
            }
        };
        lookUpAll("as built");
        // Rectangles moved a little (most of them), far, to odd places and back: each the grid does
        // not keep is followed by a build, as its users do.
        int kept = 0;
        for (int round = 0; round < 4; ++round) {
            for (std::size_t i = static_cast<std::size_t>(round); i < rects.size(); i += 3) {
                cHitRect& r = rects[i];
                const double kind = n.Next(0, 1);
                if (kind < 0.8) {
                    const double dx = n.Next(-40, 40), dy = n.Next(-40, 40);
                    r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
                } else if (kind < 0.9) {
                    const double x = n.Next(0, 12000), y = n.Next(0, 2000);
                    r = {x, y, x + n.Next(0, 60), y + n.Next(0, 60)};
                } else if (kind < 0.93) {
                    r = {r.left, r.top, r.left + 3000, r.bottom}; // spanning many cells
                } else if (kind < 0.95) {
                    r = {r.right, r.top, r.left, r.bottom}; // turned round
                } else if (kind < 0.97) {
                    r = {NaN, r.top, r.right, r.bottom};
                } else if (kind < 0.99) {
                    r = {5000, 500, 5010, 510}; // all to one place, more than its cells have room for
                }
                if (grid.Move(i, r))
                    ++kept;
                else
                    grid.Build(rects, taken, k.walkWhole);
            }
            lookUpAll("after moves");
        }
        EXPECT_GT(met, 0) << k.what;
        EXPECT_GT(kept, 0) << k.what;
    }
}

} // namespace
