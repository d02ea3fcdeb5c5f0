#include "flc/HeaderEdits.h"

#include <algorithm>

namespace kinetra {

namespace {

bool isFli(const FlcHeader& header)
{
    return FlcHeader::parse(header.raw).magic == kFliMagic;
}

template <typename T>
void take(std::optional<T>& field, const std::optional<T>& later)
{
    if (later)
        field = later;
}

template <typename T>
bool holds(T value, const std::optional<T>& wanted)
{
    return !wanted || value == *wanted;
}

} // namespace

bool HeaderEdits::empty() const
{
    return !speed && !touchesGameFields();
}

bool HeaderEdits::touchesGameFields() const
{
    return leftOffset || topOffset || originalWidth || originalHeight;
}

void HeaderEdits::merge(const HeaderEdits& later)
{
    take(speed, later.speed);
    take(leftOffset, later.leftOffset);
    take(topOffset, later.topOffset);
    take(originalWidth, later.originalWidth);
    take(originalHeight, later.originalHeight);
}

bool holdsGameFields(const FlcHeader& header)
{
    // An FLI file's reserved bytes are no extension, whatever they hold.
    const FlcHeader file = FlcHeader::parse(header.raw);
    return file.magic != kFliMagic && file.framesPerDirection != 0;
}

std::uint32_t nearestHeldSpeed(const FlcHeader& header, std::uint32_t milliseconds)
{
    if (!isFli(header))
        return milliseconds;
    // The count below reads back at or below the speed, the one above it at
    // or above.
    const auto below = std::uint32_t(
        std::min<std::uint64_t>(std::uint64_t(milliseconds) * kFliTicksPerSecond / 1000, kMaxFliTicks));
    const std::uint32_t lower = fliTicksToMilliseconds(below);
    if (lower == milliseconds || below == kMaxFliTicks)
        return lower;
    const std::uint32_t upper = fliTicksToMilliseconds(below + 1);
    return milliseconds - lower <= upper - milliseconds ? lower : upper;
}

std::optional<std::string> headerEditProblem(const FlcHeader& header, const HeaderEdits& edits)
{
    if (edits.touchesGameFields() && !holdsGameFields(header)) {
        return std::string(isFli(header) ? "An FLI file" : "A plain FLC")
            + " has no offsets or original size: only its speed can be set.";
    }
    if (edits.speed) {
        const std::uint32_t held = nearestHeldSpeed(header, *edits.speed);
        if (held != *edits.speed)
            return "An FLI file counts its speed in 1/70 s and cannot hold " + std::to_string(*edits.speed)
                + " ms; the nearest it holds is " + std::to_string(held) + " ms.";
    }
    return std::nullopt;
}

void applyHeaderEdits(FlcHeader& header, const HeaderEdits& edits)
{
    header.speed = edits.speed.value_or(header.speed);
    header.leftOffset = edits.leftOffset.value_or(header.leftOffset);
    header.topOffset = edits.topOffset.value_or(header.topOffset);
    header.originalWidth = edits.originalWidth.value_or(header.originalWidth);
    header.originalHeight = edits.originalHeight.value_or(header.originalHeight);
}

bool headerHolds(const FlcHeader& header, const HeaderEdits& edits)
{
    return holds(header.speed, edits.speed) && holds(header.leftOffset, edits.leftOffset)
        && holds(header.topOffset, edits.topOffset) && holds(header.originalWidth, edits.originalWidth)
        && holds(header.originalHeight, edits.originalHeight);
}

bool writeHeaderEdits(std::span<std::uint8_t> file, const HeaderEdits& edits)
{
    if (file.size() < kFlcHeaderSize)
        return false;
    const std::span<std::uint8_t, kFlcHeaderSize> bytes = file.first<kFlcHeaderSize>();
    FlcHeader header = FlcHeader::parse(bytes);
    if (headerEditProblem(header, edits))
        return false;
    const std::uint32_t fileSpeed = header.speed;
    applyHeaderEdits(header, edits);
    if (edits.speed && isFli(header)) {
        // The word of 1/70 s alone; the two bytes behind it are reserved.
        const auto ticks = std::uint32_t((std::uint64_t(*edits.speed) * kFliTicksPerSecond + 500) / 1000);
        header.speed = (fileSpeed & ~kMaxFliTicks) | ticks;
    }
    // The header parsed and written back is the same bytes but for the
    // fields set.
    const auto written = header.serialize();
    std::copy(written.begin(), written.end(), bytes.begin());
    return true;
}

} // namespace kinetra
