#include "project/stage_file.h"

#include <atomic>
#include <new>

#include "app/log.h"
#include "app/paths.h"
#include "app/thread.h"
#include "platform/messages.h"
#include "platform/threads.h"
#include "platform/time.h"
#include "project/project_record_env.h"
#include "records/vocab_defs.h"

cEdStage g_Stage;
cEdStage g_StageOriginal;

std::int32_t& g_nFrameMul = g_Stage.m_nFrameMul;
std::int32_t& g_nFramePeriod = g_Stage.m_nFramePeriod;
double& g_dFrameScale = g_Stage.m_dFrameScale;
double& g_dGravity = g_Stage.m_dGravity;
double& g_dMaxSpeed = g_Stage.m_dMaxSpeed;

namespace {

// Stages resolve their references against the project.
[[maybe_unused]] const bool g_bEnvInstalled = InstallProjectRecordEnv();

// Set by the loading thread when it has finished with g_Stage.
std::atomic<bool> g_bStageLoadFinished{true};
// Set by the loading thread when the stage's lists could not be allocated.
std::atomic<bool> g_bStageLoadOutOfMemory{false};

constexpr int FILE_EXT_STAGE = 1;
// Files from this version on are refused when they do not end with the end marker.
constexpr std::int32_t VERSION_STAGE_MARKER_CHECKED = 174;

template <class List> void DestroyList(List& list) {
    List().swap(list);
}

} // namespace

int CheckStageFile(const std::string& path) {
    std::FILE* fp = OpenDataFileRead(path.c_str());
    if (!fp) return 1;
    if (g_nLoadVersion < VERSION_STAGE_MARKER_CHECKED) {
        CloseDataFile(fp);
        return 1;
    }
    std::uint32_t marker = 0;
    const bool read = std::fseek(fp, -4, SEEK_END) == 0 && ReadU32(fp, marker);
    CloseDataFile(fp);
    if (read && marker == STAGE_END_MARKER) return 1;
    // A damaged stage is refused; the caller stays where it is, so the program goes on.
    ErrorBox("ステージファイル %s が破損しています！", path.c_str());
    return 0;
}

unsigned StageLoadProc(void*) {
    bool ok = false;
    try {
        ok = g_Stage.LoadFile(g_Stage.m_strPath);
    } catch (const std::bad_alloc&) {
        // A stage larger than the memory left: the caller reports it, the partly read stage is
        // not played.
        g_bStageLoadOutOfMemory.store(true, std::memory_order_relaxed);
    }
    if (ok) g_Stage.m_nLoaded = 1;
    g_bStageLoadFinished.store(true, std::memory_order_release);
    return ok ? 1 : 0;
}

void KeepStageSetup(cEdStage& target, cEdStage& stage) {
    if (&target == &stage) return;
    target.CopyFields(stage);
    target.m_Backgrounds = stage.m_Backgrounds;
    target.m_Texts = stage.m_Texts;
    for (int i = 0; i < STAGE_LIMIT_RECORDS; ++i)
        target.m_Limits[i] = stage.m_Limits[i];
    target.m_ResultItems = stage.m_ResultItems;
    DestroyList(target.m_Blocks);
    DestroyList(target.m_Charas);
    DestroyList(target.m_Items);
    // The palettes as loaded: arrangements change the running stage's item commands, and every
    // set-up of the stage starts again from these.
    target.m_PaletteBlocks = stage.m_PaletteBlocks;
    target.m_PaletteCharas = stage.m_PaletteCharas;
    target.m_PaletteItems = stage.m_PaletteItems;
}

int LoadStageForPlay(const std::string& path, int newest, cEdStage* target) {
    // A load started from a message dispatched while another load runs would have two threads
    // filling g_Stage: it is refused.
    if (!g_bStageLoadFinished.load(std::memory_order_acquire)) return 0;
    g_Stage.m_nNewest = newest;
    if (newest == 1) {
        std::string found;
        if (!FindLatestNumberedFileStr(found, path, FileExtTable()[FILE_EXT_STAGE])) return 0;
        g_Stage.m_strPath = found;
    } else {
        g_Stage.m_strPath = path;
    }
    MakeRelativePathStr(g_Stage.m_strPath);
    const std::string stagePath = g_Stage.m_strPath;
    if (!CheckStageFile(stagePath)) return 0;

    g_Stage.m_nLoaded = 0;
    g_bStageLoadOutOfMemory.store(false, std::memory_order_relaxed);
    g_bStageLoadFinished.store(false, std::memory_order_release);
    int started = 0;
    try {
        started = thStageLoad.Start(StageLoadProc, nullptr);
    } catch (const std::bad_alloc&) {
        // No memory for the loader: no load is under way, and the caller is told.
        g_bStageLoadFinished.store(true, std::memory_order_release);
        throw;
    }
    if (!started) g_bStageLoadFinished.store(true, std::memory_order_release);

    // Keep this thread's own messages moving while the file is read, waiting a millisecond at a
    // time rather than spinning.
    bool quit = false;
    win::WPARAM quitCode = 0;
    while (!g_bStageLoadFinished.load(std::memory_order_acquire)) {
        win::MSG msg{};
        if (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            if (msg.message == win::WM_QUIT) {
                ECLogText("msg.message == WM_QUIT");
                quit = true;
                quitCode = msg.wParam;
                break;
            }
            win::DispatchMessage(&msg);
        } else {
            win::WaitMessageTimeout(1);
        }
    }
    // The loader is never stopped while it fills g_Stage: it is waited for (a load is short and
    // bounded by the file's size).
    while (!g_bStageLoadFinished.load(std::memory_order_acquire))
        win::Sleep(1);
    thStageLoad.Wait();
    // A close dispatched just before the load finished leaves its quit in the queue: the load then
    // counts as cut off too, and the quit stays for the caller's own loop.
    win::MSG pending{};
    if (!quit && win::PeekMessage(&pending, nullptr, win::WM_QUIT, win::WM_QUIT, win::PM_NOREMOVE)) return 0;
    if (quit) {
        // The quit belongs to the caller's own loop: post it again so the program still ends.
        win::PostQuitMessage(static_cast<int>(quitCode));
        return 0;
    }

    if (g_bStageLoadOutOfMemory.load(std::memory_order_relaxed)) {
        OutOfMemory();
        return 0;
    }
    if (g_Stage.m_nLoaded == 0) {
        // A size no play could hold is a damaged file: the reader refused it before building
        // anything for it.
        if (!StageSizeAccepted(g_Stage.m_nWidth, g_Stage.m_nHeight))
            ErrorBox("ステージファイル %s が破損しています！", stagePath.c_str());
        else
            ErrorBox("ステージファイル %s の読み込みに失敗しました！", stagePath.c_str());
        return 0;
    }
    if (!g_Stage.HasHero()) {
        // Refused without closing the program: the caller stays where it is.
        ErrorBox("主人公が配置されていないのでプレイできません！");
        return 0;
    }
    if (target) KeepStageSetup(*target, g_Stage);
    return 1;
}
