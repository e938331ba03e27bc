// The frame animation of one game object: numbered sequences of frames {pattern, duration, flag}.
//
// A pattern of 0 or more is a picture pattern shown for `duration` ticks; a set flag means the
// frame may only be left by a forced sequence change. Control frames: -3 switches to the sequence
// whose number stands in the duration field, -2 loops to the first frame, -1 holds the frame
// before it. A sequence that holds no picture frame at all shows pattern 0 and never advances.
#pragma once

#include "app/checked_containers.h"
#include "project/project_database.h"

#include <cstdint>

constexpr int ANIM_CODE_SWITCH = -3;
constexpr int ANIM_CODE_HOLD = -1;

class cAnimSeq {
  public:
    // `lists` is a null-terminated array of frame lists; each is read up to and including its
    // first control frame. Sequence, frame and tick start at 0.
    void Build(const cAnimFrame* const* lists);
    // The same from whole sequences (copied as they are).
    void Build(const cCheckedVector<cAnimSeqFrames>& seqs);
    // As Build, but the sequence number stays as it was (frame and tick start at 0).
    void BuildKeepingSequence(const cCheckedVector<cAnimSeqFrames>& seqs);
    // 1 when done; 0 when refused (force 0 on a frame whose flag is set).
    int SetSequence(int n, int force);
    // As SetSequence, but succeeds without change when n is already current.
    int ChangeSequence(int n, int force);
    // Advances one tick and returns the pattern to show (0 without sequences).
    int Tick();
    int GetPattern() const;
    void Clear();

    int Sequence() const { return m_nSeq; }
    int Frame() const { return m_nFrame; }
    int TickCount() const { return m_nTick; }
    bool Empty() const { return m_Seqs.empty(); }

    // Read freely. The sequences are written only through Build and Clear, the indices through the
    // methods: what is held of the current frame (below) follows those; an index set by hand is seen
    // by Tick and GetPattern only after the next Build, Clear or sequence change.
    cCheckedVector<cAnimSeqFrames> m_Seqs;
    int m_nSeq = 0;
    int m_nFrame = 0;
    int m_nTick = 0;

  private:
    // What a tick reads of the current frame, held beside the indices: a tick that stays on its frame
    // then reads no frame list (each object's lists lie apart from it in memory). The pattern shown,
    // or one of the marks below; the frame's duration. Let go whenever the sequences, the sequence or
    // the frame change, and not held for values beyond 16 bits.
    static constexpr std::int16_t HOT_NONE = INT16_MIN;           // nothing held
    static constexpr std::int16_t HOT_NO_PICTURE = INT16_MIN + 1; // the sequence has no picture frame
    // Holds the current frame where both indices lie inside their lists.
    void Hold() const;
    void LetGo() { m_nHotPattern = HOT_NONE; }

    const cAnimFrame& CurrentFrame() const;
    bool CurrentHasPicture() const;

    mutable std::int16_t m_nHotPattern = HOT_NONE;
    mutable std::int16_t m_nHotDuration = 0;
};
