// BoardArt: the pictures that carry lettering: the menu screen with its help card, the credits
// board and the story board. Each is drawn the right way up as it is seen in the scene: the
// first row of the file ends up at the top of the board on screen and the first column at its
// left. It does not write files.
#pragma once

#include "Canvas.h"
#include "Font.h"

#include <string>
#include <vector>

class BoardArt {
public:
    BoardArt(const Font& regular, const Font& bold);

    Canvas menu() const;    // 512 x 512, RGB
    Canvas author() const;  // 256 x 128, RGB
    Canvas story() const;   // 256 x 64, RGBA on a clear ground

private:
    const Font& regular;
    const Font& bold;

    // Draws the key labels as key caps, the last one ending at right.
    void keyCaps(Canvas& canvas, const std::vector<std::string>& keys, double right,
                 double baseline) const;
};
