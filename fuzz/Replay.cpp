// Replays the committed fuzz corpus and the shipped textures, each input once, in a sanitizer
// build: every file goes through the fuzz target's own checks, then is loaded from its path and
// compared with the manifest of what it decoded to when it was recorded (size, channels and a
// hash of the pixels, or "refused"). The verdict depends only on the files, never on time.
// With --write it prints a fresh manifest instead of comparing (for newly added inputs).
//
//   ImgCorpusReplay [--write] MANIFEST DIR...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "texture/Img.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

// FNV-1a over the pixel bytes: stable across machines and builds.
std::uint64_t pixelHash(const unsigned char* pixels, std::size_t size)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ pixels[i]) * 1099511628211ull;
    return hash;
}

// What the loader makes of the file at path, as one manifest value.
std::string outcome(const std::string& path)
{
    Img image;
    image.LoadImg(path.c_str());
    if (image.GetPixels() == nullptr) return "refused";
    const std::size_t bytes = std::size_t(image.GetWidth()) * image.GetHeight() * image.channels;
    char text[80];
    std::snprintf(text, sizeof text, "%dx%dx%d %016llx", image.GetWidth(), image.GetHeight(), image.channels,
                  static_cast<unsigned long long>(pixelHash(image.GetPixels(), bytes)));
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool write = !args.empty() && args[0] == "--write";
    if (write) args.erase(args.begin());
    if (args.size() < 2) {
        std::cerr << "usage: ImgCorpusReplay [--write] MANIFEST DIR...\n";
        return 2;
    }
    std::set<std::string> files; // sorted: the same order on every run
    for (std::size_t i = 1; i < args.size(); ++i) {
        for (const fs::directory_entry& entry : fs::directory_iterator(args[i])) {
            if (entry.is_regular_file()) files.insert(entry.path().lexically_normal().string());
        }
    }

    std::map<std::string, std::string> expected, got; // path -> what it decodes to
    std::ifstream manifest(args[0]);
    for (std::string line; std::getline(manifest, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        expected[line.substr(0, space)] = line.substr(space + 1);
    }
    if (!write && expected.empty()) {
        std::cerr << "no manifest at " << args[0] << "\n";
        return 2;
    }

    for (const std::string& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size()); // aborts, or the sanitizers report, on a fault
        got[path] = outcome(path);
        if (write) std::cout << path << ' ' << got[path] << '\n';
    }
    if (write) return 0;
    int failures = 0;
    for (const auto& entry : expected) got.emplace(entry.first, "no such file"); // a file found keeps its outcome
    for (const auto& [path, value] : got) {
        const auto want = expected.find(path);
        if (want == expected.end() || want->second != value) {
            std::cout << "FAIL " << path << ": expected " << (want == expected.end() ? "no entry" : want->second)
                      << ", got " << value << "\n";
            ++failures;
        }
    }
    std::cout << files.size() << " inputs replayed, " << failures << " failed\n";
    return failures == 0 ? 0 : 1;
}
