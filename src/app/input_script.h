// Scripted input for headless runs (test tooling, off unless MIRELDA4_INPUT names a file): the
// script replaces the keyboard and joystick of player 1.
//
// One line per run of frames: "FRAMES DIRECTION BUTTONS [KEY...]". DIRECTION and BUTTONS are the
// words of the input record (decimal, or hexadecimal after 0x); the keys (space, f1, f2, f3,
// escape, enter, up, down, left, right) are pressed on the first frame of the run and released on
// the next sampled frame. "#" starts a comment. Every frame in which input is sampled takes the
// next frame of the script; after its end nothing is pressed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct cInputRecord;

class cInputScript {
  public:
    struct Run {
        std::uint32_t frames = 0;
        std::uint16_t dir = 0;
        std::uint16_t buttons = 0;
        std::vector<int> keys; // virtual-key codes
    };
    struct Frame {
        std::uint16_t dir = 0;
        std::uint16_t buttons = 0;
        const std::vector<int>* keys = nullptr; // pressed on this frame, or null
    };

    // Reads the script; a line that cannot be read is reported in `error` (its number and text)
    // and the whole script refused.
    bool Parse(const std::string& text, std::string* error);
    // Adds the runs of `more` after this script's own.
    void Append(const cInputScript& more);
    // The input of the next sampled frame.
    Frame Next();
    bool Ended() const { return m_nRun >= m_Runs.size(); }
    const std::vector<Run>& Runs() const { return m_Runs; }

  private:
    std::vector<Run> m_Runs;
    std::size_t m_nRun = 0;
    std::uint32_t m_nUsed = 0;
};

// The virtual-key code of a script key word; 0 for an unknown word.
int InputScriptKey(const std::string& word);

// Installs a script (null: none); the environment's script is read at the first sampling unless one
// was installed before.
void SetInputScript(std::unique_ptr<cInputScript> script);
// When a script is in use, fills player 1's record from its next frame (and presses its keys) and
// returns true; false leaves sampling to the devices.
bool SampleScriptedInput(cInputRecord& rec);
