// What the window side is told of a new frame: the rows changed since it last looked.
#pragma once
#include "platform/gfx/presenter.h"
#include <cstring>
#include <vector>

namespace gfx::test_rows {

// Looks at the latest frame as the window side does: true when every row that differs from `before`
// (the frame it showed last, rows `width` apart) lies in the rows it is told of; the rows are then
// taken as shown.
inline bool ToldOfEveryChangedRow(const std::vector<std::uint32_t>& before) {
    struct Look {
        const std::vector<std::uint32_t>* before;
        bool ok = true;
    } look{&before};
    UseLastFrameRows(
        [](const std::uint32_t* px, int width, int height, RowSpan& unshown, void* context) {
            auto& l = *static_cast<Look*>(context);
            for (int y = 0; y < height; ++y) {
                const bool differs = std::memcmp(px + y * width, l.before->data() + y * width,
                                                 static_cast<std::size_t>(width) * 4) != 0;
                if (differs && (y < unshown.top || y >= unshown.bottom)) l.ok = false;
            }
            unshown = RowSpan{};
        },
        &look);
    return look.ok;
}

} // namespace gfx::test_rows
