#include "project/common_palette.h"

#include <algorithm>

#include "app/log.h"
#include "app/paths.h"
#include "project/project_record_env.h"
#include "records/ed_stage.h"

cCommonPalette g_CommonPalette;

namespace {
// Palette entries resolve their references against the project.
[[maybe_unused]] const bool g_bEnvInstalled = InstallProjectRecordEnv();
} // namespace

cCommonPalette::cCommonPalette() {
    RegisterMembers(g_nDataVersion);
    Reset();
    m_Blocks.assign(1, cEdBlockDef());
    m_Charas.assign(1, cEdCharaDef());
    m_Items.assign(1, cEdItemDef());
}

cCommonPalette::~cCommonPalette() = default;

void cCommonPalette::RegisterMembers(std::int32_t) {
    ClearMembers();
}

bool cCommonPalette::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!LoadBlockPalette(fp, m_Blocks)) return false;
    if (!LoadCharaPalette(fp, m_Charas)) return false;
    if (!LoadItemPalette(fp, m_Items)) return false;
    // Entry 0 of each list means "none" and holds the defaults.
    if (!m_Blocks.empty()) m_Blocks[0].Clear();
    if (!m_Charas.empty()) m_Charas[0].Clear();
    if (!m_Items.empty()) m_Items[0].Clear();
    // Common palette entries keep no inheritance marks.
    for (cEdBlockDef& block : m_Blocks)
        std::fill(block.m_InheritFlags.begin(), block.m_InheritFlags.end(), 0);
    for (cEdCharaDef& chara : m_Charas)
        std::fill(chara.m_InheritFlags.begin(), chara.m_InheritFlags.end(), 0);
    for (cEdItemDef& item : m_Items)
        std::fill(item.m_InheritFlags.begin(), item.m_InheritFlags.end(), 0);
    Normalise();
    return true;
}

bool cCommonPalette::Save(std::FILE* fp) {
    Normalise();
    if (!cSerialRecord::Save(fp)) return false;
    return SaveRecordList(fp, m_Blocks) && SaveRecordList(fp, m_Charas) && SaveRecordList(fp, m_Items);
}

void cCommonPalette::Normalise() {
    PadBlockList(m_Blocks, 2);
    PadCharaList(m_Charas, 2);
    PadItemList(m_Items, 2);
    ValidateDefLists(m_Blocks, m_Charas, m_Items);
}

bool LoadCommonPalette() {
    const std::string& path = g_PathTable[PATH_COMMON_PALETTE];
    if (!g_CommonPalette.LoadFile(path)) {
        ReportErrBox("%s のロードに失敗！", path.c_str());
        return false;
    }
    return true;
}
