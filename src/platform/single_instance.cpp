#include "platform/single_instance.h"

#include <cerrno>
#include <climits>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace win {
namespace {

// File names from the system's CP932 names: letters and digits kept, other bytes as hex.
std::string SafeName(const char* name) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '_') {
            out.push_back(static_cast<char>(*p));
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", *p);
            out += hex;
        }
    }
    return out;
}

// The window class file this process published (empty before).
char g_publishedFile[PATH_MAX] = "";

std::string ClassFile(const char* className) {
    const std::string folder = RuntimeFolder();
    return folder.empty() ? std::string() : folder + "/mirelda4-window-" + SafeName(className) + ".pid";
}

// A folder only this user can use: made when missing; an existing one is taken only when it is a
// real folder (not a link), owned by this user and closed to everybody else.
bool PrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

bool ProcessAlive(int pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

int ReadPid(const char* file) {
    if (!*file) return 0;
    std::FILE* f = std::fopen(file, "r");
    if (!f) return 0;
    int pid = 0;
    if (std::fscanf(f, "%d", &pid) != 1) pid = 0;
    std::fclose(f);
    return pid;
}

} // namespace

std::string RuntimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (xdg && *xdg && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
    // A folder of this user's own in the temporary folder. A name that another user has taken is
    // passed over; every instance tries the names in the same order, so they still meet.
    const char* tmp = std::getenv("TMPDIR");
    const std::string base =
        std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/mirelda4-" + std::to_string(getuid());
    for (int i = 0; i < 10; ++i) {
        const std::string folder = i == 0 ? base : base + "-" + std::to_string(i);
        if (PrivateFolder(folder)) return folder;
    }
    return "";
}

bool CreateInstanceMutex(const char* name, InstanceMutex& mutex, bool& alreadyExists) {
    alreadyExists = false;
    const std::string folder = RuntimeFolder();
    if (folder.empty()) return false;
    const std::string file = folder + "/mirelda4-mutex-" + SafeName(name) + ".lock";
    mutex.fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (mutex.fd < 0) return false;
    if (flock(mutex.fd, LOCK_EX | LOCK_NB) == 0) {
        flock(mutex.fd, LOCK_SH); // from now on only a claim beside others
        return true;
    }
    alreadyExists = true;
    // Join the holders (a holder may be turning its exclusive lock into a shared one just now).
    for (int i = 0; i < 100 && flock(mutex.fd, LOCK_SH | LOCK_NB) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void ReleaseInstanceMutex(InstanceMutex& mutex) {
    if (mutex.fd >= 0) close(mutex.fd);
    mutex.fd = -1;
}

void PublishWindowClass(const char* className) {
    const std::string file = ClassFile(className);
    if (file.empty()) return;
    const std::string tmp = file + "." + std::to_string(getpid());
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f) return;
    std::fprintf(f, "%d\n", static_cast<int>(getpid()));
    std::fclose(f);
    std::rename(tmp.c_str(), file.c_str());
    if (file.size() < sizeof g_publishedFile) std::memcpy(g_publishedFile, file.c_str(), file.size() + 1);
}

void WithdrawWindowClass(const char* className) {
    // The published file's name is kept: withdrawing it needs no memory, which may have run out.
    const std::string file = g_publishedFile[0] ? std::string() : ClassFile(className);
    const char* path = g_publishedFile[0] ? g_publishedFile : file.c_str();
    if (!*path) return;
    // Only our own entry: a later instance may have published its window since.
    if (ReadPid(path) == static_cast<int>(getpid())) unlink(path);
}

int FindWindowProcess(const char* className) {
    const int pid = ReadPid(ClassFile(className).c_str());
    if (pid == static_cast<int>(getpid())) return 0;
    return ProcessAlive(pid) ? pid : 0;
}

bool TerminateProcessAndWait(int pid, int waitMs) {
    if (pid <= 0 || kill(pid, SIGTERM) != 0) return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < end && kill(pid, 0) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

} // namespace win
