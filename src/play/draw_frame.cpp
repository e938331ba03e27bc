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
#include <array>
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
// following one another. Each walk also asks, some steps ahead, for the objects that stood there in
// the walk of the frame before: a list changes little from one frame to the next, so that most of
// those are the objects the walk is about to meet (where it changed, the asking is only wasted).
// Where a member of a live object lies from the object's start.
template <class T, class M> std::ptrdiff_t OffsetIn(const T& object, const M* member) {
    return reinterpret_cast<const char*>(member) - reinterpret_cast<const char*>(&object);
}

template <class List, class LayerOf> struct LayerLists {
    using Pos = typename List::iterator;
    using Object = typename List::value_type;
    static constexpr std::size_t AHEAD = 12;
    static constexpr std::size_t LINES = 3;
    std::vector<Pos> at[OBJECT_LAYERS];
    std::vector<std::pair<int, Pos>> backHalf;
    Pos front, back;
    std::size_t pairs = 0; // pairs of objects left to meet, one from each end
    std::size_t count = 0, met = 0;
    // The objects as the walk of the frame before met them, in the list's order, and as this one does.
    std::vector<const Object*> before, now;
    // Where in an object of the list the lines that LayerOf reads lie.
    std::array<std::ptrdiff_t, LINES> lines{};

    void Start(List& list) {
        for (std::vector<Pos>& v : at)
            v.clear();
        backHalf.clear();
        front = list.begin();
        back = list.end();
        count = list.size();
        pairs = count / 2;
        met = 0;
        before.swap(now);
        now.resize(count);
        // The objects of the frame before may be gone since: their lines are asked for by address
        // alone, at the places a live object of the list has them.
        if (count > 0) lines = LayerOf::Lines(*front);
    }
    // Asks for the lines of the object the walk of the frame before met at position k, if any: the
    // link to the next object (just before it) and what LayerOf reads. Inlined: a call that only asks
    // for memory counts as having no effect and would be left out.
    [[gnu::always_inline]] void Ask(std::size_t k) const {
        if (k >= before.size()) return;
        const char* o = reinterpret_cast<const char*>(before[k]);
        __builtin_prefetch(o - 1);
        for (const std::ptrdiff_t line : lines)
            __builtin_prefetch(o + line);
    }
    // Meets the next pair; false once none is left.
    bool Step() {
        if (pairs == 0) return false;
        --pairs;
        --back;
        const std::size_t k = met++;
        if (before.size() > k + AHEAD) {
            Ask(k + AHEAD);
            Ask(before.size() - 1 - (k + AHEAD));
        }
        now[k] = &*front;
        now[count - 1 - k] = &*back;
        if (const int l = LayerOf{}(*front); l >= 0) at[l].push_back(front);
        if (const int l = LayerOf{}(*back); l >= 0) backHalf.emplace_back(l, back);
        ++front;
        return true;
    }
    void Finish() {
        if (front != back) { // the middle object of an odd count
            now[met] = &*front;
            if (const int l = LayerOf{}(*front); l >= 0) at[l].push_back(front);
        }
        for (auto it = backHalf.rbegin(); it != backHalf.rend(); ++it)
            at[it->first].push_back(it->second);
    }
};

struct ItemLayer {
    int operator()(const cItem& i) const { return ItemShown(i) ? LayerOf(i.m_Def.m_nZ) : -1; }
    static std::array<std::ptrdiff_t, 3> Lines(const cItem& i) {
        return {OffsetIn(i, &i.m_bPresent), OffsetIn(i, &i.m_bHidden), OffsetIn(i, &i.m_Def.m_nZ)};
    }
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
    static std::array<std::ptrdiff_t, 3> Lines(const cStageChara& c) {
        return {OffsetIn(c, &c.m_bRemoved), OffsetIn(c, &c.m_Def.m_nZ), OffsetIn(c, &c.m_nApexFrames)};
    }
};
struct ShotLayer {
    int operator()(const cShot& s) const { return ShotShown(s) ? LayerOf(s.m_Settings.m_nZOrder) : -1; }
    static std::array<std::ptrdiff_t, 3> Lines(const cShot& s) {
        return {OffsetIn(s, &s.m_bRemoved), OffsetIn(s, &s.m_Settings.m_nZOrder),
                OffsetIn(s, &s.m_Settings.m_nZOrder)};
    }
};

// Asks for the memory an object's drawing reads a few objects ahead of it, so that the waits for the
// objects of a layer overlap: its picture and facing, its rectangles, its position and state, and
// what its kind adds.
void PrefetchObject(const cGameObject& o) {
    __builtin_prefetch(&o.m_nDir);
    __builtin_prefetch(&o.m_rcScreen);
    __builtin_prefetch(&o.m_dX);
    __builtin_prefetch(&o.m_bRemoved);
}

void Prefetch(const cItem& item) {
    PrefetchObject(item);
    __builtin_prefetch(&item.m_bHidden);
}

void Prefetch(const cShot& shot) {
    PrefetchObject(shot);
    __builtin_prefetch(&shot.m_Settings.m_bHidden);
    __builtin_prefetch(&shot.m_Work.bSword);
    __builtin_prefetch(&shot.m_nScale);
}

void Prefetch(const cStageChara& c) {
    PrefetchObject(c);
    __builtin_prefetch(&c.m_Def.m_nZ);
    __builtin_prefetch(&c.m_bDefeated);
    __builtin_prefetch(&c.m_HPGauge);
    __builtin_prefetch(&c.m_nCharaEffect);
}

// What the tick of an object's animation reads beyond the object when it leaves its frame, asked for
// in two steps as the walk comes nearer: the sequence's entry once the object's lines are in, then,
// from that entry, the frames. Inlined: a call that only asks for memory counts as having no effect
// and would be left out.
[[gnu::always_inline]] inline void AskSequence(const cGameObject& o) {
    if (o.m_AnimSeq.TickReadsLists())
        __builtin_prefetch(reinterpret_cast<const void*>(o.m_AnimSeq.SequenceEntryAddress()));
}

[[gnu::always_inline]] inline void AskFrames(const cGameObject& o) {
    if (!o.m_AnimSeq.TickReadsLists()) return;
    if (const std::uintptr_t f = o.m_AnimSeq.NextFrameAddress()) {
        // The frame after the current one, and the list's start, from which a frame is held.
        __builtin_prefetch(reinterpret_cast<const void*>(f));
        __builtin_prefetch(o.m_AnimSeq.m_Seqs[static_cast<std::size_t>(o.m_AnimSeq.Sequence())].data());
    }
}

// Calls draw on each object of a layer in order, asking for the objects a few ahead (measured: a
// fifth off the play frames of a stage of thousands of characters and items).
template <class Pos, class Draw> void DrawEach(const std::vector<Pos>& objects, Draw draw) {
    constexpr std::size_t AHEAD = 6, SEQUENCE_AHEAD = 4, FRAMES_AHEAD = 2;
    const std::size_t n = objects.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (k + AHEAD < n) Prefetch(*objects[k + AHEAD]);
        if (k + SEQUENCE_AHEAD < n) AskSequence(*objects[k + SEQUENCE_AHEAD]);
        if (k + FRAMES_AHEAD < n) AskFrames(*objects[k + FRAMES_AHEAD]);
        draw(objects[k]);
    }
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
