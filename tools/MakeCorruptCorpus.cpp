// make_corrupt_corpus SAMPLES OUTDIR: writes the bundled samples corrupted
// chunk by chunk (size fields, counts, a chunk type, data bytes, and
// truncations at and inside chunk boundaries) into OUTDIR, and beside them
// expected.txt, a line per file: its name and what loading it gives,
// "frames N" or "refused". The reader's tests hold every file to its line;
// a change of outcome is a change of the reader's rules, reviewed as such.
// make_corrupt_corpus --outcomes FILE...: prints those lines for any files
// (the hostile corpus's expected.txt is made so).

#include "tools/GeneratorSupport.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcHeader.h"
#include "imaging/CScreen.h"
#include "io/ByteReader.h"
#include "io/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace kinetra;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::size_t start = 0;
    std::uint32_t size = 0;
    std::uint16_t type = 0;
    std::vector<Chunk> subChunks;
};

// The chunk structure as written (the samples are well formed).
std::vector<Chunk> chunksOf(const Bytes& file)
{
    std::vector<Chunk> chunks;
    ByteReader in(file);
    in.seek(kFlcHeaderSize);
    while (in.remaining() >= kFrameChunkHeaderSize) {
        Chunk chunk;
        chunk.start = in.position();
        chunk.size = in.u32();
        chunk.type = in.u16();
        const int count = in.u16();
        in.skip(8);
        for (int i = 0; i < count; ++i) {
            Chunk sub;
            sub.start = in.position();
            sub.size = in.u32();
            sub.type = in.u16();
            chunk.subChunks.push_back(sub);
            in.seek(sub.start + sub.size);
        }
        chunks.push_back(chunk);
        in.seek(chunk.start + chunk.size);
    }
    return chunks;
}

void put32(Bytes& file, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

void put16(Bytes& file, std::size_t at, std::uint16_t value)
{
    file[at] = std::uint8_t(value);
    file[at + 1] = std::uint8_t(value >> 8);
}

struct Variant {
    std::string name;
    Bytes file;
};

void corruptChunk(const Bytes& file, const Chunk& chunk, const std::string& prefix, bool dataBytes,
                  std::vector<Variant>& out)
{
    auto with = [&](const std::string& name, auto change) {
        Bytes copy = file;
        change(copy);
        out.push_back({prefix + "-" + name, std::move(copy)});
    };
    with("size-plus2", [&](Bytes& f) { put32(f, chunk.start, chunk.size + 2); });
    with("size-minus2", [&](Bytes& f) { put32(f, chunk.start, chunk.size - 2); });
    with("size-zero", [&](Bytes& f) { put32(f, chunk.start, 0); });
    with("size-huge", [&](Bytes& f) { put32(f, chunk.start, 0x7FFFFFFF); });
    with("cut-at-start", [&](Bytes& f) { f.resize(chunk.start); });
    with("cut-inside", [&](Bytes& f) { f.resize(chunk.start + 10); });
    with("cut-before-end", [&](Bytes& f) { f.resize(chunk.start + chunk.size - 1); });
    if (chunk.type == kChunkFrame) {
        with("count-zero", [&](Bytes& f) { put16(f, chunk.start + 6, 0); });
        with("count-plus1", [&](Bytes& f) { put16(f, chunk.start + 6, std::uint16_t(chunk.subChunks.size() + 1)); });
    } else {
        with("type-unknown", [&](Bytes& f) { put16(f, chunk.start + 4, 5); });
    }
    if (!dataBytes)
        return;
    // The first bytes behind a sub-chunk's header: a packet or line count,
    // a run, a line skip, depending on the chunk.
    for (const std::size_t offset : {6u, 7u, 8u, 9u, 10u}) {
        if (offset >= chunk.size)
            continue;
        with("data" + std::to_string(offset) + "-ff", [&](Bytes& f) { f[chunk.start + offset] = 0xFF; });
        with("data" + std::to_string(offset) + "-80", [&](Bytes& f) { f[chunk.start + offset] = 0x80; });
    }
}

std::string outcomeOf(const Bytes& file)
{
    CFlcAnimation animation;
    if (animation.LoadFromMemory(file, true) != kOk)
        return "refused";
    return "frames " + std::to_string(animation.frames.size());
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 3 || (mode != "--outcomes" && argc != 3)) {
        std::fprintf(stderr, "usage: make_corrupt_corpus SAMPLES OUTDIR | --outcomes FILE...\n");
        return 2;
    }
    if (mode == "--outcomes") {
        for (int i = 2; i < argc; ++i) {
            Bytes file;
            const bool read = readWholeFile(argv[i], file);
            std::printf("%s %s\n", std::filesystem::path(argv[i]).filename().c_str(),
                        read ? outcomeOf(file).c_str() : "refused");
        }
        return 0;
    }
    const std::filesystem::path samples = argv[1];
    const std::filesystem::path outDir = argv[2];
    std::filesystem::create_directories(outDir);

    std::vector<Variant> variants;
    // The plain sample, small, chunk by chunk: its first frames, one from
    // the middle and the ring frame.
    Bytes plain;
    if (!readWholeFile((samples / "plain.flc").string(), plain))
        return 1;
    const auto plainChunks = chunksOf(plain);
    for (const std::size_t index : {std::size_t(0), std::size_t(1), plainChunks.size() / 2, plainChunks.size() - 1}) {
        const Chunk& frame = plainChunks[index];
        const std::string name = "plain-frame" + std::to_string(index);
        corruptChunk(plain, frame, name, false, variants);
        for (std::size_t s = 0; s < frame.subChunks.size(); ++s)
            corruptChunk(plain, frame.subChunks[s], name + "-sub" + std::to_string(s), true, variants);
    }
    // The game sample, larger: its first key frame and delta, and the ring.
    Bytes unit;
    if (!readWholeFile((samples / "unit.flc").string(), unit))
        return 1;
    const auto unitChunks = chunksOf(unit);
    for (const std::size_t index : {std::size_t(0), std::size_t(1), unitChunks.size() - 1}) {
        const Chunk& sub = unitChunks[index].subChunks.back();
        std::vector<Variant> some;
        corruptChunk(unit, sub, "unit-frame" + std::to_string(index) + "-image", false, some);
        for (Variant& v : some) {
            if (v.name.ends_with("size-minus2") || v.name.ends_with("size-plus2") || v.name.ends_with("cut-inside"))
                variants.push_back(std::move(v));
        }
    }

    std::ofstream expected(outDir / "expected.txt");
    for (const Variant& v : variants) {
        const std::string name = v.name + ".flc";
        if (!tools::writeFile(outDir / name, v.file))
            return 1;
        expected << name << ' ' << outcomeOf(v.file) << '\n';
    }
    std::printf("%zu files in %s\n", variants.size(), outDir.string().c_str());
    return expected ? 0 : 1;
}
