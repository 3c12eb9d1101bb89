#pragma once

#include "platform/Clock.h"

#include <functional>
#include <memory>
#include <string>

class QFont;
class QPainter;
class QPrinter;
class QWidget;

namespace veltrane {

class ConfigurationModel;
class Prompts;
struct LiveState;

// What a printed report needs of the running program.
struct ReportContext {
    ConfigurationModel& config;
    LiveState& live;
    std::string documentTitle;
    LocalDateTime today;
};

// The fixed-pitch font the report and its columns are drawn with.
QFont ReportFont();

// Draws report text line by line from the top of the printable area, one line height
// (font height plus external leading) per line; empty lines only advance. Lines that would
// fall below the page's bottom edge continue on a new page rather than being lost.
void DrawReportText(QPrinter& printer, QPainter& painter, const std::string& text);

// Builds the report and draws it on the printer, with polling held off meanwhile. An
// untitled document asks the controller for a fresh DSP mode for the next report.
// False when the printer could not be drawn on (an unwritable file, no printer).
bool PrintConfigurationReport(QPrinter& printer, const ReportContext& context);

// File Print, Print Preview and Print Setup over one printer whose settings they share. A
// printout the printer refuses is reported through prompts.
class ReportPrinting {
public:
    ReportPrinting(Prompts& prompts, std::function<ReportContext()> context);
    ~ReportPrinting();
    ReportPrinting(const ReportPrinting&) = delete;
    ReportPrinting& operator=(const ReportPrinting&) = delete;

    void Print(QWidget* parent);
    void Preview(QWidget* parent);
    void Setup(QWidget* parent);

    // Test seam: the print dialog (false when cancelled).
    std::function<bool(QPrinter& printer)> choosePrinter;

private:
    bool AskPrinter(QWidget* parent);
    void PrintOrReport(QPrinter& printer);

    Prompts& prompts_;
    std::function<ReportContext()> context_;
    std::unique_ptr<QPrinter> printer_;
};

// The report of a configuration file written as a PDF with no window shown (the command
// line's --print-report). False with a reason when the file cannot be read or written.
bool WriteConfigurationReportPdf(const std::string& configPath, const std::string& pdfPath,
                                 std::string& error);

} // namespace veltrane
