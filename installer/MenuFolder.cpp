#include "installer/MenuFolder.h"

#include "installer/DesktopEntry.h"
#include "installer/EntryFile.h"
#include "installer/Shortcut.h"

#include <QDir>

namespace kinetra::installer {

namespace {

const QString kDirectoryFileName = QStringLiteral("vorenth-flc.directory");
const QString kMergeFileName = QStringLiteral("vorenth-flc.menu");

bool writeInFolder(const QString& folder, const QString& fileName, const QString& text)
{
    return QDir().mkpath(folder) && WriteEntryFile(folder + u'/' + fileName, text);
}

QString directoryText()
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Directory\n"
                          "Name=%1\n")
        .arg(DesktopStringValue(QLatin1String(kMenuFolderName)));
}

QString mergeText(const QString& entryId)
{
    return QStringLiteral("<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                          " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
                          "<Menu>\n"
                          "  <Name>Applications</Name>\n"
                          "  <Menu>\n"
                          "    <Name>%1</Name>\n"
                          "    <Directory>%2</Directory>\n"
                          "    <Include>\n"
                          "      <Filename>%3</Filename>\n"
                          "    </Include>\n"
                          "  </Menu>\n"
                          "</Menu>\n")
        .arg(QString(QLatin1String(kMenuFolderName)).toHtmlEscaped(), kDirectoryFileName.toHtmlEscaped(),
             entryId.toHtmlEscaped());
}

} // namespace

QString MenuEntryId(const QString& entryFileName)
{
    return QLatin1String(kMenuFolderName) + u'-' + entryFileName;
}

bool WriteMenuFolderFiles(const QString& dataHome, const QString& configHome, const QString& entryFileName)
{
    if (dataHome.isEmpty() || configHome.isEmpty())
        return false;
    const bool directoryWritten =
        writeInFolder(dataHome + QStringLiteral("/desktop-directories"), kDirectoryFileName, directoryText());
    const bool mergeWritten = writeInFolder(configHome + QStringLiteral("/menus/applications-merged"),
                                            kMergeFileName, mergeText(MenuEntryId(entryFileName)));
    return directoryWritten && mergeWritten;
}

} // namespace kinetra::installer
