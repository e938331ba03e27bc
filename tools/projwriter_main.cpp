// m4_projwriter <folder>: writes the demo game project into the folder: the database, the system
// data, the world map, "System.ini", the common palette, the demo stage ("data\stg4\demo.stg4_000"),
// the system pictures, the blend tables, the sounds and the title music.
#include "demo_project.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    if (!demo_project::Write(argv[1])) {
        std::fprintf(stderr, "m4_projwriter: cannot write the project into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
