#include "play/draw_frame.h"

#include "app/globals.h"
#include "app/scene.h"
#include "app/sjis.h"
#include "app/startup_state.h"
#include "draw/font.h"
#include "objects/chara_draw.h"
#include "objects/game_scene.h"
#include "project/project_record_env.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "play/chara_index.h"
#include "play/draw_stage.h"
#include "objects/effects.h"
#include "play/hits.h"
#include "objects/message_window.h"
#include "play/play_step.h"
#include "play/screen_effects.h"
#include "play/set_stage.h"

#include <algorithm>
#include <cstddef>
#include <list>
#include <utility>
#include <vector>

FrameDrawHooks g_FrameDrawHooks;

namespace {

// The play scene's states that follow a defeat of hero 1.
constexpr int STATE_CONTINUE = 5;
constexpr int STATE_GAME_OVER = 6;

constexpr int OBJECT_LAYERS = 8;
constexpr int TEXT_CAPTION_EDITOR = 25;
constexpr int TEXT_CAPTION_START_FILE = 26;

DDSURFACEDATA* BackBuffer() {
    return &g_BackBuffer;
}

// The object layer an object is drawn in: its depth with layered drawing, else the one layer. A
// depth set beyond the layers (the status commands can write any value) is drawn in the nearest
// layer, so that no object, hero 1 least of all, drops out of the frame and its defeat check.
int LayerOf(int z) {
    return std::clamp(z, 0, OBJECT_LAYERS - 1);
}

bool InLayer(int z, int layer, bool layered) {
    return !layered || LayerOf(z) == layer;
}

bool ItemShown(const cItem& item) {
    return item.m_bPresent && !item.m_bHidden && !item.m_bTaken && !item.m_bRemoved;
}

bool ShotShown(const cShot& shot) {
    return !shot.m_bRemoved && shot.IsOnScreen();
}

// The objects of one list that are to be drawn, sorted into their layers in the list's order by one
// walk over the list; LayerOf gives an object's layer, or -1 for one not to be drawn. The objects
// lie scattered in memory, each found through the one before: the walk goes from both ends at once,
// and the walks of the three lists go side by side, so that their waits on memory overlap instead of
// following one another.
template <class List, class LayerOf> struct LayerLists {
    using Pos = typename List::iterator;
    std::vector<Pos> at[OBJECT_LAYERS];
    std::vector<std::pair<int, Pos>> backHalf;
    Pos front, back;
    std::size_t pairs = 0; // pairs of objects left to meet, one from each end

    void Start(List& list) {
        for (std::vector<Pos>& v : at)
            v.clear();
        backHalf.clear();
        front = list.begin();
        back = list.end();
        pairs = list.size() / 2;
    }
    // Meets the next pair; false once none is left.
    bool Step() {
        if (pairs == 0) return false;
        --pairs;
        --back;
        if (const int l = LayerOf{}(*front); l >= 0) at[l].push_back(front);
        if (const int l = LayerOf{}(*back); l >= 0) backHalf.emplace_back(l, back);
        ++front;
        return true;
    }
    void Finish() {
        if (front != back) { // the middle object of an odd count
            if (const int l = LayerOf{}(*front); l >= 0) at[l].push_back(front);
        }
        for (auto it = backHalf.rbegin(); it != backHalf.rend(); ++it)
            at[it->first].push_back(it->second);
    }
};

struct ItemLayer {
    int operator()(const cItem& i) const { return ItemShown(i) ? LayerOf(i.m_Def.m_nZ) : -1; }
};
// Whether drawing a character does nothing this frame (see DrawCharaAndGauges): one off the screen,
// neither defeated nor on a jump. What this reads is not changed by drawing the objects before it.
bool LeftUndrawn(const cStageChara& c) {
    return !c.m_bDefeated && !c.IsOnScreen() && c.m_nApexFrames == 0;
}

struct CharaLayer {
    int operator()(const cStageChara& c) const {
        return c.m_bRemoved || LeftUndrawn(c) ? -1 : LayerOf(c.m_Def.m_nZ);
    }
};
struct ShotLayer {
    int operator()(const cShot& s) const { return ShotShown(s) ? LayerOf(s.m_Settings.m_nZOrder) : -1; }
};

// Calls draw on each object of a layer in order.
template <class Pos, class Draw> void DrawEach(const std::vector<Pos>& objects, Draw draw) {
    for (const Pos& o : objects)
        draw(o);
}

// The objects of each layer that are to be drawn, in their lists' order, gathered in one pass over
// each list: the eight layer passes then meet only their own objects instead of walking every list
// eight times. Drawing the layers neither adds objects, nor moves one to another layer, nor brings
// back one that was not to be drawn (it moves no character and neither defeats one nor starts its
// jump, so one off the screen is left out here); it may take some out of play, so each is checked
// again as it comes. Only the end of hero 1's defeat display may set the whole stage up again: the rest of
// that frame walks the lists themselves.
struct LayerObjects {
    LayerLists<decltype(g_Items), ItemLayer> items;
    LayerLists<cStageCharaList, CharaLayer> charas;
    LayerLists<decltype(cGameScene::m_Shots), ShotLayer> shots;
    bool inUse = false;

    void Gather(cGameScene& scene) {
        items.Start(g_Items);
        charas.Start(g_Charas);
        shots.Start(scene.m_Shots);
        for (bool more = true; more;) {
            const bool item = items.Step(), chara = charas.Step(), shot = shots.Step();
            more = item || chara || shot;
        }
        items.Finish();
        charas.Finish();
        shots.Finish();
    }
};

LayerObjects g_LayerObjects;

// The gathered layers for one frame; none (the lists are walked) while another frame holds them.
class GatheredLayers {
  public:
    GatheredLayers(cGameScene& scene, bool layered) {
        if (!layered || g_LayerObjects.inUse) return;
        g_LayerObjects.inUse = true;
        g_LayerObjects.Gather(scene);
        m_Objects = &g_LayerObjects;
    }
    ~GatheredLayers() { Drop(); }
    GatheredLayers(const GatheredLayers&) = delete;
    GatheredLayers& operator=(const GatheredLayers&) = delete;

    LayerObjects* Get() const { return m_Objects; }
    void Drop() {
        if (m_Objects) m_Objects->inUse = false;
        m_Objects = nullptr;
    }

  private:
    LayerObjects* m_Objects = nullptr;
};

void DrawItem(cItem& item, int frozen) {
    if (!ItemShown(item)) return;
    item.UpdateScreenRect();
    item.Draw(BackBuffer(), frozen);
}

void DrawItems(const LayerObjects* gathered, int layer, bool layered, int frozen) {
    DDBeginBatch(1);
    DDBatchAddSurface(OverlaySheet());
    if (gathered) {
        DrawEach(gathered->items.at[layer], [&](auto item) { DrawItem(*item, frozen); });
    } else {
        for (cItem& item : g_Items)
            if (InLayer(item.m_Def.m_nZ, layer, layered)) DrawItem(item, frozen);
    }
    DDEndBatch();
}

// Draws a character of the list; true when its defeat display is over and every link to it has gone
// (the caller then erases it from the list).
bool DrawListedChara(cStageChara& c, int frozen) {
    if (c.m_bRemoved || !DrawCharaAndGauges(c, frozen)) return false;
    RemoveFromPlay(c);
    return true;
}

void DrawCharas(const LayerObjects* gathered, int layer, bool layered, int frozen) {
    if (gathered) {
        DrawEach(gathered->charas.at[layer], [&](CharaPos it) {
            if (!DrawListedChara(*it, frozen)) return;
            g_Charas.erase(it);
            ForgetCharaIndex();
        });
        return;
    }
    for (auto it = g_Charas.begin(); it != g_Charas.end();) {
        if (InLayer(it->m_Def.m_nZ, layer, layered) && DrawListedChara(*it, frozen)) {
            it = g_Charas.erase(it);
            ForgetCharaIndex();
            continue;
        }
        ++it;
    }
}

void DrawShot(cShot& shot, int frozen) {
    if (!ShotShown(shot)) return;
    shot.UpdateScreenRect();
    shot.Draw(BackBuffer(), frozen);
}

void DrawShots(const LayerObjects* gathered, cGameScene& scene, int layer, bool layered, int frozen) {
    DDBeginBatch(0);
    if (gathered) {
        DrawEach(gathered->shots.at[layer], [&](auto shot) { DrawShot(*shot, frozen); });
    } else {
        for (cShot& shot : scene.m_Shots)
            if (InLayer(shot.m_Settings.m_nZOrder, layer, layered)) DrawShot(shot, frozen);
    }
    DDEndBatch();
}

// Draws hero 1 with its gauges, or its defeat display; true when that display ended here and what
// follows it has run.
bool DrawHero1(cGameScene& scene, int frozen) {
    cHero& hero = g_Heroes[0];
    DDSURFACEDATA* bb = BackBuffer();
    hero.UpdateScreenRect();
    if (!hero.m_bDefeated) {
        DrawHero(bb, frozen, hero);
        DrawHPGauge(bb, hero);
        DrawSPGauge(bb, hero);
        return false;
    }
    if (!DrawDefeated(hero, bb, frozen)) return false;
    if (g_FrameDrawHooks.HeroDefeatEnded)
        g_FrameDrawHooks.HeroDefeatEnded(scene);
    else
        HeroDefeatEnded(scene);
    return true;
}

void DrawEffects(cGameScene& scene, int frozen) {
    DDBeginBatch(0);
    for (auto it = scene.m_Effects.begin(); it != scene.m_Effects.end();) {
        if (DrawEffectObj(*it, BackBuffer(), !frozen) && !frozen) {
            it = scene.m_Effects.erase(it);
            continue;
        }
        ++it;
    }
    DDEndBatch();
}

void DrawMessages(cGameScene& scene, int frozen) {
    for (auto it = scene.m_Messages.begin(); it != scene.m_Messages.end();) {
        if (DrawMessage(*it, BackBuffer(), frozen)) {
            it = scene.m_Messages.erase(it);
            continue;
        }
        ++it;
    }
}

void DrawCaption() {
    const char* text = FrameCaption();
    if (!text) return;
    g_Font.Draw(BackBuffer(), 320 - CountSjisChars(text) * 8, 456, text, 0);
}

} // namespace

void DrawBackgroundOnly() {
    DrawBackground(BackBuffer(), 0);
    DrawBackground(BackBuffer(), 1);
}

// ---- Characters ----

bool DrawCharaAndGauges(cStageChara& chara, int frozen) {
    DDSURFACEDATA* bb = BackBuffer();
    if (chara.m_bDefeated) {
        chara.UpdateScreenRect();
        return DrawDefeated(chara, bb, frozen);
    }
    if (chara.IsOnScreen()) {
        chara.UpdateScreenRect();
        DrawChara(bb, frozen, chara);
        DrawHPGauge(bb, chara);
        DrawSPGauge(bb, chara);
        return false;
    }
    // Off the screen only a character on a jump is drawn (its picture may reach into the view). The
    // gathering of the layers leaves out the characters that come this far without it (LeftUndrawn).
    if (chara.m_nApexFrames != 0) {
        chara.UpdateScreenRect();
        DrawChara(bb, frozen, chara);
    }
    return false;
}

bool UseLife() {
    if (g_bStartFile) return true;
    if (g_SaveData.m_nLives == UNLIMITED_LIVES) return true;
    if (g_SaveData.m_nLives > 0) {
        --g_SaveData.m_nLives;
        return true;
    }
    return false;
}

void HeroDefeatEnded(cGameScene& scene) {
    if (g_nPlayMode == 4) {
        g_SaveData.RestoreStageStart(true);
        if (SetStage(scene, true, true)) scene.m_nState = GAMESTATE_START;
        return;
    }
    if (!UseLife()) {
        scene.m_nState = STATE_GAME_OVER;
        return;
    }
    if (g_Stage.m_nTakeOver) g_SaveData.ClearCarryOverFlags();
    g_SaveData.RestoreStageStart(false);
    if (g_nGameMode == 0 && g_SystemData.m_nContinueMenu) {
        scene.m_nSubState = 0;
        scene.m_nState = STATE_CONTINUE;
        return;
    }
    if (SetStage(scene, true, false)) scene.m_nState = GAMESTATE_START;
}

void DrawHeroAndCheckDeath(cGameScene& scene, int frozen) {
    if (!g_Heroes.empty()) DrawHero1(scene, frozen);
}

// ---- The frame ----

const char* FrameCaption() {
    int text = -1;
    if (g_bStartFile)
        text = TEXT_CAPTION_START_FILE;
    else if (ProjectRecordEnv().m_bFromEditor)
        text = TEXT_CAPTION_EDITOR;
    if (text < 0 || text >= g_SystemData.m_vstrTexts.Count()) return nullptr;
    return g_SystemData.m_vstrTexts.at(text).c_str();
}

void DrawFrame(cGameScene& scene, int live, int frozen, int warning, int caption) {
    // A stage whose set-up failed is never drawn.
    if (scene.m_nState == GAMESTATE_SET_UP_FAILED) return;
    DDSURFACEDATA* bb = BackBuffer();
    // While a screen effect runs it reads the finished picture, which under Direct3D lives in the
    // virtual back buffer.
    if (scene.m_bVirtualBackBuffer) DDSetBackBufferMode(1);

    // Self-scrolling backgrounds move in every frame drawn, waits included: they are scenery.
    ScrollBackground();
    DrawBackground(bb, 0);
    if (!live && scene.m_nState == GAMESTATE_PAUSE && g_SystemData.m_nPauseDraw) {
        DrawBackground(bb, 1);
        DrawScreenColor(scene, frozen);
        return;
    }
    DrawShownPictures(bb, 0, frozen);
    DrawBlocks(scene, bb, 0);

    const bool layered = g_Stage.m_nDrawPriority != 0;
    const int layers = layered ? OBJECT_LAYERS : 1;
    GatheredLayers gathered(scene, layered);
    for (int layer = 0; layer < layers; ++layer) {
        if (!g_Heroes.empty() && InLayer(g_Heroes[0].m_Def.m_nZ, layer, layered) &&
            DrawHero1(scene, frozen)) {
            // The stage may have been set up again, or not at all for want of memory.
            if (scene.m_nState == GAMESTATE_SET_UP_FAILED) return;
            gathered.Drop();
        }
        DrawItems(gathered.Get(), layer, layered, frozen);
        DrawCharas(gathered.Get(), layer, layered, frozen);
        DrawShots(gathered.Get(), scene, layer, layered, frozen);
    }
    gathered.Drop();

    DrawBlocks(scene, bb, 1);
    DrawBackground(bb, 1);
    if (!g_Heroes.empty()) DrawDarkness(bb, g_Heroes[0], &g_DarkSD);
    DrawShownPictures(bb, 1, frozen);
    DrawEffects(scene, frozen);
    DrawMessages(scene, frozen);
    RunScreenEffect(scene, frozen);
    DrawStatusBar(scene, bb);
    DrawTimeLimit(scene, bb, warning);
    if (caption) DrawCaption();
    if (g_FrameDrawHooks.UpdateBlinkColours) g_FrameDrawHooks.UpdateBlinkColours();
    DrawScreenColor(scene, frozen);
}

void InstallStageDrawing(void (*updateBlinkColours)()) {
    g_FrameDrawHooks.UpdateBlinkColours = updateBlinkColours;
    g_PlayStepHooks.DrawFrame = [](cGameScene& scene, int live, int frozen, int warning, int caption) {
        DrawFrame(scene, live, frozen, warning, caption);
    };
}
