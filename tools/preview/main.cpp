// pomfy-preview: runs the pet on the headless backend, as pomfy-trace does
// and with the same options, and films it: an animated GIF of a strip of
// desktop with a taskbar along its bottom and the pet at its true positions,
// every frame lasting as long as the pet showed it.
//
//   pomfy-preview --out docs/walk.gif --behaviour WalkRight --start 950,706
//   pomfy-preview --out start.gif --session 20000 --seed 3 --scale 3
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core.h"
#include "film.h"
#include "platform.h"
#include "runner.h"

namespace {

const char* const Usage =
    "usage: pomfy-preview --out FILE.gif (--behaviour NAME | --session MS) [options]\n"
    "  --out FILE.gif       the animation to write\n"
    "  --scale N            each desktop pixel as N x N (default 2)\n"
    "  --hold MS            how long the last picture stays before the loop (default 1500)\n"
    "  --margin PX          desktop shown around the pet's path (default 16)\n"
    "  --width PX           the strip's least width (default 160)\n";

bool Number(const char* s, int64_t& v, int64_t lo, int64_t hi) {
    char* end = nullptr;
    const long long n = std::strtoll(s, &end, 10);
    if (!*s || *end || n < lo || n > hi) return false;
    v = n;
    return true;
}

struct Recorder {
    std::map<Picture, int32_t> known;
    std::vector<Picture> pictures;
    std::vector<Keyframe> keys;
    Picture picture = Picture(PictureSize * PictureSize, TransparentRgb);
    int32_t x = 0;
    int32_t y = 0;
    bool started = false;

    int32_t PictureIndex() {
        auto [it, fresh] = known.emplace(picture, static_cast<int32_t>(pictures.size()));
        if (fresh) pictures.push_back(picture);
        return it->second;
    }

    void Take(const TraceEvent& e) {
        if (!started) {
            started = true;
            WindowPosition(x, y);
        }
        if (e.kind == TraceEvent::Kind::Move) {
            x = e.x;
            y = e.y;
        } else if (e.kind == TraceEvent::Kind::Present) {
            // The band of rows just drawn, as the window shows it.
            const int32_t w = PetWindow.framebuffer.width;
            for (int32_t row = std::max(e.firstRow, 0); row <= e.lastRow && row < PictureSize; ++row)
                for (int32_t col = 0; col < PictureSize && col < w; ++col)
                    picture[row * PictureSize + col] = PetWindow.convertedRows[row * w + col] & 0xFFFFFF;
        } else {
            return;
        }
        const Keyframe k{e.t, x, y, PictureIndex()};
        if (!keys.empty() && keys.back().t == k.t) {
            keys.back() = k;
        } else if (keys.empty() || keys.back().x != k.x || keys.back().y != k.y ||
                   keys.back().picture != k.picture) {
            keys.push_back(k);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    int64_t scale = 2, hold = 1500, margin = 16, width = 160;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf("%s%s", Usage, RunOptionsUsage());
            return 0;
        }
        std::string value;
        const size_t eq = arg.find('=');
        std::string name = arg.substr(0, eq);
        const bool ours = name == "--out" || name == "--scale" || name == "--hold" ||
                          name == "--margin" || name == "--width";
        if (!ours) {
            rest.push_back(argv[i]);
            continue;
        }
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            std::fprintf(stderr, "pomfy-preview: %s needs a value\n", name.c_str());
            return 2;
        }
        bool ok = true;
        if (name == "--out") {
            out = value;
            ok = !out.empty();
        } else if (name == "--scale") {
            ok = Number(value.c_str(), scale, 1, 8);
        } else if (name == "--hold") {
            ok = Number(value.c_str(), hold, 0, 60000);
        } else if (name == "--margin") {
            ok = Number(value.c_str(), margin, 0, 1000);
        } else {
            ok = Number(value.c_str(), width, 1, 4000);
        }
        if (!ok) {
            std::fprintf(stderr, "pomfy-preview: bad value for %s: \"%s\"\n", name.c_str(), value.c_str());
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "pomfy-preview: give --out FILE.gif\n");
        return 2;
    }
    RunOptions options;
    std::string error;
    if (!ParseRunOptions(static_cast<int>(rest.size()), rest.data(), options, error)) {
        std::fprintf(stderr, "pomfy-preview: %s\n", error.c_str());
        return 2;
    }

    Recorder recorder;
    const RunResult result = RunPet(options, [&](const TraceEvent& e) { recorder.Take(e); });
    // The run's end, or the session's, whichever came first.
    int64_t end = result.endTime;
    if (options.sessionMs >= 0 && options.sessionMs < end) end = options.sessionMs;

    Scene scene;
    scene.desktopWidth = options.desktopWidth;
    scene.desktopHeight = options.desktopHeight;
    scene.taskbarTop = options.taskbarTop;
    scene.scale = static_cast<int32_t>(scale);
    FitScene(scene, recorder.keys, static_cast<int32_t>(margin), static_cast<int32_t>(width));
    const std::vector<Shot> shots = ScheduleShots(recorder.keys, end + hold);
    if (!WriteGif(out, scene, recorder.pictures, shots, error)) {
        std::fprintf(stderr, "pomfy-preview: %s\n", error.c_str());
        return 1;
    }
    int64_t total = 0;
    for (const Shot& s : shots) total += s.delay;
    std::printf("%s: %d x %d, %zu frames, %.2f s (the pet's run %.2f s)\n", out.c_str(),
                scene.width * scene.scale, scene.height * scene.scale, shots.size(),
                static_cast<double>(total) / 100, static_cast<double>(end) / 1000);
    return 0;
}
