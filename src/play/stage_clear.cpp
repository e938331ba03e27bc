#include "play/stage_clear.h"

#include "app/log.h"
#include "app/paths.h"
#include "app/play_bounds.h"
#include "app/play_se.h"
#include "app/scene.h"
#include "app/startup_state.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/message_window.h"
#include "play/pause_loop.h"
#include "play/replay.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>

StageClearHooks g_StageClearHooks;
int g_nWorldMapAfterClear = 0;

namespace {

constexpr int MAX_LIVES = 99;
constexpr int PLAY_MODE_REPLAY = 4;
constexpr int SOUND_STAGE_END = 14;
constexpr int SOUND_EXTRA_LIFE = 15;
constexpr int NOTICE_FRAMES = 30;
const char* const STAGE_EXT = "stg4";

// A 64-bit sum kept as the 32-bit value it wraps to.
std::int32_t Wrap32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

std::int32_t FindRankPlace(int genre, std::int32_t value) {
    return g_StageClearHooks.FindRankPlace ? g_StageClearHooks.FindRankPlace(genre, value) : -1;
}

bool LoadFollowUp(const std::string& fileName) {
    if (g_StageClearHooks.LoadFollowUpStage) return g_StageClearHooks.LoadFollowUpStage(fileName);
    return LoadStageForPlay(fileName, 0, &g_StageOriginal) != 0;
}

// The extra-life notice: the life icon rising above player 1's hero, held for 30 frames by the
// pause loop and taken away after it.
void ShowExtraLifeNotice(cGameScene& scene) {
    cMessage& notice = scene.m_Messages.emplace_back();
    const int heroId = g_Heroes.empty() ? 0 : g_Heroes[0].m_nId;
    notice.Set(3, nullptr, 0, 0, 0, 4, 0, 0, 0, 0, 1, 1, 2, MESSAGE_NOTICE_FRAMES, 1, heroId, 1, 0, 0, 0, 0,
               0, 0, 0);
    const cMessage* shown = &notice;
    SetPauseWait(scene, 0, 0, NOTICE_FRAMES, 0);
    RunPauseLoop(scene);
    // The frame drawing may have dropped it already when its frames ran out.
    for (auto it = scene.m_Messages.begin(); it != scene.m_Messages.end(); ++it)
        if (&*it == shown) {
            scene.m_Messages.erase(it);
            break;
        }
}

// The genre is ranked in this game mode and the stage shows its result value.
bool GenreRanked(int genre) {
    if (g_nGameMode < 0 || g_nGameMode >= g_SystemData.m_vRankingModes.Count()) return false;
    const cRankingMode& mode = g_SystemData.m_vRankingModes.at(g_nGameMode);
    if (genre >= mode.m_vbGenres.Count() || mode.m_vbGenres.at(genre) == 0) return false;
    const std::vector<std::int32_t>& items = g_Stage.m_ResultItems;
    return genre < static_cast<int>(items.size()) && items[static_cast<std::size_t>(genre)] != 0;
}

bool RankingsOn() {
    return g_nGameMode >= 0 && g_nGameMode < g_SystemData.m_vRankingModes.Count() &&
           g_SystemData.m_vRankingModes.at(g_nGameMode).m_nEnabled != 0;
}

bool NewestStageFile(std::string& out, const std::string& name) {
    std::string found;
    if (!FindLatestNumberedFileStr(found, name, STAGE_EXT)) return false;
    out = found;
    return true;
}

// The next stage of the series, loaded for play; true when play goes on with it.
bool StartFollowUp(cGameScene& scene) {
    if (!g_SaveData.m_bNumberedStage || g_ClearNext.nIndex == 0) return false;
    std::string name;
    if (!MakeStageFileName(scene, name, g_ClearNext.nIndex) || !LoadFollowUp(name)) return false;
    g_SaveData.m_nStagePart = g_ClearNext.nIndex;
    g_ClearNext.bFollowUpLoaded = 1;
    g_Replay.ResetRecordVectors();
    g_ReplayPrev.ResetRecordVectors();
    return true;
}

void StoreCarryOver() {
    for (std::size_t p = 0; p < g_Heroes.size(); ++p) {
        const cHero& hero = g_Heroes[p];
        g_SaveData.StoreCarryOver(static_cast<int>(p), hero.m_Def, hero.m_nHP, hero.m_nSP,
                                  static_cast<std::uint16_t>(hero.m_nCharaEffect),
                                  hero.m_Def.m_nCharaEffect1Mode, hero.m_Def.m_nCharaEffect1Loop,
                                  g_lpGameScene ? g_lpGameScene->m_nTimeLimit : 0, g_SaveData.m_nLives,
                                  g_Stage.m_nBgm);
    }
}

} // namespace

void TallyStageClear(cGameScene& scene) {
    cSaveData& s = g_SaveData;
    const std::int64_t oldScore = s.m_nTotalScore;
    s.m_nTotalScore = Wrap32(oldScore + g_nScore);
    if (!scene.m_bTimeStopped)
        s.m_nTotalRemainTime = Wrap32(std::int64_t{s.m_nTotalRemainTime} + scene.m_nTimeLimit);
    s.m_nTotalClearTime = Wrap32(std::int64_t{s.m_nTotalClearTime} + scene.m_nElapsedCs);
    if (!g_Heroes.empty()) {
        s.m_nTotalHP = Wrap32(std::int64_t{s.m_nTotalHP} + g_Heroes[0].m_nHP);
        s.m_nTotalSP = Wrap32(std::int64_t{s.m_nTotalSP} + g_Heroes[0].m_nSP);
    }
    const std::int64_t perLife = g_SystemData.m_nExtraLifeScore;
    if (s.m_nLives == UNLIMITED_LIVES || !g_SystemData.m_nExtraLife || perLife == 0) return;
    const std::int64_t crossed = std::int64_t{s.m_nTotalScore} / perLife - oldScore / perLife;
    // Every threshold gives a life (lives stop at 99), the sound and the notice, also at 99 lives.
    for (std::int64_t i = 0; i < crossed; ++i) {
        if (s.m_nLives < MAX_LIVES) ++s.m_nLives;
        // A score far past the thresholds would hold the game for hours of notices: past the
        // bound, the lives of the thresholds left are given without them.
        if (!PlayBoundRoom(PlayBound::LifeNotices, static_cast<std::size_t>(i))) {
            const std::int64_t rest = crossed - i - 1;
            if (s.m_nLives < MAX_LIVES)
                s.m_nLives = static_cast<std::int32_t>(std::min<std::int64_t>(s.m_nLives + rest, MAX_LIVES));
            break;
        }
        PlaySe(SOUND_EXTRA_LIFE);
        ShowExtraLifeNotice(scene);
        if (scene.m_bClosing) break;
    }
}

void StageEnd(cGameScene& scene) {
    PlaySe(SOUND_STAGE_END);
    TallyStageClear(scene);
    scene.m_bRegistered = 0;
    scene.m_bRankQualified = 0;
    std::fill(std::begin(scene.m_RankPlaces), std::end(scene.m_RankPlaces), -1);
    if (!g_bStartFile && (!g_bRanking || !IsLastStage(scene, g_ClearNext.nIndex))) return;
    const cSaveData& s = g_SaveData;
    scene.m_RankValues = {s.m_nTotalScore, s.m_nTotalRemainTime, s.m_nTotalClearTime, s.m_nTotalHP,
                          s.m_nTotalSP};
    // Replays keep no rankings, whatever the project says of their game mode.
    if (!RankingsOn() || g_nPlayMode == PLAY_MODE_REPLAY) return;
    for (int g = 0; g < RESULT_ITEMS; ++g) {
        if (!GenreRanked(g)) continue;
        scene.m_RankPlaces[g] = FindRankPlace(g, scene.m_RankValues[static_cast<std::size_t>(g)]);
        if (scene.m_RankPlaces[g] != -1) scene.m_bRankQualified = 1;
    }
}

int MakeStageFileName(cGameScene&, std::string& out, int index) {
    out.clear();
    if (!g_SaveData.m_bNumberedStage || g_ClearNext.nIndex == 0) return 0;
    const bool named = g_ClearNext.bUseName != 0;
    std::string base = named ? g_ClearNext.strName : g_SaveData.m_strStageName;
    if (!base.empty()) base.pop_back();
    const std::string suffix = std::string(".") + STAGE_EXT;
    const std::string name = named ? base + suffix : base + "-" + std::to_string(index) + suffix;
    if (NewestStageFile(out, name)) return 1;
    out.clear();
    return 0;
}

int IsLastStage(cGameScene& scene, int index) {
    std::string name;
    return MakeStageFileName(scene, name, index) ? 0 : 1;
}

void RegisterStageRanking(cGameScene& scene) {
    if (g_StageClearHooks.RegisterRanking) g_StageClearHooks.RegisterRanking(scene);
}

int NextSceneAfterClear(cGameScene& scene) {
    cSaveData& s = g_SaveData;
    if (g_Stage.m_nHandOver) StoreCarryOver();
    switch (g_nPlayMode) {
    case 0:
    case 1: {
        if (StartFollowUp(scene)) return SCENE_PLAY;
        if (s.m_nStageNo >= 0 && s.m_nStageNo < static_cast<int>(s.m_vnStageFlags.size()))
            s.m_vnStageFlags[static_cast<std::size_t>(s.m_nStageNo)] = 1;
        s.RecordStageValue(s.m_strStageName, s.m_nTotalScore);
        if (g_nWorldMapAfterClear == 1) {
            s.AdvanceStage();
            return SCENE_WORLDMAP;
        }
        if (g_nWorldMapAfterClear == 2) {
            if (g_StageClearHooks.PlaceTitleCursor) g_StageClearHooks.PlaceTitleCursor(g_nPlayMode);
            return SCENE_TITLE;
        }
        return SCENE_WORLDMAP;
    }
    case 2: {
        if (StartFollowUp(scene)) return SCENE_PLAY;
        const int index = s.m_nStageNo;
        if (index >= 1 && index <= s.m_ChallengeStages.Count()) {
            cEdStageTableC& entry = s.m_ChallengeStages.at(index - 1);
            entry.w1 = 1;
            if (s.m_nTotalScore > entry.w2) {
                s.m_nValueTotal = Wrap32(std::int64_t{s.m_nValueTotal} + s.m_nTotalScore - entry.w2);
                entry.w2 = s.m_nTotalScore;
            }
        } else {
            Report("Challenge stage %d has no entry in the progress", index);
        }
        if (s.m_nChallengeOpened <= index)
            s.m_nChallengeOpened = std::min(index + 1, g_SystemData.m_nChallengeStages);
        if (!s.SaveFile(g_PathTable[PATH_CHALLENGE_DAT]))
            ErrorBox("%s の書き込みに失敗！", g_PathTable[PATH_CHALLENGE_DAT].c_str());
        return SCENE_CHALLENGE;
    }
    case 3:
        if (!s.m_bNumberedStage || g_bStartFile) return SCENE_PLAY;
        if (StartFollowUp(scene)) return SCENE_PLAY;
        return SCENE_TITLE;
    case 4:
        s.RestoreStageStart(false);
        return SCENE_PLAY;
    default:
        return SCENE_CHALLENGE;
    }
}
