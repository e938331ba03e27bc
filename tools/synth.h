// A small additive synthesiser for the demo project's sound effects and music: tones with a pitch
// glide, an envelope and one of four wave shapes, summed into a buffer of samples.
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

enum class Wave { Sine, Triangle, Square, Noise };

struct Tone {
    double start = 0;    // seconds from the start of the buffer
    double length = 0.1; // seconds before the release begins
    double freq = 440;   // Hz at the start (for noise: how often a new random value is drawn)
    double freqEnd = 0;  // Hz at the end of `length` (glides exponentially); 0 keeps `freq`
    Wave wave = Wave::Sine;
    double volume = 0.5;   // peak amplitude, 1 = full scale
    double attack = 0.004; // seconds to rise to the peak
    double release = 0.04; // seconds to fall to silence after `length`
    double decay = 0;      // exponential fall per second while the tone sounds (0: held)
};

// Frequency of a MIDI key (69 = 440 Hz).
double KeyFrequency(int key);

class Buffer {
  public:
    explicit Buffer(int rate) : m_Rate(rate) {}
    int Rate() const { return m_Rate; }
    // Adds a tone, growing the buffer as needed.
    void Add(const Tone& tone);
    // Makes the buffer `length` samples long, adding what lies beyond onto its start (a loop).
    void FoldAt(std::size_t length);
    // One-pole low-pass filter over the whole buffer.
    void LowPass(double cutoffHz);
    const std::vector<float>& Samples() const { return m_Samples; }
    // The samples scaled so that the loudest reaches `peak` of full scale, as 16-bit values.
    std::vector<std::int16_t> ToPcm16(double peak = 0.8) const;
    // The same scaling as floats in -1 .. 1.
    std::vector<float> Normalised(double peak = 0.8) const;

  private:
    double Scale(double peak) const;
    int m_Rate;
    std::uint32_t m_Noise = 22222; // the noise generator's state: the same sounds every run
    std::vector<float> m_Samples;
};

} // namespace synth
