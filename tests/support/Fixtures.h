// Small helpers several unit tests share: a scratch folder of their own, a file's bytes, bytes that
// differ from their neighbours, points compared coordinate by coordinate, and what a call writes to
// standard output and error. Nothing here knows the program.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace fixtures {

// A folder of this process under the temporary directory, made empty on construction and removed
// with everything in it on destruction. It is the path itself, so `dir / "name"` works.
struct ScratchDir : std::filesystem::path {
    explicit ScratchDir(const std::string& name)
        : path(std::filesystem::temp_directory_path() / ("robotscene-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(*this);
        std::filesystem::create_directories(*this);
    }
    ~ScratchDir() { std::filesystem::remove_all(*this); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
};

// The whole file, empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Bytes that differ from their neighbours, so a skewed, shifted or flipped copy changes them.
inline std::vector<unsigned char> pattern(std::size_t size)
{
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 13);
    return bytes;
}

// Each coordinate of `got` within `tolerance` of the same one of `want`; failures name the label.
template <class Got, class Want> void expectNear(const Got& got, const Want& want, double tolerance, const char* label = "")
{
    ASSERT_EQ(std::size(got), std::size(want)) << label;
    for (std::size_t k = 0; k < std::size(want); ++k) EXPECT_NEAR(got[k], want[k], tolerance) << label << " coordinate " << k;
}

struct Output {
    std::string out, err;
};

// What `run` writes to standard output and standard error.
template <class Run> Output captured(Run&& run)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run();
    std::string out = ::testing::internal::GetCapturedStdout();
    return {out, ::testing::internal::GetCapturedStderr()};
}

} // namespace fixtures
