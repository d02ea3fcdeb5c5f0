#pragma once

// How the storyboard reader's fuzz target takes one input as the files a
// sheet comes in: the picture's bytes, and after this mark, when there is
// one, the sidecar note beside it. The seed maker packs real sheets so.

#include <string_view>

namespace kinetra::fuzz {

inline constexpr std::string_view kSidecarMark = "\n--kinetra-sidecar--\n";

} // namespace kinetra::fuzz
