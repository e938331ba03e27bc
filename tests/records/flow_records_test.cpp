// Conditions, key steps and flows: stored bytes, older layouts and their upgrades, copies.
#include <gtest/gtest.h>

#include "records/ed_flow.h"
#include "records/flow_test_util.h"

namespace {

Bytes CondChunk110(int kind, int subject, int item, int leftSource, int rightSource, int rightSubject,
                   int rightItem, int op) {
    Bytes b;
    B(b).i32(17)
        .u8(kind)
        .i32(0)
        .i32(0)
        .i32(0)
        .u8(subject)
        .u8(item)
        .u8(leftSource)
        .u8(0)
        .i16(0)
        .u8(rightSource)
        .u8(rightSubject)
        .u8(rightItem)
        .u8(0)
        .i16(0)
        .u8(op)
        .u8(0)
        .u8(0)
        .i32(0);
    return b;
}

TEST(EdFlowCond, SavesSeventeenFieldsInTwentyEightBytes) {
    cEdFlowCond c;
    c.m_nKind = 4;
    c.m_nValue = 0x11223344;
    c.m_nRandMin = -5;
    c.m_nRandMax = 1000;
    c.m_nSubject = 1;
    c.m_nItem = 2;
    c.m_nLeftSource = 1;
    c.m_nLeftScope = 1;
    c.m_nNumber = -300;
    c.m_nRightSource = 3;
    c.m_nRightSubject = 2;
    c.m_nRightItem = 9;
    c.m_nRightScope = 1;
    c.m_nRightNumber = 40000;
    c.m_nOperator = 6;
    c.m_bPercent = 1;
    c.m_nAxis = 5;
    Bytes want;
    B(want)
        .i32(17)
        .u8(4)
        .i32(0x11223344)
        .i32(-5)
        .i32(1000)
        .u8(1)
        .u8(2)
        .u8(1)
        .u8(1)
        .i16(-300)
        .u8(3)
        .u8(2)
        .u8(9)
        .u8(1)
        .i16(40000)
        .u8(6)
        .u8(1)
        .u8(5)
        .i32(0);
    EXPECT_EQ(SavedBytes(c), want);
    EXPECT_EQ(want.size(), 4u + 28u + 4u);
    cEdFlowCond d;
    ASSERT_TRUE(LoadFromBytes(d, want, 732));
    EXPECT_EQ(SavedBytes(d), want);
}

TEST(EdFlowCond, LoadsTheLayoutsBeforeVersion110) {
    {
        // kind, value, two words thrown away, operator, percent (from 43), axis.
        Bytes b;
        B(b).i32(7).u8(3).i32(-42).i16(0x7777).i16(0x6666).u8(2).u8(1).u8(4).i32(0);
        cEdFlowCond c;
        long used = 0;
        ASSERT_TRUE(LoadFromBytes(c, b, 100, &used));
        EXPECT_EQ(used, 4 + 12 + 4);
        EXPECT_EQ(c.m_nKind, 3);
        EXPECT_EQ(c.m_nValue, -42);
        EXPECT_EQ(c.m_nOperator, 2);
        EXPECT_EQ(c.m_bPercent, 1);
        EXPECT_EQ(c.m_nAxis, 4);
        EXPECT_EQ(c.m_nRandMin, 0);
        EXPECT_EQ(c.m_nNumber, 0);
        EXPECT_EQ(SavedBytes(c).size(), 36u);
    }
    {
        Bytes b;
        B(b).i32(6).u8(2).i32(9).i16(1).i16(2).u8(5).u8(6).i32(0);
        cEdFlowCond c;
        long used = 0;
        ASSERT_TRUE(LoadFromBytes(c, b, 42, &used));
        EXPECT_EQ(used, 4 + 11 + 4);
        EXPECT_EQ(c.m_nOperator, 5);
        EXPECT_EQ(c.m_bPercent, 0);
        EXPECT_EQ(c.m_nAxis, 6);
    }
}

TEST(EdFlowCond, UpgradesKindsAndStatusNumbers) {
    cEdFlowCond c;
    // An old kind 5 (distance) becomes 7, with subject 0; kind 4 stays.
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(5, 1, 0, 0, 0, 0, 0, 0), 150));
    EXPECT_EQ(c.m_nKind, 7);
    EXPECT_EQ(c.m_nSubject, 0);
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(4, 1, 0, 0, 0, 0, 0, 0), 150));
    EXPECT_EQ(c.m_nKind, 4);
    // Status numbers: both renumberings before 168, one before 203.
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(4, 0, 10, 0, 2, 0, 10, 0), 150));
    EXPECT_EQ(c.m_nItem, 12);
    EXPECT_EQ(c.m_nRightItem, 12);
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(4, 0, 10, 0, 0, 0, 0, 0), 180));
    EXPECT_EQ(c.m_nItem, 11);
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(4, 2, 10, 0, 0, 0, 0, 0), 150));
    EXPECT_EQ(c.m_nItem, 10); // system status: unchanged
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(4, 0, 10, 1, 0, 0, 0, 0), 150));
    EXPECT_EQ(c.m_nItem, 10); // a variable, not a status
    // Bytes are compared as signed: 200 is -56 and is not renumbered.
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(4, 0, 200, 0, 0, 0, 0, 0), 150));
    EXPECT_EQ(c.m_nItem, 200);
    // Character state "on a block" turned its sense before 161.
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(6, 0, 2, 0, 0, 0, 0, 0), 160));
    EXPECT_EQ(c.m_nOperator, 1);
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(6, 0, 2, 0, 0, 0, 0, 0), 161));
    EXPECT_EQ(c.m_nOperator, 0);
    // Kind 5 gained a status at 6 before 210.
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(5, 0, 6, 0, 0, 0, 0, 0), 205));
    EXPECT_EQ(c.m_nItem, 7);
    // Distance subject reset before 657 only.
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(7, 1, 0, 0, 0, 0, 0, 0), 656));
    EXPECT_EQ(c.m_nSubject, 0);
    ASSERT_TRUE(LoadFromBytes(c, CondChunk110(7, 1, 0, 0, 0, 0, 0, 0), 657));
    EXPECT_EQ(c.m_nSubject, 1);
}

TEST(EdFlowEntry, StoresFieldsThenKeyStates) {
    cEdFlowEntry e;
    e.Clear();
    EXPECT_EQ(e.m_KeyStates.size(), 19u);
    e.m_bMirror = 1;
    e.m_nMinHold = 0x0102;
    e.m_nMaxHold = 300;
    e.m_bAnyHold = 1;
    e.m_nMatchMode = 2;
    e.m_KeyStates.assign({0, 1, 2});
    Bytes want;
    B(want).i32(5).u8(1).i16(0x0102).i16(300).u8(1).u8(2).i32(0).i32(3).u8(0).u8(1).u8(2);
    EXPECT_EQ(SavedBytes(e), want);
    // A step stored with three key states keeps three; the slots it does not store want nothing.
    cEdFlowEntry f = MakeKeyStepPrototype();
    ASSERT_TRUE(LoadFromBytes(f, want, 732));
    EXPECT_EQ(f.m_KeyStates.size(), 3u);
    EXPECT_EQ(f.KeyState(1), 1);
    EXPECT_EQ(f.KeyState(2), 2);
    EXPECT_EQ(f.KeyState(18), 0);
    EXPECT_EQ(f.KeyState(-1), 0);
    EXPECT_EQ(f.m_nMaxHold, 300);
}

// A flow chunk without lists.
Bytes FlowChunk(int version, int id, int group, int editorOnly, int trigger, const char* memo = nullptr) {
    Bytes b;
    B w(b);
    w.i32(8).u8(id).u8(group).u8(editorOnly).u8(1).u8(1).u8(trigger).u8(3).u8(1);
    if (version >= 676) {
        w.i32(1);
        if (memo) {
            w.i32(static_cast<int>(std::strlen(memo)) + 1);
            for (const char* p = memo; *p; ++p)
                w.u8(*p);
            w.u8(0);
        } else {
            w.i32(1);
        }
    } else {
        w.i32(0);
    }
    w.i32(0).i32(0).i32(0);
    return b;
}

TEST(EdFlow, StoredLayoutWithListsAndEmptiedMemo) {
    cEdFlow f = MakeFlowPrototype();
    ASSERT_TRUE(LoadFromBytes(f, FlowChunk(700, 9, 2, 0, 4, "memo"), 700));
    EXPECT_EQ(f.m_strMemo, "");
    EXPECT_EQ(f.m_nId, 9);
    EXPECT_EQ(f.m_nGroup, 2);
    EXPECT_EQ(f.m_nTrigger, 4);
    EXPECT_EQ(f.m_nKeyGap, 3);
    // Saved: eight bytes, one string of length word 1 and no bytes, then three empty lists.
    EXPECT_EQ(SavedBytes(f), FlowChunk(732, 9, 2, 0, 4));

    cEdFlowCond c;
    c.m_nKind = 1;
    cEdFlowEntry e = MakeKeyStepPrototype();
    f.m_Conds.push_back(c);
    f.m_KeySteps.push_back(e);
    f.m_Commands.push_back(MakeCommandPrototype());
    Bytes want;
    B(want).i32(8).u8(9).u8(2).u8(0).u8(1).u8(1).u8(4).u8(3).u8(1).i32(1).i32(1);
    B(want).i32(1).raw(SavedBytes(c)).i32(1).raw(SavedBytes(e)).i32(1).raw(SavedBytes(f.m_Commands[0]));
    EXPECT_EQ(SavedBytes(f), want);
    cEdFlow g = MakeFlowPrototype();
    ASSERT_TRUE(LoadFromBytes(g, want, 732));
    EXPECT_EQ(SavedBytes(g), want);
}

TEST(EdFlow, UpgradesTriggersAndGroups) {
    cEdFlow f;
    ASSERT_TRUE(LoadFromBytes(f, FlowChunk(131, 0, 2, 0, 11), 131));
    EXPECT_EQ(f.m_nTrigger, 14);
    EXPECT_EQ(f.m_nGroup, 0);
    ASSERT_TRUE(LoadFromBytes(f, FlowChunk(150, 0, 2, 0, 5), 150));
    EXPECT_EQ(f.m_nTrigger, 7);
    EXPECT_EQ(f.m_nGroup, 0);
    ASSERT_TRUE(LoadFromBytes(f, FlowChunk(163, 0, 2, 0, 5), 163));
    EXPECT_EQ(f.m_nTrigger, 7);
    EXPECT_EQ(f.m_nGroup, 2);
    ASSERT_TRUE(LoadFromBytes(f, FlowChunk(150, 0, 2, 0, 0), 150));
    EXPECT_EQ(f.m_nTrigger, 0);
    EXPECT_EQ(f.m_nGroup, 2);
    ASSERT_TRUE(LoadFromBytes(f, FlowChunk(164, 0, 2, 0, 5), 164));
    EXPECT_EQ(f.m_nTrigger, 5);
}

TEST(EdFlow, RemoveEditorOnlyFlowsKeepsTheOrderOfTheOthers) {
    cCheckedVector<cEdFlow> flows(5);
    const int marks[5] = {1, 0, 1, 1, 0};
    for (int i = 0; i < 5; ++i) {
        flows[static_cast<std::size_t>(i)].m_nId = static_cast<std::uint8_t>(i);
        flows[static_cast<std::size_t>(i)].m_bEditorOnly = static_cast<std::uint8_t>(marks[i]);
    }
    RemoveEditorOnlyFlows(flows);
    ASSERT_EQ(flows.size(), 2u);
    EXPECT_EQ(flows[0].m_nId, 1);
    EXPECT_EQ(flows[1].m_nId, 4);
}

TEST(EdFlow, ListCountBeyondTheFileIsRefused) {
    Bytes b = FlowChunk(732, 1, 0, 0, 0);
    // The condition count claims four billion conditions.
    b[b.size() - 12] = 0xFF;
    b[b.size() - 11] = 0xFF;
    b[b.size() - 10] = 0xFF;
    b[b.size() - 9] = 0xFF;
    cEdFlow f;
    EXPECT_FALSE(LoadFromBytes(f, b, 732));
    EXPECT_TRUE(f.m_Conds.empty());
}

} // namespace
