// Draws Zembrik's application icon: a dark rounded key tile holding a 3x3 block of light keys
// above the green call key, in the skin's colours, supersampled for soft edges. Writes
// DIR/zembrik.ico (16 to 64 pixels as 32-bit bitmaps, 256 as PNG, as Windows has them) and the
// hicolor theme's tree, DIR/hicolor/NxN/apps/zembrik.png, for the Linux desktop entry.
// Rerun with: make icon
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "png_writer.h"

struct Rgb {
    double r, g, b;
};

static Rgb rgb(int r, int g, int b)
{
    return {r / 255.0, g / 255.0, b / 255.0};
}
static Rgb mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// ---- palette: the keypad's own (display/paint.cpp) ----
const Rgb kTileTop = rgb(28, 35, 45), kTileBottom = rgb(14, 20, 32);
const Rgb kRimTop = rgb(72, 82, 98), kRimBottom = rgb(36, 42, 54);
const Rgb kKeyTop = rgb(244, 246, 249), kKeyBottom = rgb(196, 204, 216);
const Rgb kCallTop = rgb(155, 206, 150), kCallMiddle = rgb(64, 179, 60), kCallBottom = rgb(31, 161, 25);
const Rgb kHandset = rgb(255, 255, 255);

// A point-in-shape test in pixel coordinates; pixel (i, j) covers [i, i+1) x [j, j+1).
using Shape = std::function<bool(double, double)>;

static Shape roundRect(double x0, double y0, double x1, double y1, double r)
{
    return [=](double x, double y) {
        if (x < x0 || x >= x1 || y < y0 || y >= y1)
            return false;
        double dx = std::fmax(std::fmax(x0 + r - x, x - (x1 - r)), 0.0);
        double dy = std::fmax(std::fmax(y0 + r - y, y - (y1 - r)), 0.0);
        return dx * dx + dy * dy <= r * r;
    };
}

static Shape stroke(double x0, double y0, double x1, double y1, double width)
{
    return [=](double x, double y) {
        double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
        double t = std::fmax(0.0, std::fmin(1.0, ((x - x0) * vx + (y - y0) * vy) / len2));
        return std::hypot(x - (x0 + t * vx), y - (y0 + t * vy)) <= width / 2;
    };
}

// The skin's call key handset turned level: a grip arching up between an earpiece and a
// mouthpiece that point down, centred on (cx, cy) and w wide.
static Shape handset(double cx, double cy, double w)
{
    const double ax = cx, ay = cy + 0.42 * w, r0 = 0.43 * w, r1 = 0.57 * w;
    Shape grip = [=](double x, double y) {
        double d = std::hypot(x - ax, y - ay), a = std::atan2(ay - y, x - ax) * 180 / M_PI;
        return d >= r0 && d <= r1 && a >= 38 && a <= 142;
    };
    auto pad = [=](double deg) {
        double dx = std::cos(deg * M_PI / 180), dy = -std::sin(deg * M_PI / 180);
        return stroke(ax + 0.53 * w * dx, ay + 0.53 * w * dy, ax + 0.36 * w * dx, ay + 0.36 * w * dy, 0.22 * w);
    };
    Shape left = pad(148), right = pad(32);
    return [=](double x, double y) { return grip(x, y) || left(x, y) || right(x, y); };
}

// Premultiplied RGBA, each shape laid over what is there with its supersampled coverage.
struct Icon {
    int size;
    std::vector<double> px;
    explicit Icon(int s) : size(s), px(size_t(s) * s * 4, 0.0) {}

    void fill(const Shape &shape, const std::function<Rgb(double)> &colourAtY)
    {
        const int n = 8;
        for (int j = 0; j < size; ++j)
            for (int i = 0; i < size; ++i) {
                int hits = 0;
                for (int sy = 0; sy < n; ++sy)
                    for (int sx = 0; sx < n; ++sx)
                        hits += shape(i + (sx + 0.5) / n, j + (sy + 0.5) / n);
                if (!hits)
                    continue;
                double cover = double(hits) / (n * n);
                Rgb c = colourAtY(j + 0.5);
                double *p = &px[(size_t(j) * size + i) * 4];
                const double src[4] = {c.r, c.g, c.b, 1.0};
                for (int k = 0; k < 4; ++k)
                    p[k] = src[k] * cover + p[k] * (1 - cover);
            }
    }

    // Straight (not premultiplied) RGBA bytes, top row first.
    std::vector<uint8_t> rgba() const
    {
        std::vector<uint8_t> out(px.size());
        for (size_t i = 0; i < px.size(); i += 4) {
            double a = px[i + 3];
            out[i + 3] = uint8_t(std::lround(a * 255));
            for (int k = 0; k < 3 && out[i + 3]; ++k)
                out[i + k] = uint8_t(std::lround(std::fmin(1.0, px[i + k] / a) * 255));
        }
        return out;
    }
};

// Laid out on a 16-unit grid whose whole units are whole pixels at 16, so the smallest icon,
// the one that most needs it, is crisp; the larger ones leave a margin round the tile.
static Icon drawIcon(int size)
{
    Icon icon(size);
    const double margin = size >= 48 ? std::round(size / 16.0) : 0;
    const double u = (size - 2 * margin) / 16.0;
    auto at = [&](double units) { return std::round(margin + units * u); };
    auto gradient = [&](Rgb top, Rgb bottom, double y0, double y1) {
        return [=](double y) { return mix(top, bottom, std::fmin(1.0, std::fmax(0.0, (y - y0) / (y1 - y0)))); };
    };
    const double rim = std::fmax(1.0, std::round(u * 0.5));
    icon.fill(roundRect(at(0), at(0), at(16), at(16), 3.2 * u), gradient(kRimTop, kRimBottom, at(0), at(16)));
    icon.fill(roundRect(at(0) + rim, at(0) + rim, at(16) - rim, at(16) - rim, 3.2 * u - rim),
              gradient(kTileTop, kTileBottom, at(0), at(16)));

    // The keys' size and spacing are whole pixels, so that at 24 pixels, where a unit is one
    // and a half, the three columns are still evenly spaced.
    const double key = std::round(2 * u), pitch = std::round(3 * u);
    const double left = std::round(size / 2.0 - pitch - key / 2), top = at(2);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            double x0 = left + pitch * col, y0 = top + pitch * row;
            icon.fill(roundRect(x0, y0, x0 + key, y0 + key, 0.5 * u), gradient(kKeyTop, kKeyBottom, y0, y0 + key));
        }

    const double barTop = at(11.5), barBottom = at(14);
    auto call = gradient(kCallTop, kCallMiddle, barTop, (barTop + barBottom) / 2);
    auto callLow = gradient(kCallMiddle, kCallBottom, (barTop + barBottom) / 2, barBottom);
    icon.fill(roundRect(at(3.5), barTop, at(12.5), barBottom, 0.9 * u),
              [=](double y) { return y < (barTop + barBottom) / 2 ? call(y) : callLow(y); });
    // Below 64 pixels the bar is a few pixels high and a handset in it only smudges it.
    if (size >= 64)
        icon.fill(handset(size / 2.0, (barTop + barBottom) / 2, 4 * u), [](double) { return kHandset; });
    return icon;
}

// One 32-bit icon image as the ICO format stores it: a bitmap header of double height, the
// BGRA rows bottom up, then the 1-bit transparency mask.
static std::vector<uint8_t> iconBitmap(const Icon &icon)
{
    const int s = icon.size, maskStride = (s + 31) / 32 * 4;
    std::vector<uint8_t> out, pixels = icon.rgba();
    auto put = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out.push_back(uint8_t(v >> (8 * k)));
    };
    put(40, 4), put(s, 4), put(2 * s, 4), put(1, 2), put(32, 2), put(0, 4);
    put(s * s * 4 + maskStride * s, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    for (int y = s - 1; y >= 0; --y)
        for (int x = 0; x < s; ++x) {
            const uint8_t *p = &pixels[(size_t(y) * s + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    for (int y = s - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < s; ++x)
            if (pixels[(size_t(y) * s + x) * 4 + 3] == 0)
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

static std::vector<uint8_t> iconFile(const std::vector<Icon> &icons)
{
    std::vector<std::vector<uint8_t>> images;
    for (const Icon &icon : icons)
        images.push_back(icon.size >= 256 ? EncodePng(icon.size, icon.size, 4, icon.rgba(), PngPacking::Deflated)
                                          : iconBitmap(icon));
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out.push_back(uint8_t(v >> (8 * k)));
    };
    put(0, 2), put(1, 2), put(uint32_t(icons.size()), 2);
    uint32_t offset = 6 + 16 * uint32_t(icons.size());
    for (size_t i = 0; i < icons.size(); ++i) {
        int s = icons[i].size;
        put(s >= 256 ? 0 : s, 1), put(s >= 256 ? 0 : s, 1), put(0, 1), put(0, 1);
        put(1, 2), put(32, 2), put(uint32_t(images[i].size()), 4), put(offset, 4);
        offset += uint32_t(images[i].size());
    }
    for (const auto &image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::vector<Icon> inIco;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        Icon icon = drawIcon(size);
        const std::string n = std::to_string(size);
        const std::filesystem::path apps = dir / "hicolor" / (n + "x" + n) / "apps";
        std::error_code error;
        std::filesystem::create_directories(apps, error);
        if (!WritePng((apps / "zembrik.png").string(), size, size, 4, icon.rgba(), PngPacking::Deflated)) {
            std::fprintf(stderr, "cannot write %s\n", (apps / "zembrik.png").c_str());
            return 1;
        }
        if (size != 128)
            inIco.push_back(icon);
    }
    if (!WriteBytes((dir / "zembrik.ico").string(), iconFile(inIco))) {
        std::fprintf(stderr, "cannot write %s\n", (dir / "zembrik.ico").c_str());
        return 1;
    }
    return 0;
}
