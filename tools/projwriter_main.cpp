// m4_projwriter <folder>: writes the demo game project into the folder: the database, the system
// data, the world map, "System.ini", the common palette and one stage ("data\stg4\demo.stg4_000").
#include "project_writer.h"
#include "stage_writer.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    g_nDataVersion = DATA_VERSION_CURRENT;
    const std::string folder = argv[1];
    const bool ok = project_writer::WriteDemoProject(folder) &&
                    stage_writer::WriteCommonPalette(folder, stage_writer::DemoCommonPalette()) &&
                    stage_writer::WriteStageFile(folder, "demo", 0, stage_writer::MakeFloorStage(20, 15));
    if (!ok) {
        std::fprintf(stderr, "m4_projwriter: cannot write the project into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
