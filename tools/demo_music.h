// The demo project's title music: an eight-bar tune in C major (C, A minor, F, G twice; melody,
// bass, electric piano chords and drums) that ends on the dominant so that it loops back to its
// start. Written as a Standard MIDI File and, synthesised, as Ogg Vorbis.
#pragma once

#include "midi_writer.h"

#include <string>
#include <vector>

namespace demo_music {

constexpr int kDivision = 480;                         // ticks per quarter note
constexpr std::uint32_t kQuarterMicroseconds = 500000; // 120 beats per minute
constexpr int kBars = 8;
constexpr int kOggRate = 22050;

struct Note {
    int channel; // 0 melody, 1 bass, 2 chords, 9 drums
    std::uint32_t tick;
    std::uint32_t length;
    int key;
    int velocity;
};

// Every note of the tune, in order of the parts.
std::vector<Note> TitleNotes();
// The MIDI tracks: a conductor track (name, tempo, metre), then one track per part.
std::vector<midi_writer::Track> TitleTracks();
// The tune synthesised at kOggRate, `bars` bars long, in -1 .. 1.
std::vector<float> RenderTitle(int bars);

// Writes <folder>/bgm/Title.mid, and <folder>/bgm/Title.ogg when `ogg` is set. False when a file
// cannot be written.
bool WriteAll(const std::string& folder, bool ogg);

} // namespace demo_music
