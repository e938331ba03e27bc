// m4_projwriter <folder>: writes the demo game project into the folder.
#include "project_writer.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    g_nDataVersion = DATA_VERSION_CURRENT;
    if (!project_writer::WriteDemoProject(argv[1])) {
        std::fprintf(stderr, "m4_projwriter: cannot write the project into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
