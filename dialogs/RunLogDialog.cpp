#include "dialogs/RunLogDialog.h"

#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/TabStopDelegate.h"
#include "live/LiveState.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltrane {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The printout's page mapped to 1000 by 1000 units over the printable area.
class PageMapping {
public:
    PageMapping(QPainter& painter, const QRectF& area) : painter_(painter), area_(area) {}

    double X(double units) const { return units * area_.width() / 1000.0; }
    double Y(double units) const { return units * area_.height() / 1000.0; }
    // The selected font's height in page units.
    double FontHeight() const { return painter_.fontMetrics().height() * 1000.0 / area_.height(); }

    void TextCentred(double x, double y, const QString& text) {
        const int width = painter_.fontMetrics().horizontalAdvance(text);
        painter_.drawText(QPointF(X(x) - width / 2.0, Y(y) + painter_.fontMetrics().ascent()), text);
    }
    void TextLeft(double x, double y, const QString& text) {
        painter_.drawText(QPointF(X(x), Y(y) + painter_.fontMetrics().ascent()), text);
    }
    // Tabs move to the printout's stops, counted from where the line starts.
    void TabbedText(double x, double y, const QString& text) {
        const QFontMetrics metrics = painter_.fontMetrics();
        const double baseline = Y(y) + metrics.ascent();
        const double left = X(x);
        double position = left;
        const QStringList parts = text.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0) {
                double next = position + metrics.horizontalAdvance(QLatin1Char(' '));
                for (const int stop : RunLogListing::kPrintTabStops) {
                    if (left + X(stop) > position) {
                        next = left + X(stop);
                        break;
                    }
                }
                position = next;
            }
            painter_.drawText(QPointF(position, baseline), parts[i]);
            position += metrics.horizontalAdvance(parts[i]);
        }
    }

private:
    QPainter& painter_;
    QRectF area_;
};

QFont PrintFont(int points) {
    QFont font(QString::fromUtf8(RunLogListing::kPrintFont), points);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

} // namespace

bool PrintRunLog(QPrinter& printer, const std::vector<std::string>& lines, int lastPage,
                 const LocalDateTime& today) {
    printer.setDocName(QString::fromUtf8(RunLogListing::kPrintDocumentName));
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const QRectF area(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    PageMapping page(painter, area);
    const QFont title = PrintFont(14);
    const QFont date = PrintFont(12);
    const QFont body = PrintFont(10);
    const QString dateText = Q(RunLogListing::PrintDate(today));

    const std::vector<RunLogPage> pages = RunLogListing::PlanPages(static_cast<int>(lines.size()), lastPage);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            printer.newPage();
        }
        painter.setFont(title);
        page.TextCentred(500, 20, QString::fromUtf8(RunLogListing::kPrintTitle));
        double y = page.FontHeight() + 25;
        painter.setFont(date);
        page.TextCentred(500, y, dateText);
        y = y + page.FontHeight() + 10;
        y = y + page.FontHeight() + 30;
        painter.setFont(body);
        for (int i = 0; i < pages[p].lineCount; ++i) {
            page.TabbedText(80, y, Q(lines[static_cast<std::size_t>(pages[p].firstLine + i)]));
            y = y + page.FontHeight() + 5;
        }
        page.TextLeft(500, 950, Q(RunLogListing::PageFooter(pages[p].number)));
    }
    return painter.end();
}

RunLogDialog::RunLogDialog(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host), listing_(host.Config().Log().FilePath()) {
    setWindowTitle(QStringLiteral("Run Log"));
    setObjectName(QStringLiteral("runLogDialog"));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("runLogList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    const QFontMetrics metrics(list_->font());
    const int sampleWidth = metrics.horizontalAdvance(QString::fromUtf8(RunLogListing::kTabSample));
    // The list's font is the dialog's, so its average width is also the dialog base unit.
    const int baseUnit = (sampleWidth / 34 + 1) / 2;
    const auto stops = RunLogListing::ListTabStopsDlu(sampleWidth, baseUnit);
    auto* delegate = new TabStopDelegate(std::vector<int>(stops.begin(), stops.end()), list_);
    list_->setItemDelegate(delegate);
    list_->setMinimumWidth(delegate->ListWidth(list_->font()));
    list_->setMinimumHeight(metrics.height() * 20);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    auto* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    auto* clear = buttons->addButton(QStringLiteral("Clea&r"), QDialogButtonBox::ActionRole);
    auto* saveAs = buttons->addButton(QStringLiteral("&Save As..."), QDialogButtonBox::ActionRole);
    auto* print = buttons->addButton(QStringLiteral("&Print..."), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    clear->setObjectName(QStringLiteral("clearButton"));
    saveAs->setObjectName(QStringLiteral("saveAsButton"));
    print->setObjectName(QStringLiteral("printButton"));
    for (QPushButton* button : {ok, cancel, help, clear, saveAs, print}) {
        button->setAutoDefault(false);
    }
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { host_.OpenHelp("run-log"); });
    connect(clear, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(saveAs, &QPushButton::clicked, this, [this] { OnSaveAs(); });
    connect(print, &QPushButton::clicked, this, [this] { OnPrint(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    listing_.Load(host_.GetPrompts());
    FillList();
    QApplication::restoreOverrideCursor();
}

void RunLogDialog::FillList() {
    list_->clear();
    for (const std::string& line : listing_.Lines()) {
        list_->addItem(Q(line));
    }
}

void RunLogDialog::OnClear() {
    listing_.Clear();
    list_->clear();
}

void RunLogDialog::OnOk() {
    // Only the journal is emptied: the configuration (its timed events included) stays as it is.
    listing_.Commit(host_.GetPrompts());
    accept();
}

std::optional<std::string> RunLogDialog::AskSavePath() {
    if (chooseSavePath) {
        return chooseSavePath();
    }
    QFileDialog dialog(this, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")});
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

void RunLogDialog::OnSaveAs() {
    ScopedPollingSuspend suspend(host_.Live());
    if (const auto path = AskSavePath()) {
        listing_.SaveAs(*path); // a file that cannot be created is left alone
    }
}

bool RunLogDialog::AskPrinter(QPrinter& printer, int& lastPage) {
    printer.setFromTo(1, 999);
    if (choosePrinter) {
        return choosePrinter(printer, lastPage);
    }
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, 999);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    lastPage = printer.printRange() == QPrinter::PageRange ? printer.toPage() : 0;
    return true;
}

void RunLogDialog::OnPrint() {
    ScopedPollingSuspend suspend(host_.Live());
    QPrinter printer(QPrinter::HighResolution);
    int lastPage = 0;
    if (!AskPrinter(printer, lastPage)) {
        return;
    }
    // The page range is ours to honour; the printer must not drop pages on its own as well.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    const LocalDateTime when = today ? today() : SystemClock::Instance().LocalNow();
    std::vector<std::string> lines;
    for (int i = 0; i < list_->count(); ++i) {
        lines.push_back(list_->item(i)->text().toStdString());
    }
    if (!PrintRunLog(printer, lines, lastPage, when)) {
        host_.GetPrompts().ShowMessage(messages::kPrintFailed, MessageIcon::Warning);
    }
}

void RunRunLogDialog(DialogHost& host, QWidget* parent) {
    RunLogDialog dialog(host, parent);
    dialog.exec();
}

} // namespace veltrane
