#include "RecorderFixture.h"
#include "datafile/DataFileFormat.h"
#include "live/LiveMessages.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace veltrane;
using namespace veltrane::testing;

namespace {

constexpr std::size_t kRecord = datafile::kRecordSize;

std::uint32_t U32At(const std::vector<unsigned char>& bytes, std::size_t at) {
    return datafile::GetU32(bytes.data() + at);
}

std::uint16_t U16At(const std::vector<unsigned char>& bytes, std::size_t at) {
    return datafile::GetU16(bytes.data() + at);
}

TEST(PulseRecorderTest, ThreePulsesGiveHeaderBlockCountRecordsAndTheLogOfTheRecording) {
    RecorderFixture f;
    f.config.WriteRunLog("before the file"); // not part of the file
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    f.config.WriteRunLog("GC Ready to GC Run Transition");
    for (std::uint32_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(f.recorder.Append(MakePulse(i)));
    }
    ASSERT_TRUE(f.recorder.Close());

    const std::size_t n = f.BlockBytes();
    const std::string logText = f.config.RunLogEntries().back();
    const auto bytes = fakes::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 16 + n + 4 + 3 * 506 + logText.size());
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4),
              (std::vector<unsigned char>{0x01, 0x42, 0x00, 0x00}));
    EXPECT_EQ(U16At(bytes, 4), 16 + n + 4);
    // Opened at 14:05 on 9 March 2026 by the fake clock.
    EXPECT_EQ(U16At(bytes, 6), 14);
    EXPECT_EQ(U16At(bytes, 8), 5);
    EXPECT_EQ(U16At(bytes, 10), 2026);
    EXPECT_EQ(U16At(bytes, 12), 3);
    EXPECT_EQ(U16At(bytes, 14), 9);
    const auto block = f.config.StoreBlock();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.begin() + 16));
    EXPECT_EQ(U32At(bytes, 16 + n), 3u);
    // Second record: time counter, period, then the samples, little-endian.
    const std::size_t second = 16 + n + 4 + kRecord;
    EXPECT_EQ(U32At(bytes, second), MakePulse(1).timeCounter);
    EXPECT_EQ(U16At(bytes, second + 4), MakePulse(1).period);
    EXPECT_EQ(U16At(bytes, second + 6 + 2 * 249), MakePulse(1).samples[249]);
    EXPECT_EQ(std::string(bytes.end() - static_cast<long>(logText.size()), bytes.end()), logText);

    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.storedCount, 3u);
    ASSERT_EQ(file.pulses.size(), 3u);
    EXPECT_EQ(file.pulses[2].samples, MakePulse(2).samples);
    EXPECT_EQ(file.runLogText, logText);
    EXPECT_FALSE(file.recovered);
    EXPECT_EQ(f.state.runTime, 0.0f);
    EXPECT_TRUE(f.prompts.shown.empty());
}

TEST(PulseRecorderTest, TheDataOffsetPointsAtTheFirstRecordWhateverTheModelHolds) {
    RecorderFixture f;
    f.config.SetLoggingEnabled(false);
    for (int i = 0; i < 5000; ++i) {
        f.config.AddTimedEvent(TimedEvent{});
    }
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    ASSERT_TRUE(f.recorder.Append(MakePulse(0)));
    ASSERT_TRUE(f.recorder.Close());

    const auto bytes = fakes::ReadBytes(path);
    const std::size_t first = U16At(bytes, 4);
    ASSERT_EQ(first + kRecord, bytes.size());
    EXPECT_EQ(U32At(bytes, first - 4), 1u);
    EXPECT_EQ(U32At(bytes, first), MakePulse(0).timeCounter);
}

TEST(PulseRecorderTest, TheCountInTheFileIsCurrentAfterEveryRecord) {
    RecorderFixture f;
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    const std::size_t countAt = 16 + f.BlockBytes();
    EXPECT_EQ(U32At(fakes::ReadBytes(path), countAt), 0u);
    for (std::uint32_t i = 1; i <= 4; ++i) {
        ASSERT_TRUE(f.recorder.Append(MakePulse(i)));
        const auto bytes = fakes::ReadBytes(path);
        EXPECT_EQ(U32At(bytes, countAt), i);
        EXPECT_EQ(bytes.size(), countAt + 4 + i * kRecord);
    }
    // Read while still open, as after a crash: every record is there.
    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.pulses.size(), 4u);
    EXPECT_FALSE(file.recovered);
}

TEST(PulseRecorderTest, SizeExactlyAtTheMaximumContinuesAndAboveItStops) {
    RecorderFixture f;
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    ASSERT_TRUE(f.recorder.Append(MakePulse(0)));
    // Whole bytes below 2^24 divide by 2^20 exactly in single precision.
    f.state.maxDataFileMB = static_cast<float>(std::filesystem::file_size(path)) / 1048576.0f;
    EXPECT_TRUE(f.recorder.Append(MakePulse(1)));
    EXPECT_TRUE(f.prompts.shown.empty());

    f.config.WriteRunLog("left out: the file ended at a limit");
    EXPECT_FALSE(f.recorder.Append(MakePulse(2)));
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMaxFileSizeExceeded});
    EXPECT_FALSE(f.recorder.IsOpen());
    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.storedCount, 2u);
    EXPECT_EQ(file.pulses.size(), 2u);
    EXPECT_TRUE(file.runLogText.empty());
    EXPECT_FALSE(f.recorder.Append(MakePulse(3))); // nothing open any more
}

TEST(PulseRecorderTest, ALimitReachedAtStartShowsItsMessageAndLeavesNoFile) {
    RecorderFixture f;
    f.disk.freeBytes = 1048576; // 1 MB free, 2 MB required
    EXPECT_FALSE(f.recorder.Open(f.Data("AB001.dat")));
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMinDiskFreeReached});
    EXPECT_FALSE(f.recorder.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(f.Data("AB001.dat")));

    // A minimum of 0 never stops a recording for lack of space; a maximum of 0 stops at the first pulse.
    f.prompts.Clear();
    f.disk.freeBytes = 0;
    f.state.minDiskFreeMB = 0.0f;
    f.state.maxDataFileMB = 0.0f;
    ASSERT_TRUE(f.recorder.Open(f.Data("AB002.dat")));
    EXPECT_FALSE(f.recorder.Append(MakePulse(0)));
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMaxFileSizeExceeded});
    EXPECT_EQ(f.Read(f.Data("AB002.dat")).storedCount, 0u);
}

TEST(PulseRecorderTest, ALimitReachedWhenStoppingLeavesTheLogTextOut) {
    RecorderFixture f;
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    ASSERT_TRUE(f.recorder.Append(MakePulse(0)));
    f.config.WriteRunLog("not copied");
    f.disk.freeBytes = 0;
    EXPECT_FALSE(f.recorder.Close());
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMinDiskFreeReached});
    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.pulses.size(), 1u);
    EXPECT_TRUE(file.runLogText.empty());
}

TEST(PulseRecorderTest, AFileThatCannotBeCreatedDoesNotStartAndSaysSo) {
    RecorderFixture f;
    EXPECT_FALSE(f.recorder.Open(f.Data("no-such-folder/AB001.dat")));
    EXPECT_FALSE(f.recorder.IsOpen());
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDataFileCreateFailed});
}

// A file system that fills up: takes a budget of bytes past which writes fail half done.
class FillingSink : public DataFileSink {
public:
    explicit FillingSink(std::uint64_t capacity) : capacity_(capacity) {}
    Created Create(const std::string& path, bool replace) override { return real_.Create(path, replace); }
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        const std::uint64_t end = offset + bytes.size();
        if (end <= capacity_) {
            return real_.WriteAt(offset, bytes);
        }
        if (offset < capacity_) {
            real_.WriteAt(offset, bytes.first(static_cast<std::size_t>(capacity_ - offset)));
        }
        return false;
    }
    bool Truncate(std::uint64_t size) override { return real_.Truncate(size); }
    bool Close() override { return real_.Close(); }
    bool IsOpen() const override { return real_.IsOpen(); }

private:
    SystemDataFileSink real_;
    std::uint64_t capacity_;
};

TEST(PulseRecorderTest, AFailedWriteStopsWithAMessageAndLeavesEveryWholeRecord) {
    // Room for the header and two records and a half.
    RecorderFixture probe;
    const std::uint64_t header = 16 + probe.BlockBytes() + 4;
    RecorderFixture f(std::make_unique<FillingSink>(header + 2 * kRecord + kRecord / 2));
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    EXPECT_TRUE(f.recorder.Append(MakePulse(0)));
    EXPECT_TRUE(f.recorder.Append(MakePulse(1)));
    EXPECT_FALSE(f.recorder.Append(MakePulse(2)));
    EXPECT_FALSE(f.recorder.IsOpen());
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDataFileWriteFailed});
    EXPECT_EQ(fakes::ReadBytes(path).size(), header + 2 * kRecord); // the half record is cut away
    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.storedCount, 2u);
    EXPECT_EQ(file.pulses[1].timeCounter, MakePulse(1).timeCounter);
}

TEST(PulseRecorderTest, ALogTextThatDoesNotFitIsReportedNotSuccess) {
    RecorderFixture probe;
    const std::uint64_t header = 16 + probe.BlockBytes() + 4;
    RecorderFixture f(std::make_unique<FillingSink>(header + kRecord + 3));
    const std::string path = f.Data("AB001.dat");
    ASSERT_TRUE(f.recorder.Open(path));
    ASSERT_TRUE(f.recorder.Append(MakePulse(0)));
    f.config.WriteRunLog("a long entry that the full disk cannot take");
    EXPECT_FALSE(f.recorder.Close());
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDataFileWriteFailed});
    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.pulses.size(), 1u);
    EXPECT_TRUE(file.runLogText.empty());
}

#if !defined(_WIN32) // fork, rlimit
// The real file system refusing to grow a file (the process's file-size limit), in a child so the
// limit stays there.
TEST(PulseRecorderTest, ARealWriteFailureStopsCleanly) {
    RecorderFixture f;
    const std::string path = f.Data("AB001.dat");
    const std::uint64_t header = 16 + f.BlockBytes() + 4;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{header + 3 * kRecord + 100, header + 3 * kRecord + 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (!f.recorder.Open(path)) {
            _exit(2);
        }
        int appended = 0;
        while (appended < 100 && f.recorder.Append(MakePulse(static_cast<std::uint32_t>(appended)))) {
            ++appended;
        }
        const bool said = f.prompts.Texts() == std::vector<std::string>{messages::kDataFileWriteFailed};
        _exit(appended == 3 && said && !f.recorder.IsOpen() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const DataFileContents file = f.Read(path);
    EXPECT_EQ(file.storedCount, 3u);
    EXPECT_EQ(file.pulses.size(), 3u);
}

// Killed at an arbitrary moment of a recording: the file reads back with every whole record.
TEST(PulseRecorderTest, AKilledRecordingLeavesAFileWithEveryWholeRecord) {
    for (int round = 0; round < 5; ++round) {
        RecorderFixture f;
        const std::string path = f.Data("AB001.dat");
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            if (!f.recorder.Open(path)) {
                _exit(2);
            }
            f.state.maxDataFileMB = 1e9f;
            for (std::uint32_t i = 0;; ++i) {
                f.recorder.Append(MakePulse(i));
                if (i == 20u + static_cast<std::uint32_t>(round) * 10u) {
                    const char go = 1;
                    [[maybe_unused]] const auto n = write(ready[1], &go, 1);
                }
            }
        }
        close(ready[1]);
        char go = 0;
        ASSERT_EQ(read(ready[0], &go, 1), 1);
        usleep(static_cast<useconds_t>(round * 700));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(ready[0]);
        ASSERT_TRUE(WIFSIGNALED(status));

        const auto bytes = fakes::ReadBytes(path);
        const std::size_t dataOffset = 16 + f.BlockBytes() + 4;
        const std::size_t whole = (bytes.size() - dataOffset) / kRecord;
        const DataFileContents file = f.Read(path);
        EXPECT_EQ(file.pulses.size(), whole);
        EXPECT_GE(file.storedCount + 1, whole); // at most the record being counted when killed
        EXPECT_GT(whole, 20u);
        for (std::size_t i = 0; i < file.pulses.size(); ++i) {
            ASSERT_EQ(file.pulses[i].timeCounter, MakePulse(static_cast<std::uint32_t>(i)).timeCounter);
        }
    }
}
#endif

} // namespace
