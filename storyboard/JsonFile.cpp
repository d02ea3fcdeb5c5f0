#include "storyboard/JsonFile.h"

#include "io/WholeFile.h"

#include <filesystem>
#include <vector>

namespace kinetra {

namespace {

// A whole number in [low, high], or nothing. JSON gives large numbers as
// unsigned and fractions as floating point; neither conversion may wrap or
// round a wrong value into the range.
std::optional<std::int64_t> wholeNumberIn(const Json& value, std::int64_t low, std::int64_t high)
{
    std::int64_t number = 0;
    if (value.is_number_unsigned()) {
        const auto unsignedNumber = value.get<std::uint64_t>();
        if (unsignedNumber > std::uint64_t(high))
            return std::nullopt;
        number = std::int64_t(unsignedNumber);
    } else if (value.is_number_integer()) {
        number = value.get<std::int64_t>();
    } else {
        return std::nullopt;
    }
    if (number < low || number > high)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<std::string> readJsonText(const std::string& path, std::size_t maxBytes, std::string_view noun,
                                        std::string_view kind, std::string& problem)
{
    const std::string name = std::filesystem::path(path).filename().string();
    if (const auto size = regularFileSize(path); size && *size > maxBytes) {
        problem = name + ": the " + std::string(noun) + " is " + std::to_string(*size) + " bytes; "
                  + std::string(kind) + " is at most " + std::to_string(maxBytes) + ".";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes, maxBytes)) {
        problem = name + ": the file cannot be read.";
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

std::optional<Json> parseJsonObject(std::string_view text, std::string_view noun, std::string& problem)
{
    Json json = Json::parse(text.begin(), text.end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        problem = "the " + std::string(noun) + (json.is_discarded() ? " is not JSON text." : " is not a JSON object.");
        return std::nullopt;
    }
    return json;
}

bool hasFormat(const Json& json, std::string_view format, int version, std::string& problem)
{
    const auto named = json.find("format");
    if (named == json.end() || !named->is_string() || named->get_ref<const std::string&>() != format) {
        problem = "format must be \"" + std::string(format) + "\".";
        return false;
    }
    if (const auto given = json.find("version");
        given != json.end() && !(given->is_number_integer() && given->get<std::int64_t>() == version)) {
        problem = "version must be " + std::to_string(version) + ".";
        return false;
    }
    return true;
}

bool readWholeNumber(const Json& object, const char* key, std::int64_t low, std::int64_t high,
                     std::optional<std::int64_t>& value, std::string& problem)
{
    value.reset();
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return true;
    value = wholeNumberIn(*found, low, high);
    if (!value)
        problem = std::string(key) + " must be a whole number from " + std::to_string(low) + " to "
                  + std::to_string(high) + ".";
    return value.has_value();
}

} // namespace kinetra
