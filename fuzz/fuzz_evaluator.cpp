// The expression evaluator: a code text run for a character of a small running stage, with a
// target, a hero, common and stage variables.
#include "fuzz_support.h"

#include "flow/evaluator.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "project/save_data.h"
#include "project/stage_file.h"

#include <memory>

namespace {

struct Stage {
    std::unique_ptr<cGameScene> scene;
    cStageChara self;
    cStageChara other;
    Stage() {
        g_Stage.m_dGravityBase = 0.4;
        g_Stage.SetHitLevel(1);
        scene = std::make_unique<cGameScene>();
        g_lpGameScene = scene.get();
        scene->m_ScrollX.SetUp(0, 20);
        scene->m_ScrollY.SetUp(1, 15);
        g_Heroes.resize(1);
        g_Heroes[0].m_Def.m_nMaxHP = 100;
        for (cChara* c : {static_cast<cChara*>(&self), static_cast<cChara*>(&other)}) {
            c->m_Def.m_nMaxHP = 50;
            c->m_Def.m_nMaxSP = 30;
        }
        cObjectLinks::SetTarget(self, &other);
    }
    // Every value the texts can change, back to its start.
    void Reset() {
        scene->m_StageVars.assign(16, 0);
        scene->m_nTimeLimit = 90;
        g_SaveData.m_vnCommonVars.assign(256, 0);
        g_SaveData.m_nLives = 3;
        g_nScore = 100;
        g_Heroes[0].m_nHP = 60;
        for (cChara* c : {static_cast<cChara*>(&self), static_cast<cChara*>(&other)}) {
            c->m_nHP = 20;
            c->m_nSP = 5;
            c->m_Vars.assign(10, 0);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    static Stage stage;
    stage.Reset();
    const std::string text(reinterpret_cast<const char*>(data), size);
    EvaluateExpression(text, stage.self);
    fuzz::TakeBoxCount();
    return 0;
}
