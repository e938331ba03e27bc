#include "demo_project.h"

#include "blend_table.h"
#include "bmp_writer.h"
#include "demo_game.h"
#include "demo_music.h"
#include "demo_pictures.h"
#include "demo_sounds.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include "records/serial_record.h"

namespace demo_project {

cEdStage DemoStage() {
    return demo_game::Meadow();
}

bool Write(const std::string& folder) {
    g_nDataVersion = DATA_VERSION_CURRENT;
    const bool ogg = ogg_writer::Available();
    // The stages are checked against the project's lists while they are saved: the demo's database
    // stands in for the running one meanwhile.
    cProjectDatabase running = g_Database;
    g_Database = project_writer::DemoDatabase(ogg);
    const bool stages = demo_game::WriteStages(folder);
    g_Database = std::move(running);
    return stages && project_writer::WriteDemoProject(folder, ogg) &&
           stage_writer::WriteCommonPalette(folder, stage_writer::DemoCommonPalette()) &&
           demo_pictures::WriteAll(folder) && blend_table::WriteAll(folder, bmp_writer::DemoPalette()) &&
           demo_sounds::WriteAll(folder) && demo_music::WriteAll(folder, ogg);
}

} // namespace demo_project
