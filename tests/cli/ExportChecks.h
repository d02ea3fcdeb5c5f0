#pragma once

// What the gif and sheet tests share: pictures with their alpha, read back
// from the PNG files kinetra-cli writes, and compose's picture of a frame.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kinetra::clitest {

// 0xAARRGGBB values, row after row.
struct ArgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    // The width × height part at (left, top).
    ArgbPicture crop(int left, int top, int cropWidth, int cropHeight) const;
    bool operator==(const ArgbPicture&) const = default;
};

std::optional<ArgbPicture> readPng(const std::string& path);

// What `kinetra-cli compose FILE --frame N --out` writes with the extra
// `options`, read back; nothing (after a test failure) when compose fails.
std::optional<ArgbPicture> composedFrame(const std::string& file, int frame, const std::vector<std::string>& options,
                                         const std::string& scratchPng);

// The first position where the pictures differ, for a failure message;
// empty when they are equal.
std::string firstDifference(const ArgbPicture& actual, const ArgbPicture& expected);

} // namespace kinetra::clitest
