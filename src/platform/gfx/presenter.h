// The frame hand-off between the drawing thread and the window thread. A flip or present publishes
// the finished frame (already converted to XRGB with the palette current at that moment); the window
// thread shows the latest one (present_sdl.h); headless tests read it back. The frame slot's mutex is
// the only lock between drawing and showing.
#pragma once
#include "platform/gfx/draw_record.h"
#include "platform/gfx/pixels.h"
#include <cstdint>
#include <vector>

namespace gfx {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// What is known of where a frame's pixels came from: they are those of the pixel store state
// numbered `base` (0: nothing is known) except in rows [top, bottom), written since. Two frames of
// one base can differ only in the rows either of them wrote.
struct FrameOrigin {
    std::uint64_t base = 0;
    int top = 0, bottom = 0;
};

// A frame known to hold the pixels of the state numbered `from` except in rows [top, bottom);
// `state` numbers its own pixels (0: nothing is known).
struct FrameChange {
    std::uint64_t from = 0, state = 0;
    int top = 0, bottom = 0;
};

// Copies a frame of `width` x `height` XRGB pixels (rows `pitchPixels` apart) into the slot.
void PublishFrame(const std::uint32_t* xrgb, int width, int height, int pitchPixels);
// Publishes the pixels of `frame` converted to XRGB (ConvertToXrgb, with `palette` for 8-bit frames).
// The conversion writes into a frame store that the slot keeps for the purpose, so that a frame costs
// one pass over its pixels and no allocation; a frame that converts to the pixels shown already is
// compared a few rows at a time as it is converted and only counted. A changed frame wakes the window
// thread's wait for messages (WakeMessageWaiters). With an `origin` of the same base as the frame
// shown, a frame without a palette is compared in the rows the two frames wrote only. A frame with a
// `change` from the state shown is compared, and converted into the shown frame, in the changed rows
// only.
void PublishPixels(const PixelBuffer& frame, const PALETTEENTRY* palette, const FrameOrigin* origin = nullptr,
                   const FrameChange* change = nullptr);
// The latest published frame; false when none has been published yet.
bool ReadLastFrame(std::vector<std::uint32_t>& out, int& width, int& height);
// How many frames have been published since start (or the last ClearPublishedFrames).
std::uint64_t PublishedFrameCount();
// Advances only when a published frame differs from the one before it (in size or in any pixel): a
// frame that did not change need not be shown again.
std::uint64_t PublishedChangeCount();
// Calls `use` with the latest frame's pixels (rows `width` apart) under the slot's lock, without
// copying them out, and the rows of the frame that changed since `use` last emptied them (every row
// of a new frame size); `use` empties them once it has shown them. False (and no call) when none has
// been published yet.
bool UseLastFrameRows(void (*use)(const std::uint32_t* xrgb, int width, int height, RowSpan& unshown,
                                  void* context),
                      void* context);
void ClearPublishedFrames();

// The window side may lend the slot a store of its own (`width` x `height` pixels, rows `width` apart)
// that the window is shown from: the latest frame is copied there, and from then on frames of that size
// are compared with it and converted straight into it, so that a frame reaches the window in one pass
// after drawing. The window side reads it under the slot's lock (UseLastFrameRows) and never writes it.
// False (nothing lent) before any frame, or when the latest frame has another size. A frame of another
// size, or a clear, ends the lend: frames are kept in the slot's own store again.
// With `show`, the lender shows rows of its store itself: the publisher of a frame calls it, under the
// slot's lock, with the rows that changed, and the window thread is neither told of them nor woken
// (unless `show` returns false). With `settle`, rows shown may still be being read after `show` (or
// the window side's own showing) returns: the slot calls `settle`, under its lock, before it writes
// into the store, and it returns once the store may be written.
using ShowLentRows = bool (*)(int top, int bottom, void* context);
using SettleLentStore = void (*)(void* context);
bool LendFrameStore(std::uint32_t* store, int width, int height, ShowLentRows show = nullptr,
                    SettleLentStore settle = nullptr, void* context = nullptr);
// Whether the slot still keeps its frame in `store`.
bool FrameStoreLent(const std::uint32_t* store);
// Ends the lend of `store` (if it is lent): the frame it holds is copied back into the slot's own store,
// and no publisher writes into `store` once this returns.
void TakeBackFrameStore(const std::uint32_t* store);

} // namespace gfx
