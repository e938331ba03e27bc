#include "platform/cp932.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <map>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class FileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/m4fsXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        old = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(old);
        fs::remove_all(dir);
    }
    static void Touch(const fs::path& p, const std::string& text = "x") {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string Read(std::FILE* f) {
        std::string s;
        if (!f) return "<none>";
        int c;
        while ((c = std::fgetc(f)) != EOF)
            s.push_back(static_cast<char>(c));
        std::fclose(f);
        return s;
    }
    fs::path dir, old;
};

TEST(Cp932, RoundTripsTheSystemsTexts) {
    const std::string sjis = "データが存在しません！～－①ソ表\\";
    const std::string utf8 = cp932::ToUtf8(sjis);
    EXPECT_EQ(utf8, "\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf\xe3\x81\x8c\xe5\xad\x98\xe5\x9c\xa8\xe3\x81\x97"
                    "\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93\xef\xbc\x81\xef\xbd\x9e\xef\xbc\x8d\xe2\x91\xa0"
                    "\xe3\x82\xbd\xe8\xa1\xa8\\");
    bool exact = false;
    EXPECT_EQ(cp932::FromUtf8(utf8, &exact), sjis);
    EXPECT_TRUE(exact);
}

TEST(Cp932, BadBytesBecomeQuestionMarks) {
    const char cut[] = {'a', '\x82', '\0'};
    EXPECT_EQ(cp932::ToUtf8(cut), "a?");
    bool exact = true;
    EXPECT_EQ(cp932::FromUtf8("x\xf0\x9f\x98\x80y", &exact), "x?y"); // an emoji has no CP932 form
    EXPECT_FALSE(exact);
    EXPECT_EQ(cp932::ToUtf8(""), "");
    const char unmapped[] = {'\x85', '\x40', 'z', '\0'}; // a pair with no character behind it
    EXPECT_EQ(cp932::ToUtf8(unmapped), "?z");
}

TEST_F(FileSystem, BackslashPathsAndCp932NamesReachTheUtf8Files) {
    Touch(dir / "data" / "stg4" / cp932::ToUtf8("ステージ.stg4_000"), "stage");
    EXPECT_EQ(Read(fsys::Open("data\\stg4\\ステージ.stg4_000", "rb")), "stage");
    EXPECT_TRUE(fsys::IsFile("data\\stg4\\ステージ.stg4_000"));
    EXPECT_TRUE(fsys::IsDirectory("data\\stg4\\"));
    EXPECT_FALSE(fsys::IsFile("data\\stg4"));
    EXPECT_TRUE(fsys::Exists("data/stg4"));
    EXPECT_FALSE(fsys::Exists(""));
    // A trail byte 0x5C ("ソ") is part of the name, not a folder separator.
    Touch(dir / cp932::ToUtf8("ソフト"), "soft");
    EXPECT_EQ(Read(fsys::Open("ソフト", "rb")), "soft");
}

TEST_F(FileSystem, MissingNamesFallBackToAnotherCase) {
    Touch(dir / "Data" / "DataBase" / "Sound.DAT", "snd");
    EXPECT_EQ(Read(fsys::Open("data\\database\\sound.dat", "rb")), "snd");
    EXPECT_EQ(fsys::ToNative("DATA\\database\\SOUND.dat"), "Data/DataBase/Sound.DAT");
    // The exact name wins when both exist.
    Touch(dir / "Data" / "DataBase" / "sound.dat", "exact");
    EXPECT_EQ(Read(fsys::Open("data\\database\\sound.dat", "rb")), "exact");
    // A file made where only its folder exists goes into the existing folder.
    std::FILE* f = fsys::Open("DATA\\New.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(dir / "Data" / "New.txt"));
    EXPECT_FALSE(fsys::Exists("data\\nothing\\deeper"));
}

TEST_F(FileSystem, AbsolutePathsStartAtTheRoot) {
    std::string cwd;
    ASSERT_TRUE(fsys::GetCurrentDirectory(cwd));
    ASSERT_EQ(cwd[0], '\\');
    Touch(dir / "a.txt", "abs");
    EXPECT_TRUE(fsys::IsAbsolute(cwd));
    EXPECT_EQ(Read(fsys::Open(cwd + "\\a.txt", "rb")), "abs");
}

TEST_F(FileSystem, CreateCopyAndRemoveFolders) {
    EXPECT_TRUE(fsys::CreateDirectory("made"));
    EXPECT_FALSE(fsys::CreateDirectory("made"));
    EXPECT_FALSE(fsys::CreateDirectory("no\\parent"));
    Touch(dir / "src" / "a" / "b.txt", "b");
    Touch(dir / "src" / "c.txt", "c");
    fs::create_directories(dir / "src" / "empty");
    ASSERT_TRUE(fsys::CopyTree("src", "dst\\"));
    EXPECT_EQ(Read(fsys::Open("dst\\a\\b.txt", "rb")), "b");
    EXPECT_EQ(Read(fsys::Open("dst\\c.txt", "rb")), "c");
    EXPECT_TRUE(fs::is_directory(dir / "dst" / "empty"));
    EXPECT_FALSE(fsys::CopyTree("nothing", "dst2"));
    EXPECT_TRUE(fsys::RemoveTree("dst"));
    EXPECT_FALSE(fs::exists(dir / "dst"));
    EXPECT_GT(fsys::FreeBytes("."), 0u);
}

// What is left in the folder after a whole-file write: the file's bytes and every other name.
struct WriteOutcome {
    bool result;
    std::string bytes;
    std::vector<std::string> names;
};

TEST_F(FileSystem, WholeFileWritesReplaceTheOldFileOnlyWhenEveryByteWasWritten) {
    struct Case {
        const char* what;
        fsys::WriteFault fault;
        bool writerSucceeds;
        bool replaced;
    };
    const Case cases[] = {
        {"a complete write", fsys::WriteFault::None, true, true},
        {"a writer whose stream fails midway", fsys::WriteFault::None, false, false},
        {"a flush that fails (full disk)", fsys::WriteFault::Flush, true, false},
        {"a data sync that fails (device error)", fsys::WriteFault::Sync, true, false},
        {"a rename that fails", fsys::WriteFault::Rename, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Touch(dir / "save" / "Window.dat", "old bytes");
        fsys::SetWriteFaultForTests(c.fault);
        WriteOutcome out;
        out.result = fsys::WriteWholeFile("save\\Window.dat", [&](std::FILE* fp) {
            std::fputs("new", fp);
            return c.writerSucceeds;
        });
        fsys::SetWriteFaultForTests(fsys::WriteFault::None);
        out.bytes = Read(fsys::Open("save\\Window.dat", "rb"));
        for (const auto& e : fs::directory_iterator(dir / "save"))
            out.names.push_back(e.path().filename().string());
        EXPECT_EQ(out.result, c.replaced);
        EXPECT_EQ(out.bytes, c.replaced ? "new" : "old bytes");
        EXPECT_EQ(out.names, std::vector<std::string>{"Window.dat"}); // no temporary file is left
    }
}

TEST_F(FileSystem, WholeFileWritesMakeNewFilesAndKeepTheNameOnDisk) {
    auto write = [](const char* path, const char* text) {
        return fsys::WriteWholeFile(path, [text](std::FILE* fp) { return std::fputs(text, fp) >= 0; });
    };
    EXPECT_TRUE(write("fresh.dat", "a"));
    EXPECT_EQ(Read(fsys::Open("fresh.dat", "rb")), "a");
    // A file made on a case-insensitive system is replaced under its own name.
    Touch(dir / "user" / "option.DAT", "old");
    EXPECT_TRUE(write("USER\\Option.dat", "b"));
    EXPECT_EQ(Read(std::fopen((dir / "user" / "option.DAT").c_str(), "rb")), "b");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "user"), fs::directory_iterator()), 1);
    // Nothing is made in a folder that does not exist.
    EXPECT_FALSE(write("missing\\x.dat", "c"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_FALSE(write("", "d"));
}

// The temporary files of whole-file writes: recognised by name (the name a write really uses
// among them). Those of processes that have ended, also this process's own (nothing is being
// written when the folder is cleaned), are removed when empty or equal to the file beside them;
// any other may hold what another player wrote and is kept under a name of its own. A live
// process's and other files stay.
TEST_F(FileSystem, LeftoverTemporaryFilesOfEndedWritersAreClearedOrKept) {
    std::vector<std::string> during;
    ASSERT_TRUE(fsys::WriteWholeFile("w.dat", [&](std::FILE*) { return fsys::ListFolder(".", during); }));
    ASSERT_EQ(during.size(), 1u);
    EXPECT_TRUE(fsys::IsTempFileName(during[0]));
    for (const char* name : {"a.tmp-", "a.tmp-1", "a.tmp-1-", "a.tmp--1", "a.tmp-x-1", ".tmp-1-2", "a.dat",
                             "a.tmp-1-2.bak", "a.tmp-1234567890123456789-1"})
        EXPECT_FALSE(fsys::IsTempFileName(name)) << name;
    long pid = 0;
    EXPECT_TRUE(fsys::IsTempFileName("Story01.dat.tmp-4242-17", &pid));
    EXPECT_EQ(pid, 4242);

    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const std::string ended = std::to_string(child), self = std::to_string(getpid()),
                      live = std::to_string(getppid());
    const std::vector<std::pair<std::string, std::string>> before = {
        {"a.rkg", "entries"},
        {"a.rkg.tmp-" + ended + "-0", "entries"}, // what the file holds
        {"b.rkg", "b"},
        {"b.rkg.tmp-" + ended + "-1", ""}, // nothing
        {"c.rkg", "ours"},
        {"c.rkg.tmp-" + ended + "-2", "theirs"}, // another player's
        {"d.rkg.kept", "earlier"},
        {"d.rkg.tmp-" + self + "-3", "theirs"},    // a name taken
        {"r.rpl4_732.tmp-" + ended + "-4", "cut"}, // no file beside
        {"Story01.dat.tmp-" + live + "-1", "live"},
        {"x.tmp-1-2-3", "x"}};
    for (const auto& [name, text] : before)
        Touch(dir / "u" / name, text);
    std::vector<std::string> kept;
    EXPECT_EQ(fsys::RemoveLeftoverTempFiles("u", &kept), 2);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"u\\c.rkg.kept", "u\\d.rkg.kept2", "u\\r.rpl4_732.kept"}));
    for (const std::string& k : kept)
        EXPECT_TRUE(fsys::IsKeptFileName(k)) << k;
    for (const char* name : {"kept", ".kept", "a.kept0", "a.keptx", "a.kept100", "a.kept.rkg"})
        EXPECT_FALSE(fsys::IsKeptFileName(name)) << name;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir / "u"))
        left.push_back(e.path().filename().string() + "=" + Read(std::fopen(e.path().c_str(), "rb")));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{"Story01.dat.tmp-" + live + "-1=live", "a.rkg=entries", "b.rkg=b",
                                        "c.rkg.kept=theirs", "c.rkg=ours", "d.rkg.kept2=theirs",
                                        "d.rkg.kept=earlier", "r.rpl4_732.kept=cut", "x.tmp-1-2-3=x"}));
}

// Calls of a file's replacement failed as file systems and devices fail them. A plan lists them as
// CALL NTH [+] [ERROR]: x exchange, n rename that replaces nothing, l link, u unlink, r rename; NTH
// the call's number within the write (0: every call, a file system that refuses it); "+": another
// writer puts its file at the name just before the call, "-": removes the file there; the error: E EINVAL, I
// EIO, P EPERM, "!" each error of the case's sweep.
struct Fault {
    char call;
    int nth;
    char writer; // '+', '-' or 0
    int error;
};
struct {
    std::vector<Fault> faults;
    std::map<char, int> calls;
    std::string name;
} g_Plan;

bool Fails(char call) {
    const int n = ++g_Plan.calls[call];
    for (const Fault& f : g_Plan.faults) {
        if (f.call != call || (f.nth != 0 && f.nth != n)) continue;
        if (f.writer == '+') {
            std::ofstream(g_Plan.name + ".other", std::ios::binary) << "other";
            std::rename((g_Plan.name + ".other").c_str(), g_Plan.name.c_str());
        }
        if (f.writer == '-') std::remove(g_Plan.name.c_str());
        if (f.error != 0) return errno = f.error, true;
    }
    return false;
}

std::vector<Fault> Plan(const std::string& text, int swept) {
    std::vector<Fault> faults;
    std::istringstream in(text);
    for (std::string t; in >> t;) {
        const std::map<char, int> errors = {{'E', EINVAL}, {'I', EIO}, {'P', EPERM}, {'!', swept}};
        faults.push_back({t[0], t[1] - '0', t.size() > 2 && (t[2] == '+' || t[2] == '-') ? t[2] : '\0',
                          errors.count(t.back()) ? errors.at(t.back()) : 0});
    }
    return faults;
}

const fsys::NameCalls g_FaultyCalls{
    [](const char* from, const char* to, unsigned flags) {
        return Fails(flags & RENAME_EXCHANGE ? 'x' : 'n')
                   ? -1
                   : fsys::SystemNameCalls().renameat2(from, to, flags);
    },
    [](const char* from, const char* to) { return Fails('l') ? -1 : fsys::SystemNameCalls().link(from, to); },
    [](const char* path) { return Fails('u') ? -1 : fsys::SystemNameCalls().unlink(path); },
    [](const char* from, const char* to) {
        return Fails('r') ? -1 : fsys::SystemNameCalls().rename(from, to);
    }};

// Every road by which a file made from what was read of it takes its name, each call failed with
// each error it can give: a file system that refuses rename flags (network shares, 9p, FUSE, vfat)
// or links still has the file written, a file another writer put there is never lost, and a failed
// call leaves the old file. The folder after it lists NAME=BYTES, a temporary's name as "tmp".
TEST_F(FileSystem, AFileMadeFromWhatWasReadTakesItsNameOnEveryFileSystem) {
    const std::vector<int> REFUSED = {EINVAL, ENOSYS, EOPNOTSUPP}, FAILING = {EXDEV, EIO},
                           ALL = {EINVAL, ENOSYS, EOPNOTSUPP, EXDEV, EEXIST, EIO},
                           NO_LINKS = {EPERM, EINVAL, ENOSYS, EOPNOTSUPP};
    using R = fsys::WriteResult;
    struct Case {
        const char* what;
        bool old; // "old" at the name before the write
        const char* plan;
        std::vector<int> errors;
        R result;
        const char* after;
    };
    const Case cases[] = {
        {"the exchange", true, "", {0}, R::Written, "f=new"},
        {"another writer came first", true, "x1+", {0}, R::Changed, "f=other"},
        {"the exchange back fails", true, "x1+ x2!", ALL, R::Failed, "f.kept=other f=new"},
        {"the file removed before the exchange back", true, "x1+ x2-", {0}, R::Failed, "f.kept=other"},
        {"the exchange back and the kept name fail", true, "x1+ x2I n1I", {0}, R::Failed, "f=new tmp=other"},
        {"the old file cannot be removed", true, "u1I", {0}, R::Written, "f=new tmp=old"},
        {"the exchange fails", true, "x1!", {EXDEV, EEXIST, EIO}, R::Failed, "f=old"},
        {"flags refused", true, "x0! n0!", REFUSED, R::Written, "f=new"},
        {"flags refused, another writer first", true, "x0! n0! r1+", REFUSED, R::Changed, "f=other"},
        {"flags refused, the free name taken first",
         true,
         "x0E n0E l1+",
         {0},
         R::Changed,
         "f.kept=old f=other"},
        {"flags refused, the move off the name fails", true, "x0E n0E r1!", ALL, R::Failed, "f=old"},
        {"flags refused, the link fails", true, "x0E n0E l1!", FAILING, R::Failed, "f=old"},
        {"flags and links refused", true, "x0E n0E l0!", NO_LINKS, R::Written, "f=new"},
        {"flags refused, second names stay", true, "x0E n0E u0I", {0}, R::Written, "f=new tmp=new tmp=old"},
        {"a new file", false, "", {0}, R::Written, "f=new"},
        {"a new file, another writer first", false, "n1+", {0}, R::Changed, "f=other"},
        {"a new file, the name cannot be taken", false, "n1!", FAILING, R::Failed, ""},
        {"a new file, flags refused", false, "n0!", REFUSED, R::Written, "f=new"},
        {"a new file, every flag refused first", false, "x0! n0!", REFUSED, R::Written, "f=new"},
        {"a new file, flags refused, another writer first", false, "x0E n0E l1+", {0}, R::Changed, "f=other"},
        {"a new file, flags and links refused", false, "x0E n0E l0!", NO_LINKS, R::Written, "f=new"},
        {"a new file, the link fails", false, "x0E n0E l1!", FAILING, R::Failed, ""},
        {"a new file, no links, the rename fails", false, "x0E n0E l0P r1!", ALL, R::Failed, ""},
        {"a new file, a second name stays", false, "x0E n0E u0I", {0}, R::Written, "f=new tmp=new"},
    };
    fsys::SetNameCallsForTests(&g_FaultyCalls);
    for (const Case& c : cases) {
        for (int error : c.errors) {
            SCOPED_TRACE(std::string(c.what) + ", error " + std::to_string(error));
            fs::remove_all(dir / "w");
            fs::create_directories(dir / "w");
            if (c.old) Touch(dir / "w" / "f", "old");
            g_Plan.faults = Plan(c.plan, error);
            g_Plan.calls.clear();
            g_Plan.name = (dir / "w" / "f").string();
            const auto seen = c.old ? std::optional<std::string>("old") : std::nullopt;
            EXPECT_EQ(fsys::WriteWholeFileIfUnchanged(
                          "w\\f", [](std::FILE* fp) { return std::fputs("new", fp) >= 0; },
                          [&seen](const std::optional<std::string>& bytes) { return bytes == seen; }),
                      c.result);
            std::vector<std::string> names;
            for (const auto& e : fs::directory_iterator(dir / "w")) {
                const std::string name = e.path().filename().string();
                names.push_back((fsys::IsTempFileName(name) ? "tmp" : name) + "=" +
                                Read(std::fopen(e.path().c_str(), "rb")));
            }
            std::sort(names.begin(), names.end());
            std::string after;
            for (const std::string& n : names)
                after += (after.empty() ? "" : " ") + n;
            EXPECT_EQ(after, c.after);
        }
    }
    fsys::SetNameCallsForTests(nullptr);
}

// Something other than a regular file at a file's name (a folder, a link, a pipe) fails the write,
// made from what was read or not, and stays as it was.
TEST_F(FileSystem, OnlyARegularFileIsReplaced) {
    const std::function<void(const fs::path&)> makers[] = {
        [](const fs::path& p) { fs::create_directory(p); },
        [&](const fs::path& p) { fs::create_symlink(dir / "target", p); },
        [](const fs::path& p) { mkfifo(p.c_str(), 0666); },
    };
    auto fill = [](std::FILE* fp) { return std::fputs("new", fp) >= 0; };
    for (const auto& make : makers) {
        for (bool fromWhatWasRead : {false, true}) {
            fs::remove_all(dir / "w");
            fs::create_directories(dir / "w");
            make(dir / "w" / "f");
            const fs::file_type before = fs::symlink_status(dir / "w" / "f").type();
            SCOPED_TRACE(std::to_string(static_cast<int>(before)) + (fromWhatWasRead ? " read" : " plain"));
            EXPECT_FALSE(fromWhatWasRead ? fsys::WriteWholeFileIfUnchanged(
                                               "w\\f", fill, [](const auto&) { return true; }) ==
                                               fsys::WriteResult::Written
                                         : fsys::WriteWholeFile("w\\f", fill));
            EXPECT_EQ(fs::symlink_status(dir / "w" / "f").type(), before);
            EXPECT_EQ(std::distance(fs::directory_iterator(dir / "w"), fs::directory_iterator()), 1);
        }
    }
}

// Another process holds the folder lock of `path` (told through the pipe once it has it) until it
// is released after `releaseAfterMs` (-1: until the parent lets the child end). 0 when the child
// could not take it.
struct LockHolder {
    pid_t pid = -1;
    int toChild = -1;
    bool locked = false;

    LockHolder(const std::string& path, int releaseAfterMs) {
        int ready[2], done[2];
        if (pipe(ready) != 0 || pipe(done) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(ready[0]);
            close(done[1]);
            fsys::FolderLock lock(path, 0);
            const char held = lock.Locked() ? 1 : 0;
            if (write(ready[1], &held, 1) != 1) _exit(1);
            if (releaseAfterMs >= 0) {
                usleep(static_cast<useconds_t>(releaseAfterMs) * 1000);
                lock.Release();
            }
            char c;
            while (read(done[0], &c, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(done[0]);
        toChild = done[1];
        char held = 0;
        locked = read(ready[0], &held, 1) == 1 && held == 1;
        close(ready[0]);
    }
    ~LockHolder() {
        if (toChild >= 0) close(toChild);
        if (pid > 0) waitpid(pid, nullptr, 0);
    }
};

// The lock that players sharing a game folder take around a read, change and write of one of its
// files holds against other processes, also once the file has been replaced by a write meanwhile,
// and a waiting taker gets it when the holder lets go, or gives up when a close ends its wait.
TEST_F(FileSystem, AFolderLockHoldsAgainstOtherProcessesUntilLetGo) {
    struct Case {
        const char* what;
        const char* held;   // the file whose lock another process holds (null: nobody)
        int releaseAfterMs; // when it lets go (-1: not while this process tries)
        bool replace;       // the file is written anew while the lock is held
        const char* taken;  // the file whose lock this process then asks for
        int waitMs;
        int stopAtTry; // the wait is no longer wanted (a close) when asked this time (0: never)
        bool locked;
    };
    const Case cases[] = {
        {"nobody holds it", nullptr, -1, false, "u/a.rkg", 0, 0, true},
        {"held by another process", "u/a.rkg", -1, false, "u/a.rkg", 0, 0, false},
        {"waited for until let go", "u/a.rkg", 200, false, "u/a.rkg", 60000, 0, true},
        {"a close ends the wait", "u/a.rkg", 1500, false, "u/a.rkg", 60000, 3, false},
        {"the file replaced meanwhile", "u/a.rkg", -1, true, "u/a.rkg", 0, 0, false},
        {"another file of the same folder", "u/a.rkg", -1, false, "u/b.rkg", 0, 0, false},
        {"a file of another folder", "u/a.rkg", -1, false, "v/a.rkg", 0, 0, true},
        {"a folder that does not exist", nullptr, -1, false, "w/a.rkg", 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Touch(dir / "u" / "a.rkg");
        Touch(dir / "v" / "a.rkg");
        std::unique_ptr<LockHolder> holder;
        if (c.held) {
            holder = std::make_unique<LockHolder>(c.held, c.releaseAfterMs);
            ASSERT_TRUE(holder->locked);
        }
        if (c.replace) {
            ASSERT_TRUE(fsys::WriteWholeFile(c.held, [](std::FILE* f) { return std::fputs("y", f) >= 0; }));
        }
        int tries = 0;
        fsys::FolderLock lock(c.taken, c.waitMs, [&] { return ++tries == c.stopAtTry; });
        EXPECT_EQ(lock.Locked(), c.locked);
        if (c.stopAtTry > 0) {
            EXPECT_EQ(tries, c.stopAtTry);
        }
        lock.Release();
        EXPECT_FALSE(lock.Locked());
    }
    // Let go by this process, it is had again at once.
    fsys::FolderLock first("u/a.rkg", 0);
    ASSERT_TRUE(first.Locked());
    first.Release();
    fsys::FolderLock second("u/a.rkg", 0);
    EXPECT_TRUE(second.Locked());
}

} // namespace
