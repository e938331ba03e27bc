// The project writer's common palette and stage files, written through the records' own Save (the
// common palette's and the stage's normalisation included) so that the files are what the player
// reads back.
#pragma once

#include <string>

#include "project/common_palette.h"
#include "records/ed_stage.h"

namespace stage_writer {

// <folder>/data/CommonPalette.cplt4. The palette is saved as the common palette (what selector 1
// names while it is saved), so g_CommonPalette is replaced by a copy of `palette`.
bool WriteCommonPalette(const std::string& folder, const cCommonPalette& palette);
// <folder>/data/stg4/<base>.stg4_<revision as three digits>, revision 0 to 999, ending with the
// end marker. The stage is saved as the running stage (its palette is what selector 2 names while
// it is saved), so g_Stage is replaced by a copy of `stage`.
bool WriteStageFile(const std::string& folder, const std::string& base, int revision, const cEdStage& stage);
// The file name of a revision: "<base>.stg4_<rrr>".
std::string StageRevisionName(const std::string& base, int revision);

// Building blocks of small stages.
// A placed block at (x, y) showing picture `picture` (solid).
cEdBlockDef MakeBlock(int x, int y, int picture);
// A placed hero (player 1's character) at (x, y) with picture `picture`.
cEdCharaDef MakeHero(int x, int y, int picture);
// A placed computer character at (x, y).
cEdCharaDef MakeChara(int x, int y, int picture);
// A placed item at (x, y).
cEdItemDef MakeItem(int x, int y, int picture);

// A stage of width x height blocks with a floor of blocks on its last row and a hero standing on
// it at column 2.
cEdStage MakeFloorStage(int width, int height);
// The common palette of the demo: one solid block, one computer character and one item besides the
// "none" entries.
cCommonPalette DemoCommonPalette();

} // namespace stage_writer
