// Decoding of image files with stb_image; the only place in the program that calls it.
// stb_image is compiled here from libstb-dev's header with only its JPEG and PNG decoders: the
// program ships nothing else, and the other decoders are attack surface it never needs. Its
// functions are static to this file, so they never clash with libstb's. Files are read here and
// decoded from memory (no stdio inside the decoder). Pixels are never flipped or converted.
#include "texture/Img.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Larger images are refused by the decoder itself when it reads the header, before it allocates
// anything: a header can claim gigabytes. No image the program ships comes near this.
#define STBI_MAX_DIMENSIONS 8192 // pixels on a side
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
// Every buffer the decoder allocates starts zeroed: its JPEG reader decodes with a Huffman table
// the file never defined, which would otherwise hold whatever the heap held before (out-of-bounds
// reads follow). Zeroed, such a table decodes to zeros.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(buffer, size) std::realloc(buffer, size)
#define STBI_FREE(buffer) std::free(buffer)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wpedantic"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

// A JPEG or PNG of at most 8192 x 8192 pixels is far smaller than this; reading stops here so a
// device or a giant file cannot exhaust memory before the decoder sees a byte.
constexpr std::size_t maxFileBytes = std::size_t(256) << 20;
constexpr std::size_t readChunk = std::size_t(64) << 10;

// Decoded buffers not yet released, for the check that every one is freed with its last copy.
std::atomic<int> buffersHeld{0};

void releaseBuffer(unsigned char* buffer)
{
    stbi_image_free(buffer);
    --buffersHeld;
}

void reportFailure(const char* name, const char* reason)
{
    // Some reasons carry bytes of the file (the name of an unknown PNG chunk): only printable
    // characters reach the terminal, and the report stays one line.
    std::string text = reason;
    for (char& c : text) {
        if (c < 0x20 || c > 0x7e) c = '?';
    }
    std::fprintf(stderr, "robotscene: cannot load image %s: %s\n", name, text.c_str());
}

// The decoder's terse reasons, in words for the two a user is likeliest to meet.
const char* describe(const char* reason)
{
    if (reason == nullptr || reason[0] == '\0') return "damaged or unsupported image data";
    if (std::strcmp(reason, "too large") == 0) return "image larger than 8192 pixels on a side";
    if (std::strcmp(reason, "unknown image type") == 0) return "not a JPEG or PNG image";
    return reason;
}

// True when the bytes open as the decoder's JPEG reader sees them: FF, any run of FF, D8.
bool startsAsJpeg(const unsigned char* bytes, std::size_t size)
{
    std::size_t i = 1;
    while (i < size && bytes[i] == 0xFF) ++i;
    return size > 0 && bytes[0] == 0xFF && i < size && bytes[i] == 0xD8;
}

// The decoder's JPEG reader writes past its Huffman tables when one table claims more than 256
// codes. It resynchronises on any FF byte, even inside picture data, so every FF C4 pair in the
// file could start a table definition it reads: each is checked as the reader would read it
// (bytes past the end read as 0, as there). Tables it would refuse for their class end the check
// of that segment. Legitimate files never come near the limits; past 1024 candidates the file is
// refused rather than scanned further, so a crafted file cannot make this slow.
bool huffmanTablesFit(const unsigned char* bytes, std::size_t size)
{
    const auto at = [&](std::size_t i) -> unsigned { return i < size ? bytes[i] : 0u; };
    int candidates = 0;
    for (std::size_t marker = 0; marker + 1 < size; ++marker) {
        if (bytes[marker] != 0xFF || bytes[marker + 1] != 0xC4) continue;
        if (++candidates > 1024) return false;
        std::size_t p = marker + 2;
        long left = long(at(p) << 8 | at(p + 1)) - 2;
        p += 2;
        while (left > 0) {
            const unsigned tableClassAndId = at(p++);
            if ((tableClassAndId >> 4) > 1 || (tableClassAndId & 15) > 3) break;
            unsigned codes = 0;
            for (int length = 0; length < 16; ++length) codes += at(p++);
            if (codes > 256) return false;
            p += codes;
            left -= 17 + long(codes);
        }
    }
    return true;
}

// The whole file, or false with errno's reason set; a file beyond maxFileBytes is refused.
bool readFile(const char* path, std::vector<unsigned char>& bytes, const char*& reason)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    bool ok = true;
    while (ok) {
        const std::size_t used = bytes.size();
        if (used > maxFileBytes) {
            reason = "file larger than 256 MiB";
            ok = false;
            break;
        }
        bytes.resize(used + readChunk);
        const std::size_t got = std::fread(bytes.data() + used, 1, readChunk, file);
        bytes.resize(used + got);
        if (got < readChunk) {
            if (std::ferror(file)) {
                reason = std::strerror(errno);
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    return ok;
}

} // namespace

Img::Img() : width(0), height(0), pixels(nullptr), channels(0) {}

Img::~Img() = default;

void Img::clear()
{
    owner.reset();
    pixels = nullptr;
    width = 0;
    height = 0;
    channels = 0;
}

int Img::LoadImg(const char* path)
{
    clear();
    std::vector<unsigned char> bytes;
    const char* reason = nullptr;
    if (!readFile(path, bytes, reason)) {
        reportFailure(path, reason);
        return 0;
    }
    return LoadImgFromMemory(bytes.data(), bytes.size(), path);
}

int Img::LoadImgFromMemory(const unsigned char* bytes, std::size_t size, const char* name)
{
    clear();
    if (size == 0) {
        reportFailure(name, "empty file");
        return 0;
    }
    if (size > maxFileBytes || size > std::size_t(INT_MAX)) {
        reportFailure(name, "file larger than 256 MiB");
        return 0;
    }
    const bool jpeg = startsAsJpeg(bytes, size);
    if (jpeg && !huffmanTablesFit(bytes, size)) {
        reportFailure(name, "JPEG Huffman table beyond the decoder's limits");
        return 0;
    }
    // The decoder fails without a reason in places, leaving the last one standing: start from none,
    // so a reason left by an earlier file is never given for this one.
    stbi__g_failure_reason = nullptr;
    int w = 0;
    int h = 0;
    int n = 0;
    // 0 components requested: the pixels keep the file's own channel count.
    unsigned char* decoded = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &n, 0);
    if (decoded == nullptr) {
        const char* reason = stbi_failure_reason();
        // Its PNG test runs first: on a JPEG that then fails without a reason, the PNG test's stands.
        if (jpeg && reason != nullptr && std::strcmp(reason, "bad png sig") == 0) reason = nullptr;
        reportFailure(name, describe(reason));
        return 0;
    }
    width = w;
    height = h;
    channels = n;
    pixels = decoded;
    ++buffersHeld;
    owner.reset(decoded, releaseBuffer);
    return 0;
}

int Img::GetWidth() const
{
    return width;
}

int Img::GetHeight() const
{
    return height;
}

unsigned char* Img::GetPixels() const
{
    return pixels;
}

int Img::BuffersHeld()
{
    return buffersHeld;
}
