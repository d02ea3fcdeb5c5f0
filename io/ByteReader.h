#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kinetra {

// A little-endian reader over a fixed span of bytes. A read past the end
// yields zero and marks the reader failed; every decoder checks `ok()` and
// never touches the bytes any other way.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool ok() const { return !m_failed; }
    void fail() { m_failed = true; }
    std::size_t position() const { return m_pos; }
    std::size_t size() const { return m_bytes.size(); }
    std::size_t remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    std::uint8_t u8()
    {
        if (!need(1))
            return 0;
        return m_bytes[m_pos++];
    }
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }

    std::uint16_t u16()
    {
        if (!need(2))
            return 0;
        const auto value = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return value;
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }

    std::uint32_t u32()
    {
        if (!need(4))
            return 0;
        const std::uint32_t value = static_cast<std::uint32_t>(m_bytes[m_pos])
            | (static_cast<std::uint32_t>(m_bytes[m_pos + 1]) << 8)
            | (static_cast<std::uint32_t>(m_bytes[m_pos + 2]) << 16)
            | (static_cast<std::uint32_t>(m_bytes[m_pos + 3]) << 24);
        m_pos += 4;
        return value;
    }

    // The next `count` bytes, or an empty span (and a failed reader) when
    // fewer remain.
    std::span<const std::uint8_t> bytes(std::size_t count)
    {
        if (!need(count))
            return {};
        auto out = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return out;
    }

    bool skip(std::size_t count)
    {
        if (!need(count))
            return false;
        m_pos += count;
        return true;
    }

    // A reader over the next `count` bytes (fewer when the span ends first);
    // this reader moves past them.
    ByteReader take(std::size_t count)
    {
        const std::size_t n = count < remaining() ? count : remaining();
        ByteReader sub(m_bytes.subspan(m_pos, n));
        m_pos += n;
        return sub;
    }

    void seek(std::size_t position) { m_pos = position < m_bytes.size() ? position : m_bytes.size(); }

private:
    bool need(std::size_t count)
    {
        if (m_failed || count > m_bytes.size() - m_pos) {
            m_failed = true;
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace kinetra
