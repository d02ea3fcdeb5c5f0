#include "storyboard/StoryboardFile.h"

#include "flc/FlcFrame.h"
#include "imaging/CPcxImage.h"
#include "formats/PcxFormat.h"
#include "formats/PcxReader.h"
#include "formats/PcxWriter.h"
#include "formats/PngFile.h"
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

// The picture's bytes: PNG with the note in a text chunk, or PCX.
bool encodePicture(StoryboardFormat format, const Storyboard& storyboard, const std::string& note,
                   std::vector<std::uint8_t>& bytes, std::string& problem)
{
    if (format == StoryboardFormat::Pcx) {
        bytes = encodePcx(storyboard.sheet, storyboard.palette);
        if (bytes.empty())
            problem = "Cannot encode the PCX: a PCX picture is at most 65535 pixels wide and high.";
        return !bytes.empty();
    }
    const std::array texts{PngText{std::string(kStoryboardTextKey), note}};
    std::string error;
    if (encodeIndexedPng(storyboard.sheet, storyboard.palette, texts, bytes, error))
        return true;
    problem = "Cannot encode the PNG: " + error + ".";
    return false;
}

// A palette PNG comes in as indices, and so does a grey one of fewer than 8
// bits. An 8-bit grey PNG is an indexed sheet whose palette was exactly the
// grey ramp (and was written as grey) only where a note says it is a sheet;
// otherwise it is a grey picture.
bool readPng(const std::string& path, StoryboardPicture& picture, std::string& problem)
{
    auto png = readPngFile(path, problem, [](const PngHeader& header, std::string& tooLarge) {
        return storyboardSizeFits(header.width, header.height, tooLarge);
    });
    if (!png)
        return false;
    if (const std::string* note = png->text(kStoryboardTextKey);
        note && !note->empty() && note->size() <= kMaxStoryboardNoteBytes) {
        std::string noteProblem;
        // A text chunk that a paint program mangled is no reason to refuse
        // the sheet; the sidecar or the user's options may still do.
        picture.note = readStoryboardNote(*note, noteProblem);
    }
    picture.width = png->width;
    picture.height = png->height;
    const bool hasNote = picture.note.has_value() || fileExists(storyboardNotePath(path));
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
    const std::string note = writeStoryboardNote(StoryboardNote{storyboard.layout.facts(), {}});
    std::vector<std::uint8_t> picture;
    if (!encodePicture(*format, storyboard, note, picture, problem))
        return false;
    const auto refuse = [&](const std::string& file, const std::error_code& error) {
        refused = WriteFailure{file, error};
        problem = cannotWriteMessage(*refused);
        return false;
    };

    // The picture goes first: it is what was asked for, and a folder that
    // takes no file refuses it under its own name rather than the note's.
    const bool hadPicture = fileExists(path);
    std::error_code error;
    if (!writeFileAtomically(path, picture, error))
        return refuse(path, error);
    if (!writeFileAtomically(notePath, std::span(reinterpret_cast<const std::uint8_t*>(note.data()), note.size()),
                             error)) {
        if (!hadPicture) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
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
    const bool read = *format == StoryboardFormat::Png ? readPng(path, picture, problem) : readPcx(path, picture, problem);
    if (!read)
        return std::nullopt;

    if (!picture.note) {
        const std::string notePath = storyboardNotePath(path);
        if (fileExists(notePath)) {
            std::string noteProblem;
            picture.note = readStoryboardNoteFile(notePath, noteProblem);
            if (!picture.note) {
                problem = "'" + notePath + "': " + noteProblem;
                return std::nullopt;
            }
        }
    }
    return picture;
}

std::optional<StoryboardNote> readStoryboardNoteFile(const std::string& path, std::string& problem)
{
    if (const auto size = regularFileSize(path); size && *size > kMaxStoryboardNoteBytes) {
        problem = "The note is " + std::to_string(*size) + " bytes; a storyboard note is at most "
                  + std::to_string(kMaxStoryboardNoteBytes) + ".";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes, kMaxStoryboardNoteBytes)) {
        problem = "Cannot read the file.";
        return std::nullopt;
    }
    return readStoryboardNote(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), problem);
}

} // namespace kinetra
