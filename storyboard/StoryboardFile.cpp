#include "storyboard/StoryboardFile.h"

#include "flc/FlcFrame.h"
#include "formats/DistinctPalette.h"
#include "formats/PcxFormat.h"
#include "formats/PcxReader.h"
#include "formats/PcxWriter.h"
#include "formats/PngFile.h"
#include "imaging/CPcxImage.h"
#include "io/AtomicFile.h"
#include "io/WholeFile.h"
#include "io/WriteFailure.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace kinetra {

namespace {

bool fileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The picture's bytes: PNG with the note in a text chunk, or PCX, its
// palette the animation's colours made distinct so that every pixel names
// its entry by colour through whatever program edits it.
bool encodePicture(StoryboardFormat format, const Storyboard& storyboard, const std::string& note,
                   std::vector<std::uint8_t>& bytes, std::string& problem)
{
    const Palette sheetPalette = withDistinctColours(storyboard.palette);
    if (format == StoryboardFormat::Pcx) {
        bytes = encodePcx(storyboard.sheet, sheetPalette);
        if (bytes.empty())
            problem = "Cannot encode the PCX: a PCX picture is at most 65535 pixels wide and high.";
        return !bytes.empty();
    }
    const std::array texts{PngText{std::string(kStoryboardTextKey), note}};
    std::string error;
    if (encodeIndexedPng(storyboard.sheet, sheetPalette, texts, bytes, error))
        return true;
    problem = "Cannot encode the PNG: " + error + ".";
    return false;
}

// A palette PNG comes in as indices, and so does a grey one of fewer than 8
// bits. An 8-bit grey PNG is an indexed sheet whose palette was exactly the
// grey ramp (and was written as grey) only where a note says it is a sheet;
// otherwise it is a grey picture.
bool readPng(const std::string& path, StoryboardPicture& picture, std::string& textNote, std::string& problem)
{
    auto png = readPngFile(path, problem, [](const PngHeader& header, std::string& tooLarge) {
        return storyboardSizeFits(header.width, header.height, tooLarge);
    });
    if (!png)
        return false;
    if (const std::string* note = png->text(kStoryboardTextKey); note && note->size() <= kMaxStoryboardNoteBytes)
        textNote = *note;
    picture.width = png->width;
    picture.height = png->height;
    const bool hasNote = !textNote.empty() || fileExists(storyboardNotePath(path));
    if (png->kind == PngPicture::Kind::Indexed || (png->kind == PngPicture::Kind::Grey && hasNote)) {
        picture.indexed = true;
        picture.indices = std::move(png->indices);
        picture.palette = png->palette;
        picture.paletteSize = png->paletteSize;
        return true;
    }
    if (png->kind == PngPicture::Kind::Grey) {
        const PixelTable table = pixelTableOf(png->palette);
        picture.argb.resize(png->indices.pixels.size());
        std::transform(png->indices.pixels.begin(), png->indices.pixels.end(), picture.argb.begin(),
                       [&table](std::uint8_t grey) { return table[grey]; });
        return true;
    }
    picture.argb = std::move(png->argb);
    return true;
}

// The header is checked first, against the format and the storyboard's
// size, then the file's size against the header; only then is it read.
bool readPcx(const std::string& path, StoryboardPicture& picture, std::string& problem)
{
    const auto cannotOpen = [&problem] {
        problem = "Cannot read the picture: the file cannot be opened.";
        return false;
    };
    std::vector<std::uint8_t> bytes;
    const bool opened = readFileHead(path, pcx::kHeaderSize, bytes);
    const auto size = regularFileSize(path);
    if (!opened || !size)
        return cannotOpen();
    std::string why = "the file is shorter than a PCX header";
    const auto header = readPcxHeader(bytes);
    const auto kind = header ? pcxKindOf(*header, why) : std::nullopt;
    if (kind && !storyboardSizeFits(std::uint64_t(header->width), std::uint64_t(header->height), problem))
        return false;
    if (!kind || !pcxFileSizeFits(*header, *size, why)) {
        problem = "Cannot read the picture: " + why + ".";
        return false;
    }
    if (!readWholeFile(path, bytes, *size))
        return cannotOpen();
    picture.width = header->width;
    picture.height = header->height;
    if (*kind == PcxKind::TrueColour) {
        auto pixels = decodePcxTrueColour(bytes, *header);
        if (!pixels) {
            problem = "Cannot read the picture: the PCX's pixel data is damaged.";
            return false;
        }
        picture.argb = std::move(*pixels);
        return true;
    }
    if (!hasPcxPaletteBlock(bytes)) {
        problem = "Cannot read the picture: the 8-bit PCX has no 256-colour palette at its end.";
        return false;
    }
    CPcxImage pcx;
    if (pcx.LoadFromMemory(bytes) != kOk) {
        problem = "Cannot read the picture: the PCX's pixel data is damaged.";
        return false;
    }
    picture.indexed = true;
    picture.indices.width = pcx.width;
    picture.indices.height = pcx.height;
    picture.indices.pixels = std::move(pcx.pixels);
    picture.palette = pcx.palette;
    picture.paletteSize = 256;
    return true;
}

// The sheet's note: the sidecar, which is what a user edits, over the PNG's
// text chunk (empty when there is none, as a paint program may leave it).
// A note that is there is read whole, and a wrong one is refused by the
// name of the file that holds it, but for a text chunk that the sidecar
// overrules anyway.
bool readNote(const std::string& path, const std::string& textNote, StoryboardPicture& picture, std::string& problem)
{
    const std::string sidecarPath = storyboardNotePath(path);
    std::optional<StoryboardNote> sidecar;
    if (fileExists(sidecarPath)) {
        sidecar = readStoryboardNoteFile(sidecarPath, problem);
        if (!sidecar)
            return false;
    }
    std::optional<StoryboardNote> text;
    if (!textNote.empty()) {
        std::string textProblem;
        text = readStoryboardNote(textNote, textProblem);
        if (!text && !sidecar) {
            problem = std::filesystem::path(path).filename().string() + " (text chunk): " + textProblem;
            return false;
        }
    }
    picture.note = sidecar ? sidecar : text;
    picture.textNoteOverruled =
        sidecar && !textNote.empty() && (!text || writeStoryboardNote(*text) != writeStoryboardNote(*sidecar));
    return true;
}

} // namespace

std::optional<StoryboardFormat> storyboardFormatOf(const std::string& path)
{
    // The extension is what follows the file name's last dot, in any case.
    const std::size_t nameStart = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return std::nullopt;
    std::string suffix = path.substr(dot + 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    if (suffix == "png")
        return StoryboardFormat::Png;
    if (suffix == "pcx")
        return StoryboardFormat::Pcx;
    return std::nullopt;
}

bool writeStoryboardFile(const std::string& path, const Storyboard& storyboard, std::string& problem,
                         std::optional<WriteFailure>& refused)
{
    refused.reset();
    const auto format = storyboardFormatOf(path);
    if (!format) {
        problem = "A storyboard is written as a .png or .pcx picture.";
        return false;
    }
    const std::string notePath = storyboardNotePath(path);
    const std::string note = writeStoryboardNote(StoryboardNote{storyboard.layout.facts(), {}, storyboard.palette});
    std::vector<std::uint8_t> picture;
    if (!encodePicture(*format, storyboard, note, picture, problem))
        return false;
    const auto refuse = [&](const std::string& file, const std::error_code& error) {
        refused = WriteFailure{file, error};
        problem = cannotWriteMessage(*refused);
        return false;
    };

    // Both files are made ready beside their places before either is
    // replaced, so a failure there leaves an earlier picture and note as
    // they were. The picture is readied first, so that a folder that takes
    // no file is refused under its name, and put in place first: it is what
    // was asked for.
    StagedFile stagedPicture;
    StagedFile stagedNote;
    std::error_code error;
    if (!stagedPicture.stage(path, picture, error))
        return refuse(path, error);
    if (!stagedNote.stage(notePath, std::span(reinterpret_cast<const std::uint8_t*>(note.data()), note.size()), error))
        return refuse(notePath, error);
    if (!stagedPicture.commit(error))
        return refuse(path, error);
    if (!stagedNote.commit(error)) {
        // Only the last rename failed, a folder changing under the writer.
        // An earlier note would describe another sheet, and the sidecar
        // wins over the text chunk: it goes, and a PNG keeps its own note.
        std::error_code ignored;
        std::filesystem::remove(notePath, ignored);
        return refuse(notePath, error);
    }
    return true;
}

std::optional<StoryboardPicture> readStoryboardFile(const std::string& path, std::string& problem)
{
    const auto format = storyboardFormatOf(path);
    if (!format) {
        problem = "A storyboard is read from a .png or .pcx picture.";
        return std::nullopt;
    }
    StoryboardPicture picture;
    std::string textNote;
    const bool read = *format == StoryboardFormat::Png ? readPng(path, picture, textNote, problem)
                                                       : readPcx(path, picture, problem);
    if (!read || !readNote(path, textNote, picture, problem))
        return std::nullopt;
    return picture;
}

} // namespace kinetra
