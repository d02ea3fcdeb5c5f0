#include "io/SettingsStore.h"

#include <charconv>

namespace kinetra {

int MemorySettingsStore::GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const
{
    const auto found = m_values.find({section, entry});
    if (found == m_values.end())
        return defaultValue;
    int value = defaultValue;
    const std::string& text = found->second;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : defaultValue;
}

std::string MemorySettingsStore::GetProfileString(const std::string& section, const std::string& entry,
                                                  const std::string& defaultValue) const
{
    const auto found = m_values.find({section, entry});
    return found == m_values.end() ? defaultValue : found->second;
}

bool MemorySettingsStore::WriteProfileInt(const std::string& section, const std::string& entry, int value)
{
    m_values[{section, entry}] = std::to_string(value);
    return true;
}

bool MemorySettingsStore::WriteProfileString(const std::string& section, const std::string& entry,
                                             const std::string& value)
{
    m_values[{section, entry}] = value;
    return true;
}

} // namespace kinetra
