// RobotArt: a small friendly robot in white and blue. The layout numbers are pixels of each
// picture; where a feature must line up with the 3-D parts (the goggles round the eye on the
// dome), the position comes from the part's texture mapping, as noted at the feature.
#include "RobotArt.h"

#include "Random.h"
#include "TileNoise.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;

const Colour white = Colour::rgb(0.94, 0.95, 0.97);
const Colour seam = Colour::rgb(0.70, 0.74, 0.80);
const Colour blue = Colour::rgb(0.18, 0.36, 0.72);
const Colour paleBlue = Colour::rgb(0.55, 0.68, 0.92);
const Colour navy = Colour::rgb(0.08, 0.12, 0.24);
const Colour cyan = Colour::rgb(0.45, 0.95, 1.0);

// A dome-headed rivet: a darker rim, a lit upper left.
void rivet(Canvas& canvas, double cx, double cy, double radius)
{
    canvas.fillCircle(cx, cy, radius, Colour::rgb(0.62, 0.66, 0.72));
    canvas.fillCircle(cx - radius * 0.25, cy - radius * 0.25, radius * 0.55,
                      Colour::rgb(0.98, 0.99, 1.0));
}

// A faint wobble of brightness so large white areas do not look flat; tiles across the width.
void brushed(Canvas& canvas, std::uint64_t seed, double strength)
{
    TileNoise grain(seed, 8, 3);
    double w = canvas.width();
    double h = canvas.height();
    canvas.filter([&](Colour old, double x, double y) {
        return old.scaled(1.0 + strength * grain.stretched(x / w, y / h, 4));
    });
}

// A disc of concentric rings for end caps: rim, face, groove, bolts and a blue hub.
void capDisc(Canvas& canvas, double radius, int bolts)
{
    double c = canvas.width() / 2.0;
    canvas.fillCircle(c, c, radius, Colour::rgb(0.62, 0.66, 0.73));
    canvas.fillCircle(c, c, radius * 0.9, white);
    canvas.strokeCircle(c, c, radius * 0.58, std::max(1.0, radius * 0.06), seam);
    for (int i = 0; i < bolts; ++i) {
        double angle = 2.0 * pi * i / bolts;
        rivet(canvas, c + std::cos(angle) * radius * 0.76, c + std::sin(angle) * radius * 0.76,
              std::max(1.0, radius * 0.07));
    }
    canvas.fillCircle(c, c, radius * 0.28, blue);
    canvas.strokeCircle(c, c, radius * 0.28, std::max(1.0, radius * 0.05), paleBlue);
}

} // namespace

RobotArt::RobotArt(const Font& bold) : bold(bold) {}

Canvas RobotArt::body() const
{
    // Round the drum: the middle column (u = 0.5) faces forward, u = 0 and 1 meet at the back.
    Canvas canvas(256, 128, 3, white);
    canvas.setWrapping(true);
    brushed(canvas, 0x426F6479ULL, 0.025);
    canvas.fillRect(0, 0, 256, 5, blue);
    canvas.fillRect(0, 5, 256, 7, paleBlue);
    canvas.fillRect(0, 116, 256, 128, blue);
    canvas.fillRect(0, 114, 256, 116, paleBlue);
    canvas.fillRect(0, 102, 256, 106, blue);
    for (int i = 0; i < 16; ++i) {
        rivet(canvas, 8 + 16 * i, 13, 1.6);
        rivet(canvas, 8 + 16 * i, 110, 1.6);
    }
    for (double x : {32.0, 96.0, 160.0, 224.0}) {
        canvas.fillRect(x, 21, x + 1, 101, seam);
        canvas.fillRect(x + 1, 21, x + 2, 101, Colour::rgb(1, 1, 1));
    }

    // Chest panel at the front: a small status display and a vent grille.
    canvas.fillRoundRect(100, 27, 156, 97, 7, seam);
    canvas.fillRoundRect(101.5, 28.5, 154.5, 95.5, 6, Colour::rgb(0.87, 0.89, 0.93));
    canvas.fillRoundRect(108, 35, 148, 57, 4, navy);
    const Colour lamps[3] = {Colour::rgb(0.3, 0.9, 0.5), Colour::rgb(1.0, 0.75, 0.25),
                             Colour::rgb(0.35, 0.7, 1.0)};
    for (int i = 0; i < 3; ++i) {
        canvas.fillCircle(117 + 11 * i, 46, 3.2, lamps[i]);
        canvas.fillCircle(116 + 11 * i, 45, 1.2, Colour::rgb(1, 1, 1, 0.8));
    }
    for (int i = 0; i < 5; ++i) {
        double y = 64 + 5.5 * i;
        canvas.fillRoundRect(110, y, 146, y + 3, 1.5, Colour::rgb(0.30, 0.33, 0.40));
    }

    // Round vents on both sides.
    for (double x : {64.0, 192.0}) {
        canvas.fillCircle(x, 60, 17, seam);
        canvas.fillCircle(x, 60, 15.5, Colour::rgb(0.88, 0.9, 0.94));
        for (int i = -2; i <= 2; ++i) {
            double half = std::sqrt(13.0 * 13.0 - (i * 5.0) * (i * 5.0)) - 2;
            canvas.fillRoundRect(x - half, 60 + i * 5 - 1.5, x + half, 60 + i * 5 + 1.5, 1.5,
                                 Colour::rgb(0.30, 0.33, 0.40));
        }
    }

    // A service hatch at the back, across the seam where the picture wraps.
    canvas.fillRoundRect(-22, 30, 22, 94, 6, seam);
    canvas.fillRoundRect(-20.5, 31.5, 20.5, 92.5, 5, Colour::rgb(0.9, 0.92, 0.95));
    canvas.fillRoundRect(-9, 58, 9, 64, 3, blue);
    for (double x : {-16.0, 16.0}) {
        for (double y : {36.0, 88.0}) {
            rivet(canvas, x, y, 1.5);
        }
    }
    return canvas;
}

Canvas RobotArt::bodyLid() const
{
    Canvas canvas(64, 64, 3, Colour::rgb(0.62, 0.66, 0.73));
    capDisc(canvas, 31.5, 8);
    return canvas;
}

Canvas RobotArt::head() const
{
    // The dome shows rows 0 (its top) to 63 (its rim) only; the rest carries the rim's colour
    // on, so filtering at the rim finds the same grey. White with a small blue crown, a steel
    // collar at the rim, goggles round the eye and a round ear on each side.
    const Colour collar = Colour::rgb(0.78, 0.81, 0.86);
    Canvas canvas(256, 128, 3, white);
    canvas.setWrapping(true);
    brushed(canvas, 0x48656164ULL, 0.02);
    canvas.fillRect(0, 0, 256, 5, blue);
    canvas.fillRect(0, 5, 256, 7, paleBlue);
    canvas.fillRect(0, 54, 256, 56, blue);
    canvas.fillRect(0, 56, 256, 128, collar);
    for (double x : {32.0, 96.0, 160.0, 224.0}) {
        canvas.fillRect(x, 9, x + 1, 53, seam);
    }
    for (int i = 0; i < 16; ++i) {
        rivet(canvas, 8 + 16 * i, 60, 1.4);
    }

    // Goggles round the eye. The dome's mapping puts the eye at about column 125, row 37, a
    // little left of the front (column 136); the lens sits lower right of it.
    canvas.fillRoundRect(100, 23, 170, 51, 14, Colour::rgb(0.55, 0.68, 0.9));
    canvas.fillRoundRect(103, 26, 167, 48, 11, Colour::rgb(0.2, 0.3, 0.5));
    canvas.strokeCircle(125, 37, 12.5, 2, Colour::rgb(0.85, 0.92, 1.0));
    canvas.fillRoundRect(106, 28, 122, 31, 1.5, Colour::rgb(1, 1, 1, 0.35));

    // Round ears on both sides.
    for (double x : {72.0, 200.0}) {
        canvas.fillCircle(x, 36, 9, blue);
        canvas.fillCircle(x, 36, 5, paleBlue);
        canvas.fillCircle(x, 36, 2.5, white);
    }
    return canvas;
}

Canvas RobotArt::underbody() const
{
    Canvas canvas(128, 16, 3, Colour::rgb(0.28, 0.33, 0.42));
    canvas.setWrapping(true);
    canvas.fillRect(0, 0, 128, 2, Colour::rgb(0.55, 0.6, 0.7));
    canvas.fillRect(0, 14, 128, 16, Colour::rgb(0.2, 0.24, 0.3));
    for (int i = 0; i < 16; ++i) {
        double x = 4 + 8 * i;
        canvas.fillRoundRect(x - 1.6, 4, x + 1.6, 12, 1.6, Colour::rgb(0.08, 0.1, 0.14));
        canvas.fillRect(x + 1.6, 4, x + 2.4, 12, Colour::rgb(0.4, 0.46, 0.56));
    }
    return canvas;
}

Canvas RobotArt::metal() const
{
    // Turned steel: fine rings round the axle (streaks along the picture's width, which wraps).
    Canvas canvas(32, 32, 3, Colour::rgb(0.64, 0.66, 0.70));
    TileNoise grain(0x4D6574616CULL, 2, 4);
    canvas.filter([&grain](Colour old, double x, double y) {
        return old.scaled(1.0 + 0.16 * grain.stretched(x / 32, y / 32, 8));
    });
    return canvas;
}

Canvas RobotArt::axe() const
{
    Canvas canvas(16, 16, 3, Colour::rgb(0.55, 0.58, 0.63));
    canvas.fillCircle(8, 8, 7.5, Colour::rgb(0.72, 0.75, 0.8));
    std::vector<Point> hexagon;
    for (int i = 0; i < 6; ++i) {
        double angle = pi / 6 + pi / 3 * i;
        hexagon.push_back({8 + 5 * std::cos(angle), 8 + 5 * std::sin(angle)});
    }
    canvas.fillPolygon(hexagon, Colour::rgb(0.45, 0.48, 0.54));
    canvas.fillCircle(8, 8, 2.5, Colour::rgb(0.85, 0.87, 0.9));
    canvas.fillCircle(7.3, 7.3, 1, Colour::rgb(1, 1, 1));
    return canvas;
}

Canvas RobotArt::jack() const
{
    // Across: a chrome rod lit from one side. Down: its length, with grooves and blue collars
    // at both ends.
    Canvas canvas(16, 64, 3, white);
    canvas.paint([](double x, double y) {
        double across = x / 16;
        double shine = std::exp(-std::pow((across - 0.35) / 0.16, 2.0));
        double level = 0.42 + 0.5 * shine + 0.12 * std::sin(pi * across);
        bool groove = std::fmod(y, 16.0) < 1.0;
        return Colour::rgb(level, level * 1.02, level * 1.06).scaled(groove ? 0.6 : 1.0);
    });
    canvas.fillRect(0, 0, 16, 4, blue);
    canvas.fillRect(0, 60, 16, 64, blue);
    return canvas;
}

Canvas RobotArt::square() const
{
    // A framed panel, bevelled towards the light, a rivet in each corner. It is stretched to
    // faces of many shapes, so it stays plain.
    Canvas canvas(32, 32, 3, seam);
    canvas.fillRect(1, 1, 31, 31, Colour::rgb(0.80, 0.83, 0.87));
    canvas.fillRect(1, 1, 30, 30, Colour::rgb(1.0, 1.0, 1.0));
    canvas.fillRect(2, 2, 30, 30, white);
    brushed(canvas, 0x5371ULL, 0.02);
    for (double x : {5.0, 27.0}) {
        for (double y : {5.0, 27.0}) {
            rivet(canvas, x, y, 1.5);
        }
    }
    return canvas;
}

Canvas RobotArt::circle() const
{
    // The caps show the disc inscribed in the picture (half of it on a half-cylinder).
    Canvas canvas(32, 32, 3, Colour::rgb(0.62, 0.66, 0.73));
    capDisc(canvas, 15.5, 6);
    return canvas;
}

Canvas RobotArt::misc() const
{
    Canvas canvas(16, 16, 3, Colour::rgb(0.15, 0.15, 0.18));
    canvas.paint([](double x, double y) {
        bool stripe = std::fmod(x + y, 8.0) < 4.0;
        return stripe ? Colour::rgb(0.95, 0.78, 0.2) : Colour::rgb(0.15, 0.15, 0.18);
    });
    return canvas;
}

Canvas RobotArt::tint() const
{
    Canvas canvas(16, 16, 3, paleBlue);
    canvas.paint([](double, double y) {
        return Colour::rgb(0.75, 0.85, 1.0).mixedWith(Colour::rgb(0.5, 0.65, 0.9), y / 16);
    });
    return canvas;
}

Canvas RobotArt::hologram() const
{
    // Seen upright from the front of the robot: first row at the top of the image. A wire
    // globe with a ring and a small ship on it, a greeting, and lines of "data".
    constexpr double mid = 64;      // pixels
    constexpr double globeY = 96;   // pixels
    constexpr double radius = 42;   // pixels
    Canvas canvas(128, 256, 4, cyan.withAlpha(0.0));
    const Colour line = cyan.withAlpha(0.9);
    const Colour faint = cyan.withAlpha(0.5);

    canvas.strokeRoundRect(5, 5, 123, 251, 10, 1.5, faint);
    for (double x : {5.0, 123.0}) {
        for (double y : {5.0, 251.0}) {
            canvas.fillCircle(x, y, 3, cyan.withAlpha(0.8));
        }
    }

    canvas.fillCircle(mid, globeY, radius, cyan.withAlpha(0.14));
    for (double latitude : {-60.0, -30.0, 0.0, 30.0, 60.0}) {
        double y = globeY + radius * std::sin(latitude * pi / 180);
        double half = radius * std::cos(latitude * pi / 180);
        canvas.line(mid - half, y, mid + half, y, 1.2, faint);
    }
    for (double longitude : {30.0, 60.0}) {
        canvas.strokeEllipse(mid, globeY, radius * std::sin(longitude * pi / 180), radius, 1.2,
                             faint);
    }
    canvas.line(mid, globeY - radius, mid, globeY + radius, 1.2, faint);
    canvas.strokeCircle(mid, globeY, radius, 2.2, line);
    canvas.strokeEllipse(mid, globeY + 4, 56, 13, 1.8, cyan.withAlpha(0.75));
    canvas.fillCircle(mid + 50, globeY + 10, 6, cyan.withAlpha(0.3));
    canvas.fillCircle(mid + 50, globeY + 10, 3, Colour::rgb(0.9, 1.0, 1.0, 0.95));

    bold.drawCentred(canvas, "HELLO", mid, 178, 24, cyan.withAlpha(0.95));
    const double bars[3] = {70, 88, 54}; // pixels: lengths of the data lines
    for (int i = 0; i < 3; ++i) {
        double y = 194 + 9 * i;
        canvas.line(mid - bars[i] / 2, y, mid + bars[i] / 2, y, 3, faint);
    }
    canvas.strokeEllipse(mid, 232, 40, 7, 1.5, faint);
    canvas.fillEllipse(mid, 232, 24, 4, cyan.withAlpha(0.35));

    // Scan lines: every other pair of rows a little fainter.
    canvas.filter([](Colour old, double, double y) {
        bool faintRow = static_cast<int>(y) % 4 >= 2;
        return faintRow ? old.withAlpha(old.a * 0.7) : old;
    });
    return canvas;
}

Canvas RobotArt::holoLight() const
{
    // Strongest in the middle, clear at all four edges, with faint bands across.
    Canvas canvas(32, 32, 4, cyan.withAlpha(0.0));
    canvas.paint([](double x, double y) {
        double across = std::pow(std::sin(pi * x / 32), 1.5);
        double along = std::pow(std::sin(pi * y / 32), 1.5);
        double bands = 0.85 + 0.15 * std::cos(2.0 * pi * y / 4);
        return Colour::rgb(0.6, 0.97, 1.0, 0.85 * across * along * bands);
    });
    return canvas;
}
