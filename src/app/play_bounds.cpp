#include "app/play_bounds.h"

#include "app/log.h"

#include <array>
#include <atomic>

namespace {

struct BoundInfo {
    std::size_t limit;
    const char* before; // the report's words before the limit
    const char* after;  // and after it
};

// The limits, by PlayBound. The view is 640 x 480 pixels: 1,200 shots of the smallest size cover
// it side by side, and a busy stage has a few hundred objects moving at once.
constexpr BoundInfo kBounds[] = {
    // The editor's largest shot command (127 shots, 50 columns, 21 times) would place 133,350
    // objects in one step; 2,048 cover the view almost twice over.
    {2048, "a shot or summon command places at most", "objects: the rest are not placed"},
    // Every shot moves, is tested against the blocks and the characters and is drawn every
    // sub-step; 1,200 of the smallest cover the view side by side.
    {2048, "at most", "shots are in play: further shots are not fired"},
    // Characters and items summoned beyond those the stage places (those count without bound):
    // each character runs its flows, moves and is tested against the blocks every sub-step.
    {1024, "at most", "characters beyond the stage's own are in play: further summons are not made"},
    {1024, "at most", "items beyond the stage's own are in play: further summons are not made"},
    // Effects are started by hits and commands, each lasts its animation.
    {4096, "at most", "effects play at once: further effects are not started"},
    // Each text message has a picture of its own the size of its text.
    {128, "at most", "messages are shown at once: further messages are not shown"},
    {1024, "at most", "pictures are shown at once: further pictures are not shown"},
    // A character runs each attached animation every frame.
    {256, "a character runs at most", "animations at once: further ones are not started"},
    // 80 columns by 30 lines of the message font fill the view with 2,400 bytes.
    {4096, "a message keeps at most", "bytes of text: the rest is cut"},
    // A code text is one expression, worked through operator by operator over the whole text; the
    // longest an author writes is a line or two.
    {4096, "a code text of more than", "bytes is not run"},
    // The longest time the editor lets any time field hold, 9,999 tenths of a second (16 minutes
    // 40 seconds); a game frozen longer is one its player has left.
    {59994, "a wait holds the game for at most", "frames: it ends there"},
    // Every character built from a definition expands its flows' loops again: one line a stage.
    {65536, "command loops expand to at most", "commands: the list is cut there"},
    // Each extra life a clear gives holds the game for a notice of half a second; lives stop at
    // 99, so more notices than that tell the player nothing new.
    {100, "a stage clear shows at most", "extra-life notices: further lives are given without one"},
    // Every flow, condition, key step and command a character or item holds takes about 1.5 KB
    // with its running state: 131,072 of them take about 190 MB. A large stage of 300 characters
    // with ten flows of a dozen commands each holds 40,000.
    {131072, "the stage's characters and items hold at most",
     "flows, conditions and commands: loops are cut and summons are not made past it"},
    // A picture surface holds four bytes a pixel: 128 MB hold a hundred pictures the size of the
    // view, however many times each is shown.
    {134217728, "the pictures shown hold at most", "bytes of picture: further pictures are not shown"},
};
static_assert(std::size(kBounds) == static_cast<std::size_t>(PlayBound::Count));

// Play and the window thread may both start messages; a flag is set once per bound and stage.
std::array<std::atomic<bool>, static_cast<std::size_t>(PlayBound::Count)> g_reported{};

// What the shares of each bound hold. Objects are built and let go on the game thread, and by the
// pause loop's drawing while the game thread waits for it.
std::array<std::atomic<std::size_t>, static_cast<std::size_t>(PlayBound::Count)> g_held{};

void ReportOnce(PlayBound bound) {
    const BoundInfo& info = kBounds[static_cast<std::size_t>(bound)];
    // Once reported, a bound is only read: a refusal repeated every frame takes no lock.
    std::atomic<bool>& reported = g_reported[static_cast<std::size_t>(bound)];
    if (!reported.load(std::memory_order_relaxed) && !reported.exchange(true))
        Report("%s %zu %s", info.before, info.limit, info.after);
}

} // namespace

std::size_t PlayBoundLimit(PlayBound bound) {
    return kBounds[static_cast<std::size_t>(bound)].limit;
}

bool PlayBoundRoom(PlayBound bound, std::size_t count) {
    const BoundInfo& info = kBounds[static_cast<std::size_t>(bound)];
    if (count < info.limit) return true;
    ReportOnce(bound);
    return false;
}

bool PlayBoundFits(PlayBound bound, std::size_t held, std::size_t more) {
    const std::size_t limit = PlayBoundLimit(bound);
    if (held <= limit && more <= limit - held) return true;
    ReportOnce(bound);
    return false;
}

std::size_t PlayBoundHeld(PlayBound bound) {
    return g_held[static_cast<std::size_t>(bound)].load();
}

std::size_t PlayBoundLeft(PlayBound bound) {
    const std::size_t held = PlayBoundHeld(bound), limit = PlayBoundLimit(bound);
    return held < limit ? limit - held : 0;
}

cBoundShare& cBoundShare::operator=(const cBoundShare& other) {
    if (this == &other) return *this;
    Set(0);
    m_Bound = other.m_Bound;
    Set(other.m_nHeld);
    return *this;
}

void cBoundShare::Set(std::size_t amount) {
    std::atomic<std::size_t>& total = g_held[static_cast<std::size_t>(m_Bound)];
    total.fetch_add(amount);
    total.fetch_sub(m_nHeld);
    m_nHeld = amount;
}

void ResetPlayBoundReports() {
    for (std::atomic<bool>& r : g_reported)
        r = false;
}
