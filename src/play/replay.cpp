#include "play/replay.h"

#include "app/paths.h"
#include "platform/file_system.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "records/ed_stage.h"

#include <algorithm>
#include <cstdio>

cReplay g_Replay;
cReplay g_ReplayPrev;

namespace {

template <class T> bool LoadWords(std::FILE* fp, std::vector<T>& words) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, sizeof(T))) return false;
    std::vector<T> read(count);
    if (!ReadBytes(fp, read.data(), static_cast<std::size_t>(count) * sizeof(T))) return false;
    words = std::move(read);
    return true;
}

template <class T> bool SaveWords(std::FILE* fp, const std::vector<T>& words) {
    return WriteU32(fp, static_cast<std::uint32_t>(words.size())) &&
           WriteBytes(fp, words.data(), words.size() * sizeof(T));
}

} // namespace

cReplay::cReplay() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

cReplay::cReplay(const cReplay& src)
    : cSerialRecord(src), m_Directions(src.m_Directions), m_Buttons(src.m_Buttons),
      m_DirectionRuns(src.m_DirectionRuns), m_ButtonRuns(src.m_ButtonRuns), m_nSeed(src.m_nSeed) {}

cReplay& cReplay::operator=(const cReplay& src) {
    // The playback position belongs to the object, not to the recording.
    cSerialRecord::operator=(src);
    m_Directions = src.m_Directions;
    m_Buttons = src.m_Buttons;
    m_DirectionRuns = src.m_DirectionRuns;
    m_ButtonRuns = src.m_ButtonRuns;
    m_nSeed = src.m_nSeed;
    return *this;
}

void cReplay::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nSeed);
}

bool cReplay::Load(std::FILE* fp) {
    Rewind();
    if (!cSerialRecord::Load(fp)) return false;
    std::vector<std::uint16_t> dirs, buttons;
    std::vector<std::uint32_t> dirRuns, buttonRuns;
    if (!LoadWords(fp, dirs) || !LoadWords(fp, buttons) || !LoadWords(fp, dirRuns) ||
        !LoadWords(fp, buttonRuns))
        return false;
    // Every stream entry has its run length; a file where they differ would be read past its end.
    if (dirs.size() != dirRuns.size() || buttons.size() != buttonRuns.size()) return false;
    // A run of no frames cannot have been recorded: the file is damaged.
    auto hasEmptyRun = [](const std::vector<std::uint32_t>& runs) {
        return std::find(runs.begin(), runs.end(), 0u) != runs.end();
    };
    if (hasEmptyRun(dirRuns) || hasEmptyRun(buttonRuns)) return false;
    m_Directions = std::move(dirs);
    m_Buttons = std::move(buttons);
    m_DirectionRuns = std::move(dirRuns);
    m_ButtonRuns = std::move(buttonRuns);
    return true;
}

bool cReplay::Save(std::FILE* fp) {
    return cSerialRecord::Save(fp) && SaveWords(fp, m_Directions) && SaveWords(fp, m_Buttons) &&
           SaveWords(fp, m_DirectionRuns) && SaveWords(fp, m_ButtonRuns);
}

void cReplay::ResetRecordVectors() {
    Reset();
    m_Directions.clear();
    m_Buttons.clear();
    m_DirectionRuns.clear();
    m_ButtonRuns.clear();
    Rewind();
}

bool cReplay::HasFrames() const {
    return !m_Directions.empty() && !m_Buttons.empty();
}

void cReplay::Rewind() {
    m_nDirectionIndex = m_nButtonIndex = m_nDirectionUsed = m_nButtonUsed = 0;
}

void cReplay::RecordFrame(std::uint16_t direction, std::uint16_t buttons) {
    auto record = [](std::vector<std::uint16_t>& stream, std::vector<std::uint32_t>& runs,
                     std::uint16_t value) {
        if (!stream.empty() && stream.back() == value && !runs.empty())
            ++runs.back();
        else {
            stream.push_back(value);
            runs.push_back(1);
        }
    };
    record(m_Directions, m_DirectionRuns, direction);
    record(m_Buttons, m_ButtonRuns, buttons);
}

int cReplay::PlayFrame(std::uint16_t& direction, std::uint16_t& buttons) {
    if (m_nDirectionIndex >= m_Directions.size() || m_nButtonIndex >= m_Buttons.size()) return 1;
    auto play = [](const std::vector<std::uint16_t>& stream, const std::vector<std::uint32_t>& runs,
                   std::uint32_t& index, std::uint32_t& used) {
        const std::uint16_t value = stream[index];
        if (++used >= runs[index]) {
            used = 0;
            ++index;
        }
        return value;
    };
    direction = play(m_Directions, m_DirectionRuns, m_nDirectionIndex, m_nDirectionUsed);
    buttons = play(m_Buttons, m_ButtonRuns, m_nButtonIndex, m_nButtonUsed);
    return 0;
}

std::string ReplayExtension() {
    char ext[32];
    std::snprintf(ext, sizeof ext, "rpl4_%d", static_cast<int>(DATA_VERSION_CURRENT));
    return ext;
}

int ReadReplayFile(cReplay& replay, const std::string& path, cEdStage& running, cEdStage& original,
                   cSaveData& snapshot) {
    std::FILE* fp = OpenDataFileRead(path.c_str());
    if (!fp) return 0;
    // A version word no player writes (an emptied file reads 0) marks a damaged file.
    if (g_nLoadVersion < 1 || g_nLoadVersion > DATA_VERSION_CURRENT) {
        CloseDataFile(fp);
        return 0;
    }
    // Read into copies first, so that a damaged file changes nothing. The copy's references to the
    // stage palette are checked against the palettes the file carries, not the running stage's.
    cEdStage stage;
    cReplay rec;
    cSaveData save = snapshot;
    bool ok = stage.Load(fp) && rec.Load(fp);
    if (ok && g_nLoadVersion >= VERSION_REPLAY_SNAPSHOT) ok = save.Load(fp);
    CloseDataFile(fp);
    if (!ok) return 0;
    // A replay that cannot play (a stage without a hero, no recorded frame) is refused like a
    // damaged one: the caller stays where it was.
    if (!stage.HasHero() || !rec.HasFrames()) return 0;
    // The running stage keeps the palettes the file carries: summons and shot items of the stage
    // played back draw on them as they did when it was recorded.
    running = stage;
    KeepStageSetup(original, stage);
    replay = rec;
    replay.Rewind();
    snapshot = save;
    return 1;
}

int WriteReplayFile(cReplay& replay, const std::string& path, cEdStage& running, cEdStage& original,
                    cSaveData& snapshot) {
    // Written whole or not at all: a failed write leaves an older replay of that name as it was.
    const bool ok = SaveDataFile(path, [&](std::FILE* fp) {
        return running.SaveForReplay(fp, original) && replay.Save(fp) && snapshot.Save(fp);
    });
    return ok ? 1 : 0;
}

std::string DefaultReplayName(const std::string& stageFile) {
    if (stageFile.empty()) return {};
    std::string file = stageFile;
    const std::size_t sep = file.find_last_of("\\/");
    if (sep != std::string::npos) file = file.substr(sep + 1);
    const std::size_t dot = file.rfind('.');
    const std::string base = dot == std::string::npos ? file : file.substr(0, dot);
    const std::string ext = "." + ReplayExtension();
    std::string name;
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j) {
            name = base + "_" + std::to_string(i) + std::to_string(j) + ext;
            if (!fsys::Exists(g_PathTable[PATH_USER_DATA] + "rpl4\\" + name)) return name;
        }
    return name;
}
