#pragma once

#include <map>
#include <string>
#include <utility>

namespace kinetra {

// The per-user settings: named values in named sections. Every reader gives
// its default at the point of use; an absent value yields it.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual int GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const = 0;
    virtual std::string GetProfileString(const std::string& section, const std::string& entry,
                                         const std::string& defaultValue) const = 0;
    virtual bool WriteProfileInt(const std::string& section, const std::string& entry, int value) = 0;
    virtual bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) = 0;
};

// Settings held in memory only: for headless runs and tests.
class MemorySettingsStore : public SettingsStore {
public:
    int GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue) const override;
    bool WriteProfileInt(const std::string& section, const std::string& entry, int value) override;
    bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) override;

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

} // namespace kinetra
