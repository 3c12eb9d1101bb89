#include "dialogs/TabStopDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

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
    int x = area.left();
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            // Past the last stop a tab moves on by the font's width of a few characters.
            const std::size_t stop = static_cast<std::size_t>(i - 1);
            const int next = stop < stops_.size() ? area.left() + StopPixels(stops_[stop], option.font)
                                                  : x + QFontMetrics(option.font).averageCharWidth() * 2;
            x = std::max(x, next);
        }
        const QString& part = parts[i];
        painter->drawText(QRect(x, area.top(), area.right() - x, area.height()),
                          Qt::AlignVCenter | Qt::AlignLeft, part);
        x += QFontMetrics(option.font).horizontalAdvance(part);
    }
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(ListWidth(option.font));
    return size;
}

} // namespace veltrane
