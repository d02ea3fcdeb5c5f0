// How fast CFlcAnimation::Load turns a file into frames: a large generated
// animation to show the decoder's throughput, and the bundled sample unit
// for the size the program meets every day.

#include "tools/GeneratorSupport.h"
#include "flc/CFlcAnimation.h"
#include "imaging/CScreen.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using kinetra::tools::hash;

using namespace kinetra;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFrameCount = 300;

// Frames need a screen to make their surfaces; this one never shows them.
class HeadlessScreen {
public:
    HeadlessScreen()
    {
        m_screen.Create(nullptr);
        m_screen.Initialize(240, 240);
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

void fillRect(IndexImage& image, int left, int top, int w, int h, std::uint8_t colour)
{
    for (int y = std::max(0, top); y < std::min(image.height, top + h); ++y) {
        for (int x = std::max(0, left); x < std::min(image.width, left + w); ++x)
            image.row(y)[x] = colour;
    }
}

void fillDisc(IndexImage& image, int cx, int cy, int r, std::uint8_t colour)
{
    for (int y = std::max(0, cy - r); y < std::min(image.height, cy + r + 1); ++y) {
        for (int x = std::max(0, cx - r); x < std::min(image.width, cx + r + 1); ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                image.row(y)[x] = colour;
        }
    }
}

// A position bouncing between 0 and `span`.
int bounce(int start, int step, int frame, int span)
{
    const int travelled = (start + step * frame) % (2 * span);
    return travelled < span ? travelled : 2 * span - travelled;
}

// Something like a unit sheet in motion: a tiled backdrop with scattered
// noise that stays put, shapes that move across it, and a patch of fresh
// noise every frame, so BYTE_RUN meets both runs and literals and DELTA_FLC
// has skips, runs and copies to do.
IndexImage makeFrame(int frame)
{
    IndexImage image(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = image.row(y);
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t noise = hash(std::uint32_t(y * kWidth + x));
            row[x] = noise % 40 == 0 ? std::uint8_t(noise >> 8)
                                     : std::uint8_t(64 + ((x / 32) * 7 + (y / 32) * 13) % 160);
        }
    }
    for (int i = 0; i < 6; ++i) {
        const int r = 20 + 8 * i;
        fillDisc(image, r + bounce(37 * i, 5 + i, frame, kWidth - 2 * r), r + bounce(91 * i, 3 + i, frame, kHeight - 2 * r),
                 r, std::uint8_t(i * 10));
    }
    for (int i = 0; i < 3; ++i)
        fillRect(image, bounce(150 * i, 7, frame, kWidth - 90), 40 + 140 * i, 90, 50, std::uint8_t(224 + i * 8));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            image.row(400 + y)[560 + x] = std::uint8_t(hash(std::uint32_t(frame * 4096 + y * 64 + x)));
    }
    return image;
}

// The generated file, written once per run into the temporary folder and
// removed at exit.
class GeneratedFile {
public:
    GeneratedFile()
    {
        m_path = (std::filesystem::temp_directory_path()
                  / ("kinetra-load-bench-" + std::to_string(getpid()) + ".flc"))
                     .string();
        Palette palette{};
        for (int i = 0; i < 256; ++i)
            palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(255 - i));
        std::vector<IndexImage> images;
        images.reserve(kFrameCount);
        for (int frame = 0; frame < kFrameCount; ++frame)
            images.push_back(makeFrame(frame));
        const encoder::Bytes bytes = encoder::buildPlainFlc(palette, images, 70);
        std::ofstream file(m_path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        m_ok = !bytes.empty() && static_cast<bool>(file);
    }
    ~GeneratedFile()
    {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    GeneratedFile(const GeneratedFile&) = delete;
    GeneratedFile& operator=(const GeneratedFile&) = delete;

    const std::string& path() const { return m_path; }
    bool ok() const { return m_ok; }

private:
    std::string m_path;
    bool m_ok = false;
};

void measureLoad(benchmark::State& state, const std::string& path)
{
    std::error_code error;
    const auto fileSize = std::filesystem::file_size(path, error);
    if (error) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }

    HeadlessScreen screen;
    CFlcAnimation animation;
    std::size_t frames = 0;
    for (auto _ : state) {
        if (animation.Load(path, true) != kOk) {
            state.SkipWithError(("cannot load " + path).c_str());
            return;
        }
        frames = animation.frames.size();
        // The player unloads before it loads again; freeing is not loading.
        state.PauseTiming();
        animation.Clear();
        state.ResumeTiming();
    }

    const auto iterations = static_cast<double>(state.iterations());
    // Rates print as "frames=…/s" and "MB=…/s".
    state.counters["decoded_frames"] = static_cast<double>(frames);
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames) * iterations, benchmark::Counter::kIsRate);
    state.counters["MB"] = benchmark::Counter(static_cast<double>(fileSize) / 1e6 * iterations, benchmark::Counter::kIsRate);
}

void BM_LoadGenerated640x480x300(benchmark::State& state)
{
    static const GeneratedFile file;
    if (!file.ok()) {
        state.SkipWithError("cannot write the generated animation");
        return;
    }
    measureLoad(state, file.path());
}
BENCHMARK(BM_LoadGenerated640x480x300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadSampleUnit(benchmark::State& state)
{
    measureLoad(state, KINETRA_SAMPLES_DIR "/unit.flc");
}
BENCHMARK(BM_LoadSampleUnit)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

// About 200 bytes whose header claims 16384 × 8192 pixels, the BYTE_RUN data
// ending after a few lines: refusing it should cost what its bytes are
// worth, not what its header claims.
void BM_RefuseHugeClaim(benchmark::State& state)
{
    HeadlessScreen screen;
    encoder::FlcBuilder builder(16384, 8192);
    builder.header.frames = 1;
    builder.addFrame({encoder::rawSubChunk(kChunkByteRun, encoder::Bytes(40, 0x01))});
    const encoder::Bytes file = builder.build();
    for (auto _ : state) {
        CFlcAnimation animation;
        if (animation.LoadFromMemory(file, true) == kOk)
            state.SkipWithError("the file was not refused");
    }
}
BENCHMARK(BM_RefuseHugeClaim)->Unit(benchmark::kMillisecond)->UseRealTime();
