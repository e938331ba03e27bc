// The benchmarks' own temporary folder: one per run, made on first use under the system's temporary
// folder and removed with everything in it when the program exits.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace bench {

inline const std::filesystem::path& TempFolder() {
    // Never destroyed, so that the removal at exit still has the name.
    static const std::filesystem::path* const dir = [] {
        namespace fs = std::filesystem;
        auto* d = new fs::path(fs::temp_directory_path() / ("m4_bench_" + std::to_string(::getpid())));
        std::error_code ec;
        fs::remove_all(*d, ec);
        fs::create_directories(*d);
        std::atexit([] {
            std::error_code e;
            // The database benchmark works inside the folder; leave it before removing it.
            fs::current_path(fs::temp_directory_path(), e);
            fs::remove_all(TempFolder(), e);
        });
        return d;
    }();
    return *dir;
}

} // namespace bench
