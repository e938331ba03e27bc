#include "demo_game.h"

#include "bmp_writer.h"
#include "demo_pictures.h"
#include "flow_writer.h"
#include "stage_writer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <initializer_list>

namespace demo_game {

namespace {

using flow_writer::MakeCommand;
using flow_writer::MakeItemCommand;
using stage_writer::MakeBlock;
using stage_writer::MakeChara;
using stage_writer::MakeItem;

// Key slots of a key step: directions 1 left, 2 right; buttons from slot 10 (10 none, 11 the first).
constexpr int SLOT_LEFT = 1, SLOT_RIGHT = 2, SLOT_BUTTON1 = 11, SLOT_BUTTON2 = 12, SLOT_BUTTON3 = 13;
constexpr std::uint8_t PRESSED = 1;
// Directions of the movement list: 2 left, 3 right, 6 up, 7 down.
constexpr std::uint8_t LEFT = 2, RIGHT = 3, UP = 6, DOWN = 7;
// Picture numbers of the demo sheets: blocks 1 grass, 2 dirt, 3 brick, 6 bonus; characters 1 the
// hero, 2 the slime, 5 the moving platform, 6 the coin fountain, 9 the slime king (10 when angry),
// 12 the bat; items 1 the coin, 2 the gem, 3 the key, 4 the heart, 5 the star of the goal, 6 the sign.
constexpr int BLOCK_GRASS = 1, BLOCK_DIRT = 2, BLOCK_BRICK = 3, BLOCK_BONUS = 6;
constexpr int CHARA_HERO = 1, CHARA_SLIME = 2, CHARA_PLATFORM = 5, CHARA_FOUNTAIN = 6, CHARA_BIG = 9,
              CHARA_BAT = 12;
constexpr int ITEM_COIN = 1, ITEM_GEM = 2, ITEM_KEY = 3, ITEM_HEART = 4, ITEM_GOAL = 5, ITEM_SIGN = 6;

using flow_writer::Flow;
using flow_writer::Move;
using flow_writer::Timed;
using flow_writer::WithParams;

// A flow started by a key held for any time: again and again while it is held (`level`), or once per
// press.
cEdFlow KeyFlow(int slot, bool level, std::initializer_list<cEdFlowCmd> commands) {
    cEdFlow flow = Flow(FTK_ALWAYS, commands);
    cEdFlowEntry step = flow_writer::MakeKeyStep({{slot, PRESSED}});
    step.m_bAnyHold = 1;
    flow.m_KeySteps.push_back(step);
    flow.m_bKeyLevel = level ? 1 : 0;
    return flow;
}

// A shot command: graphic, count, direction (0 forward), speed in tenths, movement kind (0 straight,
// 4 homing on the hero), power and lifetime in tenths.
cEdFlowCmd Shot(std::int16_t graphic, std::int8_t count, std::int16_t speed, std::int8_t moveKind, int power,
                std::int16_t lifetime) {
    cEdFlowCmd c = flow_writer::MakeShot(graphic, count, 0, speed);
    c.m_Shot->m_nMoveKind = moveKind;
    if (moveKind == 4) c.m_Shot->m_nMoveValues[1] = 999;
    c.m_Shot->m_nPower = power;
    c.m_Shot->m_nVanishValue = 1;
    c.m_Shot->m_bLifetimeLimit = 1;
    c.m_Shot->m_nLifetime = lifetime;
    return c;
}

cEdFlowCmd Code(const std::string& text) {
    return flow_writer::MakeCode(text);
}

// A message shown for `tenths` near its character, not stopping the game.
cEdFlowCmd TimedMessage(const std::string& text, std::int32_t id, std::int32_t tenths) {
    cEdFlowCmd c = flow_writer::MakeMessage(id);
    c.m_strText = text;
    c.m_Params[0] = 0;      // position: fixed on the screen
    c.m_Params[1] = 2;      // column
    c.m_Params[2] = 1;      // row
    c.m_Params[5] = tenths; // how long
    c.m_Params[6] = 2;      // display mode: for its time (1 would keep it to the end of the stage)
    return c;
}

cEdFlowCmd ItemCode(const std::string& text) {
    cEdFlowCmd c = MakeItemCommand(ICT_RUN_CODE);
    c.m_strText = text;
    return c;
}

cEdFlowCmd ItemSound(int sound) {
    return WithParams(MakeItemCommand(ICT_PLAY_SE), {sound});
}

// Project sounds 1-4: jump, coin, shot, explosion (system sounds come first: 16 + k).
constexpr int SE_JUMP = 1, SE_COIN = 2, SE_SHOT = 3, SE_BOOM = 4;

cEdCharaDef Enemy(int x, int y, int picture, int hp, int score) {
    cEdCharaDef c = MakeChara(x, y, picture);
    c.m_nMaxHP = static_cast<std::uint32_t>(hp);
    c.m_nScore = static_cast<std::uint32_t>(score);
    c.m_nBodyPower = 1;
    c.m_nFixedFacing = 1;
    return c;
}

cEdItemDef Coin(int x, int y) {
    cEdItemDef item = MakeItem(x, y, ITEM_COIN);
    item.m_nTakeMode = 0; // taken once
    item.m_nSoundNo = SE_COIN;
    item.m_Commands.push_back(ItemCode("score = score + 10"));
    return item;
}

// The goal: touching it clears the stage; play goes on with the stage that follows, if any.
cEdItemDef Goal(int x, int y) {
    cEdItemDef item = MakeItem(x, y, ITEM_GOAL);
    item.m_Commands.push_back(MakeItemCommand(ICT_STAGE_CLEAR));
    return item;
}

// A stage of width x height with grass on its last row and dirt below nothing.
cEdStage Field(int width, int height, int heroX) {
    cEdStage stage;
    stage.m_nWidth = width;
    stage.m_nHeight = height;
    for (int x = 0; x < width; ++x)
        stage.m_Blocks.push_back(MakeBlock(x, height - 1, BLOCK_GRASS));
    stage.m_Charas.push_back(Hero(heroX, height - 2));
    stage.m_nHeroInvincible = 60; // a hurt hero is untouchable for a second
    return stage;
}

cEdStageTableD Layer(const char* file, double speed) {
    cEdStageTableD layer;
    layer.m_strFile = file;
    layer.m_dSpeedX = speed;
    layer.m_dSpeedY = speed / 2;
    return layer;
}

void Row(cEdStage& stage, int x0, int x1, int y, int picture) {
    for (int x = x0; x <= x1; ++x)
        stage.m_Blocks.push_back(MakeBlock(x, y, picture));
}

// A character that rides back and forth: a platform heroes stand on.
cEdCharaDef MovingPlatform(int x, int y) {
    cEdCharaDef p = MakeChara(x, y, CHARA_PLATFORM);
    p.m_nBlockChara = 1;
    p.m_nMoveType = 1; // flies: no gravity
    p.m_nInvincible = 1;
    p.m_nFaction = 2;
    p.m_Flows.push_back(
        Flow(FTK_ALWAYS, {Move(FCT_LINE_MOVE, RIGHT, 10, 30), Timed(MakeCommand(FCT_WAIT), 5),
                          Move(FCT_LINE_MOVE, LEFT, 10, 30), Timed(MakeCommand(FCT_WAIT), 5)}));
    // A hero riding it hears it; another character riding it is turned round.
    p.m_Flows.push_back(Flow(FTK_RIDDEN_BY_HERO, {WithParams(MakeCommand(FCT_PLAY_SE), {SE_JUMP})}));
    p.m_Flows.push_back(Flow(FTK_RIDDEN_BY_CHARA, {WithParams(MakeCommand(FCT_TURN), {1})}));
    return p;
}

// Pictures of the stages' own.
bmp_writer::Picture Sky() {
    using demo_pictures::Hue;
    bmp_writer::Picture p = bmp_writer::MakePicture(640, 480, Hue(7, 12));
    for (int y = 0; y < 480; y += 40)
        bmp_writer::FillRect(p, 0, y, 640, 40, Hue(7, 13 - y / 80));
    // Clouds, each whole inside the picture.
    for (int i = 0; i < 6; ++i)
        bmp_writer::FillEllipse(p, 60 + i * 104, 80 + (i % 3) * 40, 40, 14, demo_pictures::kWhite);
    return p;
}

bmp_writer::Picture Hills() {
    using demo_pictures::Hue;
    bmp_writer::Picture p = bmp_writer::MakePicture(640, 480, demo_pictures::kKey);
    for (int x = 0; x < 640; ++x) {
        const int top = 300 + static_cast<int>(50 * std::sin(x * 3.14159265358979 / 160));
        bmp_writer::FillRect(p, x, top, 1, 480 - top, Hue(4, 4 + (x / 160) % 2));
    }
    return p;
}

bmp_writer::Picture CaveWall() {
    bmp_writer::Picture p = bmp_writer::MakePicture(640, 480, demo_pictures::Grey(3));
    for (int y = 0; y < 480; y += 32)
        for (int x = (y / 32) % 2 * 16; x < 640; x += 32)
            bmp_writer::FrameRect(p, x, y, 32, 32, demo_pictures::Grey(5));
    return p;
}

// The sword's swing, one 32 x 32 cell a frame, the blade pointing left: raised, level, lowered.
bmp_writer::Picture SwordPicture() {
    using demo_pictures::Grey;
    using demo_pictures::Hue;
    bmp_writer::Picture p = bmp_writer::MakePicture(kSwordCells * 32, 32, demo_pictures::kKey);
    // Per cell: the tip and the hilt end of the blade.
    const double ends[kSwordCells][4] = {{7, 5, 27, 22}, {3, 15, 27, 15}, {7, 27, 27, 10}};
    for (int k = 0; k < kSwordCells; ++k) {
        const double x0 = k * 32 + ends[k][0], y0 = ends[k][1], x1 = k * 32 + ends[k][2], y1 = ends[k][3];
        const double len = std::hypot(x1 - x0, y1 - y0), nx = -(y1 - y0) / len, ny = (x1 - x0) / len;
        const double xs[4] = {x0, x1 + 2.5 * nx, x1 - 2.5 * nx, x0};
        const double ys[4] = {y0, y1 + 2.5 * ny, y1 - 2.5 * ny, y0};
        bmp_writer::FillPolygon(p, xs, ys, 4, Grey(14));
        bmp_writer::Line(p, static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                         static_cast<int>(y1), Grey(10));
        // The guard across the blade and the grip beyond it.
        bmp_writer::Line(p, static_cast<int>(x1 + 5 * nx), static_cast<int>(y1 + 5 * ny),
                         static_cast<int>(x1 - 5 * nx), static_cast<int>(y1 - 5 * ny), Hue(2, 7));
        const double ux = (x1 - x0) / len, uy = (y1 - y0) / len;
        bmp_writer::FillEllipse(p, x1 + 3.5 * ux, y1 + 3.5 * uy, 2, 2, Hue(1, 3));
        bmp_writer::Outline(p, k * 32, 0, 32, 32, demo_pictures::kKey, Hue(8, 0));
    }
    return p;
}

// The spark an effect command shows: a star growing over three 32 x 32 cells.
bmp_writer::Picture SparkPicture() {
    using demo_pictures::Hue;
    bmp_writer::Picture p = bmp_writer::MakePicture(kSparkCells * 32, 32, demo_pictures::kKey);
    for (int k = 0; k < kSparkCells; ++k) {
        const double cx = k * 32 + 15.5, r = 6.0 + 4 * k;
        double xs[8], ys[8];
        for (int i = 0; i < 8; ++i) {
            const double a = i * 3.14159265358979 / 4, d = i % 2 ? r * 0.4 : r;
            xs[i] = cx + d * std::cos(a);
            ys[i] = 15.5 + d * std::sin(a);
        }
        bmp_writer::FillPolygon(p, xs, ys, 8, Hue(2, 12));
        bmp_writer::FillEllipse(p, cx, 15.5, 2 + k, 2 + k, demo_pictures::kWhite);
    }
    return p;
}

bmp_writer::Picture SignPicture() {
    using demo_pictures::Hue;
    bmp_writer::Picture p = bmp_writer::MakePicture(160, 96, Hue(1, 6));
    bmp_writer::FrameRect(p, 0, 0, 160, 96, Hue(1, 2));
    bmp_writer::FrameRect(p, 4, 4, 152, 88, Hue(1, 3));
    for (int i = 0; i < 4; ++i)
        bmp_writer::FillRect(p, 20, 20 + i * 16, 120 - i * 20, 6, Hue(1, 2));
    return p;
}

} // namespace

cEdCharaDef Hero(int x, int y) {
    cEdCharaDef hero = stage_writer::MakeHero(x, y, CHARA_HERO);
    hero.m_nMaxHP = 5;
    hero.m_nFixedFacing = 0; // the hero turns to the way it walks; shots and the sword go that way
    hero.m_Flows.push_back(KeyFlow(SLOT_LEFT, true, {Move(FCT_LINE_MOVE, LEFT, 25, 1)}));
    hero.m_Flows.push_back(KeyFlow(SLOT_RIGHT, true, {Move(FCT_LINE_MOVE, RIGHT, 25, 1)}));
    cEdFlowCmd jump = WithParams(MakeCommand(FCT_JUMP), {0, 0, 5});
    jump.m_nSound = SE_JUMP;
    hero.m_Flows.push_back(KeyFlow(SLOT_BUTTON1, false, {jump}));
    cEdFlowCmd shot = Shot(1, 1, 60, 0, 1, 10);
    shot.m_nSound = SE_SHOT;
    hero.m_Flows.push_back(KeyFlow(SLOT_BUTTON2, false, {shot, Timed(MakeCommand(FCT_WAIT), 2)}));
    cEdFlowCmd sword = MakeCommand(FCT_SWORD);
    sword.m_Shot->m_nMoveKind = kHeroSword; // a sword command's sword type
    sword.m_Shot->m_nPower = 2;
    sword.m_nUseTime = kSwordCells; // the swing's length
    hero.m_Flows.push_back(KeyFlow(SLOT_BUTTON3, false, {sword}));
    // Hurt: a blink and the damage sound.
    hero.m_Flows.push_back(Flow(FTK_DAMAGED, {WithParams(MakeCommand(FCT_CHARA_EFFECT), {kBlinkEffect, 0, 0}),
                                              MakeCommand(FCT_CANCEL_MOVE)}));
    return hero;
}

cEdStage Meadow() {
    cEdStage stage = Field(40, 15, 2);
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = 150;
    stage.m_nTimeWarning = 30;
    stage.m_nBgm = 2;
    stage.m_Backgrounds.push_back(Layer(kSkyPicture, 0.1));
    stage.m_Backgrounds.push_back(Layer(kHillsPicture, 0.4));
    // Brick platforms with a bonus block, and a higher one the slime patrols.
    for (int x = 8; x < 12; ++x)
        stage.m_Blocks.push_back(MakeBlock(x, 10, x == 10 ? BLOCK_BONUS : BLOCK_BRICK));
    Row(stage, 16, 20, 8, BLOCK_BRICK);
    // Coins along the floor (taken once), a heart on the high platform (taken any number of
    // times: one more life at most once a second), a sign beside it (never taken: it speaks).
    for (int x = 6; x <= 30; x += 4)
        stage.m_Items.push_back(Coin(x, 13));
    for (int x = 17; x < 20; ++x)
        stage.m_Items.push_back(Coin(x, 7));
    cEdItemDef heart = MakeItem(16, 7, ITEM_HEART);
    heart.m_nTakeMode = 1;
    heart.m_Commands.push_back(ItemCode("life = life + 1"));
    heart.m_Commands.push_back(ItemSound(SE_COIN));
    stage.m_Items.push_back(heart);
    cEdItemDef sign = MakeItem(20, 7, ITEM_SIGN);
    sign.m_nTakeMode = 2;
    sign.m_nTakeMessage = 0;
    cEdFlowCmd signText = MakeItemCommand(ICT_MESSAGE);
    signText.m_strText = "この先 ゴール！ スコア #C1_6Z";
    signText.m_Params[13] = 7;
    signText.m_Params[5] = 20;
    signText.m_Params[6] = 1;
    sign.m_Commands.push_back(signText);
    stage.m_Items.push_back(sign);
    stage.m_Items.push_back(Goal(37, 13));

    // The hero greets the stage: stage variable 1 counts the tries, shown in the greeting. Both
    // commands are marked to run with the next, as a flow run before the stage runs only those.
    cEdCharaDef& hero = stage.m_Charas.back();
    cEdFlow greeting =
        Flow(FTK_BEFORE_STAGE, {Code("S1 = S1 + 1"), TimedMessage("はじめのステージ #S1 かいめ！", 1, 30)});
    for (cEdFlowCmd& c : greeting.m_Commands)
        c.m_bRunWithNext = 1;
    hero.m_Flows.push_back(greeting);

    // The slime patrols the high platform and turns at its ends and at other characters.
    cEdCharaDef slime = Enemy(18, 7, CHARA_SLIME, 1, 50);
    slime.m_Flows.push_back(Flow(FTK_ALWAYS, {Move(FCT_GROUND_TURN_MOVE, 0, 8, 10)}));
    slime.m_Flows.push_back(Flow(FTK_HIT_CHARA, {WithParams(MakeCommand(FCT_TURN), {5})}));
    slime.m_Flows.push_back(Flow(FTK_DIED, {WithParams(MakeCommand(FCT_PLAY_SE), {SE_BOOM})}));
    stage.m_Charas.push_back(slime);
    stage.m_Charas.push_back(MovingPlatform(28, 9));
    // An unseen trigger on the way to the goal: touching it shows a message once in a while.
    cEdCharaDef trigger = MakeChara(24, 13, CHARA_SLIME);
    trigger.m_nTransparent = 1;
    trigger.m_nMoveType = 1;
    trigger.m_nInvincible = 1;
    trigger.m_nFaction = 2;
    trigger.m_Flows.push_back(
        Flow(FTK_HIT_CHARA, {TimedMessage("ひみつの ばしょ！", 3, 20), Timed(MakeCommand(FCT_WAIT), 30)}));
    stage.m_Charas.push_back(trigger);
    return stage;
}

cEdStage Cave() {
    cEdStage stage = Field(50, 15, 2);
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = 180;
    stage.m_nBgm = 2;
    stage.m_Backgrounds.push_back(Layer(kCavePicture, 0.3));
    Row(stage, 0, 49, 0, BLOCK_DIRT);
    Row(stage, 12, 15, 10, BLOCK_BRICK);
    Row(stage, 30, 34, 9, BLOCK_BRICK);
    // Darkness: the hero sees a circle of five half blocks.
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nSightShape = 1;
    hero.m_nSightRange = 5;
    // Every three seconds the hero looks round: the animation starts ahead of the second wait, so
    // that it has wound up when the wait begins, and holds while the wait runs.
    cEdFlowCmd look = Timed(MakeCommand(FCT_WAIT), 10);
    look.m_nAnimation = kLookRoundAnime;
    hero.m_Flows.push_back(Flow(FTK_ALWAYS, {Timed(MakeCommand(FCT_WAIT), 20), look}));
    // A lamp keeper sets the scene before the stage: a dim blue screen, the sign picture for two
    // seconds, and a short game wait.
    cEdCharaDef keeper = MakeChara(3, 2, 0);
    keeper.m_nMoveType = 1;
    keeper.m_nInvincible = 1;
    keeper.m_nFaction = 2;
    // A flow run before the stage runs at once only the commands marked to run with the next.
    // The sign picture is shown for two seconds, counted while the game waits for it, on the layer
    // drawn over the hero's darkness.
    cEdFlow scene = Flow(FTK_BEFORE_STAGE,
                         {WithParams(MakeCommand(FCT_SCREEN_COLOUR), {0, 0, 64, 30}),
                          WithParams(MakeCommand(FCT_SHOW_PICTURE), {1, 0, 10, 6, 0, 0, 0, 100, 2, 20, 1, 1}),
                          WithParams(MakeCommand(FCT_GAME_WAIT), {5})});
    for (cEdFlowCmd& c : scene.m_Commands)
        c.m_bRunWithNext = 1;
    keeper.m_Flows.push_back(scene);
    stage.m_Charas.push_back(keeper);
    // Bats: one homes in on the hero, one circles; both flap (an attached animation).
    cEdCharaDef bat = Enemy(20, 6, CHARA_BAT, 2, 80);
    bat.m_nMoveType = 1;
    bat.m_Flows.push_back(
        Flow(FTK_ALWAYS, {WithParams(MakeCommand(FCT_SET_TARGET), {0}), Move(FCT_HOMING_MOVE, 0, 12, 30),
                          MakeCommand(FCT_RUN_ANIME), Timed(MakeCommand(FCT_WAIT), 10)}));
    bat.m_Flows.push_back(
        Flow(FTK_HIT_SHOT, {WithParams(MakeCommand(FCT_CHARA_EFFECT), {kBlinkEffect, 0, 0})}));
    stage.m_Charas.push_back(bat);
    cEdCharaDef circler = Enemy(36, 5, CHARA_BAT + 1, 2, 80);
    circler.m_nMoveType = 1;
    cEdFlowCmd circle = Move(FCT_CIRCLE_MOVE, 0, 0, 40);
    circle.m_Move->m_nHomingWeakness = 3; // radius in half blocks
    circle.m_Move->m_nDistance = 360;     // one whole turn
    circler.m_Flows.push_back(Flow(FTK_ALWAYS, {circle}));
    circler.m_Flows.push_back(Flow(FTK_HIT_BLOCK, {MakeCommand(FCT_CANCEL_MOVE)}));
    stage.m_Charas.push_back(circler);
    // A turret on the ledge shoots shots that home in on the hero, every two seconds.
    cEdCharaDef turret = Enemy(32, 8, CHARA_SLIME + 2, 4, 120);
    turret.m_Flows.push_back(Flow(FTK_ALWAYS, {Shot(5, 1, 25, 4, 1, 40), Timed(MakeCommand(FCT_WAIT), 20)}));
    turret.m_Flows.push_back(Flow(FTK_IMPACT, {MakeCommand(FCT_CANCEL_MOVE)}));
    stage.m_Charas.push_back(turret);
    // Gems (taken once) that open the way, a key behind the turret.
    for (int x = 13; x <= 15; ++x)
        stage.m_Items.push_back(Coin(x, 9));
    cEdItemDef gem = MakeItem(24, 13, ITEM_GEM);
    gem.m_Commands.push_back(ItemCode("score = score + 100"));
    gem.m_Commands.push_back(WithParams(MakeItemCommand(ICT_SCREEN_COLOUR), {0, 0, 0, 0}));
    stage.m_Items.push_back(gem);
    // The goal also opens the story's second world.
    cEdItemDef goal = Goal(47, 13);
    goal.m_Commands.insert(goal.m_Commands.begin(),
                           ItemCode("C" + std::to_string(kSecondWorldVariable) + " = 1"));
    stage.m_Items.push_back(goal);
    return stage;
}

cEdStage Castle() {
    // The hall is one screen wide: wherever the boss goes, the hero sees it and can hit it.
    cEdStage stage = Field(20, 15, 2);
    stage.m_nBgm = 2;
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = 240;
    Row(stage, 0, 19, 0, BLOCK_BRICK);
    for (int y = 1; y < 14; ++y) {
        stage.m_Blocks.push_back(MakeBlock(0, y, BLOCK_BRICK));
        stage.m_Blocks.push_back(MakeBlock(19, y, BLOCK_BRICK));
    }
    Row(stage, 4, 6, 10, BLOCK_BRICK);
    Row(stage, 13, 15, 10, BLOCK_BRICK);
    stage.m_Backgrounds.push_back(Layer(kCavePicture, 0.2));
    stage.m_Texts.push_back(cEdStageTableE());
    stage.m_Texts.back().m_strText = "おしろ";

    // The boss: eight hit points; it charges, shoots fans of shots, summons slimes and blocks,
    // warps above the hero, and its defeat clears the stage.
    cEdCharaDef boss = Enemy(15, 11, CHARA_BIG, 8, 1000);
    boss.m_nCharaId = 9;
    boss.m_nScale = 2; // twice a slime's size
    boss.m_nDefense = 0;
    cEdFlowCmd fan = Shot(3, 3, 30, 0, 1, 30);
    fan.m_Shot->m_nFormation = 2; // spread
    fan.m_Shot->m_nFormationValues[0] = 20;
    // Its slimes come from the castle's own palette, on the boss's side.
    cEdCharaDef minion = Enemy(0, 0, CHARA_SLIME, 1, 20);
    minion.m_Flows.push_back(Flow(FTK_ALWAYS, {Move(FCT_GROUND_TURN_MOVE, 0, 8, 10)}));
    stage.m_PaletteCharas.resize(2);
    stage.m_PaletteCharas.at(1) = minion;
    cEdFlowCmd summon = MakeCommand(FCT_SUMMON_CHARA);
    summon.m_Shot->m_nGraphic = CHARA_SLIME;
    summon.m_Shot->m_nCount = 1;
    summon.m_Shot->m_nRange = 100;
    summon.m_Shot->m_nSummonPalette = 1;
    summon.m_Shot->m_nSummonEntry = 1;
    summon.m_Shot->m_nSummonForceSource = 1;
    cEdFlowCmd charge = Move(FCT_CHARGE_MOVE, 0, 40, 15);
    cEdFlowCmd warp = MakeCommand(FCT_WARP);
    warp.m_Move->m_nTargetMode = 1; // from the target
    warp.m_Move->m_nDirection = UP;
    warp.m_Move->m_nDistance = 4;
    // The loop's repeat count comes first, then how many commands after it it repeats: it summons
    // two slimes, one after the other.
    cEdFlowCmd loop = WithParams(MakeCommand(FCT_LOOP), {2, 2});
    boss.m_Flows.push_back(Flow(
        FTK_ALWAYS, {WithParams(MakeCommand(FCT_SET_TARGET), {0}), WithParams(MakeCommand(FCT_TURN), {2}),
                     fan, Timed(MakeCommand(FCT_WAIT), 15), charge, MakeCommand(FCT_CANCEL_MOVE), loop,
                     Timed(MakeCommand(FCT_WAIT), 5), summon}));
    // Hurt: it flashes, the screen shakes, and below half its hit points it turns red and
    // warps away once (the second flow, started by command).
    boss.m_Flows.push_back(
        Flow(FTK_DAMAGED, {WithParams(MakeCommand(FCT_CHARA_EFFECT), {kBlinkEffect, 0, 0}),
                           WithParams(MakeCommand(FCT_SCREEN_EFFECT), {kShakeEffect, 0, 0}),
                           WithParams(MakeCommand(FCT_FLOW_CONTROL), {0, 2, 7})}));
    cEdFlow angry = Flow(FTK_BY_COMMAND, {WithParams(MakeCommand(FCT_CHANGE_GRAPHIC), {1, CHARA_BIG + 1, 0}),
                                          MakeCommand(FCT_CHANGE_ANIMSET), warp,
                                          WithParams(MakeCommand(FCT_PLAY_BGM), {2, 1})});
    angry.m_nId = 7;
    angry.m_Conds.push_back(flow_writer::MakeVariableCondition(CK_STAGE_VAR, 2, 0, 0));
    boss.m_Flows.push_back(angry);
    boss.m_Flows.push_back(
        Flow(FTK_IMPACT, {WithParams(MakeCommand(FCT_RUN_EFFECT), {kSparkEffect, 0, 0, 0, 0, 0, 100})}));
    // A defeated character steps its death flows once, so the three commands run together.
    cEdFlow died = Flow(FTK_DIED, {WithParams(MakeCommand(FCT_SCREEN_EFFECT), {kShakeEffect, 0, 0}),
                                   WithParams(MakeCommand(FCT_PLAY_SE), {SE_BOOM}),
                                   WithParams(MakeCommand(FCT_STAGE_CLEAR), {3})});
    died.m_Commands.at(0).m_bRunWithNext = 1;
    died.m_Commands.at(1).m_bRunWithNext = 1;
    boss.m_Flows.push_back(died);
    // Against the walls it turns and puts a brick of the castle's palette up above its head.
    stage.m_PaletteBlocks.resize(2);
    stage.m_PaletteBlocks.at(1) = MakeBlock(0, 0, BLOCK_BRICK);
    cEdFlowCmd block = MakeCommand(FCT_SUMMON_BLOCK);
    block.m_Shot->m_nCount = 1;
    block.m_Shot->m_nSummonPalette = 1;
    block.m_Shot->m_nSummonEntry = 1;
    block.m_Shot->m_nOffsetY = -96;
    boss.m_Flows.push_back(Flow(FTK_BLOCK_LEFT_RIGHT, {WithParams(MakeCommand(FCT_TURN), {5}), block}));
    stage.m_Charas.push_back(boss);

    // A guard that jumps between the ledges.
    cEdCharaDef guard = Enemy(6, 9, CHARA_SLIME + 1, 2, 100);
    guard.m_Flows.push_back(
        Flow(FTK_ALWAYS, {WithParams(MakeCommand(FCT_JUMP), {0, 0, 4}), Timed(MakeCommand(FCT_WAIT), 15)}));
    guard.m_Flows.push_back(Flow(FTK_BLOCK_UP, {MakeCommand(FCT_CANCEL_MOVE)}));
    guard.m_Flows.push_back(Flow(FTK_BLOCK_DOWN, {WithParams(MakeCommand(FCT_TURN), {4})}));
    stage.m_Charas.push_back(guard);
    // A heart on the floor (taken once) that gives the hero one hit point through a status operation on its
    // status 1, the hit points.
    cEdItemDef heart = MakeItem(4, 13, ITEM_HEART);
    heart.m_Commands.push_back(WithParams(MakeItemCommand(ICT_STATUS), {0, 0, 0, 0, 1, PLO_ADD, 0, 1}));
    stage.m_Items.push_back(heart);
    return stage;
}

cEdStage Challenge1() {
    cEdStage stage = Field(30, 15, 2);
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = 40;
    stage.m_nTimeWarning = 10;
    stage.m_Backgrounds.push_back(Layer(kSkyPicture, 0.1));
    stage.m_Backgrounds.push_back(Layer(kHillsPicture, 0.5));
    for (int x = 4; x < 28; x += 2)
        stage.m_Items.push_back(Coin(x, 13));
    Row(stage, 10, 18, 9, BLOCK_BRICK);
    // A coin fountain: a character that gives items and a hidden layer switch.
    cEdCharaDef fountain = MakeChara(14, 8, CHARA_FOUNTAIN);
    fountain.m_nMoveType = 1;
    fountain.m_nInvincible = 1;
    fountain.m_nFaction = 2;
    cEdFlowCmd coins = MakeCommand(FCT_SUMMON_ITEM);
    coins.m_Shot->m_nGraphic = ITEM_COIN;
    coins.m_Shot->m_nCount = 3;
    coins.m_Shot->m_nRange = 50;
    // Every five seconds it also hands the first hero the gem of the stage's palette: 100 points.
    cEdItemDef gem = MakeItem(0, 0, ITEM_GEM);
    gem.m_nSoundNo = SE_COIN;
    gem.m_Commands.push_back(ItemCode("score = score + 100"));
    stage.m_PaletteItems.resize(2);
    stage.m_PaletteItems.at(1) = gem;
    fountain.m_Flows.push_back(Flow(FTK_ALWAYS, {coins, Timed(MakeCommand(FCT_WAIT), 50),
                                                 WithParams(MakeCommand(FCT_TAKE_ITEM), {1, 1}),
                                                 WithParams(MakeCommand(FCT_CHANGE_BACKGROUND), {2, 2})}));
    stage.m_Charas.push_back(fountain);
    // The hero keeps a tally: every coin taken adds to common variable 1.
    cEdCharaDef& hero = stage.m_Charas.front();
    hero.m_Flows.push_back(Flow(FTK_HIT_ITEM, {Code("C1 = C1 + 1")}));
    hero.m_Flows.push_back(Flow(FTK_ON_BLOCK_CHARA, {MakeCommand(FCT_NONE)}));
    // Landing or bumping the head: the scroll stays with the hero (a system status), and stage
    // variable 3 gains a random 1 to 3, the top of the range arranged from common variable 1.
    cEdFlowCmd gain = WithParams(MakeCommand(FCT_STATUS), {1, 1, 3, 0, 0, PLO_ADD, 1, 0, 1, 3});
    hero.m_Flows.push_back(
        Flow(FTK_BLOCK_UP_DOWN, {WithParams(MakeCommand(FCT_STATUS2), {2, 0, 0}),
                                 flow_writer::MakeArrange(FCT_STATUS, 1, PLO_ASSIGN, VS_COMMON, 1), gain}));
    stage.m_Charas.push_back(MovingPlatform(20, 10));
    stage.m_Items.push_back(Goal(28, 13));
    return stage;
}

cEdStage Challenge2() {
    cEdStage stage = Field(60, 15, 2);
    stage.m_nScrollModeH = 1; // automatic
    stage.m_nAutoScrollSpeedH = 10;
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = 90;
    stage.m_Backgrounds.push_back(Layer(kSkyPicture, 0.2));
    for (int x = 12; x < 56; x += 11)
        Row(stage, x, x + 2, 10, BLOCK_BRICK);
    // Bats that keep on the screen, shooters that shoot straight, and a block character to stand on.
    for (int x = 15; x < 56; x += 13) {
        cEdCharaDef bat = Enemy(x, 4, CHARA_BAT, 1, 60);
        bat.m_nMoveType = 1;
        bat.m_Flows.push_back(Flow(FTK_ALWAYS, {Move(FCT_AVOID_OFFSCREEN_MOVE, 0, 10, 20)}));
        bat.m_Flows.push_back(Flow(FTK_HIT_BLOCK_CHARA, {WithParams(MakeCommand(FCT_TURN), {5})}));
        stage.m_Charas.push_back(bat);
    }
    cEdCharaDef shooter = Enemy(40, 13, CHARA_SLIME, 3, 150);
    shooter.m_Flows.push_back(Flow(FTK_ALWAYS, {Shot(2, 1, 30, 0, 1, 30), Timed(MakeCommand(FCT_WAIT), 25)}));
    shooter.m_Flows.push_back(Flow(FTK_BLOCK_LEFT, {WithParams(MakeCommand(FCT_TURN), {1})}));
    shooter.m_Flows.push_back(Flow(FTK_BLOCK_RIGHT, {WithParams(MakeCommand(FCT_TURN), {0})}));
    stage.m_Charas.push_back(shooter);
    for (int x = 10; x < 58; x += 5)
        stage.m_Items.push_back(Coin(x, 13));
    stage.m_Items.push_back(Goal(58, 13));
    return stage;
}

cEdStage Gallery() {
    cEdStage stage = Field(20, 15, 2);
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = 3;
    cEdCharaDef& hero = stage.m_Charas.back();
    const cEdFlowCmd picture =
        WithParams(MakeCommand(FCT_SHOW_PICTURE), {1, 0, 10, 6, 0, 0, 0, 100, 1, 0}); // until the end
    cEdFlow paint = KeyFlow(SLOT_BUTTON3 + 1, true, {picture, Code("my.v1 = my.v1 + 1")});
    paint.m_Conds.push_back(flow_writer::MakeVariableCondition(CK_CHARA_VAR, 1, 5, 100)); // v1 < 100
    hero.m_Flows.push_back(paint);
    cEdFlow done = Flow(FTK_ALWAYS, {WithParams(MakeCommand(FCT_STAGE_CLEAR), {3})});
    done.m_Conds.push_back(flow_writer::MakeVariableCondition(CK_CHARA_VAR, 1, 2, 100)); // v1 >= 100
    hero.m_Flows.push_back(done);
    return stage;
}

std::vector<StageFile> StageFiles() {
    return {{"demo", Meadow()},
            {"cave", Cave()},
            {"castle", Castle()},
            {"c01-1", Challenge1()},
            {"c02-1", Challenge2()}};
}

bool WriteStages(const std::string& folder) {
    for (const StageFile& file : StageFiles())
        if (!stage_writer::WriteStageFile(folder, file.base, 0, file.stage)) return false;
    if (!stage_writer::WriteStageFile(folder, "gallery", 0, Gallery())) return false;
    const bmp_writer::Palette palette = bmp_writer::DemoPalette();
    const struct {
        const char* file;
        bmp_writer::Picture picture;
    } pictures[] = {
        {kSkyPicture, Sky()},          {kHillsPicture, Hills()},        {kCavePicture, CaveWall()},
        {kSignPicture, SignPicture()}, {kSwordPicture, SwordPicture()}, {kSparkPicture, SparkPicture()}};
    for (const auto& [file, drawn] : pictures) {
        bmp_writer::Picture picture = drawn;
        demo_pictures::ToFileIndexes(picture);
        std::string relative = file;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const std::filesystem::path path = std::filesystem::path(folder) / relative;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (!bmp_writer::WriteBmp8(path.string(), picture, palette)) return false;
    }
    return true;
}

} // namespace demo_game
