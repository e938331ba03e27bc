// The stored records of event scripts: a flow (cEdFlow) with its conditions (cEdFlowCond), its key-input
// steps (cEdFlowEntry) and its commands (cEdFlowCmd). Flows hold commands and commands hold flows; every
// copy is deep, nothing is shared between a copy and its source.
#pragma once

#include <cstdint>
#include <string>

#include <boost/shared_ptr.hpp>

#include "app/checked_containers.h"
#include "records/ed_move.h"
#include "records/ed_shot.h"
#include "records/param_tables.h"
#include "records/serial_record.h"

class cEdFlow;
class cEdFlowCmd;

// One condition of a flow or of a definition.
class cEdFlowCond : public cSerialRecord {
  public:
    cEdFlowCond();
    cEdFlowCond(const cEdFlowCond&) = default;
    cEdFlowCond& operator=(const cEdFlowCond&) = default;
    ~cEdFlowCond() override;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    std::int8_t m_nKind = 0;         // ConditionKind
    std::uint8_t m_nLeftSource = 0;  // kind 4: 0 status, 1 variable
    std::uint8_t m_nLeftScope = 0;   // kind 4 variable: 0 common, 1 stage
    std::uint8_t m_nSubject = 0;     // whose status, or the other party of a distance
    std::uint8_t m_nItem = 0;        // status number or character state
    std::int16_t m_nNumber = 0;      // variable index, or the value of kind 5
    std::uint8_t m_nRightSource = 0; // kind 4: 0 constant, 1 random, 2 status, 3 variable
    std::int32_t m_nValue = 0;       // value compared with; the distance of kind 7
    std::int32_t m_nRandMin = 0;
    std::int32_t m_nRandMax = 0;
    std::uint8_t m_nRightSubject = 0;
    std::uint8_t m_nRightItem = 0;
    std::uint8_t m_nRightScope = 0;
    std::uint16_t m_nRightNumber = 0; // variable index of the right side; pixels added to a distance
    std::uint8_t m_nOperator = 0;     // comparison, condition sense or range sense
    std::uint8_t m_bPercent = 0;
    std::uint8_t m_nAxis = 0;

  private:
    // Two words that files older than version 110 store and nobody reads.
    std::int16_t m_nOldWords[2] = {0, 0};
};

// One key step of a flow's key-input sequence.
class cEdFlowEntry : public cSerialRecord {
  public:
    static constexpr int KEY_SLOTS = 19;

    cEdFlowEntry();
    cEdFlowEntry(const cEdFlowEntry&) = default;
    cEdFlowEntry& operator=(const cEdFlowEntry&) = default;
    ~cEdFlowEntry() override;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
    // Reset, then 19 key-state bytes of 0 (the prototype of key-step lists).
    void Clear();
    // The wanted state of a key slot (0 any, 1 pressed, 2 released); a slot that the step does not store
    // (a step stored with fewer bytes, or a slot outside 0-18) wants nothing: 0.
    std::uint8_t KeyState(int slot) const;

    cCheckedVector<std::uint8_t> m_KeyStates;
    std::uint8_t m_bMirror = 0;
    std::uint16_t m_nMinHold = 0;
    std::uint16_t m_nMaxHold = 0;
    std::uint8_t m_bAnyHold = 0;
    std::uint8_t m_nMatchMode = 0; // 0 all, 1 one or more, 2 exactly one
};

// One flow.
class cEdFlow : public cSerialRecord {
  public:
    cEdFlow();
    cEdFlow(const cEdFlow&);
    cEdFlow& operator=(const cEdFlow&);
    ~cEdFlow() override;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
    // Brings the numbers of every command inside the project's lists.
    void FixReferences();
    // Resets palette references of every command that lie outside their palette's list.
    void ValidatePalettes();

    std::string m_strMemo; // the editor's text; emptied by every load
    std::uint8_t m_nId = 0;
    std::int8_t m_nGroup = 0;
    std::uint8_t m_bEditorOnly = 0;
    cCheckedVector<cEdFlowCond> m_Conds;
    std::uint8_t m_nCondMode = 0; // 0 all conditions, 1 one or more
    std::uint8_t m_bLatch = 0;
    std::int8_t m_nTrigger = 0; // FlowTriggerKind
    std::uint8_t m_nKeyGap = 0; // 3 in list prototypes
    std::uint8_t m_bKeyLevel = 0;
    cCheckedVector<cEdFlowEntry> m_KeySteps;
    cCheckedVector<cEdFlowCmd> m_Commands;
};

// One command of a flow or of an item definition's command list.
class cEdFlowCmd : public cSerialRecord {
  public:
    cEdFlowCmd();
    // Deep copies: the copy gets movement and shot settings of its own.
    cEdFlowCmd(const cEdFlowCmd& src);
    cEdFlowCmd& operator=(const cEdFlowCmd& src);
    ~cEdFlowCmd() override;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
    // Reset, both settings released, sound condition 1 (the prototype of command lists).
    void Clear();
    // Brings the record's numbers inside the project's lists and its parameter list to its kind's
    // length; recursive over its flows.
    void FixReferences();
    // Resets palette references outside their palette's lists; recursive over its flows.
    void ValidatePalettes();

    // The kind in the numbering of character commands (an item command of kind k >= 2 is kind k + 15,
    // item kind 1 is kind 16); -1 when the stored kind is outside the kinds of its list.
    int FlowKind() const {
        if (!HasKnownKind()) return -1;
        if (!m_bItem) return m_nKind;
        if (m_nKind == ICT_NONE) return FCT_NONE;
        return m_nKind + ITEM_KIND_OFFSET;
    }
    // True when the stored kind is one of the rows of its list (0-38, or 0-23 for item commands).
    bool HasKnownKind() const {
        if (m_bItem) return m_nKind >= 0 && m_nKind < ICT_COUNT;
        return m_nKind >= 0 && m_nKind < FCT_COUNT;
    }

    std::uint8_t m_bItem = 0; // 0 character command, 1 item command
    std::int8_t m_nKind = 0;
    cCheckedVector<std::int32_t> m_Params;
    std::string m_strText;
    boost::shared_ptr<cEdMove> m_Move;
    boost::shared_ptr<cEdShot> m_Shot;
    std::int16_t m_nUseTime = 0; // tenths of a second
    std::int16_t m_nUseTimeStep = 0;
    std::uint8_t m_bRunWithNext = 0;
    std::int16_t m_nSound = 0;
    std::uint8_t m_nSoundCond = 0; // 1 in list prototypes
    std::int16_t m_nAnimation = 0;
    cCheckedVector<cEdFlow> m_Flows;

  private:
    void ApplyUpgrades();
    void CopyFrom(const cEdFlowCmd& src);
};

// List readers: u32 count, then each element's chunk; the list is emptied and made count copies of its
// prototype first. False on a damaged or short file (a count that cannot fit the rest of the file is
// refused before anything is allocated).
bool LoadCondList(cCheckedVector<cEdFlowCond>& list, std::FILE* fp);
bool LoadKeyStepList(cCheckedVector<cEdFlowEntry>& list, std::FILE* fp);
bool LoadCommandList(cCheckedVector<cEdFlowCmd>& list, std::FILE* fp);
bool LoadFlowList(cCheckedVector<cEdFlow>& list, std::FILE* fp);
// List writers: u32 count, then each element's Save.
bool SaveCondList(cCheckedVector<cEdFlowCond>& list, std::FILE* fp);
bool SaveCommandList(cCheckedVector<cEdFlowCmd>& list, std::FILE* fp);
bool SaveFlowList(cCheckedVector<cEdFlow>& list, std::FILE* fp);

// The prototypes of the list readers and of list copies.
cEdFlow MakeFlowPrototype();
cEdFlowEntry MakeKeyStepPrototype();
cEdFlowCmd MakeCommandPrototype();

// Removes every flow whose editor-only byte is set, keeping the order of the others.
void RemoveEditorOnlyFlows(cCheckedVector<cEdFlow>& flows);
// The rule of loading: editor-only flows are removed unless the player was started by the editor or
// the system data keeps them.
bool ShouldRemoveEditorOnlyFlows();

// Flows hold commands that hold flows: a file nesting them deeper than this is refused as damaged.
constexpr int MAX_FLOW_NESTING = 64;
