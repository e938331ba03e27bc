// m4_fuzz_seeds <corpus folder> [found folder]: writes the seed corpus of every harness, one folder
// per harness. Seeds come from the demo project (written anew into a scratch folder), from files
// written by the player's own record classes (saves, options, key configuration, start-up choice,
// rankings, replays, window placement), from a list of code texts, from the damaged inputs of
// the found folder, sorted by their extension, and from the regression inputs kept in fuzz/seeds/
// (one folder per harness). The play harnesses get the demo's stages and the replays of
// tests/replays/ behind a head of input.
#include "app/input.h"
#include "menus/ranking_store.h"
#include "objects/shot.h"
#include "play/replay.h"
#include "project/boot_data.h"
#include "project/option_data.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "shell/window_data.h"
#include "tools/demo_project.h"
#include "tools/flow_writer.h"
#include "tools/stage_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

fs::path g_Out;
int g_nWritten = 0;

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& harness, const std::string& name, const Bytes& bytes) {
    const fs::path dir = g_Out / harness;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ++g_nWritten;
}

void PutText(const std::string& harness, const std::string& name, const std::string& text) {
    Put(harness, name, Bytes(text.begin(), text.end()));
}

// Files of the scratch folder with the given extension (folders searched through).
std::vector<fs::path> FilesWith(const fs::path& root, const std::string& ext, std::uintmax_t maxBytes) {
    std::vector<fs::path> found;
    if (!fs::exists(root)) return found;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file() || e.file_size() > maxBytes) continue;
        const std::string name = e.path().filename().string();
        if (name.size() >= ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            found.push_back(e.path());
    }
    return found;
}

// Saves a record through its own SaveFile into the scratch folder and returns the file's bytes.
template <class R> Bytes Saved(R& record, const std::string& name) {
    if (!record.cSerialRecord::SaveFile(name)) {
        std::fprintf(stderr, "m4_fuzz_seeds: cannot write %s\n", name.c_str());
        std::exit(1);
    }
    return ReadAll(name);
}

void DemoSeeds(const fs::path& demo) {
    const fs::path data = demo / "data";
    for (const char* name : {"System.dat", "WorldMap.dat", "CommonPalette.cplt4"})
        Put("container", name, ReadAll(data / name));
    Put("system_dat", "System.dat", ReadAll(data / "System.dat"));
    Put("world_map", "WorldMap.dat", ReadAll(data / "WorldMap.dat"));
    Put("common_palette", "CommonPalette.cplt4", ReadAll(data / "CommonPalette.cplt4"));
    for (int i = 0; i < DATABASE_FILE_COUNT; ++i) {
        std::string name = g_DatabaseFiles[i];
        name = name.substr(name.rfind('\\') + 1);
        Bytes file = ReadAll(data / "database" / name);
        Put("container", name, file);
        file.insert(file.begin(), static_cast<std::uint8_t>(i));
        Put("database", name, file);
    }
    for (const fs::path& p : FilesWith(data / "stg4", "", 1 << 20))
        Put("stage", p.filename().string(), ReadAll(p));
    for (const fs::path& p : FilesWith(demo / "bmp", ".bmp", 64 << 10))
        Put("bmp", p.filename().string(), ReadAll(p));
    for (const fs::path& p : FilesWith(demo / "wave", ".wav", 64 << 10))
        Put("wave", p.filename().string(), ReadAll(p));
    for (const fs::path& p : FilesWith(demo / "bgm", ".mid", 1 << 20)) {
        Put("smf", p.filename().string(), ReadAll(p));
        Put("smf_play", p.filename().string(), ReadAll(p));
    }
    for (const fs::path& p : FilesWith(demo / "bgm", ".ogg", 1 << 20))
        Put("ogg", p.filename().string(), ReadAll(p));
    Put("system_ini", "System.ini", ReadAll(demo / "System.ini"));
}

void RecordSeeds(const fs::path& demo) {
    cSaveData save;
    ResetSaveData(save);
    Put("save", "new.dat", Saved(save, "seed-save.dat"));
    save.m_nLives = 5;
    save.m_strStageName = "demo.";
    save.RecordStageValue("demo.", 1234);
    save.m_vnCommonVars.at(3) = 9;
    Put("save", "played.dat", Saved(save, "seed-save.dat"));

    cOptionData options;
    Put("options", "Option.dat", Saved(options, "seed-option.dat"));
    options.nVolume = 3;
    options.strRankingName = "abc";
    Put("options", "Option-changed.dat", Saved(options, "seed-option.dat"));

    cBootData boot;
    boot.nDrawMode = 1;
    Put("boot", "Boot.dat", Saved(boot, "seed-boot.dat"));

    KEYCONFIG keys{};
    SetDefaultKeyConfig(keys);
    Bytes raw(sizeof keys);
    std::memcpy(raw.data(), &keys, sizeof keys);
    Put("key_config", "KeyConfig.dat", raw);
    keys.dwMode = 1;
    keys.dwJoysticks = 1;
    std::memcpy(raw.data(), &keys, sizeof keys);
    Put("key_config", "KeyConfig-table.dat", raw);

    cRankingStore ranking;
    ranking.Reset();
    Put("ranking", "empty.rkg", Saved(ranking, "seed-ranking.dat"));
    ranking.tables.at(0).Register("abc", 500);
    ranking.tables.at(2).Register("xyz", 30);
    Put("ranking", "two.rkg", Saved(ranking, "seed-ranking.dat"));

    cWindowData window;
    window.Set(10, 20, 640, 480, 0);
    Put("window_data", "Window.dat", Saved(window, "seed-window.dat"));

    // A replay of the demo stage: a few frames of input over the stage as loaded.
    for (const fs::path& p : FilesWith(demo / "data" / "stg4", "", 1 << 20)) {
        cEdStage stage;
        if (!stage.LoadFile(p.string())) continue;
        cEdStage original;
        KeepStageSetup(original, stage);
        cReplay replay;
        replay.m_nSeed = 7;
        for (int f = 0; f < 40; ++f)
            replay.RecordFrame(static_cast<std::uint16_t>(f / 10 % 3),
                               static_cast<std::uint16_t>(f % 7 == 0));
        ResetSaveData(save);
        if (!WriteReplayFile(replay, "seed-replay.rpl", stage, original, save)) continue;
        Put("replay", p.filename().string() + ".rpl", ReadAll("seed-replay.rpl"));
    }

    const char* texts[] = {
        "1 + 2 * 3",
        "my.hp = my.hp - 5",
        "C3 = ( C3 + 1 ) % 7",
        "S2 = rand(1, 6) * 10",
        "tg.sp = pl.hp / 2",
        "score = score + time * 10",
        "life = life + 1",
        "my.v1 = scrlx - scrly",
        "sys.v0 = ( 4 - ( 2 * ( 1 + 1 ) ) )",
    };
    int n = 0;
    for (const char* t : texts)
        PutText("evaluator", "text" + std::to_string(n++), t);
    PutText("system_ini", "System-keys.ini", "Direct3D=1\r\nWindowMode=2\r\nBpp=16\r\nVSync=0\r\nExit\r\n");
}

// The head of a play_files input: flags (bit 0 Direct3D, bit 1 a replay), frames, and three runs
// of input: standing, walking right with jumps, walking left shooting.
Bytes PlayHead(int flags) {
    return {static_cast<std::uint8_t>(flags), 90, 3, 60, 0, 0, 60, 2, 1, 60, 1, 2};
}

void PlaySeeds(const fs::path& demo) {
    for (const fs::path& p : FilesWith(demo / "data" / "stg4", "", 1 << 20)) {
        for (int d3d = 0; d3d < 2; ++d3d) {
            Bytes seed = PlayHead(d3d);
            const Bytes file = ReadAll(p);
            seed.insert(seed.end(), file.begin(), file.end());
            Put("play_files", p.filename().string() + (d3d ? ".d3d" : ".dd"), seed);
        }
    }
    for (const fs::path& p : FilesWith(fs::path(M4_SOURCE_DIR) / "tests" / "replays", ".rpl4_732", 1 << 20)) {
        Bytes seed = PlayHead(2);
        const Bytes file = ReadAll(p);
        seed.insert(seed.end(), file.begin(), file.end());
        Put("play_files", p.filename().string(), seed);
    }
    // Stages holding values at the far ends of their stored types, each where play once overflowed:
    // out-of-area limits of every group a whole int of blocks away and beyond the other way, a
    // distance condition of the largest value, jumps of the largest height, and all of it under
    // almost no gravity (a jump whose top is further than an int of frames away).
    cEdStage extreme = stage_writer::MakeFloorStage(20, 15);
    for (int k = 0; k < STAGE_LIMIT_RECORDS; ++k)
        extreme.m_Limits[k].Set(1, 1, 1, 1, 67108864, INT32_MIN, INT32_MAX, -67108865);
    cEdCharaDef walker = stage_writer::MakeChara(8, 13, 2);
    cEdFlow flow = flow_writer::MakeFlow(FTK_ALWAYS);
    cEdFlowCond far;
    far.m_nKind = CK_DISTANCE;
    far.m_nValue = INT32_MAX;
    far.m_nRightNumber = 0x7FFF;
    far.m_nAxis = 6;
    flow.m_Conds.push_back(far);
    cEdFlowCmd jump = flow_writer::MakeCommand(FCT_JUMP);
    jump.m_Params.at(2) = INT32_MAX;
    flow.m_Commands.push_back(jump);
    walker.m_Flows.push_back(flow);
    extreme.m_Charas.push_back(walker);
    const std::pair<const char*, double> gravities[] = {{"extreme-limits-jumps", 0.4},
                                                        {"extreme-no-gravity", 1e-20}};
    for (const auto& [name, gravity] : gravities) {
        extreme.m_dGravityBase = gravity;
        if (!stage_writer::WriteStageFile(".", "seed-extreme", 0, extreme)) continue;
        Bytes seed = PlayHead(0);
        const Bytes file =
            ReadAll(fs::path("data") / "stg4" / stage_writer::StageRevisionName("seed-extreme", 0));
        seed.insert(seed.end(), file.begin(), file.end());
        Put("play_files", name, seed);
    }
    // A stage whose character asks in each step for more than play's bounds let stand: a lightning
    // shot of 127 shots in 32,767 columns, 128 times over; the same summon of items; a message and
    // a code text of 60,000 bytes each.
    cEdStage asks = stage_writer::MakeFloorStage(20, 15);
    asks.m_PaletteItems.assign(2, stage_writer::MakeItem(0, 0, 1));
    cEdCharaDef asker = stage_writer::MakeChara(8, 13, 2);
    cEdFlow many = flow_writer::MakeFlow(FTK_ALWAYS);
    for (const FlowCommandType kind : {FCT_SHOT, FCT_SUMMON_ITEM}) {
        cEdFlowCmd cmd = flow_writer::MakeCommand(kind);
        cEdShot& shot = *cmd.m_Shot;
        shot.m_nFormation = SHOT_PATTERN_THUNDER;
        shot.m_nRingCentre = 2;
        shot.m_nCount = 127;
        shot.m_nFormationValues[1] = 32767;
        shot.m_nCopies = 127;
        shot.m_nSummonPalette = 1;
        shot.m_nSummonEntry = 1;
        cmd.m_bRunWithNext = 1;
        many.m_Commands.push_back(cmd);
    }
    cEdFlowCmd longMessage = flow_writer::MakeMessage(0);
    longMessage.m_strText = std::string(60000, 'a');
    longMessage.m_bRunWithNext = 1;
    many.m_Commands.push_back(longMessage);
    std::string sum = "C1 = 1";
    while (sum.size() < 60000)
        sum += " + 1";
    many.m_Commands.push_back(flow_writer::MakeCode(sum));
    asker.m_Flows.push_back(many);
    asks.m_Charas.push_back(asker);
    if (stage_writer::WriteStageFile(".", "seed-asks", 0, asks)) {
        Bytes seed = PlayHead(0);
        const Bytes file =
            ReadAll(fs::path("data") / "stg4" / stage_writer::StageRevisionName("seed-asks", 0));
        seed.insert(seed.end(), file.begin(), file.end());
        Put("play_files", "bounds-of-one-step", seed);
    }
    // The generator takes any bytes: a few fillers reach its plainest and busiest projects.
    for (int fill : {0x00, 0x55, 0xaa, 0xff}) {
        Put("play_gen", "fill-" + std::to_string(fill), Bytes(512, static_cast<std::uint8_t>(fill)));
        Bytes ramp(1024);
        for (std::size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = static_cast<std::uint8_t>(i * 7 + fill);
        Put("play_gen", "ramp-" + std::to_string(fill), ramp);
    }
    // Inputs that once made play misbehave.
    const fs::path kept = fs::path(M4_SOURCE_DIR) / "fuzz" / "seeds";
    if (!fs::exists(kept)) return;
    for (const auto& dir : fs::directory_iterator(kept)) {
        if (!dir.is_directory()) continue;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.is_regular_file())
                Put(dir.path().filename().string(), e.path().filename().string(), ReadAll(e.path()));
    }
}

void FoundSeeds(const fs::path& found) {
    if (found.empty() || !fs::exists(found)) return;
    const std::pair<const char*, const char*> kinds[] = {
        {".ogg", "ogg"}, {".mid", "smf"}, {".bmp", "bmp"}, {".wav", "wave"}, {".ini", "system_ini"},
    };
    for (const auto& e : fs::directory_iterator(found)) {
        if (!e.is_regular_file()) continue;
        const std::string ext = e.path().extension().string();
        for (const auto& [suffix, harness] : kinds)
            if (ext == suffix) Put(harness, e.path().filename().string(), ReadAll(e.path()));
        if (ext == ".mid") Put("smf_play", e.path().filename().string(), ReadAll(e.path()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <corpus folder> [found folder]\n", argv[0]);
        return 2;
    }
    g_Out = fs::absolute(argv[1]);
    const fs::path found = argc == 3 ? fs::absolute(argv[2]) : fs::path();
    char scratchName[] = "/tmp/m4-fuzz-seeds-XXXXXX";
    if (!mkdtemp(scratchName)) return 1;
    const fs::path scratch = scratchName;
    const fs::path demo = scratch / "demo";
    if (!demo_project::Write(demo.string())) {
        std::fprintf(stderr, "m4_fuzz_seeds: cannot write the demo project\n");
        return 1;
    }
    fs::current_path(scratch);
    DemoSeeds(demo);
    RecordSeeds(demo);
    PlaySeeds(demo);
    FoundSeeds(found);
    fs::current_path(g_Out);
    fs::remove_all(scratch);
    std::printf("m4_fuzz_seeds: %d seed files under %s\n", g_nWritten, g_Out.c_str());
    return 0;
}
