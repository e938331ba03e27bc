// The road of a sound request in a running program: a worker thread sends WM_USER+5 or +6 to the
// main window, the window thread's procedure serves it, and the mixer's sound reaches the audio
// device, here SDL's "disk" driver, which writes what it is given to a file.
#include "../platform_audio/wave_builder.h"
#include "midi_builder.h"
#include "project/project_database.h"
#include "sound/bgm.h"
#include "sound/sound.h"
#include "sound_test_env.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace win;

namespace {

LRESULT WindowProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER_PLAYSE) return OnPlaySeRequest(wParam);
    if (msg == WM_USER_BGM) return OnBgmRequest(wParam, lParam);
    return 0;
}

class DiskOutput : public soundtest::SoundEnv {
  protected:
    void SetUp() override {
        SoundEnv::SetUp();
        std::filesystem::copy_file(M4_SOURCE_DIR "/tests/platform_audio/data/tone.ogg", dir / "tone.ogg");
        testmidi::Track t;
        t.Ev(0, {0xC0, 0}).Ev(0, {0x90, 60, 110}).Ev(0, {0x90, 67, 110}).Ev(192, {0x80, 60, 0}).End(0);
        WriteFile("song.mid", testmidi::File(0, 96, {t}));
        WriteFile("beep.wav", testwave::SineWave(1, 22050, 8, 22050));
        savedBgms = g_Database.m_Bgms;
        g_Database.m_Bgms.assign(3, cEdBgm());
        g_Database.m_Bgms[1].szFileName = Path("tone.ogg");
        g_Database.m_Bgms[2].szFileName = Path("song.mid");
        const char* old = std::getenv("SDL_AUDIODRIVER");
        savedDriver = old ? old : "";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        audio::SetManualOutput(false);
        audio::SetSoundFontPath("/usr/share/sounds/sf2/TimGM6mb.sf2");
    }
    void TearDown() override {
        g_Database.m_Bgms = savedBgms;
        setenv("SDL_AUDIODRIVER", savedDriver.c_str(), 1);
        unsetenv("SDL_DISKAUDIOFILE");
        audio::SetManualOutput(true);
        audio::ShutdownMidiSynth();
        SoundEnv::TearDown();
    }

    // This thread serves the two requests as the window thread does; a worker thread sends
    // `msg`, lets the device play for `ms` milliseconds and ends the loop. Then sound is shut down
    // and the RMS of what the device wrote (16-bit stereo) is returned.
    double Run(const std::string& name, UINT msg, WPARAM wParam, LPARAM lParam, int ms) {
        std::string out = Path(name);
        setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
        HWND w = CreateMainWindowObject(&WindowProc);
        EXPECT_TRUE(DS_Init(w, 22050, 8, 1));
        g_Sounds.resize(1);
        g_SoundSources.assign(1, cSoundSource{Path("beep.wav"), 1, 0, 1});
        LoadSounds(g_Sounds, g_SoundSources, 0);
        BgmInitDefault();
        g_nBgmLoop = 1;
        std::atomic<bool> quit{false};
        ThreadId self = GetCurrentThreadId();
        std::thread worker([&] {
            SendMessage(w, msg, wParam, lParam);
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            quit = true;
            PostThreadMessage(self, WM_NULL, 0, 0);
        });
        MSG m;
        while (!quit) {
            while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&m);
            WaitMessageTimeout(5);
        }
        worker.join();
        g_Bgm.Stop();
        g_Bgm.Release();
        DS_Release();
        g_Sounds.clear();
        g_SoundSources.clear();
        DestroyMainWindowObject(w);
        std::string bytes = ReadAll(dir / name);
        EXPECT_GT(bytes.size(), 44100u * 4 * ms / 1000 / 4) << "the device ran";
        double sum = 0;
        std::size_t n = bytes.size() / 2;
        for (std::size_t i = 0; i < n; ++i) {
            double x = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                 static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8);
            sum += x * x;
        }
        return n ? std::sqrt(sum / n) : 0.0;
    }

    std::string savedDriver;
    cCheckedVector<cEdBgm> savedBgms;
};

} // namespace

TEST_F(DiskOutput, RequestsThroughTheWindowThreadSoundOnTheDevice) {
    double silent = Run("none.raw", WM_USER_BGM, 4, 0, 200);
    EXPECT_EQ(silent, 0.0);
    double ogg = Run("ogg.raw", WM_USER_BGM, 4, 1, 500);
    EXPECT_GT(ogg, 2000.0);
    double midi = Run("midi.raw", WM_USER_BGM, 4, 2, 500);
    EXPECT_GT(midi, 200.0);
    double effect = Run("se.raw", WM_USER_PLAYSE, 0, 0, 400);
    EXPECT_GT(effect, 2000.0);
}
