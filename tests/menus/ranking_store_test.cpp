// The ranking store: places and registration, the file's bytes against the layout written by hand,
// old and damaged files, and the file names.
#include "menus/ranking_store.h"

#include "app/log.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "platform/file_system.h"
#include "platform/messages.h"

#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include <string>
#include <vector>

using fixtures::Bytes;
using fixtures::ByteWriter;

namespace {

// One entry as stored.
void Entry(ByteWriter& w, int used, int value, const std::string& name) {
    w.i32(2).u32(static_cast<std::uint32_t>(used)).i32(value).i32(1).str(name);
}

// A table as stored: its flag, then the entries given, then empty places up to `places`.
struct StoredEntry {
    int value;
    const char* name;
};
void Table(ByteWriter& w, int descending, std::initializer_list<StoredEntry> used, int places = 20) {
    w.i32(1).u32(static_cast<std::uint32_t>(descending)).i32(0).u32(static_cast<std::uint32_t>(places));
    int n = 0;
    for (const StoredEntry& e : used) {
        Entry(w, 1, e.value, e.name);
        ++n;
    }
    for (; n < places; ++n)
        Entry(w, 0, 0, "");
}

Bytes DefaultFile(int version = 732) {
    ByteWriter w;
    w.i32(version).i32(0).i32(0).u32(5);
    for (int d : {1, 1, 0, 1, 1})
        Table(w, d, {});
    return w.data();
}

// A table from (value) list: registered entries first, then empty places up to `places`.
cRankingTable MakeTable(int descending, std::initializer_list<int> values, int places = 20) {
    cRankingTable t;
    t.bDescending = descending;
    for (int v : values) {
        cRankingEntry e;
        e.bUsed = 1;
        e.value = v;
        e.name = "x";
        t.entries.push_back(e);
    }
    while (t.entries.Count() < places)
        t.entries.push_back(cRankingEntry());
    return t;
}

std::vector<int> UsedValues(const cRankingTable& t) {
    std::vector<int> out;
    for (const auto& e : t.entries)
        if (e.bUsed) out.push_back(e.value);
    return out;
}

class RankingFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* f : {"user_data/story", "user_data/challenge", "user_data/free"})
            std::filesystem::create_directories(dir.path() / f);
        ReportOpen(dir.file("Report_Game.txt").c_str());
    }
    void TearDown() override { ReportOpen(""); }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd{dir.path()};
};

} // namespace

struct RankCase {
    const char* what;
    int descending;
    std::vector<int> values; // registered entries, then empty places up to `places`
    int places;
    int value;
    int rank;
    std::vector<int> after; // registered values after Register
};

class RankingTableCases : public ::testing::TestWithParam<RankCase> {};

TEST_P(RankingTableCases, FindRankThenRegister) {
    const RankCase& c = GetParam();
    cRankingTable t;
    t.bDescending = c.descending;
    for (int v : c.values) {
        cRankingEntry e;
        e.bUsed = 1;
        e.value = v;
        t.entries.push_back(e);
    }
    while (t.entries.Count() < c.places)
        t.entries.push_back(cRankingEntry());
    EXPECT_EQ(t.FindRank(c.value), c.rank) << c.what;
    t.Register("new", c.value);
    EXPECT_EQ(t.entries.Count(), c.places) << c.what;
    EXPECT_EQ(UsedValues(t), c.after) << c.what;
    if (c.rank >= 0) {
        EXPECT_EQ(t.entries[static_cast<std::size_t>(c.rank)].name, "new") << c.what;
        EXPECT_EQ(t.entries[static_cast<std::size_t>(c.rank)].bUsed, 1) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RankingTableCases,
    ::testing::Values(
        RankCase{"a tie goes behind the equal values",
                 1,
                 {500, 300, 300, 100},
                 20,
                 300,
                 3,
                 {500, 300, 300, 300, 100}},
        RankCase{"a full table refuses its last value",
                 1,
                 {2000, 1900, 1800, 1700, 1600, 1500, 1400, 1300, 1200, 1100,
                  1000, 900,  800,  700,  600,  500,  400,  300,  200,  100},
                 20,
                 100,
                 -1,
                 {2000, 1900, 1800, 1700, 1600, 1500, 1400, 1300, 1200, 1100,
                  1000, 900,  800,  700,  600,  500,  400,  300,  200,  100}},
        RankCase{
            "smaller is better in the clear-time table", 0, {1000, 2000}, 20, 1500, 1, {1000, 1500, 2000}},
        RankCase{"a better value pushes the last one out", 1, {30, 20, 10}, 3, 25, 1, {30, 25, 20}},
        RankCase{"a table of three stays three", 1, {}, 3, 7, 0, {7}},
        RankCase{"an empty table has no place and stays empty", 1, {}, 0, 7, -1, {}},
        RankCase{"negative values compare as signed", 1, {5, -5}, 20, -1, 1, {5, -1, -5}}));

TEST(RankingTable, NormalizeMakesTwentyAndClearsTheFlag) {
    cRankingTable t = MakeTable(1, {1, 2, 3}, 25);
    t.Normalize();
    EXPECT_EQ(t.entries.Count(), 20);
    EXPECT_EQ(t.bDescending, 0);
    EXPECT_EQ(UsedValues(t), (std::vector<int>{1, 2, 3}));
}

TEST_F(RankingFiles, DefaultStoreWritesTheLayoutByteForByte) {
    cRankingStore store;
    ASSERT_TRUE(store.SaveFile(2, "data\\stg4\\sample.stg4_003"));
    const Bytes written = fixtures::ReadAll(dir.file("user_data/free/sample.stg4_003rkg"));
    EXPECT_EQ(written.size(), 2096u);
    EXPECT_EQ(written, DefaultFile());
}

TEST_F(RankingFiles, RegisteredEntriesAreStoredWithTheirNames) {
    cRankingStore store;
    store.tables[0].Register("ＡＢ", 1200);
    store.tables[2].Register("", 4567);
    ASSERT_TRUE(store.SaveFile(0, "data\\stg4\\c01-1.stg4"));
    ByteWriter w;
    w.i32(732).i32(0).i32(0).u32(5);
    Table(w, 1, {{1200, "ＡＢ"}});
    Table(w, 1, {});
    Table(w, 0, {{4567, ""}});
    Table(w, 1, {});
    Table(w, 1, {});
    EXPECT_EQ(fixtures::ReadAll(dir.file("user_data/story/c01-1.stg4rkg")), w.data());

    cRankingStore back;
    back.tables.clear();
    ASSERT_TRUE(back.LoadFile(0, "data\\stg4\\c01-1.stg4"));
    ASSERT_EQ(back.tables.Count(), 5);
    EXPECT_EQ(back.tables[0].entries[0].name, "ＡＢ");
    EXPECT_EQ(back.tables[0].entries[0].value, 1200);
    EXPECT_EQ(back.tables[2].entries[0].bUsed, 1);
    EXPECT_EQ(back.tables[2].bDescending, 0);
}

TEST_F(RankingFiles, OldFileWithThreeTablesLoadsAsFive) {
    ByteWriter w;
    w.i32(180).i32(0).i32(0).u32(3);
    Table(w, 1, {{10, "aaa"}}, 2);
    Table(w, 0, {}, 2);
    Table(w, 1, {}, 2);
    fixtures::WriteAll(dir.file("user_data/challenge/c01-1.stg4rkg"), w.data());
    cRankingStore store;
    ASSERT_TRUE(store.LoadFile(1, "data\\stg4\\c01-1.stg4"));
    ASSERT_EQ(store.tables.Count(), 5);
    EXPECT_EQ(store.tables[0].entries.Count(), 2); // loaded tables stay as stored
    EXPECT_EQ(store.tables[0].entries[0].name, "aaa");
    EXPECT_EQ(store.tables[1].bDescending, 0); // flags read from the file are kept
    EXPECT_EQ(store.tables[2].bDescending, 1);
    for (int g : {3, 4}) {
        EXPECT_EQ(store.tables[g].entries.Count(), 20);
        EXPECT_EQ(store.tables[g].bDescending, 1);
        EXPECT_TRUE(UsedValues(store.tables[g]).empty());
    }
}

TEST_F(RankingFiles, NewerFileKeepsItsTablesButGetsEveryGenre) {
    ByteWriter w;
    w.i32(732).i32(0).i32(0).u32(2);
    Table(w, 0, {{1, "a"}}, 1);
    Table(w, 0, {}, 1);
    fixtures::WriteAll(dir.file("user_data/free/s.stg4rkg"), w.data());
    cRankingStore store;
    ASSERT_TRUE(store.LoadFile(2, "s.stg4"));
    ASSERT_EQ(store.tables.Count(), 5);
    EXPECT_EQ(store.tables[0].entries.Count(), 1);
    EXPECT_EQ(store.tables[0].bDescending, 0);
    EXPECT_EQ(store.tables[2].bDescending, 0);
    EXPECT_EQ(store.tables[3].bDescending, 1);
    EXPECT_EQ(store.tables[4].entries.Count(), 20);
}

TEST_F(RankingFiles, DamagedFilesGiveTheDefaultStore) {
    fixtures::BoxCapture boxes; // each damaged file is told
    ByteWriter w;
    w.i32(732).i32(0).i32(0).u32(5);
    Table(w, 1, {{99, "abc"}});
    for (int i = 0; i < 4; ++i)
        Table(w, 1, {});
    const Bytes whole = w.data();
    int usedLoads = 0;
    fixtures::DamageFile(
        dir.file("user_data/free/d.stg4rkg"), whole,
        [&](const std::string&, std::size_t n) {
            cRankingStore store;
            store.tables[1].Register("zz", 5); // replaced by the load or by the defaults
            const bool ok = store.LoadFile(2, "d.stg4");
            ASSERT_GE(store.tables.Count(), 5);
            if (!ok) {
                EXPECT_TRUE(UsedValues(store.tables[0]).empty());
                EXPECT_TRUE(UsedValues(store.tables[1]).empty());
                EXPECT_EQ(store.tables[0].entries.Count(), 20);
            } else if (n < whole.size()) {
                ADD_FAILURE() << "a file cut after " << n << " bytes was taken";
            } else {
                ++usedLoads;
            }
        },
        200, 7);
    EXPECT_GT(usedLoads, 0);
    // A huge count in a short file is refused, not allocated.
    ByteWriter big;
    big.i32(732).i32(0).i32(0).u32(0x7FFFFFFF);
    fixtures::WriteAll(dir.file("user_data/free/d.stg4rkg"), big.data());
    cRankingStore store;
    EXPECT_FALSE(store.LoadFile(2, "d.stg4"));
    EXPECT_EQ(store.tables.Count(), 5);
}

// A damaged ranking file (one byte short) is moved aside and told once; the next registration
// writes a new file, and the entries the damaged one held stay beside it. A file damaged again
// does not replace the first copy.
TEST_F(RankingFiles, ADamagedFileIsKeptAsideAndTold) {
    fixtures::BoxCapture boxes;
    const Bytes damaged = fixtures::ReadAll(M4_SOURCE_DIR "/tests/data/damaged/demo.rkg.trunc-1");
    const auto folder = dir.path() / "user_data" / "free";
    fixtures::WriteAll((folder / "demo.rkg").string(), damaged);
    cRankingStore store;
    EXPECT_FALSE(store.LoadFile(2, "demo."));
    EXPECT_TRUE(UsedValues(store.tables[0]).empty());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("demo.rkg.bad"), std::string::npos) << boxes.texts()[0];
    EXPECT_EQ(fixtures::ReadAll((folder / "demo.rkg.bad").string()), damaged);

    store.tables[0].Register("new", 5);
    ASSERT_TRUE(store.SaveFile(2, "demo."));
    cRankingStore back;
    ASSERT_TRUE(back.LoadFile(2, "demo."));
    EXPECT_EQ(UsedValues(back.tables[0]), std::vector<int>{5});
    EXPECT_EQ(fixtures::ReadAll((folder / "demo.rkg.bad").string()), damaged);
    EXPECT_EQ(boxes.texts().size(), 1u);

    fixtures::WriteAll((folder / "demo.rkg").string(), Bytes(damaged.begin(), damaged.begin() + 9));
    EXPECT_FALSE(back.LoadFile(2, "demo."));
    EXPECT_EQ(fixtures::ReadAll((folder / "demo.rkg.bad").string()), damaged);
    EXPECT_EQ(fixtures::ReadAll((folder / "demo.rkg.bad2").string()).size(), 9u);
    EXPECT_EQ(boxes.texts().size(), 2u);
}

// A stage named with '/' registers into the file its '\\' spelling reads, and back.
TEST_F(RankingFiles, EitherSeparatorWritesAndReadsOneFile) {
    cRankingStore store;
    store.tables[0].Register("abc", 42);
    ASSERT_TRUE(store.SaveFile(2, "data/stg4/demo."));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "user_data" / "free" / "demo.rkg"));
    for (const char* spelling : {"data\\stg4\\demo.", "data/stg4/demo."}) {
        cRankingStore back;
        ASSERT_TRUE(back.LoadFile(2, spelling)) << spelling;
        EXPECT_EQ(UsedValues(back.tables[0]), std::vector<int>{42}) << spelling;
    }
}

TEST_F(RankingFiles, ReplayModeHasNoFile) {
    cRankingStore store;
    store.tables[0].Register("abc", 10);
    EXPECT_FALSE(store.SaveFile(3, "data\\stg4\\a.stg4"));
    EXPECT_FALSE(store.LoadFile(3, "data\\stg4\\a.stg4"));
    EXPECT_TRUE(UsedValues(store.tables[0]).empty()); // the default store
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "user_data" / "free"));
    // A missing file also gives the defaults.
    EXPECT_FALSE(store.LoadFile(0, "nothing.stg4"));
    EXPECT_EQ(store.tables.Count(), 5);
}

// A registration goes into the ranking file as it is when the entries are registered, not as it
// was when the store was loaded: entries another player sharing the folder wrote meanwhile stay,
// the places are those in the tables written, and a genre without a place is left alone.
TEST_F(RankingFiles, ARegistrationGoesIntoTheFileAsItIsNow) {
    enum class Now { Same, Other, Missing, Damaged };
    struct Case {
        const char* what;
        int mode;
        std::vector<int> loaded; // score values of the store as loaded
        Now now;                 // the file when the entries are registered
        std::vector<int> other;  // its score values for Now::Other
        bool written;
        int place;              // the score's place in the tables written
        std::vector<int> after; // the score values of the store (and the file when written)
    };
    const std::vector<int> full(20, 1000);
    const Case cases[] = {
        {"the file as it was loaded", 2, {900}, Now::Same, {}, true, 1, {900, 500}},
        {"another player registered meanwhile", 2, {}, Now::Other, {900, 100}, true, 1, {900, 500, 100}},
        {"another player's entries and ours",
         2,
         {900},
         Now::Other,
         {900, 700, 600},
         true,
         3,
         {900, 700, 600, 500}},
        {"the places were taken meanwhile", 2, {}, Now::Other, full, true, -1, full},
        {"the file removed meanwhile", 0, {900}, Now::Missing, {}, true, 0, {500}},
        {"the file damaged meanwhile", 1, {900}, Now::Damaged, {}, true, 0, {500}},
        {"a replay has no file", 3, {900}, Now::Missing, {}, false, 1, {900, 500}},
    };
    const char* folders[] = {"story", "challenge", "free", "free"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixtures::BoxCapture boxes;
        const auto folder = dir.path() / "user_data" / folders[c.mode];
        const std::string file = (folder / "m.rkg").string();
        std::filesystem::remove(file);
        std::filesystem::remove(file + ".bad");
        cRankingStore stored;
        for (int v : c.now == Now::Other ? c.other : c.loaded)
            stored.tables[0].Register("oth", v);
        if (c.mode != 3 && c.now != Now::Missing) {
            ASSERT_TRUE(stored.SaveFile(c.mode, "data\\stg4\\m."));
        }
        const Bytes damaged = {0xdc, 0x02, 0x00, 0x00, 0x00};
        if (c.now == Now::Damaged) fixtures::WriteAll(file, damaged);

        cRankingStore store;
        for (int v : c.loaded)
            store.tables[0].Register("old", v);
        std::int32_t values[5] = {500, 77, 0, 0, 0};
        int places[5] = {0, -1, -1, -1, -1};
        EXPECT_EQ(store.RegisterInFile(c.mode, "data\\stg4\\m.", "new", values, places, 5), c.written);
        EXPECT_EQ(places[0], c.place);
        EXPECT_EQ(places[1], -1);
        EXPECT_EQ(UsedValues(store.tables[0]), c.after);
        EXPECT_TRUE(UsedValues(store.tables[1]).empty());
        if (c.place >= 0) {
            EXPECT_EQ(store.tables[0].entries[static_cast<std::size_t>(c.place)].name, "new");
        }
        if (c.written) {
            cRankingStore back;
            ASSERT_TRUE(back.LoadFile(c.mode, "data\\stg4\\m."));
            EXPECT_EQ(UsedValues(back.tables[0]), c.after);
            EXPECT_TRUE(UsedValues(back.tables[1]).empty());
        } else {
            EXPECT_FALSE(std::filesystem::exists(file));
        }
        EXPECT_EQ(boxes.texts().size(), c.now == Now::Damaged ? 1u : 0u);
        if (c.now == Now::Damaged) {
            EXPECT_EQ(fixtures::ReadAll(file + ".bad"), damaged);
        }
    }
}

// Another player holding the folder's lock (reading and writing the file) is waited for, and what it
// wrote is registered into.
TEST_F(RankingFiles, ARegistrationWaitsForTheFoldersLock) {
    const std::string stage = "data\\stg4\\w.";
    const std::string file = (dir.path() / "user_data" / "free" / "w.rkg").string();
    std::atomic<bool> registered{false};
    cRankingStore store;
    std::int32_t values[5] = {500, 0, 0, 0, 0};
    int places[5] = {0, -1, -1, -1, -1};
    std::thread registration;
    {
        fsys::FolderLock other(file, 0);
        ASSERT_TRUE(other.Locked());
        registration = std::thread([&] {
            store.RegisterInFile(2, stage, "new", values, places, 5);
            registered = true;
        });
        // While the lock is held the registration writes nothing.
        for (int i = 0; i < 50 && !registered; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        EXPECT_FALSE(registered);
        EXPECT_FALSE(std::filesystem::exists(file));
        cRankingStore theirs;
        theirs.tables[0].Register("oth", 900);
        ASSERT_TRUE(theirs.SaveFile(2, stage));
    }
    registration.join();
    EXPECT_EQ(places[0], 1);
    cRankingStore back;
    ASSERT_TRUE(back.LoadFile(2, stage));
    EXPECT_EQ(UsedValues(back.tables[0]), (std::vector<int>{900, 500}));
}

namespace {

// Writers that stall in their writes: a thread named here waits once at the hook (its new file
// complete and the file looked at again, just before it is replaced; or a damaged file about to be
// moved aside) until the test lets it go.
class WriteGate {
  public:
    WriteGate() {
        fsys::SetBeforeReplaceHookForTests([this](std::string_view) { Stall(); });
    }
    ~WriteGate() { fsys::SetBeforeReplaceHookForTests({}); }
    WriteGate(const WriteGate&) = delete;
    WriteGate& operator=(const WriteGate&) = delete;

    static void Name(const std::string& who) { Who() = who; }
    bool WaitStalled(const std::string& who) {
        std::unique_lock lock(m_Lock);
        return m_Changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_Stalled.count(who) > 0; });
    }
    void Release(const std::string& who) {
        std::lock_guard lock(m_Lock);
        m_Released.insert(who);
        m_Changed.notify_all();
    }

  private:
    static std::string& Who() {
        thread_local std::string who;
        return who;
    }
    void Stall() {
        std::unique_lock lock(m_Lock);
        const std::string who = Who();
        if (who.empty() || !m_Stalled.insert(who).second) return;
        m_Changed.notify_all();
        m_Changed.wait(lock, [&] { return m_Released.count(who) > 0; });
    }
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::set<std::string> m_Stalled, m_Released;
};

std::vector<std::string> UsedNames(const cRankingTable& t) {
    std::vector<std::string> out;
    for (const auto& e : t.entries)
        if (e.bUsed) out.push_back(e.name);
    return out;
}

} // namespace

// The holder of the folder's lock stalls in its write; meanwhile the program of another player
// sharing the folder closes, which ends that player's wait for the lock, and it registers without
// it. Whichever of the two replaces the file first, the other finds the file changed just before
// its own replacement and registers again into what it holds now: neither registration is lost.
TEST_F(RankingFiles, NoRegistrationIsLostWhenTheLockHolderStallsInItsWrite) {
    struct Case {
        const char* what;
        const char* first; // the one let go first
        int holderPlace, closingPlace;
    };
    const Case cases[] = {
        {"the closing player writes first", "closing", 1, 1},
        {"the holder writes first", "holder", 1, 2},
    };
    const std::string stage = "data\\stg4\\s.";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        win::ResetMessageModelForTests();
        cRankingStore before;
        before.tables[0].Register("oth", 900);
        ASSERT_TRUE(before.SaveFile(2, stage));

        WriteGate gate;
        struct Player {
            Player(const char* w, std::int32_t v) : who(w), value(v) {}
            const char* who;
            std::int32_t value;
            cRankingStore store;
            int places[5] = {0, -1, -1, -1, -1};
            bool written = false;
            std::thread thread;
        };
        Player holder{"holder", 700}, closing{"closing", 500};
        auto start = [&gate, &stage](Player& p) {
            p.thread = std::thread([&p, &stage] {
                WriteGate::Name(p.who);
                std::int32_t values[5] = {p.value, 0, 0, 0, 0};
                p.written = p.store.RegisterInFile(2, stage, p.who, values, p.places, 5);
            });
            return gate.WaitStalled(p.who);
        };
        ASSERT_TRUE(start(holder)) << "the holder never wrote";
        win::BeginAbort();
        const bool closingStalled = start(closing);
        Player& first = std::string(c.first) == "holder" ? holder : closing;
        Player& second = &first == &holder ? closing : holder;
        gate.Release(first.who);
        first.thread.join();
        gate.Release(second.who);
        second.thread.join();
        ASSERT_TRUE(closingStalled) << "the close did not end the wait for the lock";

        EXPECT_TRUE(holder.written);
        EXPECT_TRUE(closing.written);
        cRankingStore back;
        ASSERT_TRUE(back.LoadFile(2, stage));
        EXPECT_EQ(UsedValues(back.tables[0]), (std::vector<int>{900, 700, 500}));
        EXPECT_EQ(UsedNames(back.tables[0]), (std::vector<std::string>{"oth", "holder", "closing"}));
        // The second to write holds what it wrote: the first's entry as well as its own.
        EXPECT_EQ(UsedValues(second.store.tables[0]), (std::vector<int>{900, 700, 500}));
        EXPECT_EQ(holder.places[0], c.holderPlace);
        EXPECT_EQ(closing.places[0], c.closingPlace);
        EXPECT_EQ(holder.places[1], -1);
        // The new file of the write found out of date is not left behind.
        std::vector<std::string> names;
        ASSERT_TRUE(fsys::ListFolder("user_data/free", names));
        EXPECT_EQ(names, (std::vector<std::string>{"s.rkg"}));
    }
    win::ResetMessageModelForTests();
    std::string report;
    ASSERT_TRUE(fsys::ReadWholeFile(dir.file("Report_Game.txt"), report));
    EXPECT_NE(report.find("registered without the folder's lock (closing)"), std::string::npos) << report;
}

// A damaged file is moved aside while the registration holds the folder's lock: another player
// cannot write the file between the look that found it damaged and the move, and so never has its
// good file moved aside.
TEST_F(RankingFiles, ADamagedFileIsMovedAsideUnderTheFoldersLock) {
    const std::string stage = "data\\stg4\\d.";
    const std::string file = (dir.path() / "user_data" / "free" / "d.rkg").string();
    const Bytes damaged = {0xdc, 0x02, 0x00, 0x00, 0x00};
    fixtures::WriteAll(file, damaged);
    fixtures::BoxCapture boxes;
    WriteGate gate;
    cRankingStore store;
    bool written = false;
    std::thread registration([&] {
        WriteGate::Name("mover");
        std::int32_t values[5] = {500, 0, 0, 0, 0};
        int places[5] = {0, -1, -1, -1, -1};
        written = store.RegisterInFile(2, stage, "new", values, places, 5);
    });
    ASSERT_TRUE(gate.WaitStalled("mover")) << "the damaged file was not moved aside";
    {
        fsys::FolderLock other(file, 0);
        EXPECT_FALSE(other.Locked()) << "the folder's lock was let go before the move";
    }
    gate.Release("mover");
    registration.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(fixtures::ReadAll(file + ".bad"), damaged);
    cRankingStore back;
    ASSERT_TRUE(back.LoadFile(2, stage));
    EXPECT_EQ(UsedValues(back.tables[0]), (std::vector<int>{500}));
    EXPECT_EQ(boxes.texts().size(), 1u);
}

// A damaged file found when the rankings are loaded is moved aside while the folder's lock is held,
// never over an earlier copy (one made meanwhile included), and only while it holds what was found
// damaged: another player's good file written meanwhile keeps its name and is what is loaded.
TEST_F(RankingFiles, ADamagedFileFoundAtLoadIsMovedAsideUnderTheLockOnlyWhileItHoldsWhatWasRead) {
    enum class Meanwhile { Nothing, GoodFile, EarlierCopy };
    const std::string stage = "data\\stg4\\l.";
    const std::string file = (dir.path() / "user_data" / "free" / "l.rkg").string();
    const Bytes damaged = {0xdc, 0x02, 0x00, 0x00, 0x00}, earlier = {1};
    cRankingStore theirs;
    theirs.tables[0].Register("oth", 900);
    ASSERT_TRUE(theirs.SaveFile(2, stage));
    const Bytes good = fixtures::ReadAll(file);
    for (Meanwhile meanwhile : {Meanwhile::Nothing, Meanwhile::GoodFile, Meanwhile::EarlierCopy}) {
        SCOPED_TRACE(static_cast<int>(meanwhile));
        std::filesystem::remove(file + ".bad");
        std::filesystem::remove(file + ".bad2");
        fixtures::WriteAll(file, damaged);
        fixtures::BoxCapture boxes;
        bool lockHeld = false;
        fsys::SetBeforeReplaceHookForTests([&](std::string_view) {
            lockHeld = !fsys::FolderLock(file, 0).Locked();
            if (meanwhile == Meanwhile::GoodFile) fixtures::WriteAll(file, good);
            if (meanwhile == Meanwhile::EarlierCopy) fixtures::WriteAll(file + ".bad", earlier);
        });
        cRankingStore store;
        const bool loaded = store.LoadFile(2, stage);
        fsys::SetBeforeReplaceHookForTests({});
        const bool theirsMeanwhile = meanwhile == Meanwhile::GoodFile;
        EXPECT_TRUE(lockHeld) << "the damaged file was moved without the folder's lock";
        EXPECT_EQ(loaded, theirsMeanwhile);
        EXPECT_EQ(UsedValues(store.tables[0]), theirsMeanwhile ? std::vector<int>{900} : std::vector<int>{});
        EXPECT_EQ(fixtures::ReadAll(file), theirsMeanwhile ? good : Bytes{});
        EXPECT_EQ(fixtures::ReadAll(file + ".bad"), theirsMeanwhile                   ? Bytes{}
                                                    : meanwhile == Meanwhile::Nothing ? damaged
                                                                                      : earlier);
        EXPECT_EQ(fixtures::ReadAll(file + ".bad2"), meanwhile == Meanwhile::EarlierCopy ? damaged : Bytes{});
        EXPECT_EQ(boxes.texts().size(), theirsMeanwhile ? 0u : 1u);
    }
}

// A registration into a folder on a file system whose renames take no flags (a network share, 9p,
// FUSE): the file is made, then updated, and nothing else is left in the folder.
TEST_F(RankingFiles, ARegistrationIsWrittenWhereRenamesTakeNoFlags) {
    // As the kernel answers there: the names are looked up first, then the file system refuses
    // any flag.
    static const fsys::NameCalls noFlags{[](const char*, const char* to, unsigned flags) {
                                             struct stat st;
                                             const bool exists = lstat(to, &st) == 0;
                                             errno = (flags & RENAME_EXCHANGE) && !exists   ? ENOENT
                                                     : (flags & RENAME_NOREPLACE) && exists ? EEXIST
                                                                                            : EINVAL;
                                             return -1;
                                         },
                                         fsys::SystemNameCalls().link, fsys::SystemNameCalls().unlink,
                                         fsys::SystemNameCalls().rename};
    fixtures::BoxCapture boxes;
    fsys::SetNameCallsForTests(&noFlags);
    const std::string stage = "data\\stg4\\n.";
    cRankingStore store;
    std::vector<bool> written;
    for (std::int32_t value : {700, 500}) {
        std::int32_t values[5] = {value, 0, 0, 0, 0};
        int places[5] = {0, -1, -1, -1, -1};
        written.push_back(store.RegisterInFile(2, stage, "new", values, places, 5));
    }
    fsys::SetNameCallsForTests(nullptr);
    EXPECT_EQ(written, (std::vector<bool>{true, true}));
    cRankingStore back;
    ASSERT_TRUE(back.LoadFile(2, stage));
    EXPECT_EQ(UsedValues(back.tables[0]), (std::vector<int>{700, 500}));
    std::vector<std::string> names;
    ASSERT_TRUE(fsys::ListFolder("user_data/free", names));
    EXPECT_EQ(names, (std::vector<std::string>{"n.rkg"}));
    EXPECT_TRUE(boxes.texts().empty());
}

TEST(RankingFileName, FolderByModeAndTheFileNameKept) {
    struct Case {
        int mode;
        const char* stage;
        const char* file; // null: no file
    };
    const Case cases[] = {
        {2, "data\\stg4\\sample.stg4_003", "user_data\\free\\sample.stg4_003rkg"},
        {1, "data\\stg4\\c01-1.stg4", "user_data\\challenge\\c01-1.stg4rkg"},
        {0, "plain.stg4", "user_data\\story\\plain.stg4rkg"},
        // A path written with '/' (or both separators) names the same file as with '\\'.
        {2, "data/stg4/demo.", "user_data\\free\\demo.rkg"},
        {2, "data\\stg4/demo.", "user_data\\free\\demo.rkg"},
        {2, "data/stg4\\demo.", "user_data\\free\\demo.rkg"},
        // The second byte of "ソ" is 0x5C: not a separator.
        {0, "data\\ソ.stg4", "user_data\\story\\ソ.stg4rkg"},
        {3, "data\\stg4\\a.stg4", nullptr},
        {-1, "a.stg4", nullptr},
    };
    for (const Case& c : cases) {
        std::string out = "junk";
        EXPECT_EQ(MakeRankingFileName(out, c.mode, c.stage), c.file != nullptr) << c.stage;
        EXPECT_EQ(out, c.file ? c.file : "") << c.stage;
    }
}
