#include "shell/request_handlers.h"

#include "app/globals.h"
#include "app/log.h"
#include "app/paths.h"
#include "app/requests.h"
#include "app/scene.h"
#include "app/sjis.h"
#include "app/system_ini.h"
#include "app/thread.h"
#include "draw/draw.h"
#include "play/load_play_file.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "play/replay.h"
#include "project/option_data.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "sound/bgm.h"
#include "sound/sound.h"
#include "ui/file_dialog.h"
#include "ui/name_dialog.h"

#include <cstring>
#include <string>

namespace {

const char* Text(const char* english, const char* japanese) {
    return g_SystemIni.English ? english : japanese;
}

// The folder the replay chooser opens on.
constexpr const char* REPLAY_FOLDER = "user_data\\rpl4";

// Tells why the replay folder cannot be listed when a file stands where a folder of its path should
// be (start-up could not make the folders under it). The chooser still opens, so that a replay
// elsewhere can be chosen.
void TellReplayFolderBlocked() {
    const std::string folder = REPLAY_FOLDER;
    if (fsys::IsDirectory(folder)) return;
    // The folder's name is ASCII: every backslash in it separates.
    for (std::size_t end = folder.find('\\');; end = folder.find('\\', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (fsys::Exists(part) && !fsys::IsDirectory(part)) {
            ErrorBox("%s がフォルダではなくファイルなので、リプレイのフォルダ %s を開けません。",
                     part.c_str(), folder.c_str());
            return;
        }
        if (end == std::string::npos) return;
    }
}

} // namespace

win::LRESULT OnNameDialogRequest() {
    DDSetDialogMode(1);
    SuspendWorkers();
    // The name dialog: the entered name replaces the name offered (the options' fixed name when the
    // options scene asks, else the registration name); closing it keeps the name.
    std::string& name = g_nPlayMode == 5 ? g_OptionData.strRankingName : g_SaveData.g_strRankingName;
    const int entered = RunNameDialog(&name);
    // A close of the program (the close box, a signal) also ends the dialog: the waiting thread
    // is told, so that it registers nothing.
    win::MSG m;
    g_bNameDialogClosed = !entered && (win::IsAborting() || win::PeekMessage(&m, nullptr, win::WM_CLOSE,
                                                                             win::WM_CLOSE, win::PM_NOREMOVE))
                              ? 1
                              : 0;
    DDSetDialogMode(0);
    ResumeWorkers();
    g_bNameDialogDone = 1;
    return 0;
}

win::LRESULT OnStageFileRequest() {
    DDSetDialogMode(1);
    char path[MAX_PATH] = {};
    const bool chosen =
        OpenFileDialog(g_hWnd, path, sizeof path, "data\\stg4\\", "StageFile ( *.stg4_*;*.rpl4_* )",
                       Text("Load stage file", "ステージファイルの読み込み"), "stg4_*;rpl4_*");
    DDSetDialogMode(0);
    // A file that cannot be loaded has shown its box; the menu stays where it is.
    g_bFileLoaded = chosen && LoadPlayFile(path, 0) ? 1 : 0;
    g_bRequestDone = 1;
    return 0;
}

win::LRESULT OnReplayFileRequest() {
    TellReplayFolderBlocked();
    DDSetDialogMode(1);
    char path[MAX_PATH] = {};
    const bool chosen = OpenFileDialog(g_hWnd, path, sizeof path, REPLAY_FOLDER, "ReplayFile ( *.rpl4_* )",
                                       Text("Load replay file", "リプレイファイルの読み込み"), "rpl4_*");
    DDSetDialogMode(0);
    // The save data is the replay's own stage start (or a free play's, for a file too old to hold
    // one); a file that cannot be read has shown its box.
    g_bFileLoaded = chosen && LoadReplayForPlay(path) ? 1 : 0;
    g_bRequestDone = 1;
    return 0;
}

win::LRESULT OnReplaySaveRequest(win::WPARAM which) {
    cReplay& replay = which == 0 ? g_Replay : g_ReplayPrev;
    cSaveData& snapshot = which == 0 ? g_SaveSnapshotA : g_SaveSnapshotB;
    char path[MAX_PATH] = {};
    const std::string name = DefaultReplayName(g_Stage.m_strPath);
    std::snprintf(path, sizeof path, "%s", name.c_str());
    const std::string ext = ReplayExtension();
    DDSetDialogMode(1);
    const std::string filter = "ReplayFile ( *." + ext + " )";
    const std::string pattern = "*." + ext;
    const bool chosen = SaveFileDialog(g_hWnd, path, sizeof path, "user_data\\rpl4\\", filter.c_str(),
                                       Text("Save replay file", "リプレイファイルの保存"), pattern.c_str());
    DDSetDialogMode(0);
    if (chosen && !WriteReplayFile(replay, path, g_Stage, g_StageOriginal, snapshot)) {
        // The play goes on; only the file is missing.
        ErrorBox("「%s」の書き込みに失敗しました！", path);
    }
    g_bFileLoaded = chosen ? 1 : 0;
    g_bRequestDone = 1;
    return 0;
}

win::LRESULT OnResetDeviceRequest() {
    DDRestoreSurface();
    return 0;
}

bool HandleWindowRequest(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result) {
    switch (msg) {
    case win::WM_USER + 1:
        result = OnNameDialogRequest();
        return true;
    case win::WM_USER + 2:
        result = OnStageFileRequest();
        return true;
    case win::WM_USER + 3:
        result = OnReplayFileRequest();
        return true;
    case win::WM_USER + 4:
        result = OnReplaySaveRequest(wParam);
        return true;
    case win::WM_USER + 5:
        result = OnPlaySeRequest(wParam);
        return true;
    case win::WM_USER + 6:
        result = OnBgmRequest(wParam, lParam);
        return true;
    case win::WM_USER + 100:
        result = OnResetDeviceRequest();
        return true;
    default:
        return false;
    }
}
