// Damaged flow-bearing data: every prefix of a valid list of flows, and random byte changes, must load
// without reading or writing outside any record (run under the sanitizers), and loading must end.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "records/ed_flow.h"
#include "records/flow_test_util.h"
#include "records/param_tables.h"

namespace {

cCheckedVector<cEdFlow> SampleFlows() {
    cCheckedVector<cEdFlow> flows;
    cEdFlow f = MakeFlowPrototype();
    f.m_nTrigger = 4;
    cEdFlowCond c;
    c.m_nKind = 4;
    c.m_nValue = 77;
    f.m_Conds.push_back(c);
    f.m_Conds.push_back(c);
    cEdFlowEntry e = MakeKeyStepPrototype();
    e.m_KeyStates[3] = 1;
    f.m_KeySteps.push_back(e);

    cEdFlowCmd shot = MakeCommandPrototype();
    shot.m_nKind = FCT_SHOT;
    shot.m_strText = "shot";
    NewShot(shot.m_Shot);
    shot.m_Shot->m_nGraphic = 5;
    cEdFlowCmd move = MakeCommandPrototype();
    move.m_nKind = FCT_LINE_MOVE;
    NewMove(move.m_Move);
    cEdFlowCmd msg = MakeCommandPrototype();
    msg.m_nKind = FCT_MESSAGE;
    msg.m_Params.assign(18, 3);
    cEdFlowCmd arrange = MakeCommandPrototype();
    arrange.m_nKind = FCT_ARRANGE;
    arrange.m_Params.assign({11, 18, 1, 2, 0});
    // A command holding a flow of its own.
    cEdFlow inner = MakeFlowPrototype();
    inner.m_Commands.push_back(msg);
    move.m_Flows.push_back(inner);

    f.m_Commands.push_back(shot);
    f.m_Commands.push_back(move);
    f.m_Commands.push_back(msg);
    f.m_Commands.push_back(arrange);
    flows.push_back(f);
    flows.push_back(inner);
    return flows;
}

// The file: version word, then the flow list.
Bytes SampleFile() {
    cCheckedVector<cEdFlow> flows = SampleFlows();
    std::FILE* fp = std::tmpfile();
    WriteI32(fp, DATA_VERSION_CURRENT);
    SaveFlowList(flows, fp);
    Bytes out(static_cast<std::size_t>(std::ftell(fp)));
    std::rewind(fp);
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), fp), out.size());
    std::fclose(fp);
    return out;
}

struct FlowListRecord {
    cCheckedVector<cEdFlow> flows;
    bool Load(std::FILE* fp) { return LoadFlowList(flows, fp); }
};

// Loads a whole file (its version word included); saves what was loaded.
bool LoadFile(const Bytes& file, cCheckedVector<cEdFlow>& out) {
    std::int32_t version = 0;
    if (file.size() >= 4) std::memcpy(&version, file.data(), 4);
    FlowListRecord rec;
    const bool ok = file.size() >= 4 && LoadFromBytes(rec, Bytes(file.begin() + 4, file.end()), version);
    out = rec.flows;
    std::FILE* sink = std::tmpfile();
    SaveFlowList(out, sink);
    std::fclose(sink);
    return ok;
}

TEST(FlowFuzz, ValidFileRoundTrips) {
    const Bytes file = SampleFile();
    cCheckedVector<cEdFlow> flows;
    ASSERT_TRUE(LoadFile(file, flows));
    ASSERT_EQ(flows.size(), 2u);
    ASSERT_EQ(flows[0].m_Commands.size(), 4u);
    EXPECT_EQ(flows[0].m_Commands[0].m_strText, "shot");
    EXPECT_EQ(flows[0].m_Commands[1].m_Flows.size(), 1u);
    cCheckedVector<cEdFlow> again = SampleFlows();
    std::FILE* fp = std::tmpfile();
    WriteI32(fp, DATA_VERSION_CURRENT);
    SaveFlowList(flows, fp);
    EXPECT_EQ(std::ftell(fp), static_cast<long>(file.size()));
    std::fclose(fp);
}

TEST(FlowFuzz, EveryPrefixFailsCleanly) {
    const Bytes file = SampleFile();
    ASSERT_LT(file.size(), 3000u);
    for (std::size_t n = 0; n < file.size(); ++n) {
        cCheckedVector<cEdFlow> flows;
        EXPECT_FALSE(LoadFile(Bytes(file.begin(), file.begin() + static_cast<long>(n)), flows)) << n;
    }
}

TEST(FlowFuzz, RandomByteChangesLoadWithoutHarm) {
    BuildParamTables();
    const Bytes file = SampleFile();
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        Bytes damaged = file;
        const int changes = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < changes; ++i)
            damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        // Every tenth round also claims an old version, so that the upgrades see damaged values.
        if (round % 10 == 0) {
            const std::int32_t version = static_cast<std::int32_t>(rng() % 740);
            std::memcpy(damaged.data(), &version, 4);
        }
        cCheckedVector<cEdFlow> flows;
        LoadFile(damaged, flows);
        // Whatever was loaded can be copied, fixed and validated.
        cCheckedVector<cEdFlow> copy = flows;
        for (cEdFlow& f : copy) {
            f.FixReferences();
            f.ValidatePalettes();
        }
    }
}

} // namespace
