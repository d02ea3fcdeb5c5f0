#include "storyboard/StoryboardNote.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>

namespace kinetra {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kFormatName = "kinetra-storyboard";
constexpr int kFormatVersion = 1;

template <typename T>
void put(Json& json, const char* key, const std::optional<T>& value)
{
    if (value)
        json[key] = *value;
}

// Reads an integer fact in [low, high]; false with a reason for anything
// else. An absent or null fact stays unknown.
template <typename T>
bool get(const Json& json, const char* key, std::int64_t low, std::int64_t high, std::optional<T>& into,
         std::string& problem)
{
    const auto found = json.find(key);
    if (found == json.end() || found->is_null())
        return true;
    if (!found->is_number_integer()) {
        problem = std::string("The storyboard note's \"") + key + "\" is not a whole number.";
        return false;
    }
    const auto value = found->get<std::int64_t>();
    if (value < low || value > high) {
        problem = std::string("The storyboard note's \"") + key + "\" is out of range.";
        return false;
    }
    into = static_cast<T>(value);
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
    if (!note.directionFiles.empty())
        json["directionFiles"] = note.directionFiles;
    return json.dump(2) + '\n';
}

std::optional<StoryboardNote> readStoryboardNote(std::string_view text, std::string& problem)
{
    const Json json = Json::parse(text.begin(), text.end(), nullptr, false);
    const auto format = json.is_object() ? json.find("format") : json.end();
    if (format == json.end() || !format->is_string() || format->get_ref<const std::string&>() != kFormatName) {
        problem = "The storyboard note is not a Kinetra storyboard note.";
        return std::nullopt;
    }
    StoryboardNote note;
    StoryboardFacts& facts = note.facts;
    constexpr std::int64_t kU16 = 0xFFFF;
    constexpr std::int64_t kU32 = std::numeric_limits<std::uint32_t>::max();
    if (!get(json, "directions", 1, kU16, facts.directions, problem)
        || !get(json, "framesPerDirection", 1, kU16, facts.framesPerDirection, problem)
        || !get(json, "speed", 0, kU32, facts.speed, problem)
        || !get(json, "leftOffset", 0, kU16, facts.leftOffset, problem)
        || !get(json, "topOffset", 0, kU16, facts.topOffset, problem)
        || !get(json, "originalWidth", 0, kU16, facts.originalWidth, problem)
        || !get(json, "originalHeight", 0, kU16, facts.originalHeight, problem)
        || !get(json, "animationTime", 0, kU32, facts.animationTime, problem)
        || !get(json, "border", 0, 255, facts.border, problem))
        return std::nullopt;
    if (const auto plain = json.find("plain"); plain != json.end() && plain->is_boolean())
        facts.plain = plain->get<bool>();
    if (const auto files = json.find("directionFiles"); files != json.end()) {
        if (!files->is_array()) {
            problem = "The storyboard note's \"directionFiles\" is not a list of names.";
            return std::nullopt;
        }
        for (const Json& name : *files) {
            // Names only: a note must not send the join outside its folder.
            if (!name.is_string() || name.get<std::string>().empty()
                || name.get<std::string>().find('/') != std::string::npos || name.get<std::string>() == ".."
                || name.get<std::string>() == ".") {
                problem = "The storyboard note's \"directionFiles\" holds a name that is not a file name.";
                return std::nullopt;
            }
            note.directionFiles.push_back(name.get<std::string>());
        }
    }
    return note;
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
