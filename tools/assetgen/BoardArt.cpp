// BoardArt: layout is fixed in pixels of each picture; sizes of lettering were chosen for how
// large each board appears on a 1024 x 768 window (see docs/assets.md).
#include "BoardArt.h"

#include "Random.h"

#include "input/Bindings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

namespace {

const Colour night = Colour::rgb(0.03, 0.05, 0.12);
const Colour ink = Colour::rgb(0.07, 0.09, 0.18);
const Colour paper = Colour::rgb(0.90, 0.93, 1.00);
const Colour accent = Colour::rgb(0.45, 0.65, 1.00);
const Colour soft = Colour::rgb(0.65, 0.75, 0.95);

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

struct HelpRow {
    std::vector<std::string> keys;
    std::string action;
};

std::string capOf(const Binding& binding)
{
    switch (binding.character) {
    case ' ': return "Space";
    case 13: return "Enter";
    case 27: return "Esc";
    case 0: return binding.special == GLUT_KEY_F11 ? "F11" : "";
    default: return std::string(1, static_cast<char>(binding.character));
    }
}

std::string arrowOf(int special)
{
    switch (special) {
    case GLUT_KEY_UP: return "\u2191";
    case GLUT_KEY_DOWN: return "\u2193";
    case GLUT_KEY_LEFT: return "\u2190";
    case GLUT_KEY_RIGHT: return "\u2192";
    default: return "";
    }
}

// Every binding of the program (src/input/Bindings.h), in its order; rows with the same words
// share a line, their letters first, then their arrows, then the mouse.
std::vector<HelpRow> helpRows()
{
    std::vector<HelpRow> rows;
    std::vector<std::vector<std::string>> arrows, pointers;
    for (const Binding& binding : bindings) {
        auto same = std::find_if(rows.begin(), rows.end(), [&](const HelpRow& row) { return row.action == binding.brief; });
        size_t at = static_cast<size_t>(same - rows.begin());
        if (same == rows.end()) {
            rows.push_back({{}, binding.brief});
            arrows.emplace_back();
            pointers.emplace_back();
        }
        if (!capOf(binding).empty()) rows[at].keys.push_back(capOf(binding));
        if (!arrowOf(binding.special).empty()) arrows[at].push_back(arrowOf(binding.special));
        if (binding.pointer != nullptr) pointers[at].push_back(lowerCase(binding.pointer));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].keys.insert(rows[i].keys.end(), arrows[i].begin(), arrows[i].end());
        rows[i].keys.insert(rows[i].keys.end(), pointers[i].begin(), pointers[i].end());
    }
    return rows;
}

// A dark blue ground that brightens a little towards the top.
void nightGround(Canvas& canvas)
{
    double height = canvas.height();
    canvas.paint([height](double, double y) {
        return Colour::rgb(0.05, 0.08, 0.19).mixedWith(night, y / height);
    });
}

} // namespace

BoardArt::BoardArt(const Font& regular, const Font& bold) : regular(regular), bold(bold) {}

void BoardArt::keyCaps(Canvas& canvas, const std::vector<std::string>& keys, double right,
                       double baseline) const
{
    constexpr double textSize = 15;  // pixels
    constexpr double padding = 7;    // pixels each side of the label
    constexpr double minimum = 24;   // pixels: single letters get square-ish caps
    constexpr double gap = 5;        // pixels between caps
    double x = right;
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        double width = std::max(minimum, bold.width(*key, textSize) + 2 * padding);
        double left = x - width;
        canvas.fillRoundRect(left, baseline - 15, x, baseline + 5, 4, Colour::rgb(0.55, 0.62, 0.8));
        canvas.fillRoundRect(left, baseline - 15, x, baseline + 3, 4, Colour::rgb(0.86, 0.9, 0.98));
        bold.drawCentred(canvas, *key, (left + x) / 2, baseline, textSize, ink);
        x = left - gap;
    }
}

Canvas BoardArt::menu() const
{
    Canvas canvas(512, 512, 3, night);
    nightGround(canvas);
    Random random(0x4D656E75ULL);
    for (int i = 0; i < 90; ++i) {
        canvas.fillCircle(random.range(0, 512), random.range(0, 96), random.range(0.4, 1.0),
                          Colour::rgb(0.8, 0.87, 1.0, random.range(0.25, 0.8)));
    }

    // Title with a soft glow under it.
    canvas.filter([](Colour old, double x, double y) {
        double glow = std::exp(-std::pow((x - 256) / 170, 2.0) - std::pow((y - 46) / 30, 2.0));
        return old.mixedWith(Colour::rgb(0.25, 0.4, 0.85), 0.35 * glow);
    });
    bold.drawCentred(canvas, "robotscene", 256, 62, 60, Colour::rgb(1, 1, 1));
    regular.drawCentred(canvas, "press Space (Start on a gamepad) to start", 256, 86, 15, soft);

    // The help card.
    canvas.fillRoundRect(14, 98, 498, 500, 12, Colour::rgb(0.08, 0.12, 0.25));
    canvas.strokeRoundRect(14, 98, 498, 500, 12, 2, Colour::rgb(0.3, 0.45, 0.85));
    constexpr double firstBaseline = 122; // pixels
    constexpr double rowStep = 21;        // pixels: caps are 20 high
    constexpr double keyRight = 162;      // pixels: caps end here, actions start after
    const std::vector<HelpRow> helpRows = ::helpRows();
    for (size_t i = 0; i < helpRows.size(); ++i) {
        double baseline = firstBaseline + rowStep * i;
        if (i % 2 == 1) {
            canvas.fillRect(22, baseline - 16, 490, baseline + 5.5, Colour::rgb(1, 1, 1, 0.035));
        }
        keyCaps(canvas, helpRows[i].keys, keyRight, baseline);
        regular.draw(canvas, helpRows[i].action, keyRight + 14, baseline, 17, paper);
    }

    // The hand keys go by place: their letters on the other common keyboards.
    canvas.line(34, 468, 478, 468, 1, Colour::rgb(0.3, 0.45, 0.85));
    regular.draw(canvas, "On QWERTY and QWERTZ: W A S D drive, Q E turn the head.", 30, 487, 13.5, soft);
    return canvas;
}

Canvas BoardArt::author() const
{
    // The board is seen from below at a slant, which shortens it on screen to about half its
    // height, so the lettering is drawn narrow: 0.6 of its normal width.
    constexpr double narrow = 0.6;
    Canvas canvas(256, 128, 3, night);
    nightGround(canvas);
    canvas.strokeRoundRect(5, 5, 251, 123, 8, 2.5, accent);
    canvas.strokeRoundRect(10, 10, 246, 118, 5, 1, Colour::rgb(0.3, 0.42, 0.75));
    bold.drawCentred(canvas, "robotscene", 128, 49, 44, Colour::rgb(1, 1, 1), narrow);
    canvas.line(70, 60, 186, 60, 1.5, accent);
    regular.drawCentred(canvas, "made by the robotscene developers", 128, 85, 21, paper, narrow);
    bold.drawCentred(canvas, "2026", 128, 109, 22, soft, narrow);
    return canvas;
}

Canvas BoardArt::story() const
{
    const Colour text = Colour::rgb(0.9, 0.95, 1.0);
    // Clear pixels carry the lettering's colour so filtering does not fringe the letters.
    Canvas canvas(256, 64, 4, text.withAlpha(0.0));
    const std::vector<std::string> lines = {
        "A small robot keeps watch",
        "on a deck among the stars,",
        "waiting for the night ship.",
    };
    constexpr double size = 16;      // pixels
    constexpr double firstLine = 17; // pixels: baseline of the first line
    constexpr double lineStep = 21;  // pixels
    // A dark halo first, so the lines read over bright stars too.
    const Colour halo = Colour::rgb(0.02, 0.04, 0.12, 0.45);
    for (size_t i = 0; i < lines.size(); ++i) {
        double baseline = firstLine + lineStep * i;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                if (dx != 0 || dy != 0) {
                    regular.drawCentred(canvas, lines[i], 128 + dx, baseline + dy, size, halo);
                }
            }
        }
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        regular.drawCentred(canvas, lines[i], 128, firstLine + lineStep * i, size, text);
    }
    return canvas;
}
