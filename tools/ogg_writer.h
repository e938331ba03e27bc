// Writes mono Ogg Vorbis files from float samples (the writer is built with libvorbisenc when the
// machine has it; without it, Available() is false and Write fails).
#pragma once

#include <string>
#include <vector>

namespace ogg_writer {

bool Available();
// Samples in -1 .. 1 at `rate` per second, variable bit rate of the given quality (-0.1 .. 1).
bool Write(const std::string& path, const std::vector<float>& samples, int rate, float quality);

} // namespace ogg_writer
