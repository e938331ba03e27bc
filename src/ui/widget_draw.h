// Drawing of the toolkit's dialogs into a 640 x 480 XRGB frame, in the platform's classic grey look,
// with the dialog font ("ＭＳ Ｐゴシック", 9 points, mapped to the installed Japanese face).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class cDialog;

constexpr int FRAME_W = 640;
constexpr int FRAME_H = 480;

// Draws the dialog over what `frame` holds (640 x 480 pixels; made black when it has another size).
void RenderDialog(const cDialog& dialog, std::vector<std::uint32_t>& frame);

// The width in pixels of CP932 text in the dialog font.
int DialogTextWidth(const std::string& text);
// The lines of a text as a dialog shows them, one a line end (an empty text is one empty line).
std::vector<std::string> DialogTextLines(const std::string& text);
// The width of the widest of those lines.
int DialogTextWidth(const std::vector<std::string>& lines);

// The height of a line of text in the dialog font.
int DialogLineHeight();
// False when no face for the dialog font is installed (texts are then not drawn).
bool DialogFontAvailable();

// A 64-bit FNV-1a checksum of a frame's pixels.
std::uint64_t FrameChecksum(const std::vector<std::uint32_t>& frame);

// Writes a frame as a 24-bit bitmap file; false when it cannot be written.
bool WriteFrameBmp(const std::vector<std::uint32_t>& frame, const std::string& path);

} // namespace ui
