#include "menus/menu_scenes.h"

#include "app/game_loop.h"
#include "menus/title_scene.h"

cPlaceholderMenuScene::cPlaceholderMenuScene(int index) : m_nIndex(index) {
    m_Handlers = {[this] { m_nState = 1; }, [] {}};
}

cScene* CreateMenuScene(int index) {
    if (index == SCENE_TITLE) return new cTitleScene;
    return new cPlaceholderMenuScene(index);
}
