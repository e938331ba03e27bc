#include "project_writer.h"

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

bool WriteSystemData(const std::string& folder, const cSystemData& data) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder) / "data", ec);
    cSystemData copy = data;
    return copy.SaveFile(DataPath(folder, "System.dat"));
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

cProjectDatabase DemoDatabase() {
    return cProjectDatabase();
}

cSystemData DemoSystemData() {
    cSystemData data;
    data.m_strTitle = "Mirelda4 デモ";
    return data;
}

std::string DemoSystemIni() {
    return "Direct3D=0\r\nWindowMode=1\r\nExit\r\n";
}

bool WriteDemoProject(const std::string& folder) {
    return WriteDatabase(folder, DemoDatabase()) && WriteSystemData(folder, DemoSystemData()) &&
           WriteWorldMap(folder, cWorldMap()) && WriteSystemIni(folder, DemoSystemIni());
}

} // namespace project_writer
