#include "project/project_record_env.h"

#include "project/common_palette.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"

cProjectRecordEnv& ProjectRecordEnv() {
    static cProjectRecordEnv env;
    return env;
}

bool InstallProjectRecordEnv() {
    SetFlowRecordEnv(&ProjectRecordEnv());
    return true;
}

std::int64_t cProjectRecordEnv::DatabaseCount(DbList list) const {
    switch (list) {
    case DbList::Animes:
        return g_Database.m_Animes.Count();
    case DbList::AnimeSets:
        return g_Database.m_AnimeSets.Count();
    case DbList::Effects:
        return g_Database.m_Effects.Count();
    case DbList::CharaEffects:
        return g_Database.m_CharaEffects.Count();
    case DbList::ScrEffects:
        return g_Database.m_ScrEffects.Count();
    case DbList::Pictures:
        return g_Database.m_Pictures.Count();
    case DbList::Sounds:
        return g_Database.m_Sounds.Count();
    case DbList::Bgms:
        return g_Database.m_Bgms.Count();
    case DbList::SwordTypes:
        return g_Database.m_SwordTypes.Count();
    }
    return -1;
}

bool cProjectRecordEnv::SwordFrameTimes(std::int32_t swordType, std::vector<std::int32_t>& times) const {
    if (swordType < 0 || swordType >= g_Database.m_SwordTypes.Count()) return false;
    times.clear();
    for (const auto& frame : g_Database.m_SwordTypes[static_cast<std::size_t>(swordType)].m_Frames)
        times.push_back(frame.nTime);
    return true;
}

cCheckedVector<cEdBlockDef>* cProjectRecordEnv::EnvBlockPalette(PaletteId id) const {
    return id == PaletteId::Common ? &g_CommonPalette.m_Blocks : &g_Stage.m_PaletteBlocks;
}

cCheckedVector<cEdCharaDef>* cProjectRecordEnv::EnvCharaPalette(PaletteId id) const {
    return id == PaletteId::Common ? &g_CommonPalette.m_Charas : &g_Stage.m_PaletteCharas;
}

cCheckedVector<cEdItemDef>* cProjectRecordEnv::EnvItemPalette(PaletteId id) const {
    return id == PaletteId::Common ? &g_CommonPalette.m_Items : &g_Stage.m_PaletteItems;
}

std::int64_t cProjectRecordEnv::CharaBitmapCount() const {
    return g_Database.m_CharaBmps.Count();
}

cEdStage* cProjectRecordEnv::RunningStage() const {
    return &g_Stage;
}

bool cProjectRecordEnv::KeepEditorOnlyFlows() const {
    return g_SystemData.m_nFlowFormat != 0;
}
