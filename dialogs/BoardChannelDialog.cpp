#include "dialogs/BoardChannelDialog.h"

#include "config/Vocabulary.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/DialogWidgets.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace veltrane {

namespace {

constexpr int kProtectionCheckMs = 100;

QLineEdit* AddEdit(QGridLayout* grid, int row, const char* label, const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(90);
    grid->addWidget(new QLabel(QLatin1String(label), parent), row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QComboBox* AddList(QGridLayout* grid, int row, const char* label, const char* name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    grid->addWidget(new QLabel(QLatin1String(label), parent), row, 0);
    grid->addWidget(list, row, 1);
    return list;
}

} // namespace

BoardChannelDialog::BoardChannelDialog(std::unique_ptr<DialogHost> host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)), editor_(*host_) {
    setObjectName(QStringLiteral("boardDialog"));
    setWindowTitle(QLatin1String(messages::kBoardDialogTitle));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    InstallWaitCursor(*host_);
    BuildControls();

    editor_.Open();
    const bool flowEnabled = !editor_.FlowFieldsDisabled();
    for (QLineEdit* edit : {h2_, air1_, air2_, split_}) {
        edit->setEnabled(flowEnabled);
    }
    FillList(range_, kRangeNames);
    for (ChannelWidgets& channel : channels_) {
        FillList(channel.interpolation, kInterpolationNames);
        FillList(channel.attenuation, kAttenuationFactors);
        for (const std::string& text : editor_.ModeTexts()) {
            channel.mode->addItem(QString::fromStdString(text));
        }
        channel.mode->setEnabled(!editor_.NoModes());
    }
    adjustSize();
    PlaceAtTopRight();
    Refresh();

    // The live cycle rewrites the fields only while protection lasts, so the colour follows the
    // protection bit on its own and turns back to black when protection ends.
    auto* protection = new QTimer(this);
    connect(protection, &QTimer::timeout, this, &BoardChannelDialog::ShowProtection);
    protection->start(kProtectionCheckMs);
}

void BoardChannelDialog::BuildControls() {
    auto* board = new QGroupBox(QStringLiteral("PFPID Board"), this);
    auto* boardGrid = new QGridLayout(board);
    air1_ = AddEdit(boardGrid, 0, "Air 1 Flow Rate:", "air1Edit", board);
    air2_ = AddEdit(boardGrid, 1, "Air 2 Flow Rate:", "air2Edit", board);
    split_ = AddEdit(boardGrid, 2, "Split Set Control:", "splitEdit", board);
    h2_ = AddEdit(boardGrid, 3, "H2 Flow Rate:", "h2Edit", board);
    ignitor_ = AddEdit(boardGrid, 4, "Ignitor Current:", "ignitorEdit", board);
    pmt_ = AddEdit(boardGrid, 5, "PMT Voltage:", "pmtEdit", board);
    trigger_ = AddEdit(boardGrid, 6, "Trigger Level:", "triggerEdit", board);
    range_ = AddList(boardGrid, 7, "Range:", "rangeList", board);

    auto* channelsColumn = new QVBoxLayout;
    for (int i = 0; i < kChannelCount; ++i) {
        const std::string suffix = std::to_string(i + 1);
        auto* group = new QGroupBox(QString::fromStdString("Channel " + suffix), this);
        auto* grid = new QGridLayout(group);
        ChannelWidgets& widgets = channels_[static_cast<std::size_t>(i)];
        widgets.mode = AddList(grid, 0, "Mode:", ("modeList" + suffix).c_str(), group);
        widgets.interpolation =
            AddList(grid, 1, "Interpolation:", ("interpolationList" + suffix).c_str(), group);
        widgets.attenuation = AddList(grid, 2, "Attenuation:", ("attenuationList" + suffix).c_str(), group);
        widgets.output = AddEdit(grid, 3, "Output:", ("outputEdit" + suffix).c_str(), group);
        auto* zero = MakeButton(QStringLiteral("Zero"), ("zeroButton" + suffix).c_str(), group);
        auto* set = MakeButton(QStringLiteral("Set"), ("setButton" + suffix).c_str(), group);
        grid->addWidget(zero, 3, 2);
        grid->addWidget(set, 3, 3);
        connect(zero, &QPushButton::clicked, this, [this, i] { OnZero(i); });
        connect(set, &QPushButton::clicked, this, [this, i] { OnSet(i); });
        channelsColumn->addWidget(group);
    }

    auto* buttons = new QVBoxLayout;
    auto* ok = MakeButton(QStringLiteral("&Ok"), "okButton", this);
    auto* cancel = MakeButton(QStringLiteral("&Cancel"), "cancelButton", this);
    auto* apply = MakeButton(QStringLiteral("A&pply"), "applyButton", this);
    auto* help = MakeButton(QStringLiteral("&Help"), "helpButton", this);
    for (QPushButton* button : {ok, cancel, apply, help}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    connect(ok, &QPushButton::clicked, this, &BoardChannelDialog::OnOk);
    connect(cancel, &QPushButton::clicked, this, &BoardChannelDialog::OnCancel);
    connect(apply, &QPushButton::clicked, this, &BoardChannelDialog::OnApply);
    connect(help, &QPushButton::clicked, this, [this] { host_->OpenHelp("board-channel"); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(board);
    layout->addLayout(channelsColumn);
    layout->addLayout(buttons);
}

void BoardChannelDialog::PlaceAtTopRight() {
    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : this;
    QScreen* where = owner->screen();
    if (where == nullptr) {
        return;
    }
    // Right-aligned, but a dialog wider than the area keeps its left edge (and its title bar) on it.
    const QRect area = where->availableGeometry();
    const QSize size = frameGeometry().size();
    move(std::max(area.left(), area.right() + 1 - size.width()), area.top());
}

void BoardChannelDialog::Refresh() {
    Show(editor_.Controls());
}

void BoardChannelDialog::Show(const BoardControls& controls) {
    air1_->setText(QString::fromStdString(controls.air1));
    air2_->setText(QString::fromStdString(controls.air2));
    split_->setText(QString::fromStdString(controls.split));
    h2_->setText(QString::fromStdString(controls.h2));
    ignitor_->setText(QString::fromStdString(controls.ignitor));
    pmt_->setText(QString::fromStdString(controls.pmt));
    trigger_->setText(QString::fromStdString(controls.trigger));
    range_->setCurrentIndex(controls.range);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i].mode->setCurrentIndex(controls.mode[i]);
        channels_[i].interpolation->setCurrentIndex(controls.interpolation[i]);
        channels_[i].attenuation->setCurrentIndex(controls.attenuationIndex[i]);
        channels_[i].output->setText(QString::fromStdString(controls.output[i]));
    }
    ShowProtection();
}

void BoardChannelDialog::ShowProtection() {
    // Red while the controller holds the PMT voltage off.
    const QColor colour = editor_.PmtProtected() ? Qt::red : Qt::black;
    if (pmt_->palette().color(QPalette::Text) != colour) {
        QPalette palette = pmt_->palette();
        palette.setColor(QPalette::Text, colour);
        pmt_->setPalette(palette);
    }
}

BoardControls BoardChannelDialog::Gather() const {
    BoardControls controls;
    controls.air1 = air1_->text().toStdString();
    controls.air2 = air2_->text().toStdString();
    controls.split = split_->text().toStdString();
    controls.h2 = h2_->text().toStdString();
    controls.ignitor = ignitor_->text().toStdString();
    controls.pmt = pmt_->text().toStdString();
    controls.trigger = trigger_->text().toStdString();
    controls.range = range_->currentIndex();
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        controls.mode[i] = channels_[i].mode->currentIndex();
        controls.interpolation[i] = channels_[i].interpolation->currentIndex();
        controls.attenuationIndex[i] = channels_[i].attenuation->currentIndex();
        controls.output[i] = channels_[i].output->text().toStdString();
    }
    return controls;
}

void BoardChannelDialog::FocusFailedField() {
    const auto failed = editor_.FailedField();
    if (!failed) {
        return;
    }
    QWidget* field = nullptr;
    switch (*failed) {
    case BoardField::Air1:
        field = air1_;
        break;
    case BoardField::Air2:
        field = air2_;
        break;
    case BoardField::Split:
        field = split_;
        break;
    case BoardField::Output1:
        field = channels_[0].output;
        break;
    case BoardField::Output2:
        field = channels_[1].output;
        break;
    case BoardField::H2:
        field = h2_;
        break;
    case BoardField::Ignitor:
        field = ignitor_;
        break;
    case BoardField::Pmt:
        field = pmt_;
        break;
    case BoardField::Trigger:
        field = trigger_;
        break;
    default:
        break;
    }
    if (field != nullptr) {
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            edit->selectAll();
        }
    }
}

void BoardChannelDialog::OnApply() {
    BoardControls controls = Gather();
    const bool ok = editor_.Apply(controls);
    pmt_->setText(QString::fromStdString(controls.pmt));
    if (!ok) {
        FocusFailedField();
    }
}

void BoardChannelDialog::OnOk() {
    BoardControls controls = Gather();
    if (!editor_.Ok(controls)) {
        pmt_->setText(QString::fromStdString(controls.pmt));
        FocusFailedField();
        return;
    }
    Finish();
}

void BoardChannelDialog::OnCancel() {
    editor_.Cancel();
    Finish();
}

void BoardChannelDialog::reject() {
    // Escape is the Cancel button.
    if (!finished_) {
        OnCancel();
    }
}

void BoardChannelDialog::closeEvent(QCloseEvent* event) {
    // The title bar's close button: no undo and nothing sent.
    if (!finished_) {
        editor_.CloseByTitleBar();
        finished_ = true;
    }
    event->accept();
}

void BoardChannelDialog::Finish() {
    finished_ = true;
    close();
}

void BoardChannelDialog::OnZero(int channel) {
    if (editor_.Zero(channel)) {
        Refresh();
    }
}

void BoardChannelDialog::OnSet(int channel) {
    BoardControls controls = Gather();
    if (!editor_.Set(channel, controls)) {
        FocusFailedField();
    }
    pmt_->setText(QString::fromStdString(controls.pmt));
}

void BoardChannelDialog::keyPressEvent(QKeyEvent* event) {
    // Enter neither applies nor closes the dialog; only the buttons do.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace veltrane
