#include "ExportChecks.h"

#include "CliRunner.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace kinetra::clitest {

ArgbPicture ArgbPicture::crop(int left, int top, int cropWidth, int cropHeight) const
{
    ArgbPicture part{cropWidth, cropHeight, {}};
    for (int y = top; y < top + cropHeight; ++y) {
        for (int x = left; x < left + cropWidth; ++x)
            part.pixels.push_back(at(x, y));
    }
    return part;
}

std::optional<ArgbPicture> readPng(const std::string& path)
{
    const QImage image(QString::fromStdString(path));
    if (image.isNull())
        return std::nullopt;
    ArgbPicture picture{image.width(), image.height(), {}};
    picture.pixels.reserve(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            picture.pixels.push_back(image.pixel(x, y));
    }
    return picture;
}

std::optional<ArgbPicture> composedFrame(const std::string& file, int frame, const std::vector<std::string>& options,
                                         const std::string& scratchPng)
{
    std::filesystem::remove(scratchPng);
    std::vector<std::string> args{"compose", file, "--frame", std::to_string(frame), "--out", scratchPng};
    args.insert(args.end(), options.begin(), options.end());
    const CliResult result = runCli(args);
    if (result.status != 0) {
        ADD_FAILURE() << "compose frame " << frame << ": status " << result.status << ": " << result.err;
        return std::nullopt;
    }
    return readPng(scratchPng);
}

std::string firstDifference(const ArgbPicture& actual, const ArgbPicture& expected)
{
    std::ostringstream text;
    if (actual.width != expected.width || actual.height != expected.height) {
        text << "size " << actual.width << 'x' << actual.height << " instead of " << expected.width << 'x'
             << expected.height;
        return text.str();
    }
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (actual.at(x, y) != expected.at(x, y)) {
                text << "at " << x << ',' << y << ": " << std::hex << actual.at(x, y) << " instead of "
                     << expected.at(x, y);
                return text.str();
            }
        }
    }
    return {};
}

} // namespace kinetra::clitest
