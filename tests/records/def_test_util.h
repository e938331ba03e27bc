// Helpers of the definition and stage record tests: chunks written byte by byte from the documented
// layouts (independently of the record classes), records loaded from and saved to temporary files,
// and an environment of palettes and list lengths that a test sets up.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fixtures/bytes.h"
#include "records/def_env.h"
#include "records/ed_block_def.h"
#include "records/ed_chara_def.h"
#include "records/ed_item_def.h"
#include "records/ed_stage.h"
#include "records/serial_record.h"

namespace deftest {

using fixtures::Bytes;
using fixtures::ByteWriter;

// Loads `bytes` (no version word) into `record` as a file of `version` would.
template <class R> bool LoadBytes(R& record, const Bytes& bytes, std::int32_t version = 732) {
    std::FILE* fp = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::rewind(fp);
    const std::int32_t keep = g_nLoadVersion;
    g_nLoadVersion = version;
    const bool ok = record.Load(fp);
    g_nLoadVersion = keep;
    std::fclose(fp);
    return ok;
}

// The bytes that `write(fp)` produces.
template <class Write> Bytes WrittenBytes(Write write) {
    std::FILE* fp = std::tmpfile();
    write(fp);
    const long n = std::ftell(fp);
    Bytes out(static_cast<std::size_t>(n > 0 ? n : 0));
    std::rewind(fp);
    if (!out.empty() && std::fread(out.data(), 1, out.size(), fp) != out.size()) out.clear();
    std::fclose(fp);
    return out;
}
template <class R> Bytes SavedBytes(R& record) {
    return WrittenBytes([&](std::FILE* fp) { record.Save(fp); });
}

// Palettes, database list lengths and a running stage chosen by the test; installed for the
// lifetime of the object.
class TestEnv : public cDefRecordEnv {
  public:
    TestEnv() : m_lpPrevious(SetFlowRecordEnv(this)) {}
    ~TestEnv() override { SetFlowRecordEnv(m_lpPrevious); }
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    std::int64_t DatabaseCount(DbList list) const override {
        auto it = counts.find(list);
        return it == counts.end() ? -1 : it->second;
    }
    cCheckedVector<cEdBlockDef>* EnvBlockPalette(PaletteId id) const override {
        return id == PaletteId::Common ? commonBlocks : stageBlocks;
    }
    cCheckedVector<cEdCharaDef>* EnvCharaPalette(PaletteId id) const override {
        return id == PaletteId::Common ? commonCharas : stageCharas;
    }
    cCheckedVector<cEdItemDef>* EnvItemPalette(PaletteId id) const override {
        return id == PaletteId::Common ? commonItems : stageItems;
    }
    std::int64_t CharaBitmapCount() const override { return charaBitmaps; }
    cEdStage* RunningStage() const override { return running; }

    std::map<DbList, std::int64_t> counts;
    cCheckedVector<cEdBlockDef>* commonBlocks = nullptr;
    cCheckedVector<cEdCharaDef>* commonCharas = nullptr;
    cCheckedVector<cEdItemDef>* commonItems = nullptr;
    cCheckedVector<cEdBlockDef>* stageBlocks = nullptr;
    cCheckedVector<cEdCharaDef>* stageCharas = nullptr;
    cCheckedVector<cEdItemDef>* stageItems = nullptr;
    std::int64_t charaBitmaps = -1;
    cEdStage* running = nullptr;

  private:
    const cFlowRecordEnv* m_lpPrevious;
};

// ---- Hand-written chunks ----

// A block: 18 fields (26 bytes), the text, x, y, the flags, no conditions.
struct BlockSpec {
    int palette = 0, entry = 0, condMode = 0, condLatch = 0, pictureNo = 0, pictureKind = 0, pictureArg = 0;
    int layer = 0, noDraw = 0, markMode = 0, markNo = 0, solidity = 1, passFaction = 255, heroAction = 0;
    std::uint32_t heroActionValue = 0;
    int itemPalette = 0, itemEntry = 0, noOverwrite = 0;
    std::string text;
    int x = 0, y = 0;
    std::vector<int> flags = std::vector<int>(11, 0);
};
inline void WriteBlock(ByteWriter& w, const BlockSpec& b) {
    w.i32(18).i8(b.palette).i16(b.entry).u8(b.condMode).u8(b.condLatch).i16(b.pictureNo).u8(b.pictureKind);
    w.i16(b.pictureArg)
        .u8(b.layer)
        .u8(b.noDraw)
        .u8(b.markMode)
        .i16(b.markNo)
        .u8(b.solidity)
        .u8(b.passFaction);
    w.u8(b.heroAction).u32(b.heroActionValue).i8(b.itemPalette).i16(b.itemEntry).u8(b.noOverwrite);
    w.i32(1).str(b.text);
    w.i16(b.x).i16(b.y);
    w.u32(static_cast<std::uint32_t>(b.flags.size()));
    for (int f : b.flags)
        w.u8(static_cast<unsigned>(f));
    w.u32(0);
}

// A character: fields 1 and 2, then fields 3 to 53 as stored by `version` (in the order of the
// documented table), the text, x, y, the carried word, the flags, no conditions, no flows.
struct CharaSpec {
    // Field values by number (1-53); the defaults of a new character.
    std::map<int, std::int64_t> f = {{14, 1}, {17, 3}, {21, 1},  {26, 1},  {28, 1},
                                     {31, 1}, {35, 1}, {39, 10}, {41, 10}, {49, 1}};
    std::string text;
    int x = 0, y = 0;
    std::int32_t carried = 0;
    std::vector<int> flags = std::vector<int>(37, 0);
    std::int64_t get(int n) const {
        auto it = f.find(n);
        return it == f.end() ? 0 : it->second;
    }
};
// Width in bytes and introducing version of fields 1 to 53.
struct CharaField {
    int bytes;
    int since;
};
inline const std::vector<CharaField>& CharaFields() {
    static const std::vector<CharaField> table = {
        {1, 0}, {2, 0},   {1, 0},   {1, 0}, {1, 0}, {1, 0},   {2, 0}, {2, 0}, {2, 0}, {2, 0},   // 1-10
        {1, 0}, {1, 0},   {2, 0},   {1, 0}, {2, 0}, {2, 0},   {1, 0}, {1, 0}, {2, 0}, {1, 196}, // 11-20
        {1, 0}, {2, 0},   {1, 196}, {1, 0}, {2, 0}, {1, 0},   {1, 0}, {1, 0}, {1, 0}, {1, 0},   // 21-30
        {1, 0}, {1, 0},   {1, 285}, {1, 0}, {1, 0}, {1, 210}, {1, 0}, {1, 0}, {4, 0}, {4, 0},   // 31-40
        {2, 0}, {1, 201}, {4, 0},   {1, 0}, {2, 0}, {4, 168}, {1, 0}, {4, 0}, {1, 0}, {1, 0},   // 41-50
        {2, 0}, {1, 0},   {1, 0}};                                                              // 51-53
    return table;
}
inline int CharaFieldCount(int version) {
    int n = 0;
    for (const CharaField& f : CharaFields())
        n += f.since <= version;
    return n;
}
inline void WriteChara(ByteWriter& w, const CharaSpec& c, int version = 732) {
    w.i32(CharaFieldCount(version));
    for (int n = 1; n <= 53; ++n) {
        const CharaField& f = CharaFields()[static_cast<std::size_t>(n - 1)];
        if (f.since > version) continue;
        if (f.bytes == 1) w.u8(static_cast<unsigned>(c.get(n)));
        if (f.bytes == 2) w.i16(static_cast<int>(c.get(n)));
        if (f.bytes == 4) w.i32(c.get(n));
    }
    w.i32(1).str(c.text);
    w.i16(c.x).i16(c.y).i32(c.carried);
    w.u32(static_cast<std::uint32_t>(c.flags.size()));
    for (int flag : c.flags)
        w.u8(static_cast<unsigned>(flag));
    w.u32(0).u32(0);
}

// An item: 17 fields (24 bytes), the text, x, y, the flags, no conditions, no commands.
struct ItemSpec {
    int palette = 0, entry = 0, condMode = 0, condLatch = 0, offsetX = 0, offsetY = 0, pictureNo = 0;
    int pictureKind = 2, pictureArg = 0, z = 6, transparent = 0, markMode = 0, markNo = 0, takeMessage = 1;
    int takeMode = 0, scale = 1, soundNo = 0;
    std::string text;
    int x = 0, y = 0;
    std::vector<int> flags = std::vector<int>(13, 0);
};
inline void WriteItem(ByteWriter& w, const ItemSpec& i) {
    w.i32(17).i8(i.palette).i16(i.entry).u8(i.condMode).u8(i.condLatch).i16(i.offsetX).i16(i.offsetY);
    w.i16(i.pictureNo).u8(i.pictureKind).i16(i.pictureArg).u8(i.z).u8(i.transparent).u8(i.markMode);
    w.i16(i.markNo).u8(i.takeMessage).u8(i.takeMode).u8(i.scale).i16(i.soundNo);
    w.i32(1).str(i.text);
    w.i16(i.x).i16(i.y);
    w.u32(static_cast<std::uint32_t>(i.flags.size()));
    for (int f : i.flags)
        w.u8(static_cast<unsigned>(f));
    w.u32(0).u32(0);
}

// The stage's 98 fields: introducing version, double or i32, default.
struct StageField {
    int since;
    bool isDouble;
    double def;
};
inline const std::vector<StageField>& StageFields() {
    static const std::vector<StageField> t = {
        {0, 0, 0},    {0, 0, 0},    {0, 0, 0},    {0, 0, 0},   {0, 0, 0},   {0, 0, 0},    // 1-6
        {0, 0, 0},    {0, 0, 0},    {0, 0, 0},    {0, 0, 0},   {0, 0, 0},   {0, 0, 0},    // 7-12
        {0, 0, 60},   {0, 0, 0},    {0, 0, 200},  {0, 0, 20},  {0, 0, 0},   {0, 0, 0},    // 13-18
        {0, 0, 0},    {0, 0, 0},    {0, 1, 0.4},  {0, 0, 10},  {0, 0, 0},   {0, 0, 0},    // 19-24
        {166, 0, 0},  {199, 0, 0},  {0, 0, 1},    {0, 0, 0},   {0, 0, 0},   {183, 0, 1},  // 25-30
        {184, 0, 0},  {0, 0, 0},    {225, 0, 1},  {0, 0, 1},   {0, 0, 1},   {200, 0, 16}, // 31-36
        {200, 0, 24}, {200, 0, 16}, {200, 0, 16}, {0, 0, 16},  {0, 0, 24},  {155, 0, 16}, // 37-42
        {155, 0, 16}, {0, 0, 12},   {0, 0, 8},    {0, 0, 16},  {0, 0, 16},  {200, 0, 1},  // 43-48
        {200, 0, 0},  {155, 0, 1},  {155, 0, 0},  {200, 0, 0}, {0, 0, 0},   {0, 0, 0},    // 49-54
        {0, 0, 0},    {200, 0, 0},  {0, 0, 0},    {0, 0, 0},   {0, 0, 0},   {200, 0, 16}, // 55-60
        {200, 0, 24}, {200, 0, 16}, {200, 0, 16}, {0, 0, 12},  {0, 0, 24},  {155, 0, 12}, // 61-66
        {155, 0, 16}, {0, 0, 30},   {0, 0, 30},   {200, 0, 1}, {200, 0, 0}, {155, 0, 1},  // 67-72
        {155, 0, 0},  {0, 0, 28},   {0, 0, 28},   {0, 0, 16},  {0, 0, 16},  {0, 0, 16},   // 73-78
        {0, 0, 16},   {0, 0, 16},   {0, 0, 16},   {0, 0, 16},  {0, 0, 16},  {0, 0, 1},    // 79-84
        {0, 0, 0},    {0, 0, 0},    {0, 0, 0},    {0, 1, 0},   {0, 1, 0},   {0, 1, 0},    // 85-90
        {0, 1, 0},    {0, 1, 0},    {0, 0, 0},    {0, 0, 1},   {0, 0, 30},  {0, 0, 0},    // 91-96
        {0, 0, 30},   {0, 0, 0}};                                                         // 97-98
    return t;
}
inline int StageFieldCount(int version) {
    int n = 0;
    for (const StageField& f : StageFields())
        n += f.since <= version;
    return n;
}
// The stage's chunk as stored by `version`: field values are the defaults unless `values` names
// them (by field number).
inline void WriteStageChunk(ByteWriter& w, int version, const std::map<int, double>& values = {},
                            const std::string& text = "") {
    w.i32(StageFieldCount(version));
    for (int n = 1; n <= 98; ++n) {
        const StageField& f = StageFields()[static_cast<std::size_t>(n - 1)];
        if (f.since > version) continue;
        auto it = values.find(n);
        const double v = it == values.end() ? f.def : it->second;
        if (f.isDouble)
            w.f64(v);
        else
            w.i32(static_cast<std::int64_t>(v));
    }
    w.i32(1).str(text);
}

// A stage body (after the version word) written by hand: the chunk, result switches, the five
// limit records at their defaults, palettes, placed lists with their words, backgrounds, texts and
// the end marker.
struct StageBody {
    int version = 732;
    std::map<int, double> fields;
    std::vector<std::int32_t> results = {1, 1, 1, 1, 1};
    std::vector<BlockSpec> paletteBlocks = {BlockSpec{}, BlockSpec{}};
    std::vector<CharaSpec> paletteCharas = {CharaSpec{}, CharaSpec{}};
    std::vector<ItemSpec> paletteItems = {ItemSpec{}, ItemSpec{}};
    std::vector<BlockSpec> blocks;
    std::vector<CharaSpec> charas;
    std::vector<ItemSpec> items;
    int backgrounds = 0;
    std::vector<std::string> texts;
    bool marker = true;
};

// The five limit records at their defaults, as stored by `version`.
inline void WriteLimits(ByteWriter& w, int version) {
    const int values[5][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                              {0, 0, 0, 0, 0, 0, 0, 0},
                              {0, 0, 0, 0, 0, 0, 0, 0},
                              {1, 1, 1, 1, 0, 0, 0, 0},
                              {1, 1, 1, 1, 10, 10, 10, 10}};
    for (const auto& v : values) {
        if (version >= 125) {
            w.i32(8);
            for (int x : v)
                w.i32(x);
        } else {
            w.i32(5).i32(v[0]).i32(v[4]).i32(v[5]).i32(v[6]).i32(v[7]);
        }
        w.i32(0);
    }
}

// A default background layer at the current layout.
inline void WriteBackground(ByteWriter& w, const std::string& file) {
    w.i32(10).i32(1).i32(0).i32(16).i32(0).f64(0.1).f64(0.1).i32(0).i32(0).f64(0).f64(0);
    w.i32(1).str(file);
}

inline Bytes WriteStage(const StageBody& s) {
    ByteWriter w;
    WriteStageChunk(w, s.version, s.fields);
    w.u32(static_cast<std::uint32_t>(s.results.size()));
    for (std::int32_t r : s.results)
        w.i32(r);
    WriteLimits(w, s.version);
    w.u32(static_cast<std::uint32_t>(s.paletteBlocks.size()));
    for (const auto& b : s.paletteBlocks)
        WriteBlock(w, b);
    w.u32(static_cast<std::uint32_t>(s.paletteCharas.size()));
    for (const auto& c : s.paletteCharas)
        WriteChara(w, c, s.version);
    w.u32(static_cast<std::uint32_t>(s.paletteItems.size()));
    for (const auto& i : s.paletteItems)
        WriteItem(w, i);
    w.u32(static_cast<std::uint32_t>(s.blocks.size()));
    for (const auto& b : s.blocks)
        WriteBlock(w.i32(0), b);
    w.u32(static_cast<std::uint32_t>(s.charas.size()));
    for (const auto& c : s.charas)
        WriteChara(w.i32(0), c, s.version);
    w.u32(static_cast<std::uint32_t>(s.items.size()));
    for (const auto& i : s.items)
        WriteItem(w.i32(0), i);
    w.u32(static_cast<std::uint32_t>(s.backgrounds));
    for (int i = 0; i < s.backgrounds; ++i)
        WriteBackground(w, "bg" + std::to_string(i) + ".bmp");
    w.u32(static_cast<std::uint32_t>(s.texts.size()));
    for (const auto& t : s.texts)
        w.i32(0).i32(1).str(t);
    if (s.marker) w.bytes({0x15, 0xCD, 0x5B, 0x07});
    return w.data();
}

} // namespace deftest
