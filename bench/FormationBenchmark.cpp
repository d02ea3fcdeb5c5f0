// What combining a squad costs: a formation of 12 figures, each its own
// copy of the generated unit (240 × 240, 8 directions × 15 frames, so each
// is read on its own), spread over the ground in four ranks of three, each
// a frame ahead of the last. combineFormation whole: reading the files,
// drawing the 120 frames and encoding the unit.

#include "bench/BenchFiles.h"
#include "storyboard/Formation.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using namespace kinetra;
namespace fs = std::filesystem;

constexpr int kFigures = 12;

// The formation and its sources in a folder of their own, removed after.
class SquadFolder {
public:
    SquadFolder()
    {
        m_folder = fs::temp_directory_path() / ("kinetra-bench-squad-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        std::string figures;
        for (int i = 0; i < kFigures; ++i) {
            const std::string name = "figure" + std::to_string(i) + ".flc";
            fs::copy_file(bench::benchFile(KINETRA_BENCH_UNIT_FILE), m_folder / name,
                          fs::copy_options::overwrite_existing);
            figures += std::string(i ? ",\n" : "") + R"({"source": ")" + name + R"(", "forward": )"
                       + std::to_string(30 - 20 * (i / 3)) + R"(, "right": )" + std::to_string(-30 + 30 * (i % 3))
                       + R"(, "frameOffset": )" + std::to_string(i) + "}";
        }
        std::ofstream(path()) << R"({"format": "kinetra-formation", "version": 1, "figures": [)" << figures << "]}\n";
    }
    ~SquadFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    SquadFolder(const SquadFolder&) = delete;
    SquadFolder& operator=(const SquadFolder&) = delete;

    std::string path() const { return (m_folder / "squad.formation.json").string(); }

private:
    fs::path m_folder;
};

void BM_CombineFormation(benchmark::State& state)
{
    const SquadFolder squad;
    std::string problem;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const FormationBuild build = combineFormation(squad.path(), {}, problem);
        if (!build.unit) {
            state.SkipWithError(problem.c_str());
            return;
        }
        bytes = build.unit->file.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["unit_bytes"] = double(bytes);
}
BENCHMARK(BM_CombineFormation)->Name("BM_CombineFormation/12x240x240_8x15")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
