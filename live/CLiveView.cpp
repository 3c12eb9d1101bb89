#include "live/CLiveView.h"

#include "live/DataFilePanel.h"
#include "live/FormControls.h"
#include "live/LiveMessages.h"
#include "live/PmtWarningDialog.h"
#include "live/RecordingSession.h"
#include "platform/Prompts.h"
#include "plot/OPfpdPlot.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>

namespace veltrane {

namespace {

// The form is designed for a 640 x 400 view; every control keeps its offset from the
// Record button's bottom-right corner, which sits 18 and 10 pixels inside the view.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 400;
const QPoint kDesignAnchor(kDesignWidth - 18, kDesignHeight - 10);
const QColor kFormGrey(192, 192, 192);
const QColor kKeyGreen(0, 160, 0);
const QColor kKeyBlue(0, 0, 255);

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CLiveView::CLiveView(LiveState& state, Prompts& prompts, QWidget* parent)
    : QWidget(parent), state_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("liveView"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFormGrey);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    BuildForm();
    plot_ = new OPfpdPlot(this, &prompts_);
    plot_->setObjectName(QStringLiteral("pulsePlot"));
    // The live plot reads values off dotted lines at its labelled ticks.
    plot_->SetGridLines(true);
    plot_->SetMarkerPairA(settings_.markerAStart, settings_.markerAStop);
    plot_->SetMarkerPairB(settings_.markerBStart, settings_.markerBStop);
    plot_->SetAttenuationFactor(settings_.attenuationFactor);
    SetHooks({});
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (cycle_) {
            cycle_->Tick();
        }
    });
    WriteFields();
    setUpDone_ = true;
    resize(kDesignWidth, kDesignHeight);
    ApplyLayout();
}

CLiveView::~CLiveView() {
    timer_.stop();
    delete plot_; // its hooks reach into this view
}

void CLiveView::SetHooks(Hooks hooks) {
    hooks_ = std::move(hooks);
    plot_->SetStatusTextHandler(hooks_.plotStatusText);
    OPfpdPlot::Hooks plotHooks;
    plotHooks.markersChanged = [this](const MarkerValues& values) { TakeDraggedMarkers(values); };
    plotHooks.painted = hooks_.plotPainted;
    plot_->SetHooks(std::move(plotHooks));
}

void CLiveView::SetRecorder(PulseRecorderPort* recorder) {
    recorder_ = recorder;
    if (cycle_) {
        cycle_->SetRecorder(recorder);
    }
}

// --- building the form ----------------------------------------------------------------

QLineEdit* CLiveView::Field(const QRect& geometry, bool readOnly) {
    QLineEdit* field = MakeFormField(this, geometry, readOnly);
    controls_.push_back(field);
    return field;
}

QPushButton* CLiveView::Button(const QString& text, const QRect& geometry) {
    QPushButton* button = MakeFormButton(this, text, geometry);
    controls_.push_back(button);
    return button;
}

QLabel* CLiveView::Label(const QString& text, const QRect& geometry) {
    return MakeFormLabel(this, text, geometry);
}

QGroupBox* CLiveView::Group(const QString& title, const QRect& geometry) {
    auto* group = new QGroupBox(title, this);
    group->setGeometry(geometry);
    group->lower();
    return group;
}

void CLiveView::BuildForm() {
    const QString frequency = QStringLiteral("Frequency:");
    // Right column.
    Group(QStringLiteral("Current Data"), {458, 4, 176, 50});
    Label(frequency, {468, 24, 64, 20});
    currentFrequencyField_ = Field({536, 24, 64, 20}, true);
    const char* referenceTitles[2] = {"Reference 1", "Reference 2"};
    for (int i = 0; i < 2; ++i) {
        const int top = 60 + i * 80;
        Group(QString::fromUtf8(referenceTitles[i]), {458, top, 176, 74});
        Label(frequency, {468, top + 20, 64, 20});
        referenceFields_[static_cast<std::size_t>(i)] = Field({536, top + 20, 64, 20}, true);
        holdButtons_[static_cast<std::size_t>(i)] = Button(QStringLiteral("Hold"), {468, top + 46, 60, 22});
        clearButtons_[static_cast<std::size_t>(i)] = Button(QStringLiteral("Clear"), {540, top + 46, 60, 22});
        holdButtons_[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("hold%1").arg(i));
        clearButtons_[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("clear%1").arg(i));
        keyRef_[i] = QRect(462, top + 20, 1, 48);
        connect(holdButtons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { OnHold(i); });
        connect(clearButtons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { OnClear(i); });
    }
    Group(QStringLiteral("Attenuation Adjust"), {458, 220, 176, 52});
    attenuationDown_ = Button(QStringLiteral("<"), {480, 242, 22, 22});
    attenuationField_ = Field({506, 242, 70, 22}, true);
    attenuationUp_ = Button(QStringLiteral(">"), {580, 242, 22, 22});
    attenuationDown_->setObjectName(QStringLiteral("attenuationDown"));
    connect(attenuationDown_, &QPushButton::clicked, this, &CLiveView::OnAttenuationDown);
    connect(attenuationUp_, &QPushButton::clicked, this, &CLiveView::OnAttenuationUp);

    // Bottom band: data file, with the Record button in the corner.
    dataFiles_ = new DataFilePanel(settings_, state_, prompts_, this);
    recordButton_ = dataFiles_->RecordButton();
    for (QWidget* control : dataFiles_->Controls()) {
        controls_.push_back(control);
    }

    // Bottom band: marker pairs A (left half) and B (right half).
    Group(QStringLiteral("Marker Adjust"), {244, 312, 206, 84});
    for (int pair = 0; pair < 2; ++pair) {
        const int left = 254 + pair * 100;
        (pair == 0 ? keyA_ : keyB_) = QRect(left - 6, 330, 3, 60);
        for (int end = 0; end < 2; ++end) {
            const int field = pair * 2 + end;
            const int top = 326 + end * 34;
            Label(end == 0 ? QStringLiteral("Start") : QStringLiteral("Stop"), {left + 18, top, 50, 14});
            markerDown_[static_cast<std::size_t>(field)] =
                Button(QStringLiteral("<"), {left, top + 14, 18, 18});
            markerFields_[static_cast<std::size_t>(field)] = Field({left + 20, top + 14, 46, 18}, false);
            markerUp_[static_cast<std::size_t>(field)] =
                Button(QStringLiteral(">"), {left + 68, top + 14, 18, 18});
            const QString index = QString::number(field);
            markerDown_[static_cast<std::size_t>(field)]->setObjectName(QStringLiteral("markerDown") + index);
            markerFields_[static_cast<std::size_t>(field)]->setObjectName(QStringLiteral("markerField") +
                                                                          index);
            markerUp_[static_cast<std::size_t>(field)]->setObjectName(QStringLiteral("markerUp") + index);
            connect(markerDown_[static_cast<std::size_t>(field)], &QPushButton::clicked, this,
                    [this, field] { OnMarkerAdjust(field, false); });
            connect(markerUp_[static_cast<std::size_t>(field)], &QPushButton::clicked, this,
                    [this, field] { OnMarkerAdjust(field, true); });
            connect(markerFields_[static_cast<std::size_t>(field)], &QLineEdit::editingFinished, this,
                    [this, field] { OnMarkerFieldLeft(field); });
        }
    }
    RecordLayout();
}

void CLiveView::RecordLayout() {
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget == recordButton_) {
            continue;
        }
        placed_.push_back({widget, widget->pos() - kDesignAnchor, widget->size()});
    }
    for (QRect* key : {&keyA_, &keyB_, &keyRef_[0], &keyRef_[1]}) {
        key->translate(-kDesignAnchor);
    }
}

void CLiveView::ApplyLayout() {
    if (!setUpDone_) {
        return;
    }
    const QPoint anchor(width() - 18, height() - 10);
    recordButton_->move(anchor - QPoint(recordButton_->width(), recordButton_->height()));
    for (const Placed& item : placed_) {
        item.widget->setGeometry(QRect(anchor + item.offset, item.size));
    }
    plot_->setGeometry(0, 0, std::max(1, width() - kRightColumn), std::max(1, height() - kBottomBand));
}

void CLiveView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplyLayout();
}

void CLiveView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    // Borders along the right column and the bottom band.
    const int plotRight = width() - kRightColumn;
    const int plotBottom = height() - kBottomBand;
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(plotRight, 0, plotRight, plotBottom);
    painter.drawLine(0, plotBottom, plotRight, plotBottom);
    painter.setPen(Qt::white);
    painter.drawLine(plotRight + 1, 0, plotRight + 1, plotBottom + 1);
    painter.drawLine(0, plotBottom + 1, plotRight + 1, plotBottom + 1);

    const QPoint anchor(width() - 18, height() - 10);
    painter.fillRect(keyA_.translated(anchor), kKeyGreen);
    painter.fillRect(keyB_.translated(anchor), kKeyBlue);
    if (referenceFrequency_[0] != 0.0f) {
        painter.fillRect(keyRef_[0].translated(anchor), kKeyBlue);
    }
    if (referenceFrequency_[1] != 0.0f) {
        painter.fillRect(keyRef_[1].translated(anchor), kKeyGreen);
    }
}

// --- session ----------------------------------------------------------------------------

void CLiveView::StartCycle(ControllerPort& port, const Clock& clock, Sleeper& sleeper) {
    cycle_ = std::make_unique<AcquisitionCycle>(state_, port, *this, clock, sleeper);
    cycle_->SetRecorder(recorder_);
    timer_.start();
}

void CLiveView::StopCycle() {
    timer_.stop();
}

void CLiveView::DisableControls() {
    for (QWidget* control : controls_) {
        control->setEnabled(false);
    }
    plot_->setEnabled(false);
}

// --- data exchange ----------------------------------------------------------------------

float& CLiveView::Marker(int field) {
    switch (field) {
    case 0:
        return settings_.markerAStart;
    case 1:
        return settings_.markerAStop;
    case 2:
        return settings_.markerBStart;
    default:
        return settings_.markerBStop;
    }
}

void CLiveView::ShowMarker(int field) {
    const auto at = static_cast<std::size_t>(field);
    markerWritten_[at] = Text(liverules::MarkerText(Marker(field)));
    markerFields_[at]->setText(markerWritten_[at]);
}

bool CLiveView::ReadFields() {
    float values[4];
    bool pairAsWritten[2];
    for (std::size_t pair = 0; pair < 2; ++pair) {
        pairAsWritten[pair] = markerFields_[pair * 2]->text() == markerWritten_[pair * 2] &&
                              markerFields_[pair * 2 + 1]->text() == markerWritten_[pair * 2 + 1];
    }
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = markerFields_[static_cast<std::size_t>(i)]->text().trimmed().toFloat(&ok);
        if (!ok) {
            values[i] = -1.0f; // not a number: refused like a value out of range
        }
    }
    const auto error = liverules::TakeMarkers(settings_, values, pairAsWritten);
    if (!error) {
        return true;
    }
    {
        ScopedPollingSuspend suspend(state_);
        prompts_.ShowMessage(liverules::RangeMessage(error->low, error->high), MessageIcon::Warning);
    }
    markerFields_[static_cast<std::size_t>(error->field)]->setFocus();
    return false;
}

void CLiveView::WriteFields() {
    currentFrequencyField_->setText(Text(liverules::FrequencyText(currentFrequency_)));
    ColourFrequency(currentFrequency_);
    for (std::size_t i = 0; i < 2; ++i) {
        referenceFields_[i]->setText(Text(liverules::FrequencyText(referenceFrequency_[i])));
    }
    attenuationField_->setText(QString::number(settings_.attenuationFactor));
    for (int i = 0; i < 4; ++i) {
        ShowMarker(i);
    }
    dataFiles_->ShowFields();
}

void CLiveView::ColourFrequency(float hz) {
    QPalette palette = currentFrequencyField_->palette();
    const QColor colour = liverules::FrequencyIsHigh(hz) ? QColor(Qt::red) : QColor(Qt::black);
    palette.setColor(QPalette::Active, QPalette::Text, colour);
    palette.setColor(QPalette::Inactive, QPalette::Text, colour);
    currentFrequencyField_->setPalette(palette);
}

// --- form buttons -----------------------------------------------------------------------

void CLiveView::OnAttenuationDown() {
    ReadFields();
    if (settings_.attenuationFactor >= 2) {
        settings_.attenuationFactor = liverules::HalveAttenuation(settings_.attenuationFactor);
        WriteFields();
        plot_->SetAttenuationFactor(settings_.attenuationFactor);
    }
}

void CLiveView::OnAttenuationUp() {
    ReadFields();
    if (settings_.attenuationFactor < kMaxAttenuationFactor) {
        settings_.attenuationFactor = liverules::DoubleAttenuation(settings_.attenuationFactor);
        WriteFields();
        plot_->SetAttenuationFactor(settings_.attenuationFactor);
    }
}

void CLiveView::OnMarkerAdjust(int field, bool up) {
    ReadFields(); // a refused value is not taken; the rule applies to the values held
    const bool isStart = field % 2 == 0;
    float& start = Marker(field - field % 2);
    float& stop = Marker(field - field % 2 + 1);
    const float before = isStart ? start : stop;
    if (isStart) {
        start = up ? liverules::StartUp(start, stop) : liverules::StartDown(start);
    } else {
        stop = up ? liverules::StopUp(stop) : liverules::StopDown(start, stop);
    }
    if ((isStart ? start : stop) != before) {
        WriteFields();
        PassPair(field);
    }
}

void CLiveView::OnMarkerFieldLeft(int field) {
    if (!markerFields_[static_cast<std::size_t>(field)]->isModified()) {
        return;
    }
    markerFields_[static_cast<std::size_t>(field)]->setModified(false);
    if (ReadFields()) {
        WriteFields();
        PassPair(field);
    }
}

void CLiveView::PassPair(int field) {
    if (field < 2) {
        plot_->SetMarkerPairA(settings_.markerAStart, settings_.markerAStop);
    } else {
        plot_->SetMarkerPairB(settings_.markerBStart, settings_.markerBStop);
    }
}

void CLiveView::OnHold(int index) {
    plot_->HoldReference(index);
    referenceFrequency_[static_cast<std::size_t>(index)] = currentFrequency_;
    WriteFields();
    update();
}

void CLiveView::RestartRecording() {
    if (recorder_ != nullptr && recorder_->IsRecording()) {
        recorder_->StopRecording();
        recorder_->StartRecording();
    }
}

void CLiveView::OnClear(int index) {
    plot_->ClearReference(index);
    referenceFrequency_[static_cast<std::size_t>(index)] = 0.0f;
    WriteFields();
    update();
}

void CLiveView::Zoom100() {
    plot_->SetZoom(1.0);
}

void CLiveView::Zoom200() {
    plot_->SetZoom(2.0);
}

void CLiveView::ZoomPrevious() {
    plot_->PreviousZoom();
}

// --- plot and pulse ---------------------------------------------------------------------

void CLiveView::SetCurrentFrequency(float hz) {
    currentFrequency_ = hz;
    currentFrequencyField_->setText(Text(liverules::FrequencyText(hz)));
    ColourFrequency(hz);
}

void CLiveView::TakeDraggedMarkers(const MarkerValues& values) {
    settings_.markerAStart = values.aStart;
    settings_.markerAStop = values.aStop;
    settings_.markerBStart = values.bStart;
    settings_.markerBStop = values.bStop;
    for (int i = 0; i < 4; ++i) {
        ShowMarker(i);
    }
}

// --- cycle callbacks --------------------------------------------------------------------

void CLiveView::ShowPulse(const PulseRecord& record) {
    // A marker drag holds the picture, the frequency and the run time where they are.
    if (!plot_->IsDragging()) {
        plot_->AddPulse(record, hooks_.triggerLevel ? hooks_.triggerLevel() : 0);
        state_.runTime = RunTimeMinutes(record.timeCounter);
        SetCurrentFrequency(PulseFrequency(record.periodCopy));
        if (hooks_.pulseShown) {
            hooks_.pulseShown(record);
        }
    }
    if (hooks_.pulseReceived) {
        hooks_.pulseReceived(record);
    }
    if (hooks_.refreshStatusPanes) {
        hooks_.refreshStatusPanes();
    }
}

void CLiveView::ShowPmtWarning() {
    if (hooks_.pmtWarning) {
        hooks_.pmtWarning();
        return;
    }
    ScopedPollingSuspend suspend(state_);
    PmtWarningDialog dialog(this, [this] {
        if (hooks_.openHelp) {
            hooks_.openHelp("pmt-warning");
        }
    });
    dialog.exec();
}

void CLiveView::RefreshBoardDialog() {
    if (hooks_.refreshBoardDialog) {
        hooks_.refreshBoardDialog();
    }
}

void CLiveView::WriteRunLog(const std::string& text) {
    if (hooks_.writeRunLog) {
        hooks_.writeRunLog(text);
    }
}

void CLiveView::BeginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CLiveView::EndBusy() {
    QApplication::restoreOverrideCursor();
}

void CLiveView::ReportLinkLost() {
    // Said once per session; a modal box would hold the reconnection attempts back.
    if (!linkNoticeShown_ && hooks_.linkMessage) {
        linkNoticeShown_ = true;
        hooks_.linkMessage(messages::kLinkLost);
    }
}

void CLiveView::ReportLinkRestored() {
    linkNoticeShown_ = false;
    if (hooks_.linkMessage) {
        hooks_.linkMessage(messages::kLinkRestored);
    }
}

// --- data file and recording ----------------------------------------------------------

void CLiveView::AttachRecorder(PulseRecorder& recorder) {
    dataFiles_->AttachRecorder(recorder, [this] { WriteFields(); });
    SetRecorder(dataFiles_->Recording());
}

RecordingSession* CLiveView::Recording() {
    return dataFiles_->Recording();
}

} // namespace veltrane
