// ContactSheet: thumbnails in rows of seven, each scaled to fit a square, small ones enlarged
// with their texels kept sharp.
#include "ContactSheet.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int columns = 7;
constexpr int cellWidth = 176;   // pixels
constexpr int cellHeight = 204;  // pixels
constexpr int thumbBox = 160;    // pixels: the square each thumbnail fits in
constexpr int header = 44;       // pixels above the first row
constexpr int margin = 8;        // pixels round the sheet

} // namespace

ContactSheet::ContactSheet(const Font& regular, const Font& bold) : regular(regular), bold(bold) {}

void ContactSheet::add(const std::string& name, const Canvas& picture)
{
    entries.push_back(Entry{name, picture});
}

Canvas ContactSheet::render() const
{
    int rows = (static_cast<int>(entries.size()) + columns - 1) / columns;
    Canvas sheet(2 * margin + columns * cellWidth, header + rows * cellHeight + margin, 4,
                 Colour::rgb(0.13, 0.14, 0.17));
    bold.draw(sheet, "robotscene textures", margin + 8, 30, 22, Colour::rgb(1, 1, 1));
    for (size_t i = 0; i < entries.size(); ++i) {
        const Canvas& picture = entries[i].picture;
        int left = margin + static_cast<int>(i % columns) * cellWidth;
        int top = header + static_cast<int>(i / columns) * cellHeight;
        double scale = std::min(static_cast<double>(thumbBox) / picture.width(),
                                static_cast<double>(thumbBox) / picture.height());
        int w = std::max(1, static_cast<int>(std::lround(picture.width() * scale)));
        int h = std::max(1, static_cast<int>(std::lround(picture.height() * scale)));
        int x = left + (cellWidth - w) / 2;
        int y = top + (thumbBox - h) / 2 + 4;
        if (picture.channels() == 4) {
            for (int cy = 0; cy < h; cy += 8) {
                for (int cx = 0; cx < w; cx += 8) {
                    bool dark = ((cx + cy) / 8) % 2 == 0;
                    sheet.fillRect(x + cx, y + cy, x + std::min(w, cx + 8), y + std::min(h, cy + 8),
                                   dark ? Colour::rgb(0.3, 0.3, 0.33) : Colour::rgb(0.45, 0.45, 0.48));
                }
            }
        }
        sheet.draw(picture.resized(w, h), x, y);
        double centre = left + cellWidth / 2.0;
        bold.drawCentred(sheet, entries[i].name, centre, top + thumbBox + 22, 14,
                         Colour::rgb(1, 1, 1));
        std::string size = std::to_string(picture.width()) + " x " +
                           std::to_string(picture.height()) +
                           (picture.channels() == 4 ? "  RGBA" : "  RGB");
        regular.drawCentred(sheet, size, centre, top + thumbBox + 38, 12,
                            Colour::rgb(0.7, 0.75, 0.85));
    }
    return sheet;
}
