// GridArt: the debug grid that replaces every robot skin when debug textures are on. It shows
// how a picture lies on a part: numbered cells (0 at the first row's first cell, counting along
// the row), the (0, 0) corner, and arrows for u (along a row) and v (down the rows).
// It does not write files.
#pragma once

#include "Canvas.h"
#include "Font.h"

class GridArt {
public:
    explicit GridArt(const Font& bold);

    // 64 x 64; channels 3 for grid.jpg, 4 for grid.png (cells slightly see-through).
    Canvas grid(int channels) const;

private:
    const Font& bold;
};
