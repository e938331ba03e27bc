// A coordinate of an object's hit box. It reads as a double; every write (a value, another
// coordinate, an arithmetic assignment) is told to the write watch while one is set, with the
// address of the 64-byte line holding the coordinate, so that a copy of the boxes kept elsewhere
// learns which objects moved. The four coordinates of an object share one line, and so does its
// id, whose writes are told the same way.
#pragma once

#include <cstdint>
#include <vector>

// Where the lines written are noted; null when nobody watches. A line written again right after is
// noted once.
extern std::vector<std::uintptr_t>* g_pCoordWrites;

// The 64-byte line that holds `p`.
inline std::uintptr_t CoordLineOf(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{63};
}

// The rarer half of a note, out of the writers' way.
[[gnu::noinline]] inline void AppendCoordLine(std::vector<std::uintptr_t>& writes, std::uintptr_t line) {
    writes.push_back(line);
}

// Every coordinate write runs this: it is kept inline in the writer.
[[gnu::always_inline]] inline void NoteCoordLineWritten(const void* p) {
    std::vector<std::uintptr_t>* const writes = g_pCoordWrites;
    if (!writes) return;
    const std::uintptr_t line = CoordLineOf(p);
    if (writes->empty() || writes->back() != line) AppendCoordLine(*writes, line);
}

class cCoord {
  public:
    cCoord() = default;
    cCoord(double v) : m_d(v) {}
    cCoord(const cCoord& o) = default;

    cCoord& operator=(const cCoord& o) { return Set(o.m_d); }
    cCoord& operator=(double v) { return Set(v); }
    cCoord& operator+=(double v) { return Set(m_d + v); }
    cCoord& operator-=(double v) { return Set(m_d - v); }
    cCoord& operator*=(double v) { return Set(m_d * v); }
    cCoord& operator/=(double v) { return Set(m_d / v); }

    operator double() const { return m_d; }

  private:
    [[gnu::always_inline]] cCoord& Set(double v) {
        m_d = v;
        NoteCoordLineWritten(this);
        return *this;
    }
    double m_d = 0;
};
