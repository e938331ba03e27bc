// Start-up loading of the project: the ten database files of a large project (300 animation sets
// of 8 animations, 1,000 animations of 8 frames, 300 effects, 500 each of pictures, sounds and
// music, 200 of each effect kind) with the run-time tables built from them, and System.dat.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_temp.h"
#include "project/project_database.h"
#include "project/system_data.h"

namespace {

template <class List> void WriteList(const std::string& path, List& list) {
    std::FILE* fp = OpenDataFileWrite(path.c_str());
    SaveRecordList(fp, list);
    CloseDataFile(fp);
}

// Writes the project once and makes its folder the current one.
void PrepareProject() {
    static bool done = false;
    if (done) return;
    done = true;
    const std::filesystem::path dir = bench::TempFolder() / "database";
    std::filesystem::create_directories(dir / "data" / "database");
    std::filesystem::current_path(dir);
    cProjectDatabase db;
    cEdAnime anime;
    anime.szName = "アニメ";
    anime.m_Frames.assign(8, cEdAnimeFrame());
    anime.m_Frames.at(4).bInterruptible = 1;
    cEdAnimeSet set;
    set.m_Animes.assign(8, anime);
    db.m_AnimeSets.assign(300, set);
    db.m_Animes.assign(1000, anime);
    cEdEffect effect;
    effect.m_Frames.assign(6, cEdEffectFrame());
    db.m_Effects.assign(300, effect);
    cEdPicture picture;
    picture.szFileName = "bmp\\picture\\picture.bmp";
    db.m_Pictures.assign(500, picture);
    db.m_Sounds.assign(500, cEdSound());
    db.m_Bgms.assign(500, cEdBgm());
    db.m_CharaEffects.assign(200, cEffectRecord());
    db.m_ScrEffects.assign(200, cScrEffectRecord());
    WriteList("data/database/AnimeSet.dat", db.m_AnimeSets);
    WriteList("data/database/Anime.dat", db.m_Animes);
    WriteList("data/database/Bmp_CharaExc.dat", db.m_CharaBmps);
    WriteList("data/database/SwordType.dat", db.m_SwordTypes);
    WriteList("data/database/Effect.dat", db.m_Effects);
    WriteList("data/database/CharaEffect.dat", db.m_CharaEffects);
    WriteList("data/database/ScrEffect.dat", db.m_ScrEffects);
    WriteList("data/database/Picture.dat", db.m_Pictures);
    WriteList("data/database/Sound.dat", db.m_Sounds);
    WriteList("data/database/Bgm.dat", db.m_Bgms);
    cSystemData data;
    data.SaveFile("data/System.dat");
}

void BM_LoadProjectDatabase(benchmark::State& state) {
    PrepareProject();
    for (auto _ : state) {
        g_Database = cProjectDatabase();
        if (!LoadProjectDatabase()) state.SkipWithError("database not loaded");
        benchmark::DoNotOptimize(g_AnimeSeqTable.data());
    }
}
BENCHMARK(BM_LoadProjectDatabase)->Unit(benchmark::kMillisecond);

void BM_LoadSystemData(benchmark::State& state) {
    PrepareProject();
    for (auto _ : state) {
        g_SystemData = cSystemData();
        if (!LoadSystemData()) state.SkipWithError("System.dat not loaded");
    }
}
BENCHMARK(BM_LoadSystemData)->Unit(benchmark::kMicrosecond);

} // namespace
