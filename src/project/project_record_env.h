// The environment that definition and flow records consult while they load and validate: the
// project database's list lengths, the common palette, the running stage's palette, and the two
// switches that keep editor-only flows (started by the editor, the system data's flow format).
// Installed at static initialisation by the files of the common palette and the stages, so every
// record loaded by the program sees the project's own lists.
#pragma once

#include "records/def_env.h"

class cProjectRecordEnv : public cDefRecordEnv {
  public:
    std::int64_t DatabaseCount(DbList list) const override;
    bool SwordFrameTimes(std::int32_t swordType, std::vector<std::int32_t>& times) const override;
    bool FromEditor() const override { return m_bFromEditor; }
    // The system data's flow-format switch.
    bool KeepEditorOnlyFlows() const override;
    cCheckedVector<cEdBlockDef>* EnvBlockPalette(PaletteId id) const override;
    cCheckedVector<cEdCharaDef>* EnvCharaPalette(PaletteId id) const override;
    cCheckedVector<cEdItemDef>* EnvItemPalette(PaletteId id) const override;
    std::int64_t CharaBitmapCount() const override;
    cEdStage* RunningStage() const override;

    // Set by start-up when the player was started by the editor.
    bool m_bFromEditor = false;
};

// The one project environment (start-up sets m_bFromEditor).
cProjectRecordEnv& ProjectRecordEnv();
// Installs it as the records' environment; returns true.
bool InstallProjectRecordEnv();
