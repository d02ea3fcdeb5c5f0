#include "installer/EntryFile.h"

#include <QSaveFile>

namespace kinetra::installer {

bool WriteEntryFile(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    // Left uncommitted, the temporary file is dropped with `file`.
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace kinetra::installer
