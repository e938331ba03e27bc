// The demo project written by the project writer, read back through the player's own loaders: every
// file that start-up and the first scenes read exists and loads. Also the writer's raw formats
// (WAVE, MIDI, blend tables) against bytes and values worked out by hand.
#include "tools/blend_table.h"
#include "tools/demo_game.h"
#include "tools/demo_media.h"
#include "tools/demo_music.h"
#include "tools/demo_project.h"
#include "tools/midi_writer.h"
#include "tools/project_writer.h"
#include "tools/wave_writer.h"

#include "app/paths.h"
#include "shell/palette_variants.h"
#include "app/startup_state.h"
#include "draw/dd_palette_fx.h"
#include "draw/draw.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "menus/world_map_scene.h"
#include "platform/audio/riff_wave.h"
#include "platform/audio/vox.h"
#include "platform/file_system.h"
#include "platform/gfx/bmp.h"
#include "project/common_palette.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "sound/midi.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <deque>
#include <memory>
#include <set>

using fixtures::Bytes;

namespace {

// One demo project written for the whole suite; the tests only read it.
class DemoProjectTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_Dir = std::make_unique<fixtures::TempDir>();
        s_Written = demo_project::Write(s_Dir->path().string());
    }
    static void TearDownTestSuite() { s_Dir.reset(); }
    void SetUp() override { ASSERT_TRUE(s_Written); }
    void TearDown() override {
        g_Database = cProjectDatabase();
        g_SystemData = cSystemData();
        g_WorldMap = cWorldMap();
        g_Stage = cEdStage();
    }
    static inline std::unique_ptr<fixtures::TempDir> s_Dir;
    static inline bool s_Written = false;
    const fixtures::TempDir& dir = *s_Dir;
};

} // namespace

TEST_F(DemoProjectTest, StartUpFilesLoadThroughThePlayersLoaders) {
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    ASSERT_TRUE(LoadProjectDatabase());
    ASSERT_TRUE(LoadSystemData());
    ASSERT_TRUE(LoadSystemIni());
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(g_SystemData.m_strTitle, "Mirelda4 デモ");

    // Sound and music lists, and the menu music pointing into the music list (kept by the
    // clamp, which checks against the list written beside System.dat).
    ASSERT_EQ(g_Database.m_Sounds.Count(), 5);
    EXPECT_EQ(g_Database.m_Sounds.at(1).szName, "ジャンプ");
    EXPECT_EQ(g_Database.m_Sounds.at(4).szFileName, "wave\\Explosion.wav");
    ASSERT_EQ(g_Database.m_Bgms.Count(), 3);
    EXPECT_EQ(g_Database.m_Bgms.at(1).szFileName, "bgm\\Title.ogg");
    EXPECT_EQ(g_Database.m_Bgms.at(2).szFileName, "bgm\\Title.mid");
    EXPECT_EQ(std::vector<std::int32_t>(g_SystemData.m_vnMenuBgm.begin(), g_SystemData.m_vnMenuBgm.end()),
              (std::vector<std::int32_t>{1, 2, 2, 2}));
    for (int k = 1; k <= 2; ++k)
        EXPECT_TRUE(fsys::IsFile(g_Database.m_Bgms.at(k).szFileName)) << k;

    // Every sound source start-up builds: the 17 system sounds, then the project's sounds.
    std::vector<std::string> sources(g_SystemData.m_vstrSystemSounds.begin(),
                                     g_SystemData.m_vstrSystemSounds.end());
    ASSERT_EQ(sources.size(), 17u);
    for (int k = 1; k < g_Database.m_Sounds.Count(); ++k)
        sources.push_back(g_Database.m_Sounds.at(k).szFileName);
    EXPECT_EQ(std::set<std::string>(sources.begin(), sources.end()).size(), sources.size());
    for (const std::string& name : sources) {
        audio::WaveData wave;
        ASSERT_TRUE(audio::ReadRiffWaveFile(fsys::ToNative(name), &wave)) << name;
        EXPECT_EQ(wave.format.wFormatTag, 1) << name;
        EXPECT_EQ(wave.format.nChannels, 1) << name;
        EXPECT_EQ(wave.format.nSamplesPerSec, 22050u) << name;
        EXPECT_EQ(wave.format.wBitsPerSample, 16) << name;
        EXPECT_GT(wave.samples.size(), 400u) << name; // at least 10 ms
        EXPECT_LT(wave.samples.size(), 22050u * 2 * 2) << name;
    }

    // The world map, the common palette, and the stage its nodes name (newest revision).
    ASSERT_TRUE(g_WorldMap.LoadFile("data\\WorldMap.dat"));
    ASSERT_EQ(g_WorldMap.nodes.Count(), 3);
    EXPECT_EQ(g_WorldMap.nodes.at(0).m_Entries.at(0).szTextB, demo_media::kStageFile);
    EXPECT_EQ(g_WorldMap.nodes.at(1).m_Entries.at(0).szTextB, demo_game::kStory2File);
    EXPECT_EQ(g_WorldMap.nodes.at(2).m_Entries.at(0).szTextB, demo_game::kStory3File);
    cCommonPalette palette;
    EXPECT_TRUE(palette.LoadFile("data\\CommonPalette.cplt4"));
    std::string stage;
    ASSERT_TRUE(FindLatestNumberedFileStr(stage, demo_media::kStageFile, "stg4"));
    EXPECT_EQ(stage, "data\\stg4\\demo.stg4_000");
    EXPECT_EQ(CheckStageFile(stage), 1);
    ASSERT_TRUE(g_Stage.LoadFile(stage));
    EXPECT_EQ(g_Stage.m_nWidth, 40);
    EXPECT_TRUE(g_Stage.HasHero());

    // The title music: the MIDI file merges, the OGG file opens in the OGG player.
    cMidiData midi(demo_media::kTitleMidi);
    EXPECT_TRUE(midi.HasImage());
    audio::VoxModule* vox = audio::LoadVoxLibrary("Vox.dll");
    ASSERT_NE(vox, nullptr);
    audio::CreateVoxProc create = audio::GetVoxProcAddress(vox, "CreateVox");
    ASSERT_NE(create, nullptr);
    audio::IVox* player = create();
    ASSERT_NE(player, nullptr);
    EXPECT_NE(player->Load(fsys::ToNative(demo_media::kTitleOgg).c_str()), 0);
    player->Close();
    player->Release();
    audio::FreeVoxLibrary(vox);
}

namespace {

// The picture files the player loads into its system surfaces: the names of its table, with the
// world-map background and the background slots named as the demo's world map and stage name them.
std::set<std::string> PicturesThePlayerLoads() {
    SYSTEMBITMAP table[SYSTEM_BITMAP_COUNT];
    std::copy(std::begin(SystemBitmapTable), std::end(SystemBitmapTable), table);
    SetWorldBackPicture(project_writer::DemoWorldMap().backPicture.c_str());
    const cEdStage stage = demo_project::DemoStage();
    // The play scene's set-up: a picture background of the stage fills its slot, the others stay empty.
    for (int i = 0; i < SYSBMP_BACKGROUND_SLOTS; ++i) {
        const bool picture = i < stage.m_Backgrounds.Count() && stage.m_Backgrounds.at(i).m_nKind == 0;
        SetSystemBitmapFile(SYSBMP_BACKGROUND_FIRST + i,
                            picture ? stage.m_Backgrounds.at(i).m_strFile.c_str() : "");
    }
    std::set<std::string> files;
    for (const SYSTEMBITMAP& record : SystemBitmapTable)
        if (record.szFileName[0] && std::string(record.szFileName) != "E") files.insert(record.szFileName);
    std::copy(std::begin(table), std::end(table), SystemBitmapTable);
    return files;
}

} // namespace

TEST_F(DemoProjectTest, EverySystemPictureThePlayerLoadsIsAnEightBitPictureWithTheProjectPalette) {
    fixtures::ScopedCurrentDir cd(dir.path());
    const bmp_writer::Palette demo = bmp_writer::DemoPalette();
    const std::set<std::string> seen = PicturesThePlayerLoads();
    for (const std::string& file : seen) {
        gfx::Dib dib;
        std::string why;
        ASSERT_TRUE(gfx::LoadBmpFile(file, dib, &why)) << file << ": " << why;
        EXPECT_EQ(dib.bitCount, 8) << file;
        ASSERT_EQ(dib.colours.size(), 256u) << file;
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(dib.colours[i].peRed == demo[i].r && dib.colours[i].peGreen == demo[i].g &&
                        dib.colours[i].peBlue == demo[i].b)
                << file << " entry " << i;
        if (file == "bmp\\plt\\Palette.bmp") continue;
        EXPECT_EQ(dib.width % 16, 0) << file;
        EXPECT_EQ(dib.height % 16, 0) << file;
    }
    EXPECT_TRUE(seen.count("bmp\\GameMode.bmp"));

    // The transparent colour is the first pixel of the palette picture: the magenta of entry 0. The
    // entries stand one pixel each from row 8 on, as the drawing library reads them from pixels.
    gfx::Dib palette;
    ASSERT_TRUE(gfx::LoadBmpFile("bmp\\plt\\Palette.bmp", palette));
    EXPECT_EQ(palette.PixelRaw(0, 0), 0u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(palette.PixelRaw(i % 16, 8 + i / 16), static_cast<unsigned>(i)) << i;
    // Pictures blitted whole at the screen's size, and the sheets read at fixed places.
    const struct {
        const char* file;
        int width, height;
    } sizes[] = {{"bmp\\Title.bmp", 640, 480},        {"bmp\\Window.bmp", 640, 480},
                 {"bmp\\StatusWindow.bmp", 640, 224}, {"bmp\\Word.bmp", 320, 192},
                 {"bmp\\Accessory.bmp", 128, 128},    {"bmp\\Symbol.bmp", 416, 16},
                 {"bmp\\WorldMapChip.bmp", 160, 128}, {"bmp\\Item_Mini.bmp", 240, 64}};
    for (const auto& s : sizes) {
        gfx::Dib dib;
        ASSERT_TRUE(gfx::LoadBmpFile(s.file, dib)) << s.file;
        EXPECT_EQ(dib.width, s.width) << s.file;
        EXPECT_EQ(dib.height, s.height) << s.file;
    }
    // The cells the menus cut from the accessory sheet are drawn: the menu cursor, the list cursors,
    // the challenge menu's cleared mark, the life icon and the world map's marker in its eight frames.
    {
        gfx::Dib dib;
        ASSERT_TRUE(gfx::LoadBmpFile("bmp\\Accessory.bmp", dib));
        const struct {
            int x, y, size;
        } cells[] = {{0, 0, 32},   {64, 0, 16},  {80, 0, 16},  {96, 0, 32},  {0, 48, 16},
                     {0, 64, 32},  {32, 64, 32}, {64, 64, 32}, {96, 64, 32}, {0, 96, 32},
                     {32, 96, 32}, {64, 96, 32}, {96, 96, 32}};
        for (const auto& c : cells) {
            int drawn = 0;
            for (int y = 0; y < c.size; ++y)
                for (int x = 0; x < c.size; ++x)
                    drawn += dib.PixelRaw(c.x + x, c.y + y) != 0u;
            EXPECT_GT(drawn, c.size * c.size / 8) << "Accessory.bmp cell " << c.x << "," << c.y;
        }
    }
    // Title and window fill are opaque pictures: no transparent pixel shows through.
    for (const char* file : {"bmp\\Title.bmp", "bmp\\Window.bmp"}) {
        gfx::Dib dib;
        ASSERT_TRUE(gfx::LoadBmpFile(file, dib));
        for (int y = 0; y < dib.height; y += 3)
            for (int x = 0; x < dib.width; x += 3)
                ASSERT_NE(dib.PixelRaw(x, y), 0u) << file << " " << x << "," << y;
    }
    // Cell 0 of the block, character and item sheets means "nothing" and stays transparent;
    // the hero (character 1) and the ground block (block 1) are drawn.
    for (const char* file : {"bmp\\Block.bmp", "bmp\\Character1.bmp", "bmp\\Item.bmp"}) {
        gfx::Dib dib;
        ASSERT_TRUE(gfx::LoadBmpFile(file, dib));
        int cell0 = 0, cell1 = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                cell0 += dib.PixelRaw(x, y) != 0u;
                cell1 += dib.PixelRaw(32 + x, y) != 0u;
            }
        EXPECT_EQ(cell0, 0) << file;
        EXPECT_GT(cell1, 100) << file;
    }
}

TEST_F(DemoProjectTest, BlendTablesOfEveryColourVariantLoad) {
    fixtures::ScopedCurrentDir cd(dir.path());
    std::vector<std::uint8_t> table(blend_table::kTableSize);
    char path[32];
    for (int n = 0; n < 27; ++n) {
        std::snprintf(path, sizeof path, "bmp\\hbt\\hbt%02d.dat", n);
        EXPECT_TRUE(DDLoadBlendTable(table.data(), path)) << path;
    }
    EXPECT_FALSE(fsys::Exists("bmp\\hbt\\hbt27.dat"));
    // Variant 3 in its file is the table of the palette rotated by three hue blocks.
    std::snprintf(path, sizeof path, "bmp\\hbt\\hbt%02d.dat", 3);
    ASSERT_TRUE(DDLoadBlendTable(table.data(), path));
    EXPECT_EQ(table, blend_table::Compute(blend_table::PaletteVariant(bmp_writer::DemoPalette(), 3)));
}

TEST_F(DemoProjectTest, ThePlayersColourVariantMatchesItsBlendTable) {
    // An 8-bit DirectDraw display without a window: the variant's table and palette are read from
    // the project's files and the palette is rotated by the player's own code.
    fixtures::ScopedCurrentDir cd(dir.path());
    const int bpp = g_DDSettings.nBpp;
    g_DDSettings.nBpp = 8;
    g_nScreenBpp = 8;
    for (int n : {3, 14}) {
        ASSERT_TRUE(LoadHbtPalettes(n)) << n;
        const bmp_writer::Palette expected = blend_table::PaletteVariant(bmp_writer::DemoPalette(), n);
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(g_BasePalette[i].peRed == expected[i].r &&
                        g_BasePalette[i].peGreen == expected[i].g && g_BasePalette[i].peBlue == expected[i].b)
                << n << " entry " << i;
        EXPECT_TRUE(std::equal(g_BlendTable, g_BlendTable + blend_table::kTableSize,
                               blend_table::Compute(expected).begin()))
            << n;
    }
    g_nScreenBpp = 0;
    g_DDSettings.nBpp = bpp;
}

TEST_F(DemoProjectTest, TheStoryRunsThroughTwoWorldsToTheTitle) {
    cWorldMap map = project_writer::DemoWorldMap();
    ASSERT_EQ(map.nodes.Count(), 3);
    cSaveData save;
    save.m_vnStageFlags.assign(1000, 0);
    save.m_vnCommonVars.assign(256, 0);
    // The kind of each node's active page (-1 none) and, for a stage, its clear switch and what
    // follows its clear (0 the map, 1 the story advances, 2 the title).
    const auto pages = [&] {
        std::vector<std::array<int, 3>> out;
        for (cWorldMapNode& node : map.nodes) {
            const cWorldMapNodeEntry* page = SelectEventPage(&node, save);
            out.push_back(page ? std::array<int, 3>{page->nKind, page->nValues[0], page->nValues[3]}
                               : std::array<int, 3>{-1, 0, 0});
        }
        return out;
    };
    // Every node is reached from the start over open cells and nodes that do not block.
    const auto reachable = [&] {
        const auto blocked = pages();
        const auto open = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= map.width || y >= map.height) return false;
            for (int n = 0; n < map.nodes.Count(); ++n)
                if (map.nodes.at(n).x == x && map.nodes.at(n).y == y) return blocked[n][0] != 2;
            return map.tiles.at(map.CellAt(x, y)).bBlocked == 0;
        };
        std::set<std::pair<int, int>> reached{{map.startX, map.startY}};
        std::deque<std::pair<int, int>> todo{{map.startX, map.startY}};
        while (!todo.empty()) {
            const auto [x, y] = todo.front();
            todo.pop_front();
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                if (open(x + dx, y + dy) && reached.insert({x + dx, y + dy}).second)
                    todo.push_back({x + dx, y + dy});
        }
        std::vector<bool> out;
        for (const cWorldMapNode& node : map.nodes)
            out.push_back(reached.count({node.x, node.y}) != 0);
        return out;
    };
    using Pages = std::vector<std::array<int, 3>>;
    // A new story: the meadow is open, the cave closed, the castle closed.
    EXPECT_EQ(pages(), (Pages{{0, 1, 0}, {2, 0, 0}, {2, 0, 0}}));
    EXPECT_EQ(reachable(), (std::vector<bool>{true, false, false}));
    // The meadow cleared: the cave opens, and its clear advances the story.
    save.m_vnStageFlags.at(1) = 1;
    EXPECT_EQ(pages(), (Pages{{0, 1, 0}, {0, 2, 1}, {2, 0, 0}}));
    EXPECT_EQ(reachable(), (std::vector<bool>{true, true, false}));
    // The second world (switches cleared, the goal's variable set): the meadow and the cave are
    // passed by, the castle is open and its clear returns to the title.
    save.m_vnStageFlags.assign(1000, 0);
    save.m_vnCommonVars.at(demo_game::kSecondWorldVariable) = 1;
    EXPECT_EQ(pages(), (Pages{{1, 0, 0}, {1, 0, 0}, {0, 3, 2}}));
    EXPECT_EQ(reachable(), (std::vector<bool>{true, true, true}));
}

TEST(DemoMediaWriters, WaveFileBytes) {
    const Bytes expected = {'R',  'I',  'F', 'F', 40,   0,    0, 0, 'W',  'A',  'V',  'E',
                            'f',  'm',  't', ' ', 16,   0,    0, 0, 1,    0,    1,    0,
                            0x22, 0x56, 0,   0,   0x44, 0xAC, 0, 0, 2,    0,    16,   0,
                            'd',  'a',  't', 'a', 4,    0,    0, 0, 0x01, 0x00, 0xFE, 0xFF};
    EXPECT_EQ(wave_writer::Encode({1, -2}, 22050), expected);
}

TEST(DemoMediaWriters, MidiFileBytes) {
    midi_writer::Track track;
    track.Tempo(0, 500000);
    // A note ending where the next begins: the end comes first; 480 ticks is "83 60".
    track.Note(480, 480, 0, 60, 100);
    track.Note(0, 480, 0, 62, 90);
    // clang-format off
    const Bytes expected = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x01, 0xE0, // format 1, one track, 480 a quarter
        'M', 'T', 'r', 'k', 0, 0, 0, 29,
        0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, // tempo 500,000
        0, 0x90, 62, 90,                    // on
        0x83, 0x60, 0x80, 62, 0,            // off at 480
        0, 0x90, 60, 100,                   // on at 480
        0x83, 0x60, 0x80, 60, 0,            // off at 960
        0, 0xFF, 0x2F, 0};                  // end of track
    // clang-format on
    EXPECT_EQ(midi_writer::Encode({track}, 480), expected);
}

TEST(DemoMediaWriters, TitleTuneIsEightWholeBarsInEveryPart) {
    const std::vector<midi_writer::Track> tracks = demo_music::TitleTracks();
    ASSERT_EQ(tracks.size(), 5u);
    const std::uint32_t end = demo_music::kBars * 4 * demo_music::kDivision;
    // Walk every encoded track by its delta times: each one's end of track lies exactly at the end
    // of the last bar, so the piece loops in time; no event lies beyond it.
    const Bytes file = midi_writer::Encode(tracks, demo_music::kDivision);
    std::size_t at = 14;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        ASSERT_EQ(Bytes(file.begin() + at, file.begin() + at + 4), (Bytes{'M', 'T', 'r', 'k'}));
        const std::size_t length =
            (std::size_t{file[at + 4]} << 24) | (file[at + 5] << 16) | (file[at + 6] << 8) | file[at + 7];
        std::size_t p = at + 8;
        const std::size_t stop = p + length;
        std::uint32_t now = 0;
        bool ended = false;
        while (p < stop && !ended) {
            std::uint32_t delta = 0;
            do
                delta = (delta << 7) | (file[p] & 0x7F);
            while (file[p++] & 0x80);
            now += delta;
            const std::uint8_t status = file[p++];
            if (status == 0xFF) {
                ended = file[p] == 0x2F;
                p += 2 + file[p + 1];
            } else {
                p += (status & 0xF0) == 0xC0 ? 1 : 2;
            }
            ASSERT_LE(now, end) << "track " << t;
        }
        EXPECT_TRUE(ended) << t;
        EXPECT_EQ(p, stop) << t;
        EXPECT_EQ(now, end) << t;
        at = stop;
    }
    EXPECT_EQ(at, file.size());
}
