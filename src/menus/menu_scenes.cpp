#include "menus/menu_scenes.h"

#include "app/game_loop.h"
#include "menus/challenge_scene.h"
#include "menus/option_scene.h"
#include "menus/save_scene.h"
#include "menus/title_scene.h"
#include "menus/world_map_scene.h"

cScene* CreateMenuScene(int index) {
    if (index == SCENE_TITLE) return new cTitleScene;
    if (index == SCENE_OPTION) return new cOptionScene;
    if (index == SCENE_SAVE) return new cSaveScene;
    if (index == SCENE_CHALLENGE) return new cChallengeScene;
    if (index == SCENE_WORLDMAP) return new cWorldMapScene;
    return nullptr;
}
