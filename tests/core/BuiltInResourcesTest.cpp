#include "palette/BuiltInResources.h"

#include "imaging/CPcxImage.h"
#include "palette/CivPalettes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace kinetra;
using Bytes = std::vector<std::uint8_t>;

int headerI16(const CPcxImage& image, std::size_t at)
{
    return int(image.header[at]) | int(image.header[at + 1]) << 8;
}

// Mean red, green and blue of the image's pixels.
std::array<double, 3> meanColor(const CPcxImage& image)
{
    std::array<double, 3> sum{};
    for (const std::uint8_t index : image.pixels) {
        const PaletteEntry& c = image.palette[index];
        sum[0] += c.red;
        sum[1] += c.green;
        sum[2] += c.blue;
    }
    for (double& channel : sum)
        channel /= double(image.pixels.size());
    return sum;
}

TEST(BuiltInResources, TilesAre240SquareEightBitPcxWithoutKeyColour)
{
    for (const int id : {kResourceSea, kResourceLand}) {
        const auto bytes = BuiltInResource(id);
        ASSERT_GT(bytes.size(), CPcxImage::kHeaderSize + CPcxImage::kPaletteBlockSize) << id;
        EXPECT_EQ(bytes[bytes.size() - CPcxImage::kPaletteBlockSize], 0x0C) << id;

        CPcxImage tile;
        ASSERT_EQ(tile.LoadFromMemory(bytes), kOk) << id;
        EXPECT_EQ(tile.width, 240);
        EXPECT_EQ(tile.height, 240);
        EXPECT_EQ(tile.pixels.size(), 240u * 240u);
        EXPECT_EQ(tile.header[1], 5) << "version";
        EXPECT_EQ(tile.header[2], 1) << "run-length encoded";
        EXPECT_EQ(tile.header[3], 8) << "bits per pixel";
        EXPECT_EQ(tile.header[65], 1) << "planes";
        EXPECT_EQ(headerI16(tile, 66), 240) << "bytes per line";
        // Magenta is the tile surface's colour key: such pixels would let
        // the previous picture show through.
        for (const std::uint8_t index : tile.pixels)
            ASSERT_NE(tile.palette[index].rgb(), 0xFF00FFu) << id;
    }
}

TEST(BuiltInResources, SeaIsBlueAndLandIsGreen)
{
    CPcxImage sea;
    CPcxImage land;
    ASSERT_EQ(sea.LoadFromMemory(BuiltInResource(kResourceSea)), kOk);
    ASSERT_EQ(land.LoadFromMemory(BuiltInResource(kResourceLand)), kOk);
    const auto water = meanColor(sea);
    const auto grass = meanColor(land);
    EXPECT_GT(water[2], water[1]);
    EXPECT_GT(water[1], water[0]);
    EXPECT_GT(grass[1], grass[0]);
    EXPECT_GT(grass[1], grass[2]);
    // Mid-tones: a unit's outline and its shadow both have to show.
    for (const auto& mean : {water, grass}) {
        const double brightness = (mean[0] + mean[1] + mean[2]) / 3;
        EXPECT_GT(brightness, 50);
        EXPECT_LT(brightness, 170);
    }
}

TEST(BuiltInResources, CivPalettesAreNineHundredByteOnePixelImages)
{
    for (int k = 0; k < 32; ++k) {
        const auto bytes = BuiltInResource(kResourceCivPaletteFirst + k);
        ASSERT_EQ(bytes.size(), 900u) << k;
        // 128 header bytes, the pixel and the line's padding byte, the palette.
        EXPECT_EQ(bytes[128], 0x07) << k;
        EXPECT_EQ(bytes[129], 0xC1) << k;
        EXPECT_EQ(bytes[130], 0xFF) << k;
        EXPECT_EQ(bytes[131], 0x0C) << k;

        CPcxImage image;
        ASSERT_EQ(image.LoadFromMemory(bytes), kOk) << k;
        EXPECT_EQ(image.width, 1);
        EXPECT_EQ(image.height, 1);
        EXPECT_EQ(headerI16(image, 66), 2) << "bytes per line";
        EXPECT_EQ(image.header[1], 5) << "version";
    }
}

TEST(BuiltInResources, CivPalettesRampThroughTheCivilizationColour)
{
    for (int k = 0; k < 32; ++k) {
        CPcxImage image;
        ASSERT_EQ(image.LoadFromMemory(BuiltInResource(kResourceCivPaletteFirst + k)), kOk) << k;
        const Palette& p = image.palette;
        // The colour list shows this entry as the colouring's swatch.
        EXPECT_EQ(p[6], kCivColors[std::size_t(k)]) << "Civ Color " << k + 1;
        // Dark to light: no channel ever falls, and the ends differ.
        for (int i = 1; i < 64; ++i) {
            EXPECT_GE(p[i].red, p[i - 1].red) << k << ' ' << i;
            EXPECT_GE(p[i].green, p[i - 1].green) << k << ' ' << i;
            EXPECT_GE(p[i].blue, p[i - 1].blue) << k << ' ' << i;
        }
        EXPECT_LT(p[0].red + p[0].green + p[0].blue, p[6].red + p[6].green + p[6].blue) << k;
        EXPECT_LT(p[6].red + p[6].green + p[6].blue, p[63].red + p[63].green + p[63].blue) << k;
    }
}

TEST(BuiltInResources, UnknownIdsHaveNoBytes)
{
    for (const int id : {-1, 0, 129, 131, 133, 599, 632, 1000})
        EXPECT_TRUE(BuiltInResource(id).empty()) << id;
    EXPECT_FALSE(WriteBuiltInResource(131, "/tmp/never-written.pcx"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/never-written.pcx"));
}

class WriteBuiltInResourceTest : public ::testing::Test {
protected:
    WriteBuiltInResourceTest()
    {
        static int counter = 0;
        folder = std::filesystem::temp_directory_path()
            / ("kinetra-resources-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
    }
    ~WriteBuiltInResourceTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    static Bytes read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    int entries() const
    {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
            ++count;
        return count;
    }

    std::filesystem::path folder;
};

TEST_F(WriteBuiltInResourceTest, WritesTheResourceBytesReplacingAnyFile)
{
    const auto land = BuiltInResource(kResourceLand);
    const auto file = folder / "Land.pcx";
    {
        std::ofstream stale(file, std::ios::binary);
        stale << std::string(100000, 'x');
    }
    ASSERT_TRUE(WriteBuiltInResource(kResourceLand, file.string()));
    EXPECT_EQ(read(file), Bytes(land.begin(), land.end()));

    const auto palette = BuiltInResource(kResourceCivPaletteFirst + 31);
    ASSERT_TRUE(WriteBuiltInResource(kResourceCivPaletteFirst + 31, (folder / "ntp31.pcx").string()));
    EXPECT_EQ(read(folder / "ntp31.pcx"), Bytes(palette.begin(), palette.end()));
    // Nothing else is left behind in the folder.
    EXPECT_EQ(entries(), 2);
}

TEST_F(WriteBuiltInResourceTest, FailsCleanlyWhereNothingCanBeWritten)
{
    // A folder that does not exist, a "folder" that is a file, and a target
    // that is a folder.
    EXPECT_FALSE(WriteBuiltInResource(kResourceSea, (folder / "missing" / "Sea.pcx").string()));
    {
        std::ofstream blocker(folder / "file");
        blocker << "x";
    }
    EXPECT_FALSE(WriteBuiltInResource(kResourceSea, (folder / "file" / "Sea.pcx").string()));
    std::filesystem::create_directories(folder / "Sea.pcx");
    EXPECT_FALSE(WriteBuiltInResource(kResourceSea, (folder / "Sea.pcx").string()));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Sea.pcx"));
    EXPECT_FALSE(WriteBuiltInResource(kResourceSea, ""));
    // No partial file survives any of these.
    EXPECT_EQ(entries(), 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

} // namespace
