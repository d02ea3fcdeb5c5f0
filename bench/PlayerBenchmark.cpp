// What the player spends on its two recurring jobs: a civilization tint
// (choosing a colouring in the window) and one timer tick's picture
// (background, frame, shadow and light blending), on a game unit at the
// game's full size, a large plain animation and the bundled sample.

#include "bench/BenchFiles.h"
#include "imaging/CFlcPlayerCore.h"
#include "io/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace kinetra;
using kinetra::bench::benchFile;

constexpr std::uint32_t kFaceColor = 0x00C8D0D4;

// A headless player with a file loaded and stopped at its first frame; the
// tiles and palettes it writes out go to a folder of its own, not the
// user's.
class LoadedPlayer {
public:
    explicit LoadedPlayer(const std::string& path) : m_player(m_settings, kFaceColor)
    {
        m_data = std::filesystem::temp_directory_path() / ("kinetra-player-bench-" + std::to_string(getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(m_data, ignored);
        m_player.dataFolder = m_data.string() + "/";
        m_ok = m_player.Initialize() && m_player.LoadFile(path) == kOk;
        m_player.Stop();
    }
    ~LoadedPlayer()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_data, ignored);
    }
    LoadedPlayer(const LoadedPlayer&) = delete;
    LoadedPlayer& operator=(const LoadedPlayer&) = delete;

    CFlcPlayerCore& player() { return m_player; }
    bool ok() const { return m_ok; }

private:
    std::filesystem::path m_data;
    MemorySettingsStore m_settings;
    CFlcPlayerCore m_player;
    bool m_ok = false;
};

void BM_Tint(benchmark::State& state, const std::string& path)
{
    LoadedPlayer loaded(path);
    if (!loaded.ok()) {
        state.SkipWithError("cannot load the file");
        return;
    }
    CFlcPlayerCore& player = loaded.player();
    // Two colourings in turn, so that every call changes the palette. The
    // first use of each writes its palette file out, which later tints skip.
    constexpr std::array<int, 2> kColourings{1, 2};
    for (int colouring : kColourings) {
        if (!player.LoadCivColor(kPaletteBuiltIn, colouring)) {
            state.SkipWithError("cannot apply a colouring");
            return;
        }
    }
    std::size_t turn = 0;
    for (auto _ : state) {
        turn ^= 1;
        if (!player.LoadCivColor(kPaletteBuiltIn, kColourings[turn])) {
            state.SkipWithError("cannot apply a colouring");
            return;
        }
    }
    state.counters["frames"] = static_cast<double>(player.frames.size());
}

BENCHMARK_CAPTURE(BM_Tint, unit240x240_8x15, benchFile(KINETRA_BENCH_UNIT_FILE))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tint, sample100x100, std::string(KINETRA_SAMPLES_DIR "/unit.flc"))->Unit(benchmark::kMillisecond);

// Stopped, a tick draws the same frame every time: the first, which in the
// generated unit covers the whole picture with shadow and light.
void BM_Tick(benchmark::State& state, const std::string& path, bool overSea)
{
    LoadedPlayer loaded(path);
    if (!loaded.ok()) {
        state.SkipWithError("cannot load the file");
        return;
    }
    CFlcPlayerCore& player = loaded.player();
    // Over a tile, the background costs a keyed blit rather than a fill.
    if (overSea && !player.SetImageBackground(kBackgroundSea)) {
        state.SkipWithError("cannot set the sea tile");
        return;
    }
    player.SetAlphaBlend(true);
    player.Step(kStepFirst);
    for (auto _ : state) {
        if (!player.Tick()) {
            state.SkipWithError("nothing to draw");
            return;
        }
    }
}

BENCHMARK_CAPTURE(BM_Tick, unit240x240_sea, benchFile(KINETRA_BENCH_UNIT_FILE), true)->Unit(benchmark::kMicrosecond);
// The screen keeps a 240 × 240 back buffer: a larger plain file shows its
// top-left corner, as in the window.
BENCHMARK_CAPTURE(BM_Tick, plain640x480, benchFile(KINETRA_BENCH_PLAIN_FILE), false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Tick, sample100x100_sea, std::string(KINETRA_SAMPLES_DIR "/unit.flc"), true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Tick, sample100x100, std::string(KINETRA_SAMPLES_DIR "/unit.flc"), false)->Unit(benchmark::kMicrosecond);

} // namespace
