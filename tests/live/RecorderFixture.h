#pragma once

#include "FakePlatform.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "datafile/DataFileReader.h"
#include "live/LiveState.h"
#include "live/PulseRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace veltrane::testing {

// A recorder over a real file in a fresh folder, with a configuration, its run log, a fixed
// clock, recorded prompts and a drive whose free space the test sets.
struct RecorderFixture {
    explicit RecorderFixture(std::unique_ptr<DataFileSink> sink = nullptr)
        : recorder(config, state, prompts, clock, disk, std::move(sink)) {
        fakes::WriteBytes(logPath, {});
        state.dataDriveRoot = dir.Path().string();
    }

    std::string Data(const std::string& name) const { return dir.File(name); }
    std::size_t BlockBytes() { return config.StoreBlock().size(); }

    DataFileContents Read(const std::string& path) const {
        DataFileContents contents;
        std::string error;
        EXPECT_TRUE(ReadDataFile(path, contents, error)) << error;
        return contents;
    }

    fakes::TempDir dir;
    fakes::FakeClock clock;
    fakes::FakePrompts prompts;
    fakes::FakeDiskSpace disk;
    std::string logPath = dir.File("veltrane.log");
    RunLog runLog{logPath, clock, prompts};
    ConfigurationModel config{prompts, runLog};
    LiveState state;
    PulseRecorder recorder;
};

// A pulse whose fields tell it apart from its neighbours.
inline PulseRecord MakePulse(std::uint32_t n) {
    PulseRecord record;
    record.timeCounter = 100000 + n * 30;
    record.period = static_cast<std::uint16_t>(3000 + n);
    record.sequence = static_cast<std::uint8_t>(n);
    record.periodCopy = record.period;
    record.statusWord = 0x0002;
    for (std::size_t i = 0; i < record.samples.size(); ++i) {
        record.samples[i] = static_cast<std::uint16_t>(n * 1000 + i * 7);
    }
    return record;
}

} // namespace veltrane::testing
