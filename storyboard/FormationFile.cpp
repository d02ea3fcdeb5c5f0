#include "storyboard/FormationFile.h"

#include "storyboard/JsonFile.h"
#include "storyboard/Storyboard.h"

namespace kinetra {

namespace {

constexpr std::string_view kFormatName = "kinetra-formation";
constexpr int kFormatVersion = 1;

struct WholeFact {
    const char* key;
    int low;
    int high;
    int FormationFigure::*field;
};

// A negative offset counts back; beyond a header's frame count it means
// nothing.
constexpr WholeFact kFigureFacts[] = {
    {"forward", -kMaxFigurePlace, kMaxFigurePlace, &FormationFigure::forward},
    {"right", -kMaxFigurePlace, kMaxFigurePlace, &FormationFigure::right},
    {"frameOffset", -kMaxFlcFrames, kMaxFlcFrames, &FormationFigure::frameOffset},
};

std::optional<FormationFigure> readFigure(const Json& json, std::string& problem)
{
    if (!json.is_object()) {
        problem = "a figure must be an object that names its \"source\".";
        return std::nullopt;
    }
    FormationFigure figure;
    const auto source = json.find("source");
    if (source == json.end() || !source->is_string() || source->get_ref<const std::string&>().empty()) {
        problem = "source must be the name of a unit's file.";
        return std::nullopt;
    }
    figure.source = source->get<std::string>();
    for (const WholeFact& fact : kFigureFacts) {
        std::optional<std::int64_t> value;
        if (!readWholeNumber(json, fact.key, fact.low, fact.high, value, problem))
            return std::nullopt;
        if (value)
            figure.*fact.field = int(*value);
    }
    return figure;
}

// " (archer.flc)" for a figure that names its source, to tell figures of
// one formation apart.
std::string sourceText(const Json& figure)
{
    if (!figure.is_object())
        return {};
    const auto source = figure.find("source");
    if (source == figure.end() || !source->is_string() || source->get_ref<const std::string&>().empty())
        return {};
    return " (" + source->get<std::string>() + ")";
}

} // namespace

std::optional<Formation> readFormation(std::string_view text, std::string& problem)
{
    const auto json = parseJsonObject(text, "formation", problem);
    if (!json || !hasFormat(*json, kFormatName, kFormatVersion, problem))
        return std::nullopt;
    const auto figures = json->find("figures");
    if (figures == json->end() || !figures->is_array() || figures->empty()) {
        problem = "figures must be a list of the figures, at least one.";
        return std::nullopt;
    }
    if (figures->size() > kMaxFormationFigures) {
        problem = "the formation has " + std::to_string(figures->size()) + " figures; it may have at most "
                  + std::to_string(kMaxFormationFigures) + ".";
        return std::nullopt;
    }
    Formation formation;
    for (const Json& entry : *figures) {
        std::string why;
        auto figure = readFigure(entry, why);
        if (!figure) {
            problem = "figure " + std::to_string(formation.figures.size() + 1) + sourceText(entry) + ": " + why;
            return std::nullopt;
        }
        formation.figures.push_back(std::move(*figure));
    }
    return formation;
}

std::optional<Formation> readFormationFile(const std::string& path, std::string& problem)
{
    return readJsonFile(path, kMaxFormationBytes, "formation", "a formation", problem, readFormation);
}

} // namespace kinetra
