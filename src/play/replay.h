// Replays: the input of player 1, frame by frame and run-length coded, with the play's random seed.
//
// Replay file ("rpl4_732"): version word; the stage body as written for replays (the stage as
// loaded, with the running stage's palettes and placed lists); the replay's chunk (the seed) and
// four arrays (u32 count + elements): direction values (u16), button values (u16), direction run
// lengths (u32), button run lengths (u32); then, from version 173 on, the save-data snapshot of the
// stage start.
#pragma once

#include "records/serial_record.h"

#include <cstdint>
#include <string>
#include <vector>

class cEdStage;
class cSaveData;

// Replays of files older than this carry no save-data snapshot.
constexpr std::int32_t VERSION_REPLAY_SNAPSHOT = 173;

class cReplay : public cSerialRecord {
  public:
    std::vector<std::uint16_t> m_Directions;
    std::vector<std::uint16_t> m_Buttons;
    std::vector<std::uint32_t> m_DirectionRuns;
    std::vector<std::uint32_t> m_ButtonRuns;
    std::int32_t m_nSeed = 0;

    cReplay();
    cReplay(const cReplay& src);
    cReplay& operator=(const cReplay& src);
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    // Back to the state after construction: seed 0, streams empty (storage kept), playback rewound.
    void ResetRecordVectors();
    // Playback from the first frame again.
    void Rewind();
    // True when both streams hold at least one frame.
    bool HasFrames() const;

    // Appends one frame of input.
    void RecordFrame(std::uint16_t direction, std::uint16_t buttons);
    // Fetches one frame; 1 at the end of either stream (nothing fetched), else 0.
    int PlayFrame(std::uint16_t& direction, std::uint16_t& buttons);

  private:
    std::uint32_t m_nDirectionIndex = 0;
    std::uint32_t m_nButtonIndex = 0;
    std::uint32_t m_nDirectionUsed = 0;
    std::uint32_t m_nButtonUsed = 0;
};

extern cReplay g_Replay;
extern cReplay g_ReplayPrev;

// The replay file's extension: "rpl4_732".
std::string ReplayExtension();

// Reads a replay file into the replay, the running stage (its placed records), the stage as loaded
// (its set-up parts) and the save data. 0 when the file cannot be opened, is damaged, or cannot
// play (its stage places no hero, or it holds no frame); nothing is changed then.
int ReadReplayFile(cReplay& replay, const std::string& path, cEdStage& running, cEdStage& original,
                   cSaveData& snapshot);
// Writes a replay file. 0 when it cannot be written completely (a partial file is removed).
int WriteReplayFile(cReplay& replay, const std::string& path, cEdStage& running, cEdStage& original,
                    cSaveData& snapshot);

// The default name offered when a replay of the stage file `stageFile` is saved: the stage's file
// name with the replay extension, followed before the dot by "_ij" with the first i, j (0-8 each,
// i outer) whose name does not exist in "user_data\rpl4\"; "_88" when all do. Empty for no stage.
std::string DefaultReplayName(const std::string& stageFile);
