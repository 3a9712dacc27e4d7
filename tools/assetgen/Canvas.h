// Canvas: a picture being painted, in float RGBA, with the antialiased shapes the painters use
// and writers for JPEG (3 channels) and PNG (4 channels). Coordinates are in pixels with (0, 0)
// at the top-left corner of the first pixel, so pixel (i, j) has its centre at (i + 0.5, j + 0.5);
// the first row is the first row written to the file. It knows nothing about what it paints.
#pragma once

#include "Colour.h"

#include <functional>
#include <string>
#include <vector>

struct Point {
    double x;
    double y;
};

class Canvas {
public:
    // channels is 3 (written as JPEG, alpha ignored) or 4 (written as PNG).
    Canvas(int width, int height, int channels, Colour ground);

    int width() const;
    int height() const;
    int channels() const;

    // Shapes that run over an edge come back in on the opposite edge, for pictures that tile.
    void setWrapping(bool on);

    Colour get(int x, int y) const;
    void set(int x, int y, Colour colour);

    // Lays colour over pixel (x, y), its alpha scaled by coverage (0..1). Outside the picture
    // it does nothing, unless wrapping is on.
    void blend(int x, int y, Colour colour, double coverage);
    // Adds light: colour times amount onto the pixel's colour (for stars and glows).
    void addLight(int x, int y, Colour colour, double amount);

    // Sets every pixel to what shader returns for its centre.
    void paint(const std::function<Colour(double x, double y)>& shader);
    // Replaces every pixel by what filter makes of it, given its centre.
    void filter(const std::function<Colour(Colour old, double x, double y)>& filter);

    // Fills the inside of a shape given by its signed distance in pixels (negative inside),
    // looking only at pixels within the box; the edge gets one pixel of antialiasing.
    void fillDistance(double left, double top, double right, double bottom,
                      const std::function<double(double x, double y)>& distance, Colour colour);

    void fillRect(double left, double top, double right, double bottom, Colour colour);
    void fillRoundRect(double left, double top, double right, double bottom, double radius,
                       Colour colour);
    void fillEllipse(double cx, double cy, double rx, double ry, Colour colour);
    void fillCircle(double cx, double cy, double radius, Colour colour);
    void strokeCircle(double cx, double cy, double radius, double lineWidth, Colour colour);
    void strokeEllipse(double cx, double cy, double rx, double ry, double lineWidth, Colour colour);
    void strokeRoundRect(double left, double top, double right, double bottom, double radius,
                         double lineWidth, Colour colour);
    void line(double x0, double y0, double x1, double y1, double lineWidth, Colour colour);
    // Even-odd fill, 4 by 4 samples a pixel.
    void fillPolygon(const std::vector<Point>& points, Colour colour);
    // The closed outline of a polygon.
    void strokePolygon(const std::vector<Point>& points, double lineWidth, Colour colour);

    // Lays source over this picture with its top-left corner at (x, y).
    void draw(const Canvas& source, int x, int y);
    // A copy at another size: averaged when shrinking, nearest pixel when growing.
    Canvas resized(int newWidth, int newHeight) const;

    // 8-bit channels, rows top first, rounded and clamped.
    std::vector<unsigned char> bytes() const;
    bool saveJpg(const std::string& path, int quality) const;
    bool savePng(const std::string& path) const;

private:
    int w;
    int h;
    int depth;
    bool wrapping;
    std::vector<Colour> pixels;

    bool locate(int& x, int& y) const;
};
