#include "objects/anim_seq.h"

void cAnimSeq::Build(const cAnimFrame* const* lists) {
    Clear();
    if (!lists) return;
    for (; *lists; ++lists) {
        cAnimSeqFrames seq;
        for (const cAnimFrame* f = *lists;; ++f) {
            seq.push_back(*f);
            if (f->nPattern < 0) break;
        }
        m_Seqs.push_back(std::move(seq));
    }
}

void cAnimSeq::Build(const cCheckedVector<cAnimSeqFrames>& seqs) {
    Clear();
    m_Seqs = seqs;
}

void cAnimSeq::BuildKeepingSequence(const cCheckedVector<cAnimSeqFrames>& seqs) {
    const int seq = m_nSeq;
    Build(seqs);
    m_nSeq = seq;
}

void cAnimSeq::Clear() {
    LetGo();
    m_Seqs.clear();
    m_nSeq = m_nFrame = m_nTick = 0;
}

namespace {

// The frame at (seq, frame), read straight where both indices hold and through the checked access
// (which reports a bad index) otherwise.
inline const cAnimFrame& FrameAt(const cCheckedVector<cAnimSeqFrames>& seqs, int seq, int frame) {
    if (static_cast<unsigned>(seq) < seqs.size()) {
        const cAnimSeqFrames& s = seqs[static_cast<std::size_t>(seq)];
        if (static_cast<unsigned>(frame) < s.size()) return s[static_cast<std::size_t>(frame)];
    }
    return seqs.at(seq).at(frame);
}

} // namespace

void cAnimSeq::Hold() const {
    if (static_cast<unsigned>(m_nSeq) >= m_Seqs.size()) return;
    const cAnimSeqFrames& s = m_Seqs[static_cast<std::size_t>(m_nSeq)];
    if (static_cast<unsigned>(m_nFrame) >= s.size()) return;
    const cAnimFrame& f = s[static_cast<std::size_t>(m_nFrame)];
    if (f.nDuration < INT16_MIN || f.nDuration > INT16_MAX || f.nPattern > INT16_MAX) return;
    bool picture = false;
    for (const cAnimFrame& g : s)
        if (g.nPattern >= 0) {
            picture = true;
            break;
        }
    m_nHotDuration = static_cast<std::int16_t>(f.nDuration);
    // A control frame is never drawn.
    m_nHotPattern = !picture ? HOT_NO_PICTURE : static_cast<std::int16_t>(f.nPattern < 0 ? 0 : f.nPattern);
}

const cAnimFrame& cAnimSeq::CurrentFrame() const {
    return FrameAt(m_Seqs, m_nSeq, m_nFrame);
}

bool cAnimSeq::CurrentHasPicture() const {
    const cAnimSeqFrames& seq = static_cast<unsigned>(m_nSeq) < m_Seqs.size()
                                    ? m_Seqs[static_cast<std::size_t>(m_nSeq)]
                                    : m_Seqs.at(m_nSeq);
    for (const cAnimFrame& f : seq)
        if (f.nPattern >= 0) return true;
    return false;
}

int cAnimSeq::SetSequence(int n, int force) {
    if (!force && !m_Seqs.empty() && CurrentFrame().nFlag) return 0;
    LetGo();
    m_nFrame = 0;
    m_nSeq = n;
    m_nTick = 0;
    return 1;
}

int cAnimSeq::ChangeSequence(int n, int force) {
    if (n == m_nSeq) return 1;
    return SetSequence(n, force);
}

int cAnimSeq::Tick() {
    if (m_Seqs.empty()) return 0;
    if (m_nHotPattern == HOT_NONE) Hold();
    if (m_nHotPattern != HOT_NONE) {
        // The steps below, read from what is held of the frame.
        if (m_nHotPattern == HOT_NO_PICTURE) return 0;
        ++m_nTick;
        if (m_nTick < m_nHotDuration) return m_nHotPattern;
    } else {
        // A sequence without a picture frame would step past its end: it stays where it is.
        if (!CurrentHasPicture()) return 0;
        ++m_nTick;
        if (m_nTick < FrameAt(m_Seqs, m_nSeq, m_nFrame).nDuration) return GetPattern();
    }
    {
        LetGo();
        m_nTick = 0;
        ++m_nFrame;
        const cAnimFrame& f = FrameAt(m_Seqs, m_nSeq, m_nFrame);
        if (f.nPattern == ANIM_CODE_SWITCH) {
            SetSequence(f.nDuration, 1);
            if (!CurrentHasPicture()) return 0;
        } else if (f.nPattern == ANIM_CODE_LOOP) {
            m_nFrame = 0;
        } else if (f.nPattern == ANIM_CODE_HOLD) {
            m_nFrame -= 1;
        }
    }
    return GetPattern();
}

int cAnimSeq::GetPattern() const {
    if (m_Seqs.empty()) return 0;
    if (m_nHotPattern == HOT_NONE) Hold();
    if (m_nHotPattern != HOT_NONE) return m_nHotPattern == HOT_NO_PICTURE ? 0 : m_nHotPattern;
    const int p = FrameAt(m_Seqs, m_nSeq, m_nFrame).nPattern;
    // A control frame is never drawn.
    return p < 0 ? 0 : p;
}
