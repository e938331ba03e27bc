// Screen effects: a transformation of the whole finished play picture for a while (move, shake,
// split, wave, blink, rotate, circle, zoom, lens, mosaic), one at a time.
#pragma once

#include <cstdint>

class cGameScene;
struct cScreenEffect;

struct cScreenEffectState {
    int nEffect = 0; // 0 none
    int nKind = 0;
    int nMode = 0; // 0 forward, 1 reverse, 2 there and back
    int bLoop = 0;
    int bReverse = 0;
    int nPass = 0;
    int nParam[5] = {}; // duration (tenths), start, end, p1, p2
    double dValue = 0, dStep = 0;
    int bTimed = 0;
    int nFrames = 0;   // frames played of a timed run
    int nDuration = 0; // frames of a timed run
    // Kind work: shake direction, wave phase, blink counter and visibility.
    int nDir = 1;
    int nPhase = 0;
    int nBlink = 0;
    int bVisible = 1;

    void Start(int n, int mode, int loop);
    void Load(const cScreenEffect& entry);
    void SwitchList();
    // One frame; 1 when the effect has ended.
    int Step();
};
extern cScreenEffectState g_ScreenEffect;

// Starts screen effect n on the play scene and marks whether the scene's frames need the finished
// picture for it (the scene's virtual-back-buffer mark, which the frame drawing follows); the effect
// then running, 0 none.
int StartScreenEffect(cGameScene& scene, int n, int mode, int loop);
// Runs the current screen effect over the finished picture; when it ends, or none runs, the effect
// number becomes 0, the scene's mark is cleared and the Direct3D virtual back buffer is switched off.
void RunScreenEffect(cGameScene& scene, int paused);
// Whether the current effect draws from the finished picture.
bool ScreenEffectRunning();
