// libFuzzer entry point for formation files: whatever is read holds only
// what the reader promises, every figure named and placed within bounds.

#include "storyboard/FormationFile.h"
#include "storyboard/Storyboard.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kinetra;
    std::string problem;
    const auto formation = readFormation(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (!formation) {
        // A refusal always says why.
        if (problem.empty())
            std::abort();
        return 0;
    }
    if (formation->figures.empty() || formation->figures.size() > kMaxFormationFigures)
        std::abort();
    for (const FormationFigure& figure : formation->figures) {
        if (figure.source.empty() || std::abs(figure.forward) > kMaxFigurePlace
            || std::abs(figure.right) > kMaxFigurePlace || std::abs(figure.frameOffset) > kMaxFlcFrames)
            std::abort();
    }
    return 0;
}
