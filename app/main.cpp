#include "app/CMainFrame.h"
#include "app/CPfpdApp.h"
#include "app/CommandLine.h"
#include "dialogs/ReportPrinter.h"
#include "platform/DirectFile.h"
#include "platform/FilePath.h"
#include "platform/Process.h"
#include "platform/Version.h"
#include "platform/WindowSystem.h"

#include <QApplication>
#include <QBuffer>
#include <QLocale>
#include <QMetaObject>
#include <QStandardPaths>
#include <QTimer>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

// File names are written by us from the bytes given: Qt's file names are text, and a name that is
// not valid UTF-8 would not survive the trip through it.
void SaveScreenshot(CPfpdApp& app, const std::string& file) {
    if (file.empty() || app.Frame() == nullptr) {
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    std::ofstream out(file, std::ios::binary);
    if (!app.Frame()->grab().save(&buffer, "PNG") || !out.write(png.constData(), png.size()) ||
        !out.flush()) {
        std::fprintf(stderr, "veltrane: cannot write %s\n", file.c_str());
    }
}

// The printer is given a plain name beside the target, which then takes the target's own name.
bool WriteReport(const std::string& configFile, const std::string& pdfFile, std::string& error) {
    const std::filesystem::path target(pdfFile);
    const std::filesystem::path temporary =
        target.parent_path() / (".veltrane-report-" + std::to_string(CurrentProcessId()) + ".pdf");
    std::error_code renameError;
    if (!WriteConfigurationReportPdf(configFile, temporary.string(), error)) {
        if (const auto at = error.find(temporary.string()); at != std::string::npos) {
            error.replace(at, temporary.string().size(), pdfFile); // the operator's name, not ours
        }
    } else {
        std::filesystem::rename(temporary, target, renameError);
        if (!renameError) {
            return true;
        }
        error = "cannot write " + pdfFile;
    }
    std::filesystem::remove(temporary, renameError);
    return false;
}

constexpr const char* kNoControllerLine = "veltrane: the controller did not answer; the run ends\n";

// Ctrl+C or a stop of an unattended run ends the event loop as --quit-after does, so a running
// recording is completed with its run-log text. A second request ends the program at once.
void QuitOnStopSignals(QObject* application) {
    OnStopRequest([application] {
        QMetaObject::invokeMethod(
            application, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // Past a file-size limit a write must fail (the recording then stops with its message),
    // not end the program and the recording with it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // --help, --version and mistakes in the arguments need no display: the arguments are read
    // before the window system is started. They are used as the bytes given, so a file name that
    // is not UTF-8 reaches the file system unchanged.
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(UsageText("veltrane").c_str(), stdout);
            return 0;
        }
        if (argument == "--version") {
            std::fputs(VersionLine("veltrane").c_str(), stdout);
            return 0;
        }
    }
    std::string error;
    auto options = ParseCommandLine(WithoutToolkitOptions(arguments), error);
    if (!options) {
        std::fputs(ArgumentErrorLine("veltrane", error).c_str(), stderr);
        return 2;
    }

    // The report needs no window, so it must not need a display either.
    if (!options->printReportFile.empty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!WindowSystemReachable(arguments)) {
        std::fprintf(stderr, "veltrane: %s\n", kNoDisplay);
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    // Qt took the C library's locale from the desktop; numbers keep a decimal point whatever it is.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    // The working folder: --workdir, else the one started in, or where the operator cannot write
    // there (an installed program's own folder) a folder among the user's documents.
    std::string workFolder = options->workingDirectory;
    const bool chosen = !workFolder.empty();
    if (!chosen && !FolderIsWritable(".")) {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!documents.isEmpty()) {
            workFolder = (documents + QStringLiteral("/Veltrane")).toStdString();
            std::error_code folderError;
            std::filesystem::create_directories(PathFromUtf8(workFolder), folderError);
        }
    }
    if (!workFolder.empty()) {
        // A file named on the command line is where the caller sees it, not in the new folder.
        if (!options->documentFile.empty()) {
            options->documentFile = std::filesystem::absolute(options->documentFile).string();
        }
        std::error_code changeError;
        std::filesystem::current_path(PathFromUtf8(workFolder), changeError);
        if (changeError && chosen) {
            std::fprintf(stderr, "veltrane: cannot change to %s\n", workFolder.c_str());
            return 2;
        }
    }

    if (!options->printReportFile.empty()) {
        std::string reportError;
        if (!WriteReport(options->printReportFile, options->pdfFile, reportError)) {
            std::fprintf(stderr, "veltrane: %s\n", reportError.c_str());
            return 1;
        }
        return 0;
    }

    CPfpdApp app(*options, ProgramPath(argv[0]));
    // Armed before the first start-up question: one left open ends with the run, as Exit.
    bool quitting = false;
    if (options->quitAfterSeconds > 0) {
        QTimer::singleShot(static_cast<int>(options->quitAfterSeconds * 1000.0), &application,
                           [&app, &quitting] {
                               quitting = true;
                               app.RequestQuit();
                               QCoreApplication::exit(0); // every event loop, a dialog's too
                           });
    }
    if (!app.InitInstance()) {
        // Exit chosen at start-up (the window was never shown), or an unattended run that
        // never reached the controller.
        if (app.ConnectionGaveUp()) {
            std::fputs(kNoControllerLine, stderr);
            return 1;
        }
        return 0;
    }
    QuitOnStopSignals(&application);
    QObject::connect(&application, &QCoreApplication::aboutToQuit,
                     [&app, &options] { SaveScreenshot(app, options->screenshotFile); });
    int result = 0;
    if (quitting) {
        SaveScreenshot(app, options->screenshotFile); // the time was up during start-up
    } else {
        result = QApplication::exec();
    }
    if (options->stats) {
        std::printf("%s\n", app.StatsLine().c_str());
    }
    return result;
}
