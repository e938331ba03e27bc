#include "app/paths.h"

#include "app/log.h"
#include "app/sjis.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/message_box.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The parts between separators, pairing lead and trail bytes from the start of the text.
std::vector<std::string> SplitParts(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (size_t i = 0; i < path.size();) {
        if (IsSjisPair(path.c_str() + i)) {
            cur.append(path, i, 2);
            i += 2;
        } else if (IsSeparator(path[i])) {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
            ++i;
        } else {
            cur.push_back(path[i]);
            ++i;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

bool EndsWithSeparator(const std::string& path) {
    bool last = false;
    for (size_t i = 0; i < path.size();) {
        if (IsSjisPair(path.c_str() + i)) {
            last = false;
            i += 2;
        } else {
            last = IsSeparator(path[i]);
            ++i;
        }
    }
    return last;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
        if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
        if (x != y) return false;
    }
    return true;
}

// Copies text into a MAX_PATH buffer; false (buffer untouched) when it does not fit.
bool Store(char* out, const std::string& text) {
    if (text.size() >= static_cast<size_t>(MAX_PATH)) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

bool Fits(const char* path) {
    return path && std::strlen(path) < static_cast<size_t>(MAX_PATH);
}

// Absolute form of a path: the working folder's parts, then the path's, "." dropped and ".." going up.
bool FullPath(const std::string& path, std::string& full) {
    std::vector<std::string> parts;
    if (!fsys::IsAbsolute(path)) {
        std::string cwd;
        if (!fsys::GetCurrentDirectory(cwd)) return false;
        parts = SplitParts(cwd);
    }
    for (const std::string& p : SplitParts(path)) {
        if (p == ".") continue;
        if (p == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(p);
    }
    full.clear();
    for (const std::string& p : parts)
        full += "\\" + p;
    if (full.empty() || EndsWithSeparator(path)) full += "\\";
    return true;
}

} // namespace

void CreateSystemFolders() {
    for (int i = 0; g_SystemFolders[i]; ++i)
        fsys::CreateDirectory(g_SystemFolders[i]);
}

void RemoveLeftoverTempFiles() {
    std::vector<std::string> kept;
    for (int i = 0; g_SystemFolders[i]; ++i)
        if (std::strncmp(g_SystemFolders[i], "user_data", 9) == 0)
            fsys::RemoveLeftoverTempFiles(g_SystemFolders[i], &kept);
    for (const std::string& name : kept)
        Report("%s : kept from a write cut off (it differs from the file beside it)", name.c_str());
}

bool EnsureDataFolder(win::HWND owner) {
    if (fsys::IsDirectory(g_PathTable[PATH_DATA])) return true;
    if (!fsys::IsDirectory(g_PathTable[PATH_DEFAULT])) return false;
    if (win::MessageBox(owner, "データが存在しません！デフォルトデータを作成しますか？\n",
                        "デフォルトデータ作成の確認", win::MB_YESNO) == win::IDNO)
        return false;
    char from[MAX_PATH];
    char to[MAX_PATH];
    std::strcpy(from, g_PathTable[PATH_DEFAULT].c_str());
    std::strcpy(to, g_PathTable[PATH_DATA].c_str());
    // Full paths when the working folder can be named; relative ones reach the same folders.
    MakeFullPath(from);
    MakeFullPath(to);
    const size_t n = std::strlen(from);
    if (n > 1 && from[n - 1] == '\\') from[n - 1] = '\0';
    if (fsys::CopyTree(from, to)) return true;
    // A copy that failed half-way is removed, so that the next start asks again.
    fsys::RemoveTree(to);
    return false;
}

bool MakeFullPath(char* path) {
    if (!Fits(path)) return false;
    if (fsys::IsAbsolute(path)) return true;
    std::string full;
    if (!FullPath(path, full)) return false;
    return Store(path, full);
}

bool MakeRelativePath(char* path) {
    if (!Fits(path)) return false;
    if (!fsys::IsAbsolute(path)) return true;
    std::string cwd;
    if (!fsys::GetCurrentDirectory(cwd)) return false;
    std::string full;
    if (!FullPath(path, full)) return false;
    const std::vector<std::string> from = SplitParts(cwd);
    const std::vector<std::string> to = SplitParts(full);
    size_t common = 0;
    while (common < from.size() && common < to.size() && SameIgnoringAsciiCase(from[common], to[common]))
        ++common;
    std::string rel;
    if (common == from.size()) {
        rel = ".";
    } else {
        for (size_t i = common; i < from.size(); ++i)
            rel += (rel.empty() ? ".." : "\\..");
    }
    for (size_t i = common; i < to.size(); ++i)
        rel += "\\" + to[i];
    if (EndsWithSeparator(path)) rel += "\\";
    return Store(path, rel);
}

bool MakeRelativePathStr(std::string& path) {
    char buf[MAX_PATH];
    if (!Store(buf, path)) return false;
    if (!MakeRelativePath(buf)) return false;
    path = buf;
    return true;
}

void SplitPathSjis(char* path) {
    if (!path) return;
    const char* last = nullptr;
    for (const char* p = path; *p;) {
        if (IsSjisPair(p)) {
            p += 2;
            continue;
        }
        if (IsSeparator(*p)) last = p;
        ++p;
    }
    if (last) std::memmove(path, last + 1, std::strlen(last + 1) + 1);
}

bool ReplaceExtension(char* out, const char* path, const char* ext) {
    if (!Fits(path)) return false;
    std::string text = path;
    const size_t dot = text.rfind('.');
    if (dot == std::string::npos) {
        Store(out, text);
        return false;
    }
    text.resize(ext ? dot + 1 : dot);
    if (ext) text += ext;
    return Store(out, text);
}

bool FindLatestNumberedFile(char* out, const char* path, const char* ext) {
    if (!Fits(path)) return false;
    char base[MAX_PATH];
    if (!ReplaceExtension(base, path, ext)) {
        if (std::strchr(path, '.')) return false; // has an extension but the result did not fit
        std::strcpy(base, path);
    }
    // The revisions are probed from 999 down to 000; the folder is read once and every entry named
    // base_ddd (in any case of its ASCII letters, as a probe of that name would find it) counts.
    const std::string text = base;
    size_t nameStart = 0;
    for (size_t i = 0; i < text.size();) {
        if (IsSjisPair(text.c_str() + i)) {
            i += 2;
        } else {
            if (IsSeparator(text[i])) nameStart = i + 1;
            ++i;
        }
    }
    const std::string folder = text.substr(0, nameStart);
    const std::string name = cp932::ToUtf8(text.substr(nameStart));
    std::vector<std::string> entries;
    if (!fsys::ListFolder(folder.empty() ? "." : folder, entries)) return false;
    int best = -1;
    char candidate[MAX_PATH + 16];
    for (const std::string& e : entries) {
        if (e.size() != name.size() + 4 || e[name.size()] != '_') continue;
        if (!SameIgnoringAsciiCase(e.substr(0, name.size()), name)) continue;
        const char* d = e.c_str() + name.size() + 1;
        if (d[0] < '0' || d[0] > '9' || d[1] < '0' || d[1] > '9' || d[2] < '0' || d[2] > '9') continue;
        const int revision = (d[0] - '0') * 100 + (d[1] - '0') * 10 + (d[2] - '0');
        if (revision <= best) continue;
        std::snprintf(candidate, sizeof candidate, "%s_%d%d%d", base, revision / 100, revision / 10 % 10,
                      revision % 10);
        if (fsys::Exists(candidate)) best = revision;
    }
    if (best < 0) return false;
    std::snprintf(candidate, sizeof candidate, "%s_%d%d%d", base, best / 100, best / 10 % 10, best % 10);
    return Store(out, candidate);
}

bool FindLatestNumberedFileStr(std::string& out, const std::string& path, const std::string& ext) {
    char buf[MAX_PATH];
    if (!FindLatestNumberedFile(buf, path.c_str(), ext.c_str())) return false;
    out = buf;
    return true;
}
