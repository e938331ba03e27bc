// m4_projwriter <folder> [--title-midi]: writes the demo game project into the folder: the database,
// the system data, the world map, "System.ini", the common palette, the demo stage
// ("data\stg4\demo.stg4_000"), the system pictures, the blend tables, the sounds and the title music.
// With --title-midi the title scene plays the MIDI piece instead of the OGG one.
#include "demo_project.h"
#include "ogg_writer.h"
#include "project_writer.h"

#include <cstdio>
#include <cstring>

namespace {

bool UseMidiTitleMusic(const char* folder) {
    const bool ogg = ogg_writer::Available();
    const cProjectDatabase db = project_writer::DemoDatabase(ogg);
    cSystemData data = project_writer::DemoSystemData();
    // Menu music 2 is the MIDI piece.
    data.m_vnMenuBgm.at(0) = 2;
    return project_writer::WriteSystemData(folder, data, db);
}

} // namespace

int main(int argc, char** argv) {
    const bool midiTitle = argc == 3 && std::strcmp(argv[2], "--title-midi") == 0;
    if (argc != 2 && !midiTitle) {
        std::fprintf(stderr, "usage: %s <folder> [--title-midi]\n", argv[0]);
        return 2;
    }
    if (!demo_project::Write(argv[1]) || (midiTitle && !UseMidiTitleMusic(argv[1]))) {
        std::fprintf(stderr, "m4_projwriter: cannot write the project into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
