// pomfy-draw-art: draws Pomfy's twelve sprite sheets from poses and writes
// them as text maps, one character per pixel (see src/pet/sprites/legend.txt).
//
//   pomfy-draw-art <sprite folder> [sheet ...]
//
// Without sheet names every sheet is written. The maps are the source of the
// art: the build packs them into the program, and they can be edited by hand
// afterwards (running this program again overwrites such edits).
//
// Every frame is one Pose: a round pink body (an ellipse that squashes and
// stretches), two feet, two arms, a pompom on top, a face (eyes, mouth,
// cheeks), a rotation for rolls and somersaults, and a few extras (sleep
// letters, sneeze drops, motion lines, a block of ice). Shading follows a
// light from the upper left that stays put while the body turns.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int N = 35;
constexpr double Pi = 3.14159265358979323846;

// --- Poses ----------------------------------------------------------------

enum class Eyes {
    Open,      // round, pupils after `look`
    Wide,      // taller whites, small pupils: surprise
    Half,      // upper lids half down
    Droop,     // lids nearly shut
    Closed,    // a line curved down: asleep
    Happy,     // a line curved up: cheerful
    Squeeze,   // > <
    Frown,     // lids slanted down towards the middle
    Dizzy,     // crosses
    Shut,      // a short dash, the same when turned: for rolls
    Hidden,    // seen from behind: no face
};

enum class Mouth { None, Smile, Grin, Frown, Flat, SmallO, Open, Wide, Shout, Wavy, Teeth };

struct Foot {
    double x = 0, y = 0;     // centre, in body units (rx, ry = 1)
    double rx = 3.4, ry = 2.3;
    double angle = 0;        // degrees, turns the foot's ellipse
    bool front = false;      // drawn over the body
    bool on = true;
};

struct Arm {
    double angle = 25;  // degrees from hanging down, towards its own side; 180 is straight up
    double len = 4.2;   // from the shoulder to the tip's centre
    double width = 1.9; // radius of the arm
    bool front = false; // drawn over the body
    bool on = true;
};

enum class Extra {
    Z1, Z2, Z3,         // sleep letters, growing
    Drops, BigDrops,    // sneeze spray in front of the face
    Twitch,             // a little mark by the nose
    ShoutLines,         // lines from the open mouth
    SpeedLines,         // spin lines at both sides
    RollLines,          // arcs behind a roll
    Ice,                // a block of ice round the whole pet
    Shiver,             // short lines at both sides
    Sweat,              // a drop by the head
    Stars,              // dizzy stars over the head
    Puff,               // dust at the feet
    Puffs,              // dust at both sides
    Exclaim,            // a "!" over the head
    Breath,             // a puff of air in front of the mouth
};

struct Pose {
    double cx = 17.0, cy = 19.0;  // body centre in frame pixels
    double rx = 11.0, ry = 10.0;  // body radii
    double rot = 0;               // degrees, clockwise on screen, about the body centre
    Foot back{-0.45, 1.0};
    Foot front{0.45, 1.0};
    Arm backArm{};
    Arm frontArm{};
    bool pompom = true;
    double pomX = 0.05;  // pompom position along the top, in body units
    double pomR = 3.2;
    Eyes eyes = Eyes::Open;
    double look = 1;      // pupils: -1 left, 0 middle, 1 right
    double lookUp = 0;    // pupils: -1 up, 1 down
    double faceX = 0.22;  // face centre, in body units
    double faceY = -0.12;
    double eyeGap = 7.0;  // between the eye centres, pixels
    Mouth mouth = Mouth::Smile;
    bool blush = true;
    std::vector<Extra> extras;
    int ground = 31;      // lowest row the art is moved to; -1 leaves it where drawn
    int shiftX = 0;       // moves the finished frame sideways
};

// --- Drawing ----------------------------------------------------------------

enum Layer { None = 0, BackArm, BackFoot, Pompom, Body, FrontFoot, FrontArm };

struct Frame {
    char px[N][N];
    int layer[N][N];
    Frame() {
        for (auto& r : px) std::fill(std::begin(r), std::end(r), '.');
        for (auto& r : layer) std::fill(std::begin(r), std::end(r), 0);
    }
};

struct Vec {
    double x, y;
};

Vec Rotate(Vec v, double deg) {
    double a = deg * Pi / 180.0;
    return {v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a)};
}

// Body-local point (pixels, origin at the body centre) -> frame coordinates.
Vec ToFrame(const Pose& p, Vec local) {
    Vec r = Rotate(local, p.rot);
    return {p.cx + r.x, p.cy + r.y};
}

Vec ToLocal(const Pose& p, Vec f) {
    return Rotate({f.x - p.cx, f.y - p.cy}, -p.rot);
}

bool InEllipse(Vec v, Vec c, double rx, double ry, double angle = 0) {
    Vec d = Rotate({v.x - c.x, v.y - c.y}, -angle);
    return (d.x * d.x) / (rx * rx) + (d.y * d.y) / (ry * ry) <= 1.0;
}

bool InCapsule(Vec v, Vec a, Vec b, double r) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((v.x - a.x) * dx + (v.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    double ex = a.x + t * dx - v.x, ey = a.y + t * dy - v.y;
    return ex * ex + ey * ey <= r * r;
}

Vec FootCentre(const Pose& p, const Foot& f) { return {f.x * p.rx, f.y * p.ry}; }

// Arm from the shoulder outwards; side +1 is the front (right), -1 the back.
void ArmEnds(const Pose& p, const Arm& a, int side, Vec& from, Vec& to) {
    from = {side * p.rx * 0.8, p.ry * 0.2};
    double ang = a.angle * Pi / 180.0;
    to = {from.x + side * std::sin(ang) * a.len, from.y + std::cos(ang) * a.len};
}

Vec PompomCentre(const Pose& p) { return {p.pomX * p.rx, -p.ry - p.pomR * 0.55}; }

const Foot& NearestFoot(const Pose& p, Vec local) {
    Vec a = FootCentre(p, p.front), b = FootCentre(p, p.back);
    double da = (local.x - a.x) * (local.x - a.x) + (local.y - a.y) * (local.y - a.y);
    double db = (local.x - b.x) * (local.x - b.x) + (local.y - b.y) * (local.y - b.y);
    if (!p.back.on) return p.front;
    if (!p.front.on) return p.back;
    return da <= db ? p.front : p.back;
}

int LayerAt(const Pose& p, Vec local) {
    Vec from, to;
    for (int side : {1, -1}) {
        const Arm& a = side > 0 ? p.frontArm : p.backArm;
        if (!a.on || !a.front) continue;
        ArmEnds(p, a, side, from, to);
        if (InCapsule(local, from, to, a.width)) return FrontArm;
    }
    if (p.front.on && p.front.front && InEllipse(local, FootCentre(p, p.front), p.front.rx, p.front.ry, p.front.angle))
        return FrontFoot;
    if (p.back.on && p.back.front && InEllipse(local, FootCentre(p, p.back), p.back.rx, p.back.ry, p.back.angle))
        return FrontFoot;
    if (InEllipse(local, {0, 0}, p.rx, p.ry)) return Body;
    if (p.pompom) {
        if (InEllipse(local, PompomCentre(p), p.pomR, p.pomR)) return Pompom;
    }
    if (p.front.on && !p.front.front && InEllipse(local, FootCentre(p, p.front), p.front.rx, p.front.ry, p.front.angle))
        return BackFoot;
    if (p.back.on && !p.back.front && InEllipse(local, FootCentre(p, p.back), p.back.rx, p.back.ry, p.back.angle))
        return BackFoot;
    for (int side : {1, -1}) {
        const Arm& a = side > 0 ? p.frontArm : p.backArm;
        if (!a.on || a.front) continue;
        ArmEnds(p, a, side, from, to);
        if (InCapsule(local, from, to, a.width)) return BackArm;
    }
    return None;
}

// Light from the upper left, in frame directions.
const Vec LightDir = [] {
    double l = std::sqrt(0.55 * 0.55 + 0.8 * 0.8);
    return Vec{-0.55 / l, -0.8 / l};
}();

// Colour of a filled pixel; `edge` tells that it borders something behind it.
char Shade(const Pose& p, int layer, Vec local, bool edge) {
    // Position inside the part's ellipse, turned back to frame directions,
    // so that the light stays where it is while the body rolls.
    Vec n{0, 0};
    if (layer == Body) {
        n = Rotate({local.x / p.rx, local.y / p.ry}, p.rot);
    } else if (layer == Pompom) {
        Vec c = PompomCentre(p);
        n = Rotate({(local.x - c.x) / p.pomR, (local.y - c.y) / p.pomR}, p.rot);
    } else if (layer == BackFoot || layer == FrontFoot) {
        const Foot& f = NearestFoot(p, local);
        Vec c = FootCentre(p, f);
        n = Rotate({(local.x - c.x) / f.rx, (local.y - c.y) / f.ry}, p.rot);
    } else {
        n = Rotate({0, 0.2}, p.rot);
    }
    double lit = n.x * LightDir.x + n.y * LightDir.y;  // -1 .. 1
    double r = std::sqrt(n.x * n.x + n.y * n.y);
    if (edge) {
        if (layer == Pompom) return 'c';
        return lit > 0.3 ? 'R' : 'o';
    }
    switch (layer) {
        case Body: {
            // a small shine, longer than high, up on the lit side
            double hx = (n.x + 0.42) / 1.3, hy = n.y + 0.52;
            if (hx * hx + hy * hy < 0.018) return 'W';
            if (hx * hx + hy * hy < 0.05) return 'h';
            if (lit > 0.45 && r > 0.7) return 'l';
            if (lit < -0.5 && r > 0.8) return 'd';
            if (lit < -0.15 && r > 0.62) return 'm';
            return 'p';
        }
        case Pompom: {
            double hx = n.x + 0.35, hy = n.y + 0.4;
            if (hx * hx + hy * hy < 0.1) return 'l';
            if (lit < -0.25) return 's';
            return 'M';
        }
        case BackFoot:
        case FrontFoot:
            if (lit > 0.35) return 'm';
            return lit < -0.3 ? 'R' : 'r';
        case BackArm:
            return lit > 0.3 ? 'p' : 'm';
        case FrontArm:
            return lit < -0.3 ? 'm' : 'p';
    }
    return '.';
}

// A small bitmap in legend characters; ' ' leaves the pixel as it is.
using Stamp = std::vector<std::string>;

// Draws a stamp centred at frame point c, turned by quarter * 90 degrees
// clockwise; only on pixels whose layer is in `onto` (0: anywhere).
void PutStamp(Frame& f, const Stamp& s, Vec c, int quarter, int onto = 0, bool flipX = false) {
    int h = static_cast<int>(s.size());
    int w = h ? static_cast<int>(s[0].size()) : 0;
    quarter = ((quarter % 4) + 4) % 4;
    int tw = (quarter % 2) ? h : w;
    int th = (quarter % 2) ? w : h;
    int x0 = static_cast<int>(std::floor(c.x - tw / 2.0 + 0.5));
    int y0 = static_cast<int>(std::floor(c.y - th / 2.0 + 0.5));
    for (int ty = 0; ty < th; ++ty) {
        for (int tx = 0; tx < tw; ++tx) {
            int sx = 0, sy = 0;
            switch (quarter) {
                case 0: sx = tx; sy = ty; break;
                case 1: sx = ty; sy = h - 1 - tx; break;
                case 2: sx = w - 1 - tx; sy = h - 1 - ty; break;
                case 3: sx = w - 1 - ty; sy = tx; break;
            }
            if (flipX) sx = w - 1 - sx;
            char ch = s[sy][sx];
            if (ch == ' ') continue;
            int x = x0 + tx, y = y0 + ty;
            if (x < 0 || y < 0 || x >= N || y >= N) continue;
            if (onto && f.layer[y][x] != onto) continue;
            f.px[y][x] = ch;
        }
    }
}

// --- The face -----------------------------------------------------------------

Stamp EyeStamp(const Pose& p, bool leftEye) {
    int look = p.look > 0.3 ? 1 : (p.look < -0.3 ? -1 : 0);
    switch (p.eyes) {
        case Eyes::Open:
            if (p.lookUp < -0.3) {
                if (look > 0) return {"WKK", "WKK", "WWW"};
                if (look < 0) return {"KKW", "KKW", "WWW"};
                return {"KK", "KK", "WW"};
            }
            if (look > 0) return {"WKK", "WKK", "WKK"};
            if (look < 0) return {"KKW", "KKW", "KKW"};
            return {"WK", "KK", "KK"};
        case Eyes::Wide:
            if (look > 0) return {"WWW", "WWK", "WWK", "WWW"};
            if (look < 0) return {"WWW", "KWW", "KWW", "WWW"};
            return {"WWW", "WKW", "WKW", "WWW"};
        case Eyes::Half:
            if (look > 0) return {"ooo", "WKK"};
            if (look < 0) return {"ooo", "KKW"};
            return {"ooo", "WKW"};
        case Eyes::Droop:
            return {"ooo", "WKK"};
        case Eyes::Closed:
            return {"o o", " o "};
        case Eyes::Happy:
            return {" o ", "o o"};
        case Eyes::Squeeze:
            return leftEye ? Stamp{"o  ", " oo", "o  "} : Stamp{"  o", "oo ", "  o"};
        case Eyes::Frown:
            return leftEye ? Stamp{"o  ", "WoW", "WKK"} : Stamp{"  o", "WoW", "KKW"};
        case Eyes::Dizzy:
            return {"o o", " o ", "o o"};
        case Eyes::Shut:
            return {"ooo"};
        case Eyes::Hidden:
            return {};
    }
    return {};
}

Stamp MouthStamp(Mouth m) {
    switch (m) {
        case Mouth::None: return {};
        case Mouth::Smile: return {"o o", " o "};
        case Mouth::Grin: return {"oooo", "osso", " oo "};
        case Mouth::Frown: return {" o ", "o o"};
        case Mouth::Flat: return {"oo"};
        case Mouth::SmallO: return {"oo", "oo"};
        case Mouth::Open: return {" oo ", "occs", " oo "};
        case Mouth::Wide: return {" ooo ", "occco", "ocsso", " ooo "};
        case Mouth::Shout: return {" oooo ", "occcco", "occcco", "ocssco", " oooo "};
        case Mouth::Wavy: return {"o o ", " o o"};
        case Mouth::Teeth: return {"oooo", "oWWo", "oooo"};
    }
    return {};
}

void DrawFace(Frame& f, const Pose& p) {
    if (p.eyes == Eyes::Hidden) return;
    int quarter = static_cast<int>(std::lround(p.rot / 90.0));
    double fx = p.faceX * p.rx, fy = p.faceY * p.ry;
    Vec le = ToFrame(p, {fx - p.eyeGap / 2, fy});
    Vec re = ToFrame(p, {fx + p.eyeGap / 2, fy});
    PutStamp(f, EyeStamp(p, true), le, quarter, Body);
    PutStamp(f, EyeStamp(p, false), re, quarter, Body);
    if (p.blush) {
        PutStamp(f, {"MM"}, ToFrame(p, {fx - p.eyeGap / 2 - 2.0, fy + 3.0}), quarter, Body);
        PutStamp(f, {"MM"}, ToFrame(p, {fx + p.eyeGap / 2 + 2.0, fy + 3.0}), quarter, Body);
    }
    PutStamp(f, MouthStamp(p.mouth), ToFrame(p, {fx + 0.5, fy + 4.5}), quarter, Body);
}

// --- Extras ---------------------------------------------------------------------

void DrawExtras(Frame& f, const Pose& p) {
    for (Extra e : p.extras) {
        switch (e) {
            case Extra::Z1:
            case Extra::Z2:
            case Extra::Z3: {
                // letters white with a dark blue shadow, to show on any desktop
                const Stamp small = {"WWW", "  W", " W ", "WWW"};
                const Stamp big = {"WWWW", "   W", "  W ", " W  ", "WWWW"};
                struct Letter {
                    const Stamp* s;
                    double x, y;
                };
                std::vector<Letter> letters = {{&small, 10.5, -4}};
                if (e != Extra::Z1) letters.push_back({&big, 13.5, -9});
                if (e == Extra::Z3) letters.push_back({&small, 7, -11});
                for (const Letter& l : letters) {
                    Stamp shadow = *l.s;
                    for (auto& row : shadow)
                        for (char& c : row) c = c == 'W' ? 'N' : ' ';
                    PutStamp(f, shadow, {p.cx + l.x + 1, p.cy - p.ry + l.y + 1}, 0);
                    PutStamp(f, *l.s, {p.cx + l.x, p.cy - p.ry + l.y}, 0);
                }
                break;
            }
            case Extra::Drops:
                PutStamp(f, {" i ", "i C", " i "}, ToFrame(p, {p.rx + 2.5, 2}), 0);
                break;
            case Extra::BigDrops:
                PutStamp(f, {"  i  ", " i  C", "C i  ", "  C i", " i   "}, ToFrame(p, {p.rx + 3.5, 2}), 0);
                break;
            case Extra::Twitch:
                PutStamp(f, {" o", "o ", "  ", "oo"}, ToFrame(p, {p.rx + 2.0, -1.0}), 0);
                break;
            case Extra::ShoutLines:
                PutStamp(f, {"  o", " o ", "   ", "ooo", "   ", " o ", "  o"}, ToFrame(p, {p.rx + 3, 2}), 0);
                break;
            case Extra::SpeedLines:
                PutStamp(f, {"l ", "l ", "  ", " l", " l"}, {p.cx - p.rx - 2.5, p.cy + 1}, 0);
                PutStamp(f, {" l", " l", "  ", "l ", "l "}, {p.cx + p.rx + 2.5, p.cy + 1}, 0);
                break;
            case Extra::RollLines:
                PutStamp(f, {" ee", "e  ", "e  ", " ee"}, {p.cx - p.rx - 3, p.cy}, 0);
                break;
            case Extra::Shiver:
                PutStamp(f, {"B ", " B", "B ", " B"}, {p.cx - p.rx - 2.5, p.cy - 2}, 0);
                PutStamp(f, {" B", "B ", " B", "B "}, {p.cx + p.rx + 2.5, p.cy - 2}, 0);
                break;
            case Extra::Sweat:
                PutStamp(f, {" i", "iC", "ii"}, ToFrame(p, {-p.rx * 0.8, -p.ry * 0.9}), 0);
                break;
            case Extra::Stars:
                PutStamp(f, {" M ", "MhM", " M "}, {p.cx - 5, p.cy - p.ry - 4}, 0);
                PutStamp(f, {" M ", "MhM", " M "}, {p.cx + 6, p.cy - p.ry - 3}, 0);
                break;
            case Extra::Puff:
                PutStamp(f, {" ff ", "ffff"}, {std::max(3.0, p.cx - p.rx - 2), p.cy + p.ry}, 0);
                break;
            case Extra::Puffs:
                PutStamp(f, {" ff", "fff"}, {std::max(2.5, p.cx - p.rx - 1.5), p.cy + p.ry + 1}, 0);
                PutStamp(f, {"ff ", "fff"}, {std::min(32.5, p.cx + p.rx + 1.5), p.cy + p.ry + 1}, 0);
                break;
            case Extra::Exclaim:
                PutStamp(f, {"o", "o", "o", " ", "o"}, {p.cx + p.rx, p.cy - p.ry - 1}, 0);
                break;
            case Extra::Breath:
                PutStamp(f, {" e", "e ", " e"}, ToFrame(p, {p.rx + 2.5, 3}), 0);
                break;
            case Extra::Ice: break;  // drawn by DrawIce, after the placement
        }
    }
}

// A block of ice round the pet: the pet shows through it, pale and cold.
void DrawIce(Frame& f) {
    int top = 34, left = 34, right = 0;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            if (f.px[y][x] != '.') {
                top = std::min(top, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    const int x0 = std::max(1, left - 2), x1 = std::min(33, right + 2);
    const int y0 = std::max(0, top - 3), y1 = 31;
    // the pet's colours as seen through ice
    const std::map<char, char> frozen = {
        {'o', 'B'}, {'R', 'B'}, {'c', 'B'}, {'K', 'N'}, {'p', 'e'}, {'q', 'e'}, {'P', 'e'},
        {'l', 'w'}, {'h', 'W'}, {'W', 'W'}, {'m', 'l'}, {'d', 'l'}, {'r', 'l'}, {'D', 'l'},
        {'M', 'l'}, {'s', 'l'}, {'e', 'w'}, {'f', 'w'},
    };
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            char& c = f.px[y][x];
            if (x == x0 || x == x1 || y == y0 || y == y1) {
                c = 'N';
            } else if (c != '.') {
                auto it = frozen.find(c);
                if (it != frozen.end()) c = it->second;
            } else if (y <= y0 + 2) {
                c = 'w';  // the top face
            } else if (x >= x1 - 2 || y >= y1 - 1) {
                c = 'C';  // the shaded sides
            } else {
                c = 'i';
            }
        }
    }
    // corners rounded off, and glints along the upper left
    for (int cx : {x0, x1})
        for (int cy : {y0, y1}) f.px[cy][cx] = '.';
    for (int i = 0; i < 7; ++i) {
        int gx = x0 + 2 + i, gy = y0 + 9 - i;
        if (gy > y0 + 2 && gy < y1 && gx < x1) f.px[gy][gx] = 'W';
        gx = x0 + 2 + i;
        gy = y0 + 13 - i;
        if (i < 4 && gy > y0 + 2 && gy < y1 && gx < x1) f.px[gy][gx] = 'W';
    }
    for (int x = x0 + 1; x < x1; ++x) f.px[y0 + 3][x] = f.px[y0 + 3][x] == 'w' ? 'B' : f.px[y0 + 3][x];
}

Frame Render(const Pose& p) {
    Frame f;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) f.layer[y][x] = LayerAt(p, ToLocal(p, {x + 0.5, y + 0.5}));
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            int l = f.layer[y][x];
            if (!l) continue;
            bool edge = false;
            const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
            for (int k = 0; k < 4; ++k) {
                int nx = x + dx[k], ny = y + dy[k];
                int nl = (nx < 0 || ny < 0 || nx >= N || ny >= N) ? 0 : f.layer[ny][nx];
                if (nl < l) edge = true;
            }
            f.px[y][x] = Shade(p, l, ToLocal(p, {x + 0.5, y + 0.5}), edge);
        }
    }
    DrawFace(f, p);
    DrawExtras(f, p);
    return f;
}

// Moves the art so that its lowest row is `ground`, checks the margins.
Frame Place(Frame f, const Pose& p, const std::string& where) {
    int low = -1, left = N, right = -1, top = N;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            if (f.px[y][x] != '.') {
                low = std::max(low, y);
                top = std::min(top, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    if (low < 0) throw std::runtime_error(where + ": empty frame");
    int dy = p.ground >= 0 ? p.ground - low : 0;
    int dx = p.shiftX;
    if (top + dy < 0 && p.ground < 31) {
        std::fprintf(stderr, "%s: lowest row %d instead of %d, to stay inside the frame\n", where.c_str(),
                     low - top, p.ground);
        dy = -top;
    }
    if (top + dy < 0) throw std::runtime_error(where + ": the art leaves the top of the frame");
    // Pull art that pokes out at a side back in, when it fits.
    if (right - left <= 32) {
        if (left + dx < 1) dx = 1 - left;
        if (right + dx > 33) dx = 33 - right;
        if (dx != p.shiftX) std::fprintf(stderr, "%s: moved %d columns\n", where.c_str(), dx - p.shiftX);
    }
    if (left + dx < 1 || right + dx > 33)
        throw std::runtime_error(where + ": the art reaches column " +
                                 std::to_string(left + dx < 1 ? left + dx : right + dx));
    Frame g;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            int sx = x - dx, sy = y - dy;
            if (sx >= 0 && sy >= 0 && sx < N && sy < N) {
                g.px[y][x] = f.px[sy][sx];
                g.layer[y][x] = f.layer[sy][sx];
            }
        }
    bool ice = std::find(p.extras.begin(), p.extras.end(), Extra::Ice) != p.extras.end();
    if (ice) DrawIce(g);
    for (int x = 0; x < N; ++x)
        for (int y = 32; y < N; ++y)
            if (g.px[y][x] != '.') throw std::runtime_error(where + ": art below row 31");
    return g;
}

Frame Mirror(const Frame& f) {
    Frame g;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            g.px[y][x] = f.px[y][N - 1 - x];
            g.layer[y][x] = f.layer[y][N - 1 - x];
        }
    return g;
}

// --- The sheets -----------------------------------------------------------------

// The standing pose every sheet starts from.
Pose Stand() {
    Pose p;
    p.backArm.angle = 20;
    p.frontArm.angle = 20;
    return p;
}

// Squash (s < 1) or stretch (s > 1) keeping the area and the feet on the ground.
void Squash(Pose& p, double s) {
    double r0y = p.ry;
    p.ry = r0y * s;
    p.rx = p.rx / std::sqrt(s);
    p.cy += (r0y - p.ry);
}

using Sheet = std::vector<Frame>;

Sheet Standard() {
    Sheet s;
    // 1 frowning: the farewell
    {
        Pose p = Stand();
        p.eyes = Eyes::Frown;
        p.mouth = Mouth::Frown;
        p.faceX = 0;
        p.backArm.angle = 8;
        p.frontArm.angle = 8;
        p.blush = false;
        s.push_back(Place(Render(p), p, "standard 1"));
    }
    // 2 cheerful, greeting with the front arm up
    {
        Pose p = Stand();
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Grin;
        p.faceX = 0.1;
        p.frontArm.angle = 140;
        p.frontArm.len = 7.5;
        p.frontArm.width = 2.0;
        p.backArm.angle = 35;
        s.push_back(Place(Render(p), p, "standard 2"));
    }
    // 3 wide-eyed surprise
    {
        Pose p = Stand();
        Squash(p, 1.06);
        p.eyes = Eyes::Wide;
        p.look = 0;
        p.mouth = Mouth::SmallO;
        p.faceX = 0;
        p.backArm.angle = 70;
        p.frontArm.angle = 70;
        p.extras = {Extra::Exclaim};
        s.push_back(Place(Render(p), p, "standard 3"));
    }
    // 4 calm, facing the viewer
    {
        Pose p = Stand();
        p.eyes = Eyes::Open;
        p.look = 0;
        p.faceX = 0;
        p.back.x = -0.42;
        p.front.x = 0.42;
        p.pomX = 0;
        s.push_back(Place(Render(p), p, "standard 4"));
    }
    // 5 standing, eyes to the right; 6 the same facing left
    {
        Pose p = Stand();
        p.eyes = Eyes::Open;
        p.look = 1;
        Frame f = Place(Render(p), p, "standard 5");
        s.push_back(f);
        s.push_back(Mirror(f));
    }
    return s;
}

Sheet Walking() {
    Sheet s;
    for (int k = 0; k < 10; ++k) {
        double ph = 2 * Pi * k / 10.0;
        Pose p = Stand();
        // the feet swing in opposite phase; the one moving forward is lifted
        double sw = std::sin(ph);
        p.front.x = 0.42 + 0.3 * sw;
        p.back.x = -0.42 - 0.3 * sw;
        p.front.y = 1.0 - std::max(0.0, std::cos(ph)) * 0.2;
        p.back.y = 1.0 - std::max(0.0, -std::cos(ph)) * 0.2;
        // the body is highest while the feet pass each other
        p.cy -= std::abs(std::cos(ph)) > 0.5 ? 1 : 0;
        p.frontArm.angle = 25 - 30 * sw;
        p.backArm.angle = 25 + 30 * sw;
        p.look = 1;
        p.pomX = std::abs(std::cos(ph)) > 0.5 ? 0.0 : 0.08;
        s.push_back(Place(Render(p), p, "walking " + std::to_string(k + 1)));
    }
    return s;
}

Sheet HappyJump() {
    Sheet s;
    // 1 crouched
    {
        Pose p = Stand();
        Squash(p, 0.8);
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Smile;
        p.backArm.angle = 45;
        p.frontArm.angle = 45;
        p.back.x = -0.5;
        p.front.x = 0.5;
        s.push_back(Place(Render(p), p, "happyjump 1"));
    }
    // 2 spreading
    {
        Pose p = Stand();
        Squash(p, 0.96);
        p.eyes = Eyes::Open;
        p.mouth = Mouth::Grin;
        p.backArm.angle = 95;
        p.frontArm.angle = 95;
        s.push_back(Place(Render(p), p, "happyjump 2"));
    }
    // 3 rising
    {
        Pose p = Stand();
        Squash(p, 1.1);
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Grin;
        p.backArm.angle = 130;
        p.frontArm.angle = 130;
        p.backArm.len = 6;
        p.frontArm.len = 6;
        p.back.x = -0.35;
        p.front.x = 0.35;
        p.back.angle = 25;
        p.front.angle = -25;
        s.push_back(Place(Render(p), p, "happyjump 3"));
    }
    // 4 stretched tall, mouth open
    {
        Pose p = Stand();
        Squash(p, 1.22);
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Open;
        p.backArm.angle = 150;
        p.frontArm.angle = 150;
        p.backArm.len = 7.5;
        p.frontArm.len = 7.5;
        p.back.x = -0.3;
        p.front.x = 0.3;
        p.back.angle = 40;
        p.front.angle = -40;
        p.back.y = 1.05;
        p.front.y = 1.05;
        s.push_back(Place(Render(p), p, "happyjump 4"));
    }
    return s;
}

Sheet Hatschi() {
    Sheet s;
    // 1 calm with a twitch
    {
        Pose p = Stand();
        p.eyes = Eyes::Half;
        p.look = 1;
        p.mouth = Mouth::Wavy;
        p.extras = {Extra::Twitch};
        s.push_back(Place(Render(p), p, "hatschi 1"));
    }
    // 2 drawing breath, mouth open
    {
        Pose p = Stand();
        Squash(p, 1.1);
        p.rot = -10;
        p.eyes = Eyes::Droop;
        p.lookUp = -1;
        p.mouth = Mouth::Open;
        p.backArm.angle = 60;
        p.frontArm.angle = 60;
        p.front.x = 0.5;
        s.push_back(Place(Render(p), p, "hatschi 2"));
    }
    // 3 the sneeze
    {
        Pose p = Stand();
        Squash(p, 0.9);
        p.rot = 10;
        p.eyes = Eyes::Squeeze;
        p.mouth = Mouth::Wide;
        p.backArm.angle = 110;
        p.frontArm.angle = -20;
        p.extras = {Extra::BigDrops};
        s.push_back(Place(Render(p), p, "hatschi 3"));
    }
    // 4 and 5 thrown forward
    for (int k = 0; k < 2; ++k) {
        Pose p = Stand();
        Squash(p, 0.92);
        p.rot = k ? 30 : 20;
        p.cx = k ? 15 : 16;
        p.eyes = Eyes::Squeeze;
        p.mouth = k ? Mouth::SmallO : Mouth::Open;
        p.backArm.angle = k ? 150 : 130;
        p.frontArm.angle = k ? 130 : 100;
        p.back.x = k ? -0.75 : -0.6;
        p.back.y = k ? 0.85 : 0.95;
        p.front.x = 0.35;
        p.extras = {Extra::Drops};
        s.push_back(Place(Render(p), p, "hatschi " + std::to_string(k + 4)));
    }
    return s;
}

Sheet Shout() {
    Sheet s;
    // 1 calm
    {
        Pose p = Stand();
        p.mouth = Mouth::Flat;
        s.push_back(Place(Render(p), p, "shout 1"));
    }
    // 2 puffing up
    {
        Pose p = Stand();
        p.rx += 0.8;
        Squash(p, 1.05);
        p.rot = -4;
        p.eyes = Eyes::Frown;
        p.mouth = Mouth::Flat;
        p.backArm.angle = 55;
        p.frontArm.angle = 55;
        s.push_back(Place(Render(p), p, "shout 2"));
    }
    // 3 and 4 shouting
    for (int k = 0; k < 2; ++k) {
        Pose p = Stand();
        p.rx += 0.8;
        Squash(p, k ? 1.14 : 1.1);
        p.rot = k ? -8 : -6;
        p.eyes = Eyes::Squeeze;
        p.mouth = k ? Mouth::Shout : Mouth::Wide;
        p.faceY = k ? -0.25 : -0.2;
        p.backArm.angle = k ? 105 : 85;
        p.frontArm.angle = k ? 105 : 85;
        p.extras = {Extra::ShoutLines};
        if (k) p.extras.push_back(Extra::Exclaim);
        s.push_back(Place(Render(p), p, "shout " + std::to_string(k + 3)));
    }
    return s;
}

Sheet Sleeping() {
    Sheet s;
    // 1-3 eyelids drooping
    const Eyes lids[3] = {Eyes::Half, Eyes::Droop, Eyes::Closed};
    for (int k = 0; k < 3; ++k) {
        Pose p = Stand();
        p.eyes = lids[k];
        p.mouth = k ? Mouth::Flat : Mouth::Smile;
        p.faceY = -0.12 + 0.04 * k;
        p.rot = 2.0 * k;
        p.pomX = 0.05 + 0.08 * k;
        s.push_back(Place(Render(p), p, "sleeping " + std::to_string(k + 1)));
    }
    // 4-8 sinking flatter and falling asleep
    for (int k = 0; k < 5; ++k) {
        Pose p = Stand();
        Squash(p, 0.94 - 0.05 * k);
        p.eyes = Eyes::Closed;
        p.mouth = k >= 3 ? Mouth::SmallO : Mouth::Flat;
        p.faceY = 0.0 + 0.03 * k;
        p.rot = 5;
        p.backArm.angle = 10;
        p.frontArm.angle = 10;
        p.pomX = 0.25 + 0.05 * k;
        p.blush = k < 3;
        if (k == 2) p.extras = {Extra::Z1};
        if (k == 3) p.extras = {Extra::Z2};
        if (k == 4) p.extras = {Extra::Z3};
        s.push_back(Place(Render(p), p, "sleeping " + std::to_string(k + 4)));
    }
    // 9 startled awake
    {
        Pose p = Stand();
        Squash(p, 1.12);
        p.eyes = Eyes::Wide;
        p.look = 0;
        p.mouth = Mouth::SmallO;
        p.faceX = 0.05;
        p.backArm.angle = 120;
        p.frontArm.angle = 120;
        p.extras = {Extra::Exclaim};
        s.push_back(Place(Render(p), p, "sleeping 9"));
    }
    // 10-14 recovering to a standing pose
    const double squash[5] = {1.06, 0.96, 1.02, 1.0, 1.0};
    const Eyes eyes[5] = {Eyes::Wide, Eyes::Open, Eyes::Half, Eyes::Open, Eyes::Open};
    const double looks[5] = {0, -1, 0, 0, 1};
    for (int k = 0; k < 5; ++k) {
        Pose p = Stand();
        Squash(p, squash[k]);
        p.eyes = eyes[k];
        p.look = looks[k];
        p.faceX = 0.05 + 0.04 * k;
        p.mouth = k < 2 ? Mouth::SmallO : (k < 4 ? Mouth::Flat : Mouth::Smile);
        p.backArm.angle = 80 - 15 * k;
        p.frontArm.angle = 80 - 15 * k;
        if (k == 1) p.extras = {Extra::Sweat};
        s.push_back(Place(Render(p), p, "sleeping " + std::to_string(k + 10)));
    }
    return s;
}

// Curled up for a roll: arms tucked away, feet drawn in, eyes shut tight.
Pose Ball(double rot) {
    Pose p = Stand();
    p.rx = 10.2;
    p.ry = 9.5;
    p.rot = rot;
    p.back = Foot{-0.28, 0.9, 3.0, 2.3};
    p.front = Foot{0.36, 0.86, 3.0, 2.3};
    p.backArm.on = false;
    p.frontArm.angle = 60;
    p.frontArm.len = 2.5;
    p.eyes = Eyes::Shut;
    p.mouth = Mouth::SmallO;
    p.faceX = 0.15;
    p.eyeGap = 6.5;
    return p;
}

Sheet Freeze() {
    Sheet s;
    // 1-6 winding up, lower and lower
    for (int k = 0; k < 6; ++k) {
        Pose p = Stand();
        Squash(p, 0.98 - 0.045 * k);
        p.rot = 2.0 + 1.0 * k;
        p.eyes = k < 2 ? Eyes::Open : Eyes::Frown;
        p.mouth = k < 3 ? Mouth::Flat : Mouth::Grin;
        p.backArm.angle = 20 + 14 * k;
        p.frontArm.angle = 20 - 12 * k;
        p.back.x = -0.45 - 0.03 * k;
        p.front.x = 0.45 + 0.03 * k;
        s.push_back(Place(Render(p), p, "freeze " + std::to_string(k + 1)));
    }
    // 7-17 the somersault: one turn, its lowest row rising and falling in the frame
    const int lift[11] = {0, 1, 2, 2, 2, 2, 8, 7, 5, 3, 1};
    for (int k = 0; k < 11; ++k) {
        Pose p = Ball(30.0 * (k + 1));
        p.ground = 31 - lift[k];
        s.push_back(Place(Render(p), p, "freeze " + std::to_string(k + 7)));
    }
    // 18 landed
    {
        Pose p = Stand();
        Squash(p, 0.86);
        p.eyes = Eyes::Open;
        p.mouth = Mouth::Grin;
        p.backArm.angle = 95;
        p.frontArm.angle = 95;
        p.back.x = -0.55;
        p.front.x = 0.55;
        s.push_back(Place(Render(p), p, "freeze 18"));
    }
    // 19 crouched and cold; 20 the same, frozen into a block of ice
    for (int k = 0; k < 2; ++k) {
        Pose p = Stand();
        Squash(p, 0.8);
        p.eyes = Eyes::Squeeze;
        p.mouth = Mouth::Teeth;
        p.faceY = -0.25;
        p.frontArm.angle = 5;
        p.frontArm.len = 3;
        p.backArm.angle = 5;
        p.backArm.len = 3;
        p.back.x = -0.35;
        p.front.x = 0.35;
        p.blush = false;
        p.extras = {k ? Extra::Ice : Extra::Shiver};
        s.push_back(Place(Render(p), p, "freeze " + std::to_string(k + 19)));
    }
    return s;
}

Sheet Slide() {
    Sheet s;
    // 1-3 turning into the run-up
    for (int k = 0; k < 3; ++k) {
        Pose p = Stand();
        Squash(p, 1.0 - 0.07 * k);
        p.rot = 8.0 * k;
        p.eyes = k ? Eyes::Frown : Eyes::Open;
        p.mouth = k ? Mouth::Grin : Mouth::Smile;
        p.frontArm.angle = 20 - 30 * k;
        p.backArm.angle = 20 + 30 * k;
        p.back.x = -0.45 - 0.08 * k;
        s.push_back(Place(Render(p), p, "slide " + std::to_string(k + 1)));
    }
    // 4 pushing off
    {
        Pose p = Stand();
        Squash(p, 0.95);
        p.rot = 28;
        p.cx = 16;
        p.eyes = Eyes::Frown;
        p.mouth = Mouth::Grin;
        p.frontArm.angle = -60;
        p.backArm.angle = 110;
        p.back.x = -0.85;
        p.back.y = 0.75;
        p.back.angle = 40;
        p.front.x = 0.4;
        s.push_back(Place(Render(p), p, "slide 4"));
    }
    // 5 and 6 gliding low, the body stretched along the ground
    for (int k = 0; k < 2; ++k) {
        Pose p = Stand();
        p.rx = 12.8;
        p.ry = 7.6;
        p.cx = 18.5;
        p.cy = 22;
        p.rot = k ? 4 : 8;
        p.faceX = 0.42;
        p.faceY = -0.2;
        p.eyeGap = 7;
        p.eyes = k ? Eyes::Happy : Eyes::Open;
        p.mouth = k ? Mouth::Smile : Mouth::Grin;
        p.frontArm.angle = k ? 70 : 85;
        p.frontArm.len = 3.2;
        p.backArm.angle = k ? 75 : 95;
        p.back = Foot{-1.02, 0.45, 3.2, 2.2, 70};
        p.front = Foot{-0.85, 0.75, 3.2, 2.2, 70};
        p.pomX = -0.2;
        p.extras = {k ? Extra::RollLines : Extra::Puff};
        s.push_back(Place(Render(p), p, "slide " + std::to_string(k + 5)));
    }
    return s;
}

Sheet Twist() {
    Sheet s;
    // 1-5 winding up and turning: the face goes round to the back
    const double faceX[5] = {0.22, 0.08, -0.1, -0.38, 0};
    for (int k = 0; k < 5; ++k) {
        Pose p = Stand();
        Squash(p, 1.0 - 0.04 * std::min(k, 3));
        p.faceX = faceX[k];
        p.look = k == 0 ? 1 : (k == 1 ? 0 : -1);
        p.eyes = k == 4 ? Eyes::Hidden : (k >= 2 ? Eyes::Frown : Eyes::Open);
        p.mouth = k == 4 ? Mouth::None : (k >= 2 ? Mouth::Grin : Mouth::Smile);
        p.blush = k < 4;
        p.frontArm.angle = 20 - 22 * k;
        p.backArm.angle = 20 + 22 * k;
        p.pomX = 0.05 - 0.08 * k;
        s.push_back(Place(Render(p), p, "twist " + std::to_string(k + 1)));
    }
    // 6 leaping
    {
        Pose p = Stand();
        Squash(p, 1.2);
        p.faceX = 0.05;
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Open;
        p.backArm.angle = 165;
        p.frontArm.angle = 165;
        p.back.angle = 40;
        p.front.angle = -40;
        p.back.x = -0.3;
        p.front.x = 0.3;
        s.push_back(Place(Render(p), p, "twist 6"));
    }
    // 7-9 spinning: face at the side, face to the front, back
    for (int k = 0; k < 3; ++k) {
        Pose p = Stand();
        Squash(p, 1.14);
        p.faceX = k == 0 ? 0.55 : 0.0;
        p.eyes = k == 2 ? Eyes::Hidden : Eyes::Happy;
        p.mouth = k == 2 ? Mouth::None : Mouth::Grin;
        p.blush = k != 2;
        p.backArm.angle = k == 1 ? 120 : 150;
        p.frontArm.angle = k == 1 ? 150 : 120;
        p.back.x = -0.3;
        p.front.x = 0.3;
        p.pomX = k == 0 ? 0.3 : (k == 1 ? 0.0 : -0.3);
        p.extras = {Extra::SpeedLines};
        s.push_back(Place(Render(p), p, "twist " + std::to_string(k + 7)));
    }
    return s;
}

Sheet Umfall() {
    Sheet s;
    const double rot[5] = {-4, -25, -50, -72, -90};
    for (int k = 0; k < 5; ++k) {
        Pose p = Stand();
        p.rot = rot[k];
        p.eyes = k == 0 ? Eyes::Wide : (k == 1 ? Eyes::Squeeze : (k < 4 ? Eyes::Shut : Eyes::Dizzy));
        p.look = 0;
        p.mouth = k < 2 ? Mouth::SmallO : (k < 4 ? Mouth::Open : Mouth::Wavy);
        p.backArm.angle = 100 + 20 * (k % 2);
        p.frontArm.angle = 140 - 20 * (k % 2);
        if (k == 4) {
            // on its back: long along the ground, feet up in the air
            p.ry *= 1.12;
            p.rx *= 0.9;
            p.backArm.angle = 60;
            p.frontArm.angle = 70;
            p.back.angle = 20;
            p.front.angle = -35;
        }
        if (k >= 2) {
            p.front.x = 0.5;
            p.front.y = 0.85;
            p.front.angle = -30;
        }
        p.extras = k == 0 ? std::vector<Extra>{Extra::Exclaim}
                          : (k == 4 ? std::vector<Extra>{Extra::Stars} : std::vector<Extra>{});
        s.push_back(Place(Render(p), p, "umfall " + std::to_string(k + 1)));
    }
    return s;
}

Sheet AirTwist() {
    Sheet s;
    for (int k = 0; k < 8; ++k) {
        Pose p = Ball(45.0 * k);
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Smile;
        s.push_back(Place(Render(p), p, "airtwist " + std::to_string(k + 1)));
    }
    return s;
}

Sheet Falling() {
    Sheet s;
    // 1 startled at the top
    {
        Pose p = Stand();
        Squash(p, 1.05);
        p.eyes = Eyes::Wide;
        p.look = 0;
        p.faceX = 0.1;
        p.mouth = Mouth::SmallO;
        p.backArm.angle = 130;
        p.frontArm.angle = 130;
        p.extras = {Extra::Exclaim};
        s.push_back(Place(Render(p), p, "falling 1"));
    }
    // 2-12 tumbling round once, limbs flailing, upright again at 12
    const double rot[11] = {15, 35, 60, 90, 130, 175, 220, 265, 305, 335, 360};
    for (int k = 0; k < 11; ++k) {
        Pose p = Stand();
        p.rot = rot[k];
        p.eyes = k < 2 ? Eyes::Wide : Eyes::Dizzy;
        p.look = 0;
        p.faceX = 0.12;
        p.mouth = k < 2 ? Mouth::Open : (k % 2 ? Mouth::Wavy : Mouth::SmallO);
        p.backArm.angle = 120 + 30 * std::sin(k * 1.7);
        p.frontArm.angle = 120 - 30 * std::sin(k * 1.7);
        p.back.x = -0.5;
        p.front.x = 0.5;
        p.back.angle = 15 * std::sin(k * 1.3);
        p.front.angle = -15 * std::sin(k * 1.3);
        if (k == 10) {
            Squash(p, 1.12);
            p.backArm.angle = 160;
            p.frontArm.angle = 160;
        }
        s.push_back(Place(Render(p), p, "falling " + std::to_string(k + 2)));
    }
    // 13 squashed flat on landing
    {
        Pose p = Stand();
        Squash(p, 0.62);
        p.eyes = Eyes::Squeeze;
        p.mouth = Mouth::Wavy;
        p.faceY = -0.05;
        p.backArm.angle = 75;
        p.frontArm.angle = 75;
        p.backArm.len = 2.5;
        p.frontArm.len = 2.5;
        p.back.x = -0.65;
        p.front.x = 0.65;
        p.back.angle = 30;
        p.front.angle = -30;
        p.pomR = 2.4;
        p.extras = {Extra::Puffs};
        s.push_back(Place(Render(p), p, "falling 13"));
    }
    return s;
}

struct SheetDef {
    const char* name;
    int frames;
    std::function<Sheet()> draw;
};

const std::vector<SheetDef>& Sheets() {
    static const std::vector<SheetDef> defs = {
        {"standard", 6, Standard},   {"airtwist", 8, AirTwist}, {"falling", 13, Falling},
        {"freeze", 20, Freeze},      {"happyjump", 4, HappyJump}, {"hatschi", 5, Hatschi},
        {"shout", 4, Shout},         {"sleeping", 14, Sleeping}, {"slide", 6, Slide},
        {"twist", 9, Twist},         {"umfall", 5, Umfall},     {"walking", 10, Walking},
    };
    return defs;
}

void Write(const std::string& dir, const SheetDef& def, const Sheet& sheet) {
    if (static_cast<int>(sheet.size()) != def.frames)
        throw std::runtime_error(std::string(def.name) + ": wrong number of frames");
    std::string path = dir + "/" + def.name + ".txt";
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << "# Pomfy's sprite sheet \"" << def.name << "\": " << def.frames
        << " frames of 35 x 35 pixels, facing right.\n"
        << "# One character per pixel, as listed in legend.txt, '.' is transparent.\n"
        << "# Drawn by tools/sheets/draw_art.cpp (pomfy-draw-art). Edits by hand are fine,\n"
        << "# but running that program again overwrites them.\n";
    for (int k = 0; k < def.frames; ++k) {
        out << "\nframe " << (k + 1) << "\n";
        for (int y = 0; y < N; ++y) out << std::string(sheet[k].px[y], N) << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pomfy-draw-art <sprite folder> [sheet ...]\n");
        return 2;
    }
    std::string dir = argv[1];
    try {
        for (const SheetDef& def : Sheets()) {
            bool wanted = argc == 2;
            for (int i = 2; i < argc; ++i) wanted = wanted || def.name == std::string(argv[i]);
            if (!wanted) continue;
            Write(dir, def, def.draw());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pomfy-draw-art: %s\n", e.what());
        return 1;
    }
    return 0;
}
