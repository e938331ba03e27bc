#include "records/ed_flow.h"

#include "records/record_env.h"

namespace {

// Depth of flows inside commands inside flows while a file is read.
thread_local int g_nFlowLoadDepth = 0;

struct NestingGuard {
    bool ok;
    NestingGuard() : ok(++g_nFlowLoadDepth <= MAX_FLOW_NESTING) {}
    ~NestingGuard() { --g_nFlowLoadDepth; }
};

// Upgrades compare stored bytes as signed 8-bit numbers.
int Signed8(std::uint8_t v) {
    return static_cast<std::int8_t>(v);
}

// The least bytes a stored element can take: its chunk's two counts, and the counts of its extras.
constexpr std::size_t MIN_FLOW_BYTES = MIN_CHUNK_BYTES + 3 * 4;    // conditions, key steps, commands
constexpr std::size_t MIN_COMMAND_BYTES = MIN_CHUNK_BYTES + 4 * 4; // two settings flags, flows, parameters
constexpr std::size_t MIN_KEY_STEP_BYTES = MIN_CHUNK_BYTES + 4;    // key states

// A list of records: the count must fit the rest of the file, each element taking at least minBytes.
template <class T>
bool LoadList(cCheckedVector<T>& list, std::FILE* fp, const T& prototype, std::size_t minBytes) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, minBytes)) return false;
    list.clear();
    list.resize(count, prototype);
    for (T& element : list)
        if (!element.Load(fp)) return false;
    return true;
}

template <class T> bool SaveList(cCheckedVector<T>& list, std::FILE* fp) {
    if (!WriteU32(fp, static_cast<std::uint32_t>(list.size()))) return false;
    for (T& element : list)
        if (!element.Save(fp)) return false;
    return true;
}

} // namespace

// A new record of this file starts with every stored member at 0 and every text empty, as Reset
// would leave it: it is only declared.

// ---- cEdFlowCond ----

cEdFlowCond::cEdFlowCond() {
    RegisterFor(g_nDataVersion);
}

cEdFlowCond::~cEdFlowCond() = default;

void cEdFlowCond::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 110) {
        DeclareField(&m_nKind);
        DeclareField(&m_nValue);
        DeclareField(&m_nRandMin);
        DeclareField(&m_nRandMax);
        DeclareField(&m_nSubject);
        DeclareField(&m_nItem);
        DeclareField(&m_nLeftSource);
        DeclareField(&m_nLeftScope);
        DeclareField(&m_nNumber);
        DeclareField(&m_nRightSource);
        DeclareField(&m_nRightSubject);
        DeclareField(&m_nRightItem);
        DeclareField(&m_nRightScope);
        DeclareField(&m_nRightNumber);
        DeclareField(&m_nOperator);
        DeclareField(&m_bPercent);
        DeclareField(&m_nAxis);
        return;
    }
    // The old layout: two words that are read and thrown away; the percent switch from version 43.
    DeclareField(&m_nKind);
    DeclareField(&m_nValue);
    DeclareField(&m_nOldWords[0]);
    DeclareField(&m_nOldWords[1]);
    DeclareField(&m_nOperator);
    if (version >= 43) DeclareField(&m_bPercent);
    DeclareField(&m_nAxis);
}

bool cEdFlowCond::Load(std::FILE* fp) {
    const bool ok = cSerialRecord::Load(fp);
    if (g_nLoadVersion < DATA_VERSION_CURRENT) {
        const int v = g_nLoadVersion;
        if (v < 160 && m_nKind >= 5) m_nKind = static_cast<std::int8_t>(m_nKind + 2);
        if (v < 161 && m_nKind == 6 && Signed8(m_nItem) == 2) m_nOperator ^= 1;
        // Status numbers gained new entries twice: at 10 (version 168) and at 5 (version 203).
        for (const auto& [below, from] : {std::pair{168, 10}, std::pair{203, 5}}) {
            if (v >= below || m_nKind != 4) continue;
            if (m_nLeftSource == 0 && Signed8(m_nSubject) != 2 && Signed8(m_nItem) >= from) ++m_nItem;
            if (Signed8(m_nRightSource) == 2 && Signed8(m_nRightSubject) != 2 &&
                Signed8(m_nRightItem) >= from)
                ++m_nRightItem;
        }
        if (v < 210 && m_nKind == 5 && Signed8(m_nSubject) != 2 && Signed8(m_nItem) >= 6) ++m_nItem;
        if (v < 657 && m_nKind == 7) m_nSubject = 0;
    }
    return ok;
}

bool cEdFlowCond::Save(std::FILE* fp) {
    return cSerialRecord::Save(fp);
}

// ---- cEdFlowEntry ----

cEdFlowEntry::cEdFlowEntry() {
    RegisterFor(g_nDataVersion);
}

cEdFlowEntry::~cEdFlowEntry() = default;

void cEdFlowEntry::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_bMirror);
    DeclareField(&m_nMinHold);
    DeclareField(&m_nMaxHold);
    DeclareField(&m_bAnyHold);
    DeclareField(&m_nMatchMode);
}

void cEdFlowEntry::Clear() {
    Reset();
    m_KeyStates.resize(KEY_SLOTS, 0);
}

std::uint8_t cEdFlowEntry::KeyState(int slot) const {
    if (slot < 0 || slot >= m_KeyStates.Count()) return 0;
    return m_KeyStates[static_cast<std::size_t>(slot)];
}

bool cEdFlowEntry::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    return LoadByteVector(fp, m_KeyStates);
}

bool cEdFlowEntry::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveByteVector(fp, m_KeyStates);
}

// ---- cEdFlow ----

cEdFlow::cEdFlow() {
    RegisterFor(g_nDataVersion);
}

cEdFlow::cEdFlow(const cEdFlow&) = default;
cEdFlow& cEdFlow::operator=(const cEdFlow&) = default;
cEdFlow::~cEdFlow() = default;

void cEdFlow::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&m_nId);
    DeclareField(&m_nGroup);
    DeclareField(&m_bEditorOnly);
    DeclareField(&m_nCondMode);
    DeclareField(&m_bLatch);
    DeclareField(&m_nTrigger);
    DeclareField(&m_nKeyGap);
    DeclareField(&m_bKeyLevel);
    if (version >= 676) DeclareStringField(&m_strMemo);
}

bool cEdFlow::Load(std::FILE* fp) {
    bool ok = cSerialRecord::Load(fp);
    ok = ok && LoadCondList(m_Conds, fp);
    ok = ok && LoadKeyStepList(m_KeySteps, fp);
    ok = ok && LoadCommandList(m_Commands, fp);
    if (g_nLoadVersion < DATA_VERSION_CURRENT) {
        if (g_nLoadVersion <= 131 && m_nTrigger >= 11) ++m_nTrigger;
        if (g_nLoadVersion < 163 && m_nTrigger != 0) m_nGroup = 0;
        if (g_nLoadVersion < 164 && m_nTrigger >= 5) m_nTrigger = static_cast<std::int8_t>(m_nTrigger + 2);
    }
    m_strMemo.clear();
    FixReferences();
    return ok;
}

bool cEdFlow::Save(std::FILE* fp) {
    FixReferences();
    if (!cSerialRecord::Save(fp)) return false;
    if (!SaveList(m_Conds, fp)) return false;
    if (!SaveList(m_KeySteps, fp)) return false;
    return SaveList(m_Commands, fp);
}

void cEdFlow::FixReferences() {
    for (cEdFlowCmd& cmd : m_Commands)
        cmd.FixReferences();
}

void cEdFlow::ValidatePalettes() {
    for (cEdFlowCmd& cmd : m_Commands)
        cmd.ValidatePalettes();
}

// ---- Lists ----

cEdFlow MakeFlowPrototype() {
    cEdFlow flow;
    flow.m_nKeyGap = 3;
    return flow;
}

cEdFlowEntry MakeKeyStepPrototype() {
    cEdFlowEntry step;
    step.Clear();
    return step;
}

cEdFlowCmd MakeCommandPrototype() {
    cEdFlowCmd cmd;
    cmd.Clear();
    return cmd;
}

bool LoadCondList(cCheckedVector<cEdFlowCond>& list, std::FILE* fp) {
    return LoadList(list, fp, cEdFlowCond(), MIN_CHUNK_BYTES);
}

bool LoadKeyStepList(cCheckedVector<cEdFlowEntry>& list, std::FILE* fp) {
    return LoadList(list, fp, MakeKeyStepPrototype(), MIN_KEY_STEP_BYTES);
}

bool LoadCommandList(cCheckedVector<cEdFlowCmd>& list, std::FILE* fp) {
    return LoadList(list, fp, MakeCommandPrototype(), MIN_COMMAND_BYTES);
}

bool LoadFlowList(cCheckedVector<cEdFlow>& list, std::FILE* fp) {
    NestingGuard guard;
    if (!guard.ok) return false;
    return LoadList(list, fp, MakeFlowPrototype(), MIN_FLOW_BYTES);
}

bool SaveCondList(cCheckedVector<cEdFlowCond>& list, std::FILE* fp) {
    return SaveList(list, fp);
}
bool SaveCommandList(cCheckedVector<cEdFlowCmd>& list, std::FILE* fp) {
    return SaveList(list, fp);
}
bool SaveFlowList(cCheckedVector<cEdFlow>& list, std::FILE* fp) {
    return SaveList(list, fp);
}

void RemoveEditorOnlyFlows(cCheckedVector<cEdFlow>& flows) {
    std::size_t i = 0;
    while (i < flows.size()) {
        if (flows[i].m_bEditorOnly != 0)
            flows.erase(flows.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

bool ShouldRemoveEditorOnlyFlows() {
    const cFlowRecordEnv& env = FlowRecordEnv();
    return !env.FromEditor() && !env.KeepEditorOnlyFlows();
}
