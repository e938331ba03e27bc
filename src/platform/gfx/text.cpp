#include "platform/gfx/text.h"
#include "platform/cp932.h"
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <tuple>

namespace gfx {
namespace {

struct Library {
    // Recursive: a face made in Open and let go of there (memory ran out on the way) takes it again.
    std::recursive_mutex mutex;
    FT_Library ft = nullptr;
    bool ready = false;
    std::map<std::string, std::weak_ptr<TextFace>> faces; // by file and index
};

Library& Lib() {
    static Library lib;
    return lib;
}

// Starts FreeType and fontconfig (with our face aliases) once. Call with the library's mutex held.
bool StartLocked(Library& lib) {
    if (lib.ready) return true;
    if (!lib.ft && FT_Init_FreeType(&lib.ft) != 0) return false;
    if (!FcInit()) return false;
    std::atexit([] { FcFini(); }); // fontconfig's caches go back before the process ends
    FcConfig* config = FcConfigGetCurrent();
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kJapaneseFaceAliases),
                                        FcTrue))
        std::fprintf(stderr, "font aliases could not be loaded\n");
    lib.ready = true;
    return true;
}

// The font file fontconfig finds for a family name (UTF-8), preferring Japanese faces.
bool FindFile(const std::string& family, std::string& file, int& index) {
    FcPattern* pat = FcPatternCreate();
    if (!family.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!match) return false;
    FcChar8* path = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (ok) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    }
    FcPatternDestroy(match);
    return ok;
}

struct Metrics {
    double ascent, descent; // font units, the GDI cell (Windows ascent and descent when the font gives them)
    double avgWidth;        // font units
};

Metrics FaceMetrics(FT_Face face) {
    Metrics m{double(face->ascender), double(-face->descender), face->units_per_EM / 2.0};
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            m.ascent = os2->usWinAscent;
            m.descent = os2->usWinDescent;
        }
        // Japanese faces drawn in a cell of exactly one em, as the Windows Japanese faces are: a
        // 16-pixel font has 16-pixel full-width characters.
        if (os2->sTypoAscender - os2->sTypoDescender == face->units_per_EM && os2->sTypoAscender > 0 &&
            FT_Get_Char_Index(face, 0x3042) != 0) {
            m.ascent = os2->sTypoAscender;
            m.descent = -os2->sTypoDescender;
        }
        if (os2->xAvgCharWidth > 0) m.avgWidth = os2->xAvgCharWidth;
    }
    if (m.ascent + m.descent <= 0) {
        m.ascent = face->units_per_EM * 0.88;
        m.descent = face->units_per_EM * 0.12;
    }
    return m;
}

} // namespace

bool TextFace::Key::operator<(const Key& o) const {
    return std::tie(cp, height, width, mono) < std::tie(o.cp, o.height, o.width, o.mono);
}

std::shared_ptr<TextFace> TextFace::Open(std::string_view faceName) {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    if (!StartLocked(lib)) return nullptr;
    std::string file;
    int index = 0;
    if (!FindFile(cp932::ToUtf8(faceName), file, index)) return nullptr;
    const std::string key = file + "#" + std::to_string(index);
    if (auto live = lib.faces[key].lock()) return live;
    FT_Face face = nullptr;
    if (FT_New_Face(lib.ft, file.c_str(), index, &face) != 0) return nullptr;
    // Owned from here on: memory that runs out below lets go of the face as the failure goes on.
    std::unique_ptr<TextFace> made;
    try {
        made.reset(new TextFace());
    } catch (const std::bad_alloc&) {
        FT_Done_Face(face);
        throw;
    }
    made->face_ = face;
    made->file_ = file;
    std::shared_ptr<TextFace> tf(std::move(made));
    lib.faces[key] = tf;
    return tf;
}

TextFace::~TextFace() {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
}

void TextFace::SetSize(int cellHeight, int width) {
    if (cellHeight == curHeight_ && width == curWidth_) return;
    auto* face = static_cast<FT_Face>(face_);
    const Metrics m = FaceMetrics(face);
    const double yppem = cellHeight * face->units_per_EM / (m.ascent + m.descent);
    const double xppem = width > 0 ? width * face->units_per_EM / m.avgWidth : yppem;
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(xppem * 64)),
                     static_cast<FT_F26Dot6>(std::lround(yppem * 64)), 72, 72);
    curHeight_ = cellHeight;
    curWidth_ = width;
}

int TextFace::Ascent(int cellHeight) {
    std::lock_guard lock(mutex_);
    auto* face = static_cast<FT_Face>(face_);
    const Metrics m = FaceMetrics(face);
    return static_cast<int>(std::lround(cellHeight * m.ascent / (m.ascent + m.descent)));
}

const Glyph& TextFace::Get(std::uint32_t cp, int cellHeight, int width, bool mono) {
    std::lock_guard lock(mutex_);
    const Key key{cp, cellHeight, width, mono};
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    Glyph g;
    auto* face = static_cast<FT_Face>(face_);
    if (cellHeight > 0 && cellHeight <= 1024 && width >= 0 && width <= 1024) { // larger ones draw nothing
        SetSize(cellHeight, width);
        const Metrics m = FaceMetrics(face);
        const int ascent = static_cast<int>(std::lround(cellHeight * m.ascent / (m.ascent + m.descent)));
        const FT_UInt index = FT_Get_Char_Index(face, cp);
        const FT_Int32 flags = FT_LOAD_RENDER | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
        if (FT_Load_Glyph(face, index, flags) == 0) {
            FT_GlyphSlot slot = face->glyph;
            const FT_Bitmap& bm = slot->bitmap;
            g.w = static_cast<int>(bm.width);
            g.h = static_cast<int>(bm.rows);
            g.left = slot->bitmap_left;
            g.top = ascent - slot->bitmap_top;
            g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
            g.coverage.assign(static_cast<std::size_t>(g.w) * g.h, 0);
            for (int y = 0; y < g.h; ++y) {
                const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
                for (int x = 0; x < g.w; ++x) {
                    std::uint8_t c;
                    if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                        c = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
                    else
                        c = row[x];
                    if (mono) c = c >= 128 ? 255 : 0;
                    g.coverage[static_cast<std::size_t>(y) * g.w + x] = c;
                }
            }
        }
    }
    return cache_.emplace(key, std::move(g)).first->second;
}

int TextFace::CellForEm(int em) {
    std::lock_guard lock(mutex_);
    auto* face = static_cast<FT_Face>(face_);
    const Metrics m = FaceMetrics(face);
    return static_cast<int>(std::lround(em * (m.ascent + m.descent) / face->units_per_EM));
}

bool TextFace::Has(std::uint32_t cp) {
    std::lock_guard lock(mutex_);
    return FT_Get_Char_Index(static_cast<FT_Face>(face_), cp) != 0;
}

const Glyph& TextFace::GetLinked(std::uint32_t cp, int cellHeight, int width, bool mono) {
    if (cp < 0x20 || Has(cp)) return Get(cp, cellHeight, width, mono);
    static const std::shared_ptr<TextFace> linked = Open("MS Gothic");
    if (linked && linked.get() != this && linked->Has(cp)) return linked->Get(cp, cellHeight, width, mono);
    return Get(cp, cellHeight, width, mono);
}

std::vector<std::uint32_t> DecodeCp932(std::string_view text) {
    std::vector<std::uint32_t> out;
    // Bytes below 0x80 are the same ASCII characters in CP932.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out.assign(text.begin(), text.end());
        return out;
    }
    const std::string utf8 = cp932::ToUtf8(text);
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > utf8.size()) {
            out.push_back('?');
            ++i;
            continue;
        }
        std::uint32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (int k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

} // namespace gfx
