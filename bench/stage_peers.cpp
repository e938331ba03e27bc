// The busy play frame of the stage drawing benchmark (bench_stage.h) drawn five ways: by the frame
// drawing on each back-end (as bench_stage_draw times it), and, from the fills and copies the
// DirectDraw-like back buffer recorded for it, by SDL2's software renderer, by pixman (when the
// build found it) and by a plain floor (rows copied with memcpy, keyed rows with the keyed copy of
// the blitter). Each way is checked to give the project's pixels before its time counts; at the end
// the medians are printed as ratios of the project's frame to each peer's.
//
// Nine repetitions, interleaved at random, unless --benchmark_repetitions or
// --benchmark_enable_random_interleaving say otherwise.
#include "bench_args.h"
#include "bench_frame.h"
#include "bench_stage.h"
#include "platform/gfx/blit.h"
#include "platform/gfx/ddraw.h"
#include "platform/gfx/ddraw_kept.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#ifdef M4_HAVE_PIXMAN
#include <pixman.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using gfx::PixelBuffer;

constexpr int kW = 640, kH = 480;

// One draw of the recorded frame, already cut to the frame: a fill of raw or an unscaled copy.
struct Op {
    bool fill = false;
    int x = 0, y = 0, w = 0, h = 0; // destination rectangle
    std::uint32_t raw = 0;          // a fill's value
    int src = -1;                   // a copy's source, in RecordedFrame::sources
    int sx = 0, sy = 0;             // its top left in the source
    bool keyed = false;
    std::uint32_t key = 0;
};

struct RecordedFrame {
    std::vector<PixelBuffer> sources; // 32-bit pictures, as the copies read them
    std::vector<Op> ops;
    PixelBuffer reference; // the frame as the project drew it
    std::string error;     // why there is no frame to draw
    int copies = 0, keyedCopies = 0, fills = 0;
    double screens = 0; // pixels written, in 640 x 480 screens
};

RecordedFrame g_Frame;

// The frame as drawn on the back-end in use.
const PixelBuffer* Drawn() {
    const DDSURFACEDATA* back = DDRedirect(&g_BackBuffer);
    if (back->lpDT && back->lpDT->lpSurface) return &std::as_const(*back->lpDT->lpSurface).Pixels();
    if (back->lpDDSide && back->lpDDSide->lpSurface)
        return &std::as_const(*back->lpDDSide->lpSurface).Pixels();
    return nullptr;
}

// The first place where `got` differs from the reference in colour (the unused top byte is not
// compared); empty when none does.
std::string Difference(const PixelBuffer& ref, const std::uint32_t* got, int pitchPixels) {
    for (int y = 0; y < kH; ++y) {
        const auto* r = reinterpret_cast<const std::uint32_t*>(ref.Row(y));
        const std::uint32_t* g = got + static_cast<std::ptrdiff_t>(y) * pitchPixels;
        for (int x = 0; x < kW; ++x)
            if (((r[x] ^ g[x]) & 0xFFFFFF) != 0) {
                char text[96];
                std::snprintf(text, sizeof text, "pixels differ at (%d, %d): 0x%06X, not 0x%06X", x, y,
                              g[x] & 0xFFFFFF, r[x] & 0xFFFFFF);
                return text;
            }
    }
    return {};
}

std::string Difference(const PixelBuffer& ref, const PixelBuffer& got) {
    if (got.width != kW || got.height != kH || gfx::BytesPerPixel(got.format) != 4)
        return "the frame is not 640 x 480 at 32 bits";
    return Difference(ref, reinterpret_cast<const std::uint32_t*>(got.bytes.data()), got.pitch / 4);
}

// Draws the busy frame on the DirectDraw-like back-end and takes the fills and copies its back
// buffer kept back for it, and the pixels they give.
void Record(RecordedFrame& f) {
    bench::BusyStage s(0);
    if (!s.ok) {
        f.error = "display set-up failed";
        return;
    }
    DrawFrame(*s.scene, 1, 0, 0, 0);
    DDEndScene();
    gfx::DirectDrawSurface7* back = g_BackBuffer.lpDDSide ? g_BackBuffer.lpDDSide->lpSurface : nullptr;
    if (!back || !back->KeptDraws()) {
        f.error = "the back buffer kept no draws back";
        return;
    }
    std::map<const gfx::SurfaceStore*, int> index;
    for (const gfx::DDKeptDraw& d : back->KeptDraws()->draws) {
        if (d.discard) continue;
        Op op;
        if (d.fill) {
            op.fill = true;
            op.x = static_cast<int>(d.rect.left), op.y = static_cast<int>(d.rect.top);
            op.w = static_cast<int>(d.rect.right - d.rect.left),
            op.h = static_cast<int>(d.rect.bottom - d.rect.top);
            op.raw = d.raw;
            ++f.fills;
        } else {
            const gfx::BlitParams& bp = d.bp;
            if (bp.sw != bp.dw || bp.sh != bp.dh || gfx::BytesPerPixel(d.src->format) != 4) {
                f.error = "the frame holds a scaled, mirrored or not 32-bit copy";
                return;
            }
            op.x = bp.dx + bp.i0, op.y = bp.dy + bp.j0, op.w = bp.i1 - bp.i0, op.h = bp.j1 - bp.j0;
            op.sx = bp.sx + bp.i0, op.sy = bp.sy + bp.j0;
            op.keyed = d.askedKeyed; // the peers draw the copies as the frame asks for them
            op.key = bp.key;
            const auto [at, added] = index.emplace(d.src.get(), static_cast<int>(f.sources.size()));
            if (added) f.sources.push_back(static_cast<const PixelBuffer&>(*d.src));
            op.src = at->second;
            ++f.copies;
            f.keyedCopies += op.keyed;
        }
        if (op.w <= 0 || op.h <= 0) continue;
        f.screens += static_cast<double>(op.w) * op.h / (kW * kH);
        f.ops.push_back(op);
    }
    bench::RunKeptDrawsEverywhere();
    f.reference = *Drawn();
}

// A 32-bit picture with its key colour's pixels made transparent (0) and every other pixel opaque,
// for the peers that draw keyed pictures by their alpha.
std::vector<std::uint32_t> Keyed(const PixelBuffer& s, std::uint32_t key) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(s.width) * s.height);
    for (int y = 0; y < s.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(s.Row(y));
        for (int x = 0; x < s.width; ++x)
            out[static_cast<std::size_t>(y) * s.width + x] = row[x] == key ? 0 : (0xFF000000u | row[x]);
    }
    return out;
}

// ---- the project ----

void ProjectFrame(benchmark::State& state, int bD3D) {
    if (!g_Frame.error.empty()) return state.SkipWithError(g_Frame.error.c_str());
    bench::BusyStage s(bD3D);
    if (!s.ok) return state.SkipWithError("display set-up failed");
    DrawFrame(*s.scene, 1, 0, 0, 0);
    DDEndScene();
    bench::RunKeptDrawsEverywhere();
    const PixelBuffer* drawn = Drawn();
    const std::string diff = drawn ? Difference(g_Frame.reference, *drawn) : "no back buffer";
    if (!diff.empty()) return state.SkipWithError(diff.c_str());
    for (auto _ : state) {
        DrawFrame(*s.scene, 1, 0, 0, 0);
        DDEndScene();
        bench::RunKeptDrawsEverywhere();
    }
}

void ProjectDirectDraw(benchmark::State& state) {
    ProjectFrame(state, 0);
}
void ProjectDirect3D(benchmark::State& state) {
    ProjectFrame(state, 1);
}

// ---- the plain floor ----

void DrawFloor(const RecordedFrame& f, std::uint32_t* out) {
    for (const Op& op : f.ops) {
        for (int j = 0; j < op.h; ++j) {
            std::uint32_t* d = out + static_cast<std::ptrdiff_t>(op.y + j) * kW + op.x;
            if (op.fill) {
                std::fill_n(d, op.w, op.raw);
                continue;
            }
            const auto* s = reinterpret_cast<const std::uint32_t*>(
                                f.sources[static_cast<std::size_t>(op.src)].Row(op.sy + j)) +
                            op.sx;
            if (op.keyed)
                gfx::CopyKeyed32(d, s, op.w, op.key);
            else
                std::memcpy(d, s, static_cast<std::size_t>(op.w) * 4);
        }
    }
}

void Floor(benchmark::State& state) {
    if (!g_Frame.error.empty()) return state.SkipWithError(g_Frame.error.c_str());
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(kW) * kH);
    for (auto _ : state) {
        DrawFloor(g_Frame, frame.data());
        benchmark::ClobberMemory();
    }
    const std::string diff = Difference(g_Frame.reference, frame.data(), kW);
    if (!diff.empty()) state.SkipWithError(diff.c_str());
}

// ---- SDL2's software renderer ----

void Sdl2Software(benchmark::State& state) {
    if (!g_Frame.error.empty()) return state.SkipWithError(g_Frame.error.c_str());
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(kW) * kH);
    SDL_Surface* target =
        SDL_CreateRGBSurfaceWithFormatFrom(frame.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_RGB888);
    SDL_Renderer* r = target ? SDL_CreateSoftwareRenderer(target) : nullptr;
    if (!r) {
        if (target) SDL_FreeSurface(target);
        return state.SkipWithError(SDL_GetError());
    }
    // A texture per source, and one per source and key for the keyed copies (alpha blended).
    std::vector<SDL_Texture*> plain(g_Frame.sources.size(), nullptr);
    std::map<std::pair<int, std::uint32_t>, SDL_Texture*> keyed;
    std::vector<SDL_Texture*> texture(g_Frame.ops.size(), nullptr);
    for (std::size_t i = 0; i < g_Frame.ops.size(); ++i) {
        const Op& op = g_Frame.ops[i];
        if (op.fill) continue;
        const PixelBuffer& s = g_Frame.sources[static_cast<std::size_t>(op.src)];
        SDL_Texture*& t = op.keyed ? keyed[{op.src, op.key}] : plain[static_cast<std::size_t>(op.src)];
        if (!t) {
            t = SDL_CreateTexture(r, op.keyed ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_RGB888,
                                  SDL_TEXTUREACCESS_STATIC, s.width, s.height);
            if (op.keyed)
                SDL_UpdateTexture(t, nullptr, Keyed(s, op.key).data(), s.width * 4);
            else
                SDL_UpdateTexture(t, nullptr, s.bytes.data(), s.pitch);
            SDL_SetTextureBlendMode(t, op.keyed ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
        }
        texture[i] = t;
    }
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    for (auto _ : state) {
        for (std::size_t i = 0; i < g_Frame.ops.size(); ++i) {
            const Op& op = g_Frame.ops[i];
            const SDL_Rect d{op.x, op.y, op.w, op.h};
            if (op.fill) {
                SDL_SetRenderDrawColor(r, static_cast<Uint8>(op.raw >> 16), static_cast<Uint8>(op.raw >> 8),
                                       static_cast<Uint8>(op.raw), 255);
                SDL_RenderFillRect(r, &d);
            } else {
                const SDL_Rect s{op.sx, op.sy, op.w, op.h};
                SDL_RenderCopy(r, texture[i], &s, &d);
            }
        }
        SDL_RenderFlush(r);
        benchmark::ClobberMemory();
    }
    const std::string diff = Difference(g_Frame.reference, frame.data(), kW);
    for (SDL_Texture* t : plain)
        if (t) SDL_DestroyTexture(t);
    for (auto& [k, t] : keyed)
        SDL_DestroyTexture(t);
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(target);
    if (!diff.empty()) state.SkipWithError(diff.c_str());
}

// ---- pixman ----

#ifdef M4_HAVE_PIXMAN
void Pixman(benchmark::State& state) {
    if (!g_Frame.error.empty()) return state.SkipWithError(g_Frame.error.c_str());
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(kW) * kH);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, frame.data(), kW * 4);
    // Unkeyed copies read the sources as they are (PIXMAN_OP_SRC); keyed ones a premultiplied copy
    // whose key pixels are transparent (PIXMAN_OP_OVER).
    std::vector<PixelBuffer> sources = g_Frame.sources;
    std::vector<pixman_image_t*> plain(sources.size(), nullptr);
    std::map<std::pair<int, std::uint32_t>, std::vector<std::uint32_t>> keyedBits;
    std::map<std::pair<int, std::uint32_t>, pixman_image_t*> keyed;
    std::vector<pixman_image_t*> image(g_Frame.ops.size(), nullptr);
    for (std::size_t i = 0; i < g_Frame.ops.size(); ++i) {
        const Op& op = g_Frame.ops[i];
        if (op.fill) continue;
        PixelBuffer& s = sources[static_cast<std::size_t>(op.src)];
        pixman_image_t*& img = op.keyed ? keyed[{op.src, op.key}] : plain[static_cast<std::size_t>(op.src)];
        if (!img) {
            if (op.keyed) {
                std::vector<std::uint32_t>& bits = keyedBits[{op.src, op.key}] = Keyed(s, op.key);
                img = pixman_image_create_bits(PIXMAN_a8r8g8b8, s.width, s.height, bits.data(), s.width * 4);
            } else {
                img = pixman_image_create_bits(PIXMAN_x8r8g8b8, s.width, s.height,
                                               reinterpret_cast<std::uint32_t*>(s.bytes.data()), s.pitch);
            }
        }
        image[i] = img;
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < g_Frame.ops.size(); ++i) {
            const Op& op = g_Frame.ops[i];
            if (op.fill)
                pixman_fill(frame.data(), kW, 32, op.x, op.y, op.w, op.h, op.raw);
            else
                pixman_image_composite32(op.keyed ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, image[i], nullptr, dst,
                                         op.sx, op.sy, 0, 0, op.x, op.y, op.w, op.h);
        }
        benchmark::ClobberMemory();
    }
    const std::string diff = Difference(g_Frame.reference, frame.data(), kW);
    for (pixman_image_t* img : plain)
        if (img) pixman_image_unref(img);
    for (auto& [k, img] : keyed)
        pixman_image_unref(img);
    pixman_image_unref(dst);
    if (!diff.empty()) state.SkipWithError(diff.c_str());
}
#endif

void Register() {
    const auto set = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMicrosecond)->ReportAggregatesOnly(true);
    };
    set(benchmark::RegisterBenchmark("ProjectDirectDraw", ProjectDirectDraw));
    set(benchmark::RegisterBenchmark("ProjectDirect3D", ProjectDirect3D));
    set(benchmark::RegisterBenchmark("Sdl2Software", Sdl2Software));
#ifdef M4_HAVE_PIXMAN
    set(benchmark::RegisterBenchmark("Pixman", Pixman));
#endif
    set(benchmark::RegisterBenchmark("Floor", Floor));
}

// Keeps the median CPU time of each benchmark that ran without an error, as it reports it.
class MedianReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> median; // microseconds

    MedianReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.aggregate_name == "median" && !run.error_occurred)
                median[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatios(const std::map<std::string, double>& median) {
    std::printf("\nThe busy frame: %d copies (%d keyed), %d fills, %.1f screens of pixels.\n", g_Frame.copies,
                g_Frame.keyedCopies, g_Frame.fills, g_Frame.screens);
    std::printf("Medians of CPU time, the project's frame over each peer's:\n");
    std::printf("%-30s %11s %11s %8s\n", "against", "DirectDraw", "Direct3D", "goal");
    const struct {
        const char* name;
        const char* label;
        double goal;
    } peers[] = {
        {"Pixman", "pixman", 1.0}, {"Floor", "the plain floor", 1.5}, {"Sdl2Software", "SDL2 software", 0.5}};
    const auto at = [&median](const char* name) {
        const auto it = median.find(name);
        return it == median.end() ? 0.0 : it->second;
    };
    for (const auto& p : peers) {
        const double peer = at(p.name);
        if (peer <= 0) {
            std::printf("%-30s %11s %11s %7s%.1f\n", p.label, "-", "-", "<=", p.goal);
            continue;
        }
        char dd[16] = "-", d3d[16] = "-";
        if (at("ProjectDirectDraw") > 0)
            std::snprintf(dd, sizeof dd, "%.2fx", at("ProjectDirectDraw") / peer);
        if (at("ProjectDirect3D") > 0) std::snprintf(d3d, sizeof d3d, "%.2fx", at("ProjectDirect3D") / peer);
        std::printf("%-30s %11s %11s %7s%.1f\n", p.label, dd, d3d, "<=", p.goal);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!bench::InitializeInterleaved(argc, argv, 9)) return 1;
    Record(g_Frame);
    if (!g_Frame.error.empty()) std::fprintf(stderr, "no busy frame: %s\n", g_Frame.error.c_str());
    Register();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.median);
    benchmark::Shutdown();
    return 0;
}
