// Play of damaged stage and replay files: the player started once on the demo project, each input
// a stage or replay file played from its start for a bounded number of frames with scripted input;
// some inputs are played twice, the two plays checked to be the same (play_driver.h, RepeatInput).
//
// Input: a head of 4 bytes and the runs of input, then the file.
//   byte 0: bit 0 the Direct3D back-end, bit 1 the file is a replay (played back) instead of a stage
//   byte 1: frames to play, 30 + the byte (frames drawn while play waits included)
//   byte 2: number of input runs (0-7), then 3 bytes per run: frames, direction (4 bits), buttons
//   the rest: the file
#include "fuzz_support.h"
#include "play_driver.h"

#include "play/replay.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::AbsoluteArguments(argc, argv);
    fuzz::InitPlayer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    fuzz::InitPlayer();
    const int flags = data[0];
    fuzz::PlayRun run;
    run.d3d = (flags & 1) != 0;
    run.frames = 30 + data[1];
    const std::size_t runs = data[2] % 8;
    std::size_t at = 3;
    if (size < at + 3 * runs) return 0;
    for (std::size_t i = 0; i < runs; ++i, at += 3)
        run.script += std::to_string(data[at]) + " " + std::to_string(data[at + 1] & 15) + " " +
                      std::to_string(data[at + 2]) + "\n";
    const bool replay = (flags & 2) != 0;
    run.playerPath = replay ? "user_data\\rpl4\\fuzz." + ReplayExtension() : "data\\stg4\\fuzz.stg4_000";
    if (!fuzz::PutFile(run.playerPath, data + at, size - at)) return 0;
    run.repeat = fuzz::RepeatInput(data, size);
    fuzz::Play(run);
    fuzz::RemoveFile(run.playerPath);
    return 0;
}
