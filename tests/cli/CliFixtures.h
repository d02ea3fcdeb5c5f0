#pragma once

#include "flc/IndexImage.h"
#include "flc/Palette.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kinetra::clitest {

// A fresh folder under the system's temporary folder, removed with
// everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Every entry a different colour, so a wrong index shows as a wrong colour.
Palette distinctPalette();

// An image whose every pixel depends on `seed` and its position.
IndexImage patternImage(int width, int height, int seed);

// The game animation the tests share: 8 directions of 3 frames, 17 × 12
// (an odd width, for the delta's last-pixel words), speed 70, offsets 5, 7,
// full picture 100 × 90. `images` are the 24 animation frames in order.
struct GameFixture {
    static constexpr int kWidth = 17;
    static constexpr int kHeight = 12;
    static constexpr int kDirections = 8;
    static constexpr int kFramesPerDirection = 3;
    Palette palette;
    std::vector<IndexImage> images;
    std::string path;
};
GameFixture writeGameFixture(const TempDir& dir, const std::string& name = "unit.flc");

// A plain FLC of `count` frames of 20 × 10 with the given speed.
std::string writePlainFixture(const TempDir& dir, const std::string& name, int count, std::uint32_t speed);

std::vector<std::uint8_t> fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace kinetra::clitest
