// Inheritance group by group: with one flag set, exactly the members of that group are taken from
// the palette entry. Members are named by their field numbers in the documented tables ("text",
// "conds", "flows" and "cmds" for the text and the lists); the group tables are the documented ones.
#include <gtest/gtest.h>

#include <set>

#include "def_test_util.h"

using namespace deftest;

namespace {

using Members = std::set<std::string>;

// The stored fields of a saved chunk by number ("f1" ...), with the text.
std::map<std::string, std::int64_t> StoredMembers(const Bytes& chunk, const std::vector<int>& widths) {
    std::map<std::string, std::int64_t> out;
    std::size_t at = 4;
    for (std::size_t n = 0; n < widths.size(); ++n) {
        std::int64_t v = 0;
        for (int b = 0; b < widths[n]; ++b)
            v |= static_cast<std::int64_t>(chunk[at++]) << (8 * b);
        out["f" + std::to_string(n + 1)] = v;
    }
    const std::size_t length = chunk[at + 4] | chunk[at + 5] << 8;
    out["text"] = static_cast<std::int64_t>(std::hash<std::string>()(
        std::string(chunk.begin() + static_cast<std::ptrdiff_t>(at + 8),
                    chunk.begin() + static_cast<std::ptrdiff_t>(at + 8 + (length > 1 ? length : 0)))));
    return out;
}

// A chunk of `widths` fields each holding its number plus one (fields 1 and 2, the palette
// reference, 0), the text "entry", and the given extras.
Bytes DistinctChunk(const std::vector<int>& widths, const Bytes& extras) {
    ByteWriter w;
    w.i32(static_cast<std::int64_t>(widths.size()));
    for (std::size_t n = 0; n < widths.size(); ++n) {
        const int v = n < 2 ? 0 : static_cast<int>(n) + 1;
        for (int b = 0; b < widths[n]; ++b)
            w.u8(b == 0 ? static_cast<unsigned>(v) : 0u);
    }
    w.i32(1).str("entry").bytes(extras);
    return w.data();
}

// Loads every heir with one flag set and compares what changed with the group table.
template <class T, class Lists>
void CheckGroups(T entry, T heir, const std::vector<int>& widths, const std::vector<Members>& groups,
                 Lists lists) {
    cCheckedVector<T> palette(2);
    palette[1] = entry;
    TestEnv env;
    env.*lists = &palette;
    heir.m_nPalette = 2;
    heir.m_nPaletteEntry = 1;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        heir.m_InheritFlags.assign(groups.size(), 0);
        heir.m_InheritFlags[g] = 1;
        T before = heir;
        T loaded;
        ASSERT_TRUE(LoadBytes(loaded, SavedBytes(before)));
        auto a = StoredMembers(SavedBytes(before), widths);
        auto b = StoredMembers(SavedBytes(loaded), widths);
        a["conds"] = static_cast<std::int64_t>(before.m_Conditions.size());
        b["conds"] = static_cast<std::int64_t>(loaded.m_Conditions.size());
        Members changed;
        for (const auto& [name, value] : a)
            if (b[name] != value) changed.insert(name);
        if constexpr (std::is_same_v<T, cEdCharaDef>) {
            if (loaded.m_Flows.size() != before.m_Flows.size()) changed.insert("flows");
        }
        if constexpr (std::is_same_v<T, cEdItemDef>) {
            if (loaded.m_Commands.size() != before.m_Commands.size()) changed.insert("cmds");
        }
        EXPECT_EQ(changed, groups[g]) << "group " << g;
        EXPECT_EQ(loaded.m_nX, heir.m_nX);
    }
}

const Bytes NO_LISTS_BLOCK = {7, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes NO_LISTS_ITEM = {7, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes NO_LISTS_CHARA = {7, 0, 8, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

} // namespace

TEST(InheritGroups, BlockGroupsCopyTheirMembersOnly) {
    const std::vector<int> widths = {1, 2, 1, 1, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 4, 1, 2, 1};
    cEdBlockDef entry;
    ASSERT_TRUE(LoadBytes(entry, DistinctChunk(widths, NO_LISTS_BLOCK)));
    entry.m_Conditions.resize(1);
    cEdBlockDef heir;
    heir.m_nPictureNo = 99;
    heir.m_nX = 3;
    CheckGroups(entry, heir, widths,
                {{"text"},
                 {"f3", "f4", "conds"},
                 {"f5", "f6", "f7"},
                 {"f8"},
                 {"f9"},
                 {"f10", "f11"},
                 {"f12"},
                 {"f13"},
                 {"f14", "f15"},
                 {"f16", "f17"},
                 {"f18"}},
                &TestEnv::stageBlocks);
}

TEST(InheritGroups, CharacterGroupsCopyTheirMembersOnly) {
    std::vector<int> widths;
    for (const CharaField& f : CharaFields())
        widths.push_back(f.bytes);
    cEdCharaDef entry;
    ASSERT_TRUE(LoadBytes(entry, DistinctChunk(widths, NO_LISTS_CHARA)));
    entry.m_Conditions.resize(1);
    entry.m_Flows.resize(1);
    entry.m_Flows[0].m_Conds.resize(1);
    cEdCharaDef heir;
    heir.m_nX = 3;
    CheckGroups(entry, heir, widths,
                {{"text"},
                 {"f26", "f27"},
                 {"f28"},
                 {"f29"},
                 {"f3", "f4", "conds"},
                 {"f5"},
                 {"f6"},
                 {"f7", "f8", "f11"},
                 {"f9", "f10", "f12"},
                 {"f13", "f14", "f15"},
                 {"f16"},
                 {"f17"},
                 {"f18"},
                 {"f19", "f20", "f21"},
                 {"f22", "f23"},
                 {"f24", "f25"},
                 {"f31"},
                 {"f30"},
                 {"f32", "f33"},
                 {"f34"},
                 {"f35"},
                 {"f36"},
                 {"f37", "f38"},
                 {"f39"},
                 {"f40"},
                 {"f42"},
                 {"f43"},
                 {"f44"},
                 {"f45"},
                 {"f46"},
                 {"f47"},
                 {"f41"},
                 {"f52", "f53"},
                 {"f50", "f51"},
                 {"f48"},
                 {"f49"},
                 {"flows"}},
                &TestEnv::stageCharas);
}

TEST(InheritGroups, ItemGroupsCopyTheirMembersOnly) {
    const std::vector<int> widths = {1, 2, 1, 1, 2, 2, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2};
    cEdItemDef entry;
    ASSERT_TRUE(LoadBytes(entry, DistinctChunk(widths, NO_LISTS_ITEM)));
    entry.m_Conditions.resize(1);
    entry.m_Commands.resize(2);
    cEdItemDef heir;
    heir.m_nX = 3;
    CheckGroups(entry, heir, widths,
                {{"text"},
                 {"f3", "f4", "conds"},
                 {"f5"},
                 {"f6"},
                 {"f7", "f8", "f9"},
                 {"f10"},
                 {"f11"},
                 {"f12", "f13"},
                 {"f16"},
                 {"f15"},
                 {"f14"},
                 {"f17"},
                 {"cmds"}},
                &TestEnv::stageItems);
}
