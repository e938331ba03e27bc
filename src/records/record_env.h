// What the flow records need to know of the world around them when they fix their references after
// loading: the lengths of the project database's lists, the palettes' definition lists, the frames of
// the sword types, and two start-up switches.
//
// The project layer installs an environment backed by the loaded database, the common palette and the
// running stage (SetFlowRecordEnv). Until then the default environment answers "unknown" for every
// count, and a reference checked against an unknown list is kept as it is.
#pragma once

#include <cstdint>
#include <vector>

enum class DbList {
    Animes,
    AnimeSets,
    Effects,
    CharaEffects,
    ScrEffects,
    Pictures,
    Sounds,
    Bgms,
    SwordTypes
};

// Which palette: the common palette or the running stage's palette.
enum class PaletteId { Common, Stage };
enum class PaletteList { Blocks, Charas, Items };

class cDefRecordEnv;

class cFlowRecordEnv {
  public:
    virtual ~cFlowRecordEnv() = default;
    // The same environment when it also resolves definitions (a cDefRecordEnv), else null. Asked
    // for every record read, so it is a plain virtual call rather than a dynamic_cast.
    virtual const cDefRecordEnv* AsDefEnv() const { return nullptr; }
    // Number of entries of a database list; negative when unknown.
    virtual std::int64_t DatabaseCount(DbList) const { return -1; }
    // Number of definitions of a palette's list; negative when unknown.
    virtual std::int64_t PaletteCount(PaletteId, PaletteList) const { return -1; }
    // The frame times (`nTime`) of a sword type's frames; false when the sword type does not exist.
    virtual bool SwordFrameTimes(std::int32_t, std::vector<std::int32_t>&) const { return false; }
    // The player was started by the editor.
    virtual bool FromEditor() const { return false; }
    // The system data keeps editor-only flows (its flow-format switch).
    virtual bool KeepEditorOnlyFlows() const { return false; }
};

// The environment in use (the default one when none is installed).
const cFlowRecordEnv& FlowRecordEnv();
// Installs an environment (null: back to the default) and returns the one installed before. The caller
// keeps it alive while installed.
const cFlowRecordEnv* SetFlowRecordEnv(const cFlowRecordEnv* env);

// True when `value`, taken as an unsigned 32-bit number after sign extension, is not below `count`.
// An unknown count (negative) puts nothing outside.
inline bool IsOutsideList(std::int32_t value, std::int64_t count) {
    if (count < 0) return false;
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)) >= static_cast<std::uint64_t>(count);
}
