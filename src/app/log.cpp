#include "app/log.h"

#include "app/globals.h"
#include "app/memory_reserve.h"
#include "app/str_format.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/messages.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

char g_szReportPath[LOG_PATH_SIZE] = "";
// The report log's name on the file system once it has been opened (empty before).
char g_szReportNative[LOG_PATH_SIZE * 4] = "";
char g_szECLogPath[LOG_PATH_SIZE] = "";
int g_bECLogEnabled = 0;
unsigned char g_bECLogStarted = 0;

namespace {

// One lock for every log write of the process (ReportErr writes the EC log while it holds it).
std::recursive_mutex& LogLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::atomic<FullScreenMessageBoxFn> g_fullScreenBox{nullptr};

void CopyName(char* dest, const char* name) {
    if (!name) name = "";
    std::strncpy(dest, name, LOG_PATH_SIZE - 1);
    dest[LOG_PATH_SIZE - 1] = '\0';
}

// The logs are text files: every line end is written as CR LF.
void WriteText(std::FILE* f, const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') std::fputc('\r', f);
        std::fputc(*p, f);
    }
}

void WriteLine(std::FILE* f, const char* text) {
    WriteText(f, text);
    WriteText(f, "\n");
}

// A log opened for appending (null stays null).
std::FILE* AtEnd(std::FILE* f) {
    if (f) std::fseek(f, 0, SEEK_END);
    return f;
}

// Opens a log for appending; never creates it. Null also when memory ran out: a line that cannot be
// written is lost, never the program.
std::FILE* OpenForAppend(const char* path) {
    try {
        return AtEnd(fsys::Open(path, "r+b"));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The report log for appending (lock held).
std::FILE* OpenReportForAppend() {
    if (!g_szReportNative[0]) return OpenForAppend(g_szReportPath);
    return AtEnd(std::fopen(g_szReportNative, "r+b"));
}

std::string FormatAll(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    try {
        std::string text(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(n));
        return text;
    } catch (const std::bad_alloc&) {
        // No memory for the line: it is written empty.
        return {};
    }
}

// Formats into the 1,024-byte buffer of logs and boxes.
std::string FormatMessage(const char* format, va_list args) {
    char buffer[LOG_FORMAT_BUFFER];
    FormatBounded(buffer, sizeof buffer, format, args);
    return buffer;
}

bool ReportErrText(const char* text) {
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    std::FILE* f = OpenReportForAppend();
    if (!f) return false;
    WriteLine(f, text);
    ECLog(text);
    std::fclose(f);
    return true;
}

} // namespace

bool ReportOpen(const char* fileName) {
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    CopyName(g_szReportPath, fileName);
    g_szReportNative[0] = '\0';
    std::FILE* f = fsys::Open(g_szReportPath, "wb");
    if (!f) return false;
    std::fclose(f);
    // Its name on the file system is kept: a line is then written without memory of its own.
    const std::string native = fsys::ToNative(g_szReportPath);
    if (native.size() < sizeof g_szReportNative)
        std::memcpy(g_szReportNative, native.c_str(), native.size() + 1);
    return true;
}

bool Report(const char* format, ...) {
    // A line of usual length is formatted without memory of its own (memory may have run out).
    char line[1024] = "";
    std::string longer;
    if (format) {
        va_list args;
        va_start(args, format);
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(line, sizeof line, format, copy);
        va_end(copy);
        if (n >= static_cast<int>(sizeof line)) longer = FormatAll(format, args);
        va_end(args);
    }
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    std::FILE* f = OpenReportForAppend();
    if (!f) return false;
    WriteLine(f, longer.empty() ? line : longer.c_str());
    std::fclose(f);
    return true;
}

bool ReportErr(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatMessage(format, args);
    va_end(args);
    return ReportErrText(text.c_str());
}

bool ReportErrBox(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatMessage(format, args);
    va_end(args);
    const bool logged = ReportErrText(text.c_str());
    ErrorBoxText(text.c_str());
    return logged;
}

void ECLogSet(int enabled, const char* fileName) {
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    g_bECLogEnabled = enabled;
    CopyName(g_szECLogPath, fileName);
}

void ECLog(const char* text) {
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    if (!g_bECLogEnabled) return;
    if (!text) text = "";
    std::FILE* f = nullptr;
    if (!g_bECLogStarted) {
        // The first line of a run empties what an earlier run left.
        f = fsys::Open(g_szECLogPath, "wb");
        g_bECLogStarted = 1;
    } else {
        f = OpenForAppend(g_szECLogPath);
    }
    if (!f) return;
    WriteLine(f, text);
    std::fclose(f);
}

void ECLogText(const char* text) {
    ECLog(text);
}

void ECLogF(const char* format, ...) {
    if (!g_bECLogEnabled) return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatMessage(format, args);
    va_end(args);
    ECLog(text.c_str());
}

win::BOOL FatalLog(win::HWND hwnd, const char* format, ...) {
    if (g_bECLogEnabled) {
        va_list args;
        va_start(args, format);
        const std::string text = FormatMessage(format, args);
        va_end(args);
        ECLog(text.c_str());
    }
    return win::PostMessage(hwnd, win::WM_CLOSE, 0, 0);
}

void SetFullScreenMessageBox(FullScreenMessageBoxFn fn) {
    g_fullScreenBox = fn;
}

int MessageBoxActive(const char* text, const char* caption, win::UINT type) {
    if (FullScreenMessageBoxFn fn = g_fullScreenBox.load()) return fn(text, caption, type);
    return win::MessageBox(nullptr, text, caption, type);
}

int ErrorBoxText(const char* text) {
    return MessageBoxActive(text, "エラー", win::MB_OK);
}

int ErrorBox(const char* format, ...) {
    char text[LOG_FORMAT_BUFFER];
    va_list args;
    va_start(args, format);
    FormatBounded(text, sizeof text, format, args);
    va_end(args);
    return ErrorBoxText(text);
}

int DebugErrorBox(const char* format, ...) {
    if (!g_bECLogEnabled) return 0;
    char text[LOG_FORMAT_BUFFER];
    va_list args;
    va_start(args, format);
    FormatBounded(text, sizeof text, format, args);
    va_end(args);
    return MessageBoxActive(text, "エラー", win::MB_OK);
}

namespace {

// Set by the first telling: the program is closing for want of memory.
std::atomic<bool> g_bMemoryRanOut{false};

} // namespace

void TellOutOfMemory(const char* text) {
    ReleaseMemoryReserve();
    // Whichever thread ran out first tells the user; the others only ask for the close again.
    if (!g_bMemoryRanOut.exchange(true)) {
        try {
            ErrorBoxText(text);
        } catch (const std::bad_alloc&) {
            // Not even the box found memory: the close still ends the program.
        }
    }
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}

void OutOfMemory() {
    TellOutOfMemory("メモリが不足しています！");
}

bool OutOfMemoryTold() {
    return g_bMemoryRanOut.load();
}

void ForgetOutOfMemoryTold() {
    g_bMemoryRanOut.store(false);
}
