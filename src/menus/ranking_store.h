// Rankings per stage and game mode: one ranking file for each stage played in story mode, in
// challenge mode and in free play (replays have none), holding one table per genre of the stage
// result, each of twenty places with a name and a value.
//
// Genres (table index): 0 score, 1 remaining time, 2 clear time, 3 remaining HP, 4 remaining SP.
// A table with bDescending set ranks greater values first; the clear-time table smaller ones.
//
// File "user_data\story|challenge|free\<stage file name>rkg" (little-endian, version 732):
//   u32 version; store chunk: i32 0 fields, i32 0 strings; u32 table count T (5);
//   each table:  i32 1 field, u32 bDescending, i32 0 strings, u32 entry count E (20);
//   each entry:  i32 2 fields, u32 bUsed, i32 value, i32 1 string, i32 L = name bytes + 1,
//                then the name and its 0 byte (nothing when the name is empty).
// The default store is 16 + 5 x (16 + 20 x 20) = 2,096 bytes.
//
// Files older than version 181 are brought to exactly five tables (tables 3 and 4 descending).
// Newer files are taken as stored, except that a store of fewer than five tables gets the missing
// default tables, so that every genre has a table. A short or damaged file is not used: the
// default store takes its place, and the file is moved aside ("NAME.bad") with a box saying so.
// Files are replaced whole or not at all.
#pragma once

#include "app/checked_containers.h"
#include "records/serial_record.h"

#include <cstdint>
#include <string>

struct DDSURFACEDATA;

constexpr int RANKING_GENRES = 5;
constexpr int RANKING_PLACES = 20;

// One place.
class cRankingEntry : public cSerialRecord {
  public:
    std::int32_t bUsed = 0; // 0 an empty place
    std::string name;
    std::int32_t value = 0;

    cRankingEntry();
    void RegisterMembers(std::int32_t version) override;
};

// One genre's table, place 1 first.
class cRankingTable : public cSerialRecord {
  public:
    cCheckedVector<cRankingEntry> entries;
    std::int32_t bDescending = 0;

    cRankingTable();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    // The place (from 0) a value would take, or -1. An empty place takes any value; an equal value
    // goes behind all equal values.
    std::int32_t FindRank(std::int32_t value) const;
    // Inserts a registered entry at the value's place and drops the last entry: the length stays,
    // and a value without a place leaves the table as it was.
    void Register(const std::string& entryName, std::int32_t value);
    // Record defaults (bDescending 0), then exactly twenty entries.
    void Normalize();
};

// One ranking file.
class cRankingStore : public cSerialRecord {
  public:
    cCheckedVector<cRankingTable> tables;

    cRankingStore();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    // Five empty tables of twenty places, descending flags 1, 1, 0, 1, 1.
    void Reset();
    // Loads the file of the game mode and stage; false (and the default store) when the mode has no
    // file, the file cannot be opened, or it is short or damaged.
    bool LoadFile(int gameMode, const std::string& stageName);
    // Writes the file of the game mode and stage; false when the mode has no file or it could not be
    // written (the old file then stays).
    bool SaveFile(int gameMode, const std::string& stageName);
    // Registers a cleared stage's result: for each genre g below `count` whose places[g] is not -1,
    // the name with values[g] in table g. Other players may share the game folder, so the file of
    // the game mode and stage is read again, under a lock of its folder, and the entries go into
    // what it holds now (entries written since this store was loaded stay), which is written before
    // the lock is let go. The lock is waited for up to 5 s, and not at all once the program is
    // closing; without it the entries are registered all the same. Just before the new file takes
    // the old one's place, the file is looked at again: when another player replaced it meanwhile
    // (one without the lock, or the holder stalled in its write past the wait), the entries are
    // registered again into what it holds now, so that no registration is lost. The store becomes
    // the tables written and places[g] the place each value took in them (-1 when it has none there
    // any more). A file found damaged is moved aside with its box, outside the lock, and the tables
    // start empty. False when the file was not written (the new entries then stay in this store
    // only): the mode has no file, the write failed, or others replaced the file at every try.
    bool RegisterInFile(int gameMode, const std::string& stageName, const std::string& name,
                        const std::int32_t* values, int* places, int count);
    // Draws the table of a genre (DrawRanking).
    void DrawTable(DDSURFACEDATA* surface, int x, int y, int genre, int mark);
};

// The ranking file of a game mode (0 story, 1 challenge, 2 free play) and stage name: the mode's
// folder, the stage file's name without its folders (extension and revision kept) and "rkg".
// False (out emptied) for any other mode.
bool MakeRankingFileName(std::string& out, int gameMode, const std::string& stageName);

// The rankings of the stage and game mode last loaded.
extern cRankingStore g_RankingStore;
