#include "flc/FlcHeader.h"

#include "io/ByteReader.h"

#include <algorithm>

namespace kinetra {

namespace {

void put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value)
{
    put16(at, static_cast<std::uint16_t>(value));
    put16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

} // namespace

FlcHeader FlcHeader::parse(std::span<const std::uint8_t, kFlcHeaderSize> bytes)
{
    FlcHeader h;
    std::copy(bytes.begin(), bytes.end(), h.raw.begin());

    ByteReader in(bytes);
    h.size = in.u32();
    h.magic = in.u16();
    h.frames = in.i16();
    h.width = in.i16();
    h.height = in.i16();
    h.depth = in.u16();
    h.flags = in.u16();
    h.speed = in.u32();
    in.skip(2);
    h.created = in.u32();
    h.creator = in.u32();
    h.updated = in.u32();
    h.updater = in.u32();
    h.aspectX = in.u16();
    h.aspectY = in.u16();
    in.seek(80);
    h.oframe1 = in.u32();
    h.oframe2 = in.u32();
    in.seek(96);
    h.directions = in.u16();
    h.framesPerDirection = in.u16();
    h.leftOffset = in.u16();
    h.topOffset = in.u16();
    h.originalWidth = in.u16();
    h.originalHeight = in.u16();
    h.animationTime = in.u32();
    return h;
}

std::array<std::uint8_t, kFlcHeaderSize> FlcHeader::serialize() const
{
    auto out = raw;
    std::uint8_t* p = out.data();
    put32(p + 0, size);
    put16(p + 4, magic);
    put16(p + 6, static_cast<std::uint16_t>(frames));
    put16(p + 8, static_cast<std::uint16_t>(width));
    put16(p + 10, static_cast<std::uint16_t>(height));
    put16(p + 12, depth);
    put16(p + 14, flags);
    put32(p + 16, speed);
    put32(p + 22, created);
    put32(p + 26, creator);
    put32(p + 30, updated);
    put32(p + 34, updater);
    put16(p + 38, aspectX);
    put16(p + 40, aspectY);
    put32(p + 80, oframe1);
    put32(p + 84, oframe2);
    put16(p + 96, directions);
    put16(p + 98, framesPerDirection);
    put16(p + 100, leftOffset);
    put16(p + 102, topOffset);
    put16(p + 104, originalWidth);
    put16(p + 106, originalHeight);
    put32(p + 108, animationTime);
    return out;
}

} // namespace kinetra
