// Small routines shared by the play code and the game objects: the display-wait record and the shot
// direction of a key slot.
#pragma once

#include <cstdint>

// Five words set up when a message, an effect, a picture or the stage-clear result is shown while play
// waits.
struct CounterRecord {
    std::int32_t mode = 0;
    std::int32_t counter = 0;
    std::int32_t flag = 0;
    std::int32_t value = 0;
    std::int32_t reserved = 0;
};

// Fills a display-wait record: the counter starts at 10 when flag is set, mode is 1 and x is 0.
void InitCounterRecord(CounterRecord& record, std::int32_t mode, std::int32_t flag, std::int32_t value,
                       std::int32_t x);
// The shot direction of key slot 0-8 of the first key group: slot 0 (no direction key) gives the facing
// side (3 right when facing is non-zero, 2 left), slots 1-8 the eight directions. A slot outside 0-8
// also gives the facing side.
std::int32_t MapHitRange(std::int32_t slot, std::int32_t facing);
