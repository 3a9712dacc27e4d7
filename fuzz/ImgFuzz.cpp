// libFuzzer target of the image loader: any bytes go through Img's real decode path, the one
// LoadImg takes after reading a file. It checks what the rest of the program relies on: a
// decoded image has sane sizes, a buffer that really holds every pixel (the sanitizers see
// any short read), and gives its buffer back with its last copy. It checks nothing about the
// pixel values themselves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "texture/Img.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int heldBefore = Img::BuffersHeld();
    {
        Img image;
        image.LoadImgFromMemory(data, size, "fuzz-input");
        const bool empty = image.GetPixels() == nullptr;
        if (empty != (image.GetWidth() == 0 && image.GetHeight() == 0 && image.channels == 0)) std::abort();
        if (!empty) {
            if (image.GetWidth() < 1 || image.GetWidth() > 8192 || image.GetHeight() < 1 ||
                image.GetHeight() > 8192 || image.channels < 1 || image.channels > 4) {
                std::abort();
            }
            // Read every byte, as a texture upload would.
            const std::size_t bytes = std::size_t(image.GetWidth()) * image.GetHeight() * image.channels;
            unsigned sum = 0;
            for (std::size_t i = 0; i < bytes; ++i) sum += image.GetPixels()[i];
            volatile unsigned sink = sum;
            (void)sink;
            Img copy = image; // the copy keeps the buffer; the later release must be exactly one
        }
    }
    if (Img::BuffersHeld() != heldBefore) std::abort();
    return 0;
}
