// Font: glyphs are rendered one at a time at their sub-pixel position, with kerning.
#include "Font.h"

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

// Code points of a UTF-8 string; a malformed byte is taken as it is.
std::vector<int> codePoints(const std::string& text)
{
    std::vector<int> points;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 1;
        if (i + length > text.size()) {
            length = 1;
        }
        int point = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
        for (int k = 1; k < length; ++k) {
            point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

} // namespace

Font::Font(const std::string& path) : info(), valid(false)
{
    std::ifstream file(path, std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!data.empty()) {
        valid = stbtt_InitFont(&info, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0)) != 0;
    }
}

bool Font::ok() const
{
    return valid;
}

double Font::width(const std::string& text, double pixelHeight, double xScale) const
{
    if (!valid) {
        return 0.0;
    }
    double scale = stbtt_ScaleForPixelHeight(&info, static_cast<float>(pixelHeight)) * xScale;
    std::vector<int> points = codePoints(text);
    double total = 0.0;
    for (size_t i = 0; i < points.size(); ++i) {
        int advance = 0;
        int bearing = 0;
        stbtt_GetCodepointHMetrics(&info, points[i], &advance, &bearing);
        total += advance * scale;
        if (i + 1 < points.size()) {
            total += stbtt_GetCodepointKernAdvance(&info, points[i], points[i + 1]) * scale;
        }
    }
    return total;
}

double Font::capHeight(double pixelHeight) const
{
    if (!valid) {
        return 0.0;
    }
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    stbtt_GetCodepointBox(&info, 'H', &x0, &y0, &x1, &y1);
    return y1 * stbtt_ScaleForPixelHeight(&info, static_cast<float>(pixelHeight));
}

void Font::draw(Canvas& canvas, const std::string& text, double x, double baseline,
                double pixelHeight, Colour colour, double xScale) const
{
    if (!valid) {
        return;
    }
    float scaleY = stbtt_ScaleForPixelHeight(&info, static_cast<float>(pixelHeight));
    float scaleX = static_cast<float>(scaleY * xScale);
    double baseRow = std::floor(baseline);
    float shiftY = static_cast<float>(baseline - baseRow);
    std::vector<int> points = codePoints(text);
    double pen = x;
    for (size_t i = 0; i < points.size(); ++i) {
        double column = std::floor(pen);
        float shiftX = static_cast<float>(pen - column);
        int x0 = 0;
        int y0 = 0;
        int x1 = 0;
        int y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, points[i], scaleX, scaleY, shiftX, shiftY, &x0,
                                            &y0, &x1, &y1);
        int glyphWidth = x1 - x0;
        int glyphHeight = y1 - y0;
        if (glyphWidth > 0 && glyphHeight > 0) {
            std::vector<unsigned char> coverage(static_cast<size_t>(glyphWidth) * glyphHeight);
            stbtt_MakeCodepointBitmapSubpixel(&info, coverage.data(), glyphWidth, glyphHeight,
                                              glyphWidth, scaleX, scaleY, shiftX, shiftY,
                                              points[i]);
            for (int gy = 0; gy < glyphHeight; ++gy) {
                for (int gx = 0; gx < glyphWidth; ++gx) {
                    unsigned char value = coverage[static_cast<size_t>(gy) * glyphWidth + gx];
                    if (value > 0) {
                        canvas.blend(static_cast<int>(column) + x0 + gx,
                                     static_cast<int>(baseRow) + y0 + gy, colour, value / 255.0);
                    }
                }
            }
        }
        int advance = 0;
        int bearing = 0;
        stbtt_GetCodepointHMetrics(&info, points[i], &advance, &bearing);
        pen += advance * scaleX;
        if (i + 1 < points.size()) {
            pen += stbtt_GetCodepointKernAdvance(&info, points[i], points[i + 1]) * scaleX;
        }
    }
}

void Font::drawCentred(Canvas& canvas, const std::string& text, double cx, double baseline,
                       double pixelHeight, Colour colour, double xScale) const
{
    draw(canvas, text, cx - width(text, pixelHeight, xScale) / 2, baseline, pixelHeight, colour,
         xScale);
}
