#include "uikit/Profile.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

// The file QSettings("Halvorek", "Kinetra") uses on Linux, named outright
// so that it is the same INI file wherever the program runs (IniFormat by
// organisation and name would pick "Kinetra.ini").
QSettings openProfile()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                         + QStringLiteral("/Halvorek/Kinetra.conf"),
                     QSettings::IniFormat);
}

QString keyOf(const QString& section, const QString& entry)
{
    return section + QLatin1Char('/') + entry;
}

bool writeValue(const QString& key, const QVariant& value)
{
    QSettings settings = openProfile();
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

int CProfileStore::GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const
{
    return uGetProfileInt(QString::fromStdString(section), QString::fromStdString(entry), defaultValue);
}

std::string CProfileStore::GetProfileString(const std::string& section, const std::string& entry,
                                            const std::string& defaultValue) const
{
    return uGetProfileString(QString::fromStdString(section), QString::fromStdString(entry),
                             QString::fromStdString(defaultValue))
        .toStdString();
}

bool CProfileStore::WriteProfileInt(const std::string& section, const std::string& entry, int value)
{
    return uWriteProfileInt(QString::fromStdString(section), QString::fromStdString(entry), value);
}

bool CProfileStore::WriteProfileString(const std::string& section, const std::string& entry,
                                       const std::string& value)
{
    return uWriteProfileString(QString::fromStdString(section), QString::fromStdString(entry),
                               QString::fromStdString(value));
}

kinetra::SettingsStore& uProfile()
{
    static CProfileStore store;
    return store;
}

int uGetProfileInt(const QString& section, const QString& entry, int defaultValue)
{
    const QVariant value = openProfile().value(keyOf(section, entry));
    if (!value.isValid())
        return defaultValue;
    // A value written by hand that is not a number reads as absent.
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

QString uGetProfileString(const QString& section, const QString& entry, const QString& defaultValue)
{
    const QVariant value = openProfile().value(keyOf(section, entry));
    return value.isValid() ? value.toString() : defaultValue;
}

bool uWriteProfileInt(const QString& section, const QString& entry, int value)
{
    return writeValue(keyOf(section, entry), value);
}

bool uWriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    return writeValue(keyOf(section, entry), value);
}

bool uDeleteProfileEntry(const QString& section, const QString& entry)
{
    QSettings settings = openProfile();
    settings.remove(keyOf(section, entry));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
