// What a DirectDraw-like surface keeps of the draws it keeps back (ddraw_kept.cpp).
#pragma once
#include "platform/gfx/blit.h"
#include "platform/gfx/ddraw.h"
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace gfx {

// The pixels a kept copy reads: a store its list holds (DDKeptDraws::sources), or pixels the copy took
// as its own (held in DDKeptDraws::owned). Read as a pointer to the store.
struct DDKeptSource {
    const SurfaceStore* store = nullptr;

    const SurfaceStore* get() const { return store; }
    const SurfaceStore& operator*() const { return *store; }
    const SurfaceStore* operator->() const { return store; }
    explicit operator bool() const { return store != nullptr; }
};

// A fill or a copy kept back; a copy keeps its source's pixels as they were when it was asked for.
struct DDKeptDraw {
    DDKeptDraw() = default;
    // A copy of `params` (its buffers left unset) with the source's key, built field by field.
    DDKeptDraw(const BlitParams& params, std::uint32_t key) : bp(params) {
        bp.dst = nullptr;
        bp.src = nullptr;
        bp.key = key;
    }

    bool fill = false;
    bool discard = false;    // the frame's draws are to cover every pixel (it writes nothing)
    RECT rect{};             // a fill's rectangle
    std::uint32_t raw = 0;   // a fill's raw value
    BlitParams bp;           // a copy, its buffers set when it runs
    bool askedKeyed = false; // the copy was asked with the source's key (it runs plain where none shows)
    DDKeptSource src;
};
static_assert(std::is_trivially_destructible_v<DDKeptDraw>, "a list of kept draws is let go of at once");

struct DDKeptDraws {
    bool on = false;    // draws are being kept back
    bool fresh = false; // draws were added since the last resolve
    // Resolves since the covering draw: a list that lives through a second one belongs to frames
    // drawn over the last without a covering draw, and is no longer kept (it would only grow); nor
    // is one of kMaxKeptDraws draws, drawn without its pixels being needed.
    int resolves = 0;
    std::vector<DDKeptDraw> draws;
    // The stores the copies of `draws` read, each held once for all of them: a frame's many copies
    // from the same few sheets then take and let go of no reference each.
    std::vector<std::shared_ptr<const SurfaceStore>> sources;
    // The pixels copies of `draws` took as their own, held until the list starts again: a draw holds
    // nothing, so that the list lets go of its draws at once.
    std::vector<std::shared_ptr<const SurfaceStore>> owned;
    DrawKeys keys; // of `draws`
    // The store the draws were run on last and the state they gave it, for telling the presenter what
    // changed: while the store keeps that state, its keys are those of the draws run last.
    std::weak_ptr<const SurfaceStore> lastStore;
    std::uint64_t lastState = 0;

    // Holds `store` for the copies that read it.
    void Hold(const std::shared_ptr<SurfaceStore>& store) {
        if (!sources.empty() && sources.back() == store) return;
        for (const std::shared_ptr<const SurfaceStore>& s : sources)
            if (s == store) return;
        sources.push_back(store);
    }
    // No copy reads `store` any more.
    void LetGo(const SurfaceStore* store) {
        for (std::size_t i = 0; i < sources.size(); ++i)
            if (sources[i].get() == store) {
                sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
    }
    void Restart() {
        draws.clear();
        sources.clear();
        owned.clear();
        keys.Clear();
        on = true;
        fresh = true;
        resolves = 0;
    }
};

} // namespace gfx
