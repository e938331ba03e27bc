#include "records/rect_list.h"

void InitCounterRecord(CounterRecord& record, std::int32_t mode, std::int32_t flag, std::int32_t value,
                       std::int32_t x) {
    record.mode = mode;
    record.flag = flag;
    record.value = value;
    record.reserved = 0;
    record.counter = (flag != 0 && mode == 1 && x == 0) ? 10 : 0;
}

std::int32_t MapHitRange(std::int32_t slot, std::int32_t facing) {
    static const std::int32_t table[9] = {0, 2, 3, 6, 7, 8, 9, 10, 11};
    // The key steps have 19 slots; only 1-8 name a direction, any other slot gives the facing side.
    if (slot >= 1 && slot <= 8) return table[slot];
    return facing != 0 ? 3 : 2;
}
