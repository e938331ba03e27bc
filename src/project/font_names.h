// The face names that the system data's font index chooses from.
#pragma once

#include <string>

constexpr int FONT_NAME_COUNT = 123;
constexpr int FONT_NAME_DEFAULT = 60; // "ＭＳ Ｐゴシック"

extern const std::string g_FontNames[FONT_NAME_COUNT];

// The face name of a font index; an index outside the table gives the default entry.
const std::string& FontNameForIndex(int index);
