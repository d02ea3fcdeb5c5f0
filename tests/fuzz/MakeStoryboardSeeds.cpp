// Writes the seeds of the storyboard fuzz targets from the bundled samples,
// through the program's own storyboard writer: each sample's sheet as PNG
// (its note in the text chunk, and without it beside a sidecar), as 8-bit
// PCX beside its sidecar, as true colour in PNG and in 24-bit PCX; and the
// notes, a sheet's and a split's, on their own. The unit comes as a small
// cut of itself, so that the fuzzer runs thousands of inputs a second.
//   make_storyboard_seeds SAMPLES READ_SEEDS NOTE_SEEDS

#include "StoryboardInput.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "formats/PcxFormat.h"
#include "formats/PcxWriter.h"
#include "formats/PngFile.h"
#include "storyboard/StoryboardFile.h"
#include "io/WholeFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kinetra;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void append(Bytes& to, std::string_view text)
{
    to.insert(to.end(), text.begin(), text.end());
}

bool writeSeed(const fs::path& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

// The picture's bytes, the mark and the note: a sheet beside its sidecar.
Bytes withSidecar(Bytes picture, const std::string& note)
{
    append(picture, fuzz::kSidecarMark);
    append(picture, note);
    return picture;
}

// A 24-bit PCX as paint programs write it: three planes a line, red, green
// and blue, each padded to an even length.
Bytes encodeTrueColourPcx(const ExportPicture& picture)
{
    const int bytesPerLine = picture.width + picture.width % 2;
    Bytes out(pcx::kHeaderSize, 0);
    out[0] = pcx::kManufacturer;
    out[1] = 5;
    out[2] = pcx::kRunLengthEncoding;
    out[3] = 8;
    out[8] = std::uint8_t(picture.width - 1);
    out[9] = std::uint8_t((picture.width - 1) >> 8);
    out[10] = std::uint8_t(picture.height - 1);
    out[11] = std::uint8_t((picture.height - 1) >> 8);
    out[65] = 3;
    out[66] = std::uint8_t(bytesPerLine);
    out[67] = std::uint8_t(bytesPerLine >> 8);
    std::vector<std::uint8_t> plane(std::size_t(picture.width));
    for (int y = 0; y < picture.height; ++y) {
        for (const int shift : {16, 8, 0}) {
            for (int x = 0; x < picture.width; ++x)
                plane[std::size_t(x)] = std::uint8_t(picture.pixels[std::size_t(y * picture.width + x)] >> shift);
            encodePcxPlane(plane.data(), picture.width, bytesPerLine, out);
        }
    }
    return out;
}

ExportPicture trueColourOf(const Storyboard& storyboard)
{
    ExportPicture picture{storyboard.sheet.width, storyboard.sheet.height, {}, 0};
    for (const std::uint8_t index : storyboard.sheet.pixels) {
        const PaletteEntry& colour = storyboard.palette[index];
        picture.pixels.push_back(0xFF000000u | std::uint32_t(colour.red) << 16 | std::uint32_t(colour.green) << 8
                                 | colour.blue);
    }
    return picture;
}

// The middle 32 x 32 of the first three frames of each direction, placed
// where they were on the game's picture.
std::unique_ptr<CFlcAnimation> smallCutOf(const CFlcAnimation& unit)
{
    constexpr int kSide = 32;
    constexpr int kFrames = 3;
    const FlcHeader& header = unit.header;
    encoder::GameAnimation cut;
    cut.width = std::min<int>(kSide, header.width);
    cut.height = std::min<int>(kSide, header.height);
    cut.directions = header.directions;
    cut.framesPerDirection = std::min<int>(kFrames, header.framesPerDirection);
    cut.speed = header.speed;
    const int left = (header.width - cut.width) / 2;
    const int top = (header.height - cut.height) / 2;
    cut.leftOffset = std::uint16_t(header.leftOffset + left);
    cut.topOffset = std::uint16_t(header.topOffset + top);
    cut.palette = unit.filePalette;
    const std::vector<IndexImage> frames = animationFrames(unit);
    for (int d = 0; d < cut.directions; ++d) {
        for (int f = 0; f < cut.framesPerDirection; ++f) {
            const IndexImage& frame = frames[std::size_t(d * header.framesPerDirection + f)];
            IndexImage& image = cut.images.emplace_back(cut.width, cut.height);
            for (int y = 0; y < cut.height; ++y)
                std::copy_n(frame.pixels.begin() + std::ptrdiff_t((top + y) * frame.width + left), cut.width,
                            image.row(y));
        }
    }
    auto animation = std::make_unique<CFlcAnimation>();
    if (animation->LoadFromMemory(encoder::buildGameAnimation(cut), true) != kOk)
        return nullptr;
    return animation;
}

bool makeSeeds(const CFlcAnimation& animation, const std::string& name, const fs::path& readSeeds,
               const fs::path& noteSeeds)
{
    for (const std::optional<int> border : {std::optional<int>(), std::optional<int>(254)}) {
        std::string problem;
        const auto storyboard = makeStoryboard(animation, animation.header, border, problem);
        std::optional<WriteFailure> refused;
        const fs::path sheet = readSeeds / (name + "-sheet.png");
        if (!storyboard || !writeStoryboardFile(sheet.string(), *storyboard, problem, refused)) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), problem.c_str());
            return false;
        }
        const std::string variant = name + (border ? "-border" : "");
        const fs::path sidecar = storyboardNotePath(sheet.string());
        Bytes png;
        Bytes note;
        if (!readWholeFile(sheet.string(), png) || !readWholeFile(sidecar.string(), note))
            return false;
        fs::remove(sheet);
        fs::remove(sidecar);
        const std::string noteText(note.begin(), note.end());
        Bytes plainPng;
        if (!encodeIndexedPng(storyboard->sheet, storyboard->palette, {}, plainPng, problem))
            return false;
        bool written = writeSeed(readSeeds / (variant + ".png"), png)
            && writeSeed(readSeeds / (variant + "-sidecar.png"), withSidecar(plainPng, noteText))
            && writeSeed(readSeeds / (variant + ".pcx"), withSidecar(encodePcx(storyboard->sheet, storyboard->palette), noteText))
            && writeSeed(noteSeeds / (variant + ".kinetra.json"), note);
        const ExportPicture colours = trueColourOf(*storyboard);
        Bytes rgb;
        written = written && encodeArgbPng(colours, PngChannels::Rgb, rgb, problem)
            && writeSeed(readSeeds / (variant + "-rgb.png"), withSidecar(rgb, noteText))
            && writeSeed(readSeeds / (variant + "-24bit.pcx"), withSidecar(encodeTrueColourPcx(colours), noteText));
        if (!written)
            return false;
    }
    std::string problem;
    if (const auto split = splitDirections(animation, animation.header, problem)) {
        StoryboardNote note;
        note.facts = split->layout.facts();
        note.palette = split->palette;
        for (std::size_t d = 0; d < split->directionFiles.size(); ++d)
            note.directionFiles.push_back(name + "_" + std::to_string(d + 1) + ".flc");
        const std::string text = writeStoryboardNote(note);
        return writeSeed(noteSeeds / (name + "-split.kinetra.json"), Bytes(text.begin(), text.end()));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_storyboard_seeds SAMPLES READ_SEEDS NOTE_SEEDS\n");
        return 2;
    }
    const fs::path samples = argv[1];
    const fs::path readSeeds = argv[2];
    const fs::path noteSeeds = argv[3];
    fs::create_directories(readSeeds);
    fs::create_directories(noteSeeds);
    CFlcAnimation plain;
    CFlcAnimation unit;
    std::unique_ptr<CFlcAnimation> cut;
    const bool made = plain.Load((samples / "plain.flc").string(), true) == kOk
        && unit.Load((samples / "unit.flc").string(), true) == kOk && (cut = smallCutOf(unit))
        && makeSeeds(plain, "plain", readSeeds, noteSeeds) && makeSeeds(*cut, "unit", readSeeds, noteSeeds);
    if (!made)
        std::fprintf(stderr, "make_storyboard_seeds: cannot make the seeds from %s\n", samples.c_str());
    return made ? 0 : 1;
}
