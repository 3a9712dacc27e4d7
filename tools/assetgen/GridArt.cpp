// GridArt: 4 x 4 cells whose colour runs from blue-grey towards red along u and towards green
// along v, so orientation reads even where the numbers are too small to see.
#include "GridArt.h"

#include <string>

GridArt::GridArt(const Font& bold) : bold(bold) {}

Canvas GridArt::grid(int channels) const
{
    constexpr int size = 64;    // pixels
    constexpr int cells = 4;    // along each side
    constexpr int cell = size / cells;
    const double cellAlpha = channels == 4 ? 0.85 : 1.0;
    Canvas canvas(size, size, channels, Colour::rgb(0, 0, 0, 0));
    for (int row = 0; row < cells; ++row) {
        for (int column = 0; column < cells; ++column) {
            double along = column / (cells - 1.0);
            double down = row / (cells - 1.0);
            Colour colour = Colour::rgb(0.55 + 0.4 * along, 0.55 + 0.4 * down,
                                        0.9 - 0.1 * (along + down));
            if ((row + column) % 2 == 1) {
                colour = colour.scaled(0.86);
            }
            canvas.fillRect(column * cell, row * cell, (column + 1) * cell, (row + 1) * cell,
                            colour.withAlpha(cellAlpha));
            canvas.fillRect(column * cell, row * cell, (column + 1) * cell, row * cell + 1,
                            Colour::rgb(0.1, 0.1, 0.15));
            canvas.fillRect(column * cell, row * cell, column * cell + 1, (row + 1) * cell,
                            Colour::rgb(0.1, 0.1, 0.15));
            // Cell 0 has the corner mark and the u and v labels in its upper left, so its
            // number sits lower right.
            bool corner = row == 0 && column == 0;
            std::string number = std::to_string(row * cells + column);
            bold.drawCentred(canvas, number, column * cell + cell / 2.0 + (corner ? 3.5 : 0.5),
                             row * cell + cell / 2.0 + (corner ? 7 : 5), corner ? 10 : 12,
                             Colour::rgb(0.05, 0.05, 0.1));
        }
    }
    // The (0, 0) corner, then u along the first row and v down the first column.
    const Colour red = Colour::rgb(0.9, 0.1, 0.1);
    const Colour green = Colour::rgb(0.05, 0.6, 0.15);
    canvas.fillPolygon({{0, 0}, {6, 0}, {0, 6}}, Colour::rgb(1.0, 0.9, 0.1));
    canvas.line(8, 1.5, 58, 1.5, 1.8, red);
    canvas.fillPolygon({{64, 1.5}, {57, -2}, {57, 5}}, red);
    canvas.line(1.5, 8, 1.5, 58, 1.8, green);
    canvas.fillPolygon({{1.5, 64}, {-2, 57}, {5, 57}}, green);
    bold.draw(canvas, "u", 7, 9, 9, red);
    bold.draw(canvas, "v", 3, 15, 9, green);
    return canvas;
}
