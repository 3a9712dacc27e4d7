// Canvas: painting primitives and the writers. Shapes are signed-distance fills, which give
// clean antialiased edges at the small sizes the program's textures have.
#include "Canvas.h"

#include <algorithm>
#include <cmath>

#include <stb_image_write.h>

namespace {

double clamp01(double value)
{
    return std::min(1.0, std::max(0.0, value));
}

unsigned char toByte(float value)
{
    return static_cast<unsigned char>(std::lround(clamp01(value) * 255.0));
}

// Signed distance from p to a rectangle with rounded corners (negative inside).
double roundRectDistance(double px, double py, double left, double top, double right,
                         double bottom, double radius)
{
    double cx = (left + right) / 2;
    double cy = (top + bottom) / 2;
    double hx = (right - left) / 2 - radius;
    double hy = (bottom - top) / 2 - radius;
    double qx = std::fabs(px - cx) - hx;
    double qy = std::fabs(py - cy) - hy;
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    double inside = std::min(std::max(qx, qy), 0.0);
    return outside + inside - radius;
}

} // namespace

Canvas::Canvas(int width, int height, int channels, Colour ground)
    : w(width), h(height), depth(channels), wrapping(false),
      pixels(static_cast<size_t>(width) * static_cast<size_t>(height),
             channels == 3 ? ground.withAlpha(1.0) : ground)
{
}

int Canvas::width() const
{
    return w;
}

int Canvas::height() const
{
    return h;
}

int Canvas::channels() const
{
    return depth;
}

void Canvas::setWrapping(bool on)
{
    wrapping = on;
}

bool Canvas::locate(int& x, int& y) const
{
    if (wrapping) {
        x = ((x % w) + w) % w;
        y = ((y % h) + h) % h;
        return true;
    }
    return x >= 0 && y >= 0 && x < w && y < h;
}

Colour Canvas::get(int x, int y) const
{
    if (!locate(x, y)) {
        return Colour{0, 0, 0, 0};
    }
    return pixels[static_cast<size_t>(y) * w + x];
}

void Canvas::set(int x, int y, Colour colour)
{
    if (locate(x, y)) {
        pixels[static_cast<size_t>(y) * w + x] = colour;
    }
}

void Canvas::blend(int x, int y, Colour colour, double coverage)
{
    if (!locate(x, y)) {
        return;
    }
    Colour& under = pixels[static_cast<size_t>(y) * w + x];
    double top = clamp01(colour.a * coverage);
    if (top <= 0.0) {
        return;
    }
    if (depth == 3) {
        under = under.mixedWith(colour.withAlpha(1.0), top);
        return;
    }
    // Straight-alpha "over": a clear pixel takes the new colour as it is, so edges against a
    // transparent ground keep their colour instead of darkening.
    double below = under.a * (1.0 - top);
    double alpha = top + below;
    auto channel = [top, below, alpha](float over, float base) {
        return static_cast<float>((over * top + base * below) / alpha);
    };
    under = Colour{channel(colour.r, under.r), channel(colour.g, under.g),
                   channel(colour.b, under.b), static_cast<float>(alpha)};
}

void Canvas::addLight(int x, int y, Colour colour, double amount)
{
    if (!locate(x, y)) {
        return;
    }
    Colour& under = pixels[static_cast<size_t>(y) * w + x];
    under.r += static_cast<float>(colour.r * amount);
    under.g += static_cast<float>(colour.g * amount);
    under.b += static_cast<float>(colour.b * amount);
}

void Canvas::paint(const std::function<Colour(double x, double y)>& shader)
{
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            pixels[static_cast<size_t>(y) * w + x] = shader(x + 0.5, y + 0.5);
        }
    }
}

void Canvas::filter(const std::function<Colour(Colour old, double x, double y)>& filter)
{
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Colour& pixel = pixels[static_cast<size_t>(y) * w + x];
            pixel = filter(pixel, x + 0.5, y + 0.5);
        }
    }
}

void Canvas::fillDistance(double left, double top, double right, double bottom,
                          const std::function<double(double x, double y)>& distance, Colour colour)
{
    int x0 = static_cast<int>(std::floor(left)) - 1;
    int y0 = static_cast<int>(std::floor(top)) - 1;
    int x1 = static_cast<int>(std::ceil(right)) + 1;
    int y1 = static_cast<int>(std::ceil(bottom)) + 1;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            double coverage = clamp01(0.5 - distance(x + 0.5, y + 0.5));
            if (coverage > 0.0) {
                blend(x, y, colour, coverage);
            }
        }
    }
}

void Canvas::fillRect(double left, double top, double right, double bottom, Colour colour)
{
    fillRoundRect(left, top, right, bottom, 0.0, colour);
}

void Canvas::fillRoundRect(double left, double top, double right, double bottom, double radius,
                           Colour colour)
{
    fillDistance(left, top, right, bottom,
                 [=](double x, double y) {
                     return roundRectDistance(x, y, left, top, right, bottom, radius);
                 },
                 colour);
}

void Canvas::strokeRoundRect(double left, double top, double right, double bottom, double radius,
                             double lineWidth, Colour colour)
{
    double half = lineWidth / 2;
    fillDistance(left - half, top - half, right + half, bottom + half,
                 [=](double x, double y) {
                     return std::fabs(roundRectDistance(x, y, left, top, right, bottom, radius)) -
                            half;
                 },
                 colour);
}

void Canvas::fillEllipse(double cx, double cy, double rx, double ry, Colour colour)
{
    // Scaled-circle distance: exact for circles, close enough at an ellipse's edge for
    // one pixel of antialiasing.
    double smaller = std::min(rx, ry);
    fillDistance(cx - rx, cy - ry, cx + rx, cy + ry,
                 [=](double x, double y) {
                     return (std::hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * smaller;
                 },
                 colour);
}

void Canvas::fillCircle(double cx, double cy, double radius, Colour colour)
{
    fillEllipse(cx, cy, radius, radius, colour);
}

void Canvas::strokeCircle(double cx, double cy, double radius, double lineWidth, Colour colour)
{
    strokeEllipse(cx, cy, radius, radius, lineWidth, colour);
}

void Canvas::strokeEllipse(double cx, double cy, double rx, double ry, double lineWidth,
                           Colour colour)
{
    double half = lineWidth / 2;
    double smaller = std::min(rx, ry);
    fillDistance(cx - rx - half, cy - ry - half, cx + rx + half, cy + ry + half,
                 [=](double x, double y) {
                     double onCurve = (std::hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * smaller;
                     return std::fabs(onCurve) - half;
                 },
                 colour);
}

void Canvas::line(double x0, double y0, double x1, double y1, double lineWidth, Colour colour)
{
    double half = lineWidth / 2;
    double dx = x1 - x0;
    double dy = y1 - y0;
    double lengthSquared = dx * dx + dy * dy;
    fillDistance(std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half,
                 std::max(y0, y1) + half,
                 [=](double x, double y) {
                     // Distance to the segment: project onto it and clamp to its ends.
                     double along = lengthSquared > 0.0
                                        ? clamp01(((x - x0) * dx + (y - y0) * dy) / lengthSquared)
                                        : 0.0;
                     return std::hypot(x - (x0 + along * dx), y - (y0 + along * dy)) - half;
                 },
                 colour);
}

void Canvas::fillPolygon(const std::vector<Point>& points, Colour colour)
{
    if (points.size() < 3) {
        return;
    }
    double left = points[0].x;
    double right = left;
    double top = points[0].y;
    double bottom = top;
    for (const Point& p : points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    auto inside = [&points](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Point& a = points[i];
            const Point& b = points[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
                in = !in;
            }
        }
        return in;
    };
    constexpr int samples = 4; // per pixel side
    for (int y = static_cast<int>(std::floor(top)); y <= static_cast<int>(std::ceil(bottom)); ++y) {
        for (int x = static_cast<int>(std::floor(left)); x <= static_cast<int>(std::ceil(right));
             ++x) {
            int hits = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    hits += inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples) ? 1 : 0;
                }
            }
            if (hits > 0) {
                blend(x, y, colour, static_cast<double>(hits) / (samples * samples));
            }
        }
    }
}

void Canvas::strokePolygon(const std::vector<Point>& points, double lineWidth, Colour colour)
{
    for (size_t i = 0; i < points.size(); ++i) {
        const Point& from = points[i];
        const Point& to = points[(i + 1) % points.size()];
        line(from.x, from.y, to.x, to.y, lineWidth, colour);
    }
}

void Canvas::draw(const Canvas& source, int x, int y)
{
    for (int sy = 0; sy < source.h; ++sy) {
        for (int sx = 0; sx < source.w; ++sx) {
            Colour c = source.get(sx, sy);
            if (source.depth == 3) {
                c.a = 1.0f;
            }
            blend(x + sx, y + sy, c, 1.0);
        }
    }
}

Canvas Canvas::resized(int newWidth, int newHeight) const
{
    Canvas result(newWidth, newHeight, depth, Colour{0, 0, 0, 0});
    double stepX = static_cast<double>(w) / newWidth;
    double stepY = static_cast<double>(h) / newHeight;
    for (int y = 0; y < newHeight; ++y) {
        for (int x = 0; x < newWidth; ++x) {
            // Source pixels whose centres fall inside this pixel's footprint; at least one.
            int fromX = static_cast<int>(std::floor(x * stepX));
            int fromY = static_cast<int>(std::floor(y * stepY));
            int toX = std::max(fromX + 1, static_cast<int>(std::floor((x + 1) * stepX)));
            int toY = std::max(fromY + 1, static_cast<int>(std::floor((y + 1) * stepY)));
            double sum[4] = {0, 0, 0, 0};
            int count = 0;
            for (int sy = fromY; sy < toY; ++sy) {
                for (int sx = fromX; sx < toX; ++sx) {
                    Colour c = get(sx, sy);
                    if (depth == 3) {
                        c.a = 1.0f;
                    }
                    // Weighted by alpha so clear pixels do not darken the edges they border.
                    sum[0] += c.r * c.a;
                    sum[1] += c.g * c.a;
                    sum[2] += c.b * c.a;
                    sum[3] += c.a;
                    ++count;
                }
            }
            Colour average{0, 0, 0, 0};
            if (sum[3] > 0.0) {
                average = Colour::rgb(sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3],
                                      sum[3] / count);
            }
            result.set(x, y, average);
        }
    }
    return result;
}

std::vector<unsigned char> Canvas::bytes() const
{
    std::vector<unsigned char> out;
    out.reserve(pixels.size() * static_cast<size_t>(depth));
    for (const Colour& c : pixels) {
        out.push_back(toByte(c.r));
        out.push_back(toByte(c.g));
        out.push_back(toByte(c.b));
        if (depth == 4) {
            out.push_back(toByte(c.a));
        }
    }
    return out;
}

bool Canvas::saveJpg(const std::string& path, int quality) const
{
    if (depth != 3) {
        return false;
    }
    std::vector<unsigned char> data = bytes();
    return stbi_write_jpg(path.c_str(), w, h, 3, data.data(), quality) != 0;
}

bool Canvas::savePng(const std::string& path) const
{
    if (depth != 4) {
        return false;
    }
    std::vector<unsigned char> data = bytes();
    return stbi_write_png(path.c_str(), w, h, 4, data.data(), w * 4) != 0;
}
