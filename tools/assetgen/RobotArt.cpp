// RobotArt: a small friendly robot in ivory, orange and graphite. The layout numbers are
// pixels of each picture; where a feature must line up with the 3-D parts (the visor round the
// eye on the dome), the position comes from the part's texture mapping, as noted at the feature.
#include "RobotArt.h"

#include "Random.h"
#include "TileNoise.h"

#include <algorithm>
#include <cmath>

#include "geometry/Pi.h"

namespace {


// The livery: ivory panels, orange bands, graphite trim and vents, amber lights, brass bolts.
const Colour ivory = Colour::rgb(0.94, 0.91, 0.84);
const Colour plate = Colour::rgb(0.88, 0.85, 0.78);  // a recessed panel, a shade below ivory
const Colour seam = Colour::rgb(0.70, 0.66, 0.59);
const Colour orange = Colour::rgb(0.93, 0.47, 0.13);
const Colour deepOrange = Colour::rgb(0.70, 0.30, 0.08);
const Colour graphite = Colour::rgb(0.22, 0.21, 0.21);
const Colour charcoal = Colour::rgb(0.13, 0.12, 0.12);
const Colour amber = Colour::rgb(1.0, 0.70, 0.18);
const Colour dimAmber = Colour::rgb(0.42, 0.26, 0.08);
const Colour brass = Colour::rgb(0.78, 0.62, 0.36);
const Colour copper = Colour::rgb(0.72, 0.45, 0.28);
const Colour cyan = Colour::rgb(0.45, 0.95, 1.0);

// A dome-headed brass rivet: a darker rim, a lit upper left.
void rivet(Canvas& canvas, double cx, double cy, double radius)
{
    canvas.fillCircle(cx, cy, radius, brass.scaled(0.75));
    canvas.fillCircle(cx - radius * 0.25, cy - radius * 0.25, radius * 0.55,
                      Colour::rgb(1.0, 0.93, 0.74));
}

// A faint wobble of brightness so large light areas do not look flat; tiles across the width.
void brushed(Canvas& canvas, std::uint64_t seed, double strength)
{
    TileNoise grain(seed, 8, 3);
    double w = canvas.width();
    double h = canvas.height();
    canvas.filter([&](Colour old, double x, double y) {
        return old.scaled(1.0 + strength * grain.stretched(x / w, y / h, 4));
    });
}

// A lamp: a dark socket, the glow and a small highlight to the upper left. squeeze narrows it
// across, for pictures stretched wider than tall on the part, so it still looks round there.
void lamp(Canvas& canvas, double cx, double cy, double radius, double squeeze, Colour light)
{
    double across = radius * squeeze;
    canvas.fillEllipse(cx, cy, across + 1, radius + 1, charcoal);
    canvas.fillEllipse(cx, cy, across, radius, light);
    canvas.fillEllipse(cx - across * 0.3, cy - radius * 0.3, across * 0.38, radius * 0.38,
                       Colour::rgb(1, 1, 1, 0.75));
}

// A disc of concentric rings for end caps: graphite rim, ivory face, groove, brass bolts and an
// orange hub round an amber light.
void capDisc(Canvas& canvas, double radius, int bolts)
{
    double c = canvas.width() / 2.0;
    canvas.fillCircle(c, c, radius, graphite);
    canvas.fillCircle(c, c, radius * 0.88, ivory);
    canvas.strokeCircle(c, c, radius * 0.58, std::max(1.0, radius * 0.06), seam);
    for (int i = 0; i < bolts; ++i) {
        double angle = 2.0 * pi * i / bolts;
        rivet(canvas, c + std::cos(angle) * radius * 0.74, c + std::sin(angle) * radius * 0.74,
              std::max(1.0, radius * 0.07));
    }
    canvas.fillCircle(c, c, radius * 0.30, orange);
    canvas.strokeCircle(c, c, radius * 0.30, std::max(1.0, radius * 0.05), deepOrange);
    canvas.fillCircle(c, c, radius * 0.12, amber);
}

// A vent of rounded slats filling a circle, on a plate with a seam round it.
void roundVent(Canvas& canvas, double cx, double cy)
{
    canvas.fillCircle(cx, cy, 17, seam);
    canvas.fillCircle(cx, cy, 15.5, plate);
    for (int i = -2; i <= 2; ++i) {
        double half = std::sqrt(13.0 * 13.0 - (i * 5.0) * (i * 5.0)) - 2;
        canvas.fillRoundRect(cx - half, cy + i * 5 - 1.5, cx + half, cy + i * 5 + 1.5, 1.5,
                             graphite);
    }
}

} // namespace

RobotArt::RobotArt(const Font& bold) : bold(bold) {}

Canvas RobotArt::body() const
{
    // Round the drum: the middle column (u = 0.5) faces forward, u = 0 and 1 meet at the back.
    // A graphite rim under the head, ivory panels, and a broad orange belt above a graphite foot.
    Canvas canvas(256, 128, 3, ivory);
    canvas.setWrapping(true);
    brushed(canvas, 0x426F6479ULL, 0.025);
    canvas.fillRect(0, 0, 256, 5, graphite);
    canvas.fillRect(0, 5, 256, 6, seam);
    canvas.fillRect(0, 99, 256, 100, seam);
    canvas.fillRect(0, 100, 256, 113, orange);
    canvas.fillRect(0, 111, 256, 113, deepOrange);
    canvas.fillRect(0, 113, 256, 128, graphite);
    for (int i = 0; i < 16; ++i) {
        rivet(canvas, 8 + 16 * i, 12, 1.6);
        rivet(canvas, 8 + 16 * i, 120.5, 1.6);
    }
    for (double x : {32.0, 96.0, 160.0, 224.0}) {
        canvas.fillRect(x, 19, x + 1, 99, seam);
        canvas.fillRect(x + 1, 19, x + 2, 99, Colour::rgb(1.0, 0.98, 0.93));
    }

    // Chest panel at the front: an amber read-out over a graphite grille.
    canvas.fillRoundRect(100, 25, 156, 95, 7, seam);
    canvas.fillRoundRect(101.5, 26.5, 154.5, 93.5, 6, plate);
    canvas.fillRoundRect(107, 33, 149, 57, 4, charcoal);
    // The drum shows a texel about 1.5 times wider than tall (416 x 138 px for 256 x 128).
    lamp(canvas, 116, 45, 4.5, 1 / 1.5, amber);
    const double levels[4] = {6, 9, 12, 15}; // pixels: heights of the meter's bars
    for (int i = 0; i < 4; ++i) {
        double x = 125 + 5.5 * i;
        canvas.fillRect(x, 52 - levels[i], x + 3.5, 52, i < 3 ? amber : dimAmber);
    }
    for (int i = 0; i < 5; ++i) {
        double y = 63 + 5.5 * i;
        canvas.fillRoundRect(110, y, 146, y + 3, 1.5, graphite);
    }

    // Round vents on both sides, each with an orange tab under it.
    for (double x : {64.0, 192.0}) {
        roundVent(canvas, x, 56);
        canvas.fillRoundRect(x - 10, 80, x + 10, 86, 3, orange);
    }

    // A service hatch at the back, across the seam where the picture wraps.
    canvas.fillRoundRect(-22, 28, 22, 92, 6, seam);
    canvas.fillRoundRect(-20.5, 29.5, 20.5, 90.5, 5, plate);
    canvas.fillRoundRect(-10, 56, 10, 63, 3, graphite);
    canvas.fillRoundRect(-8, 57.5, 8, 61.5, 2, orange);
    for (double x : {-16.0, 16.0}) {
        for (double y : {34.0, 86.0}) {
            rivet(canvas, x, y, 1.5);
        }
    }
    return canvas;
}

Canvas RobotArt::bodyLid() const
{
    Canvas canvas(64, 64, 3, graphite);
    capDisc(canvas, 31.5, 8);
    return canvas;
}

Canvas RobotArt::head() const
{
    // The dome shows rows 0 (its top) to 63 (its rim) only; the rest carries the rim's colour
    // on, so filtering at the rim finds the same graphite. Ivory with an orange crown, a
    // graphite collar at the rim, a visor round the eye and a round ear on each side.
    Canvas canvas(256, 128, 3, ivory);
    canvas.setWrapping(true);
    brushed(canvas, 0x48656164ULL, 0.02);
    canvas.fillRect(0, 0, 256, 7, orange);
    canvas.fillRect(0, 7, 256, 9, graphite);
    canvas.fillRect(0, 49, 256, 54, orange);
    canvas.fillRect(0, 54, 256, 128, graphite);
    for (double x : {32.0, 96.0, 160.0, 224.0}) {
        canvas.fillRect(x, 11, x + 1, 48, seam);
    }
    for (int i = 0; i < 16; ++i) {
        rivet(canvas, 8 + 16 * i, 59, 1.4);
    }

    // A visor round the eye. The dome's mapping puts the eye at about column 125, row 37, a
    // little left of the front (column 136); the lens sits lower right of it. A copper ring
    // frames the eye and a short amber strip glows beside it.
    canvas.fillRoundRect(98, 24, 174, 48, 8, graphite);
    canvas.fillRoundRect(100, 26, 172, 46, 6, charcoal);
    canvas.strokeCircle(125, 37, 12, 2.2, copper);
    for (int i = 0; i < 3; ++i) {
        double x = 145 + 8 * i;
        canvas.fillRoundRect(x, 30, x + 5, 33, 1.5, i < 2 ? amber : dimAmber);
    }
    canvas.fillRoundRect(102, 27.5, 118, 29.5, 1, Colour::rgb(1, 1, 1, 0.25));

    // Round ears on both sides: a graphite boss, an orange ring, an amber light.
    for (double x : {72.0, 200.0}) {
        canvas.fillCircle(x, 34, 9, graphite);
        canvas.strokeCircle(x, 34, 6, 2, orange);
        canvas.fillCircle(x, 34, 2.8, amber);
    }

    // Three short vent slots at the back, across the wrap.
    for (double y : {26.0, 33.0, 40.0}) {
        canvas.fillRoundRect(-9, y, 9, y + 3, 1.5, graphite);
    }
    return canvas;
}

Canvas RobotArt::underbody() const
{
    // A graphite band of cooling slots, with a copper lip at the top.
    Canvas canvas(128, 16, 3, graphite);
    canvas.setWrapping(true);
    canvas.fillRect(0, 0, 128, 2, copper);
    canvas.fillRect(0, 14, 128, 16, charcoal);
    for (int i = 0; i < 16; ++i) {
        double x = 4 + 8 * i;
        canvas.fillRoundRect(x - 1.6, 4, x + 1.6, 12, 1.6, Colour::rgb(0.06, 0.05, 0.05));
        canvas.fillRect(x + 1.6, 4, x + 2.4, 12, Colour::rgb(0.38, 0.35, 0.33));
    }
    return canvas;
}

Canvas RobotArt::metal() const
{
    // Turned brass: fine rings round the axle (streaks along the picture's width, which wraps).
    Canvas canvas(32, 32, 3, Colour::rgb(0.74, 0.58, 0.38));
    TileNoise grain(0x4D6574616CULL, 2, 4);
    canvas.filter([&grain](Colour old, double x, double y) {
        return old.scaled(1.0 + 0.16 * grain.stretched(x / 32, y / 32, 8));
    });
    return canvas;
}

Canvas RobotArt::axe() const
{
    // A brass bolt head: a round washer, a hexagon, a lit dome in the middle.
    Canvas canvas(16, 16, 3, brass.scaled(0.6));
    canvas.fillCircle(8, 8, 7.5, brass);
    std::vector<Point> hexagon;
    for (int i = 0; i < 6; ++i) {
        double angle = pi / 6 + pi / 3 * i;
        hexagon.push_back({8 + 5 * std::cos(angle), 8 + 5 * std::sin(angle)});
    }
    canvas.fillPolygon(hexagon, copper.scaled(0.8));
    canvas.fillCircle(8, 8, 2.5, Colour::rgb(0.92, 0.80, 0.56));
    canvas.fillCircle(7.3, 7.3, 1, Colour::rgb(1, 0.97, 0.88));
    return canvas;
}

Canvas RobotArt::jack() const
{
    // Across: a warm steel rod lit from one side. Down: its length, with grooves and graphite
    // collars with an orange ring at both ends.
    Canvas canvas(16, 64, 3, ivory);
    canvas.paint([](double x, double y) {
        double across = x / 16;
        double shine = std::exp(-std::pow((across - 0.35) / 0.16, 2.0));
        double level = 0.42 + 0.5 * shine + 0.12 * std::sin(pi * across);
        bool groove = std::fmod(y, 16.0) < 1.0;
        return Colour::rgb(level * 1.04, level, level * 0.92).scaled(groove ? 0.6 : 1.0);
    });
    for (double top : {0.0, 58.0}) {
        canvas.fillRect(0, top, 16, top + 6, graphite);
        canvas.fillRect(0, top + 2, 16, top + 4, orange);
    }
    return canvas;
}

Canvas RobotArt::square() const
{
    // A framed ivory panel, bevelled towards the light, a brass rivet in each corner. It is
    // stretched to faces of many shapes, so it stays plain.
    Canvas canvas(32, 32, 3, graphite.mixedWith(seam, 0.5));
    canvas.fillRect(1, 1, 31, 31, seam);
    canvas.fillRect(1, 1, 30, 30, Colour::rgb(1.0, 0.98, 0.93));
    canvas.fillRect(2, 2, 30, 30, ivory);
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
    Canvas canvas(32, 32, 3, graphite);
    capDisc(canvas, 15.5, 6);
    return canvas;
}

Canvas RobotArt::misc() const
{
    // Orange and graphite warning stripes.
    Canvas canvas(16, 16, 3, graphite);
    canvas.paint([](double x, double y) {
        bool stripe = std::fmod(x + y, 8.0) < 4.0;
        return stripe ? orange : graphite;
    });
    return canvas;
}

Canvas RobotArt::tint() const
{
    // A warm wash, pale peach at the top to amber at the bottom.
    Canvas canvas(16, 16, 3, amber);
    canvas.paint([](double, double y) {
        return Colour::rgb(1.0, 0.90, 0.76).mixedWith(Colour::rgb(0.96, 0.70, 0.42), y / 16);
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
