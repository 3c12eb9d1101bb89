#pragma once

#include <string>
#include <vector>

namespace veltrane {

class Clock;
class Prompts;

// The operator's journal: an append-only text file (CR LF line ends) opened and closed for every
// entry, plus every entry of this run kept in memory for the pulse recorder.
class RunLog {
public:
    // filePath names the log file; it is also the name the recreate message shows.
    RunLog(std::string filePath, Clock& clock, Prompts& prompts);
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // "<base name of the executable>.log", relative to the working directory.
    static std::string FileNameForExecutable(const std::string& executablePath);

    // Formats one entry with the current date and time and appends it to the file and the list.
    // Does nothing while logging is disabled. The entry reaches Entries() even when the file
    // cannot be written; then the file is left as it was and the failure is reported once, until
    // a write succeeds again.
    void Write(const std::string& text);

    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // Every entry written since start, exactly as formatted ("\n" line ends). Never cleared.
    const std::vector<std::string>& Entries() const { return entries_; }
    const std::string& FilePath() const { return filePath_; }

private:
    // Appends the whole entry or, failing that, leaves the file as it was.
    bool Append(const std::string& bytes);

    std::string filePath_;
    Clock& clock_;
    Prompts& prompts_;
    bool enabled_ = true;
    bool failureReported_ = false;
    std::vector<std::string> entries_;
};

} // namespace veltrane
