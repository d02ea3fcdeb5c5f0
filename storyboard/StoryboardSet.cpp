#include "storyboard/StoryboardSet.h"

#include "formats/DistinctPalette.h"
#include "formats/PictureFile.h"
#include "storyboard/DirectionFiles.h"
#include "storyboard/StoryboardFile.h"
#include "io/AtomicFile.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <list>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

std::string sizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// The layout of one picture of the set: one row of a direction's frames,
// or one frame.
StoryboardLayout pictureLayoutOf(const StoryboardLayout& layout, StoryboardLayoutKind kind)
{
    StoryboardLayout picture = layout;
    picture.directions = 1;
    picture.framesPerDirection = kind == StoryboardLayoutKind::Filmstrips ? layout.framesPerDirection : 1;
    picture.columns = 0; // a filmstrip is one row, however long
    return picture;
}

int pictureCountOf(const StoryboardLayout& layout, StoryboardLayoutKind kind)
{
    return kind == StoryboardLayoutKind::Filmstrips ? layout.directions : layout.frameCount();
}

std::string celName(const std::string& stem, int frame, const StoryboardLayout& layout)
{
    const int direction = frame / layout.framesPerDirection;
    std::string number = std::to_string(frame % layout.framesPerDirection);
    number.insert(0, number.size() < 4 ? 4 - number.size() : 0, '0');
    if (layout.directions == int(kUnitDirectionNames.size()))
        return stem + '_' + kUnitDirectionNames[std::size_t(direction)] + '_' + number;
    if (layout.directions == 1)
        return stem + '_' + number;
    return stem + '_' + std::to_string(direction + 1) + '_' + number;
}

// The note's facts overridden, and the layout of the sheet the set's
// pictures make, found from the first picture's size.
std::optional<StoryboardLayout> setLayoutOf(const StoryboardFacts& facts, StoryboardLayoutKind kind, int width,
                                            int height, std::string& problem)
{
    const std::int64_t lines = facts.border ? 1 : 0;
    const std::int64_t directions = facts.directions.value_or(1);
    const std::int64_t frames = facts.framesPerDirection.value_or(1);
    const std::int64_t frameHeight = height - 2 * lines;
    std::int64_t sheetWidth = width;
    if (kind == StoryboardLayoutKind::Cels)
        sheetWidth = frames * (width - 2 * lines) + lines * (frames + 1);
    const std::int64_t sheetHeight = directions * frameHeight + lines * (directions + 1);
    if (sheetWidth > INT_MAX || sheetHeight > INT_MAX) {
        problem = "The pictures make a storyboard larger than 65535 pixels on a side.";
        return std::nullopt;
    }
    return resolveStoryboardLayout(facts, int(std::max<std::int64_t>(sheetWidth, 0)),
                                   int(std::max<std::int64_t>(sheetHeight, 0)), problem);
}

// Every named file is there, and once, before any is read: each costs a
// whole picture's read, and a set that is not whole builds nothing.
bool checkPicturesThere(const StoryboardNote& note, const fs::path& folder, const std::string& noteName,
                        std::string& problem)
{
    const auto& names = note.pictures;
    if (names.empty()) {
        problem = noteName + " names no pictures.";
        return false;
    }
    for (auto name = names.begin(); name != names.end(); ++name) {
        std::error_code error;
        if (!fs::is_regular_file(folder / *name, error)) {
            problem = noteName + " names the picture '" + *name + "', which is not in its folder.";
            return false;
        }
        if (std::find(names.begin(), name, *name) != name) {
            problem = noteName + " names the picture '" + *name + "' more than once.";
            return false;
        }
    }
    return true;
}

// As many pictures as the layout takes.
bool checkPictureCount(const StoryboardNote& note, const StoryboardLayout& layout, const std::string& noteName,
                       std::string& problem)
{
    const auto& names = note.pictures;
    const auto wanted = std::size_t(pictureCountOf(layout, note.layoutKind));
    const std::string takes = note.layoutKind == StoryboardLayoutKind::Filmstrips
                                  ? std::to_string(layout.directions) + " directions take "
                                  : std::to_string(layout.frameCount()) + " frames take ";
    if (names.size() > wanted) {
        problem = noteName + " names " + std::to_string(names.size()) + " pictures, but its " + takes
                  + std::to_string(wanted) + ": '" + names[wanted] + "' is one too many.";
        return false;
    }
    if (names.size() < wanted) {
        problem = noteName + " names " + std::to_string(names.size()) + " pictures, but its " + takes
                  + std::to_string(wanted) + ".";
        return false;
    }
    return true;
}

// A picture of the set, with the set's note; a refusal starts with its name.
std::optional<StoryboardPicture> readSetPicture(const fs::path& folder, const std::string& name,
                                                const StoryboardNote& note, std::string& problem)
{
    auto data = readPictureFile((folder / name).string(), problem, storyboardSizeFits);
    if (!data) {
        problem = name + ": " + problem;
        return std::nullopt;
    }
    StoryboardPicture picture = storyboardPictureOf(std::move(*data), true);
    picture.note = note;
    return picture;
}

} // namespace

std::vector<std::string> storyboardPictureNames(const std::string& path, StoryboardLayoutKind kind,
                                                const StoryboardLayout& layout)
{
    const fs::path file(path);
    const std::string stem = file.stem().string();
    const std::string extension = file.extension().string();
    std::vector<std::string> names;
    if (kind == StoryboardLayoutKind::Filmstrips) {
        for (int d = 0; d < layout.directions; ++d)
            names.push_back(directionFileName(stem, d, layout.directions, extension));
    } else if (kind == StoryboardLayoutKind::Cels) {
        for (int frame = 0; frame < layout.frameCount(); ++frame)
            names.push_back(celName(stem, frame, layout) + extension);
    }
    return names;
}

bool writeStoryboardSet(const std::string& path, const Storyboard& storyboard, StoryboardLayoutKind kind,
                        std::string& problem, std::optional<WriteFailure>& refused)
{
    const StoryboardLayout& layout = storyboard.layout;
    if (storyboard.sheet.width != layout.sheetWidth() || storyboard.sheet.height != layout.sheetHeight()) {
        refused.reset();
        problem = "The sheet is " + sizeText(storyboard.sheet.width, storyboard.sheet.height) + " pixels, not the "
                  + sizeText(layout.sheetWidth(), layout.sheetHeight()) + " of its grid.";
        return false;
    }
    return writeStoryboardSet(path, storyboardFramesOf(storyboard), kind, problem, refused);
}

bool writeStoryboardSet(const std::string& path, const StoryboardFrames& frames, StoryboardLayoutKind kind,
                        std::string& problem, std::optional<WriteFailure>& refused)
{
    if (kind == StoryboardLayoutKind::Sheet)
        return writeStoryboardFile(path, frames, problem, refused);
    refused.reset();
    const auto format = pictureFormatOf(path);
    if (!format) {
        problem = "A storyboard is written as .png, .pcx or .bmp pictures.";
        return false;
    }
    const StoryboardLayout& layout = frames.layout;

    StoryboardNote note;
    note.facts = layout.facts();
    note.facts.columns.reset(); // only a sheet wraps
    note.palette = frames.palette;
    note.layoutKind = kind;
    note.pictures = storyboardPictureNames(path, kind, layout);
    // JSON text holds UTF-8 names only; a note that cannot name the
    // pictures as they are could never build them.
    const std::string text = writeStoryboardNote(note);
    std::string unreadable;
    if (const auto named = readStoryboardNote(text, unreadable); !named || named->pictures != note.pictures) {
        problem = "The file's name is not UTF-8 text, which the storyboard's note cannot hold.";
        return false;
    }

    const fs::path folder = fs::path(path).parent_path();
    const StoryboardLayout pictureLayout = pictureLayoutOf(layout, kind);
    const int framesPerPicture = pictureLayout.framesPerDirection;
    const Palette colours = withDistinctColours(frames.palette);
    const auto refuse = [&](const std::string& file, const std::error_code& error) {
        refused = WriteFailure{file, error};
        problem = cannotWriteMessage(*refused);
        return false;
    };
    // Every file is readied beside its place before any is put in place;
    // the note last, so that it never names pictures that are not there.
    std::list<StagedFile> staged;
    std::vector<std::string> paths;
    std::error_code error;
    for (std::size_t i = 0; i < note.pictures.size(); ++i) {
        const int first = int(i) * framesPerPicture;
        const IndexRows rows = storyboardRows(
            [&frames, first](int frame, int y) { return frames.rowOf(first + frame, y); }, pictureLayout);
        paths.push_back((folder / note.pictures[i]).string());
        const auto picture = [&](const ByteSink& sink) {
            return encodeIndexedPicture(*format, rows, colours, {}, sink, problem);
        };
        if (!staged.emplace_back().stage(paths.back(), picture, error))
            return error ? refuse(paths.back(), error) : false;
    }
    paths.push_back(storyboardNotePath(path));
    const auto noteBytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (!staged.emplace_back().stage(paths.back(), noteBytes, error))
        return refuse(paths.back(), error);
    auto file = paths.begin();
    for (StagedFile& ready : staged) {
        if (!ready.commit(error)) {
            // Only a rename failed, a folder changing under the writer. An
            // earlier note would name pictures of another unit: it goes.
            std::error_code ignored;
            fs::remove(paths.back(), ignored);
            return refuse(*file, error);
        }
        ++file;
    }
    return true;
}

std::optional<StoryboardBuild> buildFromStoryboardSet(const std::string& notePath, const StoryboardFacts& overrides,
                                                      const std::optional<Palette>& palette, std::string& problem)
{
    const auto note = readStoryboardNoteFile(notePath, problem);
    if (!note)
        return std::nullopt;
    const std::string noteName = fs::path(notePath).filename().string();
    if (note->layoutKind == StoryboardLayoutKind::Sheet) {
        problem = noteName + " is a sheet's note; build from the sheet beside it.";
        return std::nullopt;
    }
    const fs::path folder = fs::path(notePath).parent_path();
    if (!checkPicturesThere(*note, folder, noteName, problem))
        return std::nullopt;

    StoryboardFacts facts = note->facts;
    facts.overrideWith(overrides);
    std::optional<StoryboardLayout> layout;
    StoryboardLayout pictureLayout;
    Palette colours{};
    StoryboardBuild build;
    std::vector<IndexImage> frames;
    for (const std::string& name : note->pictures) {
        const auto picture = readSetPicture(folder, name, *note, problem);
        if (!picture)
            return std::nullopt;
        if (!layout) {
            // The first picture gives the frames' size.
            layout = setLayoutOf(facts, note->layoutKind, picture->width, picture->height, problem);
            if (!layout) {
                problem = name + ": " + problem;
                return std::nullopt;
            }
            if (!checkPictureCount(*note, *layout, noteName, problem))
                return std::nullopt;
            pictureLayout = pictureLayoutOf(*layout, note->layoutKind);
            colours = storyboardColours(*picture, palette);
        }
        if (picture->width != pictureLayout.sheetWidth() || picture->height != pictureLayout.sheetHeight()) {
            problem = name + ": the picture is " + sizeText(picture->width, picture->height) + " pixels, not the "
                      + sizeText(pictureLayout.sheetWidth(), pictureLayout.sheetHeight()) + " its layout gives.";
            return std::nullopt;
        }
        std::string why;
        const auto indices = storyboardIndices(*picture, palette, build, why);
        auto cut = indices ? cutStoryboard(*indices, pictureLayout, why) : std::nullopt;
        if (!cut) {
            problem = name + ": " + why;
            return std::nullopt;
        }
        std::move(cut->begin(), cut->end(), std::back_inserter(frames));
    }
    build.layout = *layout;
    build.file = encodeStoryboardAnimation(*layout, colours, frames, problem);
    if (build.file.empty())
        return std::nullopt;
    return build;
}

} // namespace kinetra
