#include "records/serial_record.h"

#include "app/log.h"
#include "fixtures/bytes.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

using fixtures::Bytes;
using fixtures::ByteWriter;
using fixtures::ReadAll;
using fixtures::TempDir;
using fixtures::WriteAll;

namespace {

// A record with every element size, an array, a member added at version 500 and a text added
// at version 600.
class cSample : public cSerialRecord {
  public:
    std::int32_t m_nA;
    std::int16_t m_nB;
    std::uint8_t m_nC;
    std::int32_t m_nLater; // stored from 500
    double m_dD;
    std::int32_t m_anArr[3];
    std::string m_szName;
    std::string m_szMemo; // stored from 600

    cSample() {
        RegisterMembers(g_nDataVersion);
        Reset();
        m_nLater = 77;
        m_szMemo = "memo";
    }
    void RegisterMembers(std::int32_t version) override {
        ClearMembers();
        DeclareField(&m_nA);
        DeclareField(&m_nB);
        DeclareField(&m_nC);
        if (version >= 500) DeclareField(&m_nLater);
        DeclareField(&m_dD);
        DeclareField(m_anArr, 3);
        DeclareStringField(&m_szName);
        if (version >= 600) DeclareStringField(&m_szMemo);
    }
};

// A record with extras: a flag vector and a list of sub-records.
class cOwner : public cSerialRecord {
  public:
    std::int32_t m_nX = 0;
    std::vector<std::uint8_t> m_vbFlags;
    std::vector<cSample> m_List;

    cOwner() {
        RegisterMembers(g_nDataVersion);
        Reset();
    }
    void RegisterMembers(std::int32_t) override {
        ClearMembers();
        DeclareField(&m_nX);
    }
    bool Load(std::FILE* fp) override {
        if (!cSerialRecord::Load(fp)) return false;
        if (!LoadByteVector(fp, m_vbFlags)) return false;
        return LoadRecordList(fp, m_List);
    }
    bool Save(std::FILE* fp) override {
        if (!cSerialRecord::Save(fp)) return false;
        if (!SaveByteVector(fp, m_vbFlags)) return false;
        return SaveRecordList(fp, m_List);
    }
};

cSample Filled() {
    cSample s;
    s.m_nA = 0x11223344;
    s.m_nB = -2;
    s.m_nC = 0xAB;
    s.m_nLater = 5;
    s.m_dD = 1.5;
    s.m_anArr[0] = 1;
    s.m_anArr[1] = 2;
    s.m_anArr[2] = -1;
    s.m_szName = "abc";
    s.m_szMemo = "";
    return s;
}

// The bytes of Filled() at 732, written by hand from the layout.
Bytes FilledBytes() {
    return ByteWriter()
        .bytes({0xDC, 0x02, 0x00, 0x00})       // version word 732
        .i32(6)                                // nFields
        .bytes({0x44, 0x33, 0x22, 0x11})       // m_nA
        .bytes({0xFE, 0xFF})                   // m_nB
        .bytes({0xAB})                         // m_nC
        .i32(5)                                // m_nLater
        .bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x3F}) // 1.5
        .i32(1)
        .i32(2)
        .i32(-1)
        .i32(2)                                         // nStrings
        .bytes({0x04, 0, 0, 0, 0x61, 0x62, 0x63, 0x00}) // "abc"
        .bytes({0x01, 0, 0, 0})                         // ""
        .data();
}

class SerialRecordTest : public ::testing::Test {
  protected:
    void TearDown() override {
        g_nDataVersion = DATA_VERSION_CURRENT;
        g_bStripCR = 1;
    }
    TempDir dir;
    std::string path = dir.file("rec.dat");
};

} // namespace

TEST_F(SerialRecordTest, SavesTheLayoutByteForByte) {
    cSample s = Filled();
    ASSERT_TRUE(s.SaveFile(path));
    EXPECT_EQ(ReadAll(path), FilledBytes());
}

TEST_F(SerialRecordTest, LoadsHandWrittenBytesAndRoundTrips) {
    WriteAll(path, FilledBytes());
    cSample s;
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(g_nLoadVersion, 732);
    EXPECT_EQ(s.m_nA, 0x11223344);
    EXPECT_EQ(s.m_nB, -2);
    EXPECT_EQ(s.m_nC, 0xAB);
    EXPECT_EQ(s.m_nLater, 5);
    EXPECT_EQ(s.m_dD, 1.5);
    EXPECT_EQ(s.m_anArr[2], -1);
    EXPECT_EQ(s.m_szName, "abc");
    EXPECT_EQ(s.m_szMemo, "");
    const std::string again = dir.file("again.dat");
    ASSERT_TRUE(s.SaveFile(again));
    EXPECT_EQ(ReadAll(again), FilledBytes());
}

TEST_F(SerialRecordTest, OlderVersionLoadsItsMemberListThenReregisters) {
    // Version 400: no m_nLater, no memo.
    WriteAll(path, ByteWriter()
                       .i32(400)
                       .i32(5)
                       .i32(9)
                       .i16(3)
                       .u8(4)
                       .f64(2.25)
                       .i32(7)
                       .i32(8)
                       .i32(9)
                       .i32(1)
                       .str("old")
                       .data());
    cSample s;
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(g_nLoadVersion, 400);
    EXPECT_EQ(s.m_nA, 9);
    EXPECT_EQ(s.m_nB, 3);
    EXPECT_EQ(s.m_nC, 4);
    EXPECT_EQ(s.m_dD, 2.25);
    EXPECT_EQ(s.m_anArr[0], 7);
    EXPECT_EQ(s.m_szName, "old");
    // Members the old version did not store keep their defaults.
    EXPECT_EQ(s.m_nLater, 77);
    EXPECT_EQ(s.m_szMemo, "memo");
    // Registered for the current version again.
    EXPECT_EQ(s.FieldCount(), 6);
    EXPECT_EQ(s.StringCount(), 2);
    // A later save writes the current layout.
    ASSERT_TRUE(s.SaveFile(path));
    EXPECT_EQ(ReadAll(path), ByteWriter()
                                 .i32(732)
                                 .i32(6)
                                 .i32(9)
                                 .i16(3)
                                 .u8(4)
                                 .i32(77)
                                 .f64(2.25)
                                 .i32(7)
                                 .i32(8)
                                 .i32(9)
                                 .i32(2)
                                 .str("old")
                                 .str("memo")
                                 .data());
}

TEST_F(SerialRecordTest, FewerFieldsAndStringsThanDeclared) {
    // nFields 0: no field is read and the next word is nStrings.
    WriteAll(path, ByteWriter().i32(732).i32(0).i32(1).str("x").data());
    cSample s = Filled();
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.m_nA, 0x11223344);
    EXPECT_EQ(s.m_szName, "x");
    EXPECT_EQ(s.m_szMemo, "");
    // A negative count reads nothing either.
    WriteAll(path, ByteWriter().i32(732).i32(-3).i32(-1).data());
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.m_szName, "x");
    // Two fields only.
    WriteAll(path, ByteWriter().i32(732).i32(2).i32(1).i16(2).i32(0).data());
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.m_nA, 1);
    EXPECT_EQ(s.m_nB, 2);
    EXPECT_EQ(s.m_nC, 0xAB);
}

TEST_F(SerialRecordTest, FileCutInsideTheFieldsSetsOnlyTheFieldsItHoldsWhole) {
    // Six fields announced; the file ends three bytes into the double.
    WriteAll(path, ByteWriter().i32(732).i32(6).i32(1).i16(2).u8(3).i32(4).bytes({0, 0, 0}).data());
    cSample s = Filled();
    EXPECT_FALSE(s.LoadFile(path));
    EXPECT_EQ(s.m_nA, 1);
    EXPECT_EQ(s.m_nB, 2);
    EXPECT_EQ(s.m_nC, 3);
    EXPECT_EQ(s.m_nLater, 4);
    EXPECT_EQ(s.m_dD, 1.5);
    EXPECT_EQ(s.m_anArr[0], 1);
    // The same record then reads an older layout and a current one, each with its own fields.
    WriteAll(path,
             ByteWriter().i32(400).i32(5).i32(9).i16(3).u8(4).f64(2.25).i32(7).i32(8).i32(9).i32(0).data());
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.m_nLater, 4);
    EXPECT_EQ(s.m_anArr[2], 9);
    ASSERT_TRUE(s.LoadFile(path));
    EXPECT_EQ(s.FieldCount(), 6);
    cSample copy = s;
    WriteAll(path, FilledBytes());
    ASSERT_TRUE(copy.LoadFile(path));
    EXPECT_EQ(copy.m_nLater, 5);
    EXPECT_EQ(copy.m_anArr[2], -1);
    EXPECT_EQ(s.m_nLater, 4);
}

TEST_F(SerialRecordTest, CarriageReturnsAreStrippedOnlyWhileSwitchedOn) {
    cSample s;
    s.m_szName = "a\r\nb\r";
    ASSERT_TRUE(s.SaveFile(path));
    // The stored file keeps what was written.
    const Bytes stored = ReadAll(path);
    const Bytes expectedText = ByteWriter().str("a\r\nb\r").data();
    EXPECT_NE(std::search(stored.begin(), stored.end(), expectedText.begin(), expectedText.end()),
              stored.end());

    cSample loaded;
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_EQ(loaded.m_szName, "a\nb");

    g_bStripCR = 0;
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_EQ(loaded.m_szName, "a\r\nb\r");
    loaded.StripCR();
    EXPECT_EQ(loaded.m_szName, "a\nb");
}

TEST_F(SerialRecordTest, MissingOrUnwritableFiles) {
    cSample s = Filled();
    EXPECT_FALSE(s.LoadFile(dir.file("missing.dat")));
    EXPECT_EQ(s.m_nA, 0x11223344);
    EXPECT_EQ(s.m_szName, "abc");
    EXPECT_FALSE(s.SaveFile(dir.file("no/such/folder/x.dat")));
    // An empty name opens "err", which does not exist here.
    EXPECT_EQ(OpenDataFileRead(""), nullptr);
    EXPECT_EQ(OpenDataFileRead(nullptr), nullptr);
    // A file too short for its version word cannot be read at all.
    WriteAll(path, Bytes{0xDC, 0x02});
    EXPECT_FALSE(s.LoadFile(path));
    EXPECT_TRUE(CloseDataFile(nullptr));
}

TEST_F(SerialRecordTest, FailedSaveKeepsTheOldFileAndLogsOneLine) {
    const std::string report = dir.file("Report_Game.txt");
    ASSERT_TRUE(ReportOpen(report.c_str()));
    cSample s = Filled();
    ASSERT_TRUE(s.SaveFile(path));
    s.m_nA = 5;
    fsys::SetWriteFaultForTests(fsys::WriteFault::Flush);
    EXPECT_FALSE(s.SaveFile(path));
    fsys::SetWriteFaultForTests(fsys::WriteFault::None);
    EXPECT_EQ(ReadAll(path), FilledBytes());
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
        2); // the record and the report, no temporary file
    const std::string line = path + " が保存できません\r\n";
    const Bytes logged = ReadAll(report);
    EXPECT_EQ(std::string(logged.begin(), logged.end()), line);
    g_szReportPath[0] = '\0';
    // A complete save replaces the file.
    ASSERT_TRUE(s.SaveFile(path));
    cSample read;
    ASSERT_TRUE(read.LoadFile(path));
    EXPECT_EQ(read.m_nA, 5);
}

TEST_F(SerialRecordTest, BackslashPathsAreFolders) {
    std::filesystem::create_directories(dir.path() / "sub");
    cSample s = Filled();
    const std::string windowsPath = dir.path().string() + "\\sub\\x.dat";
    ASSERT_TRUE(s.SaveFile(windowsPath));
    EXPECT_EQ(ReadAll(dir.file("sub/x.dat")), FilledBytes());
}

TEST_F(SerialRecordTest, CopiesOwnTheirDescriptorsAndSaveTheirOwnMembers) {
    cSample source = Filled();
    cSample copy(source);
    auto inside = [](const cSerialRecord& rec, const void* p) {
        const auto* b = reinterpret_cast<const char*>(&rec);
        const auto* q = static_cast<const char*>(p);
        return q >= b && q < b + sizeof(cSample);
    };
    ASSERT_EQ(copy.FieldCount(), source.FieldCount());
    for (int i = 0; i < copy.FieldCount(); ++i) {
        EXPECT_EQ(copy.FieldAt(i).owner, static_cast<void*>(static_cast<cSerialRecord*>(&copy)));
        EXPECT_TRUE(inside(copy, copy.FieldAt(i).address)) << i;
        EXPECT_EQ(copy.FieldAt(i).size, source.FieldAt(i).size);
        EXPECT_EQ(copy.FieldAt(i).count, source.FieldAt(i).count);
    }
    for (int i = 0; i < copy.StringCount(); ++i)
        EXPECT_TRUE(inside(copy, copy.StringAt(i).address));
    EXPECT_EQ(copy.FieldAt(0).address, &copy.m_nA);
    EXPECT_EQ(copy.StringAt(1).address, &copy.m_szMemo);

    // Assignment rebases as well.
    cSample assigned;
    assigned = source;
    EXPECT_EQ(assigned.FieldAt(5).address, static_cast<void*>(assigned.m_anArr));

    // The copy saves like its source, and afterwards its own members.
    ASSERT_TRUE(copy.SaveFile(path));
    EXPECT_EQ(ReadAll(path), FilledBytes());
    copy.m_nA = 1;
    copy.m_szName = "zz";
    copy.StripCR(); // works on the copy's own strings without registering first
    ASSERT_TRUE(copy.SaveFile(path));
    cSample back;
    ASSERT_TRUE(back.LoadFile(path));
    EXPECT_EQ(back.m_nA, 1);
    EXPECT_EQ(back.m_szName, "zz");
    EXPECT_EQ(source.m_nA, 0x11223344);
    EXPECT_EQ(source.m_szName, "abc");
}

TEST_F(SerialRecordTest, CopyFieldsAndReset) {
    cSample source = Filled();
    cSample dest;
    dest.CopyFields(source);
    ASSERT_TRUE(dest.SaveFile(path));
    EXPECT_EQ(ReadAll(path), FilledBytes());
    dest.Reset();
    EXPECT_EQ(dest.m_nA, 0);
    EXPECT_EQ(dest.m_dD, 0.0);
    EXPECT_EQ(dest.m_anArr[2], 0);
    EXPECT_EQ(dest.m_szName, "");
    EXPECT_EQ(dest.m_szMemo, "");
}

TEST_F(SerialRecordTest, TextsAreStoredUpToTheirFirstZeroAndLongTextsWhole) {
    cSample s;
    s.m_szName = std::string("ab\0cd", 5);
    s.m_szMemo = std::string(6000, 'x');
    ASSERT_TRUE(s.SaveFile(path));
    cSample back;
    ASSERT_TRUE(back.LoadFile(path));
    EXPECT_EQ(back.m_szName, "ab");
    EXPECT_EQ(back.m_szMemo.size(), 6000u);
    // A stored text whose bytes hold a 0 before their end gives the text up to it.
    WriteAll(path, ByteWriter().i32(732).i32(0).i32(1).i32(4).bytes({'a', 0, 'c', 0}).data());
    ASSERT_TRUE(back.LoadFile(path));
    EXPECT_EQ(back.m_szName, "a");
}

TEST_F(SerialRecordTest, ListsAndFlagVectors) {
    cOwner owner;
    owner.m_nX = 3;
    owner.m_vbFlags = {1, 0, 1};
    owner.m_List.push_back(Filled());
    owner.m_List.push_back(cSample());
    ASSERT_TRUE(owner.SaveFile(path));
    Bytes expected = ByteWriter().i32(732).i32(1).i32(3).i32(0).u32(3).bytes({1, 0, 1}).u32(2).data();
    const Bytes one = FilledBytes();
    expected.insert(expected.end(), one.begin() + 4, one.end());
    const Bytes blank = ByteWriter()
                            .i32(6)
                            .i32(0)
                            .i16(0)
                            .u8(0)
                            .i32(77)
                            .f64(0)
                            .i32(0)
                            .i32(0)
                            .i32(0)
                            .i32(2)
                            .str("")
                            .str("memo")
                            .data();
    expected.insert(expected.end(), blank.begin(), blank.end());
    EXPECT_EQ(ReadAll(path), expected);

    cOwner back;
    back.m_List.resize(5); // nested lists are emptied first
    ASSERT_TRUE(back.LoadFile(path));
    EXPECT_EQ(back.m_vbFlags, (std::vector<std::uint8_t>{1, 0, 1}));
    ASSERT_EQ(back.m_List.size(), 2u);
    EXPECT_EQ(back.m_List[0].m_szName, "abc");
    EXPECT_EQ(back.m_List[1].m_szMemo, "memo");
    // Each element owns its descriptors.
    EXPECT_EQ(back.m_List[1].FieldAt(0).address, &back.m_List[1].m_nA);
}

TEST_F(SerialRecordTest, DamagedCountsAndLengthsStopTheLoad) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"surplus field", ByteWriter()
                              .i32(732)
                              .i32(7)
                              .i32(1)
                              .i16(2)
                              .u8(3)
                              .i32(4)
                              .f64(5)
                              .i32(6)
                              .i32(7)
                              .i32(8)
                              .i32(9)
                              .i32(0)
                              .data()},
        {"surplus string", ByteWriter().i32(732).i32(0).i32(3).str("a").str("b").str("c").data()},
        {"length 0", ByteWriter().i32(732).i32(0).i32(1).i32(0).data()},
        {"negative length", ByteWriter().i32(732).i32(0).i32(1).i32(-5).data()},
        {"length beyond the file",
         ByteWriter().i32(732).i32(0).i32(1).i32(0x7FFFFFFF).bytes({'a', 0}).data()},
        {"short field", ByteWriter().i32(732).i32(1).i16(1).data()},
        {"no string count", ByteWriter().i32(732).i32(0).data()},
    };
    for (const Case& c : cases) {
        WriteAll(path, c.bytes);
        cSample s = Filled();
        EXPECT_FALSE(s.LoadFile(path)) << c.what;
        // Nothing was read into another member, and the record is registered as usual.
        EXPECT_EQ(s.m_nA, 0x11223344) << c.what;
        EXPECT_EQ(s.m_nB, -2) << c.what;
        EXPECT_EQ(s.FieldCount(), 6) << c.what;
    }
    // A record that declares nothing refuses any stored field.
    class cEmpty : public cSerialRecord {};
    WriteAll(path, ByteWriter().i32(732).i32(1).i32(5).i32(0).data());
    cEmpty empty;
    EXPECT_FALSE(empty.LoadFile(path));
}

TEST_F(SerialRecordTest, HugeListCountsAreRefusedBeforeAllocating) {
    cOwner owner;
    WriteAll(path, ByteWriter().i32(732).i32(1).i32(0).i32(0).u32(0xFFFFFFFF).data());
    EXPECT_FALSE(owner.LoadFile(path));
    WriteAll(path, ByteWriter().i32(732).i32(1).i32(0).i32(0).u32(0).u32(0x40000000).i32(0).i32(0).data());
    EXPECT_FALSE(owner.LoadFile(path));
    // A count that fits is read.
    WriteAll(path, ByteWriter().i32(732).i32(1).i32(0).i32(0).u32(0).u32(1).i32(0).i32(0).data());
    EXPECT_TRUE(owner.LoadFile(path));
    EXPECT_EQ(owner.m_List.size(), 1u);
}

TEST_F(SerialRecordTest, EveryPrefixAndRandomFlipsLoadSafely) {
    cOwner owner;
    owner.m_vbFlags = {1, 2, 3, 4};
    owner.m_List = {Filled(), Filled(), cSample()};
    ASSERT_TRUE(owner.SaveFile(path));
    const Bytes whole = ReadAll(path);
    fixtures::DamageFile(path, whole, [](const std::string& p, std::size_t) {
        cOwner rec;
        rec.LoadFile(p);
        EXPECT_EQ(rec.FieldCount(), 1);
    });
    // No strict prefix loads as a whole file.
    for (std::size_t n = 4; n < whole.size(); ++n) {
        WriteAll(path, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        cOwner rec;
        EXPECT_FALSE(rec.LoadFile(path)) << "prefix " << n;
    }
}
