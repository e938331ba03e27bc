// Effect objects (an animation of the project's effect list played where two objects hit each
// other) and shown pictures (a picture put on the screen by the picture command).
//
// The records here are plain values, held in the lists of the play scene's record.
#pragma once

#include "draw/draw.h"
#include "objects/anim_seq.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

class cChara;
class cGameObject;

// One running effect object, placed in stage pixels.
class cEffectObj {
  public:
    // Effect `n` on the overlap of the attacker's and the victim's rectangles (left, top, right,
    // bottom), `scale` being the attacker's giant factor. Jitter is drawn from the play generator.
    cEffectObj(int n, const double attacker[4], const double victim[4], int scale);
    // Effect `n` with its cell centred on stage pixel (x, y), at the giant factor `scale`; no jitter.
    cEffectObj(int n, double x, double y, int scale);
    cEffectObj(const cEffectObj&) = default;
    cEffectObj& operator=(const cEffectObj&) = default;

    // Effect n's cell size, times the giant factor (kept to 1..MAX_GIANT_SCALE, returned) when the
    // effect scales.
    int SetSize(int n, int scale);
    // (Re)starts the animation of effect n from its definition.
    void SetAnimation(int n);

    std::uint16_t m_nEffect = 0;
    double m_dX = 0, m_dY = 0;
    int m_nWidth = 0, m_nHeight = 0;
    std::int16_t m_bScaled = 0;
    int m_bHeld = 0; // a held effect does not advance
    cAnimSeq m_Anim;
    std::list<std::string> m_Texts;
};

// The place of an effect of w x h on the overlap of two rectangles (left, top, right, bottom); an
// empty rectangle at the origin when they do not overlap.
void EffectPlace(const double a[4], const double b[4], int w, int h, double& x, double& y);
// Draws one frame; 1 when the effect has ended.
int DrawEffectObj(cEffectObj& e, DDSURFACEDATA* surface, int advance);
// Starts effect `effect` between a struck character and its attacker (a character or a shot).
void StartHitEffect(int effect, cChara& struck, cGameObject& attacker, int scale);
// Starts effect `effect` with its cell centred on stage pixel (x, y), at `scale` percent.
void StartEffectAt(int effect, double x, double y, int scale);
// Whether the caller runs on the game thread (or no game thread runs: tests, start-up).
bool OnGameThread();

// One picture shown by the picture command.
class cPictureLayer {
  public:
    // One frame; 1 when the picture's time is over.
    int Draw(DDSURFACEDATA* surface, DDSURFACEDATA* picture, int paused);

    std::int16_t m_nId = 0;
    double m_dX = 0, m_dY = 0;
    int m_nDisplayMode = 0; // 0 until cleared, 2 for a time
    int m_nFrames = 0;
    int m_bCountWhilePaused = 0;
    int m_bFixed = 0;
    int m_nScreenX = 0, m_nScreenY = 0;
    int m_bStretch = 0;
    int m_nWidth = 0, m_nHeight = 0;
    std::uint8_t m_nLayer = 0; // 0 behind the blocks, 1 in front
    int m_nSlot = 0;
    DDSURFACEDATA* m_lpSurface = nullptr; // its entry in g_PictureSurfaces
};

// The shown pictures, and the surfaces of their picture files beside those files' creation records
// (one surface per file, shared by every shown picture of that file).
extern DDSurfaceList g_PictureSurfaces;
extern DDSurfaceDefList g_PictureDefs;
extern std::list<cPictureLayer> g_ShownPictures;

// Shows a picture file, loading it unless a shown picture already holds it; the new entry, or null
// when the file could not be loaded, or when its surface does not fit beside those of the pictures
// shown (PlayBound::PictureBytes: then `cut`, when given, is set and the picture is not shown).
cPictureLayer* ShowPicture(const char* file, const cPictureLayer& values, bool* cut = nullptr);
// The bytes a loaded picture surface holds, four a pixel.
std::size_t PictureBytes(const DDSURFACEDATA& surface);
// The pictures of one layer; those whose time is over leave, and a surface no shown picture holds
// any more is released.
void DrawShownPictures(DDSURFACEDATA* surface, int layer, int paused);
// Releases every shown picture and its surface (stage set-up).
void ClearShownPictures();
