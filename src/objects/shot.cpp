// Emission: a shot command's settings become repetitions, each of which places its copies along
// one of six patterns; summons place blocks, characters or items the same way.
#include "objects/shot.h"

#include "app/input.h"
#include "app/log.h"
#include "app/play_bounds.h"
#include "objects/aim.h"
#include "objects/item.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "platform/crt_rand.h"
#include "project/common_palette.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/rect_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

SummonHooks g_SummonHooks;

namespace {

constexpr double PI = 3.14159265358979323846;
const double R = 1.0 / std::sqrt(2.0);

double Rad(double deg) {
    return deg * PI / 180.0;
}

bool IsRuledIndex(int d) {
    return d == 2 || d == 3 || (d >= 6 && d <= 11);
}

// The firer's (or subject's) rectangle and the view, as the start rules read them.
struct Frame {
    int L = 0, T = 0, R = 0, B = 0, W = 0, H = 0;
    double Vx = 0, Vy = 0;
    int cx = 0, cy = 0;
    int w = 16, h = 16;
};

Frame FrameOf(const cGameObject& o, int w, int h) {
    Frame f;
    f.L = o.m_rcScreen.left;
    f.T = o.m_rcScreen.top;
    f.R = o.m_rcScreen.right;
    f.B = o.m_rcScreen.bottom;
    f.W = o.m_nHitW;
    f.H = o.m_nHitH;
    f.Vx = ViewX().m_dPos;
    f.Vy = ViewY().m_dPos;
    f.cx = static_cast<int>(f.Vx) + f.L + f.W / 2;
    f.cy = static_cast<int>(f.Vy) + f.T + f.H / 2;
    f.w = w;
    f.h = h;
    return f;
}

// Everything one emission works with.
struct EmitCtx {
    cChara& firer;
    int cmdType;
    const cEdShot& rec;
    cEmission& em;
    std::list<cShot>* shots = nullptr;
    const cEdBlockDef* block = nullptr;
    const cEdCharaDef* chara = nullptr;
    const cEdItemDef* item = nullptr;
    int count = 0;
    // Places the command has asked for so far, over all its repetitions; a summoned character's
    // extra copies count as places of their own.
    std::size_t* asked = nullptr;
};

// The shots in play in `shots`: not those the play scene's shot step ended, which stay marked in
// its list until the sweep after the hits.
std::size_t ShotsInPlay(const std::list<cShot>& shots) {
    const std::size_t ended =
        g_lpGameScene && &shots == &g_lpGameScene->m_Shots ? g_lpGameScene->m_nEndedShots : 0;
    return shots.size() - std::min(ended, shots.size());
}

// A summon takes its definition's lists: it is made only while they fit beside what the stage's
// characters and items hold.
bool SummonFits(std::size_t entries) {
    return PlayBoundFits(PlayBound::HeldEntries, PlayBoundHeld(PlayBound::HeldEntries), entries);
}

// False, with nothing placed, once the command has asked for as many places as one command may or
// the list it adds to is full: the command then places no more.
bool Emit(EmitCtx& c, int x, int y, double vx, double vy) {
    if (c.asked) {
        if (!PlayBoundRoom(PlayBound::CommandObjects, *c.asked)) return false;
        std::size_t places = 1;
        if (c.cmdType == 14 && c.chara)
            places += static_cast<std::size_t>(
                std::max(0, static_cast<int>(static_cast<std::int8_t>(c.chara->m_nExtraCopies))));
        *c.asked += places;
    }
    c.em.x = x;
    c.em.y = y;
    c.em.vx = vx;
    c.em.vy = vy;
    switch (c.cmdType) {
    case 11: {
        if (!c.shots) return true;
        if (!PlayBoundRoom(PlayBound::Shots, ShotsInPlay(*c.shots))) return false;
        cShot proto;
        proto.Init(c.firer, 11, c.rec, c.em);
        c.shots->push_back(proto);
        cShot& s = c.shots->back();
        const int kind = s.m_Work.nMoveKind;
        if ((kind == 3 || kind == 6) && c.firer.m_pTarget) cObjectLinks::SetTarget(s, c.firer.m_pTarget);
        const int faction = c.rec.m_bFirerForce ? c.firer.m_Def.m_nFaction : c.rec.m_nForce;
        cObjectLinks::JoinFaction(s, faction);
        ++c.count;
        break;
    }
    case 13:
        if (g_SummonHooks.PlaceBlock && c.block &&
            g_SummonHooks.PlaceBlock(*c.block, x >> 5, y >> 5, c.rec.m_nBlockSummonMode))
            ++c.count;
        break;
    case 14:
        if (!c.chara) return true;
        if (!PlayBoundRoom(PlayBound::Charas, BeyondPlaced(g_Charas.size(), g_nPlacedCharas)) ||
            !SummonFits(CountHeldEntries(c.chara->m_Flows)))
            return false;
        if (g_SummonHooks.SpawnCharacter) {
            if (g_SummonHooks.SpawnCharacter(*c.chara, x, y, c.firer, c.rec)) ++c.count;
        } else {
            cStageChara ch;
            ch.Init(0, *c.chara, nullptr);
            ch.m_dX = x + ch.m_nHitX;
            ch.m_dY = y + ch.m_nHitY;
            ch.AfterMoveX();
            ch.AfterMoveY();
            g_Charas.push_back(ch);
            ++c.count;
        }
        break;
    case 15:
        if (!c.item) return true;
        if (!PlayBoundRoom(PlayBound::Items, BeyondPlaced(g_Items.size(), g_nPlacedItems)) ||
            !SummonFits(CountHeldEntries(c.item->m_Commands)))
            return false;
        if (g_SummonHooks.SpawnItem) {
            if (g_SummonHooks.SpawnItem(*c.item, x, y, c.firer, c.rec)) ++c.count;
        } else {
            cItem it;
            it.Init(0, *c.item, 0, 0);
            it.m_dX = x + it.m_nHitX;
            it.m_dY = y + it.m_nHitY;
            it.ClampToStageX(2);
            it.ClampToStageY(2);
            g_Items.push_back(it);
            ++c.count;
        }
        break;
    default:
        break;
    }
    return true;
}

void AngleVelocity(double a, double s, double& vx, double& vy) {
    vx = -std::cos(Rad(a)) * s;
    vy = -std::sin(Rad(a)) * s;
}

// The one start point of "拡散" and the middle of "直進A"'s row.
void BasePoint(const Frame& f, int d, int& x, int& y) {
    const int w = f.w, h = f.h;
    const int x8 = static_cast<int>(f.cx + (1 - f.W / 2 - w / 2) * R - w / 2);
    const int y8 = static_cast<int>(f.cy - (f.H / 2 + h / 2) * R - h / 2);
    const int x10 = static_cast<int>(f.cx + (f.R - f.L - f.W / 2 + w / 2 + 1) * R - w / 2);
    const int y9 = static_cast<int>(f.cy + (f.B - f.T - f.H / 2 + h / 2 + 1) * R - h / 2);
    switch (d) {
    case 3:
        x = static_cast<int>(f.Vx) + f.R + 1, y = f.cy - h / 2;
        break;
    case 6:
        x = f.cx - w / 2, y = static_cast<int>(f.Vy) + f.T - h;
        break;
    case 7:
        x = f.cx - w / 2, y = static_cast<int>(f.Vy) + f.B + 1;
        break;
    case 8:
        x = x8, y = y8;
        break;
    case 9:
        x = x8, y = y9;
        break;
    case 10:
        x = x10, y = y8;
        break;
    case 11:
        x = x10, y = y9;
        break;
    default:
        x = static_cast<int>(f.Vx) + f.L + 1 - w, y = f.cy - h / 2;
        break;
    }
}

// The point of the firer's outline that lies at angle a.
void RotatedStart(const Frame& f, double a, int& x, int& y) {
    const double u = (f.w / 2 + (f.R - f.L - f.W / 2) + 1) * R;
    const double v = ((f.B - f.T - f.H / 2) + f.h / 2 + 1) * R;
    const double b = Rad(a + 225);
    x = static_cast<int>(f.L + f.W / 2 + f.Vx + std::sin(b) * v + std::cos(b) * u - f.w / 2);
    y = static_cast<int>(std::sin(b) * u - std::cos(b) * v + f.T + f.H / 2 + f.Vy - f.h / 2);
}

int Interval(const cEdShot& rec) {
    return rec.m_nFormationValues[0] * 16;
}

void PatternLineA(EmitCtx& c, const Frame& f) {
    const cEmission& em = c.em;
    const int n = c.rec.m_nCount, g = Interval(c.rec), w = f.w, h = f.h, d = em.nDir;
    const double s = em.dSpeed;
    const bool turned = em.nAngle != 0 || c.rec.m_bAimAtTarget;
    int x = 0, y = 0, sx = 0, sy = 0;
    double vx = 0, vy = 0;
    if (turned && c.rec.m_bStartOnAngle) {
        double a = c.rec.m_bAimAtTarget
                       ? AimAngleAtTarget(f.cx + em.nOffX, f.cy + em.nOffY, c.firer, c.rec, c.em)
                       : DirIndexAngle(d);
        a += em.nAngle;
        RotatedStart(f, a, x, y);
        if (c.rec.m_bAimAtTarget)
            a = AimAngleAtTarget(x + w / 2 + em.nOffX, y + h / 2 + em.nOffY, c.firer, c.rec, c.em) +
                em.nAngle;
        const double sa = std::sin(Rad(a)), ca = std::cos(Rad(a));
        const int k = n - 1;
        if ((sa >= 0) != (ca >= 0)) {
            x = static_cast<int>(x + k * (w / 2 + g / 2) * sa), sx = static_cast<int>(-(w + g) * sa);
            y = static_cast<int>(y - k * (h / 2 + g / 2) * ca), sy = static_cast<int>((h + g) * ca);
        } else {
            x = static_cast<int>(x - k * (w / 2 + g / 2) * sa), sx = static_cast<int>((w + g) * sa);
            y = static_cast<int>(y + k * (h / 2 + g / 2) * ca), sy = static_cast<int>(-(h + g) * ca);
        }
        x += em.nOffX, y += em.nOffY;
        vx = -ca * c.em.dSpeed, vy = -sa * c.em.dSpeed;
    } else {
        if (d == 2 || d == 3) {
            y = f.cy - n * (h / 2) - (n - 1) * (g / 2);
            x = d == 2 ? static_cast<int>(f.L + f.Vx + 1 - w) : static_cast<int>(f.R + f.Vx + 1);
            sx = 0, sy = h + g;
        } else if (d == 6 || d == 7) {
            int bx, by;
            BasePoint(f, d, bx, by);
            x = f.cx - n * (w / 2) - (n - 1) * (g / 2), y = by;
            sx = w + g, sy = 0;
        } else {
            int x0, y0;
            BasePoint(f, d, x0, y0);
            x = static_cast<int>(x0 - (n - 1) * (w / 2 + g / 2) * R);
            const double dy = (n - 1) * (h / 2 + g / 2) * R;
            const bool down = d == 8 || d == 11;
            y = static_cast<int>(down ? y0 + dy : y0 - dy);
            sx = static_cast<int>((w + g) * R);
            sy = static_cast<int>(down ? -(h + g) * R : (h + g) * R);
        }
        x += em.nOffX, y += em.nOffY;
        DirVelocity(d, s, vx, vy);
        if (turned) {
            double a = c.rec.m_bAimAtTarget ? AimAngleAtTarget(x + w / 2, y + h / 2, c.firer, c.rec, c.em)
                                            : DirIndexAngle(d);
            AngleVelocity(a + em.nAngle, c.em.dSpeed, vx, vy);
        }
    }
    for (int k = 0; k < n; ++k)
        if (!Emit(c, x + k * sx, y + k * sy, vx, vy)) return;
}

void PatternLineB(EmitCtx& c, const Frame& f) {
    const cEmission& em = c.em;
    const int n = c.rec.m_nCount, g = Interval(c.rec), w = f.w, h = f.h, d = em.nDir;
    int y = static_cast<int>(f.Vy) + f.B + 1 - f.h;
    const int left = static_cast<int>(f.L + f.Vx + 1 - w), right = static_cast<int>(f.R + f.Vx + 1);
    int x = left;
    if (d == 3 || d == 10 || d == 11 || ((d == 6 || d == 7) && c.firer.m_nDir == 1)) x = right;
    x += em.nOffX, y += em.nOffY;
    double vx, vy;
    DirVelocity(d, em.dSpeed, vx, vy);
    if (em.nAngle != 0 || c.rec.m_bAimAtTarget) {
        double a = c.rec.m_bAimAtTarget ? AimAngleAtTarget(x + w / 2, y + h / 2, c.firer, c.rec, c.em)
                                        : DirIndexAngle(d);
        AngleVelocity(a + em.nAngle, c.em.dSpeed, vx, vy);
    }
    for (int k = 0; k < n; ++k)
        if (!Emit(c, x, y - k * (h + g), vx, vy)) return;
}

void PatternSpread(EmitCtx& c, const Frame& f) {
    const cEmission& em = c.em;
    const int n = c.rec.m_nCount, w = f.w, h = f.h, d = em.nDir;
    const bool turned = em.nAngle != 0 || c.rec.m_bAimAtTarget;
    int x, y;
    if (turned && c.rec.m_bStartOnAngle) {
        double a = c.rec.m_bAimAtTarget
                       ? AimAngleAtTarget(f.cx + em.nOffX, f.cy + em.nOffY, c.firer, c.rec, c.em)
                       : DirIndexAngle(d);
        RotatedStart(f, a + em.nAngle, x, y);
    } else {
        BasePoint(f, d, x, y);
    }
    x += em.nOffX, y += em.nOffY;
    const double start = (c.rec.m_bAimAtTarget ? AimAngleAtTarget(x + w / 2, y + h / 2, c.firer, c.rec, c.em)
                                               : DirIndexAngle(d)) +
                         em.nAngle;
    const double step = c.rec.m_nFormationValues[0];
    const double first = n % 2 == 0 ? start - (n / 2 - 0.5) * step : start - (n / 2) * step;
    for (int k = 0; k < n; ++k) {
        double vx, vy;
        AngleVelocity(first + k * step, c.em.dSpeed, vx, vy);
        if (!Emit(c, x, y, vx, vy)) return;
    }
}

// Whose position "落雷" and "包囲" start from: the firer's target, hero 1 or the firer.
const cChara* Subject(const EmitCtx& c) {
    switch (c.rec.m_nRingCentre) {
    case 1:
        return g_Heroes.empty() ? nullptr : &g_Heroes[0];
    case 2:
        return &c.firer;
    default:
        return c.firer.m_pTarget;
    }
}

void PatternThunder(EmitCtx& c, const Frame& firer) {
    const cChara* subject = Subject(c);
    if (!subject) return;
    const Frame f = FrameOf(*subject, firer.w, firer.h);
    const cEmission& em = c.em;
    const int n = c.rec.m_nCount, w = f.w, h = f.h, d = em.nDir;
    const int g = g_SystemData.m_nCompat555 ? 0 : Interval(c.rec);
    const int Ls = f.L, Ts = f.T, Ws = f.W, Hs = f.H;
    int x = 0, y = 0, cx = 0, cy = 0;
    switch (d) {
    case 3:
        x = static_cast<int>(f.Vx), y = static_cast<int>(f.Vy) + Ts + Hs / 2 - h / 2, cx = w + g;
        break;
    case 6:
        x = static_cast<int>(f.Vx) + Ls + Ws / 2 - w / 2, y = static_cast<int>(f.Vy + 480 - h), cy = -(h + g);
        break;
    case 7:
        x = static_cast<int>(f.Vx) + Ls + Ws / 2 - w / 2, y = static_cast<int>(f.Vy), cy = h + g;
        break;
    case 8:
    case 9:
    case 10:
    case 11: {
        const int dl = Ls + Ws / 2, dr = 640 - Ls - Ws / 2, dt = Ts + Hs / 2, db = 480 - Hs / 2 - Ts;
        if (d == 8) {
            if (dr >= db)
                x = static_cast<int>(Ls + Ws / 2 + f.Vx + db - w), y = static_cast<int>(f.Vy + 480 - h);
            else
                x = static_cast<int>(f.Vx + 640 - w), y = static_cast<int>(Ts + Hs / 2 + f.Vy + dr - h);
        } else if (d == 9) {
            if (dr >= dt)
                x = static_cast<int>(Ls + Ws / 2 + f.Vx + dt - w), y = static_cast<int>(f.Vy);
            else
                x = static_cast<int>(f.Vx + 640 - w), y = static_cast<int>(Ts + Hs / 2 + f.Vy - dr);
        } else if (d == 10) {
            if (dl >= db)
                x = static_cast<int>(dl + f.Vx - db), y = static_cast<int>(f.Vy + 480 - h);
            else
                x = static_cast<int>(f.Vx), y = static_cast<int>(Ts + Hs / 2 + f.Vy + dl - h);
        } else {
            if (dl >= dt)
                x = static_cast<int>(dl + f.Vx - dt), y = static_cast<int>(f.Vy);
            else
                x = static_cast<int>(f.Vx), y = static_cast<int>(dt + f.Vy - dl);
        }
        const int sxp = static_cast<int>((w + g) * R), sxn = static_cast<int>(-(w + g) * R);
        const int syp = static_cast<int>((h + g) * R), syn = static_cast<int>(-(h + g) * R);
        cx = (d == 8 || d == 9) ? sxn : sxp;
        cy = (d == 8 || d == 10) ? syn : syp;
        break;
    }
    default:
        x = static_cast<int>(f.Vx + 640 - w), y = static_cast<int>(f.Vy) + Ts + Hs / 2 - h / 2, cx = -(w + g);
        break;
    }
    // Columns, centred on the start.
    int m = c.rec.m_nFormationValues[1];
    if (m < 1) m = 1;
    const int cg = c.rec.m_nFormationValues[2] * 16;
    int colX = 0, colY = 0;
    if (m >= 2) {
        const int e = ((m - 1) / 2) * cg + (m % 2 == 0 ? cg / 2 : 0);
        const int de = static_cast<int>(e * R);
        if (d == 6 || d == 7) {
            colX = cg, x -= e;
        } else if (d == 8 || d == 11) {
            colX = static_cast<int>(cg * R), colY = static_cast<int>(-cg * R), x -= de, y += de;
        } else if (d == 9 || d == 10) {
            colX = static_cast<int>(cg * R), colY = static_cast<int>(cg * R), x -= de, y -= de;
        } else {
            colY = cg, y -= e;
        }
    }
    x += em.nOffX, y += em.nOffY;
    double vx, vy;
    DirVelocity(d, em.dSpeed, vx, vy);
    if (em.nAngle != 0) AngleVelocity(DirIndexAngle(d) + em.nAngle, em.dSpeed, vx, vy);
    for (int k = 0; k < n; ++k)
        for (int j = 0; j < m; ++j)
            if (!Emit(c, x + k * cx + j * colX, y + k * cy + j * colY, vx, vy)) return;
}

void PatternBurst(EmitCtx& c, const Frame& f) {
    const int n = c.rec.m_nCount;
    if (n < 1) return;
    const cEmission& em = c.em;
    const int x = static_cast<int>(f.L + f.W / 2 + f.Vx - f.w / 2) + em.nOffX;
    const int y = static_cast<int>(f.T + f.H / 2 + f.Vy - f.h / 2) + em.nOffY;
    const double start = DirIndexAngle(em.nDir) + em.nAngle;
    for (int k = 0; k < n; ++k) {
        double vx, vy;
        AngleVelocity(start + k * 360.0 / n, em.dSpeed, vx, vy);
        if (!Emit(c, x, y, vx, vy)) return;
    }
}

void PatternRing(EmitCtx& c, const Frame& firer) {
    const int n = c.rec.m_nCount;
    if (n < 1) return;
    const cChara* subject = Subject(c);
    if (!subject) return;
    const Frame f = FrameOf(*subject, firer.w, firer.h);
    const cEmission& em = c.em;
    const double dist = c.rec.m_nFormationValues[0] * 16.0;
    const int cx = f.L + f.W / 2 + static_cast<int>(f.Vx) - f.w / 2 + em.nOffX;
    const int cy = f.T + f.H / 2 + static_cast<int>(f.Vy) - f.h / 2 + em.nOffY;
    const double start = DirIndexAngle(em.nDir) + em.nAngle;
    for (int k = 0; k < n; ++k) {
        const double a = start + k * 360.0 / n;
        const int x = cx + static_cast<int>(std::cos(Rad(a)) * dist + 0.5);
        const int y = cy + static_cast<int>(std::sin(Rad(a)) * dist + 0.5);
        double vx, vy;
        AngleVelocity(a, em.dSpeed, vx, vy);
        if (!Emit(c, x, y, vx, vy)) return;
    }
}

void RunPattern(EmitCtx& c, const Frame& f) {
    switch (c.rec.m_nFormation) {
    case SHOT_PATTERN_LINE_A:
        PatternLineA(c, f);
        break;
    case SHOT_PATTERN_LINE_B:
        PatternLineB(c, f);
        break;
    case SHOT_PATTERN_SPREAD:
        PatternSpread(c, f);
        break;
    case SHOT_PATTERN_THUNDER:
        PatternThunder(c, f);
        break;
    case SHOT_PATTERN_BURST:
        PatternBurst(c, f);
        break;
    case SHOT_PATTERN_RING:
        PatternRing(c, f);
        break;
    default:
        break;
    }
}

// The key direction of the controlling input (1-9 as on a keypad, 5 none).
int Mirrored(int angle, const cEdShot& rec, const cChara& firer) {
    return (rec.m_bMirrorAngle && firer.m_nDir == 1) ? 360 - angle : angle;
}

int Spread(int angle, const cEdShot& rec) {
    const int spread = std::abs(static_cast<int>(rec.m_nSpreadAngle));
    if (spread == 0) return angle;
    return angle + crt::rand() % (2 * spread + 1) - spread;
}

void RefreshScreenRects(cChara& firer) {
    if (firer.m_nObjKind == OBJKIND_HERO) firer.UpdateScreenRect();
    if (firer.m_pTarget && firer.m_pTarget->m_nObjKind == OBJKIND_HERO) firer.m_pTarget->UpdateScreenRect();
}

// The i-th offsets, negated facing right when their flip is set.
void Offsets(const cEdShot& rec, const cChara& firer, int i, int& x, int& y) {
    x = rec.m_nOffsetX + rec.m_nOffsetXStep * i;
    y = rec.m_nOffsetY + rec.m_nOffsetYStep * i;
    if (firer.m_nDir == 1 && rec.m_bMirrorOffsetX) x = -x;
    if (firer.m_nDir == 1 && rec.m_bMirrorOffsetY) y = -y;
}

int SummonOnce(cChara& firer, const cEdShot& rec, int cmdType, const cEdBlockDef* block,
               const cEdCharaDef* chara, const cEdItemDef* item, int scale, int keySlot) {
    cEmission em;
    em.nDir = ShotDirIndex(rec.m_nDirection, firer.m_nDir, keySlot);
    em.dSpeed = 1.0;
    em.nAngle = 0;
    Offsets(rec, firer, 0, em.nOffX, em.nOffY);
    em.nLife = rec.m_nRange;
    RefreshScreenRects(firer);
    const int size = (scale < 1 ? 1 : scale) * 32;
    std::size_t asked = 0;
    EmitCtx c{firer, cmdType, rec, em};
    c.block = block, c.chara = chara, c.item = item;
    c.asked = &asked;
    RunPattern(c, FrameOf(firer, size, size));
    return c.count;
}

template <class List> bool InList(const List& list, int n) {
    return n >= 0 && static_cast<std::size_t>(n) < list.size();
}

} // namespace

int DirIndexAngle(int index) {
    switch (index) {
    case 3:
        return 180;
    case 6:
        return 90;
    case 7:
        return 270;
    case 8:
        return 45;
    case 9:
        return 315;
    case 10:
        return 135;
    case 11:
        return 225;
    default:
        return 0;
    }
}

void DirVelocity(int d, double s, double& vx, double& vy) {
    switch (d) {
    case 3:
        vx = s, vy = 0;
        break;
    case 6:
        vx = 0, vy = -s;
        break;
    case 7:
        vx = 0, vy = s;
        break;
    case 8:
        vx = -R * s, vy = -R * s;
        break;
    case 9:
        vx = -R * s, vy = R * s;
        break;
    case 10:
        vx = R * s, vy = -R * s;
        break;
    case 11:
        vx = R * s, vy = R * s;
        break;
    default:
        vx = -s, vy = 0;
        break;
    }
}

int ShotDirIndex(int kind, int facing, int keySlot) {
    const bool right = facing == 1;
    int d;
    switch (kind) {
    case 0:
        d = right ? 3 : 2;
        break;
    case 1:
        d = right ? 2 : 3;
        break;
    case 4:
        d = right ? 7 : 6;
        break;
    case 5:
        d = right ? 6 : 7;
        break;
    case 12: // the direction of the key that started the flow; none fires to the facing side
        d = MapHitRange(keySlot, right ? 1 : 0);
        break;
    default:
        d = kind;
        break;
    }
    return IsRuledIndex(d) ? d : 2;
}

int AimAngleAtTarget(int x, int y, cChara& firer, const cEdShot& rec, cEmission& em) {
    const cChara* t = firer.m_pTarget;
    if (!t) return firer.m_nDir == 1 ? 180 : 0;
    const double vxPos = ViewX().m_dPos, vyPos = ViewY().m_dPos;
    const bool scrolling = ViewX().MovingSpeed() != 0 || ViewY().MovingSpeed() != 0;
    if (scrolling && !rec.m_bScrollFollow && t->m_bScrollSync) {
        const double fs = StageFrameScale();
        const double s = (rec.m_nSpeedStep * em.nRep + rec.m_nSpeed) * 0.1 / fs;
        double vx = 0, vy = 0;
        int dir = 0;
        if (AimVelocity(vx, vy, dir, t, x - static_cast<int>(vxPos), y - static_cast<int>(vyPos),
                        t->ScreenCenterX(), t->ScreenCenterY(), s, 0, 1, 0)) {
            // (only the stop test returns true; no stop test here)
        }
        if (vx != 0 || vy != 0) {
            const double angle = std::atan2(vy, vx) * 180.0 / PI + 180.0;
            em.dSpeed = std::sqrt(vx * vx + vy * vy) * fs;
            return static_cast<int>(angle);
        }
    }
    const double dx = static_cast<int>(vxPos) + t->m_rcScreen.left + t->m_nHitW / 2 - x;
    const double dy = static_cast<int>(vyPos) + t->m_rcScreen.top + t->m_nHitH / 2 - y;
    return static_cast<int>(std::atan2(dy, dx) * 180.0 / PI + 180.0 + 0.5);
}

int ExecShotCommand(cChara& firer, const cEdShot& rec, std::list<cShot>& shots, int keySlot) {
    const int size = (rec.m_nSizeFactor < 1 ? 1 : rec.m_nSizeFactor) * 16;
    const int dir = ShotDirIndex(rec.m_nDirection, firer.m_nDir, keySlot);
    RefreshScreenRects(firer);
    double speed = rec.m_nSpeed * 0.1;
    int angle = Spread(Mirrored(rec.m_nAngleOffset, rec, firer), rec);
    int total = 0;
    const int reps = rec.m_nCopies < 0 ? 0 : rec.m_nCopies;
    std::size_t asked = 0;
    for (int i = 0; i <= reps; ++i) {
        cEmission em;
        em.nRep = i;
        em.nDir = dir;
        em.dSpeed = speed;
        em.nAngle = angle;
        em.nLife = rec.m_nLifetime + rec.m_nLifetimeStep * i;
        Offsets(rec, firer, i, em.nOffX, em.nOffY);
        EmitCtx c{firer, 11, rec, em};
        c.shots = &shots;
        c.asked = &asked;
        RunPattern(c, FrameOf(firer, size, size));
        total += c.count;
        speed += rec.m_nSpeedStep * 0.1;
        angle = Spread(Mirrored(rec.m_nAngleOffset + rec.m_nAngleOffsetStep * (i + 1), rec, firer), rec);
    }
    return total;
}

bool ExecSword(cChara& firer, const cEdShot& rec, std::list<cShot>& shots) {
    if (g_Database.m_SwordTypes.empty() || !PlayBoundRoom(PlayBound::Shots, ShotsInPlay(shots))) return false;
    cEmission em;
    em.nDir = firer.m_nDir == 1 ? 3 : 2;
    cShot sword;
    sword.Init(firer, 12, rec, em);
    shots.push_back(sword);
    const int faction = rec.m_bFirerForce ? firer.m_Def.m_nFaction : rec.m_nForce;
    cObjectLinks::JoinFaction(shots.back(), faction);
    return true;
}

int ExecSummonBlock(cChara& firer, const cEdShot& rec, int keySlot) {
    const auto& list = rec.m_nSummonPalette == 0 ? g_CommonPalette.m_Blocks : g_Stage.m_PaletteBlocks;
    if (!InList(list, rec.m_nSummonEntry)) return 0;
    return SummonOnce(firer, rec, 13, &list[rec.m_nSummonEntry], nullptr, nullptr, 1, keySlot);
}

int ExecSummonChara(cChara& firer, const cEdShot& rec, int keySlot) {
    const auto& list = rec.m_nSummonPalette == 0 ? g_CommonPalette.m_Charas : g_Stage.m_PaletteCharas;
    if (!InList(list, rec.m_nSummonEntry)) return 0;
    const cEdCharaDef& def = list[rec.m_nSummonEntry];
    return SummonOnce(firer, rec, 14, nullptr, &def, nullptr, def.m_nScale, keySlot);
}

int ExecSummonItem(cChara& firer, const cEdShot& rec, int keySlot) {
    const auto& list = rec.m_nSummonPalette == 0 ? g_CommonPalette.m_Items : g_Stage.m_PaletteItems;
    if (!InList(list, rec.m_nSummonEntry)) return 0;
    const cEdItemDef& def = list[rec.m_nSummonEntry];
    return SummonOnce(firer, rec, 15, nullptr, nullptr, &def, def.m_nScale, keySlot);
}
