// printf-style formatting into a std::string.
#pragma once
#include <cstdarg>
#include <string>

// The result holds at most 5,119 characters (the formatting buffer is 5,120 bytes); longer results
// are cut there.
constexpr int STRFORMAT_BUFFER = 5120;
void StrFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void StrFormatV(std::string& out, const char* format, va_list args);

// Formats into a fixed buffer of `size` bytes: never writes past it, cuts the text at size - 1
// characters, always ends it with a NUL. Returns the length of the text kept.
int FormatBounded(char* buffer, int size, const char* format, va_list args);
