#include "menus/menu_cursor.h"

#include "sound/sound.h"

#include <algorithm>

cMenuCursor g_MenuCursor;

namespace {

constexpr std::uint16_t KEY_LEFT = 1;
constexpr std::uint16_t KEY_RIGHT = 2;
constexpr std::uint16_t KEY_UP = 4;
constexpr std::uint16_t KEY_DOWN = 8;

} // namespace

cMenuCursor::cMenuCursor() {
    Reset();
}

void cMenuCursor::Reset() {
    m_Levels.assign(1, cCursorRecord{});
}

void cMenuCursor::Push(int copy) {
    m_Levels.push_back(cCursorRecord{});
    if (copy == 1 && m_Levels.Count() >= 2) Active() = *Previous();
}

void cMenuCursor::Pop(int mode) {
    if (m_Levels.Count() < 2) return;
    const cCursorRecord popped = Active();
    m_Levels.pop_back();
    if (mode == 0)
        Active() = cCursorRecord{};
    else if (mode == 2)
        Active() = popped;
}

void cMenuCursor::MoveGrid(const std::uint16_t* keys, int x0, int y0, int cellW, int cellH, int cols,
                           int rows) {
    if (cols < 0 || rows < 0) return;
    cCursorRecord& c = Active();
    const std::uint16_t k = keys ? *keys : 0;
    if (k & KEY_LEFT)
        --c.col;
    else if (k & KEY_RIGHT)
        ++c.col;
    if (k & KEY_UP)
        --c.row;
    else if (k & KEY_DOWN)
        ++c.row;
    if (c.row < 0)
        c.row = rows - 1;
    else if (c.row >= rows)
        c.row = 0;
    if (c.col < 0)
        c.col = cols - 1;
    else if (c.col >= cols)
        c.col = 0;
    // With no rows (or columns) the wrap above leaves -1 for an index below 0; the grid has no
    // cell then, so the cursor stays on the first.
    c.row = std::max(c.row, 0);
    c.col = std::max(c.col, 0);
    c.x = c.col * cellW + x0;
    c.y = c.row * cellH + y0;
}

void cMenuCursor::MoveList(const std::uint16_t* keys, int axis, int* top, int origin, int pitch, int other,
                           int window, int count, int paging) {
    cCursorRecord& c = Active();
    int& index = axis == 1 ? c.row : c.col;
    int scratch = 0;
    int& first = top ? *top : scratch;
    const std::uint16_t k = keys ? *keys : 0;
    if (k & KEY_UP) {
        if (index - first < 1) --first;
        --index;
    } else if (k & KEY_DOWN) {
        if (index - first >= window - 1) ++first;
        ++index;
    }
    if (paging) {
        if (k & KEY_RIGHT) {
            if (first != count - window) {
                first += window - 1;
                index += window - 1;
            } else {
                index = count - 1;
            }
        } else if (k & KEY_LEFT) {
            if (first != 0) {
                first -= window - 1;
                index -= window - 1;
            } else {
                index = 0;
            }
        }
    }
    index = std::max(std::min(index, count - 1), 0);
    const int lastTop = std::max(count - window, 0);
    first = std::min(std::max(first, 0), lastTop);
    if (axis == 1) {
        c.y = (index - first) * pitch + origin;
        c.x = other;
    } else {
        c.x = (index - first) * pitch + origin;
        c.y = other;
    }
}

int PlayCursorSound(const std::uint16_t* keys, int axes, int sound) {
    const std::uint16_t k = keys ? *keys : 0;
    int clicks = 0;
    if ((axes & 1) && (k & (KEY_LEFT | KEY_RIGHT))) ++clicks;
    if ((axes & 2) && (k & (KEY_UP | KEY_DOWN))) ++clicks;
    if (sound >= 0 && sound < g_Sounds.Count())
        for (int i = 0; i < clicks; ++i)
            SoundPlay(g_Sounds.at(sound), 0);
    return clicks;
}
