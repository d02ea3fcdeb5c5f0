#include "storyboard/StoryboardNote.h"

#include "storyboard/ColourText.h"
#include "storyboard/JsonFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace kinetra {

namespace {

constexpr std::string_view kFormatName = "kinetra-storyboard";
constexpr int kFormatVersion = 1;

template <typename T>
void put(Json& json, const char* key, const std::optional<T>& value)
{
    if (value)
        json[key] = *value;
}

// A whole-number fact: its range is what the FLC header field it stands for
// holds (the border: a palette index), and `store` puts a value in that
// range into the facts.
struct WholeFact {
    const char* key;
    std::int64_t low;
    std::int64_t high;
    void (*store)(StoryboardFacts& facts, std::int64_t value);
};

constexpr std::int64_t kU16 = 0xFFFF;
constexpr std::int64_t kU32 = std::numeric_limits<std::uint32_t>::max();

// The grid's counts stop at the header's frame count, a signed 16-bit
// number; their product is held to it where the layout is resolved.
constexpr WholeFact kWholeFacts[] = {
    {"directions", 1, kMaxFlcFrames, [](StoryboardFacts& f, std::int64_t v) { f.directions = int(v); }},
    {"framesPerDirection", 1, kMaxFlcFrames, [](StoryboardFacts& f, std::int64_t v) { f.framesPerDirection = int(v); }},
    {"speed", 0, kU32, [](StoryboardFacts& f, std::int64_t v) { f.speed = std::uint32_t(v); }},
    {"leftOffset", 0, kU16, [](StoryboardFacts& f, std::int64_t v) { f.leftOffset = int(v); }},
    {"topOffset", 0, kU16, [](StoryboardFacts& f, std::int64_t v) { f.topOffset = int(v); }},
    {"originalWidth", 0, kU16, [](StoryboardFacts& f, std::int64_t v) { f.originalWidth = int(v); }},
    {"originalHeight", 0, kU16, [](StoryboardFacts& f, std::int64_t v) { f.originalHeight = int(v); }},
    {"animationTime", 0, kU32, [](StoryboardFacts& f, std::int64_t v) { f.animationTime = std::uint32_t(v); }},
    {"border", 0, 255, [](StoryboardFacts& f, std::int64_t v) { f.border = int(v); }},
    {"columns", 1, kMaxFlcFrames, [](StoryboardFacts& f, std::int64_t v) { f.columns = int(v); }},
};

// A name of a file in the note's own folder: a note must not send a join
// anywhere else.
bool isPlainFileName(const Json& name)
{
    const std::string* text = name.get_ptr<const std::string*>();
    return text && !text->empty() && text->find('/') == std::string::npos && *text != "." && *text != "..";
}

constexpr std::pair<StoryboardLayoutKind, std::string_view> kLayoutNames[] = {
    {StoryboardLayoutKind::Sheet, "sheet"},
    {StoryboardLayoutKind::Filmstrips, "filmstrips"},
    {StoryboardLayoutKind::Cels, "cels"},
};

// A list of names of files in the note's folder, at most `most` of them.
bool getFileNames(const Json& json, const char* key, std::size_t most, std::vector<std::string>& into,
                  std::string& problem)
{
    const auto files = json.find(key);
    if (files == json.end() || files->is_null())
        return true;
    if (!files->is_array() || files->size() > most || !std::all_of(files->begin(), files->end(), isPlainFileName)) {
        problem = std::string(key) + " must be a list of names of files in the note's folder"
                  + (most < std::numeric_limits<std::size_t>::max() ? ", at most " + std::to_string(most) + "." : ".");
        return false;
    }
    for (const Json& name : *files)
        into.push_back(name.get<std::string>());
    return true;
}

// "layout": one of kLayoutNames; absent or null is a sheet.
bool getLayout(const Json& json, StoryboardLayoutKind& into, std::string& problem)
{
    const auto layout = json.find("layout");
    if (layout == json.end() || layout->is_null())
        return true;
    for (const auto& [kind, name] : kLayoutNames) {
        if (layout->is_string() && layout->get_ref<const std::string&>() == name) {
            into = kind;
            return true;
        }
    }
    problem = "layout must be \"sheet\", \"filmstrips\" or \"cels\".";
    return false;
}

std::string colourText(const PaletteEntry& entry)
{
    return kinetra::colourText(std::uint32_t(entry.red) << 16 | std::uint32_t(entry.green) << 8 | entry.blue);
}

std::optional<PaletteEntry> colourOf(const Json& value)
{
    if (!value.is_string())
        return std::nullopt;
    const auto rgb = parseColourText(value.get_ref<const std::string&>());
    if (!rgb)
        return std::nullopt;
    return PaletteEntry::fromRgb(std::uint8_t(*rgb >> 16), std::uint8_t(*rgb >> 8), std::uint8_t(*rgb));
}

// The palette fact: 256 colours "#RRGGBB"; absent or null is unknown.
bool getPalette(const Json& json, std::optional<Palette>& into, std::string& problem)
{
    const auto found = json.find("palette");
    if (found == json.end() || found->is_null())
        return true;
    Palette palette{};
    if (!found->is_array() || found->size() != palette.size()) {
        problem = "palette must be a list of 256 colours \"#RRGGBB\".";
        return false;
    }
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const auto colour = colourOf((*found)[i]);
        if (!colour) {
            problem = "palette entry " + std::to_string(i) + " must be a colour \"#RRGGBB\".";
            return false;
        }
        palette[i] = *colour;
    }
    into = palette;
    return true;
}

} // namespace

std::string writeStoryboardNote(const StoryboardNote& note)
{
    const StoryboardFacts& facts = note.facts;
    Json json;
    json["format"] = kFormatName;
    json["version"] = kFormatVersion;
    json["plain"] = facts.plain;
    put(json, "directions", facts.directions);
    put(json, "framesPerDirection", facts.framesPerDirection);
    put(json, "speed", facts.speed);
    put(json, "leftOffset", facts.leftOffset);
    put(json, "topOffset", facts.topOffset);
    put(json, "originalWidth", facts.originalWidth);
    put(json, "originalHeight", facts.originalHeight);
    put(json, "animationTime", facts.animationTime);
    json["border"] = facts.border ? Json(*facts.border) : Json(nullptr);
    // Only a wrapped sheet says so: other notes read as they always have.
    put(json, "columns", facts.columns);
    if (!note.directionFiles.empty())
        json["directionFiles"] = note.directionFiles;
    if (note.layoutKind != StoryboardLayoutKind::Sheet) {
        json["layout"] = storyboardLayoutName(note.layoutKind);
        json["pictures"] = note.pictures;
    }
    if (note.palette) {
        Json colours = Json::array();
        for (const PaletteEntry& entry : *note.palette)
            colours.push_back(colourText(entry));
        json["palette"] = std::move(colours);
    }
    // A file name that is not UTF-8 cannot be JSON text as it stands; it is
    // written with the replacement character rather than end the program.
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

std::optional<StoryboardNote> readStoryboardNote(std::string_view text, std::string& problem)
{
    const auto parsed = parseJsonObject(text, "note", problem);
    if (!parsed || !hasFormat(*parsed, kFormatName, kFormatVersion, problem))
        return std::nullopt;
    const Json& json = *parsed;

    StoryboardNote note;
    // An absent or null fact is unknown, for the user to give.
    for (const WholeFact& fact : kWholeFacts) {
        std::optional<std::int64_t> value;
        if (!readWholeNumber(json, fact.key, fact.low, fact.high, value, problem))
            return std::nullopt;
        if (value)
            fact.store(note.facts, *value);
    }
    if (const auto plain = json.find("plain"); plain != json.end() && !plain->is_null()) {
        if (!plain->is_boolean()) {
            problem = "plain must be true or false.";
            return std::nullopt;
        }
        note.facts.plain = plain->get<bool>();
    }
    if (!getPalette(json, note.palette, problem))
        return std::nullopt;
    if (!getFileNames(json, "directionFiles", std::numeric_limits<std::size_t>::max(), note.directionFiles, problem)
        || !getLayout(json, note.layoutKind, problem)
        || !getFileNames(json, "pictures", std::size_t(kMaxFlcFrames), note.pictures, problem))
        return std::nullopt;
    return note;
}

std::optional<StoryboardNote> readStoryboardNoteFile(const std::string& path, std::string& problem)
{
    return readJsonFile(path, kMaxStoryboardNoteBytes, "note", "a storyboard note", problem, readStoryboardNote);
}

std::string_view storyboardLayoutName(StoryboardLayoutKind kind)
{
    for (const auto& [known, name] : kLayoutNames) {
        if (known == kind)
            return name;
    }
    return {};
}

std::optional<StoryboardLayoutKind> storyboardLayoutKindOf(std::string_view name)
{
    for (const auto& [kind, known] : kLayoutNames) {
        if (known == name)
            return kind;
    }
    return std::nullopt;
}

std::string storyboardNotePath(const std::string& picturePath)
{
    const std::size_t slash = picturePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = picturePath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = picturePath.size();
    return picturePath.substr(0, dot) + std::string(kStoryboardNoteSuffix);
}

} // namespace kinetra
