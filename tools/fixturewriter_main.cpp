// m4_fixturewriter <folder>: writes the whole-program tests' fixture stages into a project folder that
// m4_projwriter has written.
#include "fixture_stages.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    if (!fixture_stages::WriteAll(argv[1])) {
        std::fprintf(stderr, "m4_fixturewriter: cannot write the fixture stages into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
