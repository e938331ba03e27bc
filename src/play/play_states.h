// The play scene: one play of a stage from the fade-in to the fade-out. Its states: 0 fade-in,
// 1 start banner, 2 play, 3 pause menu, 4 result screen, 5 continue menu, 6 game over, 7 leave;
// -1 until the scene has been set up (a follow-up stage enters the scene again and sets it up anew);
// -2 (GAMESTATE_SET_UP_FAILED) after a set-up that could not load its pictures or found no memory
// (the scene waits for the close it asked for).
#pragma once

#include "objects/game_scene.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int GAMESTATE_FADEIN = 0;
constexpr int GAMESTATE_CONTINUE = 5;
constexpr int GAMESTATE_GAMEOVER = 6;
constexpr int GAMESTATE_LEAVE = 7;

// Frames a start banner is counted; play begins on the frame after the last.
constexpr int START_BANNER_FRAMES = 80;
// The result screen's counter: it grows by 4 a frame; confirm is taken from 200 on.
constexpr int RESULT_COUNT_DONE = 200;

// The system surfaces of the play scene: every entry but the palette picture and the title and
// world-map pictures (65), and the eight picture slots a follow-up stage reloads.
constexpr int PLAY_SURFACE_COUNT = 65;
const int* PlaySceneSurfaces();

// What the play scene calls that lives above stage play (the menus) or that a test replaces. Each
// default does the least harm.
struct PlaySceneHooks {
    // Loads system surfaces of the list. Default: the drawing library.
    bool (*LoadSurfaces)(const int* list, int count) = nullptr;
    // Releases the system surfaces of the list when the scene ends. Default: the drawing library.
    void (*ReleaseSurfaces)(const int* list, int count) = nullptr;
    // Builds the block tiles and the stage's own pictures, swords and effects. Default: the stage
    // drawing.
    void (*BuildStagePictures)() = nullptr;
    // Loads the ranking tables of the game mode for a stage. Default: none are loaded.
    void (*LoadRankings)(int gameMode, const std::string& stageName) = nullptr;
    // Draws the stage-result window. Default: not drawn.
    void (*DrawStageResult)(int x, int y, const std::int32_t places[5],
                            const std::vector<std::int32_t>& values) = nullptr;
    // Loads the start file again on leaving free play. Default: LoadPlayFile.
    bool (*ReloadPlayFile)(const std::string& path) = nullptr;
};
extern PlaySceneHooks g_PlaySceneHooks;

class cPlayScene : public cGameScene {
  public:
    cPlayScene();
    ~cPlayScene() override;

    void Run() override;
    void Init() override;
    void FadeIn() override;
    void Leave() override;

    void StageStart();
    void Play();
    void PauseMenu();
    void ResultScreen();
    void ContinueMenu();
    void GameOver();

    // The play-start reset of a first entry.
    void ResetPlay();
    // The row of the pause or continue menu's cursor.
    int MenuRow() const { return m_nMenuRow; }

  private:
    // Confirm and cancel pressed this frame (not held from the frame before).
    bool Confirmed() const;
    bool Cancelled() const;
    // Key repeat, then the cursor over `rows` rows of 16 pixels from (x, y) with wrap-around.
    void MoveCursor(int x, int y, int rows);
    void DrawFrameNow(int caption);
    void DrawMenu(int record, int firstText, int count);
    // Back to the title (or the world map) with the title menu's cursor on the play mode.
    void LeaveTo(int scene);

    std::uint16_t m_wPressed = 0;
    std::uint16_t m_wLastButtons = 0;
    int m_nMenuRow = 0;
    int m_nCursorX = 0;
    int m_nCursorY = 0;
    bool m_bPicturesLoaded = false;
};

// Whether the pause menu offers the retry in the current game mode.
bool PauseRetryAllowed();
