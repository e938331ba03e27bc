// m4_fixturewriter <folder> [<fixture>]: with no fixture named, writes the whole-program tests' fixture
// stages into a project folder that m4_projwriter has written; with one, writes the demo project into
// the folder with the fixture named: "effects", a character and a screen effect of every kind and a
// stage that runs them all; "riding", a stage whose hero rides a moving platform and one whose hero
// summons a block; "series", a first challenge stage whose hero clears it and goes on to the series'
// second part, taking its hit points and time limit along; "arranged", a common-palette item that
// arranges its own command, taken again and again, and flows of the stage's start that start each
// other; "memory", a stage whose set-up takes some 400 MB, one whose play takes memory without end and
// one whose hero's sight takes some 100 MB before its set-up's 400 MB.
#include "arranged_fixture.h"
#include "effects_fixture.h"
#include "fixture_stages.h"
#include "riding_fixture.h"
#include "series_fixture.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2) {
        if (!fixture_stages::WriteAll(argv[1])) {
            std::fprintf(stderr, "m4_fixturewriter: cannot write the fixture stages into %s\n", argv[1]);
            return 1;
        }
        return 0;
    }
    const char* name = argc == 3 ? argv[2] : "";
    const bool effects = std::strcmp(name, "effects") == 0, riding = std::strcmp(name, "riding") == 0,
               series = std::strcmp(name, "series") == 0, arranged = std::strcmp(name, "arranged") == 0,
               memory = std::strcmp(name, "memory") == 0;
    if (!effects && !riding && !series && !arranged && !memory) {
        std::fprintf(stderr, "usage: %s <folder> [effects|riding|series|arranged|memory]\n", argv[0]);
        return 2;
    }
    const bool written = effects    ? effects_fixture::Write(argv[1])
                         : riding   ? riding_fixture::Write(argv[1])
                         : arranged ? arranged_fixture::Write(argv[1])
                         : memory   ? fixture_stages::WriteMemory(argv[1])
                                    : series_fixture::Write(argv[1]);
    if (!written) {
        std::fprintf(stderr, "m4_fixturewriter: cannot write the fixture into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
