// The rectangles the hits compare: left, top, right and bottom, the edges included.
#pragma once

#include "objects/game_object.h"

struct cHitRect {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// Whether two rectangles share a point; one with an edge that is not a number meets none.
inline bool RectsMeet(const cHitRect& a, const cHitRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// An object's position box.
inline cHitRect PositionRect(const cGameObject& obj) {
    return {obj.m_dX, obj.m_dY, obj.m_dRight, obj.m_dBottom};
}
