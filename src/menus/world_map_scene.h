// The world map of the story mode: a marker walks over the map's cells while the map scrolls
// under it; the active page of an event on a cell (chosen by switch, variable and total-score
// conditions) names a stage, which is started from a small menu or at once on entry. Cancel leads
// to the save menu, a stage to play, after which play returns here.
#pragma once

#include "menus/menu_frame.h"
#include "project/world_map.h"

class cSaveData;

// The active page of an event: the first whose conditions hold in `save`, or null.
cWorldMapNodeEntry* SelectEventPage(cWorldMapNode* event, const cSaveData& save);
// Moves the shown ranking genre over the genres enabled for the game mode: forward or back `step`
// times (wrapping), and step 0 moves a disabled genre forward to the next enabled one. Nothing when
// none is enabled.
void StepGenre(cSaveData& save, int gameMode, int step);

class cWorldMapScene : public cMenuScene {
  public:
    enum State { FADE_IN = 0, MAP = 1, STAGE_START = 2, LEAVE = 3 };
    enum Facing { FACE_DOWN = 0, FACE_UP = 1, FACE_LEFT = 2, FACE_RIGHT = 3 };

    cWorldMapScene();
    ~cWorldMapScene() override;
    void Init() override;
    void FadeIn() override;
    void Leave() override;
    void Map();
    void StageStart();

    // The map surface: back colour, background picture, cells and events around the view origin.
    void DrawMapSurface();
    // The whole screen on the back buffer; `info` adds the stage information.
    void DrawScreen(bool info);

    cWorldMapNode* m_lpEvent = nullptr;
    cWorldMapNodeEntry* m_lpPage = nullptr;
    int m_nFacing = FACE_DOWN;
    int m_nOriginX = 0, m_nOriginY = 0;
    MenuCursorPos m_PrevCursor;
    int m_nStageCol = -1, m_nStageRow = -1;
    std::int32_t m_nBestScore = 0;
    int m_nMarkerFrame = 0;
    int m_bStageLoaded = 0;
    std::uint16_t m_wPrevButtons = 0;
    DDSurfaceVec m_Surfaces;
    DDSurfaceDefVec m_SurfaceDefs;

  private:
    DDSURFACEDATA* RankingSurface();
    void DrawRankingSurface();
    void SelectEvent();
    void SelectStage();
    void StartMapStage();
    void MoveMarker(std::uint16_t keys);
    void SetView();
    bool PageCleared() const;
    bool PageStartsOnEntry() const;
    bool StagePage() const { return m_lpPage && m_lpPage->nKind == 0; }
    void EnterStageStart();
    void BackToMap();
    // The third button shows or hides the ranking, the fourth steps its genre (on their press).
    void RankingButtons();
};
