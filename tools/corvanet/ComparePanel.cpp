#include "ComparePanel.h"

#include "CorvanetMessages.h"
#include "DataSeries.h"
#include "config/Vocabulary.h"
#include "plot/OFloatArray.h"
#include "plot/OPlot.h"
#include "plot/PlotPainter.h"
#include "plot/PlotTrace.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace veltrane::corvanet {

namespace {

// Each trace gets at most this many buckets, each its lowest and highest point.
constexpr std::size_t kTraceBuckets = 4000;
// More files than this are read under a progress dialog.
constexpr std::size_t kQuietLoads = 3;

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Identity(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

bool SameSettings(const RegateSettings& a, const RegateSettings& b) {
    return a.gate == b.gate && a.fromPulseStart == b.fromPulseStart && a.triggerLevel == b.triggerLevel &&
           a.baseline.kind == b.baseline.kind && a.baseline.count == b.baseline.count &&
           a.baseline.first == b.baseline.first && a.baseline.last == b.baseline.last &&
           a.baseline.value == b.baseline.value;
}

} // namespace

ComparePanel::ComparePanel(QWidget* parent) : QWidget(parent) {
    chooseFiles_ = [this] {
        return QFileDialog::getOpenFileNames(this, QStringLiteral("Add Recordings to Compare"), QString(),
                                             QStringLiteral("PFPD Files (*.dat);;All Files (*)"));
    };
    chooseFolder_ = [this] {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Add the Runs of a Folder"));
    };

    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->installEventFilter(this);
    auto* addFiles = new QPushButton(QStringLiteral("Add Recordings..."));
    auto* addSeries = new QPushButton(QStringLiteral("Add Folder Series..."));
    auto* addRun = new QPushButton(QStringLiteral("Both Channels of This Run"));
    addRun->setToolTip(QStringLiteral("The open run twice: with channel 1's and with channel 2's gate mode"));
    auto* remove = new QPushButton(QStringLiteral("Remove"));
    auto* clear = new QPushButton(QStringLiteral("Clear"));
    connect(addFiles, &QPushButton::clicked, this, &ComparePanel::AddChosenRecordings);
    connect(addSeries, &QPushButton::clicked, this, [this] {
        const QString folder = chooseFolder_();
        if (!folder.isEmpty()) {
            AddSeries(folder);
        }
    });
    connect(addRun, &QPushButton::clicked, this, &ComparePanel::AddThisRun);
    connect(remove, &QPushButton::clicked, this, &ComparePanel::RemoveSelected);
    connect(clear, &QPushButton::clicked, this, &ComparePanel::Clear);

    channelBox_ = new QComboBox;
    channelBox_->addItems({QStringLiteral("Channel 1"), QStringLiteral("Channel 2")});
    gateSourceBox_ = new QComboBox;
    gateSourceBox_->addItems({QStringLiteral("Each file's own channel gate mode"),
                              QStringLiteral("The Chromatogram tab's settings")});
    connect(gateSourceBox_, &QComboBox::currentIndexChanged, this, &ComparePanel::GateSourceChanged);
    normaliseBox_ = new QComboBox; // in the order of Normalisation
    normaliseBox_->addItems(
        {QStringLiteral("None"), QStringLiteral("Highest point = 1"), QStringLiteral("Total area = 1")});
    connect(normaliseBox_, &QComboBox::currentIndexChanged, this, &ComparePanel::Redraw);
    offsetBox_ = new QSpinBox;
    offsetBox_->setRange(0, 200);
    offsetBox_->setSingleStep(10);
    offsetBox_->setSuffix(QStringLiteral(" % of the height"));
    connect(offsetBox_, &QSpinBox::valueChanged, this, &ComparePanel::Redraw);
    info_ = new QLabel;
    info_->setWordWrap(true);

    auto* buttons = new QGridLayout;
    buttons->addWidget(addFiles, 0, 0);
    buttons->addWidget(addSeries, 0, 1);
    buttons->addWidget(addRun, 1, 0, 1, 2);
    buttons->addWidget(remove, 2, 0);
    buttons->addWidget(clear, 2, 1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Add as"), channelBox_);
    form->addRow(QStringLiteral("Gates"), gateSourceBox_);
    form->addRow(QStringLiteral("Normalise"), normaliseBox_);
    form->addRow(QStringLiteral("Offset"), offsetBox_);

    auto* side = new QWidget;
    side->setMaximumWidth(340);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(list_, 1);
    sideLayout->addLayout(buttons);
    sideLayout->addLayout(form);
    sideLayout->addWidget(info_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(side);
    plotHolder_ = new QHBoxLayout;
    layout->addLayout(plotHolder_, 1);
    Redraw();
}

void ComparePanel::SetCurrentFile(const QString& path, const DataFileContents* file) {
    currentPath_ = path;
    currentFile_ = file;
}

bool ComparePanel::AddRecordings(const QStringList& paths) {
    return Add(paths, std::vector<int>(static_cast<std::size_t>(paths.size()), channelBox_->currentIndex()));
}

bool ComparePanel::AddSeries(const QString& folder) {
    const std::vector<std::string> series = ListSeries(folder.toStdString());
    if (series.empty()) {
        Warn(folder + QStringLiteral("\n") + Text(messages::kNoDataFilesInFolder));
        return false;
    }
    QStringList paths;
    for (const std::string& path : series) {
        paths << Text(path);
    }
    return AddRecordings(paths);
}

bool ComparePanel::AddThisRun() {
    if (currentFile_ == nullptr || currentPath_.isEmpty()) {
        Warn(Text(messages::kCompareNoCurrentFile));
        return false;
    }
    return Add({currentPath_, currentPath_}, {0, 1});
}

bool ComparePanel::Add(const QStringList& paths, const std::vector<int>& channels) {
    bool tooMany = false;
    const std::size_t before = entries_.size();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString path = Identity(paths[i]);
        const int channel = channels[static_cast<std::size_t>(i)];
        const bool known = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
            return entry.path == path && entry.channel == channel;
        });
        if (known) {
            continue;
        }
        if (entries_.size() >= static_cast<std::size_t>(kMaxTraces)) {
            tooMany = true;
            break;
        }
        entries_.push_back({path, channel, false});
        traces_.push_back({QFileInfo(path).completeBaseName().toStdString(), {}, {}});
    }
    if (tooMany) {
        Warn(Text(messages::kCompareTooMany));
    }
    const bool added = entries_.size() != before;
    if (added) {
        LoadMissing();
        Redraw();
    }
    return added;
}

void ComparePanel::LoadMissing() {
    QStringList paths;
    for (const Entry& entry : entries_) {
        if (!entry.loaded && !paths.contains(entry.path)) {
            paths << entry.path;
        }
    }
    if (paths.isEmpty()) {
        return;
    }
    if (UsingTabSettings() && tabSettings_) {
        tabSettingsUsed_ = tabSettings_();
    }
    std::optional<QProgressDialog> progress;
    if (static_cast<std::size_t>(paths.size()) > kQuietLoads) {
        progress.emplace(Text(messages::kCompareLoading), QStringLiteral("Cancel"), 0,
                         static_cast<int>(paths.size()), this);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
    }
    QStringList failures, failed;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (progress) {
            progress->setValue(static_cast<int>(i));
            if (progress->wasCanceled()) {
                break;
            }
        }
        const QString& path = paths[i];
        // The open run is already in memory; any other file is read for as long as it is re-gated.
        DataFileContents read;
        const DataFileContents* file = &read;
        std::string error;
        if (currentFile_ != nullptr && Identity(currentPath_) == path) {
            file = currentFile_;
        } else if (!LoadDataFile(path.toStdString(), read, error)) {
            failures << path + QStringLiteral("\n") + Text(error);
            failed << path;
            continue;
        }
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            Entry& entry = entries_[e];
            if (entry.path != path || entry.loaded) {
                continue;
            }
            Chromatogram chromatogram;
            if (!Regate(file->pulses, SettingsFor(*file, entry.channel), chromatogram, error)) {
                failures << path + QStringLiteral("\n") + Text(error);
                failed << path;
                continue;
            }
            traces_[e] = {LabelFor(path, *file, entry.channel).toStdString(),
                          std::move(chromatogram.runTimeMinutes), std::move(chromatogram.value)};
            entry.loaded = true;
        }
    }
    if (!failures.isEmpty()) {
        // Entries of a file that cannot be read or re-gated are dropped, so they are not tried again.
        std::vector<int> rows;
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            if (!entries_[e].loaded && failed.contains(entries_[e].path)) {
                rows.push_back(static_cast<int>(e));
            }
        }
        RemoveRows(rows);
        Warn(failures.join(QStringLiteral("\n\n")));
    }
}

RegateSettings ComparePanel::SettingsFor(const DataFileContents& file, int channel) const {
    if (UsingTabSettings() && tabSettingsUsed_) {
        return *tabSettingsUsed_;
    }
    return SettingsForChannel(file.configuration, channel);
}

QString ComparePanel::LabelFor(const QString& path, const DataFileContents& file, int channel) const {
    std::string gates = "tab gates";
    if (!UsingTabSettings()) {
        const GateMode mode = ChannelGateMode(file.configuration, channel);
        gates = GateModeDisplayName(mode.name, mode.suffix);
    }
    return QFileInfo(path).completeBaseName() + QStringLiteral(" ") + Text(gates);
}

bool ComparePanel::UsingTabSettings() const {
    return gateSourceBox_->currentIndex() == 1;
}

void ComparePanel::GateSourceChanged() {
    for (Entry& entry : entries_) {
        entry.loaded = false;
    }
    LoadMissing();
    Redraw();
}

void ComparePanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The Chromatogram tab's gates may have changed since they were used here.
    if (UsingTabSettings() && tabSettings_ && tabSettingsUsed_ &&
        !SameSettings(*tabSettingsUsed_, tabSettings_())) {
        GateSourceChanged();
    }
}

void ComparePanel::RemoveSelected() {
    std::vector<int> rows;
    for (const QListWidgetItem* item : list_->selectedItems()) {
        rows.push_back(list_->row(item));
    }
    if (rows.empty()) {
        return;
    }
    const int next = *std::min_element(rows.begin(), rows.end());
    RemoveRows(rows);
    Redraw();
    list_->setCurrentRow(std::min(next, EntryCount() - 1));
}

void ComparePanel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.rbegin(), rows.rend());
    for (const int row : rows) {
        entries_.erase(entries_.begin() + row);
        traces_.erase(traces_.begin() + row);
    }
}

void ComparePanel::Clear() {
    entries_.clear();
    traces_.clear();
    Redraw();
}

bool ComparePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            RemoveSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ComparePanel::Redraw() {
    const auto normalise = static_cast<Normalisation>(normaliseBox_->currentIndex());
    shown_ = Compare(traces_, {normalise, offsetBox_->value() / 100.0});

    // The plot is built afresh for each set, so its legend names and colours follow the list.
    delete plot_;
    plot_ = new OPlot;
    plot_->Model().legendShown = !traces_.empty();
    // A little room above the highest point and below the lowest, so a flat baseline clears the axis.
    const double span = shown_.high - shown_.low;
    const auto bottom = static_cast<float>(shown_.low - span * 0.03);
    const auto top = static_cast<float>(shown_.high + span * 0.05);
    std::vector<double> x, y;
    for (std::size_t t = 0; t < traces_.size(); ++t) {
        const CompareTrace& shown = traces_[t];
        auto trace = std::make_unique<PlotTrace>(2, normalise == Normalisation::None ? 1 : 3);
        trace->name = shown.label;
        trace->xTitle = "min";
        trace->yTitle = normalise == Normalisation::Height ? "value / highest point"
                        : normalise == Normalisation::Area ? "value / area (1/min)"
                                                           : "value";
        trace->hasX = true;
        trace->ownsArrays = true;
        trace->xValues = new OFloatArray;
        trace->yValues = new OFloatArray;
        DecimateMinMax(shown.runTimeMinutes, shown.value, kTraceBuckets, x, y);
        trace->xValues->SetSize(0, static_cast<int>(x.size()) + 1);
        trace->yValues->SetSize(0, static_cast<int>(y.size()) + 1);
        for (std::size_t i = 0; i < x.size(); ++i) {
            trace->xValues->Add(static_cast<float>(x[i]));
            trace->yValues->Add(static_cast<float>(shown_.Shown(t, y[i])));
        }
        trace->count = static_cast<int>(x.size());
        trace->SetRange(static_cast<float>(shown_.firstMinutes), bottom,
                        static_cast<float>(shown_.lastMinutes), top);
        plot_->AddTrace(std::move(trace));
    }
    plotHolder_->addWidget(plot_, 1);
    FillList();

    if (entries_.empty()) {
        info_->setText(Text(messages::kCompareEmpty));
        return;
    }
    std::string info = Format("%zu traces, run time %.3f to %.3f min", entries_.size(), shown_.firstMinutes,
                              shown_.lastMinutes);
    if (shown_.offsetStep > 0.0) {
        info += Format(", each raised %.4g above the one before", shown_.offsetStep);
    }
    info += ".";
    for (std::size_t i = 0; i < traces_.size(); ++i) {
        if (shown_.unscaled[i]) {
            info += "\n" + traces_[i].label + messages::kCompareUnscaled;
        }
    }
    info_->setText(Text(info));
}

void ComparePanel::FillList() {
    const int row = list_->currentRow();
    list_->clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        QPixmap swatch(14, 14);
        swatch.fill(ToQColor(kColourTable[i % kColourTable.size()].colour));
        QString text = Text(traces_[i].label) + QStringLiteral(" (channel %1)").arg(entry.channel + 1);
        if (!entry.loaded) {
            text += Text(messages::kCompareNotLoaded);
        }
        auto* item = new QListWidgetItem(QIcon(swatch), text);
        item->setToolTip(QDir::toNativeSeparators(entry.path));
        list_->addItem(item);
    }
    list_->setCurrentRow(std::min(row, list_->count() - 1));
}

void ComparePanel::Warn(const QString& text) {
    QMessageBox::warning(this, Text(messages::kProgramName), text);
}

} // namespace veltrane::corvanet
