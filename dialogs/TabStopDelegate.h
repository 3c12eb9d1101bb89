#pragma once

#include <QStyledItemDelegate>
#include <QWidget>

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
    // Left edge of each tab-separated part of text: a tab moves to the first stop beyond the
    // text drawn so far (past the last stop, two characters on), so long parts push later ones
    // along instead of overlapping them.
    std::vector<int> PartPositions(const QString& text, const QFont& font) const;
    // Width a list needs to show every column (the last stop plus a few characters).
    int ListWidth(const QFont& font) const;
    // Width a list needs to show a line as long as sample.
    int LineWidth(const QString& sample, const QFont& font) const;

private:
    std::vector<int> stops_;
};

// A caption above the part of the list lines with this index (row 0 or 1 of the heads).
struct ColumnHead {
    QString text;
    int part = 0;
    int row = 0;
    int shiftLeft = 0; // characters, for a caption wider than its column
};

// Captions placed where the parts of sample land in the list below them.
QWidget* MakeColumnHeads(const TabStopDelegate& delegate, const QString& sample,
                         const std::vector<ColumnHead>& heads, const QFont& font, QWidget* parent);

} // namespace veltrane
