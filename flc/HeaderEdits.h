#pragma once

// A unit's speed, placement and original size, changed without touching a
// frame: the header fields that the window's Properties, its Ctrl+arrow keys
// and `kinetra-cli set` change, checked against what the file can hold and
// written over those header bytes alone.

#include "flc/FlcHeader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kinetra {

// The fields to change; one left empty keeps the file's bytes. The speed is
// in milliseconds whatever the file counts it in.
struct HeaderEdits {
    std::optional<std::uint32_t> speed{};
    std::optional<std::uint16_t> leftOffset{};
    std::optional<std::uint16_t> topOffset{};
    std::optional<std::uint16_t> originalWidth{};
    std::optional<std::uint16_t> originalHeight{};

    bool empty() const;
    // Whether any field but the speed is set: those live in the game's
    // extension.
    bool touchesGameFields() const;
    // `later`'s fields over these.
    void merge(const HeaderEdits& later);
    bool operator==(const HeaderEdits&) const = default;
};

// Whether the file `header` was read from carries the game's extension
// (offsets, original size): an FLC file whose frames per direction are not
// 0. Decided from `raw`, the bytes as read, so a header the player has
// completed for a plain file still tells.
bool holdsGameFields(const FlcHeader& header);

// The speed nearest to `milliseconds` that the file holds: the value itself
// for an FLC file; for an FLI file, whose word counts 1/70 s, the nearest of
// the speeds those counts read back as (the lower of two as near).
std::uint32_t nearestHeldSpeed(const FlcHeader& header, std::uint32_t milliseconds);

// Why `edits` cannot go into the file `header` was read from, as a sentence
// for the user; nothing when they can. A plain FLC and an FLI file have no
// offsets or original size, and an FLI file holds only the speeds
// nearestHeldSpeed gives back unchanged.
std::optional<std::string> headerEditProblem(const FlcHeader& header, const HeaderEdits& edits);

// The edits over a header in memory, as loading the written file gives it.
void applyHeaderEdits(FlcHeader& header, const HeaderEdits& edits);
// Whether a header as loaded holds every field of `edits`.
bool headerHolds(const FlcHeader& header, const HeaderEdits& edits);

// Writes `edits` over the header at the front of `file`, in the file's own
// units; no other byte changes (an FLI speed takes its word alone). False,
// with nothing written, when the file is shorter than a header or cannot
// hold the edits.
bool writeHeaderEdits(std::span<std::uint8_t> file, const HeaderEdits& edits);

} // namespace kinetra
