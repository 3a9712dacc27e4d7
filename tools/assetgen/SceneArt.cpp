// SceneArt: the sky, the floor and the craft.
//
// The sky box puts the whole picture on each of its six faces, and neighbouring faces meet at
// different edges of it: some pairs meet as the picture's own left and right edges (a plain
// repeat), others meet as an edge and its mirror image, or as a column against a row. So every
// edge must look the same read either way: the nebula fades out before the edges, free stars
// keep clear of them, and the few stars that sit on an edge are placed in the four mirror
// positions (t and size - t along both the top and the left edge) and drawn wrapping, so each
// edge carries the same stars whichever way it is read.
#include "SceneArt.h"

#include "Random.h"
#include "TileNoise.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double smoothstep(double edge0, double edge1, double x)
{
    double t = std::min(1.0, std::max(0.0, (x - edge0) / (edge1 - edge0)));
    return t * t * (3.0 - 2.0 * t);
}

// A star as a small Gaussian spot of added light, sigma in pixels.
void star(Canvas& canvas, double cx, double cy, double sigma, double brightness, Colour tint)
{
    int reach = static_cast<int>(std::ceil(3.0 * sigma));
    int x0 = static_cast<int>(std::floor(cx));
    int y0 = static_cast<int>(std::floor(cy));
    for (int y = y0 - reach; y <= y0 + reach; ++y) {
        for (int x = x0 - reach; x <= x0 + reach; ++x) {
            double dx = x + 0.5 - cx;
            double dy = y + 0.5 - cy;
            double amount = brightness * std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma));
            canvas.addLight(x, y, tint, amount);
        }
    }
}

Colour starTint(Random& random)
{
    double warmth = random.uniform();
    if (warmth < 0.25) {
        return Colour::rgb(1.0, 0.88, 0.72);
    }
    if (warmth < 0.6) {
        return Colour::rgb(0.78, 0.86, 1.0);
    }
    return Colour::rgb(1.0, 1.0, 1.0);
}

} // namespace

Canvas SceneArt::sky() const
{
    constexpr int size = 512;          // pixels
    constexpr double fadeBand = 0.16;  // fraction of the side over which the nebula fades out
    Canvas canvas(size, size, 3, Colour::rgb(0, 0, 0));
    canvas.setWrapping(true);
    TileNoise cloud(0x536B79ULL, 4, 5);
    TileNoise hue(0x487565ULL, 2, 3);
    const Colour deep = Colour::rgb(0.012, 0.02, 0.06);
    const Colour violet = Colour::rgb(0.26, 0.10, 0.38);
    const Colour teal = Colour::rgb(0.05, 0.24, 0.34);
    canvas.paint([&](double x, double y) {
        double u = x / size;
        double v = y / size;
        double window = smoothstep(0.0, fadeBand, std::min(u, 1.0 - u)) *
                        smoothstep(0.0, fadeBand, std::min(v, 1.0 - v));
        double density = std::max(0.0, cloud.at(u, v) * 1.8 - 0.05) * window;
        Colour glow = violet.mixedWith(teal, 0.5 + 0.5 * hue.at(u, v));
        return deep.mixedWith(glow, std::min(0.8, density * 0.9));
    });

    Random random(0x53746172ULL);
    // Faint dust first, then the stars, a few of them bright with a soft halo.
    constexpr double dustMargin = 2;  // pixels kept clear at every edge
    for (int i = 0; i < 1400; ++i) {
        canvas.addLight(static_cast<int>(random.range(dustMargin, size - dustMargin)),
                        static_cast<int>(random.range(dustMargin, size - dustMargin)),
                        starTint(random), random.range(0.04, 0.16));
    }
    constexpr double starMargin = 8;  // pixels: the widest free star's reach plus one
    for (int i = 0; i < 520; ++i) {
        double x = random.range(starMargin, size - starMargin);
        double y = random.range(starMargin, size - starMargin);
        double strength = std::pow(random.uniform(), 3.0);
        Colour tint = starTint(random);
        star(canvas, x, y, 0.55 + 0.35 * strength, 0.15 + 1.8 * strength, tint);
        if (strength > 0.55) {
            star(canvas, x, y, 2.2, 0.08 * strength, tint);
        }
    }
    // Stars on the edges, in the four mirror positions.
    for (int i = 0; i < 7; ++i) {
        double t = random.range(20, size - 20);
        double brightness = random.range(0.35, 0.8);
        Colour tint = starTint(random);
        const double places[4][2] = {{0, t}, {0, size - t}, {t, 0}, {size - t, 0}};
        for (const auto& place : places) {
            star(canvas, place[0], place[1], 0.6, brightness, tint);
        }
    }
    return canvas;
}

Canvas SceneArt::floor() const
{
    constexpr int size = 256;   // pixels
    constexpr int tiles = 8;    // tiles along each side
    constexpr int tile = size / tiles;
    const Colour joint = Colour::rgb(0.30, 0.75, 0.95, 0.35);
    Canvas canvas(size, size, 4, joint);
    Random random(0x466C6F6FULL);
    for (int row = 0; row < tiles; ++row) {
        for (int column = 0; column < tiles; ++column) {
            double left = column * tile + 1.0;
            double top = row * tile + 1.0;
            double right = left + tile - 2.0;
            double bottom = top + tile - 2.0;
            double shade = random.range(0.94, 1.06);
            Colour plate = Colour::rgb(0.50, 0.55, 0.63).scaled(shade);
            // Light from the upper left: a bright rim above and left, a dark one below and right.
            canvas.fillRect(left, top, right, bottom, plate.scaled(0.78));
            canvas.fillRect(left, top, right - 1.5, bottom - 1.5, plate.scaled(1.22));
            canvas.fillRect(left + 1.5, top + 1.5, right - 1.5, bottom - 1.5, plate);
            // Raised tread: short slanted bars in a staggered pattern.
            for (int ty = 0; ty < 3; ++ty) {
                for (int tx = 0; tx < 3; ++tx) {
                    double cx = left + 7 + tx * 8 + (ty % 2) * 4 - 2;
                    double cy = top + 7 + ty * 8;
                    double slant = (tx + ty) % 2 == 0 ? 1.8 : -1.8;
                    canvas.line(cx - 1.8, cy + slant, cx + 1.8, cy - slant, 1.6,
                                plate.scaled(1.14));
                }
            }
            for (double bx : {left + 3.5, right - 3.5}) {
                for (double by : {top + 3.5, bottom - 3.5}) {
                    canvas.fillCircle(bx, by, 1.3, plate.scaled(0.6));
                }
            }
        }
    }
    // A faint mark round the centre of the deck.
    canvas.strokeCircle(size / 2.0, size / 2.0, 20, 1.5, Colour::rgb(0.45, 0.85, 1.0, 0.55));
    return canvas;
}

Canvas SceneArt::falcon() const
{
    constexpr double mid = 128; // pixels: the craft's centre line
    const Colour hull = Colour::rgb(0.74, 0.77, 0.82);
    const Colour panel = Colour::rgb(0.58, 0.62, 0.69);
    const Colour outline = Colour::rgb(0.2, 0.23, 0.3);
    const Colour trim = Colour::rgb(0.2, 0.38, 0.75);
    Canvas canvas(256, 256, 4, hull.withAlpha(0.0));

    // Half outline of the wing, mirrored for the other side: a broad swept wing with a
    // notch before the tip.
    const std::vector<Point> half = {{mid, 40},  {100, 92}, {56, 132}, {18, 176},
                                     {24, 190},  {62, 178}, {70, 190}, {100, 186},
                                     {mid, 206}};
    std::vector<Point> wing = half;
    for (auto p = half.rbegin(); p != half.rend(); ++p) {
        wing.push_back({2 * mid - p->x, p->y});
    }
    // The inner panel is the wing shrunk towards a point behind its middle.
    std::vector<Point> inner;
    for (const Point& p : wing) {
        inner.push_back({mid + (p.x - mid) * 0.8, 150 + (p.y - 150) * 0.8});
    }
    canvas.fillPolygon(wing, hull);
    canvas.strokePolygon(wing, 2, outline);
    canvas.fillPolygon(inner, panel);

    // The body: a long hull with a rounded point at the nose and a blue keel stripe.
    const std::vector<Point> body = {{mid, 10},       {mid + 8, 22},  {mid + 13, 42},
                                     {mid + 15, 70},  {mid + 15, 214}, {mid + 10, 228},
                                     {mid - 10, 228}, {mid - 15, 214}, {mid - 15, 70},
                                     {mid - 13, 42},  {mid - 8, 22}};
    canvas.fillPolygon(body, hull);
    canvas.strokePolygon(body, 2, outline);
    canvas.fillRoundRect(mid - 4, 44, mid + 4, 204, 4, trim);
    for (double y : {70.0, 110.0, 150.0, 190.0}) {
        canvas.line(mid - 13, y, mid - 5, y, 1, panel);
        canvas.line(mid + 5, y, mid + 13, y, 1, panel);
    }
    // Blue chevrons on the wings.
    canvas.line(mid - 24, 104, mid - 70, 148, 4, trim);
    canvas.line(mid + 24, 104, mid + 70, 148, 4, trim);

    // Two engine pods with glowing exhausts at the rear, the glow fading behind them.
    for (double side : {-1.0, 1.0}) {
        double cx = mid + side * 40;
        canvas.fillRoundRect(cx - 10, 120, cx + 10, 222, 9, outline);
        canvas.fillRoundRect(cx - 8.5, 122, cx + 8.5, 220, 8, hull.scaled(0.92));
        canvas.fillRoundRect(cx - 8.5, 200, cx + 8.5, 220, 8, trim);
        for (int layer = 0; layer < 4; ++layer) {
            canvas.fillEllipse(cx, 226 + 4 * layer, 8 - layer, 6 + 3 * layer,
                               Colour::rgb(0.55, 0.85, 1.0, 0.5 - 0.1 * layer));
        }
        canvas.fillEllipse(cx, 222, 8, 4, Colour::rgb(0.8, 0.95, 1.0, 0.95));
    }

    // Lights at the wing tips: red on the craft's left, which is the picture's right seen
    // from below, green on its right.
    canvas.fillCircle(2 * mid - 22, 184, 3.5, Colour::rgb(1.0, 0.25, 0.2));
    canvas.fillCircle(22, 184, 3.5, Colour::rgb(0.25, 1.0, 0.4));
    canvas.fillCircle(mid, 24, 2.5, Colour::rgb(1.0, 1.0, 0.9));
    return canvas;
}
