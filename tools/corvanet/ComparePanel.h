#pragma once

#include "Compare.h"
#include "datafile/DataFileReader.h"
#include "datafile/Regating.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QSpinBox;

namespace veltrane {

class OPlot;

namespace corvanet {

// The compare page: several recordings (or the runs of a folder series, or both channels of one run)
// re-gated and overlaid on one run time axis, each in its own colour, normalised or stacked on demand.
class ComparePanel : public QWidget {
    Q_OBJECT
public:
    explicit ComparePanel(QWidget* parent = nullptr);

    // The recording open in the window, for "both channels of this run"; the file must outlive its use
    // here (null when none is open).
    void SetCurrentFile(const QString& path, const DataFileContents* file);
    // The Chromatogram tab's gate settings, for the choice of using them for every recording.
    void SetTabSettings(std::function<RegateSettings()> settings) { tabSettings_ = std::move(settings); }
    // What the add buttons ask for; file dialogs unless replaced.
    void SetFileChooser(std::function<QStringList()> chooser) { chooseFiles_ = std::move(chooser); }

    // Each adds recordings with the channel chosen for new ones, skipping those already in the list;
    // false when nothing was added.
    bool AddRecordings(const QStringList& paths);
    // Asks for recordings and adds them.
    bool AddChosenRecordings() { return AddRecordings(chooseFiles_()); }
    bool AddSeries(const QString& folder);
    bool AddThisRun();
    void RemoveSelected();
    void Clear();

    int EntryCount() const { return static_cast<int>(entries_.size()); }
    // The re-gated recordings in the order of the list, and how they are drawn now.
    const std::vector<CompareTrace>& Traces() const { return traces_; }
    const Comparison& Shown() const { return shown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Where a trace comes from; traces_ holds the trace of each, in the same order.
    struct Entry {
        QString path;
        int channel = 0;
        bool loaded = false;
    };

    bool Add(const QStringList& paths, const std::vector<int>& channels);
    // Reads and re-gates every entry not yet loaded, a file at a time, with a progress dialog for more
    // than a few files. Entries whose file cannot be read are dropped (after one message); those left
    // when the dialog is cancelled stay in the list, not loaded.
    void LoadMissing();
    RegateSettings SettingsFor(const DataFileContents& file, int channel) const;
    QString LabelFor(const QString& path, const DataFileContents& file, int channel) const;
    bool UsingTabSettings() const;
    void GateSourceChanged();
    // Rows in any order.
    void RemoveRows(std::vector<int> rows);
    void Redraw();
    void FillList();
    void Warn(const QString& text);

    std::vector<Entry> entries_;
    std::vector<CompareTrace> traces_;
    Comparison shown_;
    QString currentPath_;
    const DataFileContents* currentFile_ = nullptr;
    std::optional<RegateSettings> tabSettingsUsed_;
    std::function<RegateSettings()> tabSettings_;
    std::function<QStringList()> chooseFiles_;
    std::function<QString()> chooseFolder_;

    QListWidget* list_ = nullptr;
    QComboBox* channelBox_ = nullptr;
    QComboBox* gateSourceBox_ = nullptr;
    QComboBox* normaliseBox_ = nullptr;
    QSpinBox* offsetBox_ = nullptr;
    QLabel* info_ = nullptr;
    QHBoxLayout* plotHolder_ = nullptr;
    OPlot* plot_ = nullptr;
};

} // namespace corvanet
} // namespace veltrane
