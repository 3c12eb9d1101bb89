#include "CorvanetWindow.h"

#include "ChromatogramPanel.h"
#include "ComparePanel.h"
#include "CorvanetMessages.h"
#include "DataSeries.h"
#include "Exports.h"
#include "PeakExport.h"
#include "Pictures.h"
#include "PulseMapView.h"
#include "PulseMath.h"
#include "ReportText.h"
#include "config/Vocabulary.h"
#include "platform/Version.h"
#include "plot/OFloatArray.h"
#include "plot/OPlot.h"
#include "plot/PlotTrace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace veltrane::corvanet {

namespace {

constexpr int kOverlayTraces = 8;
constexpr int kAverageTrace = kOverlayTraces + 1;
constexpr int kMapColumns = 1600;

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

OFloatArray* NewArray(int size) {
    auto* array = new OFloatArray;
    array->SetSize(size, 100);
    for (int i = 0; i < size; ++i) {
        array->Set(i, 0.0f);
    }
    return array;
}

QSpinBox* IndexField() {
    auto* box = new QSpinBox;
    box->setRange(0, 0);
    return box;
}

} // namespace

CorvanetWindow::CorvanetWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(Text(messages::kProgramName));
    // Times and gate values are typed and shown with a decimal point in every locale (the fields inherit it).
    setLocale(QLocale::c());
    showInBrowser = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    BuildMenus();
    tabs_ = new QTabWidget;
    fileText_ = new QPlainTextEdit;
    fileText_->setReadOnly(true);
    fileText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    fileText_->setFont(QFont(QStringLiteral("Monospace")));
    tabs_->addTab(fileText_, QStringLiteral("File"));
    tabs_->addTab(BuildPulseTab(), QStringLiteral("Pulses"));
    chromatogramPanel_ = new ChromatogramPanel;
    tabs_->addTab(chromatogramPanel_, QStringLiteral("Chromatogram"));
    chromatogramPanel_->Plot()->SetStatusTextHandler(
        [this](const QString& text) { ShowReadout(messages::kChromatogramReadout, text); });
    tabs_->addTab(BuildMapTab(), QStringLiteral("2-D View"));
    comparePanel_ = new ComparePanel;
    comparePanel_->SetTabSettings([this] { return chromatogramPanel_->Settings(); });
    tabs_->addTab(comparePanel_, QStringLiteral("Compare"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 3 && !mapValid_) {
            UpdateMap();
        }
    });

    seriesList_ = new QListWidget;
    seriesList_->hide();
    connect(seriesList_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        const QString folder = seriesList_->property("folder").toString();
        if (!name.isEmpty()) {
            OpenFile(QDir(folder).filePath(name));
        }
    });
    auto* splitter = new QSplitter;
    splitter->addWidget(seriesList_);
    splitter->addWidget(tabs_);
    splitter->setStretchFactor(1, 4);
    setCentralWidget(splitter);
    BuildViewMenu();
    BuildHelpMenu();
    statusBar();
    resize(1000, 700);
    fileText_->setPlainText(QStringLiteral("Open a .dat file or a folder holding a series (File menu)."));
}

void CorvanetWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open File..."), QKeySequence::Open, this, &CorvanetWindow::ChooseFile);
    file->addAction(QStringLiteral("Open &Folder..."), this, &CorvanetWindow::ChooseFolder);
    file->addAction(QStringLiteral("Co&mpare Recordings..."), this, [this] {
        tabs_->setCurrentWidget(comparePanel_);
        comparePanel_->AddChosenRecordings();
    });
    file->addSeparator();
    file->addAction(QStringLiteral("Export &Pulses (CSV)..."), this, &CorvanetWindow::ExportPulses);
    file->addAction(QStringLiteral("Export &Chromatogram (CSV)..."), this,
                    &CorvanetWindow::ExportChromatogramCsv);
    file->addAction(QStringLiteral("Export Chromatogram (&netCDF)..."), this,
                    &CorvanetWindow::ExportChromatogramCdf);
    file->addAction(QStringLiteral("Export Pea&k Table (CSV)..."), this, &CorvanetWindow::ExportPeaks);
    file->addAction(QStringLiteral("Export P&icture..."), this, &CorvanetWindow::ChoosePicture);
    file->addAction(QStringLiteral("P&rint..."), QKeySequence::Print, this, &CorvanetWindow::Print);
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), QKeySequence::Quit, this, &QWidget::close);
}

void CorvanetWindow::BuildViewMenu() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    const auto add = [this, view](const QString& text, const QKeySequence& keys, void (OPlot::*zoom)()) {
        view->addAction(text, keys, this, [this, zoom] {
            if (OPlot* plot = CurrentPlot()) {
                (plot->*zoom)();
            }
        });
    };
    add(QStringLiteral("Zoom &In"), QKeySequence::ZoomIn, &OPlot::ZoomIn);
    add(QStringLiteral("Zoom &Out"), QKeySequence::ZoomOut, &OPlot::ZoomOut);
    add(QStringLiteral("&Reset Zoom"), QKeySequence(Qt::CTRL | Qt::Key_0), &OPlot::ResetZoom);
    add(QStringLiteral("&Previous Zoom"), QKeySequence(Qt::CTRL | Qt::Key_Backspace), &OPlot::StepBack);
}

void CorvanetWindow::BuildHelpMenu() {
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Corvanet &Help"), QKeySequence::HelpContents, this,
                    &CorvanetWindow::OpenHelp);
    help->addAction(QStringLiteral("&About Corvanet"), this, [this] {
        QMessageBox::about(this, Text(messages::kProgramName),
                           Text(messages::kAboutText).arg(QString::fromUtf8(kProgramVersion)));
    });
}

void CorvanetWindow::ShowReadout(const char* prefix, const QString& text) {
    if (text.isEmpty()) {
        statusBar()->clearMessage();
    } else {
        statusBar()->showMessage(Text(prefix) + text);
    }
}

QWidget* CorvanetWindow::BuildPulseTab() {
    pulsePlot_ = new OPlot;
    pulsePlot_->SetNavigation(true);
    pulsePlot_->SetStatusTextHandler(
        [this](const QString& text) { ShowReadout(messages::kPulseReadout, text); });
    const auto attach = [this](bool visible) {
        auto trace = std::make_unique<PlotTrace>(1, 0);
        trace->name = visible ? "Pulse" : "";
        trace->xTitle = "ms";
        trace->yTitle = "counts";
        trace->hasX = true;
        trace->ownsArrays = true;
        trace->xValues = NewArray(kPulseSamples);
        trace->yValues = NewArray(kPulseSamples);
        for (int i = 0; i < kPulseSamples; ++i) {
            trace->xValues->Set(i, static_cast<float>(i * kSampleMs));
        }
        trace->count = kPulseSamples;
        trace->SetRange(0.0f, 0.0f, 25.0f, 70000.0f);
        trace->SetVisible(visible);
        pulseValues_.push_back(trace->yValues);
        pulsePlot_->AddTrace(std::move(trace));
    };
    // Named in the legend when shown: the pulse, the overlaid pulses and the average.
    attach(true);
    for (int i = 1; i <= kAverageTrace; ++i) {
        attach(false);
    }
    for (int i = 1; i <= kAverageTrace; ++i) {
        pulsePlot_->SetTraceVisible(i, false);
    }

    slider_ = new QSlider(Qt::Horizontal);
    slider_->setRange(0, 0);
    indexBox_ = IndexField();
    timeBox_ = new QDoubleSpinBox;
    timeBox_->setDecimals(3);
    timeBox_->setSuffix(QStringLiteral(" min"));
    timeBox_->setKeyboardTracking(false);
    pulseInfo_ = new QLabel;
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { ShowPulse(value); });
    connect(indexBox_, &QSpinBox::valueChanged, this, [this](int value) { ShowPulse(value); });
    connect(timeBox_, &QDoubleSpinBox::valueChanged, this, &CorvanetWindow::TimeChosen);

    auto* browse = new QHBoxLayout;
    browse->addWidget(new QLabel(QStringLiteral("Record")));
    browse->addWidget(indexBox_);
    browse->addWidget(slider_, 1);
    browse->addWidget(new QLabel(QStringLiteral("Run time")));
    browse->addWidget(timeBox_);

    auto* overlay = new QPushButton(QStringLiteral("Overlay This Pulse"));
    auto* clear = new QPushButton(QStringLiteral("Clear Overlay"));
    connect(overlay, &QPushButton::clicked, this, &CorvanetWindow::AddOverlay);
    connect(clear, &QPushButton::clicked, this, &CorvanetWindow::ClearOverlay);
    peakFirst_ = IndexField();
    peakLast_ = IndexField();
    baseFirst_ = IndexField();
    baseLast_ = IndexField();
    peakFirst_->setObjectName(QStringLiteral("peakFirst"));
    peakLast_->setObjectName(QStringLiteral("peakLast"));
    baseFirst_->setObjectName(QStringLiteral("baseFirst"));
    baseLast_->setObjectName(QStringLiteral("baseLast"));
    auto* average = new QPushButton(QStringLiteral("Average"));
    auto* subtracted = new QPushButton(QStringLiteral("Baseline-Subtracted Average"));
    connect(average, &QPushButton::clicked, this, [this] { ShowAverage(false); });
    connect(subtracted, &QPushButton::clicked, this, [this] { ShowAverage(true); });

    auto* tools = new QHBoxLayout;
    tools->addWidget(overlay);
    tools->addWidget(clear);
    tools->addSpacing(16);
    tools->addWidget(new QLabel(QStringLiteral("Pulses")));
    tools->addWidget(peakFirst_);
    tools->addWidget(new QLabel(QStringLiteral("to")));
    tools->addWidget(peakLast_);
    tools->addWidget(average);
    tools->addSpacing(16);
    tools->addWidget(new QLabel(QStringLiteral("minus pulses")));
    tools->addWidget(baseFirst_);
    tools->addWidget(new QLabel(QStringLiteral("to")));
    tools->addWidget(baseLast_);
    tools->addWidget(subtracted);
    tools->addStretch(1);

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(pulsePlot_, 1);
    layout->addWidget(pulseInfo_);
    layout->addLayout(browse);
    layout->addLayout(tools);
    return page;
}

QWidget* CorvanetWindow::BuildMapTab() {
    mapView_ = new PulseMapView;
    mapInfo_ = new QLabel;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(mapView_, 1);
    layout->addWidget(mapInfo_);
    return page;
}

void CorvanetWindow::Warn(const QString& text) {
    QMessageBox::warning(this, Text(messages::kProgramName), text);
}

bool CorvanetWindow::OpenPath(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) {
        seriesList_->hide();
        return OpenFile(path);
    }
    const std::vector<std::string> series = ListSeries(path.toStdString());
    if (series.empty()) {
        Warn(path + QStringLiteral("\n") + Text(messages::kNoDataFilesInFolder));
        return false;
    }
    seriesList_->blockSignals(true);
    seriesList_->clear();
    seriesList_->setProperty("folder", path);
    for (const std::string& file : series) {
        seriesList_->addItem(Text(std::filesystem::path(file).filename().string()));
    }
    seriesList_->blockSignals(false);
    seriesList_->show();
    seriesList_->setCurrentRow(0);
    return !path_.isEmpty();
}

bool CorvanetWindow::OpenFile(const QString& path) {
    DataFileContents contents;
    std::string error;
    if (!LoadDataFile(path.toStdString(), contents, error)) {
        Warn(path + QStringLiteral("\n") + Text(error));
        return false;
    }
    file_ = std::move(contents);
    path_ = path;
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + Text(messages::kProgramName));
    for (const std::string& note : LoadNotes(file_)) {
        Warn(Text(note));
    }
    ShowFileText();
    ResetRanges();
    ScalePulsePlot();
    ClearOverlay();
    pulsePlot_->SetTraceVisible(kAverageTrace, false);
    pulsePlot_->SetTraceName(kAverageTrace, {});
    mapValid_ = false;
    ShowPulse(0);
    chromatogramPanel_->SetFile(file_);
    comparePanel_->SetCurrentFile(path_, &file_);
    // Each file starts with its whole range in view; a zoom into the last one could show nothing.
    pulsePlot_->FreshView();
    chromatogramPanel_->Plot()->FreshView();
    if (tabs_->currentIndex() == 3) {
        UpdateMap();
    }
    return true;
}

void CorvanetWindow::ShowFileText() {
    std::string text = "File: " + path_.toStdString() + "\n";
    text += "Opened: " + OpenedText(file_.header) + "\n";
    text += Format("Records: %zu (count in the file: %u)\n", file_.pulses.size(), file_.storedCount);
    if (!file_.pulses.empty()) {
        text += Format("Run time: %.3f to %.3f min\n", file_.pulses.front().timeCounter / 6000.0,
                       file_.pulses.back().timeCounter / 6000.0);
    }
    for (const std::string& note : LoadNotes(file_)) {
        text += note + "\n";
    }
    text += "\nConfiguration recorded with the file\n\n";
    text += ConfigurationReportOf(file_, SourceName());
    text += "\nRun log\n\n";
    text += file_.runLogText.empty() ? std::string("(none)\n") : file_.runLogText;
    fileText_->setPlainText(Text(text));
}

void CorvanetWindow::ResetRanges() {
    const int last = std::max(0, static_cast<int>(file_.pulses.size()) - 1);
    for (QSpinBox* box : {indexBox_, peakFirst_, peakLast_, baseFirst_, baseLast_}) {
        box->blockSignals(true);
        box->setRange(0, last);
        box->setValue(0);
        box->blockSignals(false);
    }
    peakLast_->setValue(last);
    slider_->blockSignals(true);
    slider_->setRange(0, last);
    slider_->setValue(0);
    slider_->blockSignals(false);
    timeBox_->blockSignals(true);
    if (!file_.pulses.empty()) {
        timeBox_->setRange(file_.pulses.front().timeCounter / 6000.0,
                           file_.pulses.back().timeCounter / 6000.0);
    }
    timeBox_->blockSignals(false);
}

void CorvanetWindow::ScalePulsePlot() {
    // The file's largest sample sets the scale, so a small pulse does not hug the axis.
    pulseTop_ = std::max(100.0f, static_cast<float>(file_.largestSample) * 1.05f);
    SetPulseScale(0.0f, pulseTop_);
}

void CorvanetWindow::SetPulseScale(float low, float high) {
    // Every trace of the pulse plot shares the one counts axis, so what is drawn compares as read.
    pulseLow_ = low;
    pulseTop_ = high;
    for (int i = 0; i <= kAverageTrace; ++i) {
        pulsePlot_->Model().Trace(i)->SetRange(0.0f, low, 25.0f, high);
    }
    pulsePlot_->InvalidatePlot();
}

int CorvanetWindow::CurrentPulse() const {
    return indexBox_->value();
}

void CorvanetWindow::SetPulseTrace(int trace, const double* values, bool visible) {
    OFloatArray* array = pulseValues_[static_cast<std::size_t>(trace)];
    for (int i = 0; i < kPulseSamples; ++i) {
        array->Set(i, values != nullptr ? static_cast<float>(values[i]) : 0.0f);
    }
    pulsePlot_->SetTraceVisible(trace, visible);
    pulsePlot_->InvalidatePlot();
}

void CorvanetWindow::ShowPulse(int index) {
    if (file_.pulses.empty()) {
        SetPulseTrace(0, nullptr, true);
        pulseInfo_->setText(Text(messages::kNoPulses));
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(file_.pulses.size()) - 1);
    const StoredPulse& pulse = file_.pulses[static_cast<std::size_t>(index)];
    PulseShape shape{};
    std::copy(pulse.samples.begin(), pulse.samples.end(), shape.begin());
    SetPulseTrace(0, shape.data(), true);
    pulsePlot_->SetTraceName(0, Format("Pulse %d", index));
    for (QWidget* w : std::initializer_list<QWidget*>{slider_, indexBox_, timeBox_}) {
        w->blockSignals(true);
    }
    slider_->setValue(index);
    indexBox_->setValue(index);
    timeBox_->setValue(pulse.timeCounter / 6000.0);
    for (QWidget* w : std::initializer_list<QWidget*>{slider_, indexBox_, timeBox_}) {
        w->blockSignals(false);
    }
    const int start = PulseStart(pulse.samples, file_.configuration.board.triggerLevel);
    pulseInfo_->setText(
        Text(Format("Record %d of %zu   run time %.3f min   period %u (%.2f Hz)   pulse start %s", index,
                    file_.pulses.size(), pulse.timeCounter / 6000.0, static_cast<unsigned>(pulse.period),
                    pulse.period != 0 ? 100.0 / pulse.period : 0.0,
                    start >= 0 ? Format("%.1f ms", start * kSampleMs).c_str() : "none")));
}

void CorvanetWindow::TimeChosen(double minutes) {
    ShowPulse(static_cast<int>(NearestPulse(file_.pulses, minutes)));
}

void CorvanetWindow::AddOverlay() {
    if (file_.pulses.empty()) {
        return;
    }
    const int slot = 1 + overlayCount_ % kOverlayTraces;
    ++overlayCount_;
    const StoredPulse& pulse = file_.pulses[static_cast<std::size_t>(CurrentPulse())];
    PulseShape shape{};
    std::copy(pulse.samples.begin(), pulse.samples.end(), shape.begin());
    SetPulseTrace(slot, shape.data(), true);
    pulsePlot_->SetTraceName(slot, Format("Pulse %d (overlay)", CurrentPulse()));
}

void CorvanetWindow::ClearOverlay() {
    overlayCount_ = 0;
    for (int i = 1; i <= kOverlayTraces; ++i) {
        pulsePlot_->SetTraceVisible(i, false);
        pulsePlot_->SetTraceName(i, {});
    }
    pulsePlot_->InvalidatePlot();
}

void CorvanetWindow::ShowAverage(bool subtractBaseline) {
    PulseShape shape{};
    const auto peakFirst = static_cast<std::size_t>(peakFirst_->value());
    const auto peakLast = static_cast<std::size_t>(peakLast_->value());
    const bool ok = subtractBaseline
                        ? BaselineSubtractedAverage(file_.pulses, peakFirst, peakLast,
                                                    static_cast<std::size_t>(baseFirst_->value()),
                                                    static_cast<std::size_t>(baseLast_->value()), shape)
                        : AveragePulses(file_.pulses, peakFirst, peakLast, shape);
    if (!ok) {
        Warn(Text(messages::kBadPulseRange));
        return;
    }
    // A difference can go below zero: the shared axis widens to show it, and never narrows under a
    // pulse already drawn.
    const auto [lo, hi] = std::minmax_element(shape.begin(), shape.end());
    const auto margin = static_cast<float>((*hi - *lo) * 0.05);
    SetPulseScale(std::min(pulseLow_, static_cast<float>(*lo) - (*lo < 0.0 ? margin : 0.0f)),
                  std::max(pulseTop_, static_cast<float>(*hi) + margin));
    pulsePlot_->SetTraceName(
        kAverageTrace, subtractBaseline ? Format("Average of pulses %zu to %zu minus pulses %d to %d",
                                                 peakFirst, peakLast, baseFirst_->value(), baseLast_->value())
                                        : Format("Average of pulses %zu to %zu", peakFirst, peakLast));
    SetPulseTrace(kAverageTrace, shape.data(), true);
}

void CorvanetWindow::SetGateFields(const RegateSettings& settings) {
    chromatogramPanel_->SetGateFields(settings);
}

RegateSettings CorvanetWindow::GateFields() const {
    return chromatogramPanel_->GateFields();
}

bool CorvanetWindow::RunRegate() {
    return chromatogramPanel_->RunRegate();
}

const Chromatogram& CorvanetWindow::CurrentChromatogram() const {
    return chromatogramPanel_->Result();
}

void CorvanetWindow::UpdateMap() {
    const PulseMap map = BuildPulseMap(file_.pulses, kMapColumns);
    mapView_->SetMap(map);
    mapInfo_->setText(Text(
        map.columns == 0
            ? std::string(messages::kNoPulses)
            : Format("Run time %.3f to %.3f min across (%d columns), 0 to 25 ms up; intensity %.0f to %.0f",
                     map.firstMinutes, map.lastMinutes, map.columns, static_cast<double>(map.minimum),
                     static_cast<double>(map.maximum))));
    mapValid_ = true;
}

QString CorvanetWindow::MapStatus() const {
    return mapInfo_->text();
}

void CorvanetWindow::ChooseFile() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open PFPD Data File"), QString(),
                                                      QStringLiteral("PFPD Files (*.dat);;All Files (*)"));
    if (!path.isEmpty()) {
        seriesList_->hide();
        OpenFile(path);
    }
}

void CorvanetWindow::ChooseFolder() {
    const QString path =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Open a Folder of Data Files"));
    if (!path.isEmpty()) {
        OpenPath(path);
    }
}

OPlot* CorvanetWindow::CurrentPlot() const {
    QWidget* page = tabs_->currentWidget();
    if (auto* plot = qobject_cast<OPlot*>(page)) {
        return plot;
    }
    return page != nullptr ? page->findChild<OPlot*>() : nullptr;
}

QWidget* CorvanetWindow::CurrentView() const {
    if (OPlot* plot = CurrentPlot()) {
        return plot->viewport();
    }
    QWidget* page = tabs_->currentWidget();
    if (auto* map = page != nullptr ? page->findChild<PulseMapView*>() : nullptr) {
        return map;
    }
    return page;
}

QStringList CorvanetWindow::PictureHeader() const {
    QStringList gate;
    for (const auto& [key, value] : DescribeSettings(chromatogramPanel_->Settings(), CurrentChromatogram())) {
        gate << Text(key + " " + value);
    }
    return {Text(messages::kHeaderFile) + QDir::toNativeSeparators(path_),
            Text(messages::kHeaderView) + tabs_->tabText(tabs_->currentIndex()).remove(QLatin1Char('&')),
            Text(messages::kHeaderGate) + gate.join(QStringLiteral("; ")),
            Text(messages::kHeaderDate) +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))};
}

bool CorvanetWindow::ExportPictureTo(const QString& path) {
    QString error;
    if (!WritePicture(*CurrentView(), path, PictureHeader(), error)) {
        Warn(path + QStringLiteral("\n") + error);
        return false;
    }
    return true;
}

void CorvanetWindow::ChoosePicture() {
    QString filter;
    QString target = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Picture"), QFileInfo(path_).completeBaseName() + QStringLiteral(".png"),
        QStringLiteral("PNG Image (*.png);;SVG Drawing (*.svg);;PDF Page (*.pdf)"), &filter);
    if (target.isEmpty()) {
        return;
    }
    if (QFileInfo(target).suffix().isEmpty()) {
        target += filter.contains(QStringLiteral("svg"))   ? QStringLiteral(".svg")
                  : filter.contains(QStringLiteral("pdf")) ? QStringLiteral(".pdf")
                                                           : QStringLiteral(".png");
    }
    ExportPictureTo(target);
}

void CorvanetWindow::PrintTo(QPrinter& printer) {
    PaintPage(*CurrentView(), printer, PictureHeader());
}

void CorvanetWindow::Print() {
    // At screen resolution the plot's one-pixel lines stay visible on paper.
    QPrinter printer;
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QFileInfo(path_).fileName());
    // Without a screen (tests, scripted runs) the page goes to a PDF file in the temporary folder.
    if (QGuiApplication::platformName() == QStringLiteral("offscreen")) {
        const QString target =
            QDir::temp().filePath(QFileInfo(path_).completeBaseName() + QStringLiteral(".print.pdf"));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target);
        PrintTo(printer);
        statusBar()->showMessage(Text(messages::kPrintedTo) + QDir::toNativeSeparators(target));
        return;
    }
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) {
        PrintTo(printer);
    }
}

void CorvanetWindow::OpenHelp() {
    QStringList candidates;
    const QString appDir = QCoreApplication::applicationDirPath();
    candidates << appDir + QStringLiteral("/manual/corvanet.html")
               << appDir + QStringLiteral("/../share/veltrane/manual/corvanet.html")
               << QStringLiteral(VELTRANE_SOURCE_DIR "/docs/manual/corvanet.html");
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate)) {
            const QString path = QFileInfo(candidate).absoluteFilePath();
            if (!showInBrowser(path)) {
                Warn(Text(messages::kNoBrowserBefore) + QDir::toNativeSeparators(path));
            }
            return;
        }
    }
    Warn(Text(messages::kNoManual));
}

std::string CorvanetWindow::SourceName() const {
    return QFileInfo(path_).fileName().toStdString();
}

void CorvanetWindow::ExportPulses() {
    if (file_.pulses.empty()) {
        Warn(Text(messages::kNoPulses));
        return;
    }
    const QString target =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export Pulses"),
                                     QFileInfo(path_).completeBaseName() + QStringLiteral(".pulses.csv"),
                                     QStringLiteral("CSV Files (*.csv)"));
    if (target.isEmpty()) {
        return;
    }
    const ExportSource source{SourceName(), file_.header};
    const auto first = static_cast<std::size_t>(peakFirst_->value());
    const auto last = static_cast<std::size_t>(peakLast_->value());
    if (!corvanet::ExportPulsesCsv(target.toStdString(), source, file_.pulses, first, last,
                                   MetadataPlacement::Sidecar)) {
        Warn(Text(messages::kCannotWriteFile));
    }
}

// Asks where the chromatogram's export goes and writes it; says so when it cannot be written.
void CorvanetWindow::ExportChromatogram(const QString& suffix, const QString& filter,
                                        const std::function<bool(const std::string&, std::string&)>& write) {
    if (CurrentChromatogram().value.empty()) {
        Warn(Text(messages::kNoPulses));
        return;
    }
    const QString target = QFileDialog::getSaveFileName(this, QStringLiteral("Export Chromatogram"),
                                                        QFileInfo(path_).completeBaseName() + suffix, filter);
    if (target.isEmpty()) {
        return;
    }
    std::string error = messages::kCannotWriteFile;
    if (!write(target.toStdString(), error)) {
        Warn(Text(error));
    }
}

void CorvanetWindow::ExportChromatogramCsv() {
    ExportChromatogram(QStringLiteral(".chrom.csv"), QStringLiteral("CSV Files (*.csv)"),
                       [this](const std::string& target, std::string&) {
                           return corvanet::ExportChromatogramCsv(
                               target, {SourceName(), file_.header}, chromatogramPanel_->Settings(),
                               CurrentChromatogram(), MetadataPlacement::Sidecar);
                       });
}

void CorvanetWindow::ExportChromatogramCdf() {
    ExportChromatogram(QStringLiteral(".cdf"), QStringLiteral("ANDI/AIA Chromatography (*.cdf)"),
                       [this](const std::string& target, std::string& error) {
                           return WriteChromatogramCdf(target, {SourceName(), file_.header},
                                                       chromatogramPanel_->Settings(), CurrentChromatogram(),
                                                       chromatogramPanel_->Peaks(), error);
                       });
}

void CorvanetWindow::ExportPeaks() {
    ExportChromatogram(QStringLiteral(".peaks.csv"), QStringLiteral("CSV Files (*.csv)"),
                       [this](const std::string& target, std::string&) {
                           return WriteTextFile(target, [this](std::ostream& out) {
                               return WritePeaksCsv(out, chromatogramPanel_->Settings().gate,
                                                    chromatogramPanel_->Peaks());
                           });
                       });
}

} // namespace veltrane::corvanet
