// The MIDI music player: a Standard MIDI File (format 0 or 1) is read and merged into one track
// in memory, then streamed in two alternating buffers of timed events to the MIDI stream device.
// Each player has a thread of its own that receives the device's position callbacks, refills the
// buffer that has just been played and starts the piece again at its end when it loops.
#pragma once
#include "platform/audio/midi_out.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A MIDI file merged into one track (a format-0 image: header, one "MTrk" chunk of events each with
// its status byte, ending with one end of track). The image is empty when the file was refused.
class cMidiData {
  public:
    explicit cMidiData(const std::string& fileName);
    virtual ~cMidiData() = default;
    cMidiData(const cMidiData&) = delete;
    cMidiData& operator=(const cMidiData&) = delete;

    bool HasImage() const { return !m_Image.empty(); }
    const std::vector<std::uint8_t>& Image() const { return m_Image; }
    const std::string& FileName() const { return m_FileName; }

    // Merges the tracks of a file held in memory; false (image empty, reason logged) when it is
    // refused. Used by the constructor.
    bool Merge(const std::uint8_t* bytes, std::size_t size);

  protected:
    std::vector<std::uint8_t> m_Image;
    std::string m_FileName;
};

constexpr int MIDI_BUFFER_COUNT = 2;
constexpr win::DWORD MIDI_BUFFER_SIZE = 24000;
constexpr std::uint32_t MIDI_FIRST_EVENT = 22; // offset of the first event in the image

enum MidiState { MIDI_STOPPED = 0, MIDI_PLAYING = 1, MIDI_PAUSED = 2 };

class cMidiStream : public cMidiData {
  public:
    explicit cMidiStream(const std::string& fileName);
    ~cMidiStream() override;

    // Starts or resumes playing; loop non-zero starts the piece again after its end.
    void Restart(int loop);
    // Mode 0 stops and rewinds (one buffer is queued again), mode 1 pauses a playing stream.
    void Stop(int mode);

    int State() const;
    std::uint32_t ReadPosition() const;
    // Buffers handed to the device and not yet played.
    int QueuedBuffers() const;
    win::DWORD PlayerThreadId() const { return m_ThreadId.load(); }

  private:
    void FillAndQueue();
    // Converts events from the read position into the block of `hdr`; returns the bytes written.
    win::DWORD Convert(win::MIDIHDR& hdr);
    void OnPosition(win::MIDIHDR* hdr);
    void ThreadMain();
    // Ends the player's thread, then resets and closes the stream (once).
    void EndThreadAndStream();
    void Check(win::MMRESULT result, const char* operation);

    mutable std::recursive_mutex m_Lock; // the window thread and the player's thread share the player
    int m_nNextBuffer = 0;
    win::HMIDISTRM m_hStream = nullptr;
    std::unique_ptr<win::MIDIHDR[]> m_Headers;
    std::vector<std::unique_ptr<char[]>> m_Blocks;
    std::uint32_t m_nReadPos = MIDI_FIRST_EVENT;
    std::uint64_t m_nCarry = 0; // delta of skipped meta events, added to the next event written
    int m_nState = MIDI_STOPPED;
    int m_bLoop = 0;
    std::thread m_Thread;
    // The player's thread id once its queue exists; THREAD_FAILED when there was no memory for it.
    std::atomic<win::DWORD> m_ThreadId{0};
    static constexpr win::DWORD THREAD_FAILED = 0xFFFFFFFF;
};
