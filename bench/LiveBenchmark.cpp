// What the window spends between the end of a storyboard's quiet time and
// the new picture: the sheet read and built into an FLC, the bytes put in
// place of the scratch copy, the player's load of them and the first
// picture. The whole of a save's way to the screen is this, the quiet
// time (200 ms) and the file system's notice; tests/ui/CMainViewLiveTest
// prints it measured in the window.

#include "bench/BenchFiles.h"
#include "imaging/CFlcPlayerCore.h"
#include "io/AtomicFile.h"
#include "io/SettingsStore.h"
#include "storyboard/DocumentSource.h"
#include "storyboard/StoryboardFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace kinetra;
using kinetra::bench::benchFile;

constexpr std::uint32_t kFaceColor = 0x00C8D0D4;

// A folder of its own holding the unit's storyboard sheet, as
// `kinetra-cli storyboard` writes it, and the scratch copy.
class SheetFolder {
public:
    explicit SheetFolder(const std::string& unitPath)
    {
        m_folder = std::filesystem::temp_directory_path() / ("kinetra-live-bench-" + std::to_string(getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(m_folder, ignored);
        CFlcAnimation unit;
        std::string problem;
        std::optional<WriteFailure> refused;
        if (unit.Load(unitPath, true) != kOk)
            return;
        const auto storyboard = makeStoryboard(unit, unit.header, std::nullopt, problem);
        m_ok = storyboard && writeStoryboardFile(sheet(), *storyboard, problem, refused);
    }
    ~SheetFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    SheetFolder(const SheetFolder&) = delete;
    SheetFolder& operator=(const SheetFolder&) = delete;

    bool ok() const { return m_ok; }
    std::string sheet() const { return (m_folder / "unit.png").string(); }
    std::string scratch() const { return (m_folder / "unit.flc").string(); }
    std::string data() const { return (m_folder / "data").string() + "/"; }

private:
    std::filesystem::path m_folder;
    bool m_ok = false;
};

void BM_Rebuild(benchmark::State& state, const std::string& unitPath)
{
    const SheetFolder folder(unitPath);
    MemorySettingsStore settings;
    CFlcPlayerCore player(settings, kFaceColor);
    player.dataFolder = folder.data();
    if (!folder.ok() || !player.Initialize()) {
        state.SkipWithError("cannot write the sheet");
        return;
    }
    for (auto _ : state) {
        std::string problem;
        const auto build = buildSource(folder.sheet(), {}, problem);
        StagedFile scratch;
        std::error_code error;
        if (!build || !scratch.stage(folder.scratch(), build->file, error, StagedFile::Sync::Later)
            || !scratch.commit(error) || player.LoadFile(folder.scratch()) != kOk) {
            state.SkipWithError("cannot rebuild the sheet");
            return;
        }
        player.ComposeFrame();
    }
    state.counters["frames"] = static_cast<double>(player.frames.size());
}

BENCHMARK_CAPTURE(BM_Rebuild, sample100x100_sheet, std::string(KINETRA_SAMPLES_DIR "/unit.flc"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rebuild, unit240x240_8x15_sheet, benchFile(KINETRA_BENCH_UNIT_FILE))
    ->Unit(benchmark::kMillisecond);

} // namespace
