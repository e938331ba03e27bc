#include "menus/ranking_store.h"

#include "app/log.h"
#include "app/paths.h"
#include "menus/ranking_register.h"
#include "platform/file_system.h"
#include "platform/messages.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

cRankingStore g_RankingStore;

namespace {

constexpr std::int32_t DEFAULT_DESCENDING[RANKING_GENRES] = {1, 1, 0, 1, 1};
// The version from which a file's tables are taken as stored.
constexpr std::int32_t VERSION_FREE_TABLES = 181;

cRankingTable NormalizedTable() {
    cRankingTable table;
    table.Normalize();
    return table;
}

// How long a registration waits for another player's registration into the same folder, which
// holds the lock only while it reads and writes one small file.
constexpr int RANKING_LOCK_WAIT_MS = 5000;
constexpr const char* RANKING_RESET_TEXT = "ランキングを初期化しました";

// How many times a registration is made again into a file that others replaced while it was
// written, before it gives up (the entries then stay in memory, and the user is told).
constexpr int RANKING_WRITES = 20;

enum class FileRead { Missing, Read, Damaged };

// A file's bytes as read, or none when it cannot be read (a missing file).
using FileBytes = std::optional<std::string>;

FileBytes ReadFileBytes(const std::string& file) {
    std::string bytes;
    if (!fsys::ReadWholeFile(file, bytes)) return std::nullopt;
    return bytes;
}

// Reads a ranking file into the store; anything but a whole file leaves the default store.
FileRead ReadRankingFile(cRankingStore& store, const std::string& file) {
    std::FILE* fp = OpenDataFileRead(file.c_str());
    const bool ok = fp && store.Load(fp);
    CloseDataFile(fp);
    if (ok) return FileRead::Read;
    store.Reset();
    return fsys::IsFile(file) ? FileRead::Damaged : FileRead::Missing;
}

// The registration's entries, each at the place its value takes in the store's table now.
void RegisterValues(cRankingStore& store, const std::string& name, const std::int32_t* values, int* places,
                    int count) {
    for (int g = 0; g < count; ++g) {
        if (places[g] == -1) continue;
        if (g >= store.tables.Count()) {
            places[g] = -1;
            continue;
        }
        cRankingTable& table = store.tables.at(g);
        places[g] = table.FindRank(values[g]);
        table.Register(name, values[g]);
    }
}

} // namespace

// ---- cRankingEntry ----

cRankingEntry::cRankingEntry() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cRankingEntry::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&bUsed);
    DeclareField(&value);
    DeclareStringField(&name);
}

// ---- cRankingTable ----

cRankingTable::cRankingTable() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cRankingTable::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&bDescending);
}

bool cRankingTable::Load(std::FILE* fp) {
    return cSerialRecord::Load(fp) && LoadRecordList(fp, entries);
}

bool cRankingTable::Save(std::FILE* fp) {
    return cSerialRecord::Save(fp) && SaveRecordList(fp, entries);
}

std::int32_t cRankingTable::FindRank(std::int32_t v) const {
    for (int i = 0; i < entries.Count(); ++i) {
        const cRankingEntry& e = entries[static_cast<std::size_t>(i)];
        if (e.bUsed == 0) return i;
        if (bDescending ? v > e.value : v < e.value) return i;
    }
    return -1;
}

void cRankingTable::Register(const std::string& entryName, std::int32_t v) {
    const std::int32_t place = FindRank(v);
    cRankingEntry entry;
    entry.Reset();
    entry.bUsed = 1;
    entry.name = entryName;
    entry.value = v;
    if (place >= 0 && place < entries.Count())
        entries.insert(entries.begin() + place, entry);
    else
        entries.push_back(entry);
    entries.pop_back();
}

void cRankingTable::Normalize() {
    cSerialRecord::Reset();
    entries.resize(RANKING_PLACES, cRankingEntry());
}

// ---- cRankingStore ----

cRankingStore::cRankingStore() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cRankingStore::RegisterMembers(std::int32_t) {
    ClearMembers();
}

void cRankingStore::Reset() {
    cSerialRecord::Reset();
    tables.assign(RANKING_GENRES, NormalizedTable());
    for (int g = 0; g < RANKING_GENRES; ++g)
        tables[static_cast<std::size_t>(g)].bDescending = DEFAULT_DESCENDING[g];
}

bool cRankingStore::Load(std::FILE* fp) {
    const std::int32_t version = g_nLoadVersion;
    if (!cSerialRecord::Load(fp)) return false;
    if (!LoadRecordList(fp, tables)) return false;
    if (version < VERSION_FREE_TABLES) {
        if (tables.Count() > RANKING_GENRES) tables.resize(RANKING_GENRES);
        while (tables.Count() < RANKING_GENRES)
            tables.push_back(NormalizedTable());
        tables[3].bDescending = 1;
        tables[4].bDescending = 1;
        return true;
    }
    // Every genre has a table, also when a newer file holds fewer; more tables are kept as stored.
    for (int g = tables.Count(); g < RANKING_GENRES; ++g) {
        tables.push_back(NormalizedTable());
        tables.back().bDescending = DEFAULT_DESCENDING[g];
    }
    return true;
}

bool cRankingStore::Save(std::FILE* fp) {
    return cSerialRecord::Save(fp) && SaveRecordList(fp, tables);
}

bool cRankingStore::LoadFile(int gameMode, const std::string& stageName) {
    std::string file;
    if (!MakeRankingFileName(file, gameMode, stageName)) {
        Reset();
        return false;
    }
    // What was read of a damaged file is not used: the rankings start again from empty tables, and
    // the file is kept aside so that the next registration does not replace its entries. It is
    // moved under the folder's lock, and only while it holds what was found damaged: another
    // player's good file written meanwhile is read instead. The box comes once the lock is let go.
    for (int look = 0;; ++look) {
        const FileBytes seen = ReadFileBytes(file);
        const FileRead read = ReadRankingFile(*this, file);
        if (read != FileRead::Damaged) return read == FileRead::Read;
        std::string moved;
        bool done = false;
        {
            fsys::FolderLock lock(file, RANKING_LOCK_WAIT_MS, &win::IsAborting);
            done =
                MoveAsideDamagedFile(file, moved, [&seen](const FileBytes& bytes) { return bytes == seen; });
        }
        if (!done && look == 0 && ReadFileBytes(file) != seen) continue;
        TellDamagedFile(file, done, moved, RANKING_RESET_TEXT);
        return false;
    }
}

bool cRankingStore::SaveFile(int gameMode, const std::string& stageName) {
    std::string file;
    if (!MakeRankingFileName(file, gameMode, stageName)) return false;
    return cSerialRecord::SaveFile(file);
}

bool cRankingStore::RegisterInFile(int gameMode, const std::string& stageName, const std::string& name,
                                   const std::int32_t* values, int* places, int count) {
    std::string file;
    if (!MakeRankingFileName(file, gameMode, stageName)) {
        RegisterValues(*this, name, values, places, count);
        return false;
    }
    const std::vector<int> wanted(places, places + count);
    bool setAside = false;
    bool toldUnlocked = false;
    for (int write = 0;; ++write) {
        std::copy(wanted.begin(), wanted.end(), places);
        // A close ends the wait: the entries are then registered at once, without the lock.
        fsys::FolderLock lock(file, RANKING_LOCK_WAIT_MS, &win::IsAborting);
        if (!lock.Locked() && !toldUnlocked) {
            Report("%s : registered without the folder's lock%s", file.c_str(),
                   win::IsAborting() ? " (closing)" : "");
            toldUnlocked = true;
        }
        // The bytes first, then the tables: a change between the two reads is seen as a change.
        const FileBytes seen = ReadFileBytes(file);
        cRankingStore now;
        const FileRead read = ReadRankingFile(now, file);
        if (read == FileRead::Damaged) {
            if (!setAside) {
                // Moved aside under the lock (so that it is the damaged file that goes, not one
                // another player has just written), then told in a box, which is not shown while
                // another player waits for the lock.
                setAside = true;
                std::string moved;
                const bool done = MoveAsideDamagedFile(
                    file, moved, [&seen](const FileBytes& bytes) { return bytes == seen; });
                lock.Release();
                TellDamagedFile(file, done, moved, RANKING_RESET_TEXT);
                continue;
            }
            // It could not be moved aside: it is not replaced either.
            RegisterValues(now, name, values, places, count);
            *this = now;
            return false;
        }
        RegisterValues(now, name, values, places, count);
        // Another player may have written the file since it was read: one that registered without
        // the lock, or the holder of the lock that stalled in its write past the wait. Then the
        // entries go into what it holds now, so that neither registration is lost.
        const fsys::WriteResult result = SaveDataFileIfUnchanged(
            file, [&now](std::FILE* fp) { return now.Save(fp); },
            [&seen](const FileBytes& bytes) { return bytes == seen; });
        if (result == fsys::WriteResult::Changed && write < RANKING_WRITES) continue;
        if (result == fsys::WriteResult::Changed)
            Report("%s : replaced by others at every write; not written", file.c_str());
        *this = now;
        return result == fsys::WriteResult::Written;
    }
}

bool MakeRankingFileName(std::string& out, int gameMode, const std::string& stageName) {
    out.clear();
    int folder;
    switch (gameMode) {
    case 0:
        folder = PATH_USER_STORY;
        break;
    case 1:
        folder = PATH_USER_CHALLENGE;
        break;
    case 2:
        folder = PATH_USER_FREE;
        break;
    default:
        return false;
    }
    char name[MAX_PATH] = {};
    std::strncpy(name, stageName.c_str(), MAX_PATH - 1);
    SplitPathSjis(name);
    out = g_PathTable[folder] + name + "rkg";
    return true;
}
