// Paints the grid's cells by their column's editor kind; it never edits data itself.
#pragma once

#include <QStyledItemDelegate>

namespace kit {

class Grid;

class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(Grid* grid);
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override;

private:
    Grid* grid_;
};

} // namespace kit
