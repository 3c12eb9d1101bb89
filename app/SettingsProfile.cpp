#include "app/SettingsProfile.h"

#include <algorithm>

namespace veltrane {

namespace {
constexpr int kRecentFiles = 4;
const char* const kRecentSection = "Recent File List";

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}
} // namespace

SettingsProfile::SettingsProfile(const std::string& filePath) {
    if (filePath.empty()) {
        settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                QStringLiteral("Veltrane"), QStringLiteral("Veltrane"));
    } else {
        settings_ = std::make_unique<QSettings>(QString::fromStdString(filePath), QSettings::IniFormat);
    }
}

std::string SettingsProfile::GetString(const std::string& section, const std::string& key,
                                       const std::string& fallback) const {
    const QVariant value = settings_->value(Key(section, key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void SettingsProfile::SetString(const std::string& section, const std::string& key,
                                const std::string& value) {
    settings_->setValue(Key(section, key), QString::fromStdString(value));
    settings_->sync();
}

std::vector<std::string> SettingsProfile::RecentFiles() const {
    std::vector<std::string> files;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string file = GetString(kRecentSection, "File" + std::to_string(i), "");
        if (!file.empty()) {
            files.push_back(file);
        }
    }
    return files;
}

void SettingsProfile::AddRecentFile(const std::string& path) {
    std::vector<std::string> files = RecentFiles();
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), path);
    files.resize(std::min<std::size_t>(files.size(), kRecentFiles));
    for (int i = 1; i <= kRecentFiles; ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        SetString(kRecentSection, "File" + std::to_string(i), index < files.size() ? files[index] : "");
    }
}

void SettingsProfile::RemoveRecentFile(const std::string& path) {
    std::vector<std::string> files = RecentFiles();
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    for (int i = 1; i <= kRecentFiles; ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        SetString(kRecentSection, "File" + std::to_string(i), index < files.size() ? files[index] : "");
    }
}

std::string SettingsProfile::FileName() const {
    return settings_->fileName().toStdString();
}

} // namespace veltrane
