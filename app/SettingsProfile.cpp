#include "app/SettingsProfile.h"

#include "platform/FilePath.h"
#include "platform/RegularFile.h"

#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace veltrane {

namespace {
constexpr int kRecentFiles = 4;
const char* const kRecentSection = "Recent File List";

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

// The file QSettings picks for the per-user profile, where a name can be something that blocks its
// reader; empty elsewhere.
std::string UserProfilePath() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/Veltrane/Veltrane.ini"))
        .toStdString();
#else
    return {};
#endif
}
} // namespace

SettingsProfile::SettingsProfile(const std::string& filePath)
    : path_(filePath.empty() ? UserProfilePath() : filePath) {
    // QSettings reads the file as it is made: a FIFO there would block the start for good. Such a
    // profile is neither read nor written; the settings of this run stay in memory.
    std::error_code error;
    if (!path_.empty() &&
        std::filesystem::status(PathFromUtf8(path_), error).type() != std::filesystem::file_type::not_found &&
        !IsRegularFile(path_)) {
        return;
    }
    if (filePath.empty()) {
#if defined(Q_OS_WIN)
        // The registry: HKEY_CURRENT_USER\Software\Veltrane\Veltrane.
        const QSettings::Format format = QSettings::NativeFormat;
#else
        const QSettings::Format format = QSettings::IniFormat;
#endif
        settings_ = std::make_unique<QSettings>(format, QSettings::UserScope, QStringLiteral("Veltrane"),
                                                QStringLiteral("Veltrane"));
    } else {
        settings_ = std::make_unique<QSettings>(QString::fromStdString(filePath), QSettings::IniFormat);
    }
}

std::string SettingsProfile::GetString(const std::string& section, const std::string& key,
                                       const std::string& fallback) const {
    if (!settings_) {
        return memory_.GetString(section, key, fallback);
    }
    const QVariant value = settings_->value(Key(section, key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void SettingsProfile::SetString(const std::string& section, const std::string& key,
                                const std::string& value) {
    if (!settings_) {
        memory_.SetString(section, key, value);
        return;
    }
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
    return settings_ ? settings_->fileName().toStdString() : path_;
}

} // namespace veltrane
