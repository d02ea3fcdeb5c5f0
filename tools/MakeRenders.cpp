// make_renders OUTDIR [FRAMES_PER_DIRECTION [SIZE]]: writes the true-colour
// renders of tools/RenderFigures.h as a unit maker gets them from a 3-D
// program, OUTDIR/render_SW_0000.png ... render_W_NNNN.png (RGBA, 12 frames
// a direction of 240 x 240 by default), and beside them in OUTDIR/kinds/
// the same names as 8-bit pictures whose indices are what each pixel was
// drawn as (RenderPixelKind: 0 transparent, 1 shadow, 2 team, 3 ordinary,
// 4 an edge that blends them), for tests. The team key is #2850FF.

#include "tools/RenderFigures.h"

#include "formats/PngFile.h"
#include "storyboard/Storyboard.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kinetra;

namespace {

std::string frameName(int direction, int frame)
{
    char number[8];
    std::snprintf(number, sizeof number, "%04d", frame);
    return std::string("render_") + kUnitDirectionNames[std::size_t(direction)] + "_" + number + ".png";
}

bool writeKinds(const std::filesystem::path& path, const tools::RenderFrame& render)
{
    IndexImage kinds(render.picture.width, render.picture.height);
    for (std::size_t i = 0; i < render.kinds.size(); ++i)
        kinds.pixels[i] = std::uint8_t(render.kinds[i]);
    Palette greys{};
    for (int i = 0; i < 256; ++i)
        greys[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i * 60), std::uint8_t(i * 60), std::uint8_t(i * 60));
    std::vector<std::uint8_t> bytes;
    std::string problem;
    return encodeIndexedPng(kinds, greys, {}, bytes, problem) && tools::writeFile(path, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_renders OUTDIR [FRAMES_PER_DIRECTION [SIZE]]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const int frames = argc > 2 ? std::atoi(argv[2]) : 12;
    const int size = argc > 3 ? std::atoi(argv[3]) : 240;
    if (frames < 1 || frames > 1000 || size < 16 || size > 1024) {
        std::fprintf(stderr, "make_renders: 1-1000 frames a direction of 16-1024 pixels\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(dir / "kinds", error);
    for (int direction = 0; direction < 8; ++direction) {
        for (int frame = 0; frame < frames; ++frame) {
            const tools::RenderFrame render = tools::renderSpearman(direction, frame, frames, size);
            const std::string name = frameName(direction, frame);
            std::string problem;
            if (!writeArgbPng((dir / name).string(), render.picture, PngChannels::Rgba, problem)
                || !writeKinds(dir / "kinds" / name, render)) {
                std::fprintf(stderr, "make_renders: cannot write %s %s\n", name.c_str(), problem.c_str());
                return 1;
            }
        }
    }
    return 0;
}
