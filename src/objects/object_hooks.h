// Calls from the game objects into parts of stage play that are built on top of them: effect
// objects, character effects, item taking, block conditions and the dying flows. Each is a plain
// function pointer with a default that does the least harm; stage play installs the real ones.
#pragma once

class cChara;
class cGameObject;
struct cBlock;

struct ObjectHooks {
    // Starts effect `effect` between the struck character and its attacker, with the attacker's
    // giant factor. Default: no effect object.
    void (*StartHitEffect)(int effect, cChara& struck, cGameObject& attacker, int scale) = nullptr;
    // Starts character effect `effect` (run mode `mode`, no repeat) on the character. Default: none.
    void (*StartCharaEffect)(cChara& chara, int effect, int mode) = nullptr;
    // Hero 1 takes the item a defeated character carried; 1 when that ends the stage.
    int (*TakeItem)(cChara& taker, cGameObject& item) = nullptr;
    // Whether a block's condition list holds now. Default: every list holds.
    bool (*BlockConditionsHold)(const cBlock& block) = nullptr;
    // Whether the play scene is ending the stage, so that a defeat stops at once.
    bool (*StageEnding)() = nullptr;
};

extern ObjectHooks g_ObjectHooks;
