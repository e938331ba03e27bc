#include "platform/picture_fit.h"

#include <gtest/gtest.h>

namespace {

using win::PictureFit;

TEST(PictureFit, PlacesThePictureByFit) {
    struct Case {
        PictureFit fit;
        int areaW, areaH;
        int x, y, w, h;
    } const cases[] = {
        {PictureFit::WholeNumber, 640, 480, 0, 0, 640, 480},
        {PictureFit::WholeNumber, 1920, 1080, 320, 60, 1280, 960},
        {PictureFit::WholeNumber, 600, 400, -20, -40, 640, 480}, // never below 1
        {PictureFit::Fill, 1000, 500, 0, 0, 1000, 500},
        {PictureFit::Fill, 300, 700, 0, 0, 300, 700},
        {PictureFit::Letterbox, 1280, 1024, 0, 32, 1280, 960},
        {PictureFit::Letterbox, 1920, 1080, 240, 0, 1440, 1080}, // wide: bars left and right
        {PictureFit::Letterbox, 1000, 900, 0, 75, 1000, 750},    // tall: bars above and below
        {PictureFit::Letterbox, 320, 240, 0, 0, 320, 240},       // smaller than the picture
        {PictureFit::Letterbox, 0, 480, 0, 0, 0, 0},             // no area: nothing
    };
    for (const Case& c : cases) {
        const win::PicturePlace p = win::PlacePicture(c.fit, 640, 480, c.areaW, c.areaH);
        EXPECT_EQ(p.x, c.x) << c.areaW << "x" << c.areaH;
        EXPECT_EQ(p.y, c.y) << c.areaW << "x" << c.areaH;
        EXPECT_EQ(p.w, c.w) << c.areaW << "x" << c.areaH;
        EXPECT_EQ(p.h, c.h) << c.areaW << "x" << c.areaH;
    }
}

// A text field's rectangle in the picture lands where the window shows it: the input method's window
// is put there, in the window's own pixels.
TEST(PictureFit, ARectangleOfThePictureLandsWhereTheWindowShowsIt) {
    struct Case {
        const char* name;
        PictureFit fit;
        int areaW, areaH;
        int x, y, w, h; // the field 100, 200, 50 x 20 of the picture, in the area
    } const cases[] = {
        {"a window of the picture's size", PictureFit::WholeNumber, 640, 480, 100, 200, 50, 20},
        {"a window twice the size", PictureFit::WholeNumber, 1280, 960, 200, 400, 100, 40},
        {"full screen, 2.25 a pixel, bars left and right", PictureFit::Letterbox, 1920, 1080, 465, 450, 113,
         45},
        {"a resized window, stretched", PictureFit::Fill, 800, 600, 125, 250, 63, 25},
    };
    for (const Case& c : cases) {
        const win::PicturePlace place = win::PlacePicture(c.fit, 640, 480, c.areaW, c.areaH);
        const win::PicturePlace r = win::PictureRectToArea(place, 640, 480, 100, 200, 50, 20);
        EXPECT_EQ(r.x, c.x) << c.name;
        EXPECT_EQ(r.y, c.y) << c.name;
        EXPECT_EQ(r.w, c.w) << c.name;
        EXPECT_EQ(r.h, c.h) << c.name;
    }
}

TEST(PictureFit, AreaPointsMapToPicturePixelsAndBack) {
    // 640 x 480 letter-boxed in 1000 x 900: 1.5625 area pixels a picture pixel, from (0, 75).
    const win::PicturePlace p = win::PlacePicture(PictureFit::Letterbox, 640, 480, 1000, 900);
    int x = 0, y = 0;
    win::AreaToPicture(p, 640, 480, 0, 75, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    win::AreaToPicture(p, 640, 480, 999, 824, x, y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    // Above the picture, in the bar: negative, not row 0.
    win::AreaToPicture(p, 640, 480, 1, 74, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, -1);
    // The first area point showing each picture pixel maps back to that pixel.
    // Also stretched unevenly over a window of any size.
    const win::PicturePlace stretched = win::PlacePicture(PictureFit::Fill, 640, 480, 917, 733);
    for (const win::PicturePlace& place : {p, stretched})
        for (int px = 0; px < 640; px += 37)
            for (int py = 0; py < 480; py += 29) {
                int ax = 0, ay = 0;
                win::PictureToArea(place, 640, 480, px, py, ax, ay);
                win::AreaToPicture(place, 640, 480, ax, ay, x, y);
                EXPECT_EQ(x, px);
                EXPECT_EQ(y, py);
            }
    win::AreaToPicture(stretched, 640, 480, 916, 732, x, y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
}

TEST(PictureFit, AWindowWithoutFlagsIsShownAtAWholeNumberScale) {
    EXPECT_EQ(win::FitOfWindow(nullptr), PictureFit::WholeNumber);
}

} // namespace
