#pragma once

#include "flc/Palette.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace kinetra::clitest {

// Points XDG_DATA_HOME at `folder` for the life of the object, so that the
// built-in palettes the commands write out land in the test's folder.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::filesystem::path& folder);
    ~ScopedDataHome();
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

private:
    std::optional<std::string> m_previous;
};

// The palette of an FLC file as the model reads it; nothing when it cannot
// be read.
std::optional<Palette> flcPalette(const std::string& path);

// The palette of built-in colouring n (1 to 32).
Palette builtInCivPalette(int n);

// Success when `copy` has the size of `source` and differs from it in at
// least one byte and only in the colour bytes of the source's palette chunks.
::testing::AssertionResult differsOnlyInPaletteColours(const std::string& source, const std::string& copy);

} // namespace kinetra::clitest
