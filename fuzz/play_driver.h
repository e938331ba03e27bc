// The player run in the harness's own process for the play harnesses: started once on the demo
// project (dummy video and audio, a clock that moves only with the frames), and for each input a
// stage or replay file played from its start like a start file, a bounded number of frames with
// scripted input, each frame run (and drawn) by the scene manager.
#pragma once

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
// loaded and played for `frames` frames through the back-end `d3d` chooses, player 1's input taken
// from `script` (the scripted-input form: "FRAMES DIRECTION BUTTONS" lines). `reloadProject` reads
// the database and System.dat again first (the structured harness writes them per input);
// `writeFiles`, when set, is run after that and before the plays (false skips the input).
struct PlayRun {
    std::string playerPath;
    std::string script;
    int frames = 0;
    bool d3d = false;
    bool reloadProject = false;
    std::function<bool()> writeFiles;
};

// Plays the run twice and returns the hash of the whole play state over every frame; aborts with a
// message when the two plays differ (play must be repeatable). 0 when the input is not played.
std::uint64_t PlayTwice(const PlayRun& run);

// The work folder (absolute), where the project lives.
std::string WorkFolder();

} // namespace fuzz
