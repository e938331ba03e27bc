// A named parameter with its range and default: effect parameters, shot formations and movements.
#pragma once

#include <cstdint>
#include <string>

// An unused slot has the empty name and 0..0 (0).
struct cParamDesc {
    std::string name;
    std::int16_t minimum = 0;
    std::int16_t maximum = 0;
    std::int16_t defaultValue = 0;
};
