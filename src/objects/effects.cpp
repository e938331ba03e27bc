#include "objects/effects.h"

#include "app/checked_containers.h"
#include "app/int_range.h"
#include "app/log.h"
#include "app/play_bounds.h"
#include "app/thread.h"
#include "draw/dd_palette_fx.h"
#include "draw/dd_startup.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/stage_pictures.h"
#include "platform/messages.h"
#include "project/project_database.h"

#include <algorithm>
#include <cstring>

DDSurfaceList g_PictureSurfaces;
DDSurfaceDefList g_PictureDefs;
std::list<cPictureLayer> g_ShownPictures;

bool OnGameThread() {
    const win::ThreadId game = thGame.m_nThreadId.load();
    return game == 0 || game == win::GetCurrentThreadId();
}

void EffectPlace(const double a[4], const double b[4], int w, int h, double& x, double& y) {
    double l = std::max(a[0], b[0]), t = std::max(a[1], b[1]);
    double r = std::min(a[2], b[2]), btm = std::min(a[3], b[3]);
    if (l > r || t > btm) l = t = r = btm = 0;
    x = (static_cast<int>(r - l + 1) >> 1) + l - (w >> 1);
    y = (static_cast<int>(btm - t + 1) >> 1) + t - (h >> 1);
}

cEffectObj::cEffectObj(int n, const double attacker[4], const double victim[4], int scale) {
    const int k = SetSize(n, scale);
    EffectPlace(attacker, victim, m_nWidth, m_nHeight, m_dX, m_dY);
    // Play draws its random numbers on the game thread only: another thread's generator would make
    // replays drift.
    if (OnGameThread()) {
        m_dX += RandRange(-4 * k, 4 * k);
        m_dY += RandRange(-4 * k, 4 * k);
    } else {
        ECLog("cEffectObj: random jitter asked off the game thread");
    }
    SetAnimation(n);
}

cEffectObj::cEffectObj(int n, double x, double y, int scale) {
    SetSize(n, scale);
    m_dX = x - m_nWidth / 2.0;
    m_dY = y - m_nHeight / 2.0;
    SetAnimation(n);
}

int cEffectObj::SetSize(int n, int scale) {
    const cEdEffect& def = g_Database.m_Effects.at(n);
    m_nEffect = static_cast<std::uint16_t>(n);
    m_nWidth = def.nCellWidth;
    m_nHeight = def.nCellHeight;
    const int k = std::clamp(scale, 1, MAX_GIANT_SCALE);
    if (def.bScalable && k > 1) {
        m_nWidth = SaturateInt(std::int64_t{m_nWidth} * k);
        m_nHeight = SaturateInt(std::int64_t{m_nHeight} * k);
        m_bScaled = 1;
    }
    return k;
}

void cEffectObj::SetAnimation(int n) {
    cCheckedVector<cAnimSeqFrames> seqs;
    if (n >= 0 && n < static_cast<int>(g_EffectSeqTable.size())) seqs.push_back(g_EffectSeqTable.at(n));
    m_Anim.Build(seqs);
}

namespace {

bool AtEnd(const cAnimSeq& a) {
    if (a.m_Seqs.empty()) return true;
    const cAnimSeqFrames& s = a.m_Seqs.at(a.m_nSeq);
    return a.m_nFrame >= 0 && a.m_nFrame < s.Count() && s.at(a.m_nFrame).nPattern == ANIM_CODE_END;
}

DDSURFACEDATA* EffectPicture(int n) {
    if (n < 1) return nullptr;
    const int sysmem = !DDIsD3D() && g_ObjectSheets.nCharaBase != SYSBMP_CHARA_FIRST ? 2 : 0;
    const int k = 4 * (n - 1) + sysmem;
    if (k >= g_StageEffects.Count()) return nullptr;
    return &g_StageEffects.at(k);
}

} // namespace

int DrawEffectObj(cEffectObj& e, DDSURFACEDATA* surface, int advance) {
    if (e.m_nEffect >= g_Database.m_Effects.Count() || g_Database.m_Effects.at(e.m_nEffect).m_Frames.empty())
        return 1;
    int pattern = e.m_Anim.GetPattern();
    if (advance && !e.m_bHeld) pattern = e.m_Anim.Tick();
    if (AtEnd(e.m_Anim)) return 1;
    const cEdEffect& def = g_Database.m_Effects.at(e.m_nEffect);
    DDSURFACEDATA* pic = EffectPicture(e.m_nEffect);
    if (!pic) return 0;
    // Cut toward 0 as a conversion cuts it; an effect beyond the range of int stays at its end.
    const int x = SaturateInt(e.m_dX - ViewX().m_dPos), y = SaturateInt(e.m_dY - ViewY().m_dPos);
    const int sx = SaturateInt(std::int64_t{pattern} * def.nCellWidth);
    if (e.m_bScaled)
        DDBltStretch(surface, x, y, e.m_nWidth, e.m_nHeight, pic, sx, 0, def.nCellWidth, def.nCellHeight, 1);
    else
        DDBlt(surface, x, y, def.nCellWidth, def.nCellHeight, pic, sx, 0, 1);
    return 0;
}

void StartHitEffect(int effect, cChara& struck, cGameObject& attacker, int scale) {
    if (!g_lpGameScene || effect <= 0 || !PlayBoundRoom(PlayBound::Effects, g_lpGameScene->m_Effects.size()))
        return;
    const double a[4] = {attacker.m_dX, attacker.m_dY, attacker.m_dRight, attacker.m_dBottom};
    const double v[4] = {struck.m_dX, struck.m_dY, struck.m_dRight, struck.m_dBottom};
    g_lpGameScene->m_Effects.emplace_back(effect, a, v, scale);
}

void StartEffectAt(int effect, double x, double y, int scale) {
    if (!g_lpGameScene || !PlayBoundRoom(PlayBound::Effects, g_lpGameScene->m_Effects.size())) return;
    g_lpGameScene->m_Effects.emplace_back(effect, x, y, scale);
}

// ---- Shown pictures ----

namespace {

// A world position on the screen, int(position) - int(view), kept at the ends of int.
int ScreenPosition(double position, double view) {
    return SaturateInt(std::int64_t{SaturateInt(position)} - static_cast<int>(view));
}

} // namespace

int cPictureLayer::Draw(DDSURFACEDATA* surface, DDSURFACEDATA* picture, int paused) {
    if (m_nDisplayMode == 2 && !(paused && !m_bCountWhilePaused)) {
        // Counted down without passing the smallest int, so a time of any length ends.
        m_nFrames = SaturateInt(std::int64_t{m_nFrames} - 1);
        if (m_nFrames < 0) return 1;
    }
    const int x = m_bFixed ? m_nScreenX : ScreenPosition(m_dX, ViewX().m_dPos);
    const int y = m_bFixed ? m_nScreenY : ScreenPosition(m_dY, ViewY().m_dPos);
    if (!picture) return 0;
    if (m_bStretch)
        DDBltStretch(surface, x, y, m_nWidth, m_nHeight, picture, 0, 0, picture->nWidth, picture->nHeight, 1);
    else
        DDBlt(surface, x, y, picture->nWidth, picture->nHeight, picture, 0, 0, 1);
    return 0;
}

namespace {

// The loaded surface of a picture file, or null when no shown picture holds it.
DDSURFACEDATA* LoadedPicture(const char* file) {
    auto sd = g_PictureSurfaces.begin();
    for (auto def = g_PictureDefs.begin(); def != g_PictureDefs.end() && sd != g_PictureSurfaces.end();
         ++def, ++sd)
        if (std::strcmp(def->szFileName, file) == 0) return &*sd;
    return nullptr;
}

bool SurfaceShown(const DDSURFACEDATA* surface) {
    return std::any_of(g_ShownPictures.begin(), g_ShownPictures.end(),
                       [surface](const cPictureLayer& p) { return p.m_lpSurface == surface; });
}

} // namespace

std::size_t PictureBytes(const DDSURFACEDATA& surface) {
    return std::size_t{4} * static_cast<std::size_t>(std::max(0, surface.nWidth)) *
           static_cast<std::size_t>(std::max(0, surface.nHeight));
}

cPictureLayer* ShowPicture(const char* file, const cPictureLayer& values, bool* cut) {
    SURFACEDEF def;
    std::snprintf(def.szFileName, sizeof def.szFileName, "%s", file ? file : "");
    def.bColorKey = 1;
    // A picture already on the screen is shown again from its loaded surface: a command that repeats
    // never reads its file twice.
    DDSURFACEDATA* surface = LoadedPicture(def.szFileName);
    if (!surface) {
        DDSURFACEDATA& sd = g_PictureSurfaces.emplace_back();
        g_PictureDefs.push_back(def);
        if (!DDCheckResult(DDCreateSurfaceFromFile(&sd, def.szFileName, 1, g_DDSettings.nBpp, 0,
                                                   DTMEMORYTYPE_VIDEO_NORT, 0, 0, 0, 0, 0))) {
            DDRemoveSurface(g_PictureSurfaces, g_PictureDefs, &sd);
            return nullptr;
        }
        // The surfaces of the pictures shown are bounded by their bytes, not by their count alone.
        std::size_t held = 0;
        for (const DDSURFACEDATA& other : g_PictureSurfaces)
            if (&other != &sd) held += PictureBytes(other);
        if (!PlayBoundFits(PlayBound::PictureBytes, held, PictureBytes(sd))) {
            DDRemoveSurface(g_PictureSurfaces, g_PictureDefs, &sd);
            if (cut) *cut = true;
            return nullptr;
        }
        surface = &sd;
    }
    cPictureLayer& p = g_ShownPictures.emplace_back(values);
    p.m_lpSurface = surface;
    if (p.m_nWidth <= 0) p.m_nWidth = surface->nWidth;
    if (p.m_nHeight <= 0) p.m_nHeight = surface->nHeight;
    return &p;
}

void DrawShownPictures(DDSURFACEDATA* surface, int layer, int paused) {
    for (auto it = g_ShownPictures.begin(); it != g_ShownPictures.end();) {
        if (it->m_nLayer != layer) {
            ++it;
            continue;
        }
        if (it->Draw(surface, it->m_lpSurface, paused)) {
            DDSURFACEDATA* picture = it->m_lpSurface;
            it = g_ShownPictures.erase(it);
            // The surface goes with the last picture that shows it.
            if (!SurfaceShown(picture)) DDRemoveSurface(g_PictureSurfaces, g_PictureDefs, picture);
            continue;
        }
        ++it;
    }
}

void ClearShownPictures() {
    DDReleaseSurfaceList(g_PictureSurfaces);
    g_PictureSurfaces.clear();
    g_PictureDefs.clear();
    g_ShownPictures.clear();
}
