#include "stage_writer.h"

#include <cstdio>
#include <filesystem>

#include "project/stage_file.h"

namespace stage_writer {

namespace {

bool MakeFolder(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir);
}

} // namespace

std::string StageRevisionName(const std::string& base, int revision) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%d%d%d", revision / 100 % 10, revision / 10 % 10, revision % 10);
    return base + ".stg4" + suffix;
}

bool WriteCommonPalette(const std::string& folder, const cCommonPalette& palette) {
    const std::filesystem::path dir = std::filesystem::path(folder) / "data";
    if (!MakeFolder(dir)) return false;
    // Saved as the common palette, which selector 1 names while it is validated.
    g_CommonPalette = palette;
    return g_CommonPalette.SaveFile((dir / "CommonPalette.cplt4").string());
}

bool WriteStageFile(const std::string& folder, const std::string& base, int revision, const cEdStage& stage) {
    if (revision < 0 || revision > 999) return false;
    const std::filesystem::path dir = std::filesystem::path(folder) / "data" / "stg4";
    if (!MakeFolder(dir)) return false;
    g_Stage = stage;
    // Objects may use the whole stage, as the editor stores it, unless the stage says otherwise.
    if (g_Stage.m_nExtentX == 0) g_Stage.m_nExtentX = g_Stage.m_nWidth * 32;
    if (g_Stage.m_nExtentY == 0) g_Stage.m_nExtentY = g_Stage.m_nHeight * 32;
    return g_Stage.SaveFile((dir / StageRevisionName(base, revision)).string());
}

cEdBlockDef MakeBlock(int x, int y, int picture) {
    cEdBlockDef block;
    block.m_nX = static_cast<std::int16_t>(x);
    block.m_nY = static_cast<std::int16_t>(y);
    block.m_nPictureNo = static_cast<std::uint16_t>(picture);
    block.m_nSolidity = 1;
    return block;
}

cEdCharaDef MakeHero(int x, int y, int picture) {
    cEdCharaDef hero = MakeChara(x, y, picture);
    hero.m_nController = 0;
    hero.m_nFaction = 0;
    hero.m_nFacing = 1;
    return hero;
}

cEdCharaDef MakeChara(int x, int y, int picture) {
    cEdCharaDef chara;
    chara.m_nX = static_cast<std::int16_t>(x);
    chara.m_nY = static_cast<std::int16_t>(y);
    chara.m_nPictureNo = static_cast<std::int16_t>(picture);
    return chara;
}

cEdItemDef MakeItem(int x, int y, int picture) {
    cEdItemDef item;
    item.m_nX = static_cast<std::int16_t>(x);
    item.m_nY = static_cast<std::int16_t>(y);
    item.m_nPictureNo = static_cast<std::int16_t>(picture);
    return item;
}

cEdStage MakeFloorStage(int width, int height) {
    cEdStage stage;
    stage.m_nWidth = width;
    stage.m_nHeight = height;
    for (int x = 0; x < width; ++x)
        stage.m_Blocks.push_back(MakeBlock(x, height - 1, 1));
    stage.m_Charas.push_back(MakeHero(2, height - 2, 1));
    return stage;
}

cCommonPalette DemoCommonPalette() {
    cCommonPalette palette;
    palette.m_Blocks.resize(2);
    palette.m_Blocks[1] = MakeBlock(0, 0, 1);
    palette.m_Blocks[1].m_strText = "地面";
    palette.m_Charas.resize(2);
    palette.m_Charas[1] = MakeChara(0, 0, 2);
    palette.m_Items.resize(2);
    palette.m_Items[1] = MakeItem(0, 0, 3);
    return palette;
}

} // namespace stage_writer
