// pomfy-sheets: pictures of the pet's sprite sheets, to look at the art.
//
//   pomfy-sheets [--scale N] SHEETS.png
//       every sheet, its frames side by side and numbered, as stored and as
//       loaded mirrored, scaled up over a checkerboard where the pet is
//       transparent
//   pomfy-sheets --frames DIR [--scale N] [--mirrored] [SHEET ...]
//       one PNG per frame, DIR/<sheet>-<k>.png, transparent where the pet
//       is, for animated previews
//   pomfy-sheets --icons DIR
//       the program's icons DIR/pomfy-<size>.png (16 to 256), transparent
//
// The sheets are built by the pet's own LoadSheet on the headless window, so
// the pictures show exactly what the program shows.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pet.h"
#include "sheets.h"
#include "sim.h"

namespace {

constexpr int S = SheetFrameSize;

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;  // 0xAARRGGBB
    Image(int w, int h, uint32_t fill) : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
    uint32_t& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    void set(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < width && y < height) at(x, y) = c;
    }
};

bool WritePng(const Image& img, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "pomfy-sheets: cannot write %s\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "pomfy-sheets: libpng failed on %s\n", path.c_str());
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, img.width, img.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(img.width) * 4);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            uint32_t c = img.px[static_cast<size_t>(y) * img.width + x];
            row[x * 4 + 0] = static_cast<png_byte>(c >> 16);
            row[x * 4 + 1] = static_cast<png_byte>(c >> 8);
            row[x * 4 + 2] = static_cast<png_byte>(c);
            row[x * 4 + 3] = static_cast<png_byte>(c >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// --- A 3 x 5 font for labels and frame numbers -----------------------------

const char* Glyph(char c) {
    static const struct {
        char c;
        const char* rows;
    } font[] = {
        {'0', "###" "#.#" "#.#" "#.#" "###"}, {'1', ".#." "##." ".#." ".#." "###"},
        {'2', "###" "..#" "###" "#.." "###"}, {'3', "###" "..#" ".##" "..#" "###"},
        {'4', "#.#" "#.#" "###" "..#" "..#"}, {'5', "###" "#.." "###" "..#" "###"},
        {'6', "###" "#.." "###" "#.#" "###"}, {'7', "###" "..#" "..#" ".#." ".#."},
        {'8', "###" "#.#" "###" "#.#" "###"}, {'9', "###" "#.#" "###" "..#" "###"},
        {'a', ".#." "#.#" "###" "#.#" "#.#"}, {'b', "##." "#.#" "##." "#.#" "##."},
        {'c', ".##" "#.." "#.." "#.." ".##"}, {'d', "##." "#.#" "#.#" "#.#" "##."},
        {'e', "###" "#.." "##." "#.." "###"}, {'f', "###" "#.." "##." "#.." "#.."},
        {'g', ".##" "#.." "#.#" "#.#" ".##"}, {'h', "#.#" "#.#" "###" "#.#" "#.#"},
        {'i', "###" ".#." ".#." ".#." "###"}, {'j', "..#" "..#" "..#" "#.#" ".#."},
        {'k', "#.#" "#.#" "##." "#.#" "#.#"}, {'l', "#.." "#.." "#.." "#.." "###"},
        {'m', "#.#" "###" "###" "#.#" "#.#"}, {'n', "##." "#.#" "#.#" "#.#" "#.#"},
        {'o', ".#." "#.#" "#.#" "#.#" ".#."}, {'p', "##." "#.#" "##." "#.." "#.."},
        {'q', ".#." "#.#" "#.#" "##." ".##"}, {'r', "##." "#.#" "##." "#.#" "#.#"},
        {'s', ".##" "#.." ".#." "..#" "##."}, {'t', "###" ".#." ".#." ".#." ".#."},
        {'u', "#.#" "#.#" "#.#" "#.#" "###"}, {'v', "#.#" "#.#" "#.#" "#.#" ".#."},
        {'w', "#.#" "#.#" "###" "###" "#.#"}, {'x', "#.#" "#.#" ".#." "#.#" "#.#"},
        {'y', "#.#" "#.#" ".#." ".#." ".#."}, {'z', "###" "..#" ".#." "#.." "###"},
        {'-', "..." "..." "###" "..." "..."}, {',', "..." "..." "..." ".#." "#.."},
        {'(', ".#." "#.." "#.." "#.." ".#."}, {')', ".#." "..#" "..#" "..#" ".#."},
        {'"', "#.#" "#.#" "..." "..." "..."}, {':', "..." ".#." "..." ".#." "..."},
    };
    for (const auto& g : font)
        if (g.c == c) return g.rows;
    return nullptr;  // space and anything unknown: blank
}

// Text with its top left corner at (x, y), each font pixel size x size.
void DrawText(Image& img, int x, int y, const std::string& text, int size, uint32_t colour) {
    for (char c : text) {
        const char* g = Glyph(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        if (g)
            for (int gy = 0; gy < 5; ++gy)
                for (int gx = 0; gx < 3; ++gx)
                    if (g[gy * 3 + gx] == '#')
                        for (int dy = 0; dy < size; ++dy)
                            for (int dx = 0; dx < size; ++dx)
                                img.set(x + gx * size + dx, y + gy * size + dy, colour);
        x += 4 * size;
    }
}

int TextWidth(const std::string& text, int size) { return static_cast<int>(text.size()) * 4 * size - size; }

// --- Sheets -----------------------------------------------------------------

// The sheet as LoadSheet builds it, as a plain pixel array.
struct Built {
    int frames = 0;
    std::vector<uint32_t> px;  // frames * 35 by 35
    uint32_t at(int k, int x, int y) const { return px[static_cast<size_t>(y) * frames * S + (k - 1) * S + x]; }
};

Built Build(const SheetData& sheet, bool mirrored) {
    Built b;
    LoadSheet(sheet.frames, sheet.name, mirrored);
    if (!CurrentSheet) {
        std::fprintf(stderr, "pomfy-sheets: could not build \"%s\"\n", sheet.name);
        std::exit(1);
    }
    b.frames = sheet.frames;
    b.px.resize(static_cast<size_t>(sheet.frames) * S * S);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < sheet.frames * S; ++x) b.px[static_cast<size_t>(y) * sheet.frames * S + x] = PixelAt(*CurrentSheet, x, y);
    FreeSheet(CurrentSheet);
    return b;
}

uint32_t Checker(int x, int y, int cell) {
    return ((x / cell + y / cell) % 2) ? 0xFFC8C8D0u : 0xFFE8E8F0u;
}

// Frame k scaled up at (x0, y0), the checkerboard where it is transparent
// (or nothing at all: a transparent pixel).
void DrawFrame(Image& img, const Built& b, int k, int x0, int y0, int scale, bool checker = true) {
    for (int y = 0; y < S * scale; ++y)
        for (int x = 0; x < S * scale; ++x) {
            uint32_t c = b.at(k, x / scale, y / scale);
            if (c != MaskColour)
                img.set(x0 + x, y0 + y, c | 0xFF000000u);
            else if (checker)
                img.set(x0 + x, y0 + y, Checker(x, y, std::max(2, scale)));
        }
}

const uint32_t Background = 0xFF30303Au;
const uint32_t Ink = 0xFFF0F0F0u;
const uint32_t Dim = 0xFF9090A0u;

bool ContactSheet(const std::string& path, int scale) {
    const int gap = 2 * scale;
    const int font = std::max(1, scale / 2);
    const int label = 5 * font + 3 * scale;  // a label line and its spacing
    const int cell = S * scale + gap;
    int most = 0;
    for (const SheetData& s : SpriteData) most = std::max(most, s.frames);
    const int left = gap * 2;
    const int stripH = S * scale + 6 * font + 2 * gap;  // frame, number, space
    const int blockH = label + 2 * stripH + 2 * gap;
    const int width = left * 2 + most * cell;
    const int height = gap * 2 + SheetCount * blockH + label;
    Image img(width, height, Background);

    int y = gap * 2;
    DrawText(img, left, y, "pomfy: the twelve sprite sheets, as stored (facing right) and loaded mirrored", font, Ink);
    y += label;
    for (const SheetData& s : SpriteData) {
        DrawText(img, left, y, std::string("\"") + s.name + "\"  " + std::to_string(s.frames) + " frames", font * 2 / 2 + 1, Ink);
        y += label + font * 2;
        for (bool mirrored : {false, true}) {
            const Built b = Build(s, mirrored);
            for (int k = 1; k <= s.frames; ++k) {
                const int x = left + (k - 1) * cell;
                DrawFrame(img, b, k, x, y, scale);
                const std::string n = std::to_string(k);
                DrawText(img, x + (S * scale - TextWidth(n, font)) / 2, y + S * scale + font * 2, n, font,
                         mirrored ? Dim : Ink);
            }
            if (mirrored)
                DrawText(img, left + s.frames * cell, y + S * scale / 2, " mirrored", font, Dim);
            y += stripH;
        }
        y += 2 * gap - font * 2;
    }
    img.height = std::min(img.height, y + gap);
    img.px.resize(static_cast<size_t>(img.width) * img.height);
    return WritePng(img, path);
}

bool Frames(const std::string& dir, int scale, bool mirrored, const std::vector<std::string>& only) {
    for (const SheetData& s : SpriteData) {
        if (!only.empty() && std::find(only.begin(), only.end(), s.name) == only.end()) continue;
        const Built b = Build(s, mirrored);
        for (int k = 1; k <= s.frames; ++k) {
            Image img(S * scale, S * scale, 0);
            DrawFrame(img, b, k, 0, 0, scale, false);
            char name[64];
            std::snprintf(name, sizeof name, "/%s-%02d.png", s.name, k);
            if (!WritePng(img, dir + name)) return false;
        }
    }
    return true;
}

// The icons: the greeting pose, cut to the art and centred, transparent
// around it; whole-pixel scaling wherever the size allows it.
bool Icons(const std::string& dir) {
    const Built b = Build(SpriteData[0], false);
    const int k = 2;
    int x0 = S, y0 = S, x1 = -1, y1 = -1;
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            if (b.at(k, x, y) != MaskColour) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    const int side = std::max(w, h);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        Image img(size, size, 0);
        // Whole pixels when they fill most of the icon; otherwise as large
        // as it fits (48), or averaged down when the icon is smaller (16).
        double scale = static_cast<double>(size) / side;
        if (size >= side && (size / side) * side >= 0.8 * size) scale = size / side;
        const int outW = static_cast<int>(w * scale + 0.5), outH = static_cast<int>(h * scale + 0.5);
        const int ox = (size - outW) / 2, oy = (size - outH) / 2;
        for (int y = 0; y < outH; ++y)
            for (int x = 0; x < outW; ++x) {
                if (scale >= 1) {
                    const uint32_t c = b.at(k, x0 + static_cast<int>(x / scale), y0 + static_cast<int>(y / scale));
                    if (c != MaskColour) img.set(ox + x, oy + y, c | 0xFF000000u);
                    continue;
                }
                // Smaller than the art: average the covered pixels, so that
                // the outline and the eyes do not drop out.
                double a = 0, r = 0, g = 0, bl = 0, n = 0;
                for (int sy = static_cast<int>(y / scale); sy < static_cast<int>((y + 1) / scale); ++sy)
                    for (int sx = static_cast<int>(x / scale); sx < static_cast<int>((x + 1) / scale); ++sx) {
                        if (x0 + sx > x1 || y0 + sy > y1) continue;
                        const uint32_t c = b.at(k, x0 + sx, y0 + sy);
                        n += 1;
                        if (c == MaskColour) continue;
                        a += 1;
                        r += (c >> 16) & 0xFF;
                        g += (c >> 8) & 0xFF;
                        bl += c & 0xFF;
                    }
                if (a == 0) continue;
                const uint32_t alpha = static_cast<uint32_t>(255 * a / n + 0.5);
                img.set(ox + x, oy + y,
                        alpha << 24 | static_cast<uint32_t>(r / a + 0.5) << 16 |
                            static_cast<uint32_t>(g / a + 0.5) << 8 | static_cast<uint32_t>(bl / a + 0.5));
            }
        if (!WritePng(img, dir + "/pomfy-" + std::to_string(size) + ".png")) return false;
    }
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: pomfy-sheets [--scale N] SHEETS.png\n"
                 "       pomfy-sheets --frames DIR [--scale N] [--mirrored] [SHEET ...]\n"
                 "       pomfy-sheets --icons DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int scale = 4;
    bool mirrored = false;
    std::string frames, icons;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scale" && i + 1 < argc) {
            scale = std::atoi(argv[++i]);
        } else if (a == "--frames" && i + 1 < argc) {
            frames = argv[++i];
        } else if (a == "--icons" && i + 1 < argc) {
            icons = argv[++i];
        } else if (a == "--mirrored") {
            mirrored = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            rest.push_back(a);
        }
    }
    if (scale < 1 || scale > 16) return Usage();

    SimConfig config;
    config.keepTrace = false;
    SimReset(config);
    if (OpenPetWindow(S, S) != 0) {
        std::fprintf(stderr, "pomfy-sheets: the headless window did not open\n");
        return 1;
    }
    bool ok = true;
    if (!icons.empty()) {
        ok = Icons(icons) && ok;
    } else if (!frames.empty()) {
        ok = Frames(frames, scale, mirrored, rest);
    } else {
        if (rest.size() != 1) return Usage();
        ok = ContactSheet(rest[0], scale);
    }
    return ok ? 0 : 1;
}
