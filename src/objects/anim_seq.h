// The frame animation of one game object: numbered sequences of frames {pattern, duration, flag}.
//
// A pattern of 0 or more is a picture pattern shown for `duration` ticks; a set flag means the
// frame may only be left by a forced sequence change. Control frames: -3 switches to the sequence
// whose number stands in the duration field, -2 loops to the first frame, -1 holds the frame
// before it. A sequence that holds no picture frame at all shows pattern 0 and never advances.
#pragma once

#include "app/checked_containers.h"
#include "project/project_database.h"

constexpr int ANIM_CODE_SWITCH = -3;
constexpr int ANIM_CODE_HOLD = -1;

class cAnimSeq {
  public:
    // `lists` is a null-terminated array of frame lists; each is read up to and including its
    // first control frame. Sequence, frame and tick start at 0.
    void Build(const cAnimFrame* const* lists);
    // The same from whole sequences (copied as they are).
    void Build(const cCheckedVector<cAnimSeqFrames>& seqs);
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

    cCheckedVector<cAnimSeqFrames> m_Seqs;
    int m_nSeq = 0;
    int m_nFrame = 0;
    int m_nTick = 0;

  private:
    const cAnimFrame& CurrentFrame() const;
    bool CurrentHasPicture() const;
};
