// The player run in the harness's own process for the play harnesses: started once on the demo
// project (dummy video, the mixer's own output moved on by the frames and unheard, a clock that
// moves only with the frames), and for each input a stage or replay file played from its start
// like a start file, a bounded number of frames with scripted input, each frame run (and drawn) by
// the scene manager and presented. The play scene's pictures read from the project's files stay
// loaded from one input to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace fuzz {

// Once per process (LLVMFuzzerInitialize, so that it counts towards no input's time): the work
// folder (fuzz::Init), the demo project written into it, the main window, the player started.
void InitPlayer();

// The arguments that name files or folders made absolute (the work folder becomes the current
// one before libFuzzer reads them).
void AbsoluteArguments(int* argc, char*** argv);

// The play of one input: the file at `playerPath` (a stage, or a replay when its extension says so)
// loaded and played through the back-end `d3d` chooses for at most `frames` presented frames
// (frames drawn while play waits count too), player 1's input taken from `script` (the
// scripted-input form: "FRAMES DIRECTION BUTTONS" lines). `reloadProject` reads the database and
// System.dat again first (the structured harness writes them per input); `writeFiles`, when set, is
// run after that and before the play (false skips the input). `repeat` plays it a second time and
// compares the two plays.
struct PlayRun {
    std::string playerPath;
    std::string script;
    int frames = 0;
    bool d3d = false;
    bool reloadProject = false;
    bool repeat = false;
    std::function<bool()> writeFiles;
};

// Plays the run and returns the hash of the whole play state over every frame; with `repeat`, plays
// it twice and aborts with a message when the two plays differ (play must be repeatable). 0 when the
// input is not played.
std::uint64_t Play(const PlayRun& run);

// Whether an input's play is repeated and compared: one input in M4_PLAY_REPEAT (8 when unset; 1
// every input, 0 none), chosen by the input's bytes, so that an input that failed the comparison
// is compared again when it is run alone.
bool RepeatInput(const std::uint8_t* data, std::size_t size);

// The work folder (absolute), where the project lives.
std::string WorkFolder();

} // namespace fuzz
