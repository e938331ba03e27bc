#include "fuzz_support.h"

#include "app/log.h"
#include "app/paths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fuzz {

namespace {

int g_nBoxes = 0;
std::filesystem::path g_WorkDir;

int SilentBox(const char*, const char*, win::UINT) {
    ++g_nBoxes;
    return 1; // the OK or first button
}

void RemoveWorkDir() {
    std::error_code ec;
    if (!g_WorkDir.empty()) std::filesystem::remove_all(g_WorkDir, ec);
}

std::filesystem::path HostPath(const std::string& playerPath) {
    std::string p = playerPath;
    for (char& c : p)
        if (c == '\\') c = '/';
    return g_WorkDir / p;
}

} // namespace

void Init() {
    static bool done = false;
    if (done) return;
    done = true;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/m4-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("m4 fuzz: mkdtemp");
        std::abort();
    }
    g_WorkDir = pattern;
    std::filesystem::current_path(g_WorkDir);
    std::atexit(RemoveWorkDir);
    CreateSystemFolders();
    SetFullScreenMessageBox(&SilentBox);
}

bool PutFile(const std::string& playerPath, const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = HostPath(playerPath);
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, fp) == size;
    return std::fclose(fp) == 0 && ok;
}

void RemoveFile(const std::string& playerPath) {
    std::error_code ec;
    std::filesystem::remove(HostPath(playerPath), ec);
}

int TakeBoxCount() {
    const int n = g_nBoxes;
    g_nBoxes = 0;
    return n;
}

} // namespace fuzz
