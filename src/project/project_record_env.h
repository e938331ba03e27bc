// The environment that definition and flow records consult while they load and validate: the
// project database's list lengths, the common palette, the running stage's palette, and the two
// start-up switches of editor-only flows. Installed at static initialisation by the files of the
// common palette and the stages, so every record loaded by the program sees the project's own lists.
#pragma once

#include "records/def_env.h"

class cProjectRecordEnv : public cDefRecordEnv {
  public:
    std::int64_t DatabaseCount(DbList list) const override;
    bool SwordFrameTimes(std::int32_t swordType, std::vector<std::int32_t>& times) const override;
    bool FromEditor() const override { return m_bFromEditor; }
    bool KeepEditorOnlyFlows() const override { return m_bKeepEditorOnlyFlows; }
    cCheckedVector<cEdBlockDef>* BlockPalette(PaletteId id) const override;
    cCheckedVector<cEdCharaDef>* CharaPalette(PaletteId id) const override;
    cCheckedVector<cEdItemDef>* ItemPalette(PaletteId id) const override;
    std::int64_t CharaBitmapCount() const override;
    cEdStage* RunningStage() const override;

    // Set by start-up: the player was started by the editor; the system data keeps editor-only
    // flows.
    bool m_bFromEditor = false;
    bool m_bKeepEditorOnlyFlows = false;
};

// The one project environment (start-up sets its two switches).
cProjectRecordEnv& ProjectRecordEnv();
// Installs it as the records' environment; returns true.
bool InstallProjectRecordEnv();
