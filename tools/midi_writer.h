// Writes Standard MIDI Files of format 1: a header chunk and one "MTrk" chunk per track, events
// with variable-length delta times, each track ended by its end-of-track event.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace midi_writer {

struct Event {
    std::uint32_t tick = 0;
    int order = 0; // events of one tick: lower first (settings, then note-offs, then note-ons)
    std::vector<std::uint8_t> bytes; // status byte and data, or FF type length data
};

class Track {
  public:
    void Tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter);
    void TimeSignature(std::uint32_t tick, int numerator, int denominatorPower);
    void Name(std::uint32_t tick, const std::string& name);
    void Program(std::uint32_t tick, int channel, int program);
    void Controller(std::uint32_t tick, int channel, int controller, int value);
    void Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity);
    // The track ends at this tick (or at its last event, when that comes later), so that a piece
    // looping at its end keeps its metre.
    void EndAt(std::uint32_t tick) { m_End = tick; }
    const std::vector<Event>& Events() const { return m_Events; }
    std::uint32_t End() const { return m_End; }

  private:
    std::vector<Event> m_Events;
    std::uint32_t m_End = 0;
};

// The file's bytes: format 1, the tracks in order, `division` ticks per quarter note.
std::vector<std::uint8_t> Encode(const std::vector<Track>& tracks, int division);
bool Write(const std::string& path, const std::vector<Track>& tracks, int division);

} // namespace midi_writer
