// Shift-JIS (code page 932) text helpers: the places where the system looks at the two-byte
// structure of its texts.
#pragma once
#include <string>

// Lead bytes 0x81-0x9F and 0xE0-0xFC; trail bytes 0x40-0x7E and 0x80-0xFC.
inline bool IsSjisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
inline bool IsSjisTrail(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// True when p points at a lead byte followed by a trail byte (never reads past a NUL).
inline bool IsSjisPair(const char* p) {
    return IsSjisLead(static_cast<unsigned char>(p[0])) && IsSjisTrail(static_cast<unsigned char>(p[1]));
}

// Characters of a text for layout: a lead+trail pair counts 1, a line feed 0, every other byte 1
// (so a lead byte cut off by the end of the text counts 1).
int CountSjisChars(const char* text);
inline int CountSjisChars(const std::string& text) {
    return CountSjisChars(text.c_str());
}
