#include "app/PaletteSources.h"

#include "flc/CFlcAnimation.h"
#include "imaging/CPcxImage.h"
#include "palette/PaletteFiles.h"
#include "uikit/Paths.h"

#include <QFile>

std::optional<kinetra::Palette> readPaletteFrom(const QString& path)
{
    const std::string local = QFile::encodeName(path).toStdString();
    const QString extension = uGetFileExt(path);
    const auto is = [&extension](const char* name) {
        return extension.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("pcx")) {
        kinetra::CPcxImage picture;
        if (picture.Load(local) != kinetra::kOk)
            return std::nullopt;
        return picture.palette;
    }
    if (!is("flc") && !is("fli"))
        return kinetra::readPaletteFile(local);
    kinetra::CFlcAnimation animation;
    if (animation.Load(local, true) != kinetra::kOk)
        return std::nullopt;
    return animation.filePalette;
}
