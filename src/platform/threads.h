// Threads in place of the platform's thread handles. Built on std::thread; suspension and
// termination are cooperative, because forcing either on a running thread is unsafe here:
// - a suspended thread parks at its next `Sleep` (every wait and poll of the player sleeps) or at
//   `ParkWhileSuspended`, and runs on when resumed or when shut-down begins;
// - a thread that will not end is abandoned: its handle is released, the thread is left to finish
//   by itself, and `AnyThreadAbandoned` tells the process to end without waiting for it.
#pragma once
#include "platform/messages.h"
#include "platform/win_types.h"

#include <functional>
#include <thread>

namespace win {

struct ThreadObject;
using HANDLE = ThreadObject*;

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD INFINITE = 0xFFFFFFFF;

using ThreadProc = unsigned (*)(void*);

// A std::thread running `body`. One that finds no memory to start (its stack) throws
// std::bad_alloc, so that it is told as memory running out; any other failure throws as std::thread does.
std::thread StartStdThread(std::function<void()> body);
// Starts `proc(arg)` at once and fills `*threadId` with the new thread's id (the id thread
// messages are posted to) before returning. Null when the thread could not be created; throws
// std::bad_alloc when there were no resources (memory) for it.
HANDLE BeginThread(ThreadProc proc, void* arg, ThreadId* threadId);
// WAIT_OBJECT_0 once the thread's procedure has returned, WAIT_TIMEOUT otherwise (after waiting
// at most `ms` milliseconds).
DWORD WaitForSingleObject(HANDLE thread, DWORD ms);
// Suspend counts as the platform keeps them: the previous count, or 0xFFFFFFFF for no thread.
DWORD SuspendThread(HANDLE thread);
DWORD ResumeThread(HANDLE thread);
int SuspendCount(HANDLE thread);
// The procedure's result once it returned.
BOOL GetExitCodeThread(HANDLE thread, DWORD* code);
// Releases the handle of an ended thread. A thread still running is abandoned (left to end by
// itself) and counted by AnyThreadAbandoned.
BOOL CloseHandle(HANDLE thread);
bool AnyThreadAbandoned();

// Called by a worker at a point where it may safely stop: parks while the thread is suspended.
// Does nothing on threads not started by BeginThread.
void ParkWhileSuspended();

} // namespace win
