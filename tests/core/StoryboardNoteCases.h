#pragma once

// Notes that must be refused, each with the sentence that says why: every
// fact of wrong type and out of range. The core, the command line and the
// window tests all put them where notes are found.

#include <string>
#include <vector>

namespace kinetra::test {

struct BadNoteCase {
    std::string json;
    // The reason, without the file's name in front.
    std::string problem;
};

inline std::vector<BadNoteCase> badNoteCases()
{
    std::vector<BadNoteCase> cases = {
        {"{\"format\": 1}", "format must be \"kinetra-storyboard\"."},
        {"{\"directions\": 8}", "format must be \"kinetra-storyboard\"."},
        {"{\"format\": \"kinetra\"}", "format must be \"kinetra-storyboard\"."},
        {"{\"format\": null}", "format must be \"kinetra-storyboard\"."},
        {"{\"format\": \"kinetra-storyboard\"", "the note is not JSON text."},
        {"", "the note is not JSON text."},
        {"[\"kinetra-storyboard\"]", "the note is not a JSON object."},
        {"{\"format\": \"kinetra-storyboard\", \"version\": 2}", "version must be 1."},
        {"{\"format\": \"kinetra-storyboard\", \"version\": \"1\"}", "version must be 1."},
        {"{\"format\": \"kinetra-storyboard\", \"plain\": 0}", "plain must be true or false."},
        {"{\"format\": \"kinetra-storyboard\", \"plain\": \"false\"}", "plain must be true or false."},
    };
    // The ranges of the header fields each fact stands for: the grid's
    // counts up to the file's frame count, offsets and sizes 16-bit, times
    // 32-bit, the border a palette index.
    const struct {
        const char* key;
        const char* tooLow;
        const char* tooHigh;
        const char* range;
    } facts[] = {
        {"directions", "0", "32768", "1 to 32767"},
        {"framesPerDirection", "0", "32768", "1 to 32767"},
        {"speed", "-1", "4294967296", "0 to 4294967295"},
        {"leftOffset", "-1", "65536", "0 to 65535"},
        {"topOffset", "-1", "65536", "0 to 65535"},
        {"originalWidth", "-1", "65536", "0 to 65535"},
        {"originalHeight", "-1", "65536", "0 to 65535"},
        {"animationTime", "-1", "4294967296", "0 to 4294967295"},
        {"border", "-1", "256", "0 to 255"},
        {"columns", "0", "32768", "1 to 32767"},
    };
    for (const auto& fact : facts) {
        const std::string problem = std::string(fact.key) + " must be a whole number from " + fact.range + ".";
        // Wrong types (a number in a string, a fraction, a truth value, a
        // list), below and above the range, and past what 64 bits hold.
        for (const std::string value : {"\"8\"", "2.5", "true", "[8]", fact.tooLow, fact.tooHigh,
                                        "18446744073709551616", "-9223372036854775809"})
            cases.push_back({"{\"format\": \"kinetra-storyboard\", \"" + std::string(fact.key) + "\": " + value + "}",
                             problem});
    }
    for (const char* files : {"\"unit_1.flc\"", "[1]", "[\"../unit_1.flc\"]", "[\"sub/unit_1.flc\"]", "[\"\"]",
                              "[\"..\"]", "[\"unit_1.flc\", null]"})
        cases.push_back({"{\"format\": \"kinetra-storyboard\", \"directionFiles\": " + std::string(files) + "}",
                         "directionFiles must be a list of names of files in the note's folder."});
    for (const char* layout : {"\"strips\"", "\"Sheet\"", "1", "[\"cels\"]"})
        cases.push_back({"{\"format\": \"kinetra-storyboard\", \"layout\": " + std::string(layout) + "}",
                         "layout must be \"sheet\", \"filmstrips\" or \"cels\"."});
    std::string tooMany = "[";
    for (int i = 0; i <= 32767; ++i)
        tooMany += (i ? ",\"c" : "\"c") + std::to_string(i) + ".png\"";
    for (const std::string& pictures : {std::string("\"unit_SW_0000.png\""), std::string("[\"../unit_1_SW.png\"]"),
                                        std::string("[\"\"]"), tooMany + "]"})
        cases.push_back({"{\"format\": \"kinetra-storyboard\", \"pictures\": " + pictures + "}",
                         "pictures must be a list of names of files in the note's folder, at most 32767."});
    return cases;
}

} // namespace kinetra::test
