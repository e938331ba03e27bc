// Thread objects: the game thread, the pause and ranking loops and the stage loader each run in
// one of four global cThread objects.
#pragma once
#include "platform/messages.h"
#include "platform/threads.h"

#include <atomic>
#include <mutex>

class cThread {
  public:
    cThread() = default;
    cThread(const cThread&) = delete;
    cThread& operator=(const cThread&) = delete;
    // Stops a thread still running at program end.
    ~cThread();

    // Starts `proc(arg)`; 1 when the thread runs, 0 when it could not be created. Throws
    // std::bad_alloc when there is no memory for it. Memory running out in `proc` ends the thread
    // and the program (OutOfMemory) instead of the process.
    int Start(win::ThreadProc proc, void* arg);
    // Blocks until the thread has ended by itself (or was stopped by Exit on another thread),
    // then releases the handle.
    void Wait();
    // Suspension is cooperative: the thread parks at its next sleep. True without a thread.
    bool Suspend();
    bool Resume();
    // Asks the thread to end with WM_QUIT, polling every millisecond and repeating the request, and
    // waits until it has ended: a step that takes long (a picture being read) is let finish. A
    // thread still running after 200 polls is reported; one still running after `giveUpMs`
    // milliseconds is reported and left to end by itself (counted by win::AnyThreadAbandoned: from
    // then on nothing it may use is released).
    void Exit(unsigned giveUpMs = EXIT_GIVE_UP_MS);

    // Far longer than any step of a worker that has been asked to stop.
    static constexpr unsigned EXIT_GIVE_UP_MS = 5000;

    // Whether the object holds a thread (running, or ended and not yet waited for).
    bool HasThread();
    // No thread, or its procedure has returned.
    bool HasEnded();
    win::ThreadId ThreadIdOf() const { return m_nThreadId; }

    // The id is read by other threads (a close posts WM_QUIT to it); the handle only under m_Lock
    // once the thread may be stopped from elsewhere.
    std::atomic<win::ThreadId> m_nThreadId{0};
    win::HANDLE m_hThread = nullptr;

  private:
    static unsigned Body(void* self);

    std::mutex m_Lock;
    win::ThreadProc m_Proc = nullptr;
    void* m_Arg = nullptr;
};

extern cThread thGame;
extern cThread thPause;
extern cThread thRanking;
extern cThread thStageLoad;

// Starts a thread that receives thread messages and pokes it with WM_APP until its queue exists.
// `yieldBetweenTries` sleeps 0 ms between tries (the starters on the game thread do; the window
// thread retries at once). A thread that cannot be created is a fatal error: reported with a box
// (the memory box when memory ran out) and WM_CLOSE, and false is returned instead of waiting for a
// queue that never comes.
bool StartThreadWithQueue(cThread& thread, win::ThreadProc proc, void* arg, bool yieldBetweenTries);

// Suspend (resume) the four worker threads in the order game, pause, ranking, stage load.
void SuspendWorkers();
void ResumeWorkers();
