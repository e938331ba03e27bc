// Standard MIDI files: the reader that merges the tracks into one stream image.
#include "fuzz_support.h"

#include "sound/midi.h"

namespace {

class cFuzzMidi : public cMidiData {
  public:
    cFuzzMidi() : cMidiData("") {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    cFuzzMidi midi;
    if (midi.Merge(data, size) && midi.Image().size() < MIDI_FIRST_EVENT) __builtin_trap();
    return 0;
}
