#include "app/thread.h"

#include "app/globals.h"
#include "app/log.h"
#include "platform/time.h"

#include <chrono>
#include <new>

cThread thGame;
cThread thPause;
cThread thRanking;
cThread thStageLoad;

cThread::~cThread() {
    Exit();
}

unsigned cThread::Body(void* self) {
    cThread& t = *static_cast<cThread*>(self);
    try {
        return t.m_Proc(t.m_Arg);
    } catch (const std::bad_alloc&) {
        // The thread ends where memory ran out; the close ends the others.
        OutOfMemory();
        return 0;
    }
}

int cThread::Start(win::ThreadProc proc, void* arg) {
    std::lock_guard lock(m_Lock);
    m_Proc = proc;
    m_Arg = arg;
    win::ThreadId id = 0;
    win::HANDLE h = win::BeginThread(&cThread::Body, this, &id);
    if (!h) return 0;
    m_nThreadId = id;
    m_hThread = h;
    return 1;
}

void cThread::Wait() {
    for (;;) {
        {
            std::lock_guard lock(m_Lock);
            // Another thread's Exit may have stopped and released it meanwhile.
            if (!m_hThread) return;
            if (win::WaitForSingleObject(m_hThread, 0) != win::WAIT_TIMEOUT) {
                win::CloseHandle(m_hThread);
                m_hThread = nullptr;
                return;
            }
        }
        win::Sleep(1);
    }
}

bool cThread::Suspend() {
    std::lock_guard lock(m_Lock);
    if (!m_hThread) return true;
    return win::SuspendThread(m_hThread) != 0xFFFFFFFF;
}

bool cThread::Resume() {
    std::lock_guard lock(m_Lock);
    if (!m_hThread) return true;
    return win::ResumeThread(m_hThread) != 0xFFFFFFFF;
}

bool cThread::HasThread() {
    std::lock_guard lock(m_Lock);
    return m_hThread != nullptr;
}

bool cThread::HasEnded() {
    std::lock_guard lock(m_Lock);
    return !m_hThread || win::WaitForSingleObject(m_hThread, 0) != win::WAIT_TIMEOUT;
}

void cThread::Exit(unsigned giveUpMs) {
    if (!HasThread()) return;
    // The wall clock, not the frame clock: the wait is real time.
    const auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(giveUpMs);
    while (!Resume()) {
    }
    ECLog("Exit A");
    win::PostThreadMessage(m_nThreadId, win::WM_QUIT, 0, 0);
    ECLog("Exit B");
    ECLog("Exit C");
    for (int pass = 0;;) {
        {
            std::lock_guard lock(m_Lock);
            if (!m_hThread) break;
            if (win::WaitForSingleObject(m_hThread, 0) != win::WAIT_TIMEOUT) {
                win::CloseHandle(m_hThread);
                m_hThread = nullptr;
                break;
            }
            if (pass == 200)
                Report("Exit : thread %u is still busy, waiting", static_cast<unsigned>(m_nThreadId.load()));
            if (std::chrono::steady_clock::now() >= giveUpAt) {
                // A thread is never killed in the middle of what it does: it is left to end by
                // itself, and the process ends without releasing anything it may still use.
                Report("Exit : thread %u did not end", static_cast<unsigned>(m_nThreadId.load()));
                win::CloseHandle(m_hThread);
                m_hThread = nullptr;
                break;
            }
        }
        win::Sleep(1);
        win::PostThreadMessage(m_nThreadId, win::WM_QUIT, 0, 0);
        ++pass;
    }
    ECLog("Exit D");
    ECLog("Exit E");
}

bool StartThreadWithQueue(cThread& thread, win::ThreadProc proc, void* arg, bool yieldBetweenTries) {
    int started = 0;
    try {
        started = thread.Start(proc, arg);
    } catch (const std::bad_alloc&) {
        // No memory for the thread (its stack included).
        OutOfMemory();
        return false;
    }
    if (!started) {
        ErrorBoxText("スレッドを作成できません！");
        win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        return false;
    }
    while (!win::PostThreadMessage(thread.m_nThreadId, win::WM_APP, 0, 0)) {
        // A thread that ended before making its queue would never accept the poke.
        if (thread.HasEnded()) return true;
        if (yieldBetweenTries) win::Sleep(0);
    }
    return true;
}

void SuspendWorkers() {
    thGame.Suspend();
    thPause.Suspend();
    thRanking.Suspend();
    thStageLoad.Suspend();
}

void ResumeWorkers() {
    thGame.Resume();
    thPause.Resume();
    thRanking.Resume();
    thStageLoad.Resume();
}
