// The menu cursor: one stack of cursor levels shared by every menu (the menu scenes and the play
// scene's pause and continue menus). A sub-menu pushes a level and pops it on return, so the parent's
// cursor comes back where it was. The active level moves over a grid with wrap-around or over a list
// with a visible window and paging. Only the game thread uses it.
#pragma once

#include "app/checked_containers.h"

#include <cstdint>

// One level: column and row (or the list index on that axis) and where the scene draws its cursor.
struct cCursorRecord {
    std::int32_t col = 0;
    std::int32_t row = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class cMenuCursor {
  public:
    // One zeroed level.
    cMenuCursor();

    // Exactly one zeroed level.
    void Reset();
    // A new zeroed level becomes active; with `copy` 1 (and a level below it) it starts as a copy of
    // the level below.
    void Push(int copy);
    // With two or more levels: drops the active level. The level below becomes active and is, by
    // mode, 0 zeroed, 1 kept, 2 given the dropped level's fields. With one level nothing happens.
    void Pop(int mode);

    // Moves over a grid of `cols` x `rows` cells with wrap-around (the wrap also corrects a column or
    // row set out of range by the scene) and sets the position from the cell. Nothing at all when
    // cols or rows is negative. Key bits: 1 left, 2 right, 4 up, 8 down.
    void MoveGrid(const std::uint16_t* keys, int x0, int y0, int cellW, int cellH, int cols, int rows);
    // Moves over a list of `count` items of which `window` are shown from `*top` on: axis 1 moves
    // the row (up/down), axis 0 the column. Up and down scroll the window at its edges; with
    // `paging`, right pages forward and left back by window - 1. No wrap.
    void MoveList(const std::uint16_t* keys, int axis, int* top, int origin, int pitch, int other, int window,
                  int count, int paging);

    cCursorRecord& Active() { return m_Levels.at(m_Levels.Count() - 1); }
    // The level below the active one; null with one level.
    cCursorRecord* Previous() { return m_Levels.Count() >= 2 ? &m_Levels.at(m_Levels.Count() - 2) : nullptr; }
    int Levels() const { return m_Levels.Count(); }

  private:
    // Levels by index, the active one last; never empty.
    cCheckedVector<cCursorRecord> m_Levels;
};

extern cMenuCursor g_MenuCursor;

// The cursor click: played directly on the calling thread when a horizontal key is down and axis
// bit 0 is set, and again when a vertical key is down and axis bit 1 is set (a diagonal key with
// both bits clicks twice). A sound number outside the loaded list plays nothing. Returns the clicks.
int PlayCursorSound(const std::uint16_t* keys, int axes, int sound);
