// Movement and shot settings: stored bytes, older layouts and their upgrades, normalising.
#include <gtest/gtest.h>

#include "records/ed_move.h"
#include "records/ed_shot.h"
#include "records/flow_test_util.h"

namespace {

cEdMove DistinctMove() {
    cEdMove m;
    m.m_nTargetMode = 1;
    m.m_nDirection = 2;
    m.m_nAngle = 772;
    m.m_nAngleStep = -2;
    m.m_bMirrorAngle = 0;
    m.m_bUseTargetX = 0;
    m.m_bUseTargetY = 1;
    m.m_nTargetXBl = 5;
    m.m_nTargetYBl = -6;
    m.m_nTargetXDot = 7;
    m.m_nTargetYDot = 8;
    m.m_nCoordBase = 3;
    m.m_bEndOnArrival = 0;
    m.m_bHoldX = 1;
    m.m_bHoldY = 1;
    m.m_bMirrorX = 0;
    m.m_bMirrorY = 1;
    m.m_bReverseWithFacing = 0;
    m.m_bStopAtTarget = 1;
    m.m_bKeepFacing = 1;
    m.m_nGivenValues = 2;
    m.m_nSpeed = 300;
    m.m_nSpeedStep = -1;
    m.m_nDistance = 40;
    m.m_nDistanceStep = 2;
    m.m_nLengthUnit = 1;
    m.m_nHomingWeakness = 9;
    m.m_nHomingWeaknessStep = 3;
    m.m_bInertia = 1;
    m.m_nInertiaLimit = 65535;
    m.m_dReverseFactor = 0.5;
    m.m_bKeepAnimation = 1;
    return m;
}

// The movement chunk of DistinctMove as a file of `version` stores it.
Bytes MoveChunk(int version) {
    Bytes b;
    B w(b);
    const int nFields = 28 + (version >= 158) + (version >= 159) + 2 * (version >= 162);
    w.i32(nFields).u8(1).u8(2).i16(772).i16(-2);
    if (version >= 158) w.u8(0);
    w.u8(0).u8(1).i16(5).i16(-6).i16(7).i16(8).u8(3).u8(0).u8(1).u8(1).u8(0).u8(1).u8(0).u8(1);
    if (version >= 162) w.u8(1);
    w.u8(2).i16(300).i16(-1).i16(40).i16(2);
    if (version >= 159) w.u8(1);
    w.i16(9).i16(3).u8(1).i16(0xFFFF).f64(0.5);
    if (version >= 162) w.u8(1);
    w.i32(0);
    return b;
}

TEST(EdMove, NewRecordHasItsDefaults) {
    boost::shared_ptr<cEdMove> m;
    EXPECT_EQ(NewMove(m), 1);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->m_bMirrorAngle, 1);
    EXPECT_EQ(m->m_bUseTargetX, 1);
    EXPECT_EQ(m->m_bUseTargetY, 1);
    EXPECT_EQ(m->m_bEndOnArrival, 1);
    EXPECT_EQ(m->m_bMirrorX, 1);
    EXPECT_EQ(m->m_bReverseWithFacing, 1);
    EXPECT_EQ(m->m_bMirrorY, 0);
    EXPECT_EQ(m->m_nSpeed, 10);
    EXPECT_EQ(m->m_dReverseFactor, 1.0);
    EXPECT_EQ(m->m_nTargetMode, 0);
    EXPECT_EQ(m->m_nLengthUnit, 0);
}

TEST(EdMove, SavesThirtyTwoFieldsInFiftyTwoBytes) {
    cEdMove m = DistinctMove();
    const Bytes saved = SavedBytes(m);
    EXPECT_EQ(saved.size(), 4u + 52u + 4u);
    EXPECT_EQ(saved, MoveChunk(732));
}

TEST(EdMove, LoadsEveryOlderLayoutAndUpgradesIt) {
    for (int version : {157, 158, 159, 161, 162, 731}) {
        SCOPED_TRACE(version);
        cEdMove m; // a new record: mirror angle 1
        long used = 0;
        const Bytes chunk = MoveChunk(version);
        ASSERT_TRUE(LoadFromBytes(m, chunk, version, &used));
        EXPECT_EQ(used, static_cast<long>(chunk.size()));
        // Members the file did not store become 0, not the defaults of a new record.
        EXPECT_EQ(m.m_bMirrorAngle, 0);
        EXPECT_EQ(m.m_nLengthUnit, version >= 159 ? 1 : 0);
        EXPECT_EQ(m.m_bKeepFacing, version >= 162 ? 1 : 0);
        EXPECT_EQ(m.m_bKeepAnimation, version >= 162 ? 1 : 0);
        EXPECT_EQ(m.m_nSpeed, 300);
        EXPECT_EQ(m.m_nInertiaLimit, 65535);
        EXPECT_EQ(m.m_dReverseFactor, 0.5);
        EXPECT_EQ(m.m_nTargetYBl, -6);
        // Saved again, the record has the current layout.
        EXPECT_EQ(SavedBytes(m).size(), 60u);
    }
}

TEST(EdMove, CopyIsIndependentAndSavesItsOwnMembers) {
    cEdMove a = DistinctMove();
    cEdMove b;
    b = a;
    EXPECT_EQ(SavedBytes(b), SavedBytes(a));
    b.m_nSpeed = 11;
    EXPECT_EQ(a.m_nSpeed, 300);
    EXPECT_NE(SavedBytes(b), SavedBytes(a));
}

// Width in bytes of each stored shot field, by its place 1-60 in the stored order.
const int kShotWidth[61] = {0, 1, 1, 6, 1, 1, 1, 2, 2, 1, 2, // 1-10
                            1, 1, 2, 2, 2, 2, 1, 1, 2, 1,    // 11-20
                            1, 1, 1, 1, 1, 1, 1, 6, 1, 2,    // 21-30
                            2, 1, 2, 2, 2, 1, 2, 1, 1, 2,    // 31-40
                            2, 1, 1, 1, 1, 1, 4, 2, 1, 2,    // 41-50
                            1, 2, 1, 1, 1, 1, 2, 1, 1, 1};   // 51-60

// The version that introduced a stored place (0: every version).
int ShotSince(int place) {
    switch (place) {
    case 4:
        return 671;
    case 9:
        return 158;
    case 29:
        return 211;
    case 32:
    case 33:
    case 34:
        return 213;
    case 44:
        return 636;
    case 55:
        return 197;
    }
    return 0;
}

// A shot chunk whose field at place k holds k (array elements k, k + 100, k + 200), with overrides.
Bytes ShotChunk(int version, std::vector<std::pair<int, int>> overrides = {}) {
    Bytes b;
    B w(b);
    int n = 0;
    for (int k = 1; k <= 60; ++k)
        n += version >= ShotSince(k);
    w.i32(n);
    for (int k = 1; k <= 60; ++k) {
        if (version < ShotSince(k)) continue;
        int v = k;
        for (auto& [place, value] : overrides)
            if (place == k) v = value;
        switch (kShotWidth[k]) {
        case 1:
            w.u8(v);
            break;
        case 2:
            w.i16(v);
            break;
        case 4:
            w.i32(v);
            break;
        case 6:
            w.i16(v).i16(v + 100).i16(v + 200);
            break;
        }
    }
    w.i32(0);
    return b;
}

TEST(EdShot, SavesSixtyFieldsInNinetyThreeBytesInStoredOrder) {
    cEdShot s;
    ASSERT_TRUE(LoadFromBytes(s, ShotChunk(732), 732));
    // Memory order differs from the stored order: the range is stored before its switch, bytes 54 and 55
    // before the summon palette.
    EXPECT_EQ(s.m_nRange, 35);
    EXPECT_EQ(s.m_bRangeLimit, 36);
    EXPECT_EQ(s.m_nByte54, 54);
    EXPECT_EQ(s.m_nByte55, 55);
    EXPECT_EQ(s.m_nSummonPalette, 56);
    EXPECT_EQ(s.m_nFormationValues[2], 203);
    EXPECT_EQ(s.m_nMoveValues[1], 128);
    EXPECT_EQ(s.m_nPower, 47);
    const Bytes saved = SavedBytes(s);
    EXPECT_EQ(saved.size(), 4u + 93u + 4u);
    EXPECT_EQ(saved, ShotChunk(732));
}

TEST(EdShot, NewRecordHasItsDefaults) {
    boost::shared_ptr<cEdShot> s;
    EXPECT_EQ(NewShot(s), 1);
    EXPECT_EQ(s->m_bMirrorAngle, 1);
    EXPECT_EQ(s->m_bMirrorOffsetX, 1);
    EXPECT_EQ(s->m_bFirerForce, 1);
    EXPECT_EQ(s->m_nSizeFactor, 1);
    EXPECT_EQ(s->m_bMirrorOffsetY, 0);
    EXPECT_EQ(s->m_nGraphic, 0);
}

TEST(EdShot, UpgradesOlderLayouts) {
    {
        // Version 210 with a homing movement kind follows the scroll and has no acceleration.
        cEdShot s;
        ASSERT_TRUE(LoadFromBytes(s, ShotChunk(210, {{27, 5}}), 210));
        EXPECT_EQ(s.m_bScrollFollow, 1);
        EXPECT_EQ(s.m_bAccelerate, 0);
        EXPECT_EQ(s.m_nAcceleration, 0);
        EXPECT_EQ(s.m_nAccelerationStep, 0);
        EXPECT_EQ(s.m_bThroughBlockCharas, 43);
        EXPECT_EQ(s.m_nRingCentre, 0);
        EXPECT_EQ(s.m_nByte55, 55);
        EXPECT_EQ(s.m_nSpeed, 30);
        EXPECT_EQ(s.m_nRange, 35);
        EXPECT_EQ(s.m_bSummonFacingReversed, 60);
    }
    {
        cEdShot s;
        ASSERT_TRUE(LoadFromBytes(s, ShotChunk(210, {{27, 8}}), 210));
        EXPECT_EQ(s.m_bScrollFollow, 0);
    }
    {
        // Version 211 stores the switch, but files before 212 are given it from the movement kind.
        cEdShot s;
        ASSERT_TRUE(LoadFromBytes(s, ShotChunk(211, {{27, 4}, {29, 0}}), 211));
        EXPECT_EQ(s.m_bScrollFollow, 1);
        ASSERT_TRUE(LoadFromBytes(s, ShotChunk(212, {{27, 4}, {29, 0}}), 212));
        EXPECT_EQ(s.m_bScrollFollow, 0);
    }
    {
        cEdShot s;
        ASSERT_TRUE(LoadFromBytes(s, ShotChunk(600, {{43, 1}}), 600));
        EXPECT_EQ(s.m_bThroughBlockCharas, 1);
        EXPECT_EQ(s.m_nAcceleration, 33);
        EXPECT_EQ(s.m_nRingCentre, 0);
    }
    {
        // Before 158 no mirror angle (0, not the default 1); before 197 byte 55 copies byte 54.
        cEdShot s;
        ASSERT_TRUE(LoadFromBytes(s, ShotChunk(150), 150));
        EXPECT_EQ(s.m_bMirrorAngle, 0);
        EXPECT_EQ(s.m_nByte55, 54);
        EXPECT_EQ(s.m_nSpreadAngle, 10);
        EXPECT_EQ(SavedBytes(s).size(), 101u);
    }
}

TEST(EdShot, NormalisesSizeFactorAndEffectNumber) {
    FlowTestEnv env;
    env.Count(DbList::Effects) = 5;
    cEdShot s;
    s.m_nSizeFactor = 0;
    s.m_nEffectNo = 5;
    const Bytes saved = SavedBytes(s);
    EXPECT_EQ(s.m_nSizeFactor, 1);
    EXPECT_EQ(s.m_nEffectNo, 0);
    cEdShot t;
    ASSERT_TRUE(LoadFromBytes(t, saved, 732));
    EXPECT_EQ(t.m_nSizeFactor, 1);
    // Loading normalises too.
    cEdShot u;
    ASSERT_TRUE(LoadFromBytes(u, ShotChunk(732, {{25, 0}, {50, 4}}), 732));
    EXPECT_EQ(u.m_nSizeFactor, 1);
    EXPECT_EQ(u.m_nEffectNo, 4);
    ASSERT_TRUE(LoadFromBytes(u, ShotChunk(732, {{50, 9}}), 732));
    EXPECT_EQ(u.m_nEffectNo, 0);
}

TEST(EdShot, ShortChunkFailsWithoutReadingOutside) {
    const Bytes full = ShotChunk(732);
    for (std::size_t n = 0; n < full.size(); ++n) {
        cEdShot s;
        Bytes part(full.begin(), full.begin() + static_cast<long>(n));
        EXPECT_FALSE(LoadFromBytes(s, part, 732)) << n;
    }
}

} // namespace
