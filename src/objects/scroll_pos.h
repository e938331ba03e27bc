// One axis of the 640 x 480 view onto the stage: where the view stands in stage pixels, the range
// it must stay inside and its automatic scroll.
//
// Stage pixels include a margin of 10 blocks (320 pixels) on every side of the stage, so stage
// column 0 begins at pixel 320 (the origin).
#pragma once

constexpr int VIEW_WIDTH = 640;
constexpr int VIEW_HEIGHT = 480;
constexpr int STAGE_MARGIN_BLOCKS = 10;
constexpr int BLOCK_SIZE = 32;

class cScrollPos {
  public:
    double m_dPos = 0.0;    // the view's first pixel on this axis
    int m_bAtLimit = 0;     // 1 when the last clamp held the view at either end of its range
    int m_nAxis = 0;        // 0 horizontal, 1 vertical
    int m_nViewSize = 0;    // 640 or 480
    int m_nLowest = 0;      // lowest position
    int m_nHighestEnd = 0;  // the view's far edge may not pass this pixel
    int m_nOrigin = 0;      // 320: where the stage begins
    int m_nStageEnd = 0;    // (stage size in blocks + 10) x 32, at least 0
    int m_nMargin = 0;      // 10 blocks
    int m_nExtraExtent = 0; // the whole stage for objects, pixels
    int m_nGridExtent = 0;  // stage size + 20 blocks
    int m_nGridStride = 0;  // horizontally the power-of-two row stride of the block grid
    int m_nStrideExp = 0;
    double m_dAutoSpeed = 0.0; // pixels per sub-step
    int m_bAutoScroll = 0;

    // Keeps the position inside the range. A range shorter than the view shows its start edge.
    void Clamp();
    // One sub-step of the automatic scroll (the speed is 0 while it is off), then Clamp.
    void Step();
    // n is in tenths of a pixel per frame at frame scale 1.
    void SetAutoSpeed(int on, int n);
    // The range from the first block's left edge (when firstOn) to the last block's right edge
    // (when lastOn); otherwise the stage's own edges.
    void SetRange(int firstBlock, int lastBlock, int firstOn, int lastOn);

    // The values stage set-up gives an axis of `stageBlocks` blocks (the range is the whole stage,
    // no automatic scroll, position at the origin); a side longer than STAGE_SIDE_MAX counts as
    // that. Horizontally the grid's row stride is the smallest power of two not below the grid
    // extent.
    void SetUp(int axis, int stageBlocks, int extraExtent = VIEW_WIDTH);

    // The speed by which the view moves this sub-step: 0 while it stands still or is held at an
    // end of its range.
    double MovingSpeed() const { return (m_dAutoSpeed != 0.0 && !m_bAtLimit) ? m_dAutoSpeed : 0.0; }
    // The ranges the objects' clamps keep: the view itself, the view widened by the margin on each
    // side, and the whole grid. Each is [low, high).
    double ViewLow() const { return m_dPos; }
    double ViewHigh() const { return m_dPos + m_nViewSize; }
    double OuterLow() const { return m_dPos - m_nMargin * BLOCK_SIZE; }
    double OuterHigh() const { return m_dPos + m_nViewSize + m_nMargin * BLOCK_SIZE; }
    int StageSize() const { return m_nGridExtent * BLOCK_SIZE; }
    // The whole stage for objects: from 0 to the stage's own extent plus 640 pixels, which the
    // stage sets and which need not match the grid.
    int ObjectExtent() const { return m_nExtraExtent; }
};

// The running stage's frame scale; an unset stage counts as scale 1.
double StageFrameScale();
