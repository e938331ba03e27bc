// The running state of event scripts: a character's flows (cFlow), one per flow definition, each
// with one running instance (cFlowCommand) per command and the animation cues that play a
// command's animation ahead of it.
//
// A flow reaches its definition through m_lpDef, which points into the owning character's own
// definition vector and is re-pointed by position (m_nIndex) whenever that vector moves or the
// character is copied. Command instances point at their records, and are re-pointed at the same
// times, so that a copied character never runs the records of its source.
//
// These are plain records: the character holds them by value, and the flow engine (flow_engine.h)
// gives them their behaviour.
#pragma once

#include "app/play_bounds.h"
#include "records/ed_flow.h"
#include "records/param_link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// One command of a running flow.
struct cFlowCommand {
    cEdFlowCmd* m_lpRecord = nullptr; // its command record
    int m_bDone = 0;
    int m_nUseTime = 0; // sub-steps
    int m_nRemain = 0;  // sub-steps left; 0 while idle
    std::uint8_t m_nDirByte = 0;
    // What a step reads of the record, kept by the flow engine whenever it gives the instance a
    // record or changes the record's values: the command type (FCT_NONE for a kind outside the
    // list), the record's run-with-next byte and whether it is a message that waits for its window.
    std::int8_t m_nType = 0;
    std::uint8_t m_nWithNext = 0;
    std::uint8_t m_bWaitsMessage = 0;
    double m_dSpeed = 0.0; // pixels per sub-step
    // Work fields of the handlers, and what the note of the command type took of the record (kept
    // by the flow engine with the facts above).
    int m_nWork[6] = {0, 0, 0, 0, 0, 0};
    double m_dWork[6] = {0, 0, 0, 0, 0, 0};
    int m_nCounter = 0; // wraps at g_nFramePeriod
    int m_bStartedMark = 0;
    int m_nWords[4] = {0, 0, 0, 0}; // cleared at every start
    double m_dSpeed2 = 0.0;
};

// When a command's animation starts, relative to its flow's start.
struct cAnimeCue {
    int m_nStart = 0;          // compared with the flow's frames run
    std::int16_t m_nAnime = 0; // the project's animation number
    std::int16_t m_nSkip = 0;  // frames skipped at its start
    std::int16_t m_nPlay = 0;  // frames played
    std::int16_t m_nBase6 = 0; // the command's base use time x 6
    int m_bHold = 0;           // holds on its marked frame while the command runs
};

// A walk that stops because a command started its own flow anew: the new pass starts at frame 0.
constexpr std::uint8_t FLOW_WALK_NEW_PASS = 2;

// One flow of a character. What a step of a running flow and a test of its trigger read lies in
// its first cache line; the rest in the second.
struct alignas(64) cFlow {
    const cEdFlow* m_lpDef = nullptr; // the definition it runs
    int m_nIndex = 0;                 // position of the definition in the character's vector
    int m_bRunning = 0;
    std::vector<cFlowCommand> m_Commands{};
    int m_nReached = 0;   // highest command index that may run this sub-step
    int m_nFirstOpen = 0; // every command before it is done (a step starts looking there)
    int m_nFramesRun = 0;
    int m_nFirstKey = 0; // direction slot pressed when it started
    std::uint8_t m_bPaused = 0;
    std::uint8_t m_bStopped = 0;  // stopped for ever
    std::uint8_t m_bStopWalk = 0; // the walk stops here (FLOW_WALK_NEW_PASS: the flow started anew)
    std::uint8_t m_bInWalk = 0;   // its commands are being walked: a step, or a stage-start flow's start
    std::uint8_t m_bTriggered = 0;
    std::uint8_t m_bStarted = 0;
    std::uint8_t m_nMessageWait = 0;
    std::uint8_t m_bLatched = 0; // its conditions held once
    int m_nId = 0;               // tags what the flow creates
    int m_bLastKey = 0;          // the key sequence held at the previous test
    int m_bDeleted = 0;          // marked for erasure
    ParamLinkList m_Pending{};   // arrangement links for the next command that starts
    std::vector<cAnimeCue> m_Cues{};
};

// Flows added while the character's flow list was being walked, built when the walk ends.
struct cQueuedFlows {
    cCheckedVector<cEdFlow> defs;
    int bAdd = 1;
    int nIndex = -1;
};

// A character's flow bookkeeping beside its flows. Group numbers index the character's group
// words (cChara::m_FlowGroupBits), whose bits say what holds for each group this frame.
struct cCharaFlowState {
    std::int16_t nCloneValue = 0; // copy number: per-copy increases are multiplied by it
    int nCounter = 0;             // ids given to flows so far
    int bGroupEnded = 0;          // some group's ended bit is set
    int bDeleted = 0;             // some flow is marked for erasure
    int nWalking = 0;             // the flow list is being walked: it must not change size
    std::vector<cQueuedFlows> queued{};
    // The flows, conditions, key steps and commands of the character's definition, counted in
    // what the stage holds (set whenever its flows are built or erased).
    cBoundShare held{PlayBound::HeldEntries};
    // The positions of the flows of each trigger kind 0-31 in list order: those of kind k are
    // entries kindStart[k] up to kindStart[k + 1] of KindOrder(), which lies beside them while it is
    // short (a raise then reads no other lines). Made again when a kind is raised after the list or
    // its definitions changed (ListChanged), or the list moved or changed size. A list too long for
    // the positions is not sorted: a raise looks at every flow.
    static constexpr std::size_t KIND_ORDER_NEAR = 33;
    std::vector<std::uint16_t> kindOrder{};
    std::array<std::uint16_t, 33> kindStart{};
    std::array<std::uint16_t, KIND_ORDER_NEAR> kindOrderNear{};
    const std::uint16_t* KindOrder() const {
        return kindStart.back() <= KIND_ORDER_NEAR ? kindOrderNear.data() : kindOrder.data();
    }
    const void* kindListData = nullptr;
    std::size_t kindListSize = 0;
    bool kindsKnown = false;
    // Kinds k (bit k) whose flows all carry this frame's tested mark (cFlow::m_bTriggered): a
    // raise of such a kind tests none of them again. Cleared with the marks and on every change of
    // the list; markRound counts those clearings, so that a walk that saw one does not set its bit.
    std::uint32_t kindsTested = 0;
    std::uint32_t markRound = 0;
    void MarksCleared() {
        kindsTested = 0;
        ++markRound;
    }
    // Whether a raise of `kind` would test nothing and change nothing: every flow of the kind was
    // tested this frame already (unless flows are tested at every raise), and no flows wait to be
    // built when a walk of the list ends.
    bool RaiseTestsNothing(int kind, bool testEveryRaise) const {
        return kind >= 0 && kind < 32 && (kindsTested & (1u << kind)) && !testEveryRaise && queued.empty();
    }
    // Whether some flow of the list has animation cues: worked out when cues are next looked for
    // after the list changed (ListChanged), or moved or changed size.
    const void* cueListData = nullptr;
    std::size_t cueListSize = 0;
    bool cuesKnown = false;
    bool anyCues = false;
    // Bit i set for every running flow i of a list of up to 64 flows (more may be set), kept by the
    // flow engine so that a step passes over the idle flows. It holds while runKnown, for the list at
    // runListData of runListSize flows, and while no flow has started that the engine could not
    // find in its character's list (runStamp).
    std::uint64_t runningBits = 0;
    const void* runListData = nullptr;
    std::size_t runListSize = 0;
    std::uint32_t runStamp = 0;
    bool runKnown = false;
    // Whether some flow may carry a tested or started mark (cFlow::m_bTriggered, m_bStarted): set
    // by the flow engine whenever it marks one of the character's flows, cleared with the marks.
    // A flow started without its character known to the engine may carry one too unless the
    // engine's count of such starts still stands at flowsMarkedStamp.
    bool flowsMarked = true;
    std::uint32_t flowsMarkedStamp = 0;
    // Called by whatever changes the flow list, a flow's definition pointer or the definitions.
    void ListChanged() {
        kindsKnown = false;
        cuesKnown = false;
        runKnown = false;
        MarksCleared();
    }
};

constexpr std::uint32_t FLOW_GROUP_RUNNING = 1;
constexpr std::uint32_t FLOW_GROUP_ENDED = 2;
constexpr std::uint32_t FLOW_GROUP_TAKEN = 4;
constexpr int FLOW_GROUP_WORDS = 256;
