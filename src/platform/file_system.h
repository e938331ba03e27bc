// File-system layer. The system names its files as Windows does: Shift-JIS (CP932) texts with
// backslashes, relative to the working folder ("data\\stg4\\a.stg4_000"). A path that starts with a
// separator is absolute (from the root of the file system). Both '\\' and '/' separate; a 0x5C byte
// that is the second byte of a two-byte character is part of the name, not a separator.
//
// Names on disk are UTF-8. Game projects are made on a case-insensitive file system, so when a name
// of the path does not exist exactly, a name in the same folder that differs only in the case of
// ASCII letters is used instead.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fsys {

// The path as the operating system takes it: UTF-8, '/' separators, case-insensitive fallback
// applied to every part that exists under another case. Parts that do not exist stay as given.
std::string ToNative(std::string_view sysPath);

// fopen on a system path; the mode is passed on unchanged ("rb", "wb", "r+b" ...).
std::FILE* Open(std::string_view sysPath, const char* mode);

bool Exists(std::string_view sysPath);      // a file or a folder (GetFileAttributes succeeds)
bool IsDirectory(std::string_view sysPath); // PathIsDirectory
bool IsFile(std::string_view sysPath);      // a regular file
// Creates one folder; false when it already exists or cannot be made.
bool CreateDirectory(std::string_view sysPath);
// Copies the folder `from` with everything in it to the folder `to` (made when missing).
// False when anything could not be copied; what was copied stays (the caller removes it).
bool CopyTree(std::string_view from, std::string_view to);
// Removes a file or a folder with everything in it; false when something could not be removed.
bool RemoveTree(std::string_view sysPath);

// What a file holds (nullopt: no file, or one that cannot be read) is what was read of it.
using FileUnchanged = std::function<bool(const std::optional<std::string>& bytes)>;

// Renames a file that cannot be read to "NAME.bad" ("NAME.bad2" ... when that name is taken; an
// existing name is never replaced), so that a later save under its name does not replace it.
// `movedTo` is the new system path; false (and it empty) when the file could not be renamed. With
// `stillHolds`, the file is moved only while it holds what was read: it is asked of the file before
// the move and of the file moved, which goes back to its name when another writer had replaced it.
bool MoveAside(std::string_view sysPath, std::string& movedTo, const FileUnchanged& stillHolds = {});

// The names (UTF-8, as on disk) of the entries of a folder, "." and ".." left out; false when the
// folder cannot be read.
bool ListFolder(std::string_view sysFolder, std::vector<std::string>& namesUtf8);

// The working folder as a system path (CP932, backslashes, starting with a backslash);
// false when it cannot be read or its name has characters without a CP932 form.
bool GetCurrentDirectory(std::string& out);
bool IsAbsolute(std::string_view sysPath);

// Free bytes of the file system holding the path, for the caller (0 when unknown).
std::uint64_t FreeBytes(std::string_view sysPath);

// Writes a file whole or not at all. `fill` writes the contents into a new temporary file in the
// file's own folder; only when it returns true and every byte has reached the disk (the flush, the
// data sync and the close all succeed) does the temporary take the file's name, replacing the old
// file in one step, and the folder is synced so that the new name lasts. Otherwise the temporary is removed
// and the old file, if there was one, keeps its bytes. False when the file was not written; the caller
// reports it.
bool WriteWholeFile(std::string_view sysPath, const std::function<bool(std::FILE*)>& fill);

// How a write of a file made from what was read of it ended.
enum class WriteResult { Written, Failed, Changed };
// As WriteWholeFile, for a file whose new contents are made from what was read of it while others
// may write it too: `unchanged` is asked when the temporary is complete whether the file still holds
// what was read, and again of what the file held the moment the temporary took its name. When it
// does not, the file is left as the other writer made it (the temporary is removed) and the result
// is Changed: the caller reads the file again and makes its contents anew. Where the file system
// cannot change two names in one step, the file is moved off its name, looked at, and the temporary
// takes the free name (or the file goes back); where it cannot link either, the name is taken by a
// plain rename while it is free. A file another writer made is never removed: one that cannot be
// given back its name is kept as "NAME.kept" ("NAME.kept2" ...) and the write has failed.
//
// Every write, this one and WriteWholeFile, fails when something other than a regular file (a
// folder, a link, a pipe) has the file's name; it is left as it is.
WriteResult WriteWholeFileIfUnchanged(std::string_view sysPath, const std::function<bool(std::FILE*)>& fill,
                                      const FileUnchanged& unchanged);

// The whole contents of a file; false when it cannot be opened or read.
bool ReadWholeFile(std::string_view sysPath, std::string& bytes);

// True for the name of a temporary file of WriteWholeFile ("NAME.tmp-PID-N"); `pid` (when given)
// receives the writer's process id.
bool IsTempFileName(std::string_view name, long* pid = nullptr);
// True for the name of a file kept by a write or by RemoveLeftoverTempFiles ("NAME.kept",
// "NAME.kept2" ...), which holds what a player wrote but is not the file itself.
bool IsKeptFileName(std::string_view name);
// Clears from the folder the temporary files that writes of processes no longer running left
// behind (a process killed in the middle of a write). One that is empty or holds what the file
// beside it ("NAME") holds is removed; any other may hold what another player wrote (a file swapped
// off its name) and is kept as "NAME.kept" ("NAME.kept2" ...), its system path added to `kept`. The
// number removed.
int RemoveLeftoverTempFiles(std::string_view sysFolder, std::vector<std::string>* kept = nullptr);

// An advisory lock that processes sharing a folder take around reading a file of it, changing what
// they read and writing it back, so that one does not write over what another wrote meanwhile. It
// is a lock of the folder that holds the file (the file itself is replaced by a rename at every
// write, so a lock of it would not outlast the write), held from construction until Release or
// destruction. Another holder is waited for up to `waitMs`, or until `stopWaiting` (asked between
// tries, when given) says the wait is no longer wanted (the program is closing); Locked() is false
// when the lock was not had by then, or the folder cannot be locked.
class FolderLock {
  public:
    FolderLock(std::string_view sysFilePath, int waitMs, const std::function<bool()>& stopWaiting = {});
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Locked() const { return m_bLocked; }
    void Release();

  private:
    int m_fd = -1;
    bool m_bLocked = false;
};

// Tests only: makes the next WriteWholeFile calls fail at one step, as a full disk or a failing
// device would.
enum class WriteFault { None, Flush, Sync, Rename };
void SetWriteFaultForTests(WriteFault fault);
// The calls by which a complete temporary takes a file's name (and a file is moved aside). The
// player uses the system's; a test puts its own in place to fail one of them with a chosen error, as
// a file system that refuses a rename flag or links, or a failing device, does.
struct NameCalls {
    int (*renameat2)(const char* from, const char* to, unsigned flags);
    int (*link)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*rename)(const char* from, const char* to);
};
const NameCalls& SystemNameCalls();
// Tests only: the calls used from now on (null: the system's). Set it while no write is under way.
void SetNameCallsForTests(const NameCalls* calls);

// Tests only: called with the file's system path just before a file's name is taken: by every
// whole-file write whose temporary is complete (after a write made from what was read has looked at
// the file again) and by a file moved aside; a test stalls a writer there. An empty function ends
// it. Set it while no write is under way.
void SetBeforeReplaceHookForTests(std::function<void(std::string_view sysPath)> hook);

} // namespace fsys
