// The ranking view shown after a registration: a frame loop on thRanking that shows the frozen
// stage with one ranking table over it, until confirm. The fourth button moves to the game mode's
// next enabled genre. The game thread waits for the loop meanwhile.
#pragma once

#include "menus/menu_scenes.h"

class cGameScene;

// The first genre the game mode enables, -1 when rankings are off in that mode or no genre is on.
int FirstEnabledGenre(int gameMode);
// The next enabled genre after `genre`, wrapping after genre 4; `genre` itself when it is the only one.
int NextEnabledGenre(int gameMode, int genre);

// Starts thRanking with RankingViewLoop on the scene and waits until it has ended. A game mode
// without an enabled genre has no table to show: nothing is started and false is returned.
bool RunRankingView(cGameScene& scene);
