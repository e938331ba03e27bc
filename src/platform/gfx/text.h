// Glyphs for the GDI-like and D3DX-like text: a face found through fontconfig (with the Windows
// Japanese face names mapped to installed Japanese faces), rendered by FreeType at GDI cell metrics,
// as monochrome masks (GDI) or coverage (D3DX), cached per size.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// One rendered glyph: `coverage` is w x h bytes (0 or 255 for monochrome glyphs), placed with its
// top-left at (pen x + left, cell top + top); the pen then moves by `advance`.
struct Glyph {
    int w = 0, h = 0;
    int left = 0, top = 0;
    int advance = 0;
    std::vector<std::uint8_t> coverage;
};

class TextFace {
  public:
    // The face for a CP932 (or ASCII) face name; a face is always found (fontconfig's best match),
    // null only when FreeType or fontconfig cannot start or no font is installed at all.
    static std::shared_ptr<TextFace> Open(std::string_view faceName);
    ~TextFace();

    // A glyph at a cell height (ascent + descent in pixels) and an average width (0: natural).
    const Glyph& Get(std::uint32_t codepoint, int cellHeight, int width, bool mono);
    // Ascent in pixels for the cell height (the baseline's distance below the cell top).
    int Ascent(int cellHeight);
    // The cell height of a font whose character (em) height is `em` pixels.
    int CellForEm(int em);
    // Whether the face has a glyph for the character.
    bool Has(std::uint32_t codepoint);
    // The glyph from this face, or from the Japanese Gothic face when this one lacks the character (as
    // the platform links fonts for the Shift-JIS character set).
    const Glyph& GetLinked(std::uint32_t codepoint, int cellHeight, int width, bool mono);
    const std::string& File() const { return file_; }

  private:
    TextFace() = default;
    struct Key {
        std::uint32_t cp;
        int height, width;
        bool mono;
        bool operator<(const Key& o) const;
    };
    void SetSize(int cellHeight, int width);
    std::mutex mutex_;
    void* face_ = nullptr; // FT_Face
    std::string file_;
    int curHeight_ = -1, curWidth_ = -1;
    std::map<Key, Glyph> cache_;
};

// Decodes CP932 text into Unicode code points; an invalid byte becomes '?'.
std::vector<std::uint32_t> DecodeCp932(std::string_view text);

// The fontconfig rules that map the Windows Japanese faces to installed Japanese faces.
extern const char8_t kJapaneseFaceAliases[];

} // namespace gfx
