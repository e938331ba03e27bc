#include "app/sjis.h"

int CountSjisChars(const char* text) {
    if (!text) return 0;
    int count = 0;
    const char* p = text;
    while (*p) {
        if (IsSjisPair(p)) {
            ++count;
            p += 2;
        } else {
            if (*p != '\n') ++count;
            ++p;
        }
    }
    return count;
}
