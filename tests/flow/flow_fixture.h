// Flow tests: a small running stage with fixture characters, a compact way to write flow
// definitions, and a per-sub-step trace of command starts and ends.
#pragma once

#include "app/input.h"
#include "app/log.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "records/param_tables.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// One command of a test flow. Commands of type 1 ("ウエイト") are traced under their label.
struct TestCmd {
    int type = FCT_WAIT;
    int frames = 1; // use time in sub-steps (set on the built instance)
    int withNext = 0;
    char label = 'A';
    std::vector<std::int32_t> params = {};
};

inline cEdFlowCmd MakeCommand(const TestCmd& c) {
    cEdFlowCmd rec;
    rec.m_nKind = static_cast<std::int8_t>(c.type);
    rec.m_bRunWithNext = static_cast<std::uint8_t>(c.withNext);
    rec.m_Params.assign(c.params.begin(), c.params.end());
    if (c.type == FCT_WAIT) rec.m_strText = std::string(1, c.label);
    return rec;
}

inline cEdFlow MakeFlow(int trigger, const std::vector<TestCmd>& cmds, int group = 0) {
    cEdFlow f;
    f.m_nTrigger = static_cast<std::int8_t>(trigger);
    f.m_nGroup = static_cast<std::int8_t>(group);
    for (const TestCmd& c : cmds)
        f.m_Commands.push_back(MakeCommand(c));
    return f;
}

class FlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_Stage.m_dGravityBase = 0.4;
        g_Stage.SetHitLevel(1);
        m_Scene = std::make_unique<cGameScene>();
        g_lpGameScene = m_Scene.get();
        m_Scene->m_ScrollX.SetUp(0, 20, 20 * BLOCK_SIZE + VIEW_WIDTH);
        m_Scene->m_ScrollY.SetUp(1, 15, 15 * BLOCK_SIZE + VIEW_WIDTH);
        m_Scene->m_StageVars.assign(16, 0);
        g_SaveData.m_vnCommonVars.assign(256, 0);
        InstallFlowEngine();
        ResetFlowCommandTable();
        SetFlowCommandHandler(FCT_WAIT, &Trace);
        s_Trace.clear();
        s_Self = this;
        SetFullScreenMessageBox(&CountBox);
        s_Boxes.clear();
    }
    void TearDown() override {
        SetFullScreenMessageBox(nullptr);
        InstallFlowCommands();
        g_FlowHooks = FlowHooks{};
        g_Charas.clear();
        g_Heroes.clear();
        m_Scene.reset();
        g_lpGameScene = nullptr;
        s_Self = nullptr;
    }

    // A character with the given flows built, HP 10 of 10.
    static void Give(cChara& c, const std::vector<cEdFlow>& flows) {
        c.m_Def.m_nMaxHP = 10;
        c.m_nHP = 10;
        c.m_Vars.assign(10, 0);
        cCheckedVector<cEdFlow> defs(flows.begin(), flows.end());
        BuildFlows(c, defs, 0, 0);
    }
    // Sets the use times of flow f's instances to the frames its test commands asked for.
    static void SetFrames(cChara& c, int f, const std::vector<TestCmd>& cmds) {
        for (std::size_t k = 0; k < cmds.size(); ++k)
            c.m_Flows[static_cast<std::size_t>(f)].m_Commands[k].m_nUseTime = cmds[k].frames;
    }

    // One sub-step: marks cleared, the kinds raised, the flows stepped; its trace as "n:events".
    void Frame(cChara& c, std::initializer_list<int> kinds = {}) {
        ++m_nFrame;
        ClearFlowFrameMarks(c);
        for (int k : kinds)
            TriggerFlows(c, k);
        s_Step.clear();
        RunFlowUpdate(c, 0);
        if (!s_Step.empty())
            s_Trace += (s_Trace.empty() ? "" : "|") + std::to_string(m_nFrame) + ":" + s_Step;
    }

    // The handler of traced commands: "X+" when it starts, "X-" when it ends, "X" between.
    static void Trace(cChara& c, cFlowCommand& inst) {
        std::string e = inst.m_lpRecord->m_strText;
        if (inst.m_nRemain == inst.m_nUseTime) e += "+";
        if (inst.m_nRemain <= 1) e += "-";
        s_Step += (s_Step.empty() ? "" : " ") + e;
        if (s_Self && s_Self->m_OnRun) s_Self->m_OnRun(c, inst);
    }
    static int CountBox(const char* text, const char*, win::UINT) {
        s_Boxes.push_back(text);
        return 1;
    }

    std::unique_ptr<cGameScene> m_Scene;
    int m_nFrame = 0;
    void (*m_OnRun)(cChara&, cFlowCommand&) = nullptr;
    static inline std::string s_Trace;
    static inline std::string s_Step;
    static inline std::vector<std::string> s_Boxes;
    static inline FlowTest* s_Self = nullptr;
};
