// The project database: the first byte chooses one of its ten files (its index modulo ten), the
// rest is that file; the other nine are empty lists. The whole database step of start-up runs,
// including the run-time tables built from what was read.
#include "fuzz_support.h"

#include "project/project_database.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (size < 1) return 0;
    static bool prepared = false;
    if (!prepared) {
        // An empty list: the version word and a count of 0.
        std::uint8_t empty[8] = {};
        std::memcpy(empty, &DATA_VERSION_CURRENT, 4);
        for (const char* path : g_DatabaseFiles)
            fuzz::PutFile(path, empty, sizeof empty);
        prepared = true;
    }
    const int which = data[0] % DATABASE_FILE_COUNT;
    std::uint8_t empty[8] = {};
    std::memcpy(empty, &DATA_VERSION_CURRENT, 4);
    fuzz::PutFile(g_DatabaseFiles[which], data + 1, size - 1);
    g_Database.SetDefaults();
    LoadProjectDatabase();
    fuzz::PutFile(g_DatabaseFiles[which], empty, sizeof empty);
    fuzz::TakeBoxCount();
    return 0;
}
