#pragma once

#include "platform/Profile.h"

#include <QSettings>

#include <memory>

namespace veltrane {

// The per-user profile with the program's sections and keys: an INI file, or the registry for the
// per-user profile on Windows.
class SettingsProfile : public Profile {
public:
    // Empty path: the per-user file of the platform. A name that is there but is no regular file
    // (a FIFO, a folder) is refused: it is never opened and the settings are kept in memory.
    explicit SettingsProfile(const std::string& filePath = {});

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback) const override;
    void SetString(const std::string& section, const std::string& key, const std::string& value) override;

    // The four most recent files, newest first.
    std::vector<std::string> RecentFiles() const;
    void AddRecentFile(const std::string& path);
    void RemoveRecentFile(const std::string& path);

    std::string FileName() const;

private:
    std::string path_;
    std::unique_ptr<QSettings> settings_; // null when the file was refused
    MemoryProfile memory_;
};

} // namespace veltrane
