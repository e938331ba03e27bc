// The play trace (test tooling, off unless MIRELDA4_TRACE names a file): one line per play step,
//
//   FRAME hero=X,Y hp=HP score=SCORE time=TIME objs=CHARAS,ITEMS,SHOTS pics=SHOWN,LOADED end=WORD hash=HEX16
//
// taken after the step and its drawing. FRAME counts the steps of a stage from 1 and starts again
// at each set-up of a stage; X and Y are hero 1's position with three decimals; TIME is the time
// display's seconds; the counts are those of the live lists; SHOWN counts the pictures shown by
// commands and LOADED the picture surfaces they hold; WORD is the stage-end word; the hash covers
// the whole play state: every object's id, position, speeds, HP and SP and its flows' positions,
// the shown pictures, the score, the time counters and the random generator's state.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class cGameScene;

std::uint64_t HashPlayState(const cGameScene& scene);
// The line of step `frame` (without its line end).
std::string FormatTraceLine(int frame, const cGameScene& scene, int endWord);

class cPlayTrace {
  public:
    ~cPlayTrace();
    // Opens the environment's trace file once; false when tracing is off.
    bool Enabled();
    // Writes to `file` instead (tests); null switches the trace off.
    void SetFile(std::FILE* file);
    // A stage was set up: the next step is FRAME 1.
    void BeginStage() {
        m_nFrame = 0;
        ++m_nStages;
    }
    // Stages set up so far; a step compares it before and after itself.
    unsigned StagesBegun() const { return m_nStages; }
    // Writes the line of the step just made.
    void WriteStep(const cGameScene& scene, int endWord);

  private:
    std::FILE* m_pFile = nullptr;
    bool m_bOwned = false;
    bool m_bDecided = false;
    int m_nFrame = 0;
    unsigned m_nStages = 0;
};

extern cPlayTrace g_PlayTrace;
