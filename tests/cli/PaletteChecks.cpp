#include "PaletteChecks.h"

#include "CliFixtures.h"

#include "flc/CFlcAnimation.h"
#include "imaging/CPcxImage.h"
#include "palette/BuiltInResources.h"
#include "tests/core/TestSupport.h"

#include <cstdlib>

namespace kinetra::clitest {

namespace {

// A palette chunk's data as the fixtures write it: the packet count word,
// one packet's skip and count bytes, then 256 red, green, blue triples.
constexpr std::size_t kPacketHeaderSize = 4;
constexpr std::size_t kColourBytes = 768;

} // namespace

ScopedDataHome::ScopedDataHome(const std::filesystem::path& folder)
{
    if (const char* previous = std::getenv("XDG_DATA_HOME"))
        m_previous = previous;
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

ScopedDataHome::~ScopedDataHome()
{
    if (m_previous)
        setenv("XDG_DATA_HOME", m_previous->c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

std::optional<Palette> flcPalette(const std::string& path)
{
    CFlcAnimation animation;
    if (animation.Load(path, true) != kOk)
        return std::nullopt;
    return animation.filePalette;
}

Palette builtInCivPalette(int n)
{
    CPcxImage image;
    if (image.LoadFromMemory(BuiltInResource(kResourceCivPaletteFirst + n - 1)) != kOk)
        ADD_FAILURE() << "built-in palette " << n << " does not read";
    return image.palette;
}

::testing::AssertionResult differsOnlyInPaletteColours(const std::string& source, const std::string& copy)
{
    CFlcAnimation animation;
    if (animation.Load(source, true) != kOk)
        return ::testing::AssertionFailure() << source << " does not load";
    const auto before = fileBytes(source);
    const auto after = fileBytes(copy);
    if (before.size() != after.size())
        return ::testing::AssertionFailure() << "size " << after.size() << " instead of " << before.size();

    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i])
            continue;
        bool inColours = false;
        for (const std::uint32_t offset : animation.paletteOffsets)
            inColours |= i >= offset + kPacketHeaderSize && i < offset + kPacketHeaderSize + kColourBytes;
        if (!inColours)
            return ::testing::AssertionFailure() << "byte " << i << " changed outside the palette colours";
        ++changed;
    }
    if (changed == 0)
        return ::testing::AssertionFailure() << "no byte changed";
    return ::testing::AssertionSuccess();
}

} // namespace kinetra::clitest
