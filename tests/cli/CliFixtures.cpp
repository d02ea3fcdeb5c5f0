#include "CliFixtures.h"

#include "flc/FlcEncoder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace kinetra::clitest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kinetra-cli-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

Palette distinctPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    return palette;
}

IndexImage patternImage(int width, int height, int seed)
{
    IndexImage image(width, height);
    std::mt19937 random(static_cast<std::uint32_t>(seed));
    // Rows of runs with noise in them, so both the run-length and the delta
    // coder get real work.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool noisy = random() % 3 == 0;
            const auto value = noisy ? random() % 256 : std::uint32_t(seed * 31 + y * 5 + x / 4);
            image.row(y)[x] = static_cast<std::uint8_t>(value);
        }
    }
    return image;
}

GameFixture writeGameFixture(const TempDir& dir, const std::string& name)
{
    encoder::GameAnimation animation;
    animation.width = GameFixture::kWidth;
    animation.height = GameFixture::kHeight;
    animation.directions = GameFixture::kDirections;
    animation.framesPerDirection = GameFixture::kFramesPerDirection;
    animation.speed = 70;
    animation.leftOffset = 5;
    animation.topOffset = 7;
    animation.originalWidth = 100;
    animation.originalHeight = 90;
    animation.palette = distinctPalette();
    for (int i = 0; i < GameFixture::kDirections * GameFixture::kFramesPerDirection; ++i)
        animation.images.push_back(patternImage(GameFixture::kWidth, GameFixture::kHeight, i + 1));

    GameFixture fixture{animation.palette, animation.images, dir.file(name)};
    writeBytes(fixture.path, encoder::buildGameAnimation(animation));
    return fixture;
}

std::string writePlainFixture(const TempDir& dir, const std::string& name, int count, std::uint32_t speed)
{
    std::vector<IndexImage> images;
    for (int i = 0; i < count; ++i)
        images.push_back(patternImage(20, 10, 100 + i));
    const std::string path = dir.file(name);
    writeBytes(path, encoder::buildPlainFlc(distinctPalette(), images, speed));
    return path;
}

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        throw std::runtime_error("the encoder made no file for " + path);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

} // namespace kinetra::clitest
