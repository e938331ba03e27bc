// Registration of a cleared stage's qualifying result values: the name (asked in the name dialog
// through the window thread, or the options' fixed name), the new entries in the tables of the
// genres that took a place, the ranking file, and the ranking view.
#pragma once

class cGameScene;

// Once per clear (the scene's registration flag); nothing when rankings are off for this play or no
// value qualified. A shut-down while the name is asked ends the registration without entries.
void RegisterRanking(cGameScene& scene);

// Connects the stage clear with the ranking store (the places of the result values and the
// registration). Done at the start of stage play; also safe to call again.
bool InstallRankingHooks();
