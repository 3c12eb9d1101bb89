#include "RecorderFixture.h"
#include "datafile/DataFileFormat.h"
#include "datafile/Messages.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

using namespace veltrane;
using namespace veltrane::testing;

namespace {

// A closed file of two pulses with one log entry, as bytes.
std::vector<std::uint8_t> SampleFile(RecorderFixture& f) {
    const std::string path = f.Data("AB001.dat");
    EXPECT_TRUE(f.recorder.Open(path));
    f.config.WriteRunLog("GC Run to GC Run Transition");
    f.recorder.Append(MakePulse(0));
    f.recorder.Append(MakePulse(1));
    f.recorder.Close();
    const auto bytes = fakes::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::string Refusal(const std::vector<std::uint8_t>& bytes) {
    DataFileContents file;
    std::string error;
    EXPECT_FALSE(ReadDataFile(bytes, file, error));
    return error;
}

TEST(DataFileReaderTest, ReadsHeaderConfigurationRecordsAndLogText) {
    RecorderFixture f;
    f.config.SetPmtVoltage(812);
    const auto bytes = SampleFile(f);
    DataFileContents file;
    std::string error;
    ASSERT_TRUE(ReadDataFile(bytes, file, error)) << error;
    EXPECT_EQ(file.header.year, 2026);
    EXPECT_EQ(file.header.dataOffset, 16 + f.BlockBytes() + 4);
    EXPECT_EQ(file.configuration.board.pmtVoltage, 812);
    EXPECT_EQ(file.configurationBytes, f.config.StoreBlock());
    ASSERT_EQ(file.pulses.size(), 2u);
    EXPECT_EQ(file.pulses[0].period, MakePulse(0).period);
    EXPECT_EQ(file.pulses[1].timeCounter, MakePulse(1).timeCounter);
    EXPECT_EQ(file.pulses[1].samples, MakePulse(1).samples);
    EXPECT_NE(file.runLogText.find("GC Run to GC Run Transition"), std::string::npos);
}

TEST(DataFileReaderTest, TakesRecordsBeyondALowCountFromACutOffRecording) {
    RecorderFixture f;
    auto bytes = SampleFile(f);
    const std::size_t dataOffset = 16 + f.BlockBytes() + 4;
    bytes.resize(dataOffset + 2 * datafile::kRecordSize + 100); // log gone, a record cut in half
    for (const std::uint32_t count : {0u, 1u}) {
        bytes[dataOffset - 4] = static_cast<std::uint8_t>(count); // as an older recorder left it
        DataFileContents file;
        std::string error;
        ASSERT_TRUE(ReadDataFile(bytes, file, error)) << error;
        EXPECT_EQ(file.storedCount, count);
        EXPECT_EQ(file.pulses.size(), 2u);
        EXPECT_TRUE(file.recovered);
        EXPECT_EQ(file.strayBytes, 100u);
        EXPECT_TRUE(file.runLogText.empty());
    }
}

// Zeros after the last record (a file system that grew the file before a crash), or a record whose
// time counter goes back: no recorder wrote those, so recovery stops there and says how much it left.
TEST(DataFileReaderTest, RecoveryStopsAtTheFirstRecordThatCannotBeReal) {
    RecorderFixture f;
    auto bytes = SampleFile(f);
    const std::size_t dataOffset = 16 + f.BlockBytes() + 4;
    bytes.resize(dataOffset + 2 * datafile::kRecordSize);
    bytes[dataOffset - 4] = 0; // never closed
    bytes.resize(bytes.size() + 1000 * datafile::kRecordSize + 7, 0);
    DataFileContents file;
    std::string error;
    ASSERT_TRUE(ReadDataFile(bytes, file, error)) << error;
    EXPECT_EQ(file.pulses.size(), 2u);
    EXPECT_TRUE(file.recovered);
    EXPECT_EQ(file.strayBytes, 1000 * datafile::kRecordSize + 7);
    EXPECT_EQ(file.largestSample, MakePulse(1).samples.back());

    bytes[dataOffset + datafile::kRecordSize + 2] = 0; // the second time counter below the first
    ASSERT_TRUE(ReadDataFile(bytes, file, error)) << error;
    EXPECT_EQ(file.pulses.size(), 1u);
    EXPECT_EQ(file.strayBytes, 1001 * datafile::kRecordSize + 7);
    // The record left out does not set the pulse plot's scale.
    EXPECT_EQ(file.largestSample, MakePulse(0).samples.back());
}

TEST(DataFileReaderTest, RefusesMalformedFilesWithAPlainMessage) {
    RecorderFixture f;
    const auto good = SampleFile(f);
    const std::size_t dataOffset = 16 + f.BlockBytes() + 4;

    EXPECT_EQ(Refusal({}), messages::kDatTooShort);
    EXPECT_EQ(Refusal({good.begin(), good.begin() + 10}), messages::kDatTooShort);
    auto bytes = good;
    bytes[0] = 0x02;
    EXPECT_EQ(Refusal(bytes), messages::kDatNotDataFile);
    EXPECT_EQ(Refusal({good.begin(), good.begin() + 40}), messages::kDatBadConfiguration);
    bytes = good;
    bytes[16] = 0x00; // configuration signature
    EXPECT_EQ(Refusal(bytes), messages::kDatBadConfiguration);
    bytes = good;
    bytes[16 + 96 + 3] = 0x7F; // an event count far beyond the file
    EXPECT_EQ(Refusal(bytes), messages::kDatBadConfiguration);
    bytes = good;
    bytes[4] ^= 0x01;
    EXPECT_EQ(Refusal(bytes), messages::kDatBadDataOffset);
    bytes = good;
    bytes[dataOffset - 4] = 9; // nine records claimed, two present
    EXPECT_EQ(Refusal(bytes), messages::kDatMissingRecords);
}

TEST(DataFileReaderTest, AMissingFileIsUnreadable) {
    DataFileContents file;
    std::string error;
    EXPECT_FALSE(ReadDataFile(std::string("/nonexistent/AB001.dat"), file, error));
    EXPECT_EQ(error, messages::kDatUnreadable);
}

#if !defined(_WIN32) // no FIFOs in the file system
TEST(DataFileReaderTest, AFifoIsUnreadableWithoutWaitingForAWriter) {
    fakes::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("AB001.dat").c_str(), 0600), 0);
    DataFileContents file;
    std::string error;
    EXPECT_FALSE(ReadDataFile(dir.File("AB001.dat"), file, error));
    EXPECT_EQ(error, messages::kDatUnreadable);
}
#endif

} // namespace
