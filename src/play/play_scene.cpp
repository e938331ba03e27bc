#include "play/play_scene.h"

#include "play/play_states.h"
#include "app/scene.h"

cScene* CreatePlayScene() {
    return new cPlayScene;
}
