// The challenge menu: the project's challenge stages, numbered from 1, of which the challenge
// progress says how many are open (or all, by a project switch), with their cleared marks, best
// scores and, on request, the selected stage's ranking. Confirm starts a stage, cancel returns to
// the title; play returns here.
#pragma once

#include "menus/menu_frame.h"

#include <string>

// The stage file of challenge stage n (from 1), without its revision: "data\stg4\c01-1.stg4".
std::string ChallengeStageFile(int n);

class cChallengeScene : public cScreenMenuScene {
  public:
    enum State { FADE_IN = 0, MENU = 1, LEAVE = 2 };

    cChallengeScene();
    ~cChallengeScene() override;
    void Init() override;
    void FadeIn() override;
    void Leave() override;
    void Menu();
    // Rows: the open stages; shown rows: at most ten from the first shown row.
    void CountRows();
    void DrawScreen(DDSURFACEDATA* surface) override;

    int m_nFirstRow = 0;
    int m_nRows = 0;
    int m_nShownRows = 0;
    std::uint16_t m_wPrevButtons = 0;

    // Kept between visits: the last chosen row and the first row shown then.
    static int s_nLastRow;
    static int s_nLastFirstRow;
};

// The current stage name := challenge stage n's file; its ranking is loaded when rankings are kept.
void SelectChallengeStage(int n);
