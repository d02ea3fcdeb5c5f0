#include "palette/PaletteFiles.h"

#include "io/ByteReader.h"
#include "io/WholeFile.h"
#include "palette/AsciiCase.h"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPaletteSize = 256;
constexpr std::size_t kRiffHeaderSize = 24;
constexpr std::uint32_t kRiffFormSize = 1040;     // everything after the first 8 bytes
constexpr std::uint32_t kRiffDataSize = 1028;     // version, count and 256 entries
constexpr std::uint16_t kRiffVersion = 0x0300;
// No palette file comes near this; a bigger file is not read into memory.
constexpr std::uintmax_t kMaxPaletteFileSize = 1024 * 1024;

std::string_view asText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The first four bytes as text, empty when the file is shorter.
std::string_view tagOf(std::span<const std::uint8_t> file)
{
    return file.size() < 4 ? std::string_view{} : asText(file.first(4));
}

// --- JASC text ------------------------------------------------------------

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Hands out the lines of a text one at a time, whichever of CR LF, LF or CR
// ends them: files edited on different systems mix all three.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    // The next line without its line end; false at the end of the text.
    bool next(std::string_view& line)
    {
        if (atEnd())
            return false;
        const std::size_t end = m_text.find_first_of("\r\n", m_pos);
        if (end == std::string_view::npos) {
            line = m_text.substr(m_pos);
            m_pos = m_text.size();
            return true;
        }
        line = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        if (m_text[end] == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::string_view trimmed(std::string_view line)
{
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

bool isDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// A whole token of decimal digits with a value of at most `maximum`; no
// sign, no other characters.
bool parseDecimal(std::string_view token, unsigned maximum, unsigned& value)
{
    if (!isDigits(token))
        return false;
    unsigned parsed = 0;
    for (char c : token) {
        parsed = parsed * 10 + unsigned(c - '0');
        if (parsed > maximum)
            return false; // also keeps a long run of digits from overflowing
    }
    value = parsed;
    return true;
}

// "r g b": exactly three numbers 0..255 separated by spaces or tabs.
bool parseColorLine(std::string_view line, PaletteEntry& entry)
{
    unsigned rgb[3] = {};
    std::string_view rest = trimmed(line);
    for (unsigned& component : rgb) {
        std::size_t length = 0;
        while (length < rest.size() && !isBlank(rest[length]))
            ++length;
        if (!parseDecimal(rest.substr(0, length), 255, component))
            return false;
        rest = trimmed(rest.substr(length));
    }
    if (!rest.empty())
        return false;
    entry = PaletteEntry::fromRgb(std::uint8_t(rgb[0]), std::uint8_t(rgb[1]), std::uint8_t(rgb[2]));
    return true;
}

void appendNumber(std::vector<std::uint8_t>& out, unsigned value)
{
    char digits[8];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error; // a byte's value always fits
    out.insert(out.end(), digits, end);
}

void appendText(std::vector<std::uint8_t>& out, std::string_view text)
{
    // Byte by byte: GCC 12 at -O3 mistakes a range insert into the still
    // empty vector for an overflow.
    for (const char c : text)
        out.push_back(std::uint8_t(c));
}

void appendU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t(value >> 8));
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    appendU16(out, std::uint16_t(value & 0xFFFF));
    appendU16(out, std::uint16_t(value >> 16));
}

// The extension of the path's file name without its dot; empty when the name
// has no dot or only a leading one (a hidden file such as ".act").
std::string extensionOf(const std::string& filePath)
{
    const std::string extension = fs::path(filePath).extension().string();
    return extension.empty() ? std::string{} : extension.substr(1);
}

} // namespace

std::optional<Palette> readActPalette(std::span<const std::uint8_t> file)
{
    // Photoshop's longer variant (a colour count and a transparent index
    // behind the table) is refused with everything else that is not 768.
    if (file.size() != kActFileSize)
        return std::nullopt;
    ByteReader in(file);
    Palette palette{};
    for (std::size_t i = 0; i < kPaletteSize; ++i) {
        const std::uint8_t r = in.u8();
        const std::uint8_t g = in.u8();
        const std::uint8_t b = in.u8();
        palette[kPaletteSize - 1 - i] = PaletteEntry::fromRgb(r, g, b);
    }
    if (!in.ok())
        return std::nullopt;
    return palette;
}

std::optional<Palette> readRiffPalette(std::span<const std::uint8_t> file)
{
    ByteReader in(file);
    const std::string_view riff = asText(in.bytes(4));
    in.u32(); // the form size: the entry count decides what is read
    const std::string_view pal = asText(in.bytes(4));
    const std::string_view data = asText(in.bytes(4));
    in.u32(); // the data chunk size, which some writers get wrong
    in.u16(); // the version, 0x0300 in every file in the wild, not checked
    const std::uint16_t count = in.u16();
    if (!in.ok() || !equalIgnoringCase(riff, "RIFF") || pal != "PAL " || data != "data")
        return std::nullopt;
    // A memory palette has 256 entries: a longer table cannot be shown as the
    // file means it, and an empty one would only blank every colour.
    if (count == 0 || count > kPaletteSize)
        return std::nullopt;

    in.seek(kRiffHeaderSize);
    Palette palette{};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t r = in.u8();
        const std::uint8_t g = in.u8();
        const std::uint8_t b = in.u8();
        in.u8(); // flags
        palette[kPaletteSize - 1 - i] = PaletteEntry::fromRgb(r, g, b);
    }
    if (!in.ok())
        return std::nullopt;
    return palette;
}

std::optional<Palette> readJascPalette(std::span<const std::uint8_t> file)
{
    LineReader lines(asText(file));
    std::string_view line;
    if (!lines.next(line) || !equalIgnoringCase(trimmed(line), "JASC-PAL"))
        return std::nullopt;
    if (!lines.next(line) || !isDigits(trimmed(line)))
        return std::nullopt;
    unsigned count = 0;
    if (!lines.next(line) || !parseDecimal(trimmed(line), kPaletteSize, count) || count == 0)
        return std::nullopt;

    Palette palette{};
    for (unsigned i = 0; i < count; ++i) {
        if (!lines.next(line) || !parseColorLine(line, palette[i]))
            return std::nullopt;
    }
    // Only blank lines may follow: more colours than the count says means the
    // file is not what its header claims.
    while (lines.next(line)) {
        if (!trimmed(line).empty())
            return std::nullopt;
    }
    return palette;
}

std::optional<Palette> readPaletteFile(const std::string& filePath)
{
    const std::string extension = extensionOf(filePath);
    const bool act = equalIgnoringCase(extension, "act");
    if (!act && !equalIgnoringCase(extension, "pal"))
        return std::nullopt;

    std::error_code error;
    if (!fs::is_regular_file(filePath, error))
        return std::nullopt;
    const std::uintmax_t size = fs::file_size(filePath, error);
    if (error || size > kMaxPaletteFileSize)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(filePath, bytes))
        return std::nullopt;

    if (act)
        return readActPalette(bytes);
    const std::string_view tag = tagOf(bytes);
    if (equalIgnoringCase(tag, "JASC"))
        return readJascPalette(bytes);
    if (equalIgnoringCase(tag, "RIFF"))
        return readRiffPalette(bytes);
    return std::nullopt;
}

std::vector<std::uint8_t> encodePalette(const Palette& palette, PaletteFormat format)
{
    std::vector<std::uint8_t> out;
    switch (format) {
    case PaletteFormat::Act:
        out.reserve(kActFileSize);
        for (std::size_t i = kPaletteSize; i-- > 0;)
            out.insert(out.end(), {palette[i].red, palette[i].green, palette[i].blue});
        break;
    case PaletteFormat::Riff:
        out.reserve(kRiffPaletteFileSize);
        appendText(out, "RIFF");
        appendU32(out, kRiffFormSize);
        appendText(out, "PAL ");
        appendText(out, "data");
        appendU32(out, kRiffDataSize);
        appendU16(out, kRiffVersion);
        appendU16(out, std::uint16_t(kPaletteSize));
        for (std::size_t i = kPaletteSize; i-- > 0;)
            out.insert(out.end(), {palette[i].red, palette[i].green, palette[i].blue, std::uint8_t(0)});
        break;
    case PaletteFormat::Jasc:
        appendText(out, "JASC-PAL\r\n0100\r\n256\r\n");
        for (const PaletteEntry& entry : palette) {
            appendNumber(out, entry.red);
            out.push_back(' ');
            appendNumber(out, entry.green);
            out.push_back(' ');
            appendNumber(out, entry.blue);
            appendText(out, "\r\n");
        }
        break;
    }
    return out;
}

const char* paletteFileExtension(PaletteFormat format)
{
    return format == PaletteFormat::Act ? "act" : "pal";
}

std::string palettePathForFormat(const std::string& filePath, PaletteFormat format)
{
    // path::extension looks at the file name only and sees no extension in a
    // leading dot, so "/a.b/pal" and ".hidden" get one appended.
    fs::path path(filePath);
    path.replace_extension(std::string(".") + paletteFileExtension(format));
    return path.string();
}

} // namespace kinetra
