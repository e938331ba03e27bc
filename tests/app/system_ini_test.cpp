#include "app/system_ini.h"

#include "fixtures/bytes.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::vector<SysIniKey> DefaultKeys() {
    return {{"Direct3D", 2, ""},        {"WindowMode", 0, ""},    {"Bpp", 0, ""},
            {"VSync", 2, ""},           {"D3D_FontCache", 0, ""}, {"DD_FontCache", 1, ""},
            {"DD_VideoStretch", 0, ""}, {"ShowFps", 1, ""},       {"FreeStage", 0, ""},
            {"English", 0, ""}};
}

class SystemIniTest : public ::testing::Test {
  protected:
    // Writes the text, starts from the key list's defaults and reads it.
    bool Read(const std::string& text, const std::vector<SysIniKey>& keys = DefaultKeys()) {
        fixtures::WriteAll(path, fixtures::Bytes(text.begin(), text.end()));
        SysIniDefaults(ini, keys);
        return ReadSystemIni(path.c_str(), ini, keys);
    }

    fixtures::TempDir dir;
    std::string path = dir.file("System.ini");
    cSystemIni ini;
};

} // namespace

TEST_F(SystemIniTest, DefaultsComeFromTheKeyList) {
    std::vector<SysIniKey> keys = DefaultKeys();
    keys[1].nDefault = 1;
    keys[8].strDefault = "data\\stg4\\a.stg4_000";
    keys[9].nDefault = 1; // never used
    SysIniDefaults(ini, keys);
    EXPECT_EQ(ini.Direct3D, 2);
    EXPECT_EQ(ini.WindowMode, 1);
    EXPECT_EQ(ini.DD_FontCache, 1);
    EXPECT_EQ(ini.ShowFps, 1);
    EXPECT_EQ(ini.FreeStage, "data\\stg4\\a.stg4_000");
    EXPECT_EQ(ini.English, 0);
    // A short key list gives zeros and an empty path.
    SysIniDefaults(ini, {{"Direct3D", 1, ""}});
    EXPECT_EQ(ini.Direct3D, 1);
    EXPECT_EQ(ini.VSync, 0);
    EXPECT_EQ(ini.FreeStage, "");
}

TEST_F(SystemIniTest, LineEndsOfBothKinds) {
    for (const char* eol : {"\r\n", "\n"}) {
        const std::string e = eol;
        ASSERT_TRUE(Read("Direct3D=0" + e + "WindowMode=1" + e + "Exit" + e)) << e.size();
        EXPECT_EQ(ini.Direct3D, 0);
        EXPECT_EQ(ini.WindowMode, 1);
        EXPECT_EQ(ini.Bpp, 0);
        EXPECT_EQ(ini.VSync, 2);
        EXPECT_EQ(ini.DD_FontCache, 1);
        EXPECT_EQ(ini.ShowFps, 1);
        // A path on a CR LF line is the path without the CR.
        ASSERT_TRUE(Read("FreeStage=data\\stg4\\x.stg4_001" + e + "Exit" + e));
        EXPECT_EQ(ini.FreeStage, "data\\stg4\\x.stg4_001");
    }
}

TEST_F(SystemIniTest, TheFileMustEndProperly) {
    EXPECT_FALSE(Read("Direct3D=0\nWindowMode=1\n"));
    EXPECT_FALSE(Read("Direct3D=0\nExit"));        // no line end after Exit
    EXPECT_TRUE(Read("Direct3D=0\n E x\tit\r\n")); // blanks and CR inside the key are dropped
    EXPECT_EQ(ini.Direct3D, 0);
    EXPECT_TRUE(Read("Direct3D=1\n\0rest"s)); // a 0 byte ends the reading
    EXPECT_EQ(ini.Direct3D, 1);
    // A value that runs into the end of the file ends there; the next key finds the end: failure.
    EXPECT_FALSE(Read("Direct3D=1"));
    EXPECT_FALSE(ReadSystemIni(dir.file("missing.ini").c_str(), ini, DefaultKeys()));
}

TEST_F(SystemIniTest, ValuesEndAtBlanksAndComments) {
    ASSERT_TRUE(Read("Bpp= 16\nVSync=1 // on\nShowFps=0/x\nDD_FontCache=\t5\nExit\n"));
    EXPECT_EQ(ini.Bpp, 0); // a blank right after '=' ends the value
    EXPECT_EQ(ini.VSync, 1);
    EXPECT_EQ(ini.ShowFps, 0);
    EXPECT_EQ(ini.DD_FontCache, 0);
    // Keys are compared with case; a blank inside a key is dropped.
    ASSERT_TRUE(Read("direct3d=0\nWindow Mode=1\nExit\n"));
    EXPECT_EQ(ini.Direct3D, 2);
    EXPECT_EQ(ini.WindowMode, 1);
}

TEST_F(SystemIniTest, StartFilePathLimits) {
    ASSERT_TRUE(Read("FreeStage=a\nExit\n"));
    EXPECT_EQ(ini.FreeStage, ""); // one character is ignored
    ASSERT_TRUE(Read("FreeStage=" + std::string(259, 'p') + "\nExit\n"));
    EXPECT_EQ(ini.FreeStage.size(), 259u);
    ASSERT_TRUE(Read("FreeStage=" + std::string(260, 'p') + "\nExit\n"));
    EXPECT_EQ(ini.FreeStage, "");
    ASSERT_TRUE(Read("FreeStage=ab c\nExit\n"));
    EXPECT_EQ(ini.FreeStage, "ab");
}

TEST_F(SystemIniTest, EnglishAndProjectKeyNames) {
    ASSERT_TRUE(Read("English=1\nExit\n"));
    EXPECT_EQ(ini.English, 1);
    // The project's own names: two entries of one name fill only the first.
    std::vector<SysIniKey> keys = DefaultKeys();
    keys[0].name = "Mode";
    keys[2].name = "Mode";
    ASSERT_TRUE(Read("Mode=1\nDirect3D=0\nExit\n", keys));
    EXPECT_EQ(ini.Direct3D, 1);
    EXPECT_EQ(ini.Bpp, 0);
}

TEST_F(SystemIniTest, OverlongKeysAndValuesAreCut) {
    const std::string longKey(5000, 'k');
    const std::string longValue(5000, '7');
    ASSERT_TRUE(Read(longKey + "=1\nWindowMode=" + longValue + "\nFreeStage=" + longValue + "\nExit\n"));
    EXPECT_EQ(ini.FreeStage, "");
    EXPECT_EQ(ini.Direct3D, 2);
}

TEST_F(SystemIniTest, ReadingStopsAfterTenThousandKeys) {
    std::string text;
    for (int i = 0; i < SYSTEM_INI_MAX_READS; ++i)
        text += "x=1\n";
    ASSERT_TRUE(Read(text + "Direct3D=0\n")); // no Exit needed: the cap ends the reading
    EXPECT_EQ(ini.Direct3D, 2);
    text.resize(text.size() - 4);
    ASSERT_TRUE(Read(text + "Direct3D=0\n"));
    EXPECT_EQ(ini.Direct3D, 0);
    // Text after a value counts as a read of its own.
    std::string pairs;
    for (int i = 0; i < SYSTEM_INI_MAX_READS / 2; ++i)
        pairs += "x=1 y\n";
    ASSERT_TRUE(Read(pairs + "Direct3D=0\n"));
    EXPECT_EQ(ini.Direct3D, 2);
}
