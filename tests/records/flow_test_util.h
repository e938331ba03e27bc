// Helpers of the flow record tests: hand-written little-endian byte sequences, and records loaded from
// or saved to a temporary file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "records/record_env.h"
#include "records/serial_record.h"

// Everything in a namespace of its own: other test files of this program have helpers of the same names.
namespace flowtest {

using Bytes = std::vector<std::uint8_t>;

// Appends little-endian numbers to a byte sequence: B(bytes).u8(1).i16(-2).i32(3)...
struct B {
    Bytes& out;
    explicit B(Bytes& b) : out(b) {}
    B& u8(int v) {
        out.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    B& i16(int v) {
        u8(v & 0xFF);
        return u8((v >> 8) & 0xFF);
    }
    B& i32(std::int64_t v) {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<int>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    B& f64(double d) {
        std::uint8_t raw[8];
        std::memcpy(raw, &d, 8);
        for (std::uint8_t c : raw)
            u8(c);
        return *this;
    }
    B& raw(const Bytes& b) {
        out.insert(out.end(), b.begin(), b.end());
        return *this;
    }
};

// The bytes that a record's Save writes (no version word).
template <class R> Bytes SavedBytes(R& record) {
    std::FILE* fp = std::tmpfile();
    record.Save(fp);
    const long n = std::ftell(fp);
    Bytes out(static_cast<std::size_t>(n));
    std::rewind(fp);
    if (n > 0 && std::fread(out.data(), 1, out.size(), fp) != out.size()) out.clear();
    std::fclose(fp);
    return out;
}

// The bytes that a record's Save writes when this build's format version is `version` (the layout of
// an older file).
template <class R> Bytes SavedBytesAt(R& record, std::int32_t version) {
    const std::int32_t keep = g_nDataVersion;
    g_nDataVersion = version;
    Bytes out = SavedBytes(record);
    g_nDataVersion = keep;
    record.RegisterMembers(keep);
    return out;
}

// Loads a record from bytes as if they followed the version word `version` of a file. Returns Load's
// result; *consumed (when given) receives the number of bytes read.
template <class R>
bool LoadFromBytes(R& record, const Bytes& bytes, std::int32_t version, long* consumed = nullptr) {
    std::FILE* fp = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::rewind(fp);
    g_nLoadVersion = version;
    const bool ok = record.Load(fp);
    if (consumed) *consumed = std::ftell(fp);
    std::fclose(fp);
    return ok;
}

// An environment with known list lengths, installed for the lifetime of the object.
struct FlowTestEnv : cFlowRecordEnv {
    std::int64_t counts[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::int64_t palettes[2][3] = {{-1, -1, -1}, {-1, -1, -1}};
    std::vector<std::vector<std::int32_t>> swordFrames;
    bool fromEditor = false;
    bool keepEditorOnly = false;

    const cFlowRecordEnv* previous;
    FlowTestEnv() : previous(SetFlowRecordEnv(this)) {}
    ~FlowTestEnv() override { SetFlowRecordEnv(previous); }

    std::int64_t& Count(DbList l) { return counts[static_cast<int>(l)]; }
    std::int64_t DatabaseCount(DbList l) const override { return counts[static_cast<int>(l)]; }
    std::int64_t PaletteCount(PaletteId p, PaletteList l) const override {
        return palettes[static_cast<int>(p)][static_cast<int>(l)];
    }
    bool SwordFrameTimes(std::int32_t i, std::vector<std::int32_t>& t) const override {
        if (i < 0 || static_cast<std::size_t>(i) >= swordFrames.size()) return false;
        t = swordFrames[static_cast<std::size_t>(i)];
        return true;
    }
    bool FromEditor() const override { return fromEditor; }
    bool KeepEditorOnlyFlows() const override { return keepEditorOnly; }
};

} // namespace flowtest

using namespace flowtest;
