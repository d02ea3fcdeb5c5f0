// What turning a unit's renders into game frames costs: convertRenders on
// 8 directions x 15 frames of 240 x 240 RGBA (tools/RenderFigures.h, with
// a shadow pass and team parts), making the palette, with dithering, and
// onto a palette given. bench/renders.sh sets it beside ImageMagick
// quantizing the same frames.

#include "storyboard/RenderConversion.h"
#include "tools/RenderFigures.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace kinetra;

constexpr int kDirections = 8;
constexpr int kFramesPerDirection = 15;
constexpr int kSize = 240;

const std::vector<ExportPicture>& renders()
{
    static const std::vector<ExportPicture> frames = [] {
        std::vector<ExportPicture> made;
        for (int direction = 0; direction < kDirections; ++direction) {
            for (int frame = 0; frame < kFramesPerDirection; ++frame)
                made.push_back(tools::renderSpearman(direction, frame, kFramesPerDirection, kSize).picture);
        }
        return made;
    }();
    return frames;
}

enum class Route { Generate, GenerateDithered, OntoPalette };

void BM_ConvertRenders(benchmark::State& state, Route route)
{
    renders(); // made before the clock starts
    RenderOptions options;
    options.teamColour = tools::kRenderTeamKey;
    options.dither = route == Route::GenerateDithered;
    std::string problem;
    std::optional<Palette> palette;
    if (route == Route::OntoPalette) {
        const auto generated = convertRenders(renders(), std::nullopt, options, problem);
        if (!generated) {
            state.SkipWithError(problem.c_str());
            return;
        }
        palette = generated->palette;
    }
    for (auto _ : state) {
        auto converted = convertRenders(renders(), palette, options, problem);
        if (!converted) {
            state.SkipWithError(problem.c_str());
            return;
        }
        benchmark::DoNotOptimize(converted);
    }
    state.counters["frames"] = double(renders().size());
}

// Each in a process of its own (bench/renders.sh), the first call is one
// whose memory is not yet touched.
BENCHMARK_CAPTURE(BM_ConvertRenders, auto_8x15x240, Route::Generate)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertRenders, auto_dither_8x15x240, Route::GenerateDithered)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertRenders, onto_palette_8x15x240, Route::OntoPalette)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertRenders, auto_first_call_8x15x240, Route::Generate)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
