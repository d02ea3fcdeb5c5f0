#pragma once

// What the JSON files of unit making (storyboard notes, formations) share:
// read only up to a size, parsed without exceptions, named by their format
// and version, and whole numbers taken only when whole and in range. The
// callers touch a parsed value only through nlohmann's checked accessors,
// so a fact of the wrong type is a refusal, never an exception.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
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

// `text` as a JSON object; nothing, with "the NOUN is not JSON text." or
// "... not a JSON object." in `problem`, otherwise.
std::optional<Json> parseJsonObject(std::string_view text, std::string_view noun, std::string& problem);

// Whether the object names `format` and, if it gives one, `version`; false
// with the fact that is wrong in `problem`.
bool hasFormat(const Json& json, std::string_view format, int version, std::string& problem);

// A whole number in [low, high], or nothing. JSON gives large numbers as
// unsigned and fractions as floating point; neither conversion may wrap or
// round a wrong value into the range.
std::optional<std::int64_t> wholeNumberIn(const Json& value, std::int64_t low, std::int64_t high);

} // namespace kinetra
