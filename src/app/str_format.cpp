#include "app/str_format.h"

#include <cstdio>
#include <cstring>

int FormatBounded(char* buffer, int size, const char* format, va_list args) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    if (!format) return 0;
    const int n = std::vsnprintf(buffer, static_cast<size_t>(size), format, args);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return n < size ? n : size - 1;
}

void StrFormatV(std::string& out, const char* format, va_list args) {
    char buffer[STRFORMAT_BUFFER];
    const int n = FormatBounded(buffer, sizeof buffer, format, args);
    // Up to the first NUL, as a C text (a "%c" of 0 ends the text there).
    out.assign(buffer, std::strlen(buffer) < static_cast<size_t>(n) ? std::strlen(buffer) : n);
}

void StrFormat(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    StrFormatV(out, format, args);
    va_end(args);
}
