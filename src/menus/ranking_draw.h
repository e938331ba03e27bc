// Drawing of ranking tables and the number formats of the result and ranking screens.
#pragma once

#include <cstdint>
#include <string>

struct DDSURFACEDATA;
class cRankingTable;

// The system picture holding the new-record mark (16 x 16 at (16, 48)).
constexpr int SYSTEM_SURFACE_ACCESSORY = 49;

// Digits of a value, 1 to 10; the sign does not count.
int CountDigits(std::int32_t value);
// The value's digits, at least `minDigits` of them: shorter numbers are filled with zeros, or with
// blanks without `zeroFill` (the last digit always shows); "-" before a negative value, "+" before
// any other when `plus` is set.
void FormatPaddedNumber(std::string& out, std::int32_t value, int minDigits, int zeroFill, int plus);
// Hundredths of a second as "MM:SS.hh" (12345 gives "02:03.45").
void FormatScoreTime(std::string& out, std::int32_t hundredths);

// One ranking table in a 270 x 350 box at (x, y): the title with the genre's label, one line per
// registered place (empty places leave their line empty), the genre hint when the game mode has
// more than one genre, and the new-record mark on place `mark` (-1: none).
void DrawRanking(const cRankingTable& table, DDSURFACEDATA* surface, int x, int y, int genre, int mark);
