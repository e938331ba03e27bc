// Where the game's picture lands in the main window's client area: the presenter draws it there, and
// the dialogs drawn in the picture read the mouse back through the same placement.
#pragma once

namespace win {

enum class PictureFit {
    WholeNumber, // the largest whole-number scale that fits (at least 1), centred: a window of fixed size
    Fill,        // stretched over the whole area: a window the user may size, as a windowed back buffer is
    Letterbox,   // the largest scale that keeps the picture's shape, centred: full screen
};

struct PicturePlace {
    int x = 0, y = 0, w = 0, h = 0;
};

// The place of a picW x picH picture in an areaW x areaH client area.
PicturePlace PlacePicture(PictureFit fit, int picW, int picH, int areaW, int areaH);
// How the SDL window `sdlWindow` shows the picture now: full screen letter-boxed, a window with a
// resizable frame filled, any other window at a whole-number scale.
PictureFit FitOfWindow(void* sdlWindow);
// The picture's pixel under an area point (rounded towards minus infinity: a point left of or above
// the picture is negative), and the first area point that shows a picture pixel.
void AreaToPicture(const PicturePlace& place, int picW, int picH, int areaX, int areaY, int& x, int& y);
void PictureToArea(const PicturePlace& place, int picW, int picH, int x, int y, int& areaX, int& areaY);
// The area pixels that show the picture's rectangle x, y, w, h (its edges mapped as PictureToArea maps
// points).
PicturePlace PictureRectToArea(const PicturePlace& place, int picW, int picH, int x, int y, int w, int h);

} // namespace win
