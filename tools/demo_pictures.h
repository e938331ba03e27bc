// The demo project's system pictures, drawn in code with the demo palette: the palette picture, the
// block, eight character, shot, item and mark sheets (32-pixel cells, 15 to a row), the window fill,
// the status bar sheet, the title picture and its menu items, the menu accessories, the symbol
// letters, the word sheet of banners and digits, and the world map's chips, node icons and back picture.
// Characters face left on their sheets: the player shows a sheet's mirror for a character facing right.
#pragma once

#include "bmp_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace demo_pictures {

// Palette entries of the demo palette.
constexpr std::uint8_t kKey = 255; // the transparent colour (magenta)
constexpr std::uint8_t kWhite = 240;
constexpr std::uint8_t kText = 241; // the fonts' text colour: light cream, readable on the window fill
// The index a picture drawn with the entries above stores in its file: the transparent colour and
// black trade places (entry 0 is transparent in the files, entry 255 black).
constexpr std::uint8_t FileIndex(std::uint8_t drawn) {
    return drawn == kKey ? 0 : drawn == 0 ? 255 : drawn;
}
// Hue h (0 red, 1 orange, 2 yellow, 3 lime, 4 green, 5 spring green, 6 cyan, 7 azure, 8 blue,
// 9 violet, 10 magenta, 11 rose) in shade s (0 darkest, 7 the pure hue, 15 nearly white).
std::uint8_t Hue(int h, int s);
// Grey level g from 1 (darkest) to 15 (white).
std::uint8_t Grey(int g);

struct Sheet {
    std::string file; // the project's path, "bmp\..."
    bmp_writer::Picture picture;
};

// Every picture the system bitmap table names, each once (the stage backgrounds come from the stages,
// which name none).
std::vector<Sheet> SystemPictures();

// Turns a picture drawn with the entries above into the indexes its file stores (see FileIndex).
void ToFileIndexes(bmp_writer::Picture& p);

// Writes them into <folder>/bmp/ (and bmp/plt/) with the demo palette.
bool WriteAll(const std::string& folder);

} // namespace demo_pictures
