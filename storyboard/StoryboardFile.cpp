#include "storyboard/StoryboardFile.h"

#include "formats/DistinctPalette.h"
#include "io/AtomicFile.h"
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

// The note in the PNG's last text chunk under the key; empty when there is
// none, or it is too large to be one.
std::string textNoteOf(const PictureData& picture)
{
    for (auto text = picture.texts.rbegin(); text != picture.texts.rend(); ++text) {
        if (text->key == kStoryboardTextKey)
            return text->value.size() <= kMaxStoryboardNoteBytes ? text->value : std::string();
    }
    return {};
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

StoryboardPicture storyboardPictureOf(PictureData&& data, bool hasNote)
{
    StoryboardPicture picture;
    picture.width = data.width;
    picture.height = data.height;
    if (data.kind == PictureData::Kind::Indexed || (data.kind == PictureData::Kind::Grey && hasNote)) {
        picture.indexed = true;
        picture.indices = std::move(data.indices);
        picture.palette = data.palette;
        picture.paletteSize = data.paletteSize;
        return picture;
    }
    picture.argb = argbPixels(data);
    return picture;
}

bool writeStoryboardFile(const std::string& path, const Storyboard& storyboard, std::string& problem,
                         std::optional<WriteFailure>& refused)
{
    return writeStoryboardFile(path, storyboardFramesOf(storyboard), problem, refused);
}

bool writeStoryboardFile(const std::string& path, const StoryboardFrames& frames, std::string& problem,
                         std::optional<WriteFailure>& refused)
{
    refused.reset();
    const auto format = storyboardFormatOf(path);
    if (!format) {
        problem = "A storyboard is written as a .png, .pcx or .bmp picture.";
        return false;
    }
    const std::string notePath = storyboardNotePath(path);
    StoryboardNote sheetNote;
    sheetNote.facts = frames.layout.facts();
    sheetNote.palette = frames.palette;
    const std::string note = writeStoryboardNote(sheetNote);
    // The palette made distinct, so that every pixel names its entry by
    // colour through whatever program edits the picture.
    const std::array texts{PngText{std::string(kStoryboardTextKey), note}};
    const Palette colours = withDistinctColours(frames.palette);
    const IndexRows rows = storyboardRows(frames.rowOf, frames.layout);
    const ContentWriter picture = [&](const ByteSink& sink) {
        return encodeIndexedPicture(*format, rows, colours, texts, sink, problem);
    };
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
        return error ? refuse(path, error) : false;
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
    if (!pictureFormatOf(path)) {
        problem = "A storyboard is read from a .png, .pcx or .bmp picture.";
        return std::nullopt;
    }
    // A sheet that wraps, as its sidecar says, may be as large as the
    // plain file it was made of; the note is read again below with the
    // text chunk, so a sidecar that cannot be read gains nothing here.
    std::string ignored;
    const std::string notePath = storyboardNotePath(path);
    const auto sidecar = fileExists(notePath) ? readStoryboardNoteFile(notePath, ignored) : std::nullopt;
    const bool wraps = sidecar && sidecar->facts.columns;
    auto data = readPictureFile(path, problem, wraps ? wrappedStoryboardSizeFits : storyboardSizeFits);
    if (!data)
        return std::nullopt;
    const std::string textNote = textNoteOf(*data);
    const bool hasNote = !textNote.empty() || fileExists(storyboardNotePath(path));
    StoryboardPicture picture = storyboardPictureOf(std::move(*data), hasNote);
    if (!readNote(path, textNote, picture, problem))
        return std::nullopt;
    return picture;
}

} // namespace kinetra
