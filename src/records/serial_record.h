// The data-file container: every data file of the player passes through cSerialRecord.
//
// File layout (little-endian, no padding, no tags):
//   i32 version word (g_nDataVersion when written by this build), then the top-level record's
//   chunk, then whatever further chunks the file's owner writes.
// Chunk of one record:
//   i32 nFields, then each declared field as count x size raw bytes in declaration order;
//   i32 nStrings, then each string as i32 L = length + 1 followed by the text and its 0 byte,
//   except that an empty string is L = 1 with no bytes; then the class's extras.
// Lists: u32 count + each element's chunk. Flag vectors: u32 count + count bytes.
//
// A record class declares its stored members for a given format version in RegisterMembers
// (file order; members added later are declared only from the version that introduced them).
// Load registers for the file's version, reads, then re-registers for the current one, so
// members an old file did not store keep their defaults and the class's Load upgrades them.
//
// Reading is defensive: a count or length that does not fit the rest of the file, more fields
// or strings than the version declares, or a short read stop the load and make it return
// false. Nothing is ever read or written outside the record, and a field or string is only
// changed once its whole value has been read.
//
// Declared members must be trivially copyable with element size 1, 2, 4 or 8 (integers,
// doubles, arrays of them). Do not declare `bool` members: use std::uint8_t or std::int8_t.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/checked_containers.h"
#include "platform/file_system.h"

// The format version of this build.
constexpr std::int32_t DATA_VERSION_CURRENT = 732;

// Written as the version word of every file and used to register records outside reading.
extern std::int32_t g_nDataVersion;
// The version word of the file most recently opened for reading.
extern std::int32_t g_nLoadVersion;
// While set, carriage returns are removed from every text read from a data file.
extern int g_bStripCR;

// One stored numeric member or array of a record.
struct FIELDDESC {
    void* owner = nullptr;   // the record that holds the member
    void* address = nullptr; // the member's first element
    std::int32_t count = 0;  // number of elements
    std::int8_t size = 0;    // element size in bytes: 1, 2, 4 or 8
};

// One stored text member of a record.
struct STRINGDESC {
    void* owner = nullptr;
    std::string* address = nullptr;
};

// Makes dst describe, in dst's owner, the member that src describes in src's owner.
void RebaseField(FIELDDESC& dst, const FIELDDESC& src);
void RebaseField(STRINGDESC& dst, const STRINGDESC& src);

class cSerialRecord {
  public:
    cSerialRecord() = default;
    // Copies rebase the source's descriptors onto the copy; the members themselves are copied
    // by the derived class's own copy operations.
    cSerialRecord(const cSerialRecord& src);
    cSerialRecord& operator=(const cSerialRecord& src);
    virtual ~cSerialRecord();

    // Hook called on the source of a copy; records leave it empty.
    virtual void OnCopy(std::int32_t version) const;
    // Empties both lists, then declares the members stored by `version`, in file order. What a
    // class declares depends on the version alone.
    virtual void RegisterMembers(std::int32_t version);
    // RegisterMembers, unless the record is registered for that version already (by an earlier
    // RegisterFor, or as the copy of a record that was).
    void RegisterFor(std::int32_t version);
    // Reads the record's chunk (and, in overrides, its extras). False: damaged or short file.
    virtual bool Load(std::FILE* fp);
    // Writes the record's chunk (and, in overrides, its extras). False: a write failed.
    virtual bool Save(std::FILE* fp);

    // Registers for the current version, zeroes every field and empties every string.
    void Reset();
    // Copies every field and string of a record of the same class, member by member.
    void CopyFields(cSerialRecord& src);
    // The string section of the chunk.
    bool LoadStrings(std::FILE* fp);
    bool SaveStrings(std::FILE* fp);
    // Removes every carriage return from every declared string.
    void StripCR();
    // Opens the file, runs Load and closes it; SaveFile writes through SaveDataFile (the old file
    // stays unless the whole record was written). 0 when the file cannot be opened, read
    // completely or written completely.
    bool LoadFile(const std::string& name);
    bool SaveFile(const std::string& name);

    // Checked access to the descriptor lists: an index outside a list is reported and yields
    // element 0 (the checked vector's rule).
    FIELDDESC& FieldAt(int index);
    STRINGDESC& StringAt(int index);
    int FieldCount() const { return static_cast<int>(m_Fields.size()); }
    int StringCount() const { return static_cast<int>(m_Strings.size()); }

  protected:
    // Empties both descriptor lists (the first step of every RegisterMembers).
    void ClearMembers();
    // Declares `count` elements of T starting at `address` (a member of this record).
    template <class T> void DeclareField(T* address, std::int32_t count = 1) {
        static_assert(std::is_trivially_copyable_v<T> && !std::is_same_v<T, bool>,
                      "stored fields are plain integers, doubles or arrays of them");
        static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8,
                      "stored elements are 1, 2, 4 or 8 bytes");
        AppendField(address, count, static_cast<std::int8_t>(sizeof(T)));
    }
    // Declares n descriptors of the string (every caller passes 1).
    void DeclareStringField(std::string* text, int n = 1);

  private:
    void AppendField(void* address, std::int32_t count, std::int8_t size);
    void RebaseFrom(const cSerialRecord& src);

    static constexpr std::int32_t NOT_REGISTERED = INT32_MIN;

    cCheckedVector<FIELDDESC> m_Fields;
    cCheckedVector<STRINGDESC> m_Strings;
    // The version the lists were declared for by RegisterFor; any other RegisterMembers call
    // clears it.
    std::int32_t m_nRegisteredFor = NOT_REGISTERED;
};

// ---- File functions ----

// Opens a data file for reading ("rb") and reads its version word into g_nLoadVersion.
// A null or empty name opens "err". Null when the file cannot be opened or has no version word.
std::FILE* OpenDataFileRead(const char* name);
// Opens a data file for writing ("wb", in place) and writes g_nDataVersion as its version word.
// User files are written through SaveDataFile instead, which never leaves a half-written file.
std::FILE* OpenDataFileWrite(const char* name);
// Writes a data file whole or not at all: the version word, then what `fill` writes, go to a
// temporary file that replaces the file only when every byte was written. A failed write leaves
// the old file as it was and puts one line in the report log ("<name> が保存できません"). An empty
// name writes "err".
bool SaveDataFile(const std::string& name, const std::function<bool(std::FILE*)>& fill);
// As SaveDataFile, for a file made from what was read of it while other players sharing the folder
// may write it too: the file is replaced only when `unchanged`, asked just before, says it still
// holds what was read; otherwise nothing is written and the result is Changed (not reported).
fsys::WriteResult SaveDataFileIfUnchanged(const std::string& name,
                                          const std::function<bool(std::FILE*)>& fill,
                                          const fsys::FileUnchanged& unchanged);
// A user file that exists but cannot be read is moved aside ("NAME.bad"), so that the next save
// under its name keeps what it holds, and the user is told in a box and the report log, the
// message ending with `consequence` ("...を初期化しました"). A file that cannot be moved is told
// about once per run.
void SetAsideDamagedFile(const std::string& name, const char* consequence);
// The two halves of SetAsideDamagedFile, for a file moved aside under a lock that the box must not
// hold: the move (true when done, the new name in `movedTo`), then the box. With `stillHolds`, the
// file is moved only while it holds what was found damaged (fsys::MoveAside).
bool MoveAsideDamagedFile(const std::string& name, std::string& movedTo,
                          const fsys::FileUnchanged& stillHolds = {});
void TellDamagedFile(const std::string& name, bool moved, const std::string& movedTo,
                     const char* consequence);
// Closes the file when it is not null. False when closing a written file failed.
bool CloseDataFile(std::FILE* fp);

// ---- Raw reads and writes used by the records' extras ----

// Bytes between the current position and the end of the file (0 when unknown).
std::uint64_t RemainingBytes(std::FILE* fp);
// Reads exactly `bytes` bytes; false on a short read (dst is then unchanged).
bool ReadBytes(std::FILE* fp, void* dst, std::size_t bytes);
bool WriteBytes(std::FILE* fp, const void* src, std::size_t bytes);
bool ReadI32(std::FILE* fp, std::int32_t& value);
bool ReadU32(std::FILE* fp, std::uint32_t& value);
bool ReadI16(std::FILE* fp, std::int16_t& value);
bool WriteI32(std::FILE* fp, std::int32_t value);
bool WriteU32(std::FILE* fp, std::uint32_t value);
bool WriteI16(std::FILE* fp, std::int16_t value);

// The smallest chunk a record can have: nFields and nStrings.
constexpr std::size_t MIN_CHUNK_BYTES = 8;

// Reads a u32 list count and checks that `count` elements of at least `minElementBytes` bytes
// each fit the rest of the file. False (and count 0) otherwise.
bool ReadListCount(std::FILE* fp, std::uint32_t& count, std::size_t minElementBytes);

// A vector of bytes (flag vectors): u32 count + count bytes. Reading resizes the vector to the
// count (new bytes 0) and reads each byte.
bool LoadByteVector(std::FILE* fp, std::vector<std::uint8_t>& bytes);
bool SaveByteVector(std::FILE* fp, const std::vector<std::uint8_t>& bytes);

// A vector of 32-bit words: u32 count + count words.
bool LoadI32Vector(std::FILE* fp, std::vector<std::int32_t>& words);
bool SaveI32Vector(std::FILE* fp, const std::vector<std::int32_t>& words);

// A vector of texts: u32 count, then each text as in a chunk's string section (L = length + 1,
// then the text and its 0 byte unless L is 1).
bool LoadStringVector(std::FILE* fp, std::vector<std::string>& texts);
bool SaveStringVector(std::FILE* fp, const std::vector<std::string>& texts);
// One text in that form.
bool ReadText(std::FILE* fp, std::string& text);
bool WriteText(std::FILE* fp, const std::string& text);

// A list of records: u32 count, then each element's chunk as its Save writes it.
// Reading empties the list, fills it with `count` copies of the prototype (a record registered
// for the current version with its defaults) and loads each element in index order.
template <class List, class T> bool LoadRecordList(std::FILE* fp, List& list, const T& prototype) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, MIN_CHUNK_BYTES)) return false;
    list.clear();
    // Elements are added as the file provides them, so a damaged count costs no more memory
    // than the data actually read.
    for (std::uint32_t i = 0; i < count; ++i) {
        list.push_back(prototype);
        if (!list.back().Load(fp)) return false;
    }
    return true;
}
template <class List> bool LoadRecordList(std::FILE* fp, List& list) {
    using T = typename List::value_type;
    return LoadRecordList(fp, list, T());
}
// The reading of the project database's top-level lists: the list is not emptied but made
// exactly count long (new elements copies of the prototype), keeping its first elements.
template <class List, class T> bool LoadRecordListKeep(std::FILE* fp, List& list, const T& prototype) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, MIN_CHUNK_BYTES)) return false;
    if (list.size() > count) list.resize(count, prototype);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i == list.size()) list.push_back(prototype);
        if (!list[i].Load(fp)) return false;
    }
    return true;
}
template <class List> bool SaveRecordList(std::FILE* fp, List& list) {
    if (!WriteU32(fp, static_cast<std::uint32_t>(list.size()))) return false;
    for (auto& element : list)
        if (!element.Save(fp)) return false;
    return true;
}
