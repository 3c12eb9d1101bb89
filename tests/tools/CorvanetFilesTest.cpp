#include "CommandLine.h"
#include "CorvanetMessages.h"
#include "DatBuilder.h"
#include "DataSeries.h"
#include "Exports.h"
#include "FakePlatform.h"
#include "live/LiveMessages.h"

#include <gtest/gtest.h>
#include <netcdf.h>

#include <filesystem>
#include <sstream>

namespace veltrane::corvanet {
namespace {

using testing::DatBytes;
using testing::FlatPulse;
using testing::TwoModeBlock;

std::vector<StoredPulse> ThreePulses() {
    std::vector<StoredPulse> pulses = {FlatPulse(6000, 1), FlatPulse(6030, 2), FlatPulse(6060, 3)};
    for (StoredPulse& pulse : pulses) {
        pulse.samples[10] = 100; // pulse start at 1.0 ms
    }
    return pulses;
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    fakes::WriteBytes(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(CorvanetFiles, ReadsHeaderConfigurationPulsesAndRunLog) {
    fakes::TempDir dir;
    const std::string path = dir.File("RUN001.dat");
    Write(path, DatBytes(TwoModeBlock(), ThreePulses(), 3, "07/12/26 14:05  Record started\r\n"));
    DataFileContents file;
    std::string error;
    ASSERT_TRUE(LoadDataFile(path, file, error)) << error;
    EXPECT_EQ(file.pulses.size(), 3u);
    EXPECT_EQ(file.configuration.gateModes.size(), 2u);
    EXPECT_EQ(file.runLogText, "07/12/26 14:05  Record started\r\n");
    EXPECT_EQ(OpenedText(file.header), "2026-12-07 14:05");
    EXPECT_TRUE(LoadNotes(file).empty());
}

TEST(CorvanetFiles, CutOffRecordingsShowEveryWholeRecord) {
    fakes::TempDir dir;
    // Count still 0 (never closed) and the last record cut in half.
    std::vector<std::uint8_t> bytes = DatBytes(TwoModeBlock(), ThreePulses(), 0);
    bytes.resize(bytes.size() - 300);
    Write(dir.File("cut.dat"), bytes);
    DataFileContents file;
    std::string error;
    ASSERT_TRUE(LoadDataFile(dir.File("cut.dat"), file, error)) << error;
    EXPECT_EQ(file.pulses.size(), 2u);
    EXPECT_EQ(LoadNotes(file).size(), 2u); // recovered records, and the cut record
}

// A crash after the file system grew the file: gigabytes of zeros after the last record. Sparse, so
// the test costs no disk; only pieces are read, so it costs no time either.
TEST(CorvanetFiles, AZeroFilledTailIsIgnoredWithANoteAndNotReadWhole) {
    fakes::TempDir dir;
    std::vector<StoredPulse> pulses = ThreePulses();
    pulses[2].timeCounter = 10; // going back: not a pulse of this recording
    const std::vector<std::uint8_t> bytes = DatBytes(TwoModeBlock(), pulses, 1);
    const std::string path = dir.File("zeros.dat");
    Write(path, bytes);
    const std::uint64_t size = std::uint64_t{3} << 30;
    std::filesystem::resize_file(path, size);
    DataFileContents file;
    std::string error;
    ASSERT_TRUE(LoadDataFile(path, file, error)) << error;
    EXPECT_EQ(file.pulses.size(), 2u);
    const std::size_t ignored = static_cast<std::size_t>(size - (bytes.size() - datafile::kRecordSize));
    EXPECT_EQ(LoadNotes(file),
              (std::vector<std::string>{messages::kRecoveredRecords, messages::kIgnoredBytesBefore +
                                                                         std::to_string(ignored) +
                                                                         messages::kIgnoredBytesAfter}));

    // A foreign file of that size is refused at its first bytes.
    std::vector<std::uint8_t> foreign = bytes;
    foreign[1] = 0x00;
    Write(path, foreign);
    std::filesystem::resize_file(path, size);
    EXPECT_FALSE(LoadDataFile(path, file, error));
    EXPECT_EQ(error, veltrane::messages::kDatNotDataFile);
}

TEST(CorvanetFiles, MalformedFilesGiveAMessageAndNoContents) {
    fakes::TempDir dir;
    const std::vector<std::uint8_t> good = DatBytes(TwoModeBlock(), ThreePulses(), 3);
    std::vector<std::vector<std::uint8_t>> bad;
    bad.push_back({});                                 // empty
    bad.push_back({0x01, 0x42});                       // header cut
    bad.emplace_back(good.begin(), good.begin() + 60); // configuration cut
    bad.push_back(good);
    bad.back()[0] = 0x02; // wrong magic
    bad.push_back(good);
    bad.back().resize(good.size() - 506 - 10); // count says 3, 1.98 present
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const std::string path = dir.File("bad" + std::to_string(i) + ".dat");
        Write(path, bad[i]);
        DataFileContents file;
        std::string error;
        EXPECT_FALSE(LoadDataFile(path, file, error)) << i;
        EXPECT_FALSE(error.empty()) << i;
    }
    DataFileContents file;
    std::string error;
    EXPECT_FALSE(LoadDataFile(dir.File("missing.dat"), file, error));
    EXPECT_FALSE(LoadDataFile(dir.Path().string(), file, error)); // a folder is not a file
    EXPECT_FALSE(error.empty());
}

TEST(CorvanetFiles, SeriesListsDatFilesInNameOrder) {
    fakes::TempDir dir;
    for (const char* name : {"RUN002.dat", "RUN001.DAT", "notes.txt", "RUN010.dat"}) {
        Write(dir.File(name), {1});
    }
    std::filesystem::create_directory(dir.File("sub.dat"));
    const std::vector<std::string> series = ListSeries(dir.Path().string());
    ASSERT_EQ(series.size(), 3u);
    EXPECT_EQ(std::filesystem::path(series[0]).filename(), "RUN001.DAT");
    EXPECT_EQ(std::filesystem::path(series[2]).filename(), "RUN010.dat");
    EXPECT_TRUE(ListSeries(dir.File("none")).empty());
}

TEST(CorvanetExports, PulsesCsvHoldsEverySample) {
    const std::vector<StoredPulse> pulses = ThreePulses();
    std::ostringstream out;
    ASSERT_TRUE(WritePulsesCsv(out, {"RUN001.dat", {}}, pulses, 1, 2));
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 5u); // two '#' lines, the column names, two pulses
    EXPECT_EQ(lines[0], "# source,RUN001.dat");
    EXPECT_EQ(lines[2].substr(0, 50), "index,time_counter,run_time_min,period,0,0.1,0.2,0");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 5), ",24.9");
    EXPECT_EQ(lines[3].substr(0, 22), "1,6030,1.005,30,2,2,2,");
    EXPECT_EQ(std::count(lines[4].begin(), lines[4].end(), ','), 253);
    std::ostringstream none;
    EXPECT_FALSE(WritePulsesCsv(none, {"x", {}}, pulses, 2, 3));
}

TEST(CorvanetExports, ChromatogramCsvCarriesTheGateParameters) {
    RegateSettings settings = SettingsForChannel(TwoModeBlock(), 1);
    settings.baseline.kind = BaselineKind::None;
    Chromatogram c;
    std::string error;
    ASSERT_TRUE(Regate(ThreePulses(), settings, c, error));
    std::ostringstream out;
    ASSERT_TRUE(WriteChromatogramCsv(out, {"RUN001.dat", {}}, settings, c));
    const std::string text = out.str();
    for (const char* expected :
         {"# gate_mode,P-2\n", "# gate_square_root,OFF\n", "# gate_a_start_ms,4\n", "# gate_a_stop_ms,15\n",
          "# gate_operator,+\n", "# gate_alpha,0.5\n", "# gate_b_stop_ms,2.5\n", "# gate_square_root,OFF\n",
          "# baseline_method,none\n", "index,run_time_min,area_a,area_b,value\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    // Pulse 1: A = samples 50-159 at 2 -> 22; B = samples 30-34 at 2 -> 1; A + 0.5 B.
    EXPECT_NE(text.find("\n1,1.005,22,1,22.5\n"), std::string::npos) << text;
}

std::string Attribute(int id, const char* name) {
    std::size_t length = 0;
    if (nc_inq_attlen(id, NC_GLOBAL, name, &length) != NC_NOERR) {
        return "(missing)";
    }
    std::string text(length, '\0');
    nc_get_att_text(id, NC_GLOBAL, name, text.data());
    return text;
}

TEST(CorvanetExports, NetCdfChromatogramReadsBack) {
    fakes::TempDir dir;
    RegateSettings settings = SettingsForChannel(TwoModeBlock(), 0);
    settings.baseline.kind = BaselineKind::None;
    Chromatogram c;
    std::string error;
    ASSERT_TRUE(Regate(ThreePulses(), settings, c, error));
    const std::string path = dir.File("RUN001.cdf");
    ASSERT_TRUE(
        WriteChromatogramCdf(path, {"RUN001.dat", {0x4201, 0, 14, 5, 2026, 12, 7}}, settings, c, error))
        << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    int id = -1;
    ASSERT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id), NC_NOERR);
    int format = 0;
    nc_inq_format(id, &format);
    EXPECT_EQ(format, NC_FORMAT_CLASSIC);
    EXPECT_EQ(Attribute(id, "dataset_completeness"), "C1+C2");
    EXPECT_EQ(Attribute(id, "retention_unit"), "Seconds");
    EXPECT_EQ(Attribute(id, "injection_date_time_stamp").substr(0, 14), "20261207140500");
    EXPECT_EQ(Attribute(id, "gate_mode"), "S");
    EXPECT_EQ(Attribute(id, "gate_a_start_ms"), "0.5");
    EXPECT_EQ(Attribute(id, "gate_operator"), "-");
    EXPECT_EQ(Attribute(id, "gate_alpha"), "0.5");
    EXPECT_EQ(Attribute(id, "gate_square_root"), "OFF");
    int dim = -1;
    std::size_t points = 0;
    ASSERT_EQ(nc_inq_dimid(id, "point_number", &dim), NC_NOERR);
    nc_inq_dimlen(id, dim, &points);
    ASSERT_EQ(points, 3u);
    int var = -1;
    float values[3] = {};
    float times[3] = {};
    ASSERT_EQ(nc_inq_varid(id, "ordinate_values", &var), NC_NOERR);
    nc_get_var_float(id, var, values);
    ASSERT_EQ(nc_inq_varid(id, "raw_data_retention", &var), NC_NOERR);
    nc_get_var_float(id, var, times);
    nc_close(id);
    for (int i = 0; i < 3; ++i) {
        // A = samples 15-19 at level i+1 -> 0.5(i+1); B = samples 30-34 -> the same; A - 0.5 B.
        EXPECT_FLOAT_EQ(values[i], 0.25f * static_cast<float>(i + 1));
    }
    EXPECT_FLOAT_EQ(times[0], 60.0f);
    EXPECT_FLOAT_EQ(times[2], 60.6f);

    Chromatogram empty;
    EXPECT_FALSE(WriteChromatogramCdf(dir.File("empty.cdf"), {"x", {}}, settings, empty, error));
    EXPECT_FALSE(WriteChromatogramCdf(dir.File("no/such/folder.cdf"), {"x", {}}, settings, c, error));
    EXPECT_FALSE(error.empty());
}

TEST(CorvanetCommandLine, ParsesExportsAndRefusesNonsense) {
    Command command = ParseCommandLine({"--export-csv", "a.dat", "--gate-a", "1:2", "--operator", "-",
                                        "--alpha", "0.25", "--sqrt", "on", "--baseline", "range:3:7"});
    ASSERT_EQ(command.kind, CommandKind::ExportCsv) << command.error;
    EXPECT_EQ(command.inputs, std::vector<std::string>{"a.dat"});
    EXPECT_TRUE(command.pulses && command.chromatogram);
    EXPECT_EQ(command.gate.gateA->second, 2.0f);
    EXPECT_EQ(*command.gate.operatorIndex, 0);
    EXPECT_TRUE(*command.gate.squareRoot);
    EXPECT_EQ(command.gate.baseline.kind, BaselineKind::PulseRange);
    EXPECT_EQ(command.gate.baseline.last, 7u);

    EXPECT_EQ(ParseCommandLine({}).kind, CommandKind::Window);
    EXPECT_EQ(ParseCommandLine({"--help"}).kind, CommandKind::Help);
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--export-csv"},
                                               {"--export-cdf", "a.dat", "--alpha"},
                                               {"--export-cdf", "a.dat", "--alpha", "x"},
                                               {"--export-cdf", "a.dat", "--operator", "%"},
                                               {"--export-cdf", "a.dat", "--channel", "3"},
                                               {"--export-cdf", "a.dat", "--range", "5:2"},
                                               {"--export-cdf", "--export-csv", "a.dat"},
                                               {"--frobnicate"},
                                               {"a.dat", "b.dat"}}) {
        const Command parsed = ParseCommandLine(wrong);
        EXPECT_EQ(parsed.kind, CommandKind::Invalid) << wrong.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(CorvanetCommandLine, ExportsAFolderAndReportsBadFilesWithoutStopping) {
    fakes::TempDir dir;
    Write(dir.File("RUN001.dat"), DatBytes(TwoModeBlock(), ThreePulses(), 3));
    Write(dir.File("RUN002.dat"), {0x01, 0x42, 0x00});
    std::ostringstream out, err;
    const Command command = ParseCommandLine(
        {"--export-csv", "--chromatogram", "--gate", "P-2", "--sqrt", "on", dir.Path().string()});
    EXPECT_EQ(RunExport(command, out, err), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("RUN001.chrom.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("RUN001.pulses.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("RUN002.chrom.csv")));
    EXPECT_NE(err.str().find("RUN002.dat"), std::string::npos);
    const std::string chromatogram = fakes::ReadText(dir.File("RUN001.chrom.csv"));
    EXPECT_NE(chromatogram.find("# gate_square_root,ON"), std::string::npos);
    EXPECT_NE(chromatogram.find("# gate_mode,P-2 (edited)"), std::string::npos);

    std::ostringstream out2, err2;
    EXPECT_EQ(
        RunExport(ParseCommandLine({"--export-cdf", "--gate", "N", dir.File("RUN001.dat")}), out2, err2), 1);
    EXPECT_NE(err2.str().find("no gate mode N"), std::string::npos);
    EXPECT_EQ(RunExport(ParseCommandLine({"--export-cdf", "--out", dir.Path().string(), "--range", "1:2",
                                          dir.File("RUN001.dat")}),
                        out2, err2),
              0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("RUN001.cdf")));
}

// Two inputs whose exports share a name (here only by case) would leave one export in place of the
// other: nothing is written, and an export already there stays as it was.
TEST(CorvanetCommandLine, InputsExportingToOneNameAreRefusedBeforeAnythingIsWritten) {
    fakes::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "d1");
    std::filesystem::create_directories(dir.Path() / "d2");
    std::filesystem::create_directories(dir.Path() / "o");
    Write(dir.File("d1/R.dat"), DatBytes(TwoModeBlock(), ThreePulses(), 3));
    Write(dir.File("d2/r.DAT"), DatBytes(TwoModeBlock(), ThreePulses(), 3));
    fakes::WriteBytes(dir.File("o/R.pulses.csv"), {'o', 'l', 'd'});
    std::ostringstream out, err;
    EXPECT_EQ(
        RunExport(ParseCommandLine({"--export-csv", "--out", dir.File("o"), dir.File("d1"), dir.File("d2")}),
                  out, err),
        1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), std::string("Corvanet: ") + messages::kExportClashBefore + dir.File("d1/R.dat") +
                             messages::kExportClashAnd + dir.File("d2/r.DAT") + messages::kExportClashAfter +
                             "\n");
    EXPECT_EQ(fakes::ReadText(dir.File("o/R.pulses.csv")), "old");
    EXPECT_FALSE(std::filesystem::exists(dir.File("o/R.chrom.csv")));

    // One of them into a folder that does not exist yet: it is made.
    EXPECT_EQ(
        RunExport(ParseCommandLine({"--export-csv", "--out", dir.File("new/sub"), dir.File("d1")}), out, err),
        0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("new/sub/R.chrom.csv")));
}

} // namespace
} // namespace veltrane::corvanet
