#include "demo_project.h"

#include "blend_table.h"
#include "bmp_writer.h"
#include "demo_music.h"
#include "demo_pictures.h"
#include "demo_sounds.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include "records/serial_record.h"

namespace demo_project {

cEdStage DemoStage() {
    cEdStage stage = stage_writer::MakeFloorStage(40, 15);
    // Picture numbers: blocks 3 brick, 6 bonus; character 2 the slime; item 1 the coin.
    for (int x = 8; x < 12; ++x)
        stage.m_Blocks.push_back(stage_writer::MakeBlock(x, 10, x == 10 ? 6 : 3));
    for (int x = 16; x < 21; ++x)
        stage.m_Blocks.push_back(stage_writer::MakeBlock(x, 8, 3));
    for (int x = 17; x < 20; ++x)
        stage.m_Items.push_back(stage_writer::MakeItem(x, 7, 1));
    stage.m_Charas.push_back(stage_writer::MakeChara(26, 13, 2));
    return stage;
}

bool Write(const std::string& folder) {
    g_nDataVersion = DATA_VERSION_CURRENT;
    const bool ogg = ogg_writer::Available();
    return project_writer::WriteDemoProject(folder, ogg) &&
           stage_writer::WriteCommonPalette(folder, stage_writer::DemoCommonPalette()) &&
           stage_writer::WriteStageFile(folder, "demo", 0, DemoStage()) && demo_pictures::WriteAll(folder) &&
           blend_table::WriteAll(folder, bmp_writer::DemoPalette()) && demo_sounds::WriteAll(folder) &&
           demo_music::WriteAll(folder, ogg);
}

} // namespace demo_project
