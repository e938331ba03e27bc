#include "project_writer.h"

#include "demo_game.h"
#include "demo_media.h"

#include "records/effect_kinds.h"

#include <filesystem>
#include <initializer_list>
#include <fstream>

namespace project_writer {

namespace {

std::string DataPath(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / "data" / name).string();
}

// One database file: the list written as the database reader takes it.
template <class List> bool WriteList(const std::string& path, const List& list) {
    std::FILE* fp = OpenDataFileWrite(path.c_str());
    if (!fp) return false;
    List copy = list; // Save registers its records, so it works on a copy
    const bool ok = SaveRecordList(fp, copy);
    return CloseDataFile(fp) && ok;
}

} // namespace

bool WriteDatabase(const std::string& folder, const cProjectDatabase& db) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder) / "data" / "database", ec);
    const auto path = [&](int i) {
        // The names in g_DatabaseFiles are "data\database\NAME".
        const std::string name = g_DatabaseFiles[i];
        return DataPath(folder, "database/" + name.substr(name.rfind('\\') + 1));
    };
    return WriteList(path(0), db.m_AnimeSets) && WriteList(path(1), db.m_Animes) &&
           WriteList(path(2), db.m_CharaBmps) && WriteList(path(3), db.m_SwordTypes) &&
           WriteList(path(4), db.m_Effects) && WriteList(path(5), db.m_CharaEffects) &&
           WriteList(path(6), db.m_ScrEffects) && WriteList(path(7), db.m_Pictures) &&
           WriteList(path(8), db.m_Sounds) && WriteList(path(9), db.m_Bgms);
}

bool WriteSystemData(const std::string& folder, const cSystemData& data, const cProjectDatabase& db) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder) / "data", ec);
    cSystemData copy = data;
    // Save checks the menu music against the running database's music list.
    cCheckedVector<cEdBgm> running = g_Database.m_Bgms;
    g_Database.m_Bgms = db.m_Bgms;
    const bool ok = copy.SaveFile(DataPath(folder, "System.dat"));
    g_Database.m_Bgms = std::move(running);
    return ok;
}

bool WriteWorldMap(const std::string& folder, const cWorldMap& map) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder) / "data", ec);
    cWorldMap copy = map;
    return copy.SaveFile(DataPath(folder, "WorldMap.dat"));
}

bool WriteSystemIni(const std::string& folder, const std::string& text) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream out(std::filesystem::path(folder) / "System.ini", std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

cProjectDatabase DemoDatabase(bool oggMusic) {
    cProjectDatabase db;
    // The demo's character sheets hold one row per animation pattern and no rows of their own for
    // invincible or block characters.
    for (cEdAnimeSet& set : db.m_AnimeSets)
        set.nPatternOffsetA = set.nPatternOffsetB = 0;
    db.m_Sounds.resize(1 + demo_media::kProjectSoundCount);
    for (int k = 1; k <= demo_media::kProjectSoundCount; ++k) {
        db.m_Sounds.at(k).szName = demo_media::kProjectSounds[k - 1].name;
        db.m_Sounds.at(k).szFileName = demo_media::kProjectSounds[k - 1].file;
    }
    db.m_Bgms.resize(3);
    for (int k = 1; k <= 2; ++k) {
        db.m_Bgms.at(k).szName = demo_media::kMusic[k - 1].name;
        db.m_Bgms.at(k).szFileName = demo_media::kMusic[k - 1].file;
    }
    if (!oggMusic) db.m_Bgms.at(1).szFileName = demo_media::kTitleMidi;
    db.m_Animes.resize(2);
    cEdAnime& look = db.m_Animes.at(demo_game::kLookRoundAnime);
    look.szName = "みまわす";
    look.m_Frames.resize(2);
    for (cEdAnimeFrame& f : look.m_Frames)
        f.nPattern = demo_game::kLookRoundPattern;
    look.m_Frames.at(0).nTime = 3;
    look.m_Frames.at(1).nTime = 1;
    look.m_Frames.at(1).bInterruptible = 1;
    db.m_Pictures.resize(2);
    db.m_Pictures.at(1).szName = "かんばん";
    db.m_Pictures.at(1).szFileName = demo_game::kSignPicture;
    // The hero's sword: a swing from high to low in front of the hero, a tenth of a second a cell;
    // its picture holds the cells facing left (the player mirrors each cell for facing right).
    db.m_SwordTypes.resize(2);
    cEdSwordType& sword = db.m_SwordTypes.at(demo_game::kHeroSword);
    sword.szName = "つるぎ";
    sword.szFileName = demo_game::kSwordPicture;
    sword.m_Frames.resize(demo_game::kSwordCells);
    for (int k = 0; k < demo_game::kSwordCells; ++k) {
        cEdSwordFrame& frame = sword.m_Frames.at(k);
        frame.nPlacement = 0;
        frame.nCellX = k * 32;
        frame.nWidth = frame.nHeight = 32;
        frame.nOffsetY = -4;
        frame.nTime = 1;
    }
    // Entry 1 of each effect list is what the stages' effect commands run: a spark of three cells,
    // a blink of a second and a short sideways shake of the screen.
    cEdEffect& spark = db.m_Effects.at(demo_game::kSparkEffect);
    spark = cEdEffect();
    spark.szName = "きらめき";
    spark.szFileName = demo_game::kSparkPicture;
    for (int k = 0; k < demo_game::kSparkCells; ++k) {
        cEdEffectFrame frame;
        frame.nPattern = k;
        frame.nTime = 1;
        spark.m_Frames.push_back(frame);
    }
    cEffectRecord& blink = db.m_CharaEffects.at(demo_game::kBlinkEffect);
    blink.szName = "てんめつ";
    blink.nKind = CHARA_EFFECT_BLINK;
    blink.nParam[0] = 10; // tenths of a second
    blink.nParam[1] = 3;  // frames between shown and hidden
    cScrEffectRecord& shake = db.m_ScrEffects.at(demo_game::kShakeEffect);
    shake.szName = "ゆれ";
    shake.nKind = SCREEN_EFFECT_SHAKE_H;
    shake.nParam[0] = 5; // tenths of a second
    shake.nParam[1] = 8; // pixels
    shake.nParam[2] = 4; // swings
    return db;
}

cSystemData DemoSystemData() {
    cSystemData data;
    data.m_strTitle = "Mirelda4 デモ";
    for (int n = 0; n < demo_media::kSystemSoundCount; ++n)
        data.m_vstrSystemSounds.at(n) = demo_media::kSystemSounds[n];
    data.m_vnMenuBgm = {1, 2, 2, 2};
    // Every title item shown; three lives to start with in every mode, one more per 1,000 points.
    for (cMenuItem& item : data.m_vTitleMenu)
        item.m_nShow = 1;
    for (cMenuItem& item : data.m_vSaveMenu)
        item.m_nShow = 1;
    // The options' colour-table row takes the last option text, which has no default.
    data.m_vOptionMenu.at(5).m_strLabel = "カラー";
    for (std::int32_t& lives : data.m_vnStartLives)
        lives = 3;
    data.m_vnInfiniteLives.assign({0, 0, 0, 1}); // counted in story, challenge and free play
    data.m_nExtraLife = 1;
    data.m_nExtraLifeScore = 1000;
    data.m_nContinueMenu = 1;
    data.m_nMapShowLives = 1;
    data.m_nMapShowScore = 1;
    data.m_nChallengeStages = demo_game::kChallengeStages;
    data.m_nChallengeHighScore = 1;
    data.m_nChallengeTotal = 1;
    // Rankings on every genre, kept in story, challenge and free play; replays keep none.
    for (int m = 0; m < data.m_vRankingModes.Count(); ++m) {
        cRankingMode& mode = data.m_vRankingModes.at(m);
        mode.m_nEnabled = m < 3 ? 1 : 0;
        for (std::uint8_t& genre : mode.m_vbGenres)
            genre = 1;
    }
    return data;
}

cWorldMap DemoWorldMap() {
    cWorldMap map; // 20 x 15 cells, the ten default tiles (0-4 blocked: sea, mountain, forest,
                   // rocks, lava; 5-9 open: grass, road, bridge, flowers, sand), start (9, 7)
    const auto set = [&](int x, int y, int tile) { map.cells.at((y << map.pitchShift) + x) = tile; };
    for (int y = 3; y <= 11; ++y)
        for (int x = 3; x <= 16; ++x) {
            const bool edge = y == 3 || y == 11 || x == 3 || x == 16;
            set(x, y, edge ? ((x + y) % 3 == 0 ? 9 : 0) : 5);
        }
    for (int x = 4; x <= 15; ++x) {
        set(x, 4, x % 4 == 0 ? 2 : 1); // mountains along the north shore
        if (x % 3 == 0) set(x, 10, 2); // woods along the south shore
    }
    for (int x = 6; x <= 14; ++x)
        set(x, 7, 6); // the road
    set(8, 6, 8);
    set(10, 8, 8);
    set(12, 9, 3);
    map.name = "デモワールド";
    map.backPicture = "bmp\\WorldBack.bmp";

    // A stage entry asks before it starts and may be played again.
    cWorldMapNodeEntry open;
    open.nKind = 0;
    open.nValues[1] = 1;
    open.nValues[2] = 1;
    const auto stage = [&](int icon, int clearSwitch, int afterClear, const char* name, const char* file) {
        cWorldMapNodeEntry entry = open;
        entry.nIcon = icon;
        entry.nValues[0] = clearSwitch;
        entry.nValues[3] = afterClear;
        entry.szTextA = name;
        entry.szTextB = file;
        return entry;
    };
    const auto node = [&](int x, int y, const char* name, std::initializer_list<cWorldMapNodeEntry> entries) {
        cWorldMapNode n;
        n.x = x;
        n.y = y;
        n.szName = name;
        n.m_Entries.assign(entries.begin(), entries.end());
        return n;
    };
    // The first world: the meadow, then the cave, which opens once the meadow is cleared (switch 1);
    // until then the cave's last entry blocks the marker. Clearing the cave advances the story (the
    // switches are cleared and the marker goes back to the start cell) into the second world, which
    // the cave's goal marks in a common variable: there the meadow and the cave are places passed by
    // and the castle is open. The castle is the last stage: its clear returns to the title.
    const auto inWorld = [](cWorldMapNodeEntry entry, int world) {
        entry.nVariable = demo_game::kSecondWorldVariable;
        entry.nValue = world - 1;
        return entry;
    };
    cWorldMapNodeEntry passed;
    passed.nKind = 1;
    cWorldMapNodeEntry closed;
    closed.nKind = 2;
    closed.nIcon = 2;
    // Icons: 0 a round marker, 1 a castle, 2 a gate (a closed way), 4 a cave.
    cWorldMapNodeEntry cave = stage(4, 2, 1, "どうくつ", demo_game::kStory2File);
    cave.nFlag = 1;
    passed.nIcon = 0;
    const cWorldMapNode first =
        node(7, 7, "はじめのステージ",
             {inWorld(stage(0, 1, 0, "はじめのステージ", demo_media::kStageFile), 1), inWorld(passed, 2)});
    passed.nIcon = 4;
    const cWorldMapNode second = node(13, 7, "どうくつ", {cave, inWorld(passed, 2), closed});
    const cWorldMapNode third =
        node(14, 9, "おしろ", {inWorld(stage(1, 3, 2, "おしろ", demo_game::kStory3File), 2), closed});

    map.nodes.assign(1, first);
    map.nodes.push_back(second);
    map.nodes.push_back(third);
    return map;
}

std::string DemoSystemIni() {
    return "Direct3D=0\r\nWindowMode=1\r\nExit\r\n";
}

bool WriteDemoProject(const std::string& folder, bool oggMusic) {
    const cProjectDatabase db = DemoDatabase(oggMusic);
    return WriteDatabase(folder, db) && WriteSystemData(folder, DemoSystemData(), db) &&
           WriteWorldMap(folder, DemoWorldMap()) && WriteSystemIni(folder, DemoSystemIni());
}

} // namespace project_writer
