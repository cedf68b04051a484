// The pieces of pomfy-preview: what the pet showed over time, turned into
// the frames of an animated GIF (whose delays are whole hundredths of a
// second), drawn over a strip of desktop and written with giflib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The pet's window as it looked from virtual time t on: its corner and the
// index of its picture in a Film's pictures.
struct Keyframe {
    int64_t t = 0;  // virtual milliseconds
    int32_t x = 0;
    int32_t y = 0;
    int32_t picture = 0;
};

// One frame of the GIF: a window state shown for delay hundredths.
struct Shot {
    int32_t x = 0;
    int32_t y = 0;
    int32_t picture = 0;
    int32_t delay = 0;  // centiseconds, at least MinDelay
};

// Browsers show a GIF frame of less than two hundredths for a tenth of a
// second, so no frame is shorter than that.
constexpr int32_t MinDelay = 2;

// Turns keyframes (in time order) into GIF frames that last until endMs.
// Frame boundaries are the keyframe times rounded to hundredths on one
// running clock, so the frames add up to endMs (rounded) however many there
// are. A state that would last less than MinDelay is folded into the frame
// before it: that frame takes the newest position, and the newest picture as
// long as it does not already show a change of picture, so that pictures
// alternating faster than the GIF can show still alternate.
std::vector<Shot> ScheduleShots(const std::vector<Keyframe>& keys, int64_t endMs);

// A 35 x 35 picture of the pet window, pixels 0x00RRGGBB; RGB 0xFF00FF is
// transparent.
using Picture = std::vector<uint32_t>;
constexpr int32_t PictureSize = 35;
constexpr uint32_t TransparentRgb = 0xFF00FF;

// The desktop strip behind the pet.
struct Scene {
    int32_t desktopWidth = 1024;
    int32_t desktopHeight = 768;
    int32_t taskbarTop = 738;  // 0: no bar along the bottom
    // The part of the desktop shown, in desktop pixels.
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t scale = 2;  // each desktop pixel becomes scale x scale
};

// The strip that holds every position the pet takes, with a margin around
// it, down to the bottom of the desktop, clipped to the desktop and at least
// minWidth wide where the desktop allows.
void FitScene(Scene& scene, const std::vector<Keyframe>& keys, int32_t margin, int32_t minWidth);

// Draws the desktop strip with the pet in state (x, y, picture) into canvas
// (scene.width x scene.height pixels 0x00RRGGBB, unscaled).
void DrawScene(const Scene& scene, int32_t x, int32_t y, const Picture& picture,
               std::vector<uint32_t>& canvas);

// Writes the shots as an endless animated GIF. False with a message in
// error when the file cannot be written or there are more than 255 colours.
bool WriteGif(const std::string& path, const Scene& scene, const std::vector<Picture>& pictures,
              const std::vector<Shot>& shots, std::string& error);
