// Corvanet: opens the .dat files Veltrane records; exports them from the command line too.

#include "CommandLine.h"
#include "platform/Process.h"
#include "platform/Version.h"
#include "platform/WindowSystem.h"

#include <iostream>
#include <string>
#include <vector>

#ifndef CORVANET_COMMAND_LINE_ONLY
#include "CorvanetWindow.h"
#include "Pictures.h"

#include <QApplication>
#include <QFile>
#include <QLocale>

#include <clocale>
#endif

int main(int argc, char** argv) {
    using namespace veltrane::corvanet;
    // The toolkit's own options (-platform NAME) are left to it.
    const std::vector<std::string> args = veltrane::CommandLineArguments(argc, argv);
    const Command command = ParseCommandLine(veltrane::WithoutToolkitOptions(args));
    switch (command.kind) {
    case CommandKind::Help:
        std::cout << kUsage;
        return 0;
    case CommandKind::Version:
        std::cout << kVersionText;
        return 0;
    case CommandKind::Invalid:
        std::cerr << veltrane::ArgumentErrorLine("Corvanet", command.error);
        return 2;
    case CommandKind::ExportCsv:
    case CommandKind::ExportCdf:
    case CommandKind::ExportPeaks:
        return RunExport(command, std::cout, std::cerr);
    case CommandKind::ExportPng:
    case CommandKind::Window:
        break;
    }
#ifdef CORVANET_COMMAND_LINE_ONLY
    std::cerr << "Corvanet: built without its window; use --export-csv, --export-cdf or --export-peaks\n";
    return 2;
#else
    // Pictures are drawn without a screen.
    if (command.kind == CommandKind::ExportPng && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!veltrane::WindowSystemReachable(args)) {
        std::cerr << "Corvanet: " << veltrane::kNoDisplay << "\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanet"));
    // Qt took the C library's locale from the desktop; numbers keep a decimal point whatever it is.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    if (command.kind == CommandKind::ExportPng) {
        Command pictures = command;
        SetPictureWriter(pictures);
        return RunExport(pictures, std::cout, std::cerr);
    }
    CorvanetWindow window;
    window.show();
    if (!command.inputs.empty()) {
        window.OpenPath(QString::fromStdString(command.inputs.front()));
    }
    return app.exec();
#endif
}
