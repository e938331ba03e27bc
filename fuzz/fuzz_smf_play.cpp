// Standard MIDI files played: the music player merges the file, queues its converted buffers on
// the MIDI stream device and the mixer runs the device for a few blocks (events go to a sink that
// only counts them), so that event times far away or packed close reach the device's timing.
#include "fuzz_support.h"

#include "app/globals.h"
#include "platform/audio/mixer.h"
#include "platform/audio/midi_out.h"
#include "platform/messages.h"
#include "sound/midi.h"

#include <thread>

namespace {

struct CountingSink : audio::MidiSink {
    void ShortMessage(std::uint8_t, std::uint8_t, std::uint8_t, std::uint64_t) override { ++events; }
    void LongMessage(const std::uint8_t*, std::size_t, std::uint64_t) override { ++events; }
    void Render(float*, int) override {}
    std::uint64_t events = 0;
};

win::LRESULT NoProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM) {
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    static CountingSink sink;
    static bool prepared = false;
    if (!prepared) {
        audio::SetManualOutput(true);
        audio::SetMidiSinkForTests(&sink);
        g_hWnd = win::CreateMainWindowObject(&NoProc);
        prepared = true;
    }
    if (!fuzz::PutFile("bgm\\fuzz.mid", data, size)) return 0;
    {
        cMidiStream midi("bgm/fuzz.mid");
        if (midi.HasImage()) {
            midi.Restart(1);
            static std::int16_t out[2 * 1024];
            for (int block = 0; block < 6; ++block) {
                audio::Pull(out, 1024);
                std::this_thread::yield();
            }
            midi.Stop(0);
        }
    }
    return 0;
}
