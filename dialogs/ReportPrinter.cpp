#include "dialogs/ReportPrinter.h"

#include "config/ConfigurationModel.h"
#include "config/ConfigurationReport.h"
#include "config/ReportPageBuilder.h"
#include "config/RunLog.h"
#include "dialogs/DialogMessages.h"
#include "live/LiveState.h"
#include "platform/Prompts.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <filesystem>
#include <string_view>

namespace veltrane {

namespace {

// Request 11 goes into the one slot only when that displaces nothing: the reading is for
// the next report, a pending transfer or EEPROM save matters more.
void RequestDspMode(PendingRequest& pending) {
    if (pending.Empty()) {
        pending.Post(kRequestReadDspMode);
    } else if (pending.Current() != kRequestReadDspMode && pending.FollowUp() == kRequestNone) {
        pending.PostAfterCurrent(kRequestReadDspMode);
    }
}

} // namespace

QFont ReportFont() {
    QFont font(QStringLiteral("Courier"), 10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

void DrawReportText(QPrinter& printer, QPainter& painter, const std::string& text) {
    painter.setFont(ReportFont());
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = metrics.height() + metrics.leading();
    const double pageHeight = printer.pageRect(QPrinter::DevicePixel).height();
    const int x = 0; // the painter's origin is the printable area's top left corner
    int y = 0;
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (y > 0 && y + lineHeight > pageHeight) {
            printer.newPage();
            y = 0;
        }
        if (!line.empty()) {
            painter.drawText(x, y + metrics.ascent(),
                             QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        }
        y += lineHeight;
    }
}

bool PrintConfigurationReport(QPrinter& printer, const ReportContext& context) {
    bool drawn = false;
    {
        ScopedPollingSuspend suspend(context.live);
        ReportSession session;
        session.online = context.live.online;
        session.documentTitle = context.documentTitle;
        session.dspMode = context.live.dspMode;
        session.today = context.today;
        ReportPageBuilder builder;
        if (BuildConfigurationReport(context.config, session, builder)) {
            RequestDspMode(context.live.pendingRequest);
        }
        QPainter painter;
        if (painter.begin(&printer)) {
            DrawReportText(printer, painter, builder.PageText());
            drawn = painter.end();
        }
    }
    context.live.resumeDelay = 10;
    return drawn;
}

ReportPrinting::ReportPrinting(Prompts& prompts, std::function<ReportContext()> context)
    : prompts_(prompts), context_(std::move(context)),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

ReportPrinting::~ReportPrinting() = default;

bool ReportPrinting::AskPrinter(QWidget* parent) {
    if (choosePrinter) {
        return choosePrinter(*printer_);
    }
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

void ReportPrinting::PrintOrReport(QPrinter& printer) {
    if (!PrintConfigurationReport(printer, context_())) {
        prompts_.ShowMessage(messages::kPrintFailed, MessageIcon::Warning);
    }
}

void ReportPrinting::Print(QWidget* parent) {
    const ReportContext context = context_();
    {
        ScopedPollingSuspend suspend(context.live);
        if (AskPrinter(parent)) {
            PrintOrReport(*printer_);
        }
    }
    context.live.resumeDelay = 10;
}

void ReportPrinting::Preview(QWidget* parent) {
    const ReportContext context = context_();
    {
        ScopedPollingSuspend suspend(context.live);
        QPrintPreviewDialog preview(printer_.get(), parent);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [this](QPrinter* printer) { PrintOrReport(*printer); });
        preview.exec();
    }
    context.live.resumeDelay = 10;
}

void ReportPrinting::Setup(QWidget* parent) {
    const ReportContext context = context_();
    ScopedPollingSuspend suspend(context.live);
    QPageSetupDialog dialog(printer_.get(), parent);
    dialog.exec();
}

bool WriteConfigurationReportPdf(const std::string& configPath, const std::string& pdfPath,
                                 std::string& error) {
    ConsolePrompts prompts;
    RunLog runLog(RunLog::FileNameForExecutable("veltrane"), SystemClock::Instance(), prompts);
    runLog.SetEnabled(false); // reading a file for a report changes nothing worth a log entry
    ConfigurationModel config(prompts, runLog);
    if (!config.LoadConfiguration(configPath)) {
        error = "cannot read the configuration file " + configPath;
        return false;
    }
    LiveState live;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdfPath));
    printer.setDocName(QStringLiteral("Veltrane Configuration Report"));
    if (!PrintConfigurationReport(printer,
                                  {config, live, std::filesystem::path(configPath).filename().string(),
                                   SystemClock::Instance().LocalNow()})) {
        error = "cannot write " + pdfPath;
        return false;
    }
    return true;
}

} // namespace veltrane
