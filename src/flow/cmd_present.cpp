#include "flow/cmd_present.h"

#include "app/int_range.h"
#include "app/log.h"
#include "app/play_bounds.h"
#include "app/play_se.h"
#include "draw/draw.h"
#include "flow/cmd_hooks.h"
#include "flow/evaluator.h"
#include "flow/flow_engine.h"
#include "objects/chara_draw.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "sound/bgm.h"

#include <algorithm>

namespace {

int Param(const cEdFlowCmd& rec, int n) {
    return n >= 0 && n < rec.m_Params.Count() ? rec.m_Params[static_cast<std::size_t>(n)] : 0;
}

enum DisplayMode { SHOW_UNTIL_KEY = 0, SHOW_UNTIL_END = 1, SHOW_FOR_TIME = 2 };
constexpr int WAIT_KIND_MESSAGE = 1;

bool Closing() {
    return !g_lpGameScene || g_lpGameScene->m_bClosing;
}

// The id of the character a position mode refers to: the acting one (1-3) or hero 1 (4-6).
int AnchorId(const cChara& chara, int mode) {
    if (mode >= 4 && mode <= 6) return g_Heroes.empty() ? -1 : g_Heroes[0].m_nId;
    return chara.m_nId;
}

// The stage pixel on which a shown thing of w x h is centred, by position mode.
void AnchorPoint(const cChara& chara, const cEdFlowCmd& rec, double& x, double& y) {
    const int mode = Param(rec, 1);
    const double vx = static_cast<int>(ViewX().m_dPos), vy = static_cast<int>(ViewY().m_dPos);
    const int col = Param(rec, 2), row = Param(rec, 3);
    const int ox = Param(rec, 4), oy = Param(rec, 5);
    const cChara* who = mode >= 1 && mode <= 6 ? FindCharaById(AnchorId(chara, mode)) : nullptr;
    if (who) {
        x = vx + who->ScreenCenterX() + ox;
        const int kind = (mode - 1) % 3; // 0 above, 1 below, 2 on it
        y = vy +
            (kind == 0   ? who->m_rcScreen.top
             : kind == 1 ? who->m_rcScreen.bottom + 1
                         : who->ScreenCenterY()) +
            oy;
        return;
    }
    switch (mode) {
    case 7:
        x = vx + col * 32 + 16 + ox, y = vy + row * 32 + 16 + oy;
        break;
    case 8:
        x = (ViewX().m_nMargin + col) * 32 + 16 + ox, y = (ViewY().m_nMargin + row) * 32 + 16 + oy;
        break;
    default: // the screen's centre (and a character that is gone)
        x = vx + 320 + ox, y = vy + 240 + oy;
        break;
    }
}

// Fills a text message record.
void SetMessage(cMessage& m, const char* text, int posMode, int column, int row, int ox, int oy, int keep,
                int fixed, int display, int frames, int countPaused, int charaId, int noOpening, int expand,
                int refresh, int period, int window, int messageId) {
    m.Set(1, text, messageId, 0, 0, posMode, column, row, ox, oy, keep, fixed, display, frames, countPaused,
          charaId, noOpening, expand, refresh, period, window, 0, 0, 0);
}

// The pause-loop wait of a shown thing that waits: for the advance key, or for its frames.
void WaitWhileShown(int display, int frames) {
    if (display == SHOW_UNTIL_KEY)
        RunFlowPause(*g_lpGameScene, WAIT_KIND_MESSAGE, 1, 0);
    else if (display == SHOW_FOR_TIME)
        RunFlowPause(*g_lpGameScene, WAIT_KIND_MESSAGE, 0, frames);
}

} // namespace

int CmdMessage(cChara& chara, cEdFlowCmd& rec) {
    if (Closing()) return 0;
    cGameScene& scene = *g_lpGameScene;
    const cFlowCommand* noted = NotedInstanceOf(rec, FCT_MESSAGE);
    const int id = noted ? noted->m_nWork[0] : Param(rec, 13);
    // A window with the same message ID gives way to the new one.
    if (id != 0)
        scene.m_Messages.remove_if([id](const cMessage& m) { return m.m_nKind == 1 && m.m_nReserved == id; });
    // A message beyond the bound reads nothing more of its command.
    if (!PlayBoundRoom(PlayBound::Messages, scene.m_Messages.size())) return 0;
    const int posMode = Param(rec, 0);
    const int display = Param(rec, 6);
    const int frames = SaturateInt(std::int64_t{Param(rec, 5)} * 6);
    const cFlow* flow = rec.m_bItem ? nullptr : CurFlow();
    // A message that follows a waited-for message of the same flow, or an earlier message of the
    // same item run, continues in its window.
    const int noOpening =
        rec.m_bItem ? (scene.m_bMessageContinued ? 1 : 0) : (flow && flow->m_nMessageWait ? 1 : 0);
    const int period = Param(rec, 12);
    cMessage& m = scene.m_Messages.emplace_back();
    SetMessage(m, rec.m_strText.c_str(), posMode, Param(rec, 1), Param(rec, 2), Param(rec, 3), Param(rec, 4),
               Param(rec, 9), Param(rec, 10), display, frames, Param(rec, 11), AnchorId(chara, posMode),
               noOpening, rec.m_strText.find('#') != std::string::npos, period > 0, period, Param(rec, 7),
               id);
    scene.m_bMessageContinued = 1;
    if (Param(rec, 8) != 0) WaitWhileShown(display, frames);
    return 0;
}

int CmdChangeGraphic(cChara& chara, cEdFlowCmd& rec) {
    chara.m_Def.m_nPictureKind = static_cast<std::uint8_t>(Param(rec, 0));
    chara.m_Def.m_nPictureNo = static_cast<std::int16_t>(Param(rec, 1));
    chara.m_nPicture = static_cast<std::int16_t>(Param(rec, 1));
    chara.m_Def.m_nPictureArg = static_cast<std::uint16_t>(Param(rec, 2));
    return 0;
}

int CmdChangeAnimeSet(cChara& chara, cEdFlowCmd& rec) {
    if (g_Database.m_AnimeSets.empty()) return 0;
    chara.ChangeAnimSet(Param(rec, 0), 0);
    return 0;
}

int CmdRunAnime(cChara& chara, cEdFlowCmd& rec) {
    if (g_Database.m_Animes.empty() || !PlayBoundRoom(PlayBound::CharaAnims, chara.m_AttachedAnims.size()))
        return 0;
    const int n = Param(rec, 0);
    const cEdAnime& anime = g_Database.m_Animes.at(n);
    cAnimSeqFrames frames;
    for (const cEdAnimeFrame& f : anime.m_Frames)
        frames.push_back(cAnimFrame{f.nPattern, TenthsToFrames(f.nTime), 1});
    frames.push_back(cAnimFrame{ANIM_CODE_END, 0, 1});
    cCheckedVector<cAnimSeqFrames> seqs;
    seqs.push_back(std::move(frames));
    cChara::cAttachedAnim& a = chara.m_AttachedAnims.emplace_back();
    a.seq.Build(seqs);
    a.bPriority = 1;
    a.nFrames = AnimationLength(n) * 6;
    const cFlow* flow = rec.m_bItem ? nullptr : CurFlow();
    a.nId = flow ? flow->m_nId : 0;
    return 0;
}

int CmdRunEffect(cChara& chara, cEdFlowCmd& rec) {
    if (Closing()) return 0;
    double x = 0, y = 0;
    AnchorPoint(chara, rec, x, y);
    const int scale = Param(rec, 6) > 0 ? Param(rec, 6) : 100;
    StartEffectAt(Param(rec, 0), x, y, scale);
    if (Param(rec, 7) != 0) WaitWhileShown(SHOW_UNTIL_KEY, 0);
    return 0;
}

int CmdRunCharaEffect(cChara& chara, cEdFlowCmd& rec) {
    StartCharaEffect(chara, static_cast<std::int16_t>(Param(rec, 0)), Param(rec, 1), Param(rec, 2));
    return 0;
}

int CmdRunScreenEffect(cChara&, cEdFlowCmd& rec) {
    const int running = g_FlowPlayHooks.StartScreenEffect
                            ? g_FlowPlayHooks.StartScreenEffect(static_cast<std::int16_t>(Param(rec, 0)),
                                                                Param(rec, 1), Param(rec, 2))
                            : 0;
    // With no effect left the finished picture is no longer needed.
    if (running == 0 && DDIsD3D() && lpDTCon->bVirBackBuffer) DDSetBackBufferMode(0);
    return 0;
}

int CmdShowPicture(cChara& chara, cEdFlowCmd& rec) {
    if (Closing()) return 0;
    const int n = Param(rec, 0);
    if (n < 1 || n >= g_Database.m_Pictures.Count()) {
        Report("Picture command: picture %d is not in the picture list", n);
        return 0;
    }
    const std::string& file = g_Database.m_Pictures.at(n).szFileName;
    double x = 0, y = 0;
    AnchorPoint(chara, rec, x, y);
    const int scale = Param(rec, 7) > 0 ? Param(rec, 7) : 100;
    const int display = Param(rec, 8);
    const int frames = SaturateInt(std::int64_t{Param(rec, 9)} * 6);
    cPictureLayer values;
    values.m_nId = static_cast<std::int16_t>(n);
    values.m_nDisplayMode = display;
    values.m_nFrames = frames;
    values.m_bCountWhilePaused = Param(rec, 10);
    values.m_bFixed = Param(rec, 6);
    values.m_bStretch = scale != 100;
    values.m_nLayer = static_cast<std::uint8_t>(Param(rec, 11) != 0);
    if (!PlayBoundRoom(PlayBound::Pictures, g_ShownPictures.size())) return 0;
    bool cut = false;
    cPictureLayer* p = ShowPicture(file.c_str(), values, &cut);
    if (!p) {
        if (!cut) ErrorBox("%s 読み込み失敗！", file.c_str());
        return 0;
    }
    if (DDIsD3D() && p->m_lpSurface && (!p->m_lpSurface->lpDT || !p->m_lpSurface->lpDT->lpSurface)) {
        ErrorBoxText("GETATTACHEDSURFACE_ERR");
        return 0;
    }
    // Centred on its anchor at its drawn size.
    // Worked out wide: a scale as large as an int holds keeps the size at the end of int.
    p->m_nWidth = SaturateInt(std::int64_t{p->m_nWidth} * scale / 100);
    p->m_nHeight = SaturateInt(std::int64_t{p->m_nHeight} * scale / 100);
    p->m_dX = x - p->m_nWidth / 2;
    p->m_dY = y - p->m_nHeight / 2;
    if (p->m_bFixed) {
        p->m_nScreenX = SaturateInt(std::int64_t{SaturateInt(p->m_dX)} - static_cast<int>(ViewX().m_dPos));
        p->m_nScreenY = SaturateInt(std::int64_t{SaturateInt(p->m_dY)} - static_cast<int>(ViewY().m_dPos));
    }
    WaitWhileShown(display, frames);
    return 0;
}

int CmdChangeScreenColor(cChara&, cEdFlowCmd& rec) {
    if (!g_FlowPlayHooks.SetScreenColor || !g_FlowPlayHooks.ScreenColour) return 0;
    // The first eight parameters; those the record does not hold are 0.
    int p[8] = {};
    if (const cFlowCommand* noted = NotedInstanceOf(rec, FCT_SCREEN_COLOUR)) {
        const auto colour = static_cast<std::uint32_t>(noted->m_nWork[0]);
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<int>(colour >> (8 * i) & 0xFF);
        for (int i = 4; i < 8; ++i)
            p[i] = noted->m_nWork[i - 3];
    } else {
        const int held = std::min(8, rec.m_Params.Count());
        for (int i = 0; i < held; ++i)
            p[i] = rec.m_Params[static_cast<std::size_t>(i)];
    }
    g_FlowPlayHooks.SetScreenColor(*g_FlowPlayHooks.ScreenColour, p);
    return 0;
}

int CmdChangeBackground(cChara&, cEdFlowCmd& rec) {
    const cFlowCommand* noted = NotedInstanceOf(rec, FCT_CHANGE_BACKGROUND);
    const int layer = noted ? noted->m_nWork[0] : Param(rec, 0);
    if (layer < 1 || layer > g_Stage.m_Backgrounds.Count()) return 0;
    std::int32_t& shown = g_Stage.m_Backgrounds.at(layer - 1).m_nShown;
    switch (noted ? noted->m_nWork[1] : Param(rec, 1)) {
    case 0:
        shown = 1;
        break;
    case 1:
        shown = 0;
        break;
    case 2:
        shown = shown ? 0 : 1;
        break;
    default:
        break;
    }
    return 0;
}

int CmdPlaySound(cChara& chara, cEdFlowCmd& rec) {
    if (rec.m_nSoundCond && !chara.m_bInView) return 0;
    PlayUserSe(static_cast<std::int16_t>(Param(rec, 0)));
    return 0;
}

int CmdPlayBgm(cChara&, cEdFlowCmd& rec) {
    PlayStageBgm(Param(rec, 0), Param(rec, 1));
    return 0;
}

int CmdRunCode(cChara& chara, cEdFlowCmd& rec) {
    // A faulty text reports itself; the flow goes on with its next command all the same.
    EvaluateExpression(rec.m_strText, chara);
    return 0;
}

namespace {

// The message ID.
bool NoteMessage(cFlowCommand& inst, const cEdFlowCmd& rec) {
    inst.m_nWork[0] = Param(rec, 13);
    return true;
}

// The colour (parameters 0-2) and its strength (3) a byte each, when each fits its byte as it
// stands; then the mode, time, there-and-back and repeat.
bool NoteScreenColour(cFlowCommand& inst, const cEdFlowCmd& rec) {
    std::uint32_t colour = 0;
    for (int i = 0; i < 4; ++i) {
        const int v = Param(rec, i);
        if (v < 0 || v > 0xFF) return false;
        colour |= static_cast<std::uint32_t>(v) << (8 * i);
    }
    inst.m_nWork[0] = static_cast<int>(colour);
    for (int i = 4; i < 8; ++i)
        inst.m_nWork[i - 3] = Param(rec, i);
    return true;
}

// The layer and what is done to it.
bool NoteBackground(cFlowCommand& inst, const cEdFlowCmd& rec) {
    inst.m_nWork[0] = Param(rec, 0);
    inst.m_nWork[1] = Param(rec, 1);
    return true;
}

} // namespace

void RegisterPresentCommands() {
    SetFlowCommandNote(FCT_MESSAGE, &NoteMessage);
    SetFlowCommandNote(FCT_SCREEN_COLOUR, &NoteScreenColour);
    SetFlowCommandNote(FCT_CHANGE_BACKGROUND, &NoteBackground);
    SetSharedCommandHandler(FCT_MESSAGE, &CmdMessage);
    SetSharedCommandHandler(FCT_CHANGE_GRAPHIC, &CmdChangeGraphic);
    SetSharedCommandHandler(FCT_CHANGE_ANIMSET, &CmdChangeAnimeSet);
    SetSharedCommandHandler(FCT_RUN_ANIME, &CmdRunAnime);
    SetSharedCommandHandler(FCT_RUN_EFFECT, &CmdRunEffect);
    SetSharedCommandHandler(FCT_CHARA_EFFECT, &CmdRunCharaEffect);
    SetSharedCommandHandler(FCT_SCREEN_EFFECT, &CmdRunScreenEffect);
    SetSharedCommandHandler(FCT_SHOW_PICTURE, &CmdShowPicture);
    SetSharedCommandHandler(FCT_SCREEN_COLOUR, &CmdChangeScreenColor);
    SetSharedCommandHandler(FCT_CHANGE_BACKGROUND, &CmdChangeBackground);
    SetSharedCommandHandler(FCT_PLAY_SE, &CmdPlaySound);
    SetSharedCommandHandler(FCT_PLAY_BGM, &CmdPlayBgm);
    SetSharedCommandHandler(FCT_RUN_CODE, &CmdRunCode);
}
