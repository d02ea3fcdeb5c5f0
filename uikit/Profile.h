#pragma once

// The per-user profile of the program: QSettings("Halvorek", "Kinetra"),
// that is $XDG_CONFIG_HOME/Halvorek/Kinetra.conf, behind the core's
// settings-store interface.

#include "io/SettingsStore.h"

#include <QString>

class CProfileStore : public kinetra::SettingsStore {
public:
    int GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue) const override;
    bool WriteProfileInt(const std::string& section, const std::string& entry, int value) override;
    bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) override;
};

// The program's profile.
kinetra::SettingsStore& uProfile();

// Shorthands over uProfile() with QString.
int uGetProfileInt(const QString& section, const QString& entry, int defaultValue);
QString uGetProfileString(const QString& section, const QString& entry, const QString& defaultValue = {});
bool uWriteProfileInt(const QString& section, const QString& entry, int value);
bool uWriteProfileString(const QString& section, const QString& entry, const QString& value);
// Removes one value; true when it is gone afterwards.
bool uDeleteProfileEntry(const QString& section, const QString& entry);
