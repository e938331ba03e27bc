// Stage sizes for play: a large valid stage loads, a header that lies about the stage's size or its
// lists is refused without the memory it names being allocated, and a stage whose lists cannot be
// allocated is reported as a lack of memory.
//
// This program's operator new keeps the largest request made while a test watches, and can refuse
// large requests as a machine without memory would.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "fixtures/box_capture.h"
#include "platform/messages.h"
#include "platform/system_info.h"
#include "project/stage_file.h"
#include "records/def_test_util.h"

namespace {

std::atomic<bool> g_bWatching{false};
std::atomic<std::size_t> g_nLargest{0};
std::atomic<std::size_t> g_nRefuseAbove{0}; // 0: refuse nothing

void* Allocate(std::size_t size) {
    if (g_bWatching.load(std::memory_order_relaxed)) {
        std::size_t seen = g_nLargest.load(std::memory_order_relaxed);
        while (size > seen && !g_nLargest.compare_exchange_weak(seen, size)) {
        }
        const std::size_t limit = g_nRefuseAbove.load(std::memory_order_relaxed);
        if (limit != 0 && size > limit) throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace deftest;

namespace {

CharaSpec Hero() {
    CharaSpec c;
    c.f[13] = 1;
    c.f[26] = 0;
    return c;
}

Bytes StageFile(const std::map<int, double>& fields, int blocks) {
    StageBody body;
    body.fields = fields;
    BlockSpec plain;
    plain.solidity = 0;
    for (int i = 0; i < blocks; ++i) {
        plain.x = i % 256;
        plain.y = i / 256;
        body.blocks.push_back(plain);
    }
    body.charas = {Hero()};
    ByteWriter w;
    w.i32(732).bytes(WriteStage(body));
    return w.data();
}

class StageSize : public ::testing::Test {
  protected:
    void SetUp() override {
        win::ResetMessageModelForTests();
        g_Stage.Clear();
        g_StageOriginal.Clear();
    }
    void TearDown() override {
        g_bWatching = false;
        g_nRefuseAbove = 0;
        g_Stage.Clear();
        g_StageOriginal.Clear();
        win::ResetMessageModelForTests();
    }
    // Loads a stage for play while watching the allocations; the largest request is kept.
    int Load(const std::string& name, std::size_t refuseAbove = 0) {
        g_nLargest = 0;
        g_nRefuseAbove = refuseAbove;
        g_bWatching = true;
        const int result = LoadStageForPlay(name, 0, &g_StageOriginal);
        g_bWatching = false;
        g_nRefuseAbove = 0;
        return result;
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd{dir.path()};
    fixtures::BoxCapture boxes;
};

constexpr std::size_t MB = 1024 * 1024;

} // namespace

TEST_F(StageSize, LargeStagesLoadAndLyingHeadersAreRefusedWithoutTheirMemory) {
    // 4,000 x 1,100 blocks: more than four million grid cells.
    fixtures::WriteAll(dir.file("wide.stg4_000"), StageFile({{1, 4000}, {4, 1100}}, 3));
    ASSERT_EQ(Load("wide.stg4_000"), 1);
    EXPECT_EQ(g_Stage.m_nWidth, 4000);
    EXPECT_EQ(g_Stage.m_nHeight, 1100);
    EXPECT_TRUE(boxes.texts().empty());

    // A size whose grid no memory could hold, in a file of a few hundred bytes.
    fixtures::WriteAll(dir.file("huge.stg4_000"), StageFile({{1, 2000000000}, {4, 2000000000}}, 0));
    EXPECT_EQ(Load("huge.stg4_000"), 0);
    EXPECT_LT(g_nLargest.load(), 4 * MB);
    // A grid of fewer cells than this machine has bytes, but of more bytes: rows 4,096 cells long,
    // as many as make an eighth of the memory in cells.
    const sysinfo::Memory memory = sysinfo::GetMemory();
    const std::uint64_t machine =
        memory.totalPhys != 0 ? std::min(memory.totalPhys, memory.totalVirtual) : memory.totalVirtual;
    const std::uint64_t rows = machine / 8 / 4096;
    ASSERT_GT(rows, 20u);
    ASSERT_LE(rows - 20, static_cast<std::uint64_t>(STAGE_SIDE_MAX));
    fixtures::WriteAll(dir.file("costly.stg4_000"),
                       StageFile({{1, 4000}, {4, static_cast<double>(rows - 20)}}, 0));
    EXPECT_EQ(Load("costly.stg4_000"), 0);
    EXPECT_LT(g_nLargest.load(), 4 * MB);

    // A placed-block count of 2^28 in the same short file (the count stands 24 bytes before the
    // end when the lists after it are empty).
    Bytes lying = StageFile({{1, 20}, {4, 15}}, 0);
    const std::size_t at = lying.size() - 24;
    ASSERT_EQ(Bytes(lying.begin() + at, lying.begin() + at + 4), (Bytes{0, 0, 0, 0}));
    lying[at + 3] = 0x10;
    fixtures::WriteAll(dir.file("lying.stg4_000"), lying);
    EXPECT_EQ(Load("lying.stg4_000"), 0);
    EXPECT_LT(g_nLargest.load(), 4 * MB);
    // A size no play could hold is a damaged file; a list longer than the file could not be read.
    ASSERT_EQ(boxes.texts().size(), 3u);
    EXPECT_EQ(boxes.texts()[0], "ステージファイル huge.stg4_000 が破損しています！");
    EXPECT_EQ(boxes.texts()[1], "ステージファイル costly.stg4_000 が破損しています！");
    EXPECT_EQ(boxes.texts()[2], "ステージファイル lying.stg4_000 の読み込みに失敗しました！");
}

TEST_F(StageSize, ListsThatCannotBeAllocatedAreReportedAsLackOfMemory) {
    fixtures::WriteAll(dir.file("many.stg4_000"), StageFile({{1, 256}, {4, 256}}, 5000));
    g_StageOriginal.m_nFrameRate = 7;
    // No room kept from earlier loads.
    cCheckedVector<cEdBlockDef>().swap(g_Stage.m_Blocks);
    EXPECT_EQ(Load("many.stg4_000", 256 * 1024), 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "メモリが不足しています！");
    EXPECT_EQ(g_StageOriginal.m_nFrameRate, 7);
    // With the memory back the same stage loads.
    ASSERT_EQ(Load("many.stg4_000"), 1);
    EXPECT_EQ(g_Stage.m_Blocks.size(), 5000u);
}
