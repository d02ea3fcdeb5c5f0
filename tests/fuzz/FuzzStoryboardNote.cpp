// libFuzzer entry point for storyboard notes on their own: whatever note is
// read must write back as a note that reads the same, and a split's list of
// direction files is checked as join checks it.

#include "storyboard/DirectionFiles.h"
#include "storyboard/StoryboardNote.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kinetra;
    std::string problem;
    const auto note = readStoryboardNote(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (!note)
        return 0;
    static_cast<void>(checkDirectionFiles(note->directionFiles, note->facts, problem));
    const std::string written = writeStoryboardNote(*note);
    const auto again = readStoryboardNote(written, problem);
    if (!again || writeStoryboardNote(*again) != written)
        std::abort();
    return 0;
}
