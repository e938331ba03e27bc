// m4_fixturewriter <folder> effects: writes the demo project into the folder with the fixture
// named: "effects", a character and a screen effect of every kind and a stage that runs them all.
#include "effects_fixture.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[2], "effects") != 0) {
        std::fprintf(stderr, "usage: %s <folder> effects\n", argv[0]);
        return 2;
    }
    if (!effects_fixture::Write(argv[1])) {
        std::fprintf(stderr, "m4_fixturewriter: cannot write the fixture into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
