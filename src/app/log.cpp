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
#include <string>

char g_szReportPath[LOG_PATH_SIZE] = "";
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

// Opens a log for appending; never creates it.
std::FILE* OpenForAppend(const char* path) {
    std::FILE* f = fsys::Open(path, "r+b");
    if (f) std::fseek(f, 0, SEEK_END);
    return f;
}

std::string FormatAll(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    return text;
}

// Formats into the 1,024-byte buffer of logs and boxes.
std::string FormatMessage(const char* format, va_list args) {
    char buffer[LOG_FORMAT_BUFFER];
    FormatBounded(buffer, sizeof buffer, format, args);
    return buffer;
}

bool ReportErrText(const char* text) {
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    std::FILE* f = OpenForAppend(g_szReportPath);
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
    std::FILE* f = fsys::Open(g_szReportPath, "wb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool Report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = format ? FormatAll(format, args) : std::string();
    va_end(args);
    std::lock_guard<std::recursive_mutex> guard(LogLock());
    std::FILE* f = OpenForAppend(g_szReportPath);
    if (!f) return false;
    WriteLine(f, text.c_str());
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

void OutOfMemory() {
    ReleaseMemoryReserve();
    ErrorBoxText("メモリが不足しています！");
    win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
}
