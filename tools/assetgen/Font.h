// Font: lettering from a TrueType file, rendered with stb_truetype and laid over a Canvas.
// Handles left-to-right UTF-8 text on one line; layout beyond that is the painter's business.
#pragma once

#include "Canvas.h"

#include <string>
#include <vector>

#include <stb_truetype.h>

class Font {
public:
    // Reads the whole file; ok() says whether it could be read and parsed.
    explicit Font(const std::string& path);

    bool ok() const;

    // Advance width of text in pixels. pixelHeight is ascender to descender; xScale below 1
    // narrows the letters (for pictures that are stretched on screen).
    double width(const std::string& text, double pixelHeight, double xScale = 1.0) const;
    // Height of a capital letter above the baseline, in pixels.
    double capHeight(double pixelHeight) const;

    // Draws text with its baseline at y, starting at x.
    void draw(Canvas& canvas, const std::string& text, double x, double baseline,
              double pixelHeight, Colour colour, double xScale = 1.0) const;
    // Centred on cx.
    void drawCentred(Canvas& canvas, const std::string& text, double cx, double baseline,
                     double pixelHeight, Colour colour, double xScale = 1.0) const;

private:
    std::vector<unsigned char> data;
    stbtt_fontinfo info;
    bool valid;
};
