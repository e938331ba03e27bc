#include "project_writer.h"

#include "demo_media.h"

#include <filesystem>
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
    return db;
}

cSystemData DemoSystemData() {
    cSystemData data;
    data.m_strTitle = "Mirelda4 デモ";
    for (int n = 0; n < demo_media::kSystemSoundCount; ++n)
        data.m_vstrSystemSounds.at(n) = demo_media::kSystemSounds[n];
    data.m_vnMenuBgm = {1, 2, 2, 2};
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

    cWorldMapNodeEntry open;
    open.nKind = 0;
    open.nIcon = 0;
    open.nValues[0] = 1; // clear switch
    open.nValues[1] = 1; // asks before starting
    open.nValues[2] = 1; // may be played again
    open.szTextA = "はじめのステージ";
    open.szTextB = demo_media::kStageFile;
    cWorldMapNode first;
    first.x = 7;
    first.y = 7;
    first.szName = "はじめのステージ";
    first.m_Entries.assign(1, open);

    cWorldMapNodeEntry castle = open;
    castle.nIcon = 1;
    castle.nValues[0] = 2;
    castle.nFlag = 1; // open once the first stage is cleared
    castle.szTextA = "おしろのステージ";
    cWorldMapNodeEntry closed;
    closed.nKind = 2;
    closed.nIcon = 2;
    cWorldMapNode second;
    second.x = 13;
    second.y = 7;
    second.szName = "おしろ";
    second.m_Entries.assign(1, castle);
    second.m_Entries.push_back(closed);

    map.nodes.assign(1, first);
    map.nodes.push_back(second);
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
