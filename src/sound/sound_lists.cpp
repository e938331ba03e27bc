#include "project/project_database.h"
#include "project/system_data.h"
#include "sound/sound.h"

void BuildSoundLists() {
    const int n = g_Database.m_Sounds.Count() + 16;
    g_Sounds.resize(static_cast<std::size_t>(n));
    g_SoundSources.resize(static_cast<std::size_t>(n));
    auto fill = [](cSoundSource& source, const std::string& file) {
        source.szFileName = file;
        source.nDupCount = 1;
        source.nVolume = 0;
        source.nFlag = 1;
    };
    for (int i = 0; i < SYSTEM_SOUNDS && i < n; ++i)
        fill(g_SoundSources.at(i), g_SystemData.m_vstrSystemSounds.at(i));
    for (int k = 1; k < g_Database.m_Sounds.Count(); ++k)
        fill(g_SoundSources.at(16 + k), g_Database.m_Sounds.at(k).szFileName);
}
