// The bounds on what one play step may build or work through when a project's values ask for more.
//
// A shot command can ask for 127 shots in 50 columns, 21 times over, an arrangement can set the
// columns to 32767, loops repeat commands, and a flow whose commands run together repeats every one
// of them in one step: without a bound one step's work grows with numbers an author typed or a
// damaged file holds. Each bound lies far above what a playable stage uses; a request past it is cut
// there, and the first cut of each bound in a stage is written to the report log.
#pragma once

#include <cstddef>

enum class PlayBound {
    CommandObjects, // objects one shot or summon command places, extra copies counted
    Shots,          // shots and swords in play
    Charas,         // characters in play beyond those the stage placed, for a summon to add one
    Items,          // items in play beyond those the stage placed, for a summon to add one
    Effects,        // effects playing
    Messages,       // message windows and notices shown
    Pictures,       // pictures shown by commands
    CharaAnims,     // animations attached to one character
    MessageText,    // bytes of one message's text
    CodeText,       // bytes of a code text that is run
    WaitFrames,     // frames a flow's timed wait holds the game
    LoopCommands,   // commands a flow's or item's list holds once its loops are expanded
    LifeNotices,    // extra-life notices one stage clear shows
    HeldEntries,    // flows, conditions, key steps and commands the stage's characters and items hold
    PictureBytes,   // bytes of the picture surfaces that the pictures shown by commands hold
    Count
};

// The largest number the bound lets stand.
std::size_t PlayBoundLimit(PlayBound bound);

// True when `count` is below the bound, so that one more may be added. At the bound, false, and the
// first time in a stage a line naming the bound goes to the report log.
bool PlayBoundRoom(PlayBound bound, std::size_t count);

// The stage set-up calls this: the next cut of each bound is reported again.
void ResetPlayBoundReports();

// Bounds on what the whole stage holds at once (HeldEntries) are kept as shares: every object
// holds a share the size of what it holds, added to the stage's total while the object lives.
// A copy of an object holds a share of its own; a share is given back when its object goes.
class cBoundShare {
  public:
    explicit cBoundShare(PlayBound bound) : m_Bound(bound) {}
    cBoundShare(const cBoundShare& other) : m_Bound(other.m_Bound) { Set(other.m_nHeld); }
    cBoundShare& operator=(const cBoundShare& other);
    ~cBoundShare() { Set(0); }
    // The object now holds `amount`: the stage's total moves by the difference.
    void Set(std::size_t amount);
    std::size_t Held() const { return m_nHeld; }

  private:
    PlayBound m_Bound;
    std::size_t m_nHeld = 0;
};

// What every share of the bound holds together.
std::size_t PlayBoundHeld(PlayBound bound);
// What is left of the bound beside what its shares hold (0 once they hold it all).
std::size_t PlayBoundLeft(PlayBound bound);
// True when `more` fits beside `held` within the bound. When it does not, false, and the first time
// in a stage a line naming the bound goes to the report log.
bool PlayBoundFits(PlayBound bound, std::size_t held, std::size_t more);
