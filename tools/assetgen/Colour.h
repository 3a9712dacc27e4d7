// Colour: one straight (not premultiplied) RGBA colour with channels in 0..1, and the few
// mixes the painters need. Values outside 0..1 are allowed while painting; they are clamped
// only when a picture is written.
#pragma once

struct Colour {
    float r;
    float g;
    float b;
    float a;

    static Colour rgb(double r, double g, double b, double a = 1.0)
    {
        return Colour{static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                      static_cast<float>(a)};
    }

    Colour withAlpha(double alpha) const
    {
        return Colour{r, g, b, static_cast<float>(alpha)};
    }

    // Brightness scaled, alpha kept.
    Colour scaled(double factor) const
    {
        return Colour{static_cast<float>(r * factor), static_cast<float>(g * factor),
                      static_cast<float>(b * factor), a};
    }

    // Linear mix: 0 gives this colour, 1 gives other; alpha mixes too.
    Colour mixedWith(const Colour& other, double amount) const
    {
        auto mixChannel = [amount](float from, float to) {
            return static_cast<float>(from + (to - from) * amount);
        };
        return Colour{mixChannel(r, other.r), mixChannel(g, other.g), mixChannel(b, other.b),
                      mixChannel(a, other.a)};
    }
};
