// The command line of a benchmark that compares figures over repetitions: interleaved repetitions
// at random, as many as it asks for, unless the command line says otherwise.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

// Initialises Google Benchmark with the arguments given, adding random interleaving and the given
// number of repetitions where they are not among them; false when an argument is not known.
inline bool InitializeInterleaved(int argc, char** argv, int repetitions) {
    static std::string interleave = "--benchmark_enable_random_interleaving=true";
    static std::string repeat;
    repeat = "--benchmark_repetitions=" + std::to_string(repetitions);
    std::vector<char*> args(argv, argv + argc);
    for (std::string* given : {&interleave, &repeat}) {
        const std::size_t name = given->find('=');
        if (std::none_of(args.begin() + 1, args.end(),
                         [&](const char* a) { return std::strncmp(a, given->c_str(), name) == 0; }))
            args.push_back(given->data());
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    return !benchmark::ReportUnrecognizedArguments(n, args.data());
}

} // namespace bench
