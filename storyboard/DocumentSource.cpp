#include "storyboard/DocumentSource.h"

#include "storyboard/Formation.h"
#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"
#include "io/WholeFile.h"

#include <filesystem>
#include <string_view>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

// The kinds that a file's name ends in, looked for before a picture's
// extension: a note is JSON whatever it describes, so its whole ending
// tells. A kind of its own name is one more line here and one more case in
// buildSource and sourceFilesOf.
struct NamedKind {
    std::string_view ending;
    SourceKind kind;
};
constexpr NamedKind kNamedKinds[] = {
    {kStoryboardNoteSuffix, SourceKind::PictureSet},
    {kFormationSuffix, SourceKind::Formation},
};

std::string fileNameOf(const std::string& path)
{
    return fs::path(path).filename().string();
}

// Paths of files beside `path`, as a note names them.
std::string besidePath(const std::string& path, const std::string& name)
{
    return (fs::path(path).parent_path() / name).string();
}

std::optional<SourceBuild> readAnimation(const std::string& path, std::string& problem)
{
    SourceBuild build;
    if (!readWholeFile(path, build.file)) {
        problem = fileNameOf(path) + ": the file cannot be read.";
        return std::nullopt;
    }
    build.sources = {path};
    return build;
}

// A storyboard's unit, and the files the source at `path` is made of.
std::optional<SourceBuild> sourceBuildOf(std::optional<StoryboardBuild>&& unit, const std::string& path)
{
    if (!unit)
        return std::nullopt;
    SourceBuild build;
    build.file = std::move(unit->file);
    build.approximated = unit->approximated;
    build.sources = sourceFilesOf(path);
    return build;
}

} // namespace

SourceKind sourceKindOf(const std::string& path)
{
    const std::string name = fileNameOf(path);
    for (const NamedKind& named : kNamedKinds) {
        if (name.size() > named.ending.size() && name.ends_with(named.ending))
            return named.kind;
    }
    return pictureFormatOf(name) ? SourceKind::Sheet : SourceKind::Animation;
}

std::vector<std::string> sourceFilesOf(const std::string& path)
{
    switch (sourceKindOf(path)) {
    case SourceKind::Animation:
        break;
    case SourceKind::Sheet:
        return {path, storyboardNotePath(path)};
    case SourceKind::PictureSet: {
        std::vector<std::string> files{path};
        std::string ignored;
        if (const auto note = readStoryboardNoteFile(path, ignored)) {
            for (const std::string& name : note->pictures)
                files.push_back(besidePath(path, name));
        }
        return files;
    }
    case SourceKind::Formation:
        return formationFiles(path);
    }
    return {path};
}

std::optional<SourceBuild> buildSource(const std::string& path, const SourceOptions& options, std::string& problem)
{
    switch (sourceKindOf(path)) {
    case SourceKind::Animation:
        break;
    case SourceKind::Sheet: {
        const auto picture = readStoryboardFile(path, problem);
        if (!picture)
            return std::nullopt;
        return buildSheetSource(path, *picture, options, problem);
    }
    case SourceKind::PictureSet:
        return sourceBuildOf(buildFromStoryboardSet(path, options.facts, options.palette, problem), path);
    case SourceKind::Formation: {
        // The combiner names the files it read: no second read of the
        // formation for them.
        FormationBuild combined = combineFormation(path, {}, problem);
        if (!combined.unit)
            return std::nullopt;
        SourceBuild build;
        build.file = std::move(combined.unit->file);
        build.approximated = combined.unit->approximated;
        build.sources = std::move(combined.files);
        return build;
    }
    }
    return readAnimation(path, problem);
}

std::optional<SourceBuild> buildSheetSource(const std::string& path, const StoryboardPicture& picture,
                                            const SourceOptions& options, std::string& problem)
{
    auto build = sourceBuildOf(buildFromStoryboard(picture, options.facts, options.palette, problem), path);
    if (build)
        build->textNoteOverruled = picture.textNoteOverruled;
    return build;
}

bool sheetLacksLayout(const StoryboardPicture& picture)
{
    return !picture.note;
}

bool sheetLacksPalette(const StoryboardPicture& picture)
{
    return !picture.indexed && !(picture.note && picture.note->palette);
}

std::string builtAnimationPath(const std::string& sourcePath)
{
    const fs::path source(sourcePath);
    const std::string whole = source.filename().string();
    std::string name = source.stem().string();
    for (const NamedKind& named : kNamedKinds) {
        if (whole.size() > named.ending.size() && whole.ends_with(named.ending))
            name = whole.substr(0, whole.size() - named.ending.size());
    }
    return (source.parent_path() / (name + ".flc")).string();
}

} // namespace kinetra
