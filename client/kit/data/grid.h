// The data grid: a table view bound to a table through a data source, with declared columns,
// header filters, sorting, grouping, footer summaries, column customisation and best fit.
#pragma once

#include "kit/data/gridcolumn.h"
#include "kit/data/gridmodel.h"
#include "kit/data/table.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

#include <QMenu>
class QTableView;

namespace kit {

class GridView;
class GridHeader;
class IndicatorHeader;
class GridFooter;
class GroupByBox;
class FilterBar;
class GridDelegate;

class Grid : public QWidget {
    Q_OBJECT
public:
    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    // Columns, declared once per grid, in display order.
    void setColumns(const std::vector<ColumnDef>& cols);
    int columnCount() const;
    const ColumnDef& column(int i) const;
    int columnIndex(const QString& key) const; // by name, field or caption; -1 when missing
    void setColumnVisible(const QString& key, bool on);
    bool isColumnVisible(const QString& key) const;
    void setColumnOffered(const QString& key, bool on);
    void setColumnCaption(const QString& key, const QString& caption);
    void setColumnWidth(const QString& key, int width);
    int columnWidth(const QString& key) const;
    std::vector<int> visibleColumns() const; // shown columns in their on-screen order
    QStringList customizationList() const;   // captions the customisation offers

    void setOptions(const GridOptions& o);
    const GridOptions& options() const { return options_; }
    void setGridStyle(const GridStyle& s);
    const GridStyle& gridStyle() const { return style_; }
    int rowHeight() const;
    void setRowHeight(int h); // data row height alone, without re-applying the other options

    // Binding. A detached grid shows no rows and does not read its table.
    void setDataSource(DataSource* ds);
    DataSource* dataSource() const { return source_; }
    Table* table() const;
    // Painting and rebuilding wait until the matching endUpdate(). Inside an update the grid
    // announces no change, so a worker may fill its table (bound or unbound) while the grid is
    // disabled; the end shows the new rows.
    void beginUpdate();
    void endUpdate();

    // Unbound mode: the grid keeps its own rows, one cell per column, filled in code.
    void setUnbound();
    bool isUnbound() const { return bool(unbound_); }
    int rowCount() const; // rows of the bound or unbound table
    void setRowCount(int n);
    int appendRow();
    void deleteRow(int row);
    void setCellValue(int row, const QString& column, const QVariant& v);
    QVariant cellValue(int row, const QString& column) const;

    // Rows and focus. A view row may be a group row; records are rows of the table.
    int viewRowCount() const;
    int focusedRowIndex() const; // -1 when no row is focused
    int focusedRecord() const;   // -1 when none or a group row is focused
    void setFocusedRowIndex(int viewRow);
    void setFocusedRecord(int record);
    QVariant focusedValue(const QString& field) const; // of the focused record, from the grid row
    const ColumnDef* focusedColumn() const;
    QString cellText(int viewRow, const QString& column) const;

    // Filtering.
    std::vector<FilterItem> filterItems(const QString& column) const;
    void filterByTexts(const QString& column, const QStringList& texts); // drop-down picks
    void setColumnFilter(const QString& column, const ColumnFilter& f);
    void clearColumnFilter(const QString& column);
    void clearFilter();
    bool isFiltered() const;
    QString filterText() const;

    // Sorting (ignored while sorting is switched off for the user, except from code).
    void sortBy(const QString& column, Qt::SortOrder order = Qt::AscendingOrder);
    void clearSorting();

    // Grouping.
    void setGroupedColumns(const QStringList& columns);
    QStringList groupedColumns() const;
    void expandAll();
    void collapseAll();

    // Summaries under the columns and in group footers.
    void setFooterSummaries(const std::vector<SummaryDef>& s);
    void setGroupSummaries(const std::vector<SummaryDef>& s);
    QString footerText(const QString& column) const; // lines joined with a line break

    // Column widths: to the content, or shared out by weight: unit = (width - 30) / sum of the
    // visible weights, truncated; each visible column weight x unit. False when the sum is 0.
    void bestFit();
    bool spreadByWeights();
    // Weighted when screenWidth is above threshold, best fit otherwise.
    void layoutColumns(int screenWidth, int threshold = 1152);

    void setPopupMenu(QMenu* menu) { popup_ = menu; }
    QMenu* popupMenu() const { return popup_; }

    // User actions, reachable from code.
    void openFilterPopup(const QString& column);
    bool runCustomFilter(const QString& column); // false when cancelled
    void showCustomization(const QPoint& globalPos);
    void toggleSort(int column);
    void groupByColumn(int column, int position = -1);
    void ungroupColumn(int column);

    GridModel* model() const { return model_; }
    QTableView* view() const;

signals:
    void focusedRowChanged(int record);
    void doubleClicked();
    void resized();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class GridView;
    void applyOptions();
    void applyStyle();
    void applyVisibility();
    void syncFocusFromTable();
    void onCurrentChanged();
    void onRebuilt();
    void onTableCursor(int record);
    void updateFilterBar();
    void showHeaderMenu(int column, const QPoint& globalPos);

    GridModel* model_;
    GridView* view_;
    GridHeader* header_;
    IndicatorHeader* indicator_;
    GridFooter* footer_;
    GroupByBox* groupBox_;
    FilterBar* filterBar_;
    GridDelegate* delegate_;
    GridOptions options_;
    GridStyle style_;
    DataSource* source_ = nullptr;
    std::unique_ptr<Table> unbound_;
    QPointer<QMenu> popup_;
    int updateLock_ = 0;
    bool syncing_ = false;
    int lastRecord_ = -2;
    int lastViewRow_ = -2;
};

} // namespace kit
