#include <algorithm>

#include <boost/make_shared.hpp>

#include "records/ed_flow.h"
#include "records/param_tables.h"
#include "records/record_env.h"

namespace {

// A settings record of the copy's own (none when the source has none).
template <class T> boost::shared_ptr<T> OwnCopy(const boost::shared_ptr<T>& src) {
    if (!src) return boost::shared_ptr<T>();
    return boost::make_shared<T>(*src);
}

} // namespace

// Every stored member starts at 0 and the text empty, as Reset would leave them.
cEdFlowCmd::cEdFlowCmd() {
    RegisterFor(g_nDataVersion);
}

// The members are copied as they are constructed; the settings are copies of their own.
cEdFlowCmd::cEdFlowCmd(const cEdFlowCmd& src)
    : cSerialRecord(src), m_bItem(src.m_bItem), m_nKind(src.m_nKind), m_Params(src.m_Params),
      m_strText(src.m_strText), m_Move(OwnCopy(src.m_Move)), m_Shot(OwnCopy(src.m_Shot)),
      m_nUseTime(src.m_nUseTime), m_nUseTimeStep(src.m_nUseTimeStep), m_bRunWithNext(src.m_bRunWithNext),
      m_nSound(src.m_nSound), m_nSoundCond(src.m_nSoundCond), m_nAnimation(src.m_nAnimation),
      m_Flows(src.m_Flows) {}

cEdFlowCmd& cEdFlowCmd::operator=(const cEdFlowCmd& src) {
    if (this == &src) return *this;
    cSerialRecord::operator=(src);
    CopyFrom(src);
    return *this;
}

// Members are destroyed in reverse order: the flows, the shot settings, the movement settings, the text,
// the parameter list.
cEdFlowCmd::~cEdFlowCmd() = default;

void cEdFlowCmd::CopyFrom(const cEdFlowCmd& src) {
    m_bItem = src.m_bItem;
    m_nKind = src.m_nKind;
    m_Params = src.m_Params;
    m_strText = src.m_strText;
    // The settings are copied into records of this command's own.
    m_Move = OwnCopy(src.m_Move);
    m_Shot = OwnCopy(src.m_Shot);
    m_nUseTime = src.m_nUseTime;
    m_nUseTimeStep = src.m_nUseTimeStep;
    m_bRunWithNext = src.m_bRunWithNext;
    m_nSound = src.m_nSound;
    m_nSoundCond = src.m_nSoundCond;
    m_nAnimation = src.m_nAnimation;
    m_Flows = src.m_Flows;
}

void cEdFlowCmd::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_bItem);
    DeclareField(&m_nKind);
    DeclareField(&m_nUseTime);
    DeclareField(&m_nUseTimeStep);
    DeclareField(&m_bRunWithNext);
    DeclareField(&m_nSound);
    DeclareField(&m_nSoundCond);
    DeclareField(&m_nAnimation);
    DeclareStringField(&m_strText);
}

void cEdFlowCmd::Clear() {
    Reset();
    m_Move.reset();
    m_Shot.reset();
    m_nSoundCond = 1;
}

namespace {

// Reads a settings flag and, when it is set, the settings chunk into a new record.
template <class T>
bool LoadSettings(std::FILE* fp, boost::shared_ptr<T>& holder, int (*make)(boost::shared_ptr<T>&)) {
    std::uint32_t flag = 0;
    if (!ReadU32(fp, flag)) return false;
    holder.reset();
    if (flag == 0) return true;
    make(holder);
    return holder->Load(fp);
}

template <class T> bool SaveSettings(std::FILE* fp, boost::shared_ptr<T>& holder) {
    if (!holder) return WriteU32(fp, 0);
    if (!WriteU32(fp, 1)) return false;
    return holder->Save(fp);
}

} // namespace

bool cEdFlowCmd::Load(std::FILE* fp) {
    bool ok = cSerialRecord::Load(fp);
    ok = ok && LoadSettings<cEdMove>(fp, m_Move, &NewMove);
    ok = ok && LoadSettings<cEdShot>(fp, m_Shot, &NewShot);
    ok = ok && LoadFlowList(m_Flows, fp);
    ok = ok && LoadI32Vector(fp, m_Params);
    if (g_nLoadVersion < DATA_VERSION_CURRENT) ApplyUpgrades();
    if (ShouldRemoveEditorOnlyFlows()) RemoveEditorOnlyFlows(m_Flows);
    FixReferences();
    return ok;
}

bool cEdFlowCmd::Save(std::FILE* fp) {
    FixReferences();
    if (!cSerialRecord::Save(fp)) return false;
    if (!SaveSettings(fp, m_Move)) return false;
    if (!SaveSettings(fp, m_Shot)) return false;
    if (!SaveFlowList(m_Flows, fp)) return false;
    return SaveI32Vector(fp, m_Params);
}

// ---- Upgrades of commands stored by older versions ----

namespace {

class cParamEditor {
  public:
    explicit cParamEditor(cCheckedVector<std::int32_t>& p) : m_p(p) {}
    bool Has(int i) const { return i >= 0 && i < m_p.Count(); }
    // Parameter i; a parameter the record does not hold reads as 0.
    std::int32_t Get(int i) const { return Has(i) ? m_p[static_cast<std::size_t>(i)] : 0; }
    void Set(int i, std::int32_t v) {
        if (Has(i)) m_p[static_cast<std::size_t>(i)] = v;
    }
    void Resize(int n) { m_p.resize(static_cast<std::size_t>(n), 0); }
    // Resize to n, then move the elements from i on one place back and put v at i.
    void InsertKeep(int i, std::int32_t v, int n) {
        Resize(n);
        for (int j = n - 1; j >= i + 1; --j)
            m_p[static_cast<std::size_t>(j)] = m_p[static_cast<std::size_t>(j - 1)];
        Set(i, v);
    }

  private:
    cCheckedVector<std::int32_t>& m_p;
};

// x + k in 32 bits, wrapping as the stored number would (never an overflow of a signed int).
std::int32_t Plus(std::int32_t x, std::int32_t k) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(x) + static_cast<std::uint32_t>(k));
}

// Status numbers of the status operation gained an entry at `from`.
void RenumberStatus(cParamEditor& p, int from) {
    if (p.Has(4) && p.Get(0) == 0 && p.Get(3) != 2 && p.Get(4) >= from) p.Set(4, Plus(p.Get(4), 1));
    if (p.Has(13) && p.Get(6) == 2 && p.Get(12) != 2 && p.Get(13) >= from) p.Set(13, Plus(p.Get(13), 1));
}

} // namespace

void cEdFlowCmd::ApplyUpgrades() {
    const int v = g_nLoadVersion;
    // A step names a character command kind; the item command of that kind - 15 takes it too. Steps of
    // kinds below 17 concern character commands only.
    auto is = [this](int flowKind) {
        if (!m_bItem) return m_nKind == flowKind;
        return flowKind >= FCT_STAGE_CLEAR && m_nKind == flowKind - ITEM_KIND_OFFSET;
    };
    cParamEditor p(m_Params);

    if (v < 145 && is(FCT_STAGE_CLEAR)) p.Resize(9);
    if (v < 166 && is(FCT_PLAY_BGM)) {
        p.Resize(2);
        p.Set(1, 1);
    }
    if (v < 168 && is(FCT_STATUS)) RenumberStatus(p, 10);
    if (v < 189 && is(FCT_SET_TARGET)) p.InsertKeep(2, 0, 10);
    if (v < 194 && is(FCT_SHOW_PICTURE)) p.InsertKeep(6, 1, 15);
    if (v < 195 && (is(FCT_CHARA_EFFECT) || is(FCT_SCREEN_EFFECT))) p.InsertKeep(1, 0, 3);
    if (v < 203) {
        if (is(FCT_SUMMON_CHARA) || is(FCT_SUMMON_ITEM)) p.Resize(0);
        if (is(FCT_FLOW_CONTROL)) p.Resize(3);
        if (is(FCT_STATUS)) RenumberStatus(p, 5);
    }
    if (v < 210 && is(FCT_STATUS2) && p.Has(1) && p.Get(0) != 2 && p.Get(1) >= 6) p.Set(1, Plus(p.Get(1), 1));
    if (v < 219 && is(FCT_CHANGE_GRAPHIC) && p.Has(1) && p.Get(0) == 3) {
        // Widened so that the largest stored number cannot wrap.
        p.Set(1, static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{p.Get(1)} + 1, 119)));
    }
    if (v < 220 && is(FCT_SHOT) && m_Shot) {
        std::int32_t g = m_Shot->m_nGraphic + 1;
        if (g > 119) g = 119;
        m_Shot->m_nGraphic = static_cast<std::int16_t>(g);
    }
    if (v < 514 && is(FCT_CHARGE_MOVE) && m_Move) {
        m_Move->m_nAngle = 0;
        m_Move->m_nAngleStep = 0;
        m_Move->m_bMirrorAngle = 1;
    }
    if (v < 545) {
        if (is(FCT_MESSAGE)) {
            p.Resize(18);
            p.Set(10, 1);
        } else if (is(FCT_SHOW_PICTURE)) {
            p.Resize(15);
            p.Set(11, 0);
        }
    }
    if (v < 546 && is(FCT_MESSAGE) && p.Has(10)) p.Set(10, (p.Get(0) == 0 || p.Get(0) == 7) ? 1 : 0);
    if (v < 547) {
        if (is(FCT_MESSAGE)) {
            p.Resize(18);
            p.Set(11, 0);
            p.Set(12, 0);
            p.Set(13, 0);
            p.Set(14, 1);
            p.Set(15, 0);
        } else if (is(FCT_SHOW_PICTURE)) {
            p.Resize(15);
            p.Set(12, 0);
            p.Set(13, 0);
        }
    }
    if (v < 556 && is(FCT_MESSAGE)) {
        p.Resize(18);
        p.Set(16, 1);
    }
    if (v < 722 && is(FCT_STAGE_CLEAR) && p.Has(0) && p.Get(0) >= 2) p.Set(0, Plus(p.Get(0), 1));
    if (v < 723) {
        if (is(FCT_MESSAGE)) {
            p.Resize(18);
            p.Set(17, 0);
        } else if (is(FCT_SHOW_PICTURE)) {
            p.Resize(15);
            p.Set(14, 0);
        }
    }
    if (v < 726 && is(FCT_ARRANGE)) {
        p.Resize(5);
        p.Set(0, FCT_SHOT);
    }
    if (v < 727 && is(FCT_ARRANGE) && p.Has(1) && p.Get(0) == FCT_SHOT) {
        // The shot's parameter numbers after the formation values 2-4 and the values 14-17 were added.
        std::int32_t n = p.Get(1);
        for (int at : {2, 3, 4, 14, 15, 16, 17})
            if (n >= at) n = Plus(n, 1);
        p.Set(1, n);
    }
}

// ---- Fix-ups ----

void cEdFlowCmd::FixReferences() {
    const cFlowRecordEnv& env = FlowRecordEnv();
    if (IsOutsideList(m_nAnimation, env.DatabaseCount(DbList::Animes))) m_nAnimation = 0;
    if (IsOutsideList(m_nSound, env.DatabaseCount(DbList::Sounds))) m_nSound = 0;

    // A kind outside the rows of its list has no parameter count: its record is kept as loaded.
    if (HasKnownKind()) {
        const std::vector<CommandKindInfo>& kinds = m_bItem ? ItemCommandKinds() : CommandKinds();
        m_Params.resize(static_cast<std::size_t>(kinds[static_cast<std::size_t>(m_nKind)].count), 0);

        const int kind = FlowKind();
        if (kind == FCT_SWORD && !m_bItem && m_Shot) {
            const std::int64_t swordTypes = env.DatabaseCount(DbList::SwordTypes);
            if (IsOutsideList(m_Shot->m_nMoveKind, swordTypes)) m_Shot->m_nMoveKind = 0;
            std::vector<std::int32_t> times;
            if (env.SwordFrameTimes(m_Shot->m_nMoveKind, times)) {
                std::int16_t sum = 0;
                for (std::int32_t t : times) {
                    sum = static_cast<std::int16_t>(sum + static_cast<std::int16_t>(t & 0xFFFF));
                    if (sum > 9999) sum = 9999;
                }
                m_nUseTime = sum;
            }
        }
        // The first parameter names an entry of a database list; one outside it becomes the reset
        // value (entry 1 for most kinds), whatever the list's length.
        auto fixFirst = [this](DbList list, std::int32_t reset) {
            const std::int64_t count = FlowRecordEnv().DatabaseCount(list);
            if (m_Params.empty() || !IsOutsideList(m_Params[0], count)) return;
            m_Params[0] = reset;
        };
        switch (kind) {
        case FCT_CHANGE_ANIMSET:
            fixFirst(DbList::AnimeSets, 0);
            break;
        case FCT_RUN_ANIME:
            fixFirst(DbList::Animes, 1);
            break;
        case FCT_RUN_EFFECT:
            fixFirst(DbList::Effects, 1);
            break;
        case FCT_CHARA_EFFECT:
            fixFirst(DbList::CharaEffects, 1);
            break;
        case FCT_SCREEN_EFFECT:
            fixFirst(DbList::ScrEffects, 1);
            break;
        case FCT_SHOW_PICTURE:
            fixFirst(DbList::Pictures, 1);
            break;
        case FCT_PLAY_SE:
            fixFirst(DbList::Sounds, 1);
            break;
        case FCT_PLAY_BGM:
            fixFirst(DbList::Bgms, 1);
            break;
        default:
            break;
        }
    }
    for (cEdFlow& flow : m_Flows)
        flow.FixReferences();
}

void cEdFlowCmd::ValidatePalettes() {
    const cFlowRecordEnv& env = FlowRecordEnv();
    const int kind = FlowKind();
    if (!m_bItem && m_Shot) {
        cEdShot& s = *m_Shot;
        if ((kind == FCT_SHOT || kind == FCT_SWORD) && (s.m_nItemPalette == 1 || s.m_nItemPalette == 2)) {
            const PaletteId pal = s.m_nItemPalette == 1 ? PaletteId::Common : PaletteId::Stage;
            if (IsOutsideList(s.m_nItemEntry, env.PaletteCount(pal, PaletteList::Items))) {
                s.m_nItemPalette = 0;
                s.m_nItemEntry = 0;
            }
        }
        if ((kind == FCT_SUMMON_BLOCK || kind == FCT_SUMMON_CHARA || kind == FCT_SUMMON_ITEM) &&
            s.m_nSummonPalette <= 1) {
            const PaletteId pal = s.m_nSummonPalette == 0 ? PaletteId::Common : PaletteId::Stage;
            const PaletteList list = kind == FCT_SUMMON_BLOCK   ? PaletteList::Blocks
                                     : kind == FCT_SUMMON_CHARA ? PaletteList::Charas
                                                                : PaletteList::Items;
            if (IsOutsideList(s.m_nSummonEntry, env.PaletteCount(pal, list))) s.m_nSummonEntry = 1;
        }
    }
    if (kind == FCT_TAKE_ITEM && m_Params.Count() >= 2 && (m_Params[0] == 0 || m_Params[0] == 1)) {
        const PaletteId pal = m_Params[0] == 0 ? PaletteId::Common : PaletteId::Stage;
        if (IsOutsideList(m_Params[1], env.PaletteCount(pal, PaletteList::Items))) m_Params[1] = 1;
    }
    for (cEdFlow& flow : m_Flows)
        flow.ValidatePalettes();
}
