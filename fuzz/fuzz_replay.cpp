// Replay files: read as the replay menu reads them, then played back frame by frame (bounded) and
// written again.
#include "fuzz_support.h"

#include "play/replay.h"
#include "project/save_data.h"
#include "project/stage_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    const std::string path = "user_data\\rpl4\\fuzz." + ReplayExtension();
    if (!fuzz::PutFile(path, data, size)) return 0;
    cReplay replay;
    cEdStage running, original;
    cSaveData snapshot;
    ResetSaveData(snapshot);
    if (ReadReplayFile(replay, path, running, original, snapshot)) {
        std::uint16_t direction = 0, buttons = 0;
        for (int frame = 0; frame < 20000 && replay.PlayFrame(direction, buttons) == 0; ++frame) {
        }
        replay.Rewind();
        WriteReplayFile(replay, "user_data\\rpl4\\out." + ReplayExtension(), running, original, snapshot);
    }
    fuzz::TakeBoxCount();
    return 0;
}
