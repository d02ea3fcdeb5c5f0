// Storyboards through the programs unit makers save them with: ImageMagick,
// netpbm and Pillow keep every pixel's colour but reorder, compact or drop
// the palette, and the unit built from what they wrote must be the one the
// sheet came from, byte for byte.

#include "CliFixtures.h"
#include "CliRunner.h"

#include "tests/core/CrowdedUnit.h"
#include "storyboard/StoryboardFile.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

// What a program made of the sheet IN: the shell command, with {in} and
// {out} for the two files, and the extension of what it writes.
struct Route {
    const char* name;
    const char* command;
    const char* extension;
};

const Route kRoutes[] = {
    {"ImageMagick re-save", "convert {in} {out}", "png"},
    {"ImageMagick PNG24", "convert {in} PNG24:{out}", "png"},
    {"netpbm round trip", "pngtopnm {in} | pnmtopng > {out}", "png"},
    {"Pillow quantize", "{python} -c \"import sys; from PIL import Image; "
                        "Image.open(sys.argv[1]).convert('RGB').quantize().save(sys.argv[2])\" {in} {out}",
     "png"},
    {"Pillow RGB", "{python} -c \"import sys; from PIL import Image; "
                   "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2])\" {in} {out}",
     "png"},
    {"24-bit PCX", "convert {in} -type TrueColor {out}", "pcx"},
};

std::string replaced(std::string text, const std::string& key, const std::string& value)
{
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

// Runs a route on `in`; false when the program failed.
bool runRoute(const std::string& command, const std::string& in, const std::string& out)
{
    std::string line = replaced(command, "{python}", shellQuote(KINETRA_PYTHON3));
    line = replaced(replaced(line, "{in}", shellQuote(in)), "{out}", shellQuote(out));
    return std::system((line + " 2>/dev/null").c_str()) == 0;
}

std::string writeCrowdedUnit(const TempDir& dir)
{
    const std::string path = dir.file("crowded.flc");
    writeBytes(path, test::crowdedUnit());
    return path;
}

class CliStoryboardTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"convert", "pngtopnm", "pnmtopng"})
            ASSERT_EQ(std::system((std::string("command -v ") + tool + " >/dev/null").c_str()), 0)
                << tool << " is missing: tools/setup.sh installs imagemagick and netpbm";
        ASSERT_EQ(std::system((shellQuote(KINETRA_PYTHON3) + " -c 'import PIL' 2>/dev/null").c_str()), 0)
            << "Pillow is missing from " << KINETRA_PYTHON3 << ": tools/setup.sh installs python3-pil";
    }

    // The unit's storyboard as NAME.png with its sidecar; the sidecar's bytes.
    std::vector<std::uint8_t> storyboard(const std::string& unit, const std::string& name)
    {
        const CliResult written = runCli({"storyboard", unit, "--out", dir.file(name + ".png")});
        EXPECT_EQ(written.status, 0) << written.err;
        return fileBytes(dir.file(name + ".kinetra.json"));
    }

    // 24-bit PCX sheets are read as true colour by the PCX reader that
    // knows them; one that reads them as 8-bit sheets cannot take part.
    bool readsTrueColourPcx(const std::string& sheet)
    {
        std::string problem;
        const auto picture = readStoryboardFile(sheet, problem);
        return picture && !picture->indexed;
    }

    TempDir dir;
};

TEST_F(CliStoryboardTools, EveryProgramThatKeepsColoursGivesBackTheSameUnit)
{
    const std::string units[] = {std::string(KINETRA_SAMPLES_DIR) + "/unit.flc",
                                 std::string(KINETRA_SAMPLES_DIR) + "/plain.flc", writeCrowdedUnit(dir)};
    for (const std::string& unit : units) {
        const std::string stem = fs::path(unit).stem().string();
        const auto note = storyboard(unit, stem);
        for (const Route& route : kRoutes) {
            SCOPED_TRACE(stem + " through " + route.name);
            const std::string saved = stem + "-" + std::to_string(&route - kRoutes);
            const std::string sheet = dir.file(saved + "." + route.extension);
            ASSERT_TRUE(runRoute(route.command, dir.file(stem + ".png"), sheet));
            // The sidecar stays beside the sheet the user saves over.
            writeBytes(dir.file(saved + ".kinetra.json"), note);
            if (std::string(route.extension) == "pcx" && !readsTrueColourPcx(sheet)) {
                std::cout << "[ SKIPPED  ] " << route.name << ": this PCX reader does not read 24-bit PCX\n";
                continue;
            }
            const CliResult built = runCli({"build", sheet, "--out", dir.file(saved + ".flc")});
            ASSERT_EQ(built.status, 0) << built.err;
            EXPECT_TRUE(fileBytes(dir.file(saved + ".flc")) == fileBytes(unit)) << "the built unit differs";
            EXPECT_NE(built.out.find("0 pixels took the nearest colour of the palette: 0 civilization, 0 ordinary, "
                                     "0 light, 0 shadow, 0 transparent"),
                      std::string::npos)
                << built.out;
        }
    }
}

// The frames of a storyboard sheet as the built unit holds them: the
// sheet's indices, read back through a storyboard of the built file.
IndexImage sheetIndicesOf(const TempDir& dir, const std::string& unit, const std::string& name)
{
    const CliResult written = runCli({"storyboard", unit, "--out", dir.file(name)});
    EXPECT_EQ(written.status, 0) << written.err;
    std::string problem;
    const auto picture = readStoryboardFile(dir.file(name), problem);
    EXPECT_TRUE(picture) << problem;
    return picture ? picture->indices : IndexImage{};
}

// Each channel within `reach` of the entry's.
bool within(QRgb colour, const PaletteEntry& entry, int reach)
{
    return std::abs(qRed(colour) - entry.red) <= reach && std::abs(qGreen(colour) - entry.green) <= reach
        && std::abs(qBlue(colour) - entry.blue) <= reach;
}

TEST_F(CliStoryboardTools, PixelsAQuantizerMovedTakeTheEntryTheirNewColourNames)
{
    const std::string unit = writeCrowdedUnit(dir);
    const auto note = storyboard(unit, "sheet");
    std::string problem;
    const auto original = readStoryboardFile(dir.file("sheet.png"), problem);
    ASSERT_TRUE(original) << problem;
    const QImage before(QString::fromStdString(dir.file("sheet.png")));
    const Palette& colours = original->palette;

    // 256 colours, as a paint program reduces; 48, so that many pixels move.
    for (const char* count : {"256", "48"}) {
        SCOPED_TRACE(std::string("-colors ") + count);
        const std::string name = std::string("dithered-") + count;
        ASSERT_TRUE(runRoute(std::string("convert {in} -colors ") + count + " {out}", dir.file("sheet.png"),
                             dir.file(name + ".png")));
        writeBytes(dir.file(name + ".kinetra.json"), note);
        const CliResult built = runCli({"build", dir.file(name + ".png"), "--out", dir.file(name + ".flc")});
        ASSERT_EQ(built.status, 0) << built.err;
        const IndexImage indices = sheetIndicesOf(dir, dir.file(name + ".flc"), name + "-built.png");
        const QImage after = QImage(QString::fromStdString(dir.file(name + ".png"))).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(indices.width, after.width());
        ASSERT_EQ(indices.height, after.height());

        std::size_t moved = 0;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                const QRgb colour = after.pixel(x, y) & 0xFFFFFF;
                const std::uint8_t was = original->indices.at(x, y);
                const std::uint8_t is = indices.at(x, y);
                if (colour == (before.pixel(x, y) & 0xFFFFFF)) {
                    ASSERT_EQ(is, was) << "a pixel left alone at " << x << ", " << y;
                    continue;
                }
                ++moved;
                const auto own = std::find_if(colours.begin(), colours.end(), [colour](const PaletteEntry& entry) {
                    return entry.rgb() == colour;
                });
                const bool near = std::any_of(colours.begin(), colours.end(),
                                              [colour](const PaletteEntry& entry) { return within(colour, entry, 6); });
                if (own != colours.end()) {
                    ASSERT_EQ(int(is), own - colours.begin()) << "moved to a palette colour at " << x << ", " << y;
                } else if (near) {
                    ASSERT_TRUE(within(colour, colours[is], 6)) << "a near colour takes a near entry at " << x << ", " << y;
                } else {
                    ASSERT_TRUE(is >= 64 && is <= 223) << "a far colour takes an ordinary entry at " << x << ", " << y;
                }
            }
        }
        if (std::string(count) == "48") {
            EXPECT_GT(moved, std::size_t(after.width() * after.height() / 4));
        }
    }
}

TEST_F(CliStoryboardTools, ASheetTurnedGreyIsRefused)
{
    storyboard(std::string(KINETRA_SAMPLES_DIR) + "/unit.flc", "sheet");
    ASSERT_TRUE(runRoute("convert {in} -colorspace Gray {out}", dir.file("sheet.png"), dir.file("grey.png")));
    fs::copy_file(dir.file("sheet.kinetra.json"), dir.file("grey.kinetra.json"));
    const CliResult built = runCli({"build", dir.file("grey.png"), "--out", dir.file("grey.flc")});
    EXPECT_EQ(built.status, 1);
    EXPECT_NE(built.err.find("its colours no longer name palette entries"), std::string::npos) << built.err;
    EXPECT_FALSE(fs::exists(dir.file("grey.flc")));
}

} // namespace
} // namespace kinetra::clitest
