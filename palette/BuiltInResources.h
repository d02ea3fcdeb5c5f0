#pragma once

// The files the program carries inside itself: the sea and land tiles and
// the 32 civilization palettes (PCX). Generated at build time from res/.

#include <cstdint>
#include <span>
#include <string>

namespace kinetra {

enum BuiltInResourceId : int {
    kResourceSea = 130,
    kResourceLand = 132,
    kResourceCivPaletteFirst = 600, // colouring n is 600 + n - 1
};

// The bytes of a built-in resource; empty when there is none with that id.
std::span<const std::uint8_t> BuiltInResource(int id);

// Writes a built-in resource to filePath (replacing any file there);
// false when there is no such resource or the file cannot be written.
bool WriteBuiltInResource(int id, const std::string& filePath);

} // namespace kinetra
