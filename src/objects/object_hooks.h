// Calls from the game objects into stage play, which is built on top of them: item taking, block
// conditions and the stage's ending. Each is a plain function pointer with a default that does the
// least harm; stage play installs the real ones.
#pragma once

class cChara;
class cGameObject;
class cStageChara;
struct cBlock;

struct ObjectHooks {
    // Hero 1 takes the item a defeated character carried; 1 when that ends the stage.
    int (*TakeItem)(cChara& taker, cGameObject& item) = nullptr;
    // Whether a block's condition list holds now. Default: every list holds.
    bool (*BlockConditionsHold)(const cBlock& block) = nullptr;
    // Whether the play scene is ending the stage, so that a defeat stops at once.
    bool (*StageEnding)() = nullptr;
    // The first stage character of g_Charas whose id is `id` (null: none), looked up in a table
    // instead of walking the list; sets `known` false when no table is kept now. Default: none kept.
    cStageChara* (*FindStageChara)(int id, bool& known) = nullptr;
};

extern ObjectHooks g_ObjectHooks;
