#include "storyboard/FrameSeries.h"

#include <glob.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace kinetra {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isShown(std::uint8_t index)
{
    return index != 255;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isPictureName(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), lowerAscii);
    return extension == ".png" || extension == ".pcx" || extension == ".bmp";
}

// Compares the digit runs starting at a[i] and b[j] as numbers, moving both
// past them; 0 when the numbers are equal.
int compareNumbers(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j)
{
    const auto skipZeros = [](std::string_view s, std::size_t& k) {
        while (k + 1 < s.size() && s[k] == '0' && isDigit(s[k + 1]))
            ++k;
    };
    skipZeros(a, i);
    skipZeros(b, j);
    std::size_t endA = i;
    std::size_t endB = j;
    while (endA < a.size() && isDigit(a[endA]))
        ++endA;
    while (endB < b.size() && isDigit(b[endB]))
        ++endB;
    // Without their leading zeros, the longer run is the larger number.
    int order = endA - i < endB - j ? -1 : endA - i > endB - j ? 1 : 0;
    if (order == 0)
        order = a.substr(i, endA - i).compare(b.substr(j, endB - j));
    i = endA;
    j = endB;
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace

bool naturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int order = compareNumbers(a, i, b, j); order != 0)
                return order < 0;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size() && i >= a.size();
    return a < b;
}

std::optional<std::vector<std::string>> expandFramePattern(const std::string& pattern, std::string& problem)
{
    std::vector<std::string> files;
    std::error_code error;
    if (std::filesystem::is_directory(pattern, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(pattern, error)) {
            if (entry.is_regular_file(error) && isPictureName(entry.path()))
                files.push_back(entry.path().string());
        }
    } else {
        glob_t matches{};
        if (::glob(pattern.c_str(), 0, nullptr, &matches) == 0) {
            for (std::size_t k = 0; k < matches.gl_pathc; ++k) {
                if (std::filesystem::is_regular_file(matches.gl_pathv[k], error))
                    files.emplace_back(matches.gl_pathv[k]);
            }
        }
        ::globfree(&matches);
    }
    if (files.empty()) {
        problem = "No picture matches '" + pattern + "'.";
        return std::nullopt;
    }
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    return files;
}

std::optional<std::vector<int>> parseDirectionOrder(std::string_view text, std::string& problem)
{
    std::vector<int> order;
    std::vector<bool> seen(kUnitDirectionNames.size(), false);
    const auto refuse = [&](const std::string& why) {
        problem = "--direction-order takes the eight directions SW, S, SE, E, NE, N, NW, W each once, "
                  "comma-separated, in the renderer's order; '"
                  + std::string(text) + "' " + why + ".";
        return std::nullopt;
    };
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string name(text.substr(start, comma - start));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
        const auto found = std::find(kUnitDirectionNames.begin(), kUnitDirectionNames.end(), name);
        if (found == kUnitDirectionNames.end())
            return refuse("has '" + name + "', which is not one of them");
        const auto direction = std::size_t(found - kUnitDirectionNames.begin());
        if (seen[direction])
            return refuse("names " + name + " twice");
        seen[direction] = true;
        order.push_back(int(direction));
        start = comma + 1;
    }
    if (order.size() != kUnitDirectionNames.size())
        return refuse("names " + std::to_string(order.size()) + " of them");
    return order;
}

std::vector<std::size_t> fileOrderOfSeries(int directions, int framesPerDirection, const std::vector<int>& order)
{
    const auto perDirection = std::size_t(framesPerDirection);
    std::vector<std::size_t> places(std::size_t(directions) * perDirection);
    for (std::size_t picture = 0; picture < places.size(); ++picture) {
        const std::size_t rendered = picture / perDirection;
        const std::size_t direction = order.empty() ? rendered : std::size_t(order[rendered]);
        places[picture] = direction * perDirection + picture % perDirection;
    }
    return places;
}

ShownRect shownUnion(const std::vector<IndexImage>& frames)
{
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    bool any = false;
    for (const IndexImage& frame : frames) {
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* row = frame.pixels.data() + std::size_t(y) * std::size_t(frame.width);
            const std::uint8_t* first = row;
            const std::uint8_t* end = row + frame.width;
            while (end - first >= 8 && eightTransparent(first))
                first += 8;
            first = std::find_if(first, end, isShown);
            if (first == end)
                continue;
            while (end - first >= 8 && eightTransparent(end - 8))
                end -= 8;
            const auto last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(first), isShown);
            const int x0 = int(first - row);
            const int x1 = int(last.base() - row) - 1;
            if (!any) {
                left = x0;
                right = x1;
                top = bottom = y;
                any = true;
            }
            left = std::min(left, x0);
            right = std::max(right, x1);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (!any)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

std::optional<PlacedFrames> placeOnUnitPicture(const std::vector<IndexImage>& frames, std::string& problem)
{
    const ShownRect shown = shownUnion(frames);
    if (shown.width == 0) {
        problem = "Nothing shows in any frame: every pixel is transparent.";
        return std::nullopt;
    }
    const int renderWidth = frames.front().width;
    const int renderHeight = frames.front().height;
    // The rendered picture centred on the game's: a render of the game's
    // size keeps its coordinates.
    const auto centring = [](int side) { return int(std::floor((kUnitPictureSize - side) / 2.0)); };
    PlacedFrames placed;
    placed.leftOffset = shown.left + centring(renderWidth);
    placed.topOffset = shown.top + centring(renderHeight);
    if (placed.leftOffset < 0 || placed.topOffset < 0 || placed.leftOffset + shown.width > kUnitPictureSize
        || placed.topOffset + shown.height > kUnitPictureSize) {
        problem = "What the frames show, " + std::to_string(shown.width) + " x " + std::to_string(shown.height)
                  + " pixels at " + std::to_string(shown.left) + "," + std::to_string(shown.top) + " of the "
                  + std::to_string(renderWidth) + " x " + std::to_string(renderHeight)
                  + " pictures, does not fit the game's picture of 240 x 240 centred on them.";
        return std::nullopt;
    }
    placed.frames = cutFrames(frames, shown);
    return placed;
}

std::vector<IndexImage> cutFrames(const std::vector<IndexImage>& frames, const ShownRect& rect)
{
    std::vector<IndexImage> cut;
    cut.reserve(frames.size());
    for (const IndexImage& frame : frames) {
        IndexImage& part = cut.emplace_back(rect.width, rect.height);
        for (int y = 0; y < rect.height; ++y) {
            const std::size_t row = std::size_t(rect.top + y) * std::size_t(frame.width);
            const auto from = frame.pixels.begin() + std::ptrdiff_t(row) + rect.left;
            std::copy(from, from + rect.width, part.row(y));
        }
    }
    return cut;
}

} // namespace kinetra
