// pomfy-preview's film: frame timing on a running clock, the strip of
// desktop it shows, and GIFs that decode back to exactly the scenes drawn.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core.h"
#include "film.h"
#include "runner.h"

namespace {

int64_t TotalDelay(const std::vector<Shot>& shots) {
    int64_t total = 0;
    for (const Shot& s : shots) total += s.delay;
    return total;
}

TEST(ScheduleShots, KeepsTheTotalTimeAndNoFrameIsTooShortForABrowser) {
    // Irregular times, several closer together than a GIF can show.
    std::vector<Keyframe> keys;
    const int64_t times[] = {0, 7, 13, 26, 80, 81, 95, 1000, 1003, 1004, 1985};
    int32_t n = 0;
    for (int64_t t : times) keys.push_back({t, n * 3, 706, n % 4}), ++n;
    const std::vector<Shot> shots = ScheduleShots(keys, 2345);
    EXPECT_EQ(TotalDelay(shots), 235);
    for (const Shot& s : shots) EXPECT_GE(s.delay, MinDelay);
    // The newest position wins within a fold: the last shot shows the last keyframe.
    EXPECT_EQ(shots.back().x, 30);
}

TEST(ScheduleShots, RoundsOnOneRunningClockNotFramByFrame) {
    // 100 states of 15 ms each: 1.5 hundredths apiece, 150 in all. Rounding
    // each frame by itself would give 100 x 2 = 200 hundredths.
    std::vector<Keyframe> keys;
    for (int32_t i = 0; i < 100; ++i) keys.push_back({15 * i, i, 0, 0});
    const std::vector<Shot> shots = ScheduleShots(keys, 1500);
    EXPECT_EQ(TotalDelay(shots), 150);
    // 80 ms steps stay 8 hundredths each.
    keys.clear();
    for (int32_t i = 0; i < 10; ++i) keys.push_back({80 * i, 3 * i, 706, i});
    const std::vector<Shot> walk = ScheduleShots(keys, 800);
    ASSERT_EQ(walk.size(), 10u);
    for (const Shot& s : walk) EXPECT_EQ(s.delay, 8);
}

TEST(ScheduleShots, PicturesFasterThanTheGifStillAlternate) {
    // A spin: two pictures swapping every 10 ms while the window advances.
    std::vector<Keyframe> keys{{0, 0, 706, 0}};
    for (int32_t i = 0; i < 44; ++i) keys.push_back({500 + 10 * i, 4 * i, 706, 1 + i % 2});
    keys.push_back({940, 200, 706, 0});
    const std::vector<Shot> shots = ScheduleShots(keys, 1440);
    EXPECT_EQ(TotalDelay(shots), 144);
    int32_t ones = 0, twos = 0;
    for (size_t i = 1; i + 1 < shots.size(); ++i) {
        EXPECT_NE(shots[i].picture, shots[i - 1].picture) << "shot " << i;
        ones += shots[i].picture == 1;
        twos += shots[i].picture == 2;
    }
    EXPECT_GT(ones, 5);
    EXPECT_GT(twos, 5);
}

TEST(ScheduleShots, StatesThatLookAlikeBecomeOneFrame) {
    const std::vector<Keyframe> keys{{0, 5, 5, 0}, {100, 5, 5, 0}, {200, 6, 5, 0}, {300, 6, 5, 0}};
    const std::vector<Shot> shots = ScheduleShots(keys, 400);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].delay, 20);
    EXPECT_EQ(shots[1].delay, 20);
    EXPECT_TRUE(ScheduleShots({}, 1000).empty());
}

TEST(FitScene, HoldsThePathOnTheDesktopDownToTheBar) {
    Scene scene;
    // A walk near the right edge: the strip slides left to keep its width.
    FitScene(scene, {{0, 980, 706, 0}, {80, 992, 706, 0}}, 16, 160);
    EXPECT_EQ(scene.left + scene.width, 1024);
    EXPECT_EQ(scene.width, 160);
    EXPECT_EQ(scene.top, 706 - 16);
    EXPECT_EQ(scene.top + scene.height, 768);
    // A twist that leaves the desktop: clipped to it.
    FitScene(scene, {{0, 734, 706, 0}, {2000, 1036, 706, 0}}, 16, 160);
    EXPECT_EQ(scene.left, 734 - 16);
    EXPECT_EQ(scene.left + scene.width, 1024);
    // A leap above the top.
    FitScene(scene, {{0, 10, -50, 0}, {10, 20, 706, 0}}, 16, 160);
    EXPECT_EQ(scene.left, 0);
    EXPECT_EQ(scene.top, 0);
    EXPECT_EQ(scene.height, 768);
}

TEST(DrawScene, PetPixelsAtTheirDesktopPlaceAndMaskShowsTheDesktop) {
    // The bottom-right corner of the desktop.
    Scene scene{.left = 900, .top = 690, .width = 124, .height = 78};
    Picture picture(PictureSize * PictureSize, TransparentRgb);
    picture[0] = 0x123456;                  // top-left pixel of the window
    picture[34 * PictureSize + 34] = 0xABCDEF;  // bottom-right
    picture[1] = 0x00FF00FF & 0xFFFFFF;     // mask: the desktop shows through
    std::vector<uint32_t> canvas, plain;
    DrawScene(scene, 980, 706, picture, canvas);
    DrawScene(scene, 980, 706, {}, plain);
    auto at = [&](const std::vector<uint32_t>& c, int32_t x, int32_t y) {
        return c[static_cast<size_t>(y - scene.top) * scene.width + (x - scene.left)];
    };
    EXPECT_EQ(at(canvas, 980, 706), 0x123456u);
    EXPECT_EQ(at(canvas, 1014, 740), 0xABCDEFu);
    EXPECT_EQ(at(canvas, 981, 706), at(plain, 981, 706));
    // Off the desktop's right edge nothing is drawn (and nothing overflows).
    DrawScene(scene, 1010, 706, picture, canvas);
    EXPECT_EQ(at(canvas, 1010, 706), 0x123456u);
    // The bar starts at its top edge.
    EXPECT_NE(at(plain, 950, 737), at(plain, 950, 738));
    EXPECT_EQ(at(plain, 950, 739), at(plain, 950, 760));
}

// Decodes a GIF and plays it onto a canvas frame by frame, as a viewer does.
struct Played {
    int32_t width = 0, height = 0;
    std::vector<std::vector<uint32_t>> frames;
    std::vector<int32_t> delays;
    int loops = -1;
};

Played Play(const std::string& path) {
    Played p;
    int err = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
    if (!gif) return p;
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &err);
        return p;
    }
    p.width = gif->SWidth;
    p.height = gif->SHeight;
    std::vector<uint32_t> canvas(static_cast<size_t>(p.width) * p.height, 0xFFFFFFFFu);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& im = gif->SavedImages[i];
        GraphicsControlBlock gcb{};
        DGifSavedExtensionToGCB(gif, i, &gcb);
        const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : gif->SColorMap;
        for (int y = 0; y < im.ImageDesc.Height; ++y)
            for (int x = 0; x < im.ImageDesc.Width; ++x) {
                const int v = im.RasterBits[y * im.ImageDesc.Width + x];
                if (v == gcb.TransparentColor) continue;
                const GifColorType c = map->Colors[v];
                canvas[static_cast<size_t>(im.ImageDesc.Top + y) * p.width + im.ImageDesc.Left + x] =
                    (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
            }
        p.frames.push_back(canvas);
        p.delays.push_back(gcb.DelayTime);
    }
    // The loop count travels in the application block before the first image.
    if (gif->ImageCount > 0) {
        const SavedImage& first = gif->SavedImages[0];
        for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
            const ExtensionBlock& b = first.ExtensionBlocks[i];
            const ExtensionBlock& next = first.ExtensionBlocks[i + 1];
            if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
                std::string(reinterpret_cast<char*>(b.Bytes), 11) == "NETSCAPE2.0" && next.ByteCount == 3)
                p.loops = next.Bytes[1] | (next.Bytes[2] << 8);
        }
    }
    DGifCloseFile(gif, &err);
    return p;
}

std::vector<uint32_t> Scaled(const Scene& scene, const std::vector<uint32_t>& canvas) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < scene.height * scene.scale; ++y)
        for (int32_t x = 0; x < scene.width * scene.scale; ++x)
            out.push_back(canvas[static_cast<size_t>(y / scene.scale) * scene.width + x / scene.scale]);
    return out;
}

std::string TempGif() {
    char name[] = "/tmp/pomfy-film-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return name;
}

TEST(WriteGif, DecodesToEveryScenePixelForPixel) {
    Scene scene{.left = 940, .top = 700, .width = 84, .height = 68, .scale = 3};
    Picture a(PictureSize * PictureSize, TransparentRgb), b = a;
    for (int i = 0; i < 300; ++i) a[i * 3 % a.size()] = 0xE070A0;
    for (int i = 0; i < 200; ++i) b[i * 5 % b.size()] = 0x802040;
    const std::vector<Picture> pictures{a, b};
    // A frame change, a move, a still frame, partly and wholly off the desktop.
    const std::vector<Shot> shots{{950, 706, 0, 8},  {950, 706, 1, 8},  {953, 706, 1, 8},
                                  {953, 706, 1, 50}, {1000, 690, 0, 8}, {1030, 706, 0, 3}};
    const std::string path = TempGif();
    std::string error;
    ASSERT_TRUE(WriteGif(path, scene, pictures, shots, error)) << error;
    const Played played = Play(path);
    std::remove(path.c_str());
    ASSERT_EQ(played.width, scene.width * 3);
    ASSERT_EQ(played.height, scene.height * 3);
    ASSERT_EQ(played.frames.size(), shots.size());
    EXPECT_EQ(played.loops, 0);  // for ever
    std::vector<uint32_t> expected;
    for (size_t i = 0; i < shots.size(); ++i) {
        DrawScene(scene, shots[i].x, shots[i].y, pictures[shots[i].picture], expected);
        EXPECT_EQ(played.frames[i], Scaled(scene, expected)) << "frame " << i;
        EXPECT_EQ(played.delays[i], shots[i].delay);
    }
}

TEST(WriteGif, RefusesWhatItCannotWrite) {
    Scene scene;
    scene.width = scene.height = 10;
    std::string error;
    EXPECT_FALSE(WriteGif("/nonexistent/dir/x.gif", scene, {Picture{}}, {{0, 0, 0, 5}}, error));
    EXPECT_NE(error.find("/nonexistent/dir/x.gif"), std::string::npos);
    EXPECT_FALSE(WriteGif("/tmp/never.gif", scene, {}, {}, error));
}

TEST(Film, ARealBehaviourLastsItsPausesPlusTheHold) {
    // SneezeRight's pauses add up to 2090 ms; filmed with a 1500 ms hold.
    RunOptions options;
    options.behaviour = "SneezeRight";
    std::vector<Keyframe> keys;
    Picture picture(PictureSize * PictureSize, TransparentRgb);
    std::vector<Picture> pictures;
    int32_t x = 0, y = 0;
    const RunResult r = RunPet(options, [&](const TraceEvent& e) {
        if (e.kind == TraceEvent::Kind::Move) x = e.x, y = e.y;
        if (e.kind != TraceEvent::Kind::Present) return;
        for (int32_t i = 0; i < PictureSize * PictureSize; ++i) picture[i] = PetWindow.convertedRows[i] & 0xFFFFFF;
        pictures.push_back(picture);
        keys.push_back({e.t, x, y, static_cast<int32_t>(pictures.size() - 1)});
    });
    EXPECT_EQ(r.endTime, 2090);
    const std::vector<Shot> shots = ScheduleShots(keys, r.endTime + 1500);
    EXPECT_EQ(TotalDelay(shots), 359);
    // Seven frames shown; the closing one is frame 1 again, so at most six
    // different pictures and at least the sneeze's five.
    EXPECT_GE(shots.size(), 5u);
}

}  // namespace
