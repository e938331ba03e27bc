// What block, character and item definitions and the stage record need of the world around them:
// the palette lists that selectors 1 and 2 name, the length of the character-bitmap list and the
// running stage. An extension of the flow records' environment (record_env.h), so one installed
// environment answers both.
//
// With no such environment installed every palette is unknown: references to it are kept as they
// are and nothing is inherited.
#pragma once

#include <algorithm>

#include <cstdint>

#include "app/checked_containers.h"
#include "records/record_env.h"

class cEdBlockDef;
class cEdCharaDef;
class cEdItemDef;
class cEdStage;

// Palette selectors stored in definitions.
constexpr int PALETTE_NONE = 0;
constexpr int PALETTE_COMMON = 1;
constexpr int PALETTE_STAGE = 2;

class cDefRecordEnv : public cFlowRecordEnv {
  public:
    const cDefRecordEnv* AsDefEnv() const override { return this; }
    // The lists of a palette; null when that palette is not known. The stage palette is that of the
    // stage this thread is reading or normalising (cOwnStagePalettes), else the running stage's.
    cCheckedVector<cEdBlockDef>* BlockPalette(PaletteId id) const;
    cCheckedVector<cEdCharaDef>* CharaPalette(PaletteId id) const;
    cCheckedVector<cEdItemDef>* ItemPalette(PaletteId id) const;
    // Number of entries of the project's character-bitmap list; negative when unknown.
    virtual std::int64_t CharaBitmapCount() const { return -1; }
    // The running stage (the one whose timing values play reads); null when there is none.
    virtual cEdStage* RunningStage() const { return nullptr; }

    // Answered from the lists above.
    std::int64_t PaletteCount(PaletteId id, PaletteList list) const override;

  protected:
    // The palettes of the world around the records: the common palette and the running stage's;
    // null when not known.
    virtual cCheckedVector<cEdBlockDef>* EnvBlockPalette(PaletteId) const { return nullptr; }
    virtual cCheckedVector<cEdCharaDef>* EnvCharaPalette(PaletteId) const { return nullptr; }
    virtual cCheckedVector<cEdItemDef>* EnvItemPalette(PaletteId) const { return nullptr; }
};

// While one lives, a stage's references to the stage palette are resolved on this thread against
// that stage's own palettes, whichever stage runs: a stage read into a copy (a replay's, read apart
// so that a damaged file changes nothing) keeps the entries its own palettes hold. Scopes nest.
class cOwnStagePalettes {
  public:
    explicit cOwnStagePalettes(cEdStage& stage);
    ~cOwnStagePalettes();
    cOwnStagePalettes(const cOwnStagePalettes&) = delete;
    cOwnStagePalettes& operator=(const cOwnStagePalettes&) = delete;

  private:
    cEdStage* m_lpPrevious;
};

// The installed environment when it is a definition environment, else null.
const cDefRecordEnv* DefRecordEnv();

// The palette a selector names: 1 common, 2 stage; false for any other selector.
bool PaletteOfSelector(int selector, PaletteId& id);

// Whether a palette reference may stay: selector 0 always; selector 1 or 2 when the entry index
// lies inside that palette's list (or the list is unknown); a negative index is outside, and a
// selector outside 0-2 never stays.
bool PaletteRefKept(int selector, int entry, PaletteList list);
// A palette reference that may not stay becomes none (selector and entry 0).
void DropLostPaletteRef(std::int8_t& selector, std::int16_t& entry, PaletteList list);

// The entry a definition inherits from, resolved as loading does: null when the selector or the
// entry is 0 or the palette is unknown; a selector outside 0-2, or an entry outside the palette's
// list (a negative one included), makes the reference none (0, 0) and gives null.
template <class T>
T* ResolveInheritEntry(std::int8_t& palette, std::int16_t& entry,
                       cCheckedVector<T>* (cDefRecordEnv::*listOf)(PaletteId) const) {
    if (palette == PALETTE_NONE || entry == 0) return nullptr;
    PaletteId id{};
    if (!PaletteOfSelector(palette, id)) {
        palette = PALETTE_NONE;
        entry = 0;
        return nullptr;
    }
    const cDefRecordEnv* env = DefRecordEnv();
    cCheckedVector<T>* list = env ? (env->*listOf)(id) : nullptr;
    if (!list) return nullptr;
    if (entry < 0 || entry >= list->Count()) {
        palette = PALETTE_NONE;
        entry = 0;
        return nullptr;
    }
    return &(*list)[static_cast<std::size_t>(entry)];
}

// Copies from the entry a definition names every member group its inherit flags mark (flags beyond
// the `groups` groups of the class mean nothing).
template <class T>
void ApplyInheritance(T& def, cCheckedVector<T>* (cDefRecordEnv::*listOf)(PaletteId) const, int groups,
                      void (*copyGroup)(T&, const T&, int)) {
    T* entry = ResolveInheritEntry(def.m_nPalette, def.m_nPaletteEntry, listOf);
    if (!entry || entry == &def) return;
    const int n = std::min<int>(static_cast<int>(def.m_InheritFlags.size()), groups);
    for (int i = 0; i < n; ++i)
        if (def.m_InheritFlags[static_cast<std::size_t>(i)]) copyGroup(def, *entry, i);
}
