#include "ui/widget_draw.h"

#include "platform/gfx/text.h"
#include "ui/dialog.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace ui {
namespace {

constexpr std::uint32_t kFace = 0xD4D0C8;
constexpr std::uint32_t kLight = 0xFFFFFF;
constexpr std::uint32_t kShadow = 0x808080;
constexpr std::uint32_t kDark = 0x404040;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWindow = 0xFFFFFF;
constexpr std::uint32_t kCaption = 0x0A246A;
constexpr std::uint32_t kSelection = 0x0A246A;
constexpr std::uint32_t kGrayText = 0x808080;
constexpr int kFontEm = 12; // 9 points

struct Clip {
    int l, t, r, b;
};

struct Canvas {
    std::vector<std::uint32_t>& px;
    Clip clip{0, 0, FRAME_W, FRAME_H};

    void Put(int x, int y, std::uint32_t c) {
        if (x < clip.l || y < clip.t || x >= clip.r || y >= clip.b) return;
        px[static_cast<std::size_t>(y) * FRAME_W + x] = c;
    }
    void Blend(int x, int y, std::uint32_t c, int a) {
        if (x < clip.l || y < clip.t || x >= clip.r || y >= clip.b || a <= 0) return;
        std::uint32_t& d = px[static_cast<std::size_t>(y) * FRAME_W + x];
        auto mix = [&](int shift) {
            const int s = (c >> shift) & 0xFF, t = (d >> shift) & 0xFF;
            return static_cast<std::uint32_t>((s * a + t * (255 - a) + 127) / 255) << shift;
        };
        d = mix(16) | mix(8) | mix(0);
    }
    void Fill(int x, int y, int w, int h, std::uint32_t c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                Put(i, j, c);
    }
    void HLine(int x, int y, int w, std::uint32_t c) { Fill(x, y, w, 1, c); }
    void VLine(int x, int y, int h, std::uint32_t c) { Fill(x, y, 1, h, c); }
    // A raised (or sunken) edge two pixels wide.
    void Edge(int x, int y, int w, int h, bool sunken) {
        const std::uint32_t tl1 = sunken ? kShadow : kLight, br1 = sunken ? kLight : kDark;
        const std::uint32_t tl2 = sunken ? kDark : kFace, br2 = sunken ? kFace : kShadow;
        HLine(x, y, w, tl1);
        VLine(x, y, h, tl1);
        HLine(x, y + h - 1, w, br1);
        VLine(x + w - 1, y, h, br1);
        HLine(x + 1, y + 1, w - 2, tl2);
        VLine(x + 1, y + 1, h - 2, tl2);
        HLine(x + 1, y + h - 2, w - 2, br2);
        VLine(x + w - 2, y + 1, h - 2, br2);
    }
};

gfx::TextFace* Face() {
    static std::shared_ptr<gfx::TextFace> face = gfx::TextFace::Open("ＭＳ Ｐゴシック");
    return face.get();
}

int Cell() {
    gfx::TextFace* f = Face();
    return f ? f->CellForEm(kFontEm) : kFontEm;
}

// Draws code points with the top of the cell at y; returns the pen's end.
int DrawCodePoints(Canvas& cv, int x, int y, const std::vector<std::uint32_t>& cps, std::uint32_t colour) {
    gfx::TextFace* f = Face();
    if (!f) return x;
    const int cell = Cell();
    for (std::uint32_t cp : cps) {
        const gfx::Glyph& g = f->GetLinked(cp, cell, 0, false);
        for (int j = 0; j < g.h; ++j)
            for (int i = 0; i < g.w; ++i)
                cv.Blend(x + g.left + i, y + g.top + j, colour,
                         g.coverage[static_cast<std::size_t>(j) * g.w + i]);
        x += g.advance;
    }
    return x;
}

int WidthOf(const std::vector<std::uint32_t>& cps) {
    gfx::TextFace* f = Face();
    if (!f) return 0;
    const int cell = Cell();
    int w = 0;
    for (std::uint32_t cp : cps)
        w += f->GetLinked(cp, cell, 0, false).advance;
    return w;
}

int DrawText(Canvas& cv, int x, int y, const std::string& cp932, std::uint32_t colour) {
    return DrawCodePoints(cv, x, y, gfx::DecodeCp932(cp932), colour);
}

std::vector<std::uint32_t> DecodeUtf8(const std::string& s) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        std::uint32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
        for (int k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<std::size_t>(len);
    }
    return out;
}

void DrawEdit(Canvas& cv, const cDialog& d, const cWidget& w, int ox, int oy, bool focused) {
    const int x = ox + w.rect.left, y = oy + w.rect.top;
    const int wd = w.rect.right - w.rect.left, ht = w.rect.bottom - w.rect.top;
    cv.Edge(x, y, wd, ht, true);
    cv.Fill(x + 2, y + 2, wd - 4, ht - 4, w.enabled ? kWindow : kFace);
    const Clip saved = cv.clip;
    cv.clip = Clip{std::max(saved.l, x + 2), std::max(saved.t, y + 2), std::min(saved.r, x + wd - 2),
                   std::min(saved.b, y + ht - 2)};
    const int ty = y + (ht - Cell()) / 2;
    const int lo = std::min(w.selStart, w.selEnd), hi = std::max(w.selStart, w.selEnd);
    const std::string before = w.text.substr(0, static_cast<std::size_t>(lo));
    const std::string sel = w.text.substr(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo));
    const std::string after = w.text.substr(static_cast<std::size_t>(hi));
    // Keep the caret in view: the text scrolls left when the caret would pass the right edge.
    const std::vector<std::uint32_t> comp =
        focused ? DecodeUtf8(d.Composition()) : std::vector<std::uint32_t>{};
    const int caretX = DialogTextWidth(w.text.substr(0, static_cast<std::size_t>(w.selEnd))) + WidthOf(comp);
    const int room = wd - 7;
    const int shift = caretX > room ? caretX - room : 0;
    int px = x + 3 - shift;
    px = DrawText(cv, px, ty, before, w.enabled ? kBlack : kGrayText);
    if (!sel.empty()) {
        const int sw = DialogTextWidth(sel);
        if (focused) cv.Fill(px, ty, sw, Cell(), kSelection);
        px = DrawText(cv, px, ty, sel, focused ? kLight : kBlack);
    }
    if (!comp.empty()) {
        // The composition sits at the caret, underlined.
        const int start = px;
        px = DrawCodePoints(cv, px, ty, comp, kBlack);
        cv.HLine(start, ty + Cell(), px - start, kBlack);
    }
    const int caret = px;
    DrawText(cv, px, ty, after, w.enabled ? kBlack : kGrayText);
    if (focused && lo == hi && comp.empty()) cv.VLine(caret, ty, Cell(), kBlack);
    cv.clip = saved;
}

void DrawFocusRect(Canvas& cv, int x, int y, int w, int h) {
    for (int i = 0; i < w; i += 2) {
        cv.Put(x + i, y, kBlack);
        cv.Put(x + i, y + h - 1, kBlack);
    }
    for (int j = 0; j < h; j += 2) {
        cv.Put(x, y + j, kBlack);
        cv.Put(x + w - 1, y + j, kBlack);
    }
}

void DrawWidget(Canvas& cv, const cDialog& d, const cWidget& w, int ox, int oy) {
    if (!w.visible) return;
    const bool focused = d.Focus() == &w;
    const int x = ox + w.rect.left, y = oy + w.rect.top;
    const int wd = w.rect.right - w.rect.left, ht = w.rect.bottom - w.rect.top;
    const std::uint32_t ink = w.enabled ? kBlack : kGrayText;
    const int cell = Cell();
    switch (w.type) {
    case WidgetType::PushButton: {
        int bx = x, by = y, bw = wd, bh = ht;
        if ((w.style & CS_DEFAULT) || focused) {
            cv.HLine(x, y, wd, kBlack);
            cv.HLine(x, y + ht - 1, wd, kBlack);
            cv.VLine(x, y, ht, kBlack);
            cv.VLine(x + wd - 1, y, ht, kBlack);
            ++bx, ++by, bw -= 2, bh -= 2;
        }
        cv.Fill(bx, by, bw, bh, kFace);
        cv.Edge(bx, by, bw, bh, false);
        const int tw = DialogTextWidth(w.text);
        DrawText(cv, x + (wd - tw) / 2, y + (ht - cell) / 2, w.text, ink);
        if (focused) DrawFocusRect(cv, bx + 3, by + 3, bw - 6, bh - 6);
        break;
    }
    case WidgetType::RadioButton:
    case WidgetType::CheckBox: {
        const int bs = 13, by = y + (ht - bs) / 2;
        if (w.type == WidgetType::CheckBox) {
            cv.Edge(x, by, bs, bs, true);
            cv.Fill(x + 2, by + 2, bs - 4, bs - 4, kWindow);
            if (w.checked)
                for (int i = 0; i < 7; ++i) {
                    const int cy = by + (i < 3 ? 6 + i : 10 - i) - 1;
                    cv.VLine(x + 3 + i, cy, 3, ink);
                }
        } else {
            const double r = 6.0, cx = x + 6.0, cy = by + 6.0;
            for (int j = 0; j < bs; ++j)
                for (int i = 0; i < bs; ++i) {
                    const double dx = x + i + 0.5 - cx - 0.5, dy = by + j + 0.5 - cy - 0.5;
                    const double dist = dx * dx + dy * dy;
                    if (dist <= (r - 1.5) * (r - 1.5))
                        cv.Put(x + i, by + j, kWindow);
                    else if (dist <= r * r)
                        cv.Put(x + i, by + j, dx + dy < 0 ? kShadow : kLight);
                    if (w.checked && dist <= 2.2 * 2.2) cv.Put(x + i, by + j, ink);
                }
        }
        const int tx = x + bs + 4, ty = y + (ht - cell) / 2;
        const int end = DrawText(cv, tx, ty, w.text, ink);
        if (focused) DrawFocusRect(cv, tx - 1, ty - 1, end - tx + 2, cell + 2);
        break;
    }
    case WidgetType::Edit:
        DrawEdit(cv, d, w, ox, oy, focused);
        break;
    case WidgetType::Static: {
        // Left-aligned text, wrapped at the static's width (at a blank when the line has one,
        // else at any character) and drawn on as far as the dialog reaches.
        const std::vector<std::uint32_t> cps = gfx::DecodeCp932(w.text);
        int ly = y;
        std::size_t i = 0;
        while (i < cps.size()) {
            std::size_t end = i, lastBlank = 0;
            int width = 0;
            while (end < cps.size() && cps[end] != '\n') {
                const int adv = WidthOf({cps[end]});
                if (width + adv > wd && end > i) break;
                if (cps[end] == ' ') lastBlank = end;
                width += adv;
                ++end;
            }
            if (end < cps.size() && cps[end] != '\n' && lastBlank > i) end = lastBlank;
            DrawCodePoints(cv, x, ly,
                           std::vector<std::uint32_t>(cps.begin() + static_cast<std::ptrdiff_t>(i),
                                                      cps.begin() + static_cast<std::ptrdiff_t>(end)),
                           ink);
            ly += cell;
            i = end;
            if (i < cps.size() && (cps[i] == '\n' || cps[i] == ' ')) ++i;
        }
        break;
    }
    case WidgetType::GroupBox: {
        const int ly = y + cell / 2;
        const int tw = w.text.empty() ? 0 : DialogTextWidth(w.text) + 4;
        // Etched frame, broken where the label sits.
        cv.HLine(x, ly, 6, kShadow);
        cv.HLine(x + 6 + tw, ly, wd - 6 - tw, kShadow);
        cv.HLine(x + 1, ly + 1, 5, kLight);
        cv.HLine(x + 7 + tw, ly + 1, wd - 8 - tw, kLight);
        cv.VLine(x, ly, ht - cell / 2, kShadow);
        cv.VLine(x + 1, ly + 1, ht - cell / 2 - 2, kLight);
        cv.HLine(x, y + ht - 2, wd, kShadow);
        cv.HLine(x, y + ht - 1, wd, kLight);
        cv.VLine(x + wd - 2, ly, ht - cell / 2, kShadow);
        cv.VLine(x + wd - 1, ly, ht - cell / 2, kLight);
        if (tw) DrawText(cv, x + 8, y, w.text, ink);
        break;
    }
    case WidgetType::Picture:
        break;
    case WidgetType::ListBox: {
        cv.Edge(x, y, wd, ht, true);
        cv.Fill(x + 2, y + 2, wd - 4, ht - 4, kWindow);
        const Clip saved = cv.clip;
        cv.clip = Clip{std::max(saved.l, x + 2), std::max(saved.t, y + 2), std::min(saved.r, x + wd - 2),
                       std::min(saved.b, y + ht - 2)};
        const int rows = w.VisibleRows();
        const int n = static_cast<int>(w.items.size());
        for (int r = 0; r < rows && w.topIndex + r < n; ++r) {
            const int i = w.topIndex + r;
            const int ry = y + 2 + r * 16;
            const bool sel = i == w.curSel;
            if (sel) cv.Fill(x + 2, ry, wd - 4, 16, focused ? kSelection : kFace);
            DrawText(cv, x + 4, ry + (16 - cell) / 2, w.items[static_cast<std::size_t>(i)],
                     sel && focused ? kLight : kBlack);
        }
        // A thumb along the right edge when the list is longer than the box.
        if (n > rows) {
            const int track = ht - 4;
            const int th = std::max(8, track * rows / n);
            const int ty = y + 2 + (track - th) * w.topIndex / std::max(1, n - rows);
            cv.Fill(x + wd - 8, y + 2, 6, track, kFace);
            cv.Fill(x + wd - 8, ty, 6, th, kShadow);
        }
        cv.clip = saved;
        break;
    }
    }
}

} // namespace

int DialogTextWidth(const std::string& text) {
    return WidthOf(gfx::DecodeCp932(text));
}

std::vector<std::string> DialogTextLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int DialogTextWidth(const std::vector<std::string>& lines) {
    int widest = 0;
    for (const std::string& l : lines)
        widest = std::max(widest, DialogTextWidth(l));
    return widest;
}

int DialogLineHeight() {
    return Cell();
}

bool DialogFontAvailable() {
    return Face() != nullptr;
}

void RenderDialog(const cDialog& d, std::vector<std::uint32_t>& frame) {
    if (frame.size() != static_cast<std::size_t>(FRAME_W) * FRAME_H)
        frame.assign(static_cast<std::size_t>(FRAME_W) * FRAME_H, 0);
    Canvas cv{frame};
    const win::RECT wr = d.WindowRect();
    const int x = wr.left, y = wr.top, w = wr.right - wr.left, h = wr.bottom - wr.top;
    cv.Fill(x, y, w, h, kFace);
    if (d.FrameLeft() > 0) {
        cv.Edge(x, y, w, h, false);
    } else {
        cv.HLine(x, y, w, kDark);
        cv.HLine(x, y + h - 1, w, kDark);
        cv.VLine(x, y, h, kDark);
        cv.VLine(x + w - 1, y, h, kDark);
    }
    if ((d.Style() & WS_CAPTION) == WS_CAPTION) {
        const int cx = x + d.FrameLeft(), cy = y + SM_CYDLGFRAME, cw = w - d.FrameLeft() - d.FrameRight();
        cv.Fill(cx, cy, cw, SM_CYCAPTION - 1, kCaption);
        const Clip saved = cv.clip;
        cv.clip = Clip{cx, cy, cx + cw - 20, cy + SM_CYCAPTION};
        DrawText(cv, cx + 3, cy + (SM_CYCAPTION - 1 - Cell()) / 2, d.Caption(), kLight);
        cv.clip = saved;
        const win::RECT b = d.CloseBox();
        if (b.right > b.left) {
            const int bx = x + b.left, by = y + b.top, bw = b.right - b.left, bh = b.bottom - b.top;
            cv.Fill(bx, by, bw, bh, kFace);
            cv.Edge(bx, by, bw, bh, false);
            for (int i = 0; i < 7; ++i) {
                cv.Fill(bx + 4 + i, by + 3 + i, 2, 1, kBlack);
                cv.Fill(bx + 10 - i, by + 3 + i, 2, 1, kBlack);
            }
        }
    }
    const int ox = x + d.FrameLeft(), oy = y + d.FrameTop();
    cv.clip = Clip{std::max(0, ox), std::max(0, oy), std::min(FRAME_W, ox + d.ClientWidth()),
                   std::min(FRAME_H, oy + d.ClientHeight())};
    for (const auto& wgt : d.Widgets())
        DrawWidget(cv, d, *wgt, ox, oy);
}

std::uint64_t FrameChecksum(const std::vector<std::uint32_t>& frame) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (std::uint32_t p : frame)
        for (int k = 0; k < 3; ++k) {
            h ^= (p >> (8 * k)) & 0xFF;
            h *= 0x100000001B3ull;
        }
    return h;
}

bool WriteFrameBmp(const std::vector<std::uint32_t>& frame, const std::string& path) {
    if (frame.size() != static_cast<std::size_t>(FRAME_W) * FRAME_H) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const std::uint32_t rowBytes = FRAME_W * 3, size = 54 + rowBytes * FRAME_H;
    unsigned char head[54] = {'B', 'M'};
    auto put32 = [&](int at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            head[at + k] = static_cast<unsigned char>(v >> (8 * k));
    };
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, FRAME_W);
    put32(22, FRAME_H);
    head[26] = 1;
    head[28] = 24;
    put32(34, rowBytes * FRAME_H);
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head;
    std::vector<unsigned char> row(rowBytes);
    for (int y = FRAME_H - 1; y >= 0 && ok; --y) {
        for (int x = 0; x < FRAME_W; ++x) {
            const std::uint32_t c = frame[static_cast<std::size_t>(y) * FRAME_W + x];
            row[x * 3] = static_cast<unsigned char>(c);
            row[x * 3 + 1] = static_cast<unsigned char>(c >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(c >> 16);
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace ui
