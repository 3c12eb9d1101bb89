#pragma once

#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/Prompts.h"

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace veltrane::fakes {

// Remembers every text shown; answers questions from a queue (No when it runs dry).
class FakePrompts : public Prompts {
public:
    struct Shown {
        std::string text;
        bool question = false;
        MessageIcon icon = MessageIcon::None;
    };

    void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    bool AskWarning(const std::string& text) override;

    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    std::vector<std::string> Texts() const;
    void Clear() { shown.clear(); }

    std::vector<Shown> shown;

private:
    std::deque<bool> answers_;
};

// Time that moves only when told to, or when something sleeps.
class FakeClock : public Clock, public Sleeper {
public:
    std::int64_t NowMs() const override { return nowMs; }
    LocalDateTime LocalNow() const override { return local; }
    void SleepMs(int milliseconds) override {
        nowMs += milliseconds;
        slept += milliseconds;
    }
    void Advance(std::int64_t milliseconds) { nowMs += milliseconds; }

    std::int64_t nowMs = 1'000'000;
    std::int64_t slept = 0;
    LocalDateTime local{2026, 3, 9, 14, 5, 7};
};

class FakeDiskSpace : public DiskSpace {
public:
    std::optional<std::uint64_t> FreeBytes(const std::string&) const override { return freeBytes; }
    std::optional<std::uint64_t> freeBytes = 1'000'000'000;
};

// A fresh directory under the system temp folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Whole file as bytes / text; empty when missing.
std::vector<unsigned char> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// A small shell script at path (folders made), executable or not.
void WriteScript(const std::string& path, bool executable = true);

// Folder of the checked-in test files (tests/data).
std::string TestDataPath(const std::string& name);

} // namespace veltrane::fakes
