// Ranking files: loaded for each game mode as the menus load them, then results registered in every
// table and the file written back.
#include "fuzz_support.h"

#include "menus/ranking_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    const std::string stage = "data\\stg4\\fuzz.stg4_000";
    std::string file;
    if (!MakeRankingFileName(file, 2, stage)) __builtin_trap();
    if (!fuzz::PutFile(file, data, size)) return 0;
    g_RankingStore.LoadFile(2, stage);
    for (cRankingTable& table : g_RankingStore.tables) {
        table.FindRank(5);
        table.Register("fuzz", 5);
        table.Register("", -2147483647 - 1);
    }
    g_RankingStore.SaveFile(2, "data\\stg4\\out.stg4_000");
    return 0;
}
