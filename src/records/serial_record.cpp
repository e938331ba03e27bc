#include "records/serial_record.h"

#include "app/log.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

std::int32_t g_nDataVersion = DATA_VERSION_CURRENT;
std::int32_t g_nLoadVersion = 0;
int g_bStripCR = 1;

namespace {

constexpr std::size_t READ_BUFFER_BYTES = 64 * 1024;

// Data file names are Windows relative paths ("data\database\Anime.dat").
std::FILE* OpenPath(const char* name, const char* mode) {
    return fsys::Open(name, mode);
}

// Takes `bytes` bytes from what the stream has already buffered, as getc_unlocked does; false
// (and nothing taken) when fewer are buffered. Records are read a few bytes at a time, and each
// fread call costs more than the copy.
bool TakeBuffered(std::FILE* fp, void* dst, std::size_t bytes) {
#ifdef __GLIBC__
    if (fp->_IO_read_ptr && static_cast<std::size_t>(fp->_IO_read_end - fp->_IO_read_ptr) >= bytes) {
        std::memcpy(dst, fp->_IO_read_ptr, bytes);
        fp->_IO_read_ptr += bytes;
        return true;
    }
#endif
    (void)fp, (void)dst, (void)bytes;
    return false;
}

// Reads up to `bytes` bytes; the number read.
std::size_t ReadUpTo(std::FILE* fp, void* dst, std::size_t bytes) {
    if (TakeBuffered(fp, dst, bytes)) return bytes;
    return std::fread(dst, 1, bytes, fp);
}

std::uintptr_t AsNumber(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

} // namespace

// ---- Descriptors ----

void RebaseField(FIELDDESC& dst, const FIELDDESC& src) {
    dst.address = reinterpret_cast<void*>(AsNumber(src.address) - AsNumber(src.owner) + AsNumber(dst.owner));
    dst.count = src.count;
    dst.size = src.size;
}

void RebaseField(STRINGDESC& dst, const STRINGDESC& src) {
    dst.address =
        reinterpret_cast<std::string*>(AsNumber(src.address) - AsNumber(src.owner) + AsNumber(dst.owner));
}

// ---- cSerialRecord ----

cSerialRecord::cSerialRecord(const cSerialRecord& src) {
    RebaseFrom(src);
}

cSerialRecord& cSerialRecord::operator=(const cSerialRecord& src) {
    if (this == &src) return *this;
    // The copy takes the source's lists whole, so this record's own lists need not be declared
    // first (declaring depends on the version alone and changes nothing else).
    src.OnCopy(g_nDataVersion);
    RebaseFrom(src);
    return *this;
}

cSerialRecord::~cSerialRecord() = default;

static_assert(std::is_trivially_copyable_v<FIELDDESC> && std::is_trivially_copyable_v<STRINGDESC>);

void cSerialRecord::RebaseFrom(const cSerialRecord& src) {
    // The descriptors are plain data: copied as one block (without first zeroing the room), then
    // moved onto this record's members.
    m_Fields.assign(src.m_Fields.begin(), src.m_Fields.end());
    m_Strings.assign(src.m_Strings.begin(), src.m_Strings.end());
    const std::uintptr_t to = AsNumber(this);
    for (FIELDDESC& f : m_Fields) {
        f.address = reinterpret_cast<void*>(AsNumber(f.address) - AsNumber(f.owner) + to);
        f.owner = this;
    }
    for (STRINGDESC& d : m_Strings) {
        d.address = reinterpret_cast<std::string*>(AsNumber(d.address) - AsNumber(d.owner) + to);
        d.owner = this;
    }
    m_nRegisteredFor = src.m_nRegisteredFor;
}

void cSerialRecord::OnCopy(std::int32_t) const {}

void cSerialRecord::RegisterMembers(std::int32_t) {
    ClearMembers();
}

void cSerialRecord::ClearMembers() {
    m_Fields.clear();
    m_Strings.clear();
    m_nRegisteredFor = NOT_REGISTERED;
}

void cSerialRecord::RegisterFor(std::int32_t version) {
    if (m_nRegisteredFor == version) return;
    RegisterMembers(version);
    m_nRegisteredFor = version;
}

void cSerialRecord::AppendField(void* address, std::int32_t count, std::int8_t size) {
    m_Fields.push_back(FIELDDESC{this, address, count, size});
}

void cSerialRecord::DeclareStringField(std::string* text, int n) {
    for (int i = 0; i < n; ++i)
        m_Strings.push_back(STRINGDESC{this, text});
}

FIELDDESC& cSerialRecord::FieldAt(int index) {
    return m_Fields.at(index);
}

STRINGDESC& cSerialRecord::StringAt(int index) {
    return m_Strings.at(index);
}

void cSerialRecord::Reset() {
    RegisterFor(g_nDataVersion);
    for (const FIELDDESC& f : m_Fields)
        std::memset(f.address, 0, static_cast<std::size_t>(f.count) * static_cast<std::size_t>(f.size));
    for (const STRINGDESC& s : m_Strings)
        s.address->clear();
}

void cSerialRecord::CopyFields(cSerialRecord& src) {
    if (&src == this) return;
    RegisterFor(g_nDataVersion);
    src.RegisterFor(g_nDataVersion);
    // Both records are of one class; a descriptor whose shape differs is left alone.
    const std::size_t nFields = std::min(m_Fields.size(), src.m_Fields.size());
    for (std::size_t i = 0; i < nFields; ++i) {
        const FIELDDESC& d = m_Fields[i];
        const FIELDDESC& s = src.m_Fields[i];
        if (d.count != s.count || d.size != s.size) continue;
        std::memcpy(d.address, s.address,
                    static_cast<std::size_t>(d.count) * static_cast<std::size_t>(d.size));
    }
    const std::size_t nStrings = std::min(m_Strings.size(), src.m_Strings.size());
    for (std::size_t i = 0; i < nStrings; ++i)
        *m_Strings[i].address = *src.m_Strings[i].address;
}

bool cSerialRecord::Save(std::FILE* fp) {
    RegisterFor(g_nDataVersion);
    if (!WriteI32(fp, static_cast<std::int32_t>(m_Fields.size()))) return false;
    for (const FIELDDESC& f : m_Fields) {
        const std::size_t bytes = static_cast<std::size_t>(f.count) * static_cast<std::size_t>(f.size);
        if (!WriteBytes(fp, f.address, bytes)) return false;
    }
    return SaveStrings(fp);
}

bool cSerialRecord::SaveStrings(std::FILE* fp) {
    if (!WriteI32(fp, static_cast<std::int32_t>(m_Strings.size()))) return false;
    for (const STRINGDESC& s : m_Strings) {
        // A text is stored up to its first 0 byte, as the reader gives it back; long texts are
        // stored whole rather than cut to a fixed buffer.
        std::string& text = *s.address;
        const std::size_t nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        if (!WriteText(fp, text)) return false;
    }
    return true;
}

bool cSerialRecord::Load(std::FILE* fp) {
    RegisterFor(g_nLoadVersion);
    bool ok = true;
    std::int32_t nFields = 0;
    if (!ReadI32(fp, nFields)) {
        ok = false;
    } else if (nFields > static_cast<std::int32_t>(m_Fields.size())) {
        // More fields than this version declares: the file is damaged.
        ok = false;
    } else {
        // The stored fields are read as one block (a record's fields are a few hundred bytes at
        // most), then handed out field by field; a short file still sets every field it holds
        // whole and no other.
        std::size_t total = 0;
        for (std::int32_t i = 0; i < nFields; ++i) {
            const FIELDDESC& f = m_Fields[static_cast<std::size_t>(i)];
            total += static_cast<std::size_t>(f.count) * static_cast<std::size_t>(f.size);
        }
        unsigned char local[1024];
        std::vector<unsigned char> large;
        unsigned char* buffer = local;
        if (total > sizeof local) {
            // A record with large declared arrays: room only for what the file still holds.
            total = static_cast<std::size_t>(std::min<std::uint64_t>(total, RemainingBytes(fp)));
            large.resize(total);
            buffer = large.data();
        }
        const std::size_t got = total == 0 ? 0 : ReadUpTo(fp, buffer, total);
        std::size_t at = 0;
        for (std::int32_t i = 0; i < nFields; ++i) {
            const FIELDDESC& f = m_Fields[static_cast<std::size_t>(i)];
            const std::size_t bytes = static_cast<std::size_t>(f.count) * static_cast<std::size_t>(f.size);
            if (bytes > got - at) {
                ok = false;
                break;
            }
            // Fields of one element are moved with a fixed size, which the compiler does inline.
            switch (bytes) {
            case 1:
                std::memcpy(f.address, buffer + at, 1);
                break;
            case 2:
                std::memcpy(f.address, buffer + at, 2);
                break;
            case 4:
                std::memcpy(f.address, buffer + at, 4);
                break;
            case 8:
                std::memcpy(f.address, buffer + at, 8);
                break;
            default:
                std::memcpy(f.address, buffer + at, bytes);
                break;
            }
            at += bytes;
        }
    }
    if (ok) ok = LoadStrings(fp);
    if (g_nDataVersion != g_nLoadVersion) RegisterFor(g_nDataVersion);
    return ok;
}

bool cSerialRecord::LoadStrings(std::FILE* fp) {
    std::int32_t nStrings = 0;
    if (!ReadI32(fp, nStrings)) return false;
    // More strings than this version declares: the file is damaged.
    if (nStrings > static_cast<std::int32_t>(m_Strings.size())) return false;
    bool ok = true;
    for (std::int32_t i = 0; i < nStrings && ok; ++i)
        ok = ReadText(fp, *m_Strings[static_cast<std::size_t>(i)].address);
    if (g_bStripCR) StripCR();
    return ok;
}

void cSerialRecord::StripCR() {
    for (const STRINGDESC& s : m_Strings) {
        std::string& text = *s.address;
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    }
}

bool cSerialRecord::LoadFile(const std::string& name) {
    // The file is closed also when the load throws (a list larger than the memory left).
    std::unique_ptr<std::FILE, decltype(&CloseDataFile)> fp(OpenDataFileRead(name.c_str()), &CloseDataFile);
    if (!fp) return false;
    return Load(fp.get());
}

bool cSerialRecord::SaveFile(const std::string& name) {
    return SaveDataFile(name, [this](std::FILE* fp) { return Save(fp); });
}

// ---- File functions ----

std::FILE* OpenDataFileRead(const char* name) {
    const char* path = (name && *name) ? name : "err";
    std::FILE* fp = OpenPath(path, "rb");
    if (!fp) return nullptr;
    // Records are read a few bytes at a time: a large buffer keeps the reads from the system few.
    std::setvbuf(fp, nullptr, _IOFBF, READ_BUFFER_BYTES);
    std::int32_t version = 0;
    if (!ReadI32(fp, version)) {
        // Not even a version word: nothing can be read from this file.
        std::fclose(fp);
        return nullptr;
    }
    g_nLoadVersion = version;
    return fp;
}

std::FILE* OpenDataFileWrite(const char* name) {
    const char* path = (name && *name) ? name : "err";
    std::FILE* fp = OpenPath(path, "wb");
    if (!fp) return nullptr;
    if (!WriteI32(fp, g_nDataVersion)) {
        std::fclose(fp);
        return nullptr;
    }
    return fp;
}

bool SaveDataFile(const std::string& name, const std::function<bool(std::FILE*)>& fill) {
    return SaveDataFileIfUnchanged(name, fill, {}) == fsys::WriteResult::Written;
}

fsys::WriteResult SaveDataFileIfUnchanged(const std::string& name,
                                          const std::function<bool(std::FILE*)>& fill,
                                          const fsys::FileUnchanged& unchanged) {
    const std::string path = name.empty() ? std::string("err") : name;
    const fsys::WriteResult result = fsys::WriteWholeFileIfUnchanged(
        path, [&fill](std::FILE* fp) { return WriteI32(fp, g_nDataVersion) && fill(fp); }, unchanged);
    if (result == fsys::WriteResult::Failed) Report("%s が保存できません", path.c_str());
    return result;
}

void SetAsideDamagedFile(const std::string& name, const char* consequence) {
    std::string moved;
    const bool done = MoveAsideDamagedFile(name, moved);
    TellDamagedFile(name, done, moved, consequence);
}

bool MoveAsideDamagedFile(const std::string& name, std::string& movedTo,
                          const fsys::FileUnchanged& stillHolds) {
    return fsys::MoveAside(name, movedTo, stillHolds);
}

void TellDamagedFile(const std::string& name, bool moved, const std::string& movedTo,
                     const char* consequence) {
    if (moved) {
        ReportErrBox("%s が壊れているので、%s に移して、%s", name.c_str(), movedTo.c_str(), consequence);
        return;
    }
    // A file that cannot be moved is read again at every visit: it is told about once.
    static std::mutex lock;
    static std::set<std::string> told;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!told.insert(name).second) return;
    }
    ReportErrBox("%s が壊れているので、%s", name.c_str(), consequence);
}

bool CloseDataFile(std::FILE* fp) {
    if (!fp) return true;
    return std::fclose(fp) == 0;
}

// ---- Raw reads and writes ----

std::uint64_t RemainingBytes(std::FILE* fp) {
    const long pos = std::ftell(fp);
    if (pos < 0) return 0;
    std::uint64_t size = 0;
    struct stat st {};
    const int fd = fileno(fp);
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        size = static_cast<std::uint64_t>(st.st_size);
    } else {
        // Not a plain file (a stream in memory): measure by seeking.
        if (std::fseek(fp, 0, SEEK_END) != 0) return 0;
        const long end = std::ftell(fp);
        std::fseek(fp, pos, SEEK_SET);
        if (end < 0) return 0;
        size = static_cast<std::uint64_t>(end);
    }
    if (static_cast<std::uint64_t>(pos) > size) return 0;
    return size - static_cast<std::uint64_t>(pos);
}

bool ReadBytes(std::FILE* fp, void* dst, std::size_t bytes) {
    if (bytes == 0) return true;
    if (TakeBuffered(fp, dst, bytes)) return true;
    if (bytes <= 64) {
        unsigned char tmp[64];
        if (std::fread(tmp, 1, bytes, fp) != bytes) return false;
        std::memcpy(dst, tmp, bytes);
        return true;
    }
    if (static_cast<std::uint64_t>(bytes) > RemainingBytes(fp)) return false;
    return std::fread(dst, 1, bytes, fp) == bytes;
}

bool WriteBytes(std::FILE* fp, const void* src, std::size_t bytes) {
    if (bytes == 0) return true;
    return std::fwrite(src, 1, bytes, fp) == bytes;
}

// The host is little-endian like the files; values are moved as raw bytes.
bool ReadI32(std::FILE* fp, std::int32_t& value) {
    return ReadBytes(fp, &value, sizeof value);
}
bool ReadU32(std::FILE* fp, std::uint32_t& value) {
    return ReadBytes(fp, &value, sizeof value);
}
bool ReadI16(std::FILE* fp, std::int16_t& value) {
    return ReadBytes(fp, &value, sizeof value);
}
bool WriteI32(std::FILE* fp, std::int32_t value) {
    return WriteBytes(fp, &value, sizeof value);
}
bool WriteU32(std::FILE* fp, std::uint32_t value) {
    return WriteBytes(fp, &value, sizeof value);
}
bool WriteI16(std::FILE* fp, std::int16_t value) {
    return WriteBytes(fp, &value, sizeof value);
}

bool ReadListCount(std::FILE* fp, std::uint32_t& count, std::size_t minElementBytes) {
    count = 0;
    std::uint32_t stored = 0;
    if (!ReadU32(fp, stored)) return false;
    const std::uint64_t need = static_cast<std::uint64_t>(stored) * std::max<std::size_t>(minElementBytes, 1);
    if (stored != 0 && need > RemainingBytes(fp)) return false;
    count = stored;
    return true;
}

bool LoadByteVector(std::FILE* fp, std::vector<std::uint8_t>& bytes) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, 1)) return false;
    // Short vectors (the definitions' flags) are read on the stack and copied into the room the
    // vector already has.
    std::uint8_t local[64];
    if (count <= sizeof local) {
        if (!ReadBytes(fp, local, count)) return false;
        bytes.assign(local, local + count);
        return true;
    }
    std::vector<std::uint8_t> read(count);
    if (!ReadBytes(fp, read.data(), count)) return false;
    bytes = std::move(read);
    return true;
}

bool SaveByteVector(std::FILE* fp, const std::vector<std::uint8_t>& bytes) {
    if (!WriteU32(fp, static_cast<std::uint32_t>(bytes.size()))) return false;
    return WriteBytes(fp, bytes.data(), bytes.size());
}

bool LoadI32Vector(std::FILE* fp, std::vector<std::int32_t>& words) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, 4)) return false;
    std::vector<std::int32_t> read(count);
    if (!ReadBytes(fp, read.data(), static_cast<std::size_t>(count) * 4)) return false;
    words = std::move(read);
    return true;
}

bool SaveI32Vector(std::FILE* fp, const std::vector<std::int32_t>& words) {
    if (!WriteU32(fp, static_cast<std::uint32_t>(words.size()))) return false;
    return WriteBytes(fp, words.data(), words.size() * 4);
}

bool ReadText(std::FILE* fp, std::string& text) {
    std::int32_t length = 0;
    if (!ReadI32(fp, length)) return false;
    if (length == 1) {
        text.clear();
        return true;
    }
    // A stored length below 1, or longer than the rest of the file, is refused.
    if (length < 1 || static_cast<std::uint64_t>(length) > RemainingBytes(fp)) return false;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (!ReadBytes(fp, bytes.data(), bytes.size())) return false;
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos) bytes.resize(nul);
    text = std::move(bytes);
    return true;
}

bool WriteText(std::FILE* fp, const std::string& text) {
    const std::size_t nul = text.find('\0');
    const std::size_t size = nul == std::string::npos ? text.size() : nul;
    if (!WriteI32(fp, static_cast<std::int32_t>(size) + 1)) return false;
    if (size == 0) return true;
    if (!WriteBytes(fp, text.data(), size)) return false;
    return WriteBytes(fp, "", 1);
}

bool LoadStringVector(std::FILE* fp, std::vector<std::string>& texts) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, 4)) return false;
    std::vector<std::string> read(count);
    for (std::string& text : read)
        if (!ReadText(fp, text)) return false;
    texts = std::move(read);
    return true;
}

bool SaveStringVector(std::FILE* fp, const std::vector<std::string>& texts) {
    if (!WriteU32(fp, static_cast<std::uint32_t>(texts.size()))) return false;
    for (const std::string& text : texts)
        if (!WriteText(fp, text)) return false;
    return true;
}
