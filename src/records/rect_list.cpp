#include "records/rect_list.h"

#include <algorithm>

int RectOverlap(const cRect& a, const cRect& b) {
    if (!(a.left <= b.right)) return 0;
    if (!(a.right >= b.left)) return 0;
    if (!(a.top <= b.bottom)) return 0;
    if (!(a.bottom >= b.top)) return 0;
    return 1;
}

void InitCounterRecord(CounterRecord& record, std::int32_t mode, std::int32_t flag, std::int32_t value,
                       std::int32_t x) {
    record.mode = mode;
    record.flag = flag;
    record.value = value;
    record.reserved = 0;
    record.counter = (flag != 0 && mode == 1 && x == 0) ? 10 : 0;
}

int RemoveValue(cCheckedVector<std::int32_t>& list, std::int32_t value) {
    const auto end = std::remove(list.begin(), list.end(), value);
    if (end == list.end()) return 0;
    list.erase(end, list.end());
    return 1;
}

std::int32_t MapHitRange(std::int32_t slot, std::int32_t facing) {
    static const std::int32_t table[9] = {0, 2, 3, 6, 7, 8, 9, 10, 11};
    // The key steps have 19 slots; only 1-8 name a direction, any other slot gives the facing side.
    if (slot >= 1 && slot <= 8) return table[slot];
    return facing != 0 ? 3 : 2;
}
