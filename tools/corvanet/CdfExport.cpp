#include "Exports.h"

#include "CorvanetMessages.h"
#include "config/Vocabulary.h"
#include "platform/Clock.h"

#include <netcdf.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <vector>

namespace veltrane::corvanet {

namespace {

// Writes one file; every call checks the library's status and remembers the first failure.
class CdfWriter {
public:
    bool Ok() const { return status_ == NC_NOERR; }
    std::string Error() const { return nc_strerror(status_); }

    void Create(const std::string& path) { Check(nc_create(path.c_str(), NC_CLOBBER, &id_)); }
    int Dimension(const char* name, std::size_t length) {
        int dim = -1;
        Check(nc_def_dim(id_, name, length, &dim));
        return dim;
    }
    int Variable(const char* name, nc_type type, std::vector<int> dims) {
        int var = -1;
        Check(nc_def_var(id_, name, type, static_cast<int>(dims.size()), dims.data(), &var));
        return var;
    }
    void Text(int var, const char* name, const std::string& value) {
        if (Ok()) {
            Check(nc_put_att_text(id_, var, name, value.size(), value.c_str()));
        }
    }
    void EndDefinitions() { Check(nc_enddef(id_)); }
    void Put(int var, const std::vector<float>& values) {
        if (Ok() && !values.empty()) {
            Check(nc_put_var_float(id_, var, values.data()));
        }
    }
    void Put(int var, float value) {
        if (Ok()) {
            Check(nc_put_var_float(id_, var, &value));
        }
    }
    void Close() {
        if (id_ >= 0) {
            const int status = nc_close(id_);
            id_ = -1;
            Check(status);
        }
    }
    ~CdfWriter() { Close(); }

private:
    void Check(int status) {
        if (status_ == NC_NOERR && status != NC_NOERR) {
            status_ = status;
        }
    }
    int id_ = -1;
    int status_ = NC_NOERR;
};

// The date-time form the format asks for: YYYYMMDDhhmmss followed by the zone offset.
std::string StampOf(std::tm local) {
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d%H%M%S%z", &local);
    return std::string(text, length);
}

std::string InjectionStamp(const DataFileHeader& header) {
    std::tm local{};
    local.tm_year = header.year - 1900;
    local.tm_mon = header.month - 1;
    local.tm_mday = header.day;
    local.tm_hour = header.hour;
    local.tm_min = header.minute;
    local.tm_isdst = -1;
    // The file holds local time without a zone; the recording machine's zone is assumed.
    std::tm normalised = local;
    if (std::mktime(&normalised) == static_cast<std::time_t>(-1)) {
        return Format("%04u%02u%02u%02u%02u00", static_cast<unsigned>(header.year),
                      static_cast<unsigned>(header.month), static_cast<unsigned>(header.day),
                      static_cast<unsigned>(header.hour), static_cast<unsigned>(header.minute));
    }
    return StampOf(normalised);
}

// "4.9.0" of the library's "4.9.0 of Jan  1 2023 00:00:00 $".
std::string LibraryRevision() {
    const std::string version = nc_inq_libvers();
    return version.substr(0, version.find(' '));
}

std::string NowStamp() {
    const std::time_t now = std::time(nullptr);
    return StampOf(LocalTimeOf(now));
}

} // namespace

bool WriteChromatogramCdf(const std::string& path, const ExportSource& source, const RegateSettings& settings,
                          const Chromatogram& chromatogram, const PeakTable& peaks, std::string& error) {
    const std::size_t n = chromatogram.value.size();
    if (n == 0) {
        error = messages::kNoPulses;
        return false;
    }
    std::vector<float> ordinate(n);
    std::vector<float> retention(n);
    for (std::size_t i = 0; i < n; ++i) {
        ordinate[i] = static_cast<float>(chromatogram.value[i]);
        retention[i] = static_cast<float>(chromatogram.runTimeMinutes[i] * 60.0);
    }
    const auto [lo, hi] = std::minmax_element(ordinate.begin(), ordinate.end());
    const float runLength = retention.back() - retention.front();
    const float interval = n > 1 ? runLength / static_cast<float>(n - 1) : 0.0f;

    const std::string temporary = path + ".part";
    CdfWriter cdf;
    cdf.Create(temporary);
    int string64 = -1;
    for (const auto& [name, length] :
         std::initializer_list<std::pair<const char*, std::size_t>>{{"_2_byte_string", 2},
                                                                    {"_4_byte_string", 4},
                                                                    {"_8_byte_string", 8},
                                                                    {"_16_byte_string", 16},
                                                                    {"_32_byte_string", 32},
                                                                    {"_64_byte_string", 64},
                                                                    {"_128_byte_string", 128},
                                                                    {"_255_byte_string", 255},
                                                                    {"range", 2}}) {
        const int dim = cdf.Dimension(name, length);
        if (length == 64) {
            string64 = dim;
        }
    }
    const int points = cdf.Dimension("point_number", n);
    const int errors = cdf.Dimension("error_number", 1);
    // No peaks makes this the record dimension, with no records: still a valid, empty table.
    const int peakDim = cdf.Dimension("peak_number", peaks.peaks.size());

    // The template's administrative, sample, method, detection and raw-data attributes (categories 1
    // and 2), each present; empty where a recording does not know it (who ran it, the sample's id).
    // The sample's injected volume and amount are numbers nobody recorded: left out.
    const std::string gateModeName = GateModeDisplayName(settings.gate.name, settings.gate.suffix);
    const std::pair<const char*, std::string> kGlobals[] = {
        {"dataset_completeness", "C1+C2"},
        {"aia_template_revision", "1.0"},
        {"netcdf_revision", LibraryRevision()},
        {"languages", "English"},
        {"administrative_comments", "Re-gated from recorded PFPD pulses by Corvanet"},
        {"dataset_origin", "Corvanet"},
        {"dataset_owner", ""},
        {"dataset_date_time_stamp", NowStamp()},
        {"injection_date_time_stamp", InjectionStamp(source.header)},
        {"experiment_title", source.fileName},
        {"operator_name", ""},
        {"separation_experiment_type", "gas chromatography"},
        {"company_method_name", ""},
        {"company_method_id", ""},
        {"pre_experiment_program_name", ""},
        {"post_experiment_program_name", ""},
        {"source_file_reference", source.fileName},
        {"sample_id_comments", ""},
        {"sample_id", ""},
        {"sample_name", source.fileName},
        {"sample_type", ""},
        {"detection_method_table_name", ""},
        {"detection_method_comments", "PFPD pulses re-gated with gate mode " + gateModeName},
        {"detection_method_name", "PFPD gate mode " + gateModeName},
        {"detector_name", "PFPD"},
        {"detector_unit", ValueUnitOf(settings.gate).text},
        {"raw_data_table_name", source.fileName},
        {"retention_unit", "Seconds"},
        {"peak_processing_results_table_name", source.fileName},
        {"peak_processing_results_comments", "Peaks found by slope, areas above the chosen baseline"},
        {"peak_processing_method_name", "Corvanet peak finding"},
        {"peak_processing_date_time_stamp", NowStamp()}};
    for (const auto& [name, value] : kGlobals) {
        cdf.Text(NC_GLOBAL, name, value);
    }
    for (const auto& [key, value] : DescribeSettings(settings, chromatogram)) {
        cdf.Text(NC_GLOBAL, key.c_str(), value);
    }

    const int errorLog = cdf.Variable("error_log", NC_CHAR, {errors, string64});
    const int maximum = cdf.Variable("detector_maximum_value", NC_FLOAT, {});
    const int minimum = cdf.Variable("detector_minimum_value", NC_FLOAT, {});
    const int runTime = cdf.Variable("actual_run_time_length", NC_FLOAT, {});
    const int sampling = cdf.Variable("actual_sampling_interval", NC_FLOAT, {});
    const int delay = cdf.Variable("actual_delay_time", NC_FLOAT, {});
    const int values = cdf.Variable("ordinate_values", NC_FLOAT, {points});
    // Pulses come with a little jitter, so every point carries its own time.
    cdf.Text(values, "uniform_sampling_flag", "N");
    cdf.Text(values, "autosampler_position", "");
    const int times = cdf.Variable("raw_data_retention", NC_FLOAT, {points});
    // The peak table, times in seconds, areas in the detector's unit x seconds.
    using PeakColumn = std::pair<const char*, double (*)(const Peak&)>;
    static constexpr PeakColumn kPeakColumns[] = {
        {"peak_retention_time", [](const Peak& p) { return p.retentionMinutes * 60.0; }},
        {"peak_start_time", [](const Peak& p) { return p.startMinutes * 60.0; }},
        {"peak_end_time", [](const Peak& p) { return p.endMinutes * 60.0; }},
        {"peak_width", [](const Peak& p) { return p.widthHalfMinutes * 60.0; }},
        {"peak_area", [](const Peak& p) { return p.area; }},
        {"peak_area_percent", [](const Peak& p) { return p.areaPercent; }},
        {"peak_height", [](const Peak& p) { return p.height; }},
        {"baseline_start_time", [](const Peak& p) { return p.startMinutes * 60.0; }},
        {"baseline_start_value", [](const Peak& p) { return p.baselineAtStart; }},
        {"baseline_stop_time", [](const Peak& p) { return p.endMinutes * 60.0; }},
        {"baseline_stop_value", [](const Peak& p) { return p.baselineAtEnd; }}};
    std::vector<int> peakVars;
    for (const auto& [name, value] : kPeakColumns) {
        peakVars.push_back(cdf.Variable(name, NC_FLOAT, {peakDim}));
    }
    cdf.EndDefinitions();

    (void)errorLog; // left empty: nothing went wrong while the data were taken
    cdf.Put(maximum, *hi);
    cdf.Put(minimum, *lo);
    cdf.Put(runTime, runLength);
    cdf.Put(sampling, interval);
    cdf.Put(delay, retention.front());
    cdf.Put(values, ordinate);
    cdf.Put(times, retention);
    std::vector<float> column(peaks.peaks.size());
    for (std::size_t c = 0; c < peakVars.size(); ++c) {
        std::transform(peaks.peaks.begin(), peaks.peaks.end(), column.begin(),
                       [&](const Peak& p) { return static_cast<float>(kPeakColumns[c].second(p)); });
        cdf.Put(peakVars[c], column);
    }
    cdf.Close();

    std::error_code ec;
    if (cdf.Ok()) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec) {
            return true;
        }
        error = messages::kCannotWriteFile;
    } else {
        error = std::string(messages::kNetCdfFailed) + cdf.Error();
    }
    std::filesystem::remove(temporary, ec);
    return false;
}

} // namespace veltrane::corvanet
