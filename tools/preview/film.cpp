#include "film.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// Desktop colours: a calm blue desktop and a grey bar with a light top edge.
constexpr uint32_t DesktopRgb = 0x3A6EA5;
constexpr uint32_t BarRgb = 0xC0C0C0;
constexpr uint32_t BarEdgeRgb = 0xF4F4F4;
constexpr uint32_t BarShadeRgb = 0x808080;

int64_t Hundredths(int64_t ms) { return (ms + 5) / 10; }

}  // namespace

std::vector<Shot> ScheduleShots(const std::vector<Keyframe>& keys, int64_t endMs) {
    struct Pending {
        int64_t start;  // centiseconds on the running clock
        Shot shot;
    };
    std::vector<Pending> out;
    for (const Keyframe& k : keys) {
        const int64_t at = Hundredths(k.t);
        if (!out.empty() && at - out.back().start < MinDelay) {
            Shot& last = out.back().shot;
            last.x = k.x;
            last.y = k.y;
            const bool changed = out.size() >= 2 && last.picture != out[out.size() - 2].shot.picture;
            if (!changed) last.picture = k.picture;
            continue;
        }
        if (!out.empty()) {
            const Shot& last = out.back().shot;
            if (last.x == k.x && last.y == k.y && last.picture == k.picture) continue;
        }
        out.push_back({at, {k.x, k.y, k.picture, 0}});
    }
    std::vector<Shot> shots;
    const int64_t end = Hundredths(endMs);
    for (size_t i = 0; i < out.size(); ++i) {
        const int64_t until = i + 1 < out.size() ? out[i + 1].start : end;
        Shot s = out[i].shot;
        s.delay = static_cast<int32_t>(until - out[i].start);
        if (s.delay <= 0) break;  // keyframes at or after the end
        if (!shots.empty() && s.delay < MinDelay) {
            shots.back().delay += s.delay;  // a last sliver before the end
            continue;
        }
        // Folding can leave two neighbours alike; they become one frame.
        if (!shots.empty() && shots.back().x == s.x && shots.back().y == s.y &&
            shots.back().picture == s.picture) {
            shots.back().delay += s.delay;
            continue;
        }
        shots.push_back(s);
    }
    return shots;
}

void FitScene(Scene& scene, const std::vector<Keyframe>& keys, int32_t margin, int32_t minWidth) {
    int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    for (const Keyframe& k : keys) {
        x0 = std::min(x0, k.x);
        y0 = std::min(y0, k.y);
        x1 = std::max(x1, k.x + PictureSize);
        y1 = std::max(y1, k.y + PictureSize);
    }
    if (keys.empty()) {
        x0 = (scene.desktopWidth - PictureSize) / 2;
        x1 = x0 + PictureSize;
        y0 = y1 = scene.desktopHeight;
    }
    x0 = std::max(x0 - margin, 0);
    x1 = std::min(x1 + margin, scene.desktopWidth);
    // Too narrow: widen on both sides, and where one side meets an edge of
    // the desktop, on the other.
    if (x1 - x0 < minWidth) {
        const int32_t want = std::min(minWidth, scene.desktopWidth);
        x0 -= (want - (x1 - x0)) / 2;
        x0 = std::clamp(x0, 0, scene.desktopWidth - want);
        x1 = x0 + want;
    }
    y0 -= margin;
    y0 = std::clamp(y0, 0, scene.desktopHeight - 1);
    scene.left = x0;
    scene.top = y0;
    scene.width = std::max(x1 - x0, 1);
    scene.height = std::max(scene.desktopHeight - y0, 1);
}

void DrawScene(const Scene& scene, int32_t x, int32_t y, const Picture& picture,
               std::vector<uint32_t>& canvas) {
    canvas.assign(static_cast<size_t>(scene.width) * scene.height, DesktopRgb);
    for (int32_t row = 0; row < scene.height; ++row) {
        const int32_t dy = scene.top + row;  // desktop y
        uint32_t colour = DesktopRgb;
        if (scene.taskbarTop > 0 && dy >= scene.taskbarTop) {
            colour = dy == scene.taskbarTop ? BarEdgeRgb : BarRgb;
        }
        uint32_t* line = &canvas[static_cast<size_t>(row) * scene.width];
        std::fill(line, line + scene.width, colour);
        // A sunken tray at the bar's right end, as most taskbars have.
        if (scene.taskbarTop > 0 && dy >= scene.taskbarTop + 4 && dy < scene.desktopHeight - 3) {
            const int32_t trayLeft = scene.desktopWidth - 70;
            for (int32_t dx = std::max(trayLeft, scene.left);
                 dx < std::min(scene.desktopWidth - 3, scene.left + scene.width); ++dx) {
                const bool edge = dy == scene.taskbarTop + 4 || dx == trayLeft;
                line[dx - scene.left] = edge ? BarShadeRgb : BarRgb;
            }
        }
    }
    if (picture.size() != static_cast<size_t>(PictureSize) * PictureSize) return;
    for (int32_t py = 0; py < PictureSize; ++py) {
        const int32_t dy = y + py;
        if (dy < 0 || dy >= scene.desktopHeight || dy < scene.top || dy >= scene.top + scene.height)
            continue;
        for (int32_t px = 0; px < PictureSize; ++px) {
            const int32_t dx = x + px;
            if (dx < 0 || dx >= scene.desktopWidth || dx < scene.left || dx >= scene.left + scene.width)
                continue;
            const uint32_t rgb = picture[static_cast<size_t>(py) * PictureSize + px] & 0xFFFFFF;
            if (rgb == TransparentRgb) continue;
            canvas[static_cast<size_t>(dy - scene.top) * scene.width + (dx - scene.left)] = rgb;
        }
    }
}

namespace {

// Index 0 is never a colour of the picture: it marks the pixels that a frame
// leaves as the frame before it had them.
constexpr int Unchanged = 0;

struct GifFile {
    GifFileType* gif = nullptr;
    ~GifFile() {
        if (gif) {
            int err = 0;
            EGifCloseFile(gif, &err);
        }
    }
};

}  // namespace

bool WriteGif(const std::string& path, const Scene& scene, const std::vector<Picture>& pictures,
              const std::vector<Shot>& shots, std::string& error) {
    if (shots.empty()) {
        error = "nothing to show";
        return false;
    }
    // Every colour that any frame can show.
    std::map<uint32_t, int> index;
    std::vector<uint32_t> canvas;
    for (const Shot& s : shots) {
        DrawScene(scene, s.x, s.y, pictures.at(s.picture), canvas);
        for (uint32_t c : canvas) index.emplace(c, 0);
    }
    if (index.size() > 255) {
        error = "more than 255 colours";
        return false;
    }
    const int count = static_cast<int>(index.size()) + 1;
    const int mapSize = 1 << GifBitSize(count);
    std::vector<GifColorType> colours(mapSize, GifColorType{0, 0, 0});
    int next = 1;
    for (auto& [rgb, i] : index) {
        i = next++;
        colours[i] = GifColorType{static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                                  static_cast<GifByteType>(rgb)};
    }
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    if (!map) {
        error = "out of memory";
        return false;
    }

    const int32_t w = scene.width * scene.scale;
    const int32_t h = scene.height * scene.scale;
    GifFile file;
    int err = 0;
    file.gif = EGifOpenFileName(path.c_str(), false, &err);
    if (!file.gif) {
        GifFreeMapObject(map);
        error = "cannot write " + path + ": " + GifErrorString(err);
        return false;
    }
    EGifSetGifVersion(file.gif, true);
    bool ok = EGifPutScreenDesc(file.gif, w, h, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    // Loop for ever.
    static const GifByteType netscape[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(file.gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(file.gif, 11, netscape) == GIF_OK &&
         EGifPutExtensionBlock(file.gif, 3, loop) == GIF_OK &&
         EGifPutExtensionTrailer(file.gif) == GIF_OK;

    std::vector<uint32_t> previous;
    std::vector<GifPixelType> line;
    for (size_t n = 0; ok && n < shots.size(); ++n) {
        const Shot& s = shots[n];
        DrawScene(scene, s.x, s.y, pictures.at(s.picture), canvas);
        // The rectangle in which this frame differs from the one before.
        int32_t x0 = 0, y0 = 0, x1 = scene.width, y1 = scene.height;
        if (!previous.empty()) {
            x0 = scene.width, y0 = scene.height, x1 = 0, y1 = 0;
            for (int32_t y = 0; y < scene.height; ++y)
                for (int32_t x = 0; x < scene.width; ++x) {
                    const size_t i = static_cast<size_t>(y) * scene.width + x;
                    if (canvas[i] != previous[i]) {
                        x0 = std::min(x0, x);
                        x1 = std::max(x1, x + 1);
                        y0 = std::min(y0, y);
                        y1 = std::max(y1, y + 1);
                    }
                }
            if (x1 <= x0) {  // nothing changed: one unchanged pixel carries the delay
                x0 = y0 = 0;
                x1 = y1 = 1;
            }
        }
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.UserInputFlag = false;
        gcb.DelayTime = s.delay;
        gcb.TransparentColor = previous.empty() ? NO_TRANSPARENT_COLOR : Unchanged;
        GifByteType ext[4];
        const size_t len = EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(file.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext) == GIF_OK;
        const int32_t sw = (x1 - x0) * scene.scale;
        ok = ok && EGifPutImageDesc(file.gif, x0 * scene.scale, y0 * scene.scale, sw,
                                    (y1 - y0) * scene.scale, false, nullptr) == GIF_OK;
        line.resize(sw);
        for (int32_t y = y0; ok && y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) {
                const size_t i = static_cast<size_t>(y) * scene.width + x;
                const GifPixelType v = !previous.empty() && canvas[i] == previous[i]
                                           ? static_cast<GifPixelType>(Unchanged)
                                           : static_cast<GifPixelType>(index[canvas[i]]);
                std::memset(&line[(x - x0) * scene.scale], v, scene.scale);
            }
            for (int32_t r = 0; ok && r < scene.scale; ++r)
                ok = EGifPutLine(file.gif, line.data(), sw) == GIF_OK;
        }
        previous.swap(canvas);
    }
    if (!ok) {
        error = "cannot write " + path + ": " + GifErrorString(file.gif->Error);
        return false;
    }
    GifFileType* gif = file.gif;
    file.gif = nullptr;
    if (EGifCloseFile(gif, &err) != GIF_OK) {
        error = "cannot finish " + path + ": " + GifErrorString(err);
        return false;
    }
    return true;
}
