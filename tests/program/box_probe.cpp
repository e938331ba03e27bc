// Compares a window's picture (an xwd dump of it) with a message box as the player draws it.
// Usage: m4_box_probe <window.xwd> <type> <caption> <text>   (caption and text in UTF-8)
// Exit code 0 when the window shows exactly that box, and the box's text is drawn (the box differs
// from the same box without its text); 1 with the reason on standard error otherwise.
#include "ui/box_window.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::uint32_t Big32(const std::vector<unsigned char>& d, std::size_t at) {
    return static_cast<std::uint32_t>(d[at]) << 24 | static_cast<std::uint32_t>(d[at + 1]) << 16 |
           static_cast<std::uint32_t>(d[at + 2]) << 8 | d[at + 3];
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "box_probe: %s\n", why.c_str());
    return 1;
}

// The window's pixels as XRGB; false when the dump is not a 32-bit true-colour one.
bool ReadXwd(const std::string& path, std::vector<std::uint32_t>& px, int& w, int& h) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    if (d.size() < 100) return false;
    const std::uint32_t headerSize = Big32(d, 0), byteOrder = Big32(d, 28), bpp = Big32(d, 44);
    const std::uint32_t bytesPerLine = Big32(d, 48), colours = Big32(d, 76);
    const std::uint32_t red = Big32(d, 56), green = Big32(d, 60), blue = Big32(d, 64);
    w = static_cast<int>(Big32(d, 16));
    h = static_cast<int>(Big32(d, 20));
    const std::size_t start = headerSize + colours * 12u;
    if (bpp != 32 || red != 0xFF0000 || green != 0xFF00 || blue != 0xFF ||
        start + static_cast<std::size_t>(bytesPerLine) * h > d.size())
        return false;
    px.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t at = start + static_cast<std::size_t>(y) * bytesPerLine + x * 4u;
            const std::uint32_t v = byteOrder == 0 ? (d[at] | d[at + 1] << 8 | d[at + 2] << 16)
                                                   : (d[at + 3] | d[at + 2] << 8 | d[at + 1] << 16);
            px[static_cast<std::size_t>(y) * w + x] = v & 0xFFFFFF;
        }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) return Fail("usage: m4_box_probe <window.xwd> <type> <caption> <text>");
    std::vector<std::uint32_t> shown;
    int sw = 0, sh = 0;
    if (!ReadXwd(argv[1], shown, sw, sh)) return Fail("not a 32-bit true-colour window dump");
    const auto type = static_cast<win::UINT>(std::strtoul(argv[2], nullptr, 10));
    int w = 0, h = 0, ew = 0, eh = 0;
    std::vector<std::uint32_t> box = ui::RenderMessageBox({argv[4], argv[3], type}, w, h);
    const std::vector<std::uint32_t> blank = ui::RenderMessageBox({"", argv[3], type}, ew, eh);
    // The text's glyphs: what the box has that the same box without text lacks.
    std::size_t ink = 0;
    for (int y = 0; y < std::min(h, eh); ++y)
        for (int x = 0; x < std::min(w, ew); ++x)
            if (box[static_cast<std::size_t>(y) * w + x] != blank[static_cast<std::size_t>(y) * ew + x] &&
                (box[static_cast<std::size_t>(y) * w + x] & 0xFF) < 0x80)
                ++ink;
    if (ink < 100) return Fail("the box draws no text (" + std::to_string(ink) + " dark pixels)");
    if (sw != w || sh != h)
        return Fail("the window is " + std::to_string(sw) + " x " + std::to_string(sh) + ", the box " +
                    std::to_string(w) + " x " + std::to_string(h));
    std::size_t differ = 0;
    for (std::size_t i = 0; i < box.size(); ++i)
        if (box[i] != shown[i]) ++differ;
    if (differ) return Fail(std::to_string(differ) + " of the window's pixels differ from the box");
    std::printf("the window shows the box: %d x %d, %zu pixels of text\n", w, h, ink);
    return 0;
}
