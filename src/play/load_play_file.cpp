#include "play/load_play_file.h"

#include "app/log.h"
#include "app/paths.h"
#include "app/startup_state.h"
#include "play/replay.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <cctype>

bool IsReplayPath(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = path.substr(dot + 1, 4);
    std::string lower;
    for (char c : ext)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "rpl4";
}

namespace {

// The save data of a free play of the file: stage 1 of 1, the free play's lives (unlimited for a
// start file), the stage name from the path.
void SetFreePlayStart(const std::string& path) {
    g_SaveData.m_nStageNo = 1;
    g_SaveData.m_nStagePart = 1;
    if (!g_bStartFile && !g_SystemData.m_vnInfiniteLives.at(2)) {
        g_SaveData.m_nStartLives = g_SystemData.m_vnStartLives.at(2);
        g_SaveData.m_nLives = g_SaveData.m_nStartLives - 1;
    } else {
        g_SaveData.m_nStartLives = g_SaveData.m_nLives = UNLIMITED_LIVES;
    }
    std::string relative = path;
    MakeRelativePathStr(relative);
    SetCurrentStageName(g_SaveData, relative.c_str());
}

} // namespace

bool LoadReplayForPlay(const std::string& path) {
    if (path.size() >= MAX_PATH) return false;
    ResetSaveData(g_SaveData);
    if (!ReadReplayFile(g_Replay, path, g_Stage, g_StageOriginal, g_SaveData)) {
        ErrorBox("「%s」の読み込みに失敗しました！", path.c_str());
        return false;
    }
    g_Stage.m_strPath = path;
    // A replay plays with the save data of its own start, however it was opened.
    if (g_nLoadVersion < VERSION_REPLAY_SNAPSHOT) SetFreePlayStart(path);
    return true;
}

bool LoadPlayFile(const std::string& path, int fromStartup) {
    if (IsReplayPath(path)) return LoadReplayForPlay(path);
    if (path.size() >= MAX_PATH) return false;
    ResetSaveData(g_SaveData);
    if (!LoadStageForPlay(path, fromStartup, &g_StageOriginal)) return false;
    SetFreePlayStart(path);
    return true;
}
