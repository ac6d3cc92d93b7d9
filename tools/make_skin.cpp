// Draws Zembrik's default skin: the 240x120 sprite sheet of status-bar icons, battery parts,
// keypad key icons and the normal/selected tab strips, written as an 8-bit RGB PNG.
// Rerun with: make skin
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "png_writer.h"

struct Color { uint8_t r, g, b; };

static Color mix(Color a, Color b, double t) {
    auto ch = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
    return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

struct Canvas {
    int w, h;
    std::vector<Color> px;
    Canvas(int w_, int h_, Color bg) : w(w_), h(h_), px(size_t(w_) * h_, bg) {}
    Color& at(int x, int y) { return px[size_t(y) * w + x]; }
};

// A point-in-shape test in sprite-local coordinates; pixel (i, j) covers [i, i+1) x [j, j+1).
using Shape = std::function<bool(double, double)>;

static Shape box(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}
static Shape ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    };
}
static Shape disc(double cx, double cy, double r) { return ellipse(cx, cy, r, r); }
// Annulus limited to angles a0..a1 in degrees, counter-clockwise from +x with y pointing up.
static Shape arc(double cx, double cy, double r0, double r1, double a0, double a1) {
    return [=](double x, double y) {
        double d = std::hypot(x - cx, y - cy);
        double a = std::atan2(cy - y, x - cx) * 180.0 / M_PI;
        if (a < a0) a += 360.0;
        return d >= r0 && d <= r1 && a >= a0 && a <= a1;
    };
}
static Shape ring(double cx, double cy, double r0, double r1) { return arc(cx, cy, r0, r1, -180, 180); }
// A stroke of the given width with round ends.
static Shape line(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
        double t = len2 > 0 ? ((x - x0) * vx + (y - y0) * vy) / len2 : 0;
        t = std::fmax(0.0, std::fmin(1.0, t));
        return std::hypot(x - (x0 + t * vx), y - (y0 + t * vy)) <= width / 2;
    };
}
static Shape polygon(std::vector<std::pair<double, double>> pts) {
    return [=](double x, double y) {  // even-odd crossing test
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            auto [xi, yi] = pts[i];
            auto [xj, yj] = pts[j];
            if ((yi > y) != (yj > y) && x < xj + (y - yj) * (xi - xj) / (yi - yj)) in = !in;
        }
        return in;
    };
}
static Shape polyline(std::vector<std::pair<double, double>> pts, double width) {
    std::vector<Shape> segs;
    for (size_t i = 1; i < pts.size(); ++i)
        segs.push_back(line(pts[i - 1].first, pts[i - 1].second, pts[i].first, pts[i].second, width));
    return [=](double x, double y) {
        for (auto& s : segs) if (s(x, y)) return true;
        return false;
    };
}
static Shape either(Shape a, Shape b) { return [=](double x, double y) { return a(x, y) || b(x, y); }; }
static Shape minus(Shape a, Shape b) { return [=](double x, double y) { return a(x, y) && !b(x, y); }; }

// A view of one sprite rectangle: all drawing is local to it and clipped to it, because the
// program blits exactly these rectangles and anything spilling over would corrupt a neighbour.
struct Sprite {
    Canvas& c;
    int ox, oy, w, h;

    void set(int x, int y, Color col) {
        if (x >= 0 && y >= 0 && x < w && y < h) c.at(ox + x, oy + y) = col;
    }
    void rect(int x, int y, int rw, int rh, Color col) {
        for (int j = y; j < y + rh; ++j)
            for (int i = x; i < x + rw; ++i) set(i, j, col);
    }
    void vgradient(Color top, Color bottom) {
        for (int j = 0; j < h; ++j) rect(0, j, w, 1, mix(top, bottom, h > 1 ? double(j) / (h - 1) : 0));
    }
    // 4x4 supersampling gives soft edges on curves while axis-aligned edges on whole
    // pixels stay perfectly crisp.
    void fill(const Shape& s, Color col) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) hits += s(i + (sx + 0.5) / 4, j + (sy + 0.5) / 4);
                if (hits) c.at(ox + i, oy + j) = mix(c.at(ox + i, oy + j), col, hits / 16.0);
            }
    }
};

// ---- palette ----
const Color kSheet{0, 0, 0};
const Color kBarTop{58, 66, 82}, kBarBottom{6, 8, 12};
const Color kStatusText{230, 235, 240};
const Color kIcon{235, 240, 245};
const Color kUnlit{62, 70, 84};
const Color kKeyDark{11, 28, 54};
const Color kCallGreen{64, 179, 60};
const Color kBtBlue{0, 96, 210};
const Color kUpGreen{110, 225, 110}, kDownBlue{110, 180, 255};
const Color kMuteRed{235, 75, 60};
const Color kBattFillTop{140, 240, 110}, kBattFillBottom{40, 160, 40}, kBattEmpty{22, 24, 30};
const Color kTabTop{40, 44, 54}, kTabBottom{8, 9, 12}, kTabIcon{160, 168, 182};
const Color kTabSelTop{60, 120, 200}, kTabSelBottom{14, 42, 92}, kTabSelIcon{255, 255, 255};

// Status icons sit on the same gradient as the status bar so they blend into it.
static Sprite statusSprite(Canvas& c, int x, int w) {
    Sprite s{c, x, 0, w, 16};
    s.vgradient(kBarTop, kBarBottom);
    return s;
}

// Both signal sprites share bar positions so a partially lit meter can be cut from either.
static void drawSignalBars(Canvas& c, int x, Color col) {
    Sprite s = statusSprite(c, x, 20);
    for (int i = 0; i < 5; ++i) {
        int bh = 3 + 3 * i;
        s.rect(i * 4, 15 - bh, 3, bh, col);
    }
}

static Shape speaker() {
    return either(box(1, 6, 4, 10), polygon({{3.5, 6}, {8, 2}, {8, 14}, {3.5, 10}}));
}

static void drawSoundRing(Canvas& c) {
    Sprite s = statusSprite(c, 40, 17);
    s.fill(speaker(), kIcon);
    s.fill(arc(8, 8, 3.0, 4.4, -50, 50), kIcon);
    s.fill(arc(8, 8, 6.2, 7.6, -55, 55), kIcon);
}

static void drawSoundSilent(Canvas& c) {
    Sprite s = statusSprite(c, 61, 16);
    s.fill(speaker(), kIcon);
    s.fill(line(10, 5, 15, 11, 1.7), kMuteRed);
    s.fill(line(10, 11, 15, 5, 1.7), kMuteRed);
}

static void drawSoundVibrate(Canvas& c) {
    Sprite s = statusSprite(c, 84, 17);
    s.rect(5, 1, 7, 15, kIcon);
    s.rect(6, 3, 5, 9, kBarBottom);  // screen
    s.set(5, 1, mix(kIcon, kBarTop, 0.6));
    s.set(11, 1, mix(kIcon, kBarTop, 0.6));
    s.set(5, 15, mix(kIcon, kBarBottom, 0.6));
    s.set(11, 15, mix(kIcon, kBarBottom, 0.6));
    s.fill(polyline({{3, 3.5}, {1, 5.75}, {3, 8}, {1, 10.25}, {3, 12.5}}, 1.2), kIcon);
    s.fill(polyline({{14, 3.5}, {16, 5.75}, {14, 8}, {16, 10.25}, {14, 12.5}}, 1.2), kIcon);
}

// The rune is plotted pixel by pixel: at this size any smoothing turns it into a blur.
static void bluetoothRune(Sprite& s, int x, int y) {
    static const char* rows[] = {"...#...", "...##..", "...#.#.", ".#.#..#", "..##.#.", "...##..",
                                 "...##..", "..##.#.", ".#.#..#", "...#.#.", "...##..", "...#..."};
    for (int j = 0; j < 12; ++j)
        for (int i = 0; i < 7; ++i)
            if (rows[j][i] == '#') s.set(x + i, y + j, kIcon);
}

static void drawBluetooth(Canvas& c) {
    Sprite s = statusSprite(c, 107, 11);
    s.fill(ellipse(5.5, 8, 5.5, 8), kBtBlue);
    bluetoothRune(s, 2, 2);
}

static void drawBluetoothConnected(Canvas& c) {
    Sprite s = statusSprite(c, 169, 17);
    s.fill(ellipse(8.5, 8, 5.5, 8), kBtBlue);
    bluetoothRune(s, 5, 2);
    s.rect(0, 7, 2, 2, kIcon);
    s.rect(15, 7, 2, 2, kIcon);
}

static void drawWifi(Canvas& c) {
    Sprite s = statusSprite(c, 127, 21);
    const double cx = 10.5, cy = 14.5;
    s.fill(disc(cx, cy - 1.2, 1.9), kIcon);
    s.fill(arc(cx, cy, 4.2, 6.0, 45, 135), kIcon);
    s.fill(arc(cx, cy, 7.8, 9.6, 45, 135), kIcon);
    s.fill(arc(cx, cy, 11.4, 13.2, 45, 135), kIcon);
}

static void drawDataArrows(Canvas& c) {
    Sprite s = statusSprite(c, 188, 17);
    s.fill(box(4, 5, 6, 15), kUpGreen);
    s.fill(polygon({{5, 1}, {0.5, 6}, {9.5, 6}}), kUpGreen);
    s.fill(box(11, 1, 13, 11), kDownBlue);
    s.fill(polygon({{12, 15}, {7.5, 10}, {16.5, 10}}), kDownBlue);
}

static void drawStatusBackground(Canvas& c) {
    statusSprite(c, 208, 4);
    Sprite{c, 212, 0, 1, 1}.set(0, 0, kStatusText);
}

// The fill (x=220) and empty (x=236) columns live inside the frame, at its first and last
// interior columns, so the frame is drawn with one filled column and the rest empty.
static void drawBattery(Canvas& c) {
    Sprite s = statusSprite(c, 219, 21);
    const Color outline = kIcon;
    s.rect(1, 3, 17, 1, outline);
    s.rect(1, 12, 17, 1, outline);
    s.rect(0, 4, 1, 8, outline);
    s.rect(18, 4, 1, 8, outline);
    s.rect(19, 6, 2, 4, outline);  // nub
    s.rect(2, 4, 16, 8, kBattEmpty);
    for (int j = 4; j < 12; ++j) s.set(1, j, mix(kBattFillTop, kBattFillBottom, (j - 4) / 7.0));
}

static Shape person(double cx, double headY, double headR, double bodyY, double bodyRx, double bodyRy) {
    return either(disc(cx, headY, headR), ellipse(cx, bodyY, bodyRx, bodyRy));
}

static void drawNewContactKey(Canvas& c) {
    Sprite s{c, 25, 21, 27, 16};
    s.rect(0, 0, s.w, s.h, kKeyDark);
    s.fill(person(10, 5, 3.6, 17.5, 7.5, 7.5), kIcon);
    s.fill(either(box(18, 6.75, 26, 8.75), box(21, 3.75, 23, 11.75)), kIcon);
}

static void drawCallKey(Canvas& c) {
    Sprite s{c, 86, 20, 21, 16};
    s.rect(0, 0, s.w, s.h, kCallGreen);
    // A handset tilted 45 degrees: a curved grip with a rounded pad at each end pointing
    // towards the inside of the curve, earpiece top left and mouthpiece bottom right.
    const double cx = 16.5, cy = 1.5;
    auto pad = [&](double deg) {
        double dx = std::cos(deg * M_PI / 180), dy = -std::sin(deg * M_PI / 180);
        return line(cx + 11.3 * dx, cy + 11.3 * dy, cx + 7.2 * dx, cy + 7.2 * dy, 5.0);
    };
    s.fill(either(arc(cx, cy, 9.8, 12.8, 190, 260), either(pad(193), pad(257))), kIcon);
}

static void drawBackspaceKey(Canvas& c) {
    Sprite s{c, 186, 21, 29, 16};
    s.rect(0, 0, s.w, s.h, kKeyDark);
    s.fill(polyline({{9, 2}, {26.5, 2}, {26.5, 14}, {9, 14}, {2.5, 8}, {9, 2}}, 1.6), kIcon);
    s.fill(line(14.5, 5, 20.5, 11, 1.8), kIcon);
    s.fill(line(14.5, 11, 20.5, 5, 1.8), kIcon);
}

// ---- tab strip icons, each drawn centred in a 48x40 cell ----
static Shape starIcon() {
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < 10; ++k) {
        double a = (-90 + 36 * k) * M_PI / 180, r = k % 2 ? 5.2 : 12.5;
        pts.push_back({24 + r * std::cos(a), 21 + r * std::sin(a)});
    }
    return polygon(pts);
}

static Shape clockIcon() {
    return either(ring(24, 20, 8.8, 11.2),
                  either(line(24, 20, 24, 12.5, 2.2), either(line(24, 20, 29.5, 20, 2.2), disc(24, 20, 1.8))));
}

static Shape contactsIcon() {
    // Bottom of the body is flattened by the cell's lower margin.
    return minus(person(24, 13, 5.5, 34, 11, 10), box(0, 31, 48, 40));
}

static Shape keypadIcon() {
    Shape dots = disc(-10, -10, 0);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col) dots = either(dots, disc(17 + 7 * col, 9.5 + 7 * row, 2.4));
    return dots;
}

static Shape searchIcon() {
    return either(ring(21.5, 17.5, 6.2, 8.8), line(27.8, 23.8, 32.5, 28.5, 4.2));
}

static void drawTabStrip(Canvas& c, int y, Color top, Color bottom, Color icon) {
    Shape icons[] = {starIcon(), clockIcon(), contactsIcon(), keypadIcon(), searchIcon()};
    for (int i = 0; i < 5; ++i) {
        Sprite s{c, 48 * i, y, 48, 40};
        s.vgradient(top, bottom);
        s.rect(0, 0, 48, 1, mix(top, Color{255, 255, 255}, 0.15));  // thin top highlight
        s.fill(icons[i], icon);
    }
}

// Rows of RGB bytes for the shared writer, which keeps the skin's file in stored blocks.
static bool writePng(const Canvas& c, const std::string& path) {
    std::vector<uint8_t> bytes;
    for (const Color& p : c.px) bytes.insert(bytes.end(), {p.r, p.g, p.b});
    return WritePng(path, c.w, c.h, 3, bytes, PngPacking::Stored);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    Canvas c(240, 120, kSheet);
    drawSignalBars(c, 0, kIcon);
    drawSignalBars(c, 20, kUnlit);
    drawSoundRing(c);
    drawSoundSilent(c);
    drawSoundVibrate(c);
    drawBluetooth(c);
    drawWifi(c);
    drawBluetoothConnected(c);
    drawDataArrows(c);
    drawStatusBackground(c);
    drawBattery(c);
    drawNewContactKey(c);
    drawCallKey(c);
    drawBackspaceKey(c);
    drawTabStrip(c, 40, kTabTop, kTabBottom, kTabIcon);
    drawTabStrip(c, 80, kTabSelTop, kTabSelBottom, kTabSelIcon);
    if (!writePng(c, argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
