#pragma once

// Shared by the player core tests: a player with a driven clock and recorded
// calls to its surroundings, settings that count their writes, fixture
// animations and a throw-away folder.

#include "imaging/CFlcPlayerCore.h"
#include "flc/FlcEncoder.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kinetra::test {

class CountingSettings : public MemorySettingsStore {
public:
    bool WriteProfileInt(const std::string& section, const std::string& entry, int value) override
    {
        ++writes;
        return MemorySettingsStore::WriteProfileInt(section, entry, value);
    }
    bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) override
    {
        ++writes;
        return MemorySettingsStore::WriteProfileString(section, entry, value);
    }
    int option(const std::string& entry, int missing = -1) const { return GetProfileInt("Options", entry, missing); }

    int writes = 0;
};

class TestPlayer : public CFlcPlayerCore {
public:
    static constexpr std::uint32_t kFaceColor = 0x00C8D0D4; // 0x00BBGGRR

    explicit TestPlayer(SettingsStore& settings) : CFlcPlayerCore(settings, kFaceColor) {}

    // One timer message after the clock moved on by `ms`.
    void tickAfter(std::uint32_t ms)
    {
        now += ms;
        OnTimer();
    }

    std::uint32_t now = 100000;
    bool timerRunning = false;
    std::vector<std::uint32_t> timerIntervals;
    int frameNumberCalls = 0;
    int sliderCalls = 0;
    std::pair<int, int> canvas{0, 0};
    std::vector<std::string> invalidDocuments;

protected:
    std::uint32_t GetTickCount() override { return now; }
    void OnSetTimer(std::uint32_t intervalMs) override
    {
        timerRunning = true;
        timerIntervals.push_back(intervalMs);
    }
    void OnKillTimer() override { timerRunning = false; }
    void OnShowFrameNumbers() override { ++frameNumberCalls; }
    void OnSetPositionSlider() override { ++sliderCalls; }
    void OnResizeCanvas(int width, int height) override { canvas = {width, height}; }
    void OnInvalidDocument(const std::string& filePath) override { invalidDocuments.push_back(filePath); }
};

// A folder of its own under the temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder()
    {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path()
            / ("kinetra-player-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Every name in the folder, hidden ones included, sorted.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> namesIn(const TempFolder& folder)
{
    return namesIn(std::filesystem::path(folder.path()));
}

inline std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Every colour different from every other and from magenta, the key of
// entry 255, so that a drawn pixel names its index.
inline Palette distinctPalette()
{
    Palette palette{};
    for (int i = 0; i < 255; ++i)
        palette[i] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(254 - i), std::uint8_t((i * 7) & 0xFF));
    palette[255] = PaletteEntry::fromRgb(255, 0, 255);
    return palette;
}

inline IndexImage solidImage(int width, int height, std::uint8_t value)
{
    IndexImage image(width, height);
    std::fill(image.pixels.begin(), image.pixels.end(), value);
    return image;
}

// One 6 × 2 frame at (kBlendSamplerLeft, kBlendSamplerTop): shadow 254 and
// 240, light 239 and 224, the ordinary colour 100 and the transparent 255 in
// the first row; the second row transparent.
inline constexpr int kBlendSamplerLeft = 10;
inline constexpr int kBlendSamplerTop = 20;
inline encoder::GameAnimation blendSampler()
{
    encoder::GameAnimation game;
    game.width = 6;
    game.height = 2;
    game.directions = 1;
    game.framesPerDirection = 1;
    game.leftOffset = kBlendSamplerLeft;
    game.topOffset = kBlendSamplerTop;
    game.palette = distinctPalette();
    IndexImage image = solidImage(6, 2, 255);
    const std::uint8_t firstRow[] = {254, 240, 239, 224, 100, 255};
    std::copy(std::begin(firstRow), std::end(firstRow), image.pixels.begin());
    game.images.push_back(image);
    return game;
}

// directions × framesPerDirection solid frames; frame k is painted with
// index 64 + k, an ordinary colour.
inline encoder::GameAnimation numberedGame(int directions, int framesPerDirection, std::uint32_t speed = 50,
                                           int width = 2, int height = 2)
{
    encoder::GameAnimation game;
    game.width = width;
    game.height = height;
    game.directions = directions;
    game.framesPerDirection = framesPerDirection;
    game.speed = speed;
    game.palette = distinctPalette();
    for (int k = 0; k < directions * framesPerDirection; ++k)
        game.images.push_back(solidImage(width, height, std::uint8_t(64 + k)));
    return game;
}

// Two 4 × 3 frames at (30, 40): frame 0 draws only its top-left pixel,
// frame 1 only its bottom-right one.
inline encoder::GameAnimation cornerFrames()
{
    encoder::GameAnimation game = numberedGame(1, 2, 50, 4, 3);
    game.leftOffset = 30;
    game.topOffset = 40;
    game.images = {solidImage(4, 3, 255), solidImage(4, 3, 255)};
    game.images[0].pixels.front() = 100;
    game.images[1].pixels.back() = 101;
    return game;
}

// 2 directions of 2 frames covering the whole 240 × 240 canvas with every
// index: shadow, light, the transparent 255 and ordinary colours.
inline encoder::GameAnimation canvasCoveringGame()
{
    encoder::GameAnimation game = numberedGame(2, 2, 60, 240, 240);
    for (std::size_t k = 0; k < game.images.size(); ++k) {
        std::vector<std::uint8_t>& pixels = game.images[k].pixels;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint8_t((i / 240 / 8 * 16 + i % 240 / 15 + k * 3) & 0xFF);
    }
    return game;
}

// A player made and initialised the way the window does it, with its
// built-in files going to a folder of the test's own.
class PlayerCoreTest : public ::testing::Test {
protected:
    PlayerCoreTest() { player.dataFolder = data.path(); }

    void SetUp() override { ASSERT_TRUE(player.Initialize()); }

    // The file stays for the test's lifetime: a colouring decodes it again.
    HResult load(const std::vector<std::uint8_t>& file)
    {
        files.push_back(std::make_unique<TempFile>(file));
        return player.LoadFile(files.back()->path());
    }
    HResult loadGame(const encoder::GameAnimation& game) { return load(encoder::buildGameAnimation(game)); }

    void compose()
    {
        player.DrawBackground();
        player.ComposeFrame();
    }
    // The back buffer's pixel as 0x00RRGGBB.
    std::uint32_t pixel(int x, int y) const
    {
        const PlatformSurface* back = player.GetScreen()->backBuffer->Memory();
        // The back buffer is the picture's size, which a plain file sets.
        if (x < 0 || y < 0 || x >= back->width || y >= back->height) {
            ADD_FAILURE() << x << ", " << y << " is outside the " << back->width << " x " << back->height
                          << " back buffer";
            return 0xFFFFFFFFu;
        }
        return back->pixels[std::size_t(y) * std::size_t(back->width) + std::size_t(x)] & 0x00FFFFFFu;
    }
    // The colour a frame pixel of this index is drawn in.
    std::uint32_t colorOf(int index) const { return player.displayPalette[std::size_t(index)].rgb(); }

    TempFolder data;
    std::vector<std::unique_ptr<TempFile>> files;
    CountingSettings settings;
    TestPlayer player{settings};
};

constexpr std::uint32_t rgb(int r, int g, int b)
{
    return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
}

// The colour reference (0x00BBGGRR) of an RGB triple.
constexpr std::uint32_t colorRef(int r, int g, int b)
{
    return (std::uint32_t(b) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(r);
}

} // namespace kinetra::test
