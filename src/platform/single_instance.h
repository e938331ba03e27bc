// Single instance and finding the running instance, in place of the platform's named mutex and
// window search across processes.
//
// The named mutex is a lock file in the user's runtime folder (RuntimeFolder below). Every instance holds it
// shared; a start finds it "already existing" when another process holds it. A process whose main window
// exists publishes its process id under its window class, so a later start can find and end it.
#pragma once
#include <string>

namespace win {

struct InstanceMutex {
    int fd = -1;
};

// Creates (or opens) the named mutex. alreadyExists: another process holds it. False only when the
// lock file cannot be made at all.
bool CreateInstanceMutex(const char* name, InstanceMutex& mutex, bool& alreadyExists);
void ReleaseInstanceMutex(InstanceMutex& mutex);

// This process has a window of the class (published when the main window is created, withdrawn
// when it is destroyed).
void PublishWindowClass(const char* className);
void WithdrawWindowClass(const char* className);
// The process id of a running process with a window of the class; 0 when there is none.
int FindWindowProcess(const char* className);
// Asks the process to end (SIGTERM: it closes as by its close box) and waits up to `waitMs` for it
// to be gone. False when the process cannot be signalled.
bool TerminateProcessAndWait(int pid, int waitMs);

// The folder that holds the lock and process-id files: $XDG_RUNTIME_DIR, else a folder of the
// user's own under $TMPDIR (or /tmp), "mirelda4-<uid>" (or "-1" ... "-9" after it when another
// user holds that name); empty when there is none (the instance check is then left out).
std::string RuntimeFolder();

} // namespace win
