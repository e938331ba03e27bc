#include "platform/file_system.h"

#include "platform/cp932.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <filesystem>
#include <optional>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace fsys {
namespace {

std::atomic<WriteFault> g_WriteFault{WriteFault::None};
std::function<void(std::string_view)> g_BeforeReplaceHook;

// The test hook: a writer stalled there takes the file's name when it is let go.
void BeforeNameTaken(std::string_view sysPath) {
    if (g_BeforeReplaceHook) g_BeforeReplaceHook(sysPath);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
        if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
        if (x != y) return false;
    }
    return true;
}

bool PathExists(const std::string& native) {
    struct stat st;
    return lstat(native.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` but for ASCII case; empty when there is none.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* e = readdir(dir)) {
        if (EqualsIgnoreAsciiCase(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string Native(std::string_view sysPath) {
    return ToNative(sysPath);
}

} // namespace

bool IsAbsolute(std::string_view sysPath) {
    return !sysPath.empty() && (sysPath[0] == '\\' || sysPath[0] == '/');
}

std::string ToNative(std::string_view sysPath) {
    // Converted first, so that a trail byte 0x5C inside a two-byte character is never taken for a
    // separator; in UTF-8 every 0x5C is a backslash.
    std::string utf8 = cp932::ToUtf8(sysPath);
    for (char& c : utf8)
        if (c == '\\') c = '/';
    const bool absolute = !utf8.empty() && utf8[0] == '/';

    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find('/', start);
        if (end == std::string::npos) end = utf8.size();
        if (end > start) parts.emplace_back(utf8.substr(start, end - start));
        start = end + 1;
    }

    std::string out = absolute ? "/" : "";
    bool resolving = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const std::string folder = out;
        std::string candidate = out + part;
        if (resolving && part != "." && part != ".." && !PathExists(candidate)) {
            std::string other = FindIgnoringCase(folder, part);
            if (!other.empty())
                candidate = out + other;
            else
                resolving = false; // nothing below a missing part can exist
        }
        out = candidate;
        if (i + 1 < parts.size()) out += '/';
    }
    if (out.empty()) out = ".";
    return out;
}

std::FILE* Open(std::string_view sysPath, const char* mode) {
    if (sysPath.empty()) return nullptr;
    return std::fopen(Native(sysPath).c_str(), mode);
}

bool Exists(std::string_view sysPath) {
    if (sysPath.empty()) return false;
    struct stat st;
    return stat(Native(sysPath).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view sysPath) {
    if (sysPath.empty()) return false;
    struct stat st;
    return stat(Native(sysPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(std::string_view sysPath) {
    if (sysPath.empty()) return false;
    struct stat st;
    return stat(Native(sysPath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateDirectory(std::string_view sysPath) {
    if (sysPath.empty()) return false;
    return mkdir(Native(sysPath).c_str(), 0777) == 0;
}

bool CopyTree(std::string_view from, std::string_view to) {
    namespace fs = std::filesystem;
    const fs::path src = Native(from);
    const fs::path dst = Native(to);
    std::error_code ec;
    if (!fs::is_directory(src, ec)) return false;
    fs::create_directories(dst, ec);
    if (ec) return false;
    // Walked by hand so that every entry that cannot be copied (unreadable file, broken link,
    // device or pipe) is a failure rather than being skipped.
    fs::recursive_directory_iterator it(src, ec), end;
    if (ec) return false;
    for (; it != end; it.increment(ec)) {
        if (ec) return false;
        const fs::path rel = fs::relative(it->path(), src, ec);
        if (ec) return false;
        const fs::path target = dst / rel;
        fs::file_status st = fs::status(it->path(), ec);
        if (ec) return false;
        if (fs::is_directory(st)) {
            fs::create_directories(target, ec);
        } else if (fs::is_regular_file(st)) {
            fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec);
        } else {
            return false;
        }
        if (ec) return false;
    }
    return !ec;
}

bool RemoveTree(std::string_view sysPath) {
    if (sysPath.empty()) return false;
    std::error_code ec;
    std::filesystem::remove_all(Native(sysPath), ec);
    return !ec;
}

bool ListFolder(std::string_view sysFolder, std::vector<std::string>& namesUtf8) {
    namesUtf8.clear();
    DIR* dir = opendir(Native(sysFolder.empty() ? std::string_view(".") : sysFolder).c_str());
    if (!dir) return false;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        namesUtf8.emplace_back(e->d_name);
    }
    closedir(dir);
    return true;
}

bool GetCurrentDirectory(std::string& out) {
    std::vector<char> buf(4096);
    if (!getcwd(buf.data(), buf.size())) return false;
    bool exact = false;
    std::string cwd = cp932::FromUtf8(buf.data(), &exact);
    // A folder whose name has no CP932 form cannot be named by the system; callers then keep their
    // paths relative, which the file system resolves against the same folder.
    if (!exact) return false;
    for (char& c : cwd)
        if (c == '/') c = '\\'; // CP932 has no trail byte 0x2F, so every '/' is a separator
    out = cwd;
    return true;
}

std::uint64_t FreeBytes(std::string_view sysPath) {
    struct statvfs sv;
    if (statvfs(Native(sysPath.empty() ? std::string_view(".") : sysPath).c_str(), &sv) != 0) return 0;
    return static_cast<std::uint64_t>(sv.f_bavail) * sv.f_frsize;
}

namespace {

std::atomic<unsigned> g_nTempCounter{0};

// The next of this process's temporary names beside `native` ("Window.dat.tmp-<pid>-<n>").
std::string NextTempName(const std::string& native) {
    return native + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(g_nTempCounter++);
}

// A new file beside `native`, named after it ("Window.dat.tmp-<pid>-<n>"), made with the modes an
// ordinary fopen would give; null when it cannot be made.
std::FILE* CreateTempBeside(const std::string& native, std::string& tempName) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = NextTempName(native);
        const int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        if (std::FILE* fp = fdopen(fd, "wb")) return fp;
        close(fd);
        unlink(tempName.c_str());
        return nullptr;
    }
    return nullptr;
}

// The folder that holds `native` ("." for a bare name).
std::string FolderOf(const std::string& native) {
    const std::size_t slash = native.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

// Makes the folder's entries (a rename into it) reach the disk. Some file systems cannot sync a
// folder; the rename has then been done all the same, so the write is not failed for it.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// What a file holds (nullopt: it is not there, or cannot be read), by its native path. Only a
// regular file is read (a pipe that took the name meanwhile is not waited on).
std::optional<std::string> NativeBytes(const std::string& native) {
    const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) bytes.append(buffer, static_cast<std::size_t>(got));
    close(fd);
    if (got < 0) return std::nullopt;
    return bytes;
}

// What has a name: nothing, a regular file, or anything else (a folder, a link, a pipe; or a name
// that cannot be looked at).
enum class Kind { Missing, File, Other };

Kind KindOf(const std::string& native) {
    struct stat st;
    if (lstat(native.c_str(), &st) != 0) return errno == ENOENT ? Kind::Missing : Kind::Other;
    return S_ISREG(st.st_mode) ? Kind::File : Kind::Other;
}

struct Look {
    Kind kind;
    std::optional<std::string> bytes; // a regular file's, when it can be read
};

Look LookAt(const std::string& native) {
    const Kind kind = KindOf(native);
    return {kind, kind == Kind::File ? NativeBytes(native) : std::nullopt};
}

int SystemRenameAt2(const char* from, const char* to, unsigned flags) {
    return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, flags));
}

const NameCalls g_SystemNameCalls{SystemRenameAt2, ::link, ::unlink, std::rename};
std::atomic<const NameCalls*> g_NameCalls{&g_SystemNameCalls};

const NameCalls& Calls() {
    return *g_NameCalls.load();
}

// A rename flag the kernel or the file system does not take (network shares, 9p, FUSE, vfat).
bool FlagRefused(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// A file system without hard links.
bool LinksRefused(int error) {
    return error == EPERM || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

enum class Took { Name, Exists, Failed };

// `from` takes the name `to` only while nothing has it. Where the rename takes no flags, a name only
// this writer uses (`fromOwn`: a temporary) is linked to the new name and then unlinked, and the
// link fails when another writer came first; a name others use is not unlinked (another writer may
// have put a file there between the two calls). Where there are no links either, the name is
// looked at and then taken by a plain rename.
Took TakeFreeName(const std::string& from, const std::string& to, bool fromOwn) {
    const NameCalls& calls = Calls();
    if (calls.renameat2(from.c_str(), to.c_str(), RENAME_NOREPLACE) == 0) return Took::Name;
    if (errno == EEXIST) return Took::Exists;
    if (!FlagRefused(errno)) return Took::Failed;
    if (fromOwn) {
        if (calls.link(from.c_str(), to.c_str()) == 0) {
            // When this fails the old name stays as a second name of the same file.
            calls.unlink(from.c_str());
            return Took::Name;
        }
        if (errno == EEXIST) return Took::Exists;
        if (!LinksRefused(errno)) return Took::Failed;
    }
    if (KindOf(to) != Kind::Missing) return Took::Exists;
    return calls.rename(from.c_str(), to.c_str()) == 0 ? Took::Name : Took::Failed;
}

// `from` takes the first free name of "BASE" + suffix, suffix + "2" ... suffix + "99"; the suffix
// used, or empty when none could be taken.
std::string MoveToFreeName(const std::string& from, const std::string& base, const std::string& suffix,
                           bool fromOwn) {
    for (int n = 1; n <= 99; ++n) {
        const std::string tail = n == 1 ? suffix : suffix + std::to_string(n);
        switch (TakeFreeName(from, base + tail, fromOwn)) {
        case Took::Name:
            return tail;
        case Took::Exists:
            continue;
        case Took::Failed:
            return {};
        }
    }
    return {};
}

// A file that may hold what another writer wrote, under one of this writer's temporary names, is
// kept beside the file as "NAME.kept"; when even that fails it stays where it is, and the next
// start keeps it.
void KeepAside(const std::string& temp, const std::string& native) {
    MoveToFreeName(temp, native, ".kept", true);
}

// A name beside `native` that nothing has, of the form of a temporary of this process.
std::string FreeTempName(const std::string& native) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = NextTempName(native);
        if (KindOf(name) == Kind::Missing) return name;
    }
    return {};
}

// The complete temporary takes the file's name.
WriteResult Replace(const std::string& temp, const std::string& native, std::string_view sysPath) {
    if (g_WriteFault.load() == WriteFault::Rename) return WriteResult::Failed;
    BeforeNameTaken(sysPath);
    if (KindOf(native) == Kind::Other) return WriteResult::Failed;
    return Calls().rename(temp.c_str(), native.c_str()) == 0 ? WriteResult::Written : WriteResult::Failed;
}

// The temporary takes the free name: Changed when another writer came first.
WriteResult TakeName(const std::string& temp, const std::string& native) {
    switch (TakeFreeName(temp, native, true)) {
    case Took::Name:
        return WriteResult::Written;
    case Took::Exists:
        return WriteResult::Changed;
    case Took::Failed:
        break;
    }
    return WriteResult::Failed;
}

// For a file system that cannot change two names in one step: the file is moved off its name to
// one of this writer's and looked at there. While it is what was read, the temporary takes the
// free name (which fails when another writer took it first); otherwise, or when the name cannot be
// taken, the file goes back to its name.
WriteResult ReplaceMovingAside(const std::string& temp, const std::string& native,
                               const FileUnchanged& unchanged) {
    const std::string side = FreeTempName(native);
    if (side.empty()) return WriteResult::Failed;
    if (Calls().rename(native.c_str(), side.c_str()) != 0)
        return errno == ENOENT ? TakeName(temp, native) : WriteResult::Failed; // gone since it was looked at
    const Look moved = LookAt(side);
    const bool same = moved.kind == Kind::File && unchanged(moved.bytes);
    const Took took = same ? TakeFreeName(temp, native, true) : Took::Exists;
    if (took == Took::Name) {
        Calls().unlink(side.c_str()); // what was read: its entries are in the new file
        return WriteResult::Written;
    }
    const Took back = TakeFreeName(side, native, true);
    if (back != Took::Name) KeepAside(side, native); // another writer's file is never removed
    if (took == Took::Failed || back == Took::Failed || moved.kind != Kind::File) return WriteResult::Failed;
    return WriteResult::Changed;
}

// The complete temporary takes the file's name when the file still holds what the caller made its
// contents from. The file and the temporary change names in one step, and what the file held is
// looked at once more: a file another writer put there after the first look (one that waited for
// the folder's lock in vain while this writer stalled) goes back, so that its entries are not
// lost; the caller then makes its contents anew from it. The temporary is the caller's to remove
// unless the result is Written or `tempKept` says it holds another writer's file.
WriteResult ReplaceIfUnchanged(const std::string& temp, const std::string& native, std::string_view sysPath,
                               const FileUnchanged& unchanged, bool& tempKept) {
    const Look first = LookAt(native);
    if (first.kind == Kind::Other) return WriteResult::Failed;
    if (!unchanged(first.bytes)) return WriteResult::Changed;
    if (g_WriteFault.load() == WriteFault::Rename) return WriteResult::Failed;
    BeforeNameTaken(sysPath);
    const NameCalls& calls = Calls();
    if (calls.renameat2(temp.c_str(), native.c_str(), RENAME_EXCHANGE) == 0) {
        const Look swapped = LookAt(temp);
        if (swapped.kind == Kind::File && unchanged(swapped.bytes)) {
            calls.unlink(temp.c_str()); // what was read: its entries are in the new file
            return WriteResult::Written;
        }
        if (calls.renameat2(temp.c_str(), native.c_str(), RENAME_EXCHANGE) == 0)
            return swapped.kind == Kind::File ? WriteResult::Changed : WriteResult::Failed;
        // The other writer's file cannot have its name back: it is kept, and this write has failed.
        tempKept = true;
        KeepAside(temp, native);
        return WriteResult::Failed;
    }
    const int error = errno;
    // No file to change names with: the name is taken only while it is still free.
    if (error == ENOENT) return TakeName(temp, native);
    if (!FlagRefused(error)) return WriteResult::Failed;
    // A file system that refuses the exchange; it may also look up the names after the flags.
    if (KindOf(native) == Kind::Missing) return TakeName(temp, native);
    return ReplaceMovingAside(temp, native, unchanged);
}

} // namespace

bool MoveAside(std::string_view sysPath, std::string& movedTo, const FileUnchanged& stillHolds) {
    movedTo.clear();
    if (sysPath.empty()) return false;
    const std::string native = Native(sysPath);
    if (KindOf(native) != Kind::File) return false;
    if (stillHolds && !stillHolds(NativeBytes(native))) return false;
    BeforeNameTaken(sysPath);
    // An earlier damaged copy keeps its name.
    const std::string suffix = MoveToFreeName(native, native, ".bad", false);
    if (suffix.empty()) return false;
    if (stillHolds && !stillHolds(NativeBytes(native + suffix))) {
        // Another writer's file was moved: it goes back (or, when its name was taken meanwhile,
        // stays beside it).
        TakeFreeName(native + suffix, native, false);
        return false;
    }
    movedTo = std::string(sysPath) + suffix;
    return true;
}

bool WriteWholeFile(std::string_view sysPath, const std::function<bool(std::FILE*)>& fill) {
    return WriteWholeFileIfUnchanged(sysPath, fill, {}) == WriteResult::Written;
}

WriteResult WriteWholeFileIfUnchanged(std::string_view sysPath, const std::function<bool(std::FILE*)>& fill,
                                      const FileUnchanged& unchanged) {
    if (sysPath.empty()) return WriteResult::Failed;
    const std::string native = Native(sysPath);
    std::string temp;
    std::FILE* fp = CreateTempBeside(native, temp);
    if (!fp) return WriteResult::Failed;
    const WriteFault fault = g_WriteFault.load();
    bool ok = fill(fp);
    // Bytes still in the stream's buffer must reach the file: a full disk shows here or at close.
    ok = std::fflush(fp) == 0 && fault != WriteFault::Flush && ok;
    // The data reach the disk before the name does: after a power loss the file is the old one or
    // the new one whole, never a new name on an empty file.
    ok = ok && fdatasync(fileno(fp)) == 0 && fault != WriteFault::Sync;
    ok = std::fclose(fp) == 0 && ok;
    if (!ok) {
        unlink(temp.c_str());
        return WriteResult::Failed;
    }
    bool tempKept = false;
    const WriteResult result = unchanged ? ReplaceIfUnchanged(temp, native, sysPath, unchanged, tempKept)
                                         : Replace(temp, native, sysPath);
    if (result != WriteResult::Written) {
        if (!tempKept) unlink(temp.c_str());
        return result;
    }
    SyncFolder(FolderOf(native));
    return WriteResult::Written;
}

bool ReadWholeFile(std::string_view sysPath, std::string& bytes) {
    bytes.clear();
    std::FILE* fp = Open(sysPath, "rb");
    if (!fp) return false;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, fp)) > 0)
        bytes.append(buffer, got);
    const bool ok = !std::ferror(fp);
    std::fclose(fp);
    return ok;
}

bool IsTempFileName(std::string_view name, long* pid) {
    // "<file>.tmp-<digits>-<digits>", as CreateTempBeside names them.
    const std::size_t mark = name.rfind(".tmp-");
    if (mark == std::string_view::npos || mark == 0) return false;
    const std::string_view tail = name.substr(mark + 5);
    const std::size_t dash = tail.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == tail.size()) return false;
    auto digits = [](std::string_view d) {
        return d.size() <= 18 && std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(tail.substr(0, dash)) || !digits(tail.substr(dash + 1))) return false;
    if (pid) *pid = std::stol(std::string(tail.substr(0, dash)));
    return true;
}

bool IsKeptFileName(std::string_view name) {
    const std::size_t mark = name.rfind(".kept");
    if (mark == std::string_view::npos || mark == 0) return false;
    const std::string_view tail = name.substr(mark + 5);
    return tail.empty() ||
           (tail.size() <= 2 && tail[0] != '0' &&
            std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

int RemoveLeftoverTempFiles(std::string_view sysFolder, std::vector<std::string>* kept) {
    std::vector<std::string> names;
    if (!ListFolder(sysFolder, names)) return 0;
    const std::string folder = Native(sysFolder.empty() ? std::string_view(".") : sysFolder);
    int removed = 0;
    for (const std::string& name : names) {
        long pid = 0;
        if (!IsTempFileName(name, &pid)) continue;
        // A write of a process still running is left alone; this process has written nothing yet.
        const bool ended =
            pid == getpid() || pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
        if (!ended) continue;
        const std::string path = folder + "/" + name;
        const Look left = LookAt(path);
        if (left.kind != Kind::File || !left.bytes) continue;
        const std::string base = name.substr(0, name.rfind(".tmp-"));
        // Nothing, or what the file holds: a write cut off before its name was taken, or the old
        // file swapped out by a write that had already looked at it.
        if (left.bytes->empty() || LookAt(folder + "/" + base).bytes == left.bytes) {
            if (unlink(path.c_str()) == 0) ++removed;
            continue;
        }
        const std::string suffix = MoveToFreeName(path, folder + "/" + base, ".kept", true);
        if (suffix.empty() || !kept) continue;
        std::string sysName(sysFolder);
        if (!sysName.empty() && sysName.back() != '\\' && sysName.back() != '/') sysName += '\\';
        kept->push_back(sysName + cp932::FromUtf8(base + suffix));
    }
    return removed;
}

FolderLock::FolderLock(std::string_view sysFilePath, int waitMs, const std::function<bool()>& stopWaiting) {
    if (sysFilePath.empty()) return;
    m_fd = open(FolderOf(Native(sysFilePath)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_bLocked = true;
            return;
        }
        // Another holder: looked at again every millisecond until the deadline. Anything else (a
        // file system without locks) does not change by waiting.
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (stopWaiting && stopWaiting()) break;
        usleep(1000);
    }
    close(m_fd);
    m_fd = -1;
}

FolderLock::~FolderLock() {
    Release();
}

void FolderLock::Release() {
    if (m_fd < 0) return;
    // Closing the folder's last descriptor of this lock ends it.
    close(m_fd);
    m_fd = -1;
    m_bLocked = false;
}

void SetWriteFaultForTests(WriteFault fault) {
    g_WriteFault = fault;
}

const NameCalls& SystemNameCalls() {
    return g_SystemNameCalls;
}

void SetNameCallsForTests(const NameCalls* calls) {
    g_NameCalls = calls ? calls : &g_SystemNameCalls;
}

void SetBeforeReplaceHookForTests(std::function<void(std::string_view sysPath)> hook) {
    g_BeforeReplaceHook = std::move(hook);
}

} // namespace fsys
