#include "synth.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

double KeyFrequency(int key) {
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

void Buffer::Add(const Tone& tone) {
    const auto first = static_cast<std::size_t>(std::max(0.0, tone.start) * m_Rate);
    const auto count = static_cast<std::size_t>((tone.length + tone.release) * m_Rate);
    if (m_Samples.size() < first + count) m_Samples.resize(first + count, 0.0f);
    const double endFreq = tone.freqEnd > 0 ? tone.freqEnd : tone.freq;
    double phase = 0;
    double held = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / m_Rate;
        const double along = std::min(1.0, tone.length > 0 ? t / tone.length : 1.0);
        const double freq = tone.freq * std::pow(endFreq / tone.freq, along);
        const double before = phase;
        phase += freq / m_Rate;
        phase -= std::floor(phase);
        double v = 0;
        switch (tone.wave) {
        case Wave::Sine:
            v = std::sin(2 * kPi * phase);
            break;
        case Wave::Triangle:
            v = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
            break;
        case Wave::Square:
            v = phase < 0.5 ? 0.6 : -0.6;
            break;
        case Wave::Noise:
            if (phase < before || i == 0) {
                m_Noise = m_Noise * 1103515245u + 12345u;
                held = static_cast<double>((m_Noise >> 16) & 0x7FFF) / 16383.5 - 1.0;
            }
            v = held;
            break;
        }
        double env = tone.attack > 0 ? std::min(1.0, t / tone.attack) : 1.0;
        if (tone.decay > 0) env *= std::exp(-tone.decay * t);
        if (t > tone.length) env *= std::max(0.0, 1.0 - (t - tone.length) / std::max(tone.release, 1e-6));
        m_Samples[first + i] += static_cast<float>(v * env * tone.volume);
    }
}

void Buffer::FoldAt(std::size_t length) {
    if (length == 0) {
        m_Samples.clear();
        return;
    }
    for (std::size_t i = length; i < m_Samples.size(); ++i)
        m_Samples[i % length] += m_Samples[i];
    m_Samples.resize(length, 0.0f);
}

void Buffer::LowPass(double cutoffHz) {
    const double rc = 1.0 / (2 * kPi * cutoffHz);
    const double dt = 1.0 / m_Rate;
    const double a = dt / (rc + dt);
    double y = 0;
    for (float& s : m_Samples) {
        y += a * (s - y);
        s = static_cast<float>(y);
    }
}

double Buffer::Scale(double peak) const {
    float loudest = 0;
    for (float s : m_Samples)
        loudest = std::max(loudest, std::fabs(s));
    return loudest > 0 ? peak / loudest : 0.0;
}

std::vector<std::int16_t> Buffer::ToPcm16(double peak) const {
    const double scale = Scale(peak) * 32767.0;
    std::vector<std::int16_t> out(m_Samples.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::lround(std::clamp(m_Samples[i] * scale, -32767.0, 32767.0)));
    return out;
}

std::vector<float> Buffer::Normalised(double peak) const {
    const double scale = Scale(peak);
    std::vector<float> out(m_Samples.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(m_Samples[i] * scale);
    return out;
}

} // namespace synth
