// What CFlcAnimation::Load costs in time and peak memory: a game unit at
// the game's full size, a large plain animation for the decoder's
// throughput, the bundled sample for the size the program meets every day,
// and what refusing a small hostile file costs.

#include "bench/BenchFiles.h"
#include "bench/PeakMemory.h"
#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"
#include "imaging/CScreen.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace kinetra;
using kinetra::bench::benchFile;
using kinetra::bench::PeakMemoryGrowth;

// A loader that makes a 32-bit surface per frame needs the program's
// screen; one that keeps indices only ignores it, so the same benchmarks
// run against both.
class HeadlessScreen {
public:
    HeadlessScreen()
    {
        // Without a screen the surface loader's figures would mean nothing.
        if (m_screen.Create(nullptr) != kOk || m_screen.Initialize(240, 240) != kOk)
            std::abort();
        g_pScreen = &m_screen;
    }
    ~HeadlessScreen()
    {
        if (g_pScreen == &m_screen)
            g_pScreen = nullptr;
    }
    HeadlessScreen(const HeadlessScreen&) = delete;
    HeadlessScreen& operator=(const HeadlessScreen&) = delete;

private:
    CScreen m_screen;
};

void BM_Load(benchmark::State& state, const std::string& path, int width, int height)
{
    std::error_code error;
    const auto fileSize = std::filesystem::file_size(path, error);
    if (error) {
        state.SkipWithError("cannot read the file");
        return;
    }

    HeadlessScreen screen;
    std::optional<CFlcAnimation> animation;
    std::size_t frames = 0;
    const PeakMemoryGrowth growth;
    for (auto _ : state) {
        animation.emplace();
        if (animation->Load(path, true) != kOk) {
            state.SkipWithError("cannot load the file");
            return;
        }
        frames = animation->frames.size();
        // The player frees one file before it loads the next; freeing is
        // not loading.
        state.PauseTiming();
        animation.reset();
        state.ResumeTiming();
    }

    const auto iterations = static_cast<double>(state.iterations());
    // Rates print as "frames=…/s" and "MB=…/s".
    state.counters["decoded_frames"] = static_cast<double>(frames);
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames) * iterations, benchmark::Counter::kIsRate);
    state.counters["MB"] = benchmark::Counter(static_cast<double>(fileSize) / 1e6 * iterations, benchmark::Counter::kIsRate);
    if (const std::optional<std::uint64_t> peak = growth.bytes()) {
        // The file's own bytes are read whole; what is left is the frames.
        const double pixels = static_cast<double>(frames) * width * height;
        state.counters["peak_growth"] = benchmark::Counter(static_cast<double>(*peak), benchmark::Counter::kDefaults,
                                                           benchmark::Counter::OneK::kIs1024);
        state.counters["peak_bytes_per_pixel"] = (static_cast<double>(*peak) - static_cast<double>(fileSize)) / pixels;
    }
}

BENCHMARK_CAPTURE(BM_Load, unit240x240_8x15, benchFile(KINETRA_BENCH_UNIT_FILE), 240, 240)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, plain640x480x300, benchFile(KINETRA_BENCH_PLAIN_FILE), 640, 480)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, sample100x100, std::string(KINETRA_SAMPLES_DIR "/unit.flc"), 100, 100)->Unit(benchmark::kMicrosecond);

// About 200 bytes whose header claims width × height pixels, the BYTE_RUN
// data ending after a few lines: refusing it should cost what its bytes are
// worth, not what its header claims.
void BM_RefuseHugeClaim(benchmark::State& state, int width, int height)
{
    HeadlessScreen screen;
    encoder::FlcBuilder builder(width, height);
    builder.header.frames = 1;
    builder.addFrame({encoder::rawSubChunk(kChunkByteRun, encoder::Bytes(40, 0x01))});
    const encoder::Bytes file = builder.build();
    for (auto _ : state) {
        CFlcAnimation animation;
        if (animation.LoadFromMemory(file, true) == kOk)
            state.SkipWithError("the file was not refused");
    }
}

BENCHMARK_CAPTURE(BM_RefuseHugeClaim, hostile200, 16384, 8192)->Unit(benchmark::kMillisecond);

} // namespace
