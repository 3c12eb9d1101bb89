#pragma once

#include <QStyledItemDelegate>

#include <vector>

namespace veltrane {

// Draws list lines whose columns are separated by tabs at fixed stops given in dialog units
// (a quarter of the font's average character width each).
class TabStopDelegate : public QStyledItemDelegate {
public:
    TabStopDelegate(std::vector<int> stopsDlu, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Pixel position of a stop for a font.
    static int StopPixels(int dlu, const QFont& font);
    // Width a list needs to show every column (the last stop plus a few characters).
    int ListWidth(const QFont& font) const;

private:
    std::vector<int> stops_;
};

} // namespace veltrane
