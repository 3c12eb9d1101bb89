#include "dialogs/TabStopDelegate.h"

#include <QApplication>

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <algorithm>

namespace veltrane {

TabStopDelegate::TabStopDelegate(std::vector<int> stopsDlu, QObject* parent)
    : QStyledItemDelegate(parent), stops_(std::move(stopsDlu)) {}

int TabStopDelegate::StopPixels(int dlu, const QFont& font) {
    return dlu * QFontMetrics(font).averageCharWidth() / 4;
}

int TabStopDelegate::ListWidth(const QFont& font) const {
    const int last = stops_.empty() ? 0 : stops_.back();
    return StopPixels(last, font) + 8 * QFontMetrics(font).averageCharWidth();
}

int TabStopDelegate::LineWidth(const QString& sample, const QFont& font) const {
    const std::vector<int> positions = PartPositions(sample, font);
    const QFontMetrics metrics(font);
    return positions.back() + metrics.horizontalAdvance(sample.section(QLatin1Char('\t'), -1)) +
           4 * metrics.averageCharWidth();
}

QWidget* MakeColumnHeads(const TabStopDelegate& delegate, const QString& sample,
                         const std::vector<ColumnHead>& heads, const QFont& font, QWidget* parent) {
    auto* widget = new QWidget(parent);
    const std::vector<int> positions = delegate.PartPositions(sample, font);
    const int lineHeight = QFontMetrics(font).height();
    int rows = 1;
    for (const ColumnHead& head : heads) {
        auto* label = new QLabel(head.text, widget);
        const auto part =
            static_cast<std::size_t>(std::clamp(head.part, 0, static_cast<int>(positions.size()) - 1));
        // The list's frame and item margin sit left of its first pixel of text.
        label->move(std::max(0, positions[part] + 4 - head.shiftLeft * QFontMetrics(font).averageCharWidth()),
                    head.row * lineHeight);
        rows = std::max(rows, head.row + 1);
    }
    widget->setMinimumHeight(rows * lineHeight + 2);
    return widget;
}

std::vector<int> TabStopDelegate::PartPositions(const QString& text, const QFont& font) const {
    const QFontMetrics metrics(font);
    const QStringList parts = text.split(QLatin1Char('\t'));
    std::vector<int> positions;
    int x = 0;
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            int next = x + 2 * metrics.averageCharWidth();
            for (int stop : stops_) {
                const int pixels = StopPixels(stop, font);
                if (pixels > x) {
                    next = pixels;
                    break;
                }
            }
            x = next;
        }
        positions.push_back(x);
        x += metrics.horizontalAdvance(parts[i]);
    }
    return positions;
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    const QString text = plain.text;
    plain.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, widget);

    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                               : QPalette::Text));
    const QRect area = option.rect.adjusted(2, 0, -2, 0);
    const QStringList parts = text.split(QLatin1Char('\t'));
    const std::vector<int> positions = PartPositions(text, option.font);
    for (int i = 0; i < parts.size(); ++i) {
        const int x = area.left() + positions[static_cast<std::size_t>(i)];
        painter->drawText(QRect(x, area.top(), std::max(0, area.right() - x), area.height()),
                          Qt::AlignVCenter | Qt::AlignLeft, parts[i]);
    }
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    return size;
}

} // namespace veltrane
