// What a DirectDraw-like surface keeps of the draws it keeps back (ddraw_kept.cpp).
#pragma once
#include "platform/gfx/blit.h"
#include "platform/gfx/ddraw.h"
#include <memory>
#include <vector>

namespace gfx {

// A fill or a copy kept back; a copy keeps its source's pixels as they were when it was asked for.
struct DDKeptDraw {
    bool fill = false;
    bool discard = false;    // the frame's draws are to cover every pixel (it writes nothing)
    RECT rect{};             // a fill's rectangle
    std::uint32_t raw = 0;   // a fill's raw value
    BlitParams bp;           // a copy, its buffers set when it runs
    bool askedKeyed = false; // the copy was asked with the source's key (it runs plain where none shows)
    std::shared_ptr<const SurfaceStore> src;
};

struct DDKeptDraws {
    bool on = false;    // draws are being kept back
    bool fresh = false; // draws were added since the last resolve
    // Resolves since the covering draw: a list that lives through a second one belongs to frames
    // drawn over the last without a covering draw, and is no longer kept (it would only grow); nor
    // is one of kMaxKeptDraws draws, drawn without its pixels being needed.
    int resolves = 0;
    std::vector<DDKeptDraw> draws;
    DrawKeys keys; // of `draws`
    // The keys of the draws run last and the state they gave, for telling the presenter what changed.
    DrawKeys last;
    std::uint64_t lastState = 0;

    void Restart() {
        draws.clear();
        keys.Clear();
        on = true;
        fresh = true;
        resolves = 0;
    }
};

} // namespace gfx
