#include "dialogs/GateModesDialog.h"

#include "config/Vocabulary.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/DialogWidgets.h"
#include "dialogs/TabStopDelegate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltrane {

namespace {

QLineEdit* MakeEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(70);
    return edit;
}

// A line as wide as any the list shows, for the column heads and the list's width.
QString WidestGateLine() {
    GateMode mode;
    mode.name = 0;
    mode.suffix = 2;
    mode.startA = mode.stopA = mode.startB = mode.stopB = 24.9f;
    mode.operatorIndex = 3;
    mode.alpha = -99.999f;
    return QString::fromStdString(GateModesEditor::ListLine(mode));
}

} // namespace

GateModesDialog::GateModesDialog(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host), editor_(host) {
    setObjectName(QStringLiteral("gateModesDialog"));
    setWindowTitle(QLatin1String(messages::kGateDialogTitle));
    InstallWaitCursor(host_);
    BuildControls();
    editor_.Open();
    RebuildList();
    SetChangeDelete(false);
    Show(GateFields{});
}

void GateModesDialog::BuildControls() {
    auto* listGroup = new QGroupBox(QStringLiteral("Gate Parameters List"), this);
    auto* listLayout = new QVBoxLayout(listGroup);
    list_ = new QListWidget(listGroup);
    list_->setObjectName(QStringLiteral("gateList"));
    auto* delegate = new TabStopDelegate(kGateListTabStops, list_);
    list_->setItemDelegate(delegate);
    const QString widest = WidestGateLine();
    list_->setMinimumWidth(delegate->LineWidth(widest, font()) + 24);
    list_->setMinimumHeight(QFontMetrics(font()).height() * 7);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const std::vector<ColumnHead> heads = {
        {QStringLiteral("Mode"), 1, 1},           {QStringLiteral("--- GATE A ---"), 2, 0},
        {QStringLiteral("Start"), 2, 1},          {QStringLiteral("Stop"), 3, 1},
        {QStringLiteral("<op>"), 4, 1, 2},        {QStringLiteral("Alpha"), 5, 1},
        {QStringLiteral("--- GATE B ---"), 6, 0}, {QStringLiteral("Start"), 6, 1},
        {QStringLiteral("Stop"), 7, 1},           {QStringLiteral("Sqrt"), 8, 1}};
    listLayout->addWidget(MakeColumnHeads(*delegate, widest, heads, font(), listGroup));
    listLayout->addWidget(list_);
    ConnectRowChoice(list_, [this](int row) { OnSelect(row); });

    auto* current = new QGroupBox(QStringLiteral("Current Mode"), this);
    auto* grid = new QGridLayout(current);
    name_ = new QComboBox(current);
    name_->setObjectName(QStringLiteral("nameList"));
    FillList(name_, kGateModeNames);
    operator_ = new QComboBox(current);
    operator_->setObjectName(QStringLiteral("operatorList"));
    FillList(operator_, kOperatorNames);
    startA_ = MakeEdit("startAEdit", current);
    stopA_ = MakeEdit("stopAEdit", current);
    alpha_ = MakeEdit("alphaEdit", current);
    startB_ = MakeEdit("startBEdit", current);
    stopB_ = MakeEdit("stopBEdit", current);
    squareRoot_ = new QCheckBox(QStringLiteral("Enable Sqrt"), current);
    squareRoot_->setObjectName(QStringLiteral("sqrtCheck"));
    formula_ = new QLabel(current);
    formula_->setObjectName(QStringLiteral("formulaText"));

    grid->addWidget(new QLabel(QStringLiteral("Mode:"), current), 0, 0);
    grid->addWidget(name_, 0, 1);
    auto* gateA = new QGroupBox(QStringLiteral("Gate A"), current);
    auto* gateAGrid = new QGridLayout(gateA);
    gateAGrid->addWidget(new QLabel(QStringLiteral("Start:"), gateA), 0, 0);
    gateAGrid->addWidget(startA_, 0, 1);
    gateAGrid->addWidget(new QLabel(QStringLiteral("ms"), gateA), 0, 2);
    gateAGrid->addWidget(new QLabel(QStringLiteral("Stop:"), gateA), 1, 0);
    gateAGrid->addWidget(stopA_, 1, 1);
    gateAGrid->addWidget(new QLabel(QStringLiteral("ms"), gateA), 1, 2);
    auto* gateB = new QGroupBox(QStringLiteral("Gate B"), current);
    auto* gateBGrid = new QGridLayout(gateB);
    gateBGrid->addWidget(new QLabel(QStringLiteral("Start:"), gateB), 0, 0);
    gateBGrid->addWidget(startB_, 0, 1);
    gateBGrid->addWidget(new QLabel(QStringLiteral("ms"), gateB), 0, 2);
    gateBGrid->addWidget(new QLabel(QStringLiteral("Stop:"), gateB), 1, 0);
    gateBGrid->addWidget(stopB_, 1, 1);
    gateBGrid->addWidget(new QLabel(QStringLiteral("ms"), gateB), 1, 2);
    grid->addWidget(gateA, 1, 0, 2, 2);
    auto* middle = new QGridLayout;
    middle->addWidget(new QLabel(QStringLiteral("<op>"), current), 0, 0);
    middle->addWidget(operator_, 0, 1);
    middle->addWidget(new QLabel(QStringLiteral("Alpha"), current), 1, 0);
    middle->addWidget(alpha_, 1, 1);
    grid->addLayout(middle, 1, 2, 2, 1);
    grid->addWidget(gateB, 1, 3, 2, 2);
    grid->addWidget(squareRoot_, 3, 0, 1, 2);
    auto* formulaBox = new QGroupBox(QStringLiteral("A <op> aB"), current);
    auto* formulaLayout = new QVBoxLayout(formulaBox);
    formulaLayout->addWidget(formula_);
    grid->addWidget(formulaBox, 3, 2, 1, 3);

    const ListEditButtons buttons =
        LayOutListEditor(this, listGroup, current,
                         {[this] { OnOk(); }, [this] { host_.OpenHelp("gate-modes"); }, [this] { OnAdd(); },
                          [this] { OnChange(); }, [this] { OnDelete(); }});
    add_ = buttons.add;
    change_ = buttons.change;
    delete_ = buttons.remove;
}

void GateModesDialog::RebuildList(int keepSelected) {
    ShowLines(list_, editor_.Lines(), keepSelected);
    add_->setEnabled(editor_.AddEnabled());
}

void GateModesDialog::SetChangeDelete(bool enabled) {
    change_->setEnabled(enabled);
    delete_->setEnabled(enabled);
}

void GateModesDialog::Show(const GateFields& fields) {
    name_->setCurrentIndex(fields.name);
    startA_->setText(QString::fromStdString(fields.startA));
    stopA_->setText(QString::fromStdString(fields.stopA));
    operator_->setCurrentIndex(fields.operatorIndex);
    alpha_->setText(QString::fromStdString(fields.alpha));
    startB_->setText(QString::fromStdString(fields.startB));
    stopB_->setText(QString::fromStdString(fields.stopB));
    squareRoot_->setChecked(fields.squareRoot);
    formula_->setText(QString::fromStdString(editor_.Formula()));
}

GateFields GateModesDialog::Gather() const {
    GateFields fields;
    fields.name = name_->currentIndex();
    fields.startA = startA_->text().toStdString();
    fields.stopA = stopA_->text().toStdString();
    fields.operatorIndex = operator_->currentIndex();
    fields.alpha = alpha_->text().toStdString();
    fields.startB = startB_->text().toStdString();
    fields.stopB = stopB_->text().toStdString();
    fields.squareRoot = squareRoot_->isChecked();
    return fields;
}

void GateModesDialog::OnSelect(int row) {
    if (row < 0 || row >= static_cast<int>(editor_.Modes().size())) {
        return;
    }
    Show(editor_.Select(row));
    SetChangeDelete(true);
}

void GateModesDialog::OnAdd() {
    GateFields fields = Gather();
    if (editor_.Add(fields)) {
        RebuildList(SelectedRow(list_)); // the chosen row stays chosen for Change and Delete
        Show(fields);
    }
}

void GateModesDialog::OnChange() {
    GateFields fields = Gather();
    const int selected = SelectedRow(list_);
    if (editor_.Change(fields, selected)) {
        Show(fields);
    } else if (selected < 0 || !editor_.ChangedFlag()) {
        return; // refused by a field check: the selection stays for another try
    }
    // Stored, or refused as in use: the operator chooses a row again.
    RebuildList();
    SetChangeDelete(false);
}

void GateModesDialog::OnDelete() {
    GateFields fields = Gather();
    if (editor_.Delete(SelectedRow(list_), fields)) {
        RebuildList();
        Show(fields);
        SetChangeDelete(false);
    }
}

void GateModesDialog::OnOk() {
    GateFields fields = Gather();
    if (editor_.Ok(fields)) {
        QDialog::accept();
    }
}

void GateModesDialog::reject() {
    editor_.Cancel();
    QDialog::reject();
}

} // namespace veltrane
