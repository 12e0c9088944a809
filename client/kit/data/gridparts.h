// The grid's inner widgets: the table view, the column header, the row indicator, the footer,
// the group-by box and the filter bar.
#pragma once

#include <QHeaderView>
#include <QTableView>
#include <QWidget>

class QLabel;
class QMimeData;
class QToolButton;

namespace kit {

class Grid;

inline constexpr const char* kColumnMime = "application/x-kit-grid-column";

// A header column dragged towards the group-by box: the data names the grid and the column, so
// only that grid's box takes it.
QByteArray columnDragData(const Grid* grid, int column);
int droppedColumn(const Grid* grid, const QMimeData* mime); // -1 when not one of grid's columns

class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(Grid* grid);
    QToolButton* cornerButton() const { return corner_; }
    void setCornerVisible(bool on);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyboardSearch(const QString& search) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    bool overGlyph(int row, const QPoint& pos) const;
    void toggleGroup(int row);
    Grid* grid_;
    QToolButton* corner_;
    bool cornerVisible_ = false;
};

class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(Grid* grid);
    void setHeight(int h);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QRect filterButtonRect(int logical) const; // in the header's viewport; empty without a button
    bool hasFilterButton(int logical) const;
    bool takeSuppressedClick();

signals:
    void filterButtonClicked(int logical);
    void menuRequested(int logical, const QPoint& globalPos);

protected:
    void paintSection(QPainter* p, const QRect& rect, int logical) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    Grid* grid_;
    int height_ = 24;
    int pressed_ = -1;
    QPoint pressPos_;
    bool suppressClick_ = false;
};

class IndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit IndicatorHeader(Grid* grid);
    void setWidth(int w);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintSection(QPainter* p, const QRect& rect, int logical) const override;

private:
    Grid* grid_;
    int width_ = 12;
};

class GridFooter : public QWidget {
    Q_OBJECT
public:
    explicit GridFooter(Grid* grid);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int lines() const;
    Grid* grid_;
};

class GroupByBox : public QWidget {
    Q_OBJECT
public:
    explicit GroupByBox(Grid* grid);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Chip rectangles of the grouped columns, in grouping order, and their remove marks.
    QRect chipRect(int i) const;
    QRect removeRect(int i) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    int dropPosition(const QPoint& p) const;
    Grid* grid_;
};

class FilterBar : public QWidget {
    Q_OBJECT
public:
    explicit FilterBar(Grid* grid);
    void setText(const QString& t);
    QString text() const;
    QToolButton* clearButton() const { return clear_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QToolButton* clear_;
    QLabel* label_;
};

} // namespace kit
