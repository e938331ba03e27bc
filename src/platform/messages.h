// Per-thread message queues in place of the platform's window messages.
//
// Every thread that calls one of these gets its own queue on first use. The main window is served
// by the thread that created it (the window thread); messages for it go to that thread's queue.
// A SendMessage from another thread waits until the window thread has handled it; a QueueRequest
// joins the same line of sent requests without waiting. The window thread serves sent messages, in
// the order they came, before posted ones whenever it waits or pumps. Once shut-down
// begins (BeginAbort), every pending and new SendMessage returns 0 at once and flag polls end.
#pragma once
#include "platform/win_types.h"
#include <cstdint>
#include <functional>

namespace win {

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using ThreadId = DWORD;

// The main window object: created by the window thread, which then owns its queue.
HWND CreateMainWindowObject(WNDPROC proc);
void DestroyMainWindowObject(HWND hwnd);
ThreadId GetWindowThreadId(HWND hwnd);

ThreadId GetCurrentThreadId();

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(ThreadId thread, UINT msg, WPARAM wParam, LPARAM lParam);
// Called on the window's own thread: runs the procedure directly. From another thread: queues
// the request for the window thread and waits for its result (0 once shut-down has begun).
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A request whose result nobody needs (a sound to play). Called on the window's own thread: runs
// the procedure directly. From another thread: puts the request in line with the requests sent to
// the window thread and returns at once. The first request queued after an AnnounceQueuedRequests
// (or at the start) wakes the window thread; those after it are left for the window thread's next
// look or the next AnnounceQueuedRequests, so that a burst of requests costs one wake-up. Dropped
// once shut-down has begun.
void QueueRequest(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Wakes the window thread for the requests queued without a wake-up since the last call: called
// where a frame ends, so that every request of the frame reaches the window thread within it.
void AnnounceQueuedRequests();
// PM_REMOVE (1) takes the message off the queue. Sent requests addressed to this thread are
// served first. Returns FALSE when nothing is waiting.
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
// Waits for a posted message; returns FALSE for WM_QUIT, TRUE otherwise.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
// Waits at most `ms` milliseconds for something to arrive (or for WakeMessageWaiters).
void WaitMessageTimeout(DWORD ms);
// Ends every thread's WaitMessageTimeout and WaitMessageOrReadable at once: something besides a
// message wants a look (a new frame to show, say). A thread waiting in GetMessage sleeps on.
void WakeMessageWaiters();
// How many WakeMessageWaiters calls there have been.
std::uint64_t MessageWakeups();
// Waits at most `ms` milliseconds for a message to this thread, for a WakeMessageWaiters call
// beyond the `wakeupsSeen` counted before (MessageWakeups), or for `fd` to become readable (the
// display's connection). With `fd` < 0 only the first two end the wait.
void WaitMessageOrReadable(DWORD ms, int fd, std::uint64_t wakeupsSeen);
LRESULT DispatchMessage(const MSG* msg);
void PostQuitMessage(int exitCode);

// Shut-down: all blocking waits of the message model end.
void BeginAbort();
bool IsAborting();
// For tests: a clean state (no queues, no abort).
void ResetMessageModelForTests();

} // namespace win
