#include "CommaLocale.h"
#include "CommandLine.h"
#include "CorvanetMessages.h"
#include "DatBuilder.h"
#include "DataSeries.h"
#include "Exports.h"
#include "FakePlatform.h"
#include "datafile/Messages.h"

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

TEST(CorvanetExports, PulsesCsvIsAPlainTableWithUnits) {
    const std::vector<StoredPulse> pulses = ThreePulses();
    std::ostringstream out;
    ASSERT_TRUE(WritePulsesCsv(out, pulses, 1, 2));
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 3u); // the column names, two pulses
    EXPECT_EQ(lines[0].substr(0, 81),
              "index,time_counter_10ms,run_time_min,period_10ms,counts_at_0_ms,counts_at_0.1_ms,");
    EXPECT_EQ(lines[0].substr(lines[0].size() - 18), ",counts_at_24.9_ms");
    EXPECT_EQ(lines[1].substr(0, 22), "1,6030,1.005,30,2,2,2,");
    EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), ','), 253);
    std::ostringstream none;
    EXPECT_FALSE(WritePulsesCsv(none, pulses, 2, 3));
}

// The value's unit follows the operator and the square root; the numbers carry no rounding noise
// of the single-precision gate parameters, and a decimal-comma desktop changes none of it.
TEST(CorvanetExports, ChromatogramCsvNamesUnitsAndWritesNumbersPlainly) {
    VELTRANE_IN_COMMA_LOCALE(locale);
    RegateSettings settings = SettingsForChannel(TwoModeBlock(), 0);
    settings.baseline.kind = BaselineKind::None;
    settings.gate.alpha = 0.1f; // 0.100000001...
    Chromatogram c;
    std::string error;
    ASSERT_TRUE(Regate(ThreePulses(), settings, c, error));
    std::ostringstream out;
    ASSERT_TRUE(WriteChromatogramCsv(out, settings, c));
    // Pulse 1: A = B = samples 15-19 and 30-34 at 2 -> 1; A - 0.1 B.
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{
                                    "index,run_time_min,area_a_counts_ms,area_b_counts_ms,value_counts_ms",
                                    "0,1,0.5,0.5,0.45", "1,1.005,1,1,0.9", "2,1.01,1.5,1.5,1.35"}));

    const std::pair<int, const char*> units[] = {{0, "counts_ms"}, {1, "counts_ms"},      {2, "counts2_ms2"},
                                                 {3, "ratio"},     {0, "sqrt_counts_ms"}, {2, "counts_ms"},
                                                 {3, "sqrt_ratio"}};
    for (std::size_t i = 0; i < std::size(units); ++i) {
        settings.gate.operatorIndex = static_cast<std::int16_t>(units[i].first);
        settings.gate.squareRoot = i >= 4 ? 1 : 0;
        std::ostringstream header;
        WriteChromatogramCsv(header, settings, c);
        EXPECT_EQ(Lines(header.str())[0].substr(53), std::string("value_") + units[i].second) << i;
    }
}

// By default the table is a plain table and the source and gate parameters go to a sidecar of
// key,value rows; fields holding commas or quotes are quoted as RFC 4180 has it.
TEST(CorvanetExports, CsvMetadataGoToASidecarOrInlineOnRequest) {
    fakes::TempDir dir;
    RegateSettings settings = SettingsForChannel(TwoModeBlock(), 1);
    settings.gate.squareRoot = 1;
    Chromatogram c;
    std::string error;
    ASSERT_TRUE(Regate(ThreePulses(), settings, c, error));
    const ExportSource source{"run \"7\", blank.dat", {0x4201, 0, 14, 5, 2026, 12, 7}};
    const std::string table = dir.File("R.chrom.csv");
    ASSERT_TRUE(ExportChromatogramCsv(table, source, settings, c, MetadataPlacement::Sidecar));
    EXPECT_EQ(Lines(fakes::ReadText(table))[0],
              "index,run_time_min,area_a_counts_ms,area_b_counts_ms,value_sqrt_counts_ms");
    const std::string meta = fakes::ReadText(dir.File("R.chrom.meta.csv"));
    for (const char* expected :
         {"key,value\nsource,\"run \"\"7\"\", blank.dat\"\nopened,2026-12-07 14:05\ngate_mode,P-2\n",
          "\ngate_a_start_ms,4\n", "\ngate_operator,+\n", "\ngate_alpha,0.5\n", "\ngate_b_stop_ms,2.5\n",
          "\ngate_expression,\"A + alpha*B, square root after baseline\"\n",
          "\nbaseline_method,mean of the first 10 pulses\n", "\nvalue_unit,sqrt(counts*ms)\n"}) {
        EXPECT_NE(meta.find(expected), std::string::npos) << expected << "\n" << meta;
    }

    const std::string pulses = dir.File("R.pulses.csv");
    ASSERT_TRUE(ExportPulsesCsv(pulses, source, ThreePulses(), 0, 2, MetadataPlacement::Inline));
    const std::vector<std::string> lines = Lines(fakes::ReadText(pulses));
    ASSERT_EQ(lines.size(), 8u); // four '#' lines, the column names, three pulses
    EXPECT_EQ(lines[0], "# source,\"run \"\"7\"\", blank.dat\"");
    EXPECT_EQ(lines[4].substr(0, 6), "index,");
    EXPECT_FALSE(std::filesystem::exists(dir.File("R.pulses.meta.csv")));
    EXPECT_EQ(MetadataPath("a.b/x"), "a.b/x.meta.csv");
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

// What the AIA chromatography template asks of a file claiming completeness C1+C2: these global
// attributes, and these variables (with the sampling flag on the ordinate values).
constexpr const char* kTemplateGlobals[] = {"dataset_completeness",
                                            "aia_template_revision",
                                            "netcdf_revision",
                                            "languages",
                                            "administrative_comments",
                                            "dataset_origin",
                                            "dataset_owner",
                                            "dataset_date_time_stamp",
                                            "injection_date_time_stamp",
                                            "experiment_title",
                                            "operator_name",
                                            "separation_experiment_type",
                                            "company_method_name",
                                            "company_method_id",
                                            "pre_experiment_program_name",
                                            "post_experiment_program_name",
                                            "source_file_reference",
                                            "sample_id_comments",
                                            "sample_id",
                                            "sample_name",
                                            "sample_type",
                                            "detection_method_table_name",
                                            "detection_method_comments",
                                            "detection_method_name",
                                            "detector_name",
                                            "detector_unit",
                                            "raw_data_table_name",
                                            "retention_unit"};
// Those that must say something (the others may be empty where a recording does not know them).
constexpr const char* kTemplateGlobalsWithValue[] = {"dataset_completeness",
                                                     "aia_template_revision",
                                                     "netcdf_revision",
                                                     "languages",
                                                     "dataset_date_time_stamp",
                                                     "injection_date_time_stamp",
                                                     "experiment_title",
                                                     "source_file_reference",
                                                     "sample_name",
                                                     "detection_method_name",
                                                     "detector_name",
                                                     "detector_unit",
                                                     "retention_unit"};
constexpr const char* kTemplateVariables[] = {"error_log",
                                              "detector_maximum_value",
                                              "detector_minimum_value",
                                              "actual_run_time_length",
                                              "actual_sampling_interval",
                                              "actual_delay_time",
                                              "ordinate_values",
                                              "peak_retention_time",
                                              "peak_start_time",
                                              "peak_end_time",
                                              "peak_width",
                                              "peak_area",
                                              "peak_area_percent",
                                              "peak_height",
                                              "baseline_start_time",
                                              "baseline_start_value",
                                              "baseline_stop_time",
                                              "baseline_stop_value",
                                              "raw_data_retention"};

PeakTable OnePeak() {
    PeakTable table;
    table.peaks.push_back({});
    table.peaks[0].retentionMinutes = 1.005;
    table.peaks[0].area = 12.5;
    return table;
}

TEST(CorvanetExports, NetCdfHoldsEveryTemplateElementAndReadsBack) {
    VELTRANE_IN_COMMA_LOCALE(locale);
    fakes::TempDir dir;
    RegateSettings settings = SettingsForChannel(TwoModeBlock(), 0);
    settings.baseline.kind = BaselineKind::None;
    Chromatogram c;
    std::string error;
    ASSERT_TRUE(Regate(ThreePulses(), settings, c, error));
    const std::string path = dir.File("RUN001.cdf");
    ASSERT_TRUE(WriteChromatogramCdf(path, {"RUN001.dat", {0x4201, 0, 14, 5, 2026, 12, 7}}, settings, c,
                                     OnePeak(), error))
        << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    int id = -1;
    ASSERT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id), NC_NOERR);
    int format = 0;
    nc_inq_format(id, &format);
    EXPECT_EQ(format, NC_FORMAT_CLASSIC);
    for (const char* name : kTemplateGlobals) {
        nc_type type = NC_NAT;
        EXPECT_EQ(nc_inq_atttype(id, NC_GLOBAL, name, &type), NC_NOERR) << name;
        EXPECT_EQ(type, NC_CHAR) << name;
    }
    for (const char* name : kTemplateGlobalsWithValue) {
        EXPECT_NE(Attribute(id, name), "") << name;
    }
    for (const char* name : kTemplateVariables) {
        int var = -1;
        EXPECT_EQ(nc_inq_varid(id, name, &var), NC_NOERR) << name;
    }
    int ordinate = -1;
    ASSERT_EQ(nc_inq_varid(id, "ordinate_values", &ordinate), NC_NOERR);
    char flag = 0;
    EXPECT_EQ(nc_get_att_text(id, ordinate, "uniform_sampling_flag", &flag), NC_NOERR);
    EXPECT_EQ(flag, 'N'); // so the retention of every point is given
    EXPECT_EQ(Attribute(id, "protocol_template_revision"), "(missing)");
    EXPECT_EQ(Attribute(id, "dataset_completeness"), "C1+C2");
    EXPECT_EQ(Attribute(id, "aia_template_revision"), "1.0");
    EXPECT_EQ(Attribute(id, "retention_unit"), "Seconds");
    EXPECT_EQ(Attribute(id, "detector_unit"), "counts*ms");
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
    nc_get_var_float(id, ordinate, values);
    ASSERT_EQ(nc_inq_varid(id, "raw_data_retention", &var), NC_NOERR);
    nc_get_var_float(id, var, times);
    // The peak table (category 2): times in seconds, the area in the detector's unit x seconds.
    float peak[2] = {};
    ASSERT_EQ(nc_inq_varid(id, "peak_retention_time", &var), NC_NOERR);
    ASSERT_EQ(nc_get_var_float(id, var, peak), NC_NOERR);
    ASSERT_EQ(nc_inq_varid(id, "peak_area", &var), NC_NOERR);
    ASSERT_EQ(nc_get_var_float(id, var, peak + 1), NC_NOERR);
    EXPECT_FLOAT_EQ(peak[0], 60.3f);
    EXPECT_FLOAT_EQ(peak[1], 12.5f);
    nc_close(id);
    for (int i = 0; i < 3; ++i) {
        // A = samples 15-19 at level i+1 -> 0.5(i+1); B = samples 30-34 -> the same; A - 0.5 B.
        EXPECT_FLOAT_EQ(values[i], 0.25f * static_cast<float>(i + 1));
    }
    EXPECT_FLOAT_EQ(times[0], 60.0f);
    EXPECT_FLOAT_EQ(times[2], 60.6f);

    // The detector's unit follows the operator and the square root, as the CSV's value column.
    settings.gate.operatorIndex = 2;
    settings.gate.squareRoot = 1;
    ASSERT_TRUE(WriteChromatogramCdf(path, {"RUN001.dat", {}}, settings, c, {}, error)) << error;
    ASSERT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id), NC_NOERR);
    EXPECT_EQ(Attribute(id, "detector_unit"), "counts*ms");
    nc_close(id);

    Chromatogram empty;
    EXPECT_FALSE(WriteChromatogramCdf(dir.File("empty.cdf"), {"x", {}}, settings, empty, {}, error));
    EXPECT_FALSE(WriteChromatogramCdf(dir.File("no/such/folder.cdf"), {"x", {}}, settings, c, {}, error));
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

    EXPECT_EQ(command.metadata, MetadataPlacement::Sidecar);
    EXPECT_EQ(ParseCommandLine({"--export-csv", "--metadata", "inline", "a.dat"}).metadata,
              MetadataPlacement::Inline);
    EXPECT_EQ(ParseCommandLine({}).kind, CommandKind::Window);
    EXPECT_EQ(ParseCommandLine({"--help"}).kind, CommandKind::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).kind, CommandKind::Version);
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--export-csv"},
                                               {"--export-cdf", "a.dat", "--alpha"},
                                               {"--export-cdf", "a.dat", "--alpha", "x"},
                                               {"--export-cdf", "a.dat", "--alpha", "1e39"},
                                               {"--export-cdf", "a.dat", "--operator", "%"},
                                               {"--export-cdf", "a.dat", "--channel", "3"},
                                               {"--export-csv", "a.dat", "--metadata", "top"},
                                               {"--export-cdf", "--export-csv", "a.dat"},
                                               {"--frobnicate"},
                                               {"a.dat", "b.dat"}}) {
        const Command parsed = ParseCommandLine(wrong);
        EXPECT_EQ(parsed.kind, CommandKind::Invalid) << wrong.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

// Gates are START:STOP in ms after the anchor, inside the 25 ms pulse; pulse ranges go forward.
TEST(CorvanetCommandLine, GatesAndRangesThatCannotBeAreRefusedWithTheReason) {
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--gate-a", "20:10"}, std::string("--gate-a 20:10: ") + messages::kGateStopBeforeStart},
        {{"--gate-b", "2.5:2"}, std::string("--gate-b 2.5:2: ") + messages::kGateStopBeforeStart},
        {{"--gate-a", "-1:5"}, std::string("--gate-a -1:5: ") + messages::kGateOutsidePulse},
        {{"--gate-b", "20:25.5"}, std::string("--gate-b 20:25.5: ") + messages::kGateOutsidePulse},
        {{"--range", "5:2"}, std::string("--range 5:2: ") + messages::kRangeBackwards},
        {{"--range", "-1:2"}, "invalid value for --range: -1:2"}};
    for (const auto& [options, message] : refused) {
        std::vector<std::string> args = {"--export-cdf", "a.dat"};
        args.insert(args.end(), options.begin(), options.end());
        const Command parsed = ParseCommandLine(args);
        EXPECT_EQ(parsed.kind, CommandKind::Invalid) << message;
        EXPECT_EQ(parsed.error, message);
    }
    const Command whole = ParseCommandLine({"--export-cdf", "a.dat", "--gate-a", "0:25", "--gate-b", "3:3"});
    EXPECT_EQ(whole.kind, CommandKind::ExportCdf) << whole.error;
}

TEST(CorvanetCommandLine, VersionPrintsTheProjectVersion) {
    fakes::TempDir dir;
    const std::string output = dir.File("version.txt");
    ASSERT_EQ(std::system((std::string(VELTRANE_CORVANET_PROGRAM) + " --version >" + output).c_str()), 0);
    EXPECT_EQ(fakes::ReadText(output), std::string("Corvanet ") + VELTRANE_PROJECT_VERSION + "\n");
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
    const std::string metadata = fakes::ReadText(dir.File("RUN001.chrom.meta.csv"));
    EXPECT_NE(metadata.find("\ngate_square_root,ON\n"), std::string::npos);
    EXPECT_NE(metadata.find("\ngate_mode,P-2 (edited)\n"), std::string::npos);
    EXPECT_EQ(out.str(), std::string(messages::kExportDone) + dir.File("RUN001.chrom.csv") + "\n" +
                             messages::kExportDone + dir.File("RUN001.chrom.meta.csv") + "\n");

    std::ostringstream out2, err2;
    EXPECT_EQ(RunExport(ParseCommandLine({"--export-cdf", "--out", dir.Path().string(), "--range", "1:2",
                                          dir.File("RUN001.dat")}),
                        out2, err2),
              0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("RUN001.cdf")));
}

// A --gate that one input's configuration lacks is found before any input is exported.
TEST(CorvanetCommandLine, AGateModeMissingFromAnyInputWritesNothing) {
    fakes::TempDir dir;
    ConfigurationBlock onlyS = TwoModeBlock();
    onlyS.gateModes.pop_back();
    Write(dir.File("RUN001.dat"), DatBytes(TwoModeBlock(), ThreePulses(), 3));
    Write(dir.File("RUN002.dat"), DatBytes(onlyS, ThreePulses(), 3));
    for (const char* kind : {"--export-csv", "--export-cdf"}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunExport(ParseCommandLine({kind, "--gate", "P-2", dir.Path().string()}), out, err), 2);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str(), "Corvanet: " + dir.File("RUN002.dat") + ": " + messages::kNoGateModeBefore +
                                 "P-2" + messages::kNoGateModeAfter +
                                 "\nCorvanet: " + messages::kGateMissingNothingWritten + "\n");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
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
