#include "live/DataFileNaming.h"

#include "live/LiveMessages.h"
#include "platform/FilePath.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace veltrane::datafilenaming {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSequenceDigits = 3;
const std::string kExtension = ".dat";

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void ClearChoice(LiveViewSettings& settings) {
    settings.directory.clear();
    settings.filePrefix.clear();
    settings.sequenceText.clear();
}

void SequenceUsedUp(LiveViewSettings& settings, Prompts& prompts) {
    prompts.ShowMessage(messages::kMaxSequenceReached);
    ClearChoice(settings);
    settings.fileName.clear();
}

} // namespace

int LeadingNumber(const std::string& text) {
    int value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || value > 100000) {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string SequenceText(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", number);
    return text;
}

bool DesignatorTooLong(const std::string& fileName) {
    std::size_t length = fileName.size();
    if (length >= 4 && fileName[length - 4] == '.') {
        length -= 4;
    }
    return length > kMaxDesignator;
}

std::string ReplaceQuestion(const std::string& path) {
    return std::string(messages::kReplaceFileBefore) + path + messages::kReplaceFileAfter;
}

int HighestSequence(const std::string& directory, const std::string& prefix) {
    int highest = 0;
    bool found = false;
    std::error_code error;
    fs::directory_iterator it(PathFromUtf8(directory.empty() ? "." : directory), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = Utf8FromPath(it->path().filename());
        if (name.size() != prefix.size() + kSequenceDigits + kExtension.size() ||
            !EqualNoCase(name.substr(0, prefix.size()), prefix) ||
            !EqualNoCase(name.substr(name.size() - kExtension.size()), kExtension)) {
            continue;
        }
        found = true;
        highest = std::max(highest, LeadingNumber(name.substr(prefix.size(), kSequenceDigits)));
    }
    return found ? highest : 0;
}

bool SetDataFile(LiveViewSettings& settings, std::string name, const std::string& path, Prompts& prompts) {
    // The directory is what the path holds before the name as given, separator included.
    const std::size_t givenLength = std::min(name.size(), path.size());
    if (name.find('.') == std::string::npos) {
        name += ".DAT";
    }
    const std::size_t dot = name.find('.');
    settings.directory = path.substr(0, path.size() - givenLength);
    settings.sequenceText = dot >= 4 ? name.substr(dot - kSequenceDigits, kSequenceDigits) : std::string();
    const int number = LeadingNumber(settings.sequenceText);
    int sequence = number;
    if (number != 0) {
        settings.filePrefix = name.substr(0, dot - kSequenceDigits);
    } else {
        settings.filePrefix = name.substr(0, dot);
        sequence = HighestSequence(settings.directory, settings.filePrefix) + 1;
        if (sequence > kMaxSequence) {
            SequenceUsedUp(settings, prompts);
            return false;
        }
    }
    settings.sequenceText = SequenceText(sequence);
    return ConfirmDataFile(settings, prompts);
}

bool NameTaken(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(PathFromUtf8(path), error));
}

bool IsLink(const std::string& path) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(PathFromUtf8(path), error));
}

bool ConfirmDataFile(LiveViewSettings& settings, Prompts& prompts) {
    const std::string candidate = settings.filePrefix + settings.sequenceText + kExtension;
    if (IsLink(settings.directory + candidate)) {
        prompts.ShowMessage(messages::kDataFileIsLink, MessageIcon::Warning);
        ClearChoice(settings);
        return false;
    }
    if (NameTaken(settings.directory + candidate) &&
        !prompts.AskWarning(ReplaceQuestion(settings.directory + candidate))) {
        ClearChoice(settings);
        return false;
    }
    settings.fileName = candidate;
    return true;
}

bool AdvanceSequence(LiveViewSettings& settings, Prompts& prompts) {
    int number = LeadingNumber(settings.sequenceText);
    std::string candidate;
    do {
        if (number >= kMaxSequence) {
            SequenceUsedUp(settings, prompts);
            return false;
        }
        ++number;
        settings.sequenceText = SequenceText(number);
        candidate = settings.filePrefix + settings.sequenceText + kExtension;
    } while (NameTaken(settings.directory + candidate));
    settings.fileName = candidate;
    return true;
}

std::string WorkingDirectory() {
    std::error_code error;
    std::string directory = fs::current_path(error).string();
    const char separator = static_cast<char>(fs::path::preferred_separator);
    if (directory.empty() || directory.back() != separator) {
        directory += separator;
    }
    return directory;
}

} // namespace veltrane::datafilenaming
