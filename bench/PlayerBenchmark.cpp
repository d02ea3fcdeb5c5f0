// What the player spends on its two recurring jobs with the bundled sample
// unit: re-decoding every frame after a palette change (the cost of choosing
// a civilization colour) and one timer tick's picture (background, frame,
// shadow and light blending).

#include "imaging/CFlcPlayerCore.h"
#include "imaging/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace kinetra;

constexpr std::uint32_t kFaceColor = 0x00C8D0D4;
const std::string kSample = KINETRA_SAMPLES_DIR "/unit.flc";

// A headless player with the sample loaded and stopped at its first frame;
// the tiles it writes out go to a folder of its own, not the user's.
class LoadedPlayer {
public:
    LoadedPlayer() : m_player(m_settings, kFaceColor)
    {
        m_data = std::filesystem::temp_directory_path() / ("kinetra-player-bench-" + std::to_string(getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(m_data, ignored);
        m_player.dataFolder = m_data.string() + "/";
        m_ok = m_player.Initialize() && m_player.LoadFile(kSample) == kOk && m_player.loaded;
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

using Clock = std::chrono::steady_clock;

void BM_RebuildFramesSample(benchmark::State& state)
{
    LoadedPlayer loaded;
    if (!loaded.ok()) {
        state.SkipWithError(("cannot load " + kSample).c_str());
        return;
    }
    CFlcPlayerCore& player = loaded.player();
    for (auto _ : state) {
        const auto start = Clock::now();
        const HResult result = player.RebuildFrames();
        const auto stop = Clock::now();
        if (result != kOk) {
            state.SkipWithError("RebuildFrames failed");
            return;
        }
        // A colouring sets the player loaded again after the rebuild.
        player.loaded = true;
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    state.counters["frames"] = static_cast<double>(player.frames.size());
}
BENCHMARK(BM_RebuildFramesSample)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TickPictureSample(benchmark::State& state)
{
    LoadedPlayer loaded;
    if (!loaded.ok()) {
        state.SkipWithError(("cannot load " + kSample).c_str());
        return;
    }
    CFlcPlayerCore& player = loaded.player();
    // Over a tile, the background costs a keyed blit rather than a fill.
    const bool tiled = state.range(0) != 0;
    if (tiled && player.SetImageBackground(kBackgroundSea) == 0) {
        state.SkipWithError("cannot set the sea tile");
        return;
    }
    const int frameCount = static_cast<int>(player.frames.size());
    int frame = 0;
    for (auto _ : state) {
        player.currentFrame = frame;
        frame = (frame + 1) % frameCount;
        const auto start = Clock::now();
        player.DrawBackground();
        player.ComposeFrame();
        const auto stop = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
}
BENCHMARK(BM_TickPictureSample)->ArgName("sea")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseManualTime();

} // namespace
