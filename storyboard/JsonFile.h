#pragma once

// What the JSON files of unit making (storyboard notes, formations) share:
// read only up to a size, parsed without exceptions, named by their format
// and version, and whole numbers taken only when whole and in range. The
// callers touch a parsed value only through nlohmann's checked accessors,
// so a fact of the wrong type is a refusal, never an exception.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kinetra {

using Json = nlohmann::json;

// The text of the file at `path`; one over `maxBytes` is refused unread.
// `noun` is what the file is called in a sentence ("note"), `kind` what it
// is at most ("a storyboard note"); the reason starts with the file's name
// ("unit.kinetra.json: the note is 2097152 bytes; a storyboard note is at
// most 1048576.").
std::optional<std::string> readJsonText(const std::string& path, std::size_t maxBytes, std::string_view noun,
                                        std::string_view kind, std::string& problem);

// What `read` (text, problem) makes of the text of the file at `path`,
// read as readJsonText reads it; a reason of `read`'s is given after the
// file's name too.
template <class Read>
auto readJsonFile(const std::string& path, std::size_t maxBytes, std::string_view noun, std::string_view kind,
                  std::string& problem, Read read) -> decltype(read(std::string_view(), problem))
{
    const auto text = readJsonText(path, maxBytes, noun, kind, problem);
    if (!text)
        return std::nullopt;
    std::string why;
    auto result = read(std::string_view(*text), why);
    if (!result)
        problem = std::filesystem::path(path).filename().string() + ": " + why;
    return result;
}

// `text` as a JSON object; nothing, with "the NOUN is not JSON text." or
// "... not a JSON object." in `problem`, otherwise.
std::optional<Json> parseJsonObject(std::string_view text, std::string_view noun, std::string& problem);

// Whether the object names `format` and, if it gives one, `version`; false
// with the fact that is wrong in `problem`.
bool hasFormat(const Json& json, std::string_view format, int version, std::string& problem);

// The whole number the object holds under `key` into `value`: nothing when
// it is absent or null (unknown, or the default); false, with the reason
// ("speed must be a whole number from 0 to 4294967295."), when it is
// anything but a whole number in [low, high].
bool readWholeNumber(const Json& object, const char* key, std::int64_t low, std::int64_t high,
                     std::optional<std::int64_t>& value, std::string& problem);

} // namespace kinetra
