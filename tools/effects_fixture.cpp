#include "effects_fixture.h"

#include "bmp_writer.h"
#include "demo_project.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include "records/effect_kinds.h"
#include "records/serial_record.h"

#include <algorithm>
#include <filesystem>

namespace effects_fixture {

namespace {

constexpr std::int16_t kEffectTenths = kEffectFrames / 6;
constexpr const char* kSparkPicture = "bmp\\effect\\Spark.bmp";
constexpr int kSparkCells = 3;
constexpr std::int16_t kTurnTenths = kTurnFrames / 6;

// An effect record of `kind` with the editor's default parameters and the fixture's run time.
template <class Record> Record EffectOf(int kind, const cParamDesc* table) {
    Record r;
    r.nKind = kind;
    for (int i = 0; i < EFFECT_PARAM_COUNT; ++i)
        r.nParam[i] = table[kind * EFFECT_PARAM_COUNT + i].defaultValue;
    r.nParam[0] = kEffectTenths;
    return r;
}

cEdFlowCmd Effect(FlowCommandType kind, int entry, int mode, int loop) {
    cEdFlowCmd c = flow_writer::MakeCommand(kind);
    c.m_Params[0] = entry;
    c.m_Params[1] = mode;
    c.m_Params[2] = loop;
    return c;
}

// A spark growing over three 32 x 32 cells, on the transparent colour (file index 0).
bmp_writer::Picture SparkPicture() {
    bmp_writer::Picture p = bmp_writer::MakePicture(32 * kSparkCells, 32, 0);
    for (int k = 0; k < kSparkCells; ++k)
        bmp_writer::FillEllipse(p, 32 * k + 15.5, 15.5, 6.0 + 4 * k, 6.0 + 4 * k, 240);
    return p;
}

cProjectDatabase FixtureDatabase(bool ogg, int& firstChara, int& firstScreen, int& spark) {
    cProjectDatabase db = project_writer::DemoDatabase(ogg);
    cEdEffect effect;
    effect.szName = "spark";
    effect.szFileName = kSparkPicture;
    for (int k = 0; k < kSparkCells; ++k) {
        cEdEffectFrame frame;
        frame.nPattern = k;
        frame.nTime = kEffectTenths / kSparkCells;
        effect.m_Frames.push_back(frame);
    }
    spark = db.m_Effects.Count();
    db.m_Effects.push_back(effect);
    firstChara = db.m_CharaEffects.Count();
    firstScreen = db.m_ScrEffects.Count();
    for (int kind = 1; kind < CHARA_EFFECT_KIND_COUNT; ++kind)
        db.m_CharaEffects.push_back(EffectOf<cEffectRecord>(kind, g_CharaEffectParams));
    for (int kind = 1; kind < SCREEN_EFFECT_KIND_COUNT; ++kind)
        db.m_ScrEffects.push_back(EffectOf<cScrEffectRecord>(kind, g_ScreenEffectParams));
    return db;
}

} // namespace

cEdStage EffectsStage(int firstChara, int firstScreen, int spark) {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = 5;
    hero.m_nFixedFacing = 1;
    cEdFlow turns = flow_writer::MakeFlow(FTK_ALWAYS);
    auto turn = [&](const cEdFlowCmd& c) {
        turns.m_Commands.push_back(c);
        turns.m_Commands.push_back(flow_writer::MakeWait(kTurnTenths));
    };
    // A still start, so that the first frames of play show the hero without an effect.
    turns.m_Commands.push_back(flow_writer::MakeWait(kTurnTenths));
    for (int kind = 1; kind < CHARA_EFFECT_KIND_COUNT; ++kind)
        turn(Effect(FCT_CHARA_EFFECT, firstChara + kind - 1, 0, 0));
    for (int kind = 1; kind < SCREEN_EFFECT_KIND_COUNT; ++kind)
        turn(Effect(FCT_SCREEN_EFFECT, firstScreen + kind - 1, 0, 0));
    // An effect object at the screen's centre (anchor 0), at its own size.
    cEdFlowCmd object = flow_writer::MakeCommand(FCT_RUN_EFFECT);
    object.m_Params[0] = spark;
    object.m_Params[6] = 100;
    turn(object);
    // Loops that turn back at each pass (mode 2), ended by an effect of entry 0.
    turns.m_Commands.push_back(Effect(FCT_CHARA_EFFECT, firstChara, 2, 1));
    turns.m_Commands.push_back(Effect(FCT_SCREEN_EFFECT, firstScreen, 2, 1));
    turns.m_Commands.push_back(flow_writer::MakeWait(kTurnTenths));
    turns.m_Commands.push_back(Effect(FCT_CHARA_EFFECT, 0, 0, 0));
    turns.m_Commands.push_back(Effect(FCT_SCREEN_EFFECT, 0, 0, 0));
    turns.m_Commands.push_back(flow_writer::MakeWait(kTurnTenths));
    // Two shots forward at two characters to the right: the nearer one is invincible by its setting
    // for a second from then on (both shots pass through it) and is drawn with its blink kind's tint
    // (a colour added) meanwhile; the first shot hits the farther one, which stays untouchable for a
    // second after the hit, drawn as it was.
    cEdFlowCmd shot = flow_writer::MakeShot(1, 1, 0, 60);
    shot.m_Shot->m_nPower = 1;
    shot.m_Shot->m_nVanishValue = 1;
    turns.m_Commands.push_back(shot);
    turns.m_Commands.push_back(flow_writer::MakeWait(1));
    turns.m_Commands.push_back(shot);
    turns.m_Commands.push_back(flow_writer::MakeWait(9999));
    hero.m_Flows.push_back(turns);
    stage.m_nCharaInvincible = kUntouchableFrames;
    const int columns[2] = {kTargetColumn, kFarTargetColumn};
    const int heroY = hero.m_nY; // `hero` lives in the list the targets are added to
    for (int k = 0; k < 2; ++k) {
        cEdCharaDef target = stage_writer::MakeChara(columns[k], heroY, 2);
        target.m_nFixedFacing = 1;
        target.m_nMaxHP = 99;
        target.m_nBlinkKind = static_cast<std::uint8_t>(k + 1); // 1 adds white, 2 takes it away
        stage.m_Charas.push_back(target);
    }
    // The nearer character's switch "invincible" (shots pass through) on while the shots fly.
    const auto invincible = [](int value) {
        return flow_writer::WithParams(flow_writer::MakeCommand(FCT_STATUS2), {0, 4, value});
    };
    stage.m_Charas[stage.m_Charas.size() - 2].m_Flows.push_back(
        flow_writer::Flow(FTK_ALWAYS, {flow_writer::MakeWait(kInvincibleFromFrames / 6), invincible(2),
                                       flow_writer::MakeWait(kUntouchableFrames / 6), invincible(0),
                                       flow_writer::MakeWait(9999)}));
    return stage;
}

cEdStage QuickEffectsStage(int firstChara, int firstScreen) {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = 5;
    hero.m_nFixedFacing = 1;
    cEdFlow turns = flow_writer::MakeFlow(FTK_ALWAYS);
    turns.m_Commands.push_back(flow_writer::MakeWait(kQuickStillFrames / 6));
    auto turn = [&](const cEdFlowCmd& c) {
        turns.m_Commands.push_back(c);
        turns.m_Commands.push_back(flow_writer::MakeWait(kQuickTurnFrames / 6));
    };
    for (int kind = 1; kind < CHARA_EFFECT_KIND_COUNT; ++kind)
        turn(Effect(FCT_CHARA_EFFECT, firstChara + kind - 1, 0, 0));
    turn(Effect(FCT_CHARA_EFFECT, 0, 0, 0));
    for (int kind = 1; kind < SCREEN_EFFECT_KIND_COUNT; ++kind)
        turn(Effect(FCT_SCREEN_EFFECT, firstScreen + kind - 1, 0, 0));
    turns.m_Commands.push_back(Effect(FCT_SCREEN_EFFECT, 0, 0, 0));
    turns.m_Commands.push_back(flow_writer::MakeWait(9999));
    hero.m_Flows.push_back(turns);
    return stage;
}

cEdStage ColourShakeStage(int firstScreen) {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = 5;
    hero.m_nFixedFacing = 1;
    // Blue at half strength at once, held (no duration).
    const cEdFlowCmd colour =
        flow_writer::WithParams(flow_writer::MakeCommand(FCT_SCREEN_COLOUR), {0, 0, 255, 50, 0, 0, 0, 0});
    hero.m_Flows.push_back(flow_writer::Flow(
        FTK_ALWAYS, {flow_writer::MakeWait(kColourFromFrames / 6), colour,
                     flow_writer::MakeWait((kColourShakeFromFrames - kColourFromFrames) / 6),
                     Effect(FCT_SCREEN_EFFECT, firstScreen + SCREEN_EFFECT_SHAKE_H - 1, 0, 0),
                     flow_writer::MakeWait(9999)}));
    return stage;
}

bool Write(const std::string& folder) {
    if (!demo_project::Write(folder)) return false;
    const bool ogg = ogg_writer::Available();
    int firstChara = 0, firstScreen = 0, spark = 0;
    const cProjectDatabase db = FixtureDatabase(ogg, firstChara, firstScreen, spark);
    // The stage is checked against the project's lists while it is saved.
    cProjectDatabase running = g_Database;
    g_Database = db;
    const bool stage =
        stage_writer::WriteStageFile(folder, kStageBase, 0, EffectsStage(firstChara, firstScreen, spark)) &&
        stage_writer::WriteStageFile(folder, kQuickStageBase, 0,
                                     QuickEffectsStage(firstChara, firstScreen)) &&
        stage_writer::WriteStageFile(folder, kColourStageBase, 0, ColourShakeStage(firstScreen));
    g_Database = std::move(running);
    std::string picture = kSparkPicture;
    std::replace(picture.begin(), picture.end(), '\\', '/');
    std::filesystem::create_directories(std::filesystem::path(folder) / "bmp" / "effect");
    // Untouchable characters are drawn with their blink kind's tint (Direct3D only).
    cSystemData system = project_writer::DemoSystemData();
    system.m_nCompat287 = 1;
    return stage && project_writer::WriteDatabase(folder, db) &&
           project_writer::WriteSystemData(folder, system, db) &&
           bmp_writer::WriteBmp8(folder + "/" + picture, SparkPicture(), bmp_writer::DemoPalette());
}

} // namespace effects_fixture
