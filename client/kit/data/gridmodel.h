// The grid's item model over a table: view order (filter, sort, groups), summaries, and roles that
// carry raw values apart from display text.
#pragma once

#include "kit/data/gridcolumn.h"
#include "kit/data/table.h"

#include <QAbstractTableModel>
#include <QSet>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kit {

enum GridRole {
    RawValueRole = Qt::UserRole + 1, // the cell's typed value; a group row's key
    RowKindRole,                     // RowKind
    GroupLevelRole,                  // nesting level of a group row
    ExpandedRole,                    // whether a group row is expanded
    DataRowRole,                     // the table row of a data row, -1 otherwise
};

enum class RowKind { Data = 0, Group = 1, GroupFooter = 2 };

enum class FilterOp {
    Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual,
    Contains, NotContains, BeginsWith, EndsWith, Blank, NonBlank,
};

struct FilterCondition {
    FilterOp op = FilterOp::Equal;
    QVariant value; // typed, or text to be read in the field's type
};

// One column's filter: a set of values picked from the drop-down, or one or two conditions.
struct ColumnFilter {
    bool custom = false;
    std::vector<QVariant> values; // raw values; an invalid QVariant stands for empty cells
    QStringList texts;            // their display texts, for the filter description
    FilterCondition first;
    FilterCondition second;
    bool hasSecond = false;
    bool orJoin = false;
};

// One entry of a column's filter drop-down: a distinct display text and the raw values behind it.
struct FilterItem {
    QString text;
    std::vector<QVariant> values;
};

QString filterOpText(FilterOp op);

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // Columns are the grid's declarations; the model keeps a copy.
    void setColumns(const std::vector<ColumnDef>& cols);
    const std::vector<ColumnDef>& columns() const { return cols_; }
    const ColumnDef& column(int c) const { return cols_[std::size_t(c)]; }
    ColumnDef& column(int c) { return cols_[std::size_t(c)]; }
    int columnByKey(const QString& key) const; // by name, field or caption; -1 when missing
    int fieldOf(int c) const { return fieldIdx_.empty() ? -1 : fieldIdx_[std::size_t(c)]; }

    // The shown table; nullptr shows no rows. The model does not own it.
    void setTable(Table* t);
    Table* table() const { return table_; }

    // Rebuilding waits while the view is in an update; the last end rebuilds once.
    void beginUpdate();
    void endUpdate();
    bool inUpdate() const { return updateLock_ > 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void setReadOnly(bool ro) { readOnly_ = ro; }

    // View rows.
    RowKind rowKind(int viewRow) const;
    int dataRow(int viewRow) const;      // -1 for group and footer rows
    int viewRowOf(int dataRow) const;    // -1 when filtered out or inside a collapsed group
    int groupLevel(int viewRow) const;
    bool isExpanded(int viewRow) const;
    QString groupText(int viewRow) const;
    int dataRowCount() const;            // data rows passing the filter
    int orderedRow(int i) const;         // i-th data row in view order, groups expanded

    // Cell text as shown (image combo descriptions, custom text); "" for pictures and check boxes.
    QString cellText(int dataRow, int col) const;
    QVariant rawValue(int dataRow, int col) const;
    // Text of a value as the column shows it.
    QString valueText(int col, const QVariant& v) const;
    // The image an image-combo column shows for v, -1 for none.
    int imageIndex(int col, const QVariant& v) const;
    bool isChecked(int col, const QVariant& v) const;

    // Filtering.
    std::vector<FilterItem> filterItems(int col) const;
    void setFilter(int col, const ColumnFilter& f);
    void removeFilter(int col);
    void clearFilter();
    bool isFiltered() const { return !filters_.empty(); }
    bool hasFilter(int col) const { return filters_.count(col) > 0; }
    const ColumnFilter* filter(int col) const;
    QString filterDescription() const;

    // Sorting; -1 removes it.
    void sortBy(int col, Qt::SortOrder order);
    int sortColumn() const { return sortCol_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

    // Grouping by columns in order; groups in ascending order of their values.
    void setGroupColumns(const std::vector<int>& cols);
    const std::vector<int>& groupColumns() const { return groupCols_; }
    void setGroupFooters(GroupFooters g);
    void setExpanded(int viewRow, bool on);
    void expandAll();
    void collapseAll();

    // Summaries.
    void setFooterSummaries(const std::vector<SummaryDef>& s);
    void setGroupSummaries(const std::vector<SummaryDef>& s);
    const std::vector<SummaryDef>& footerSummaries() const { return footer_; }
    const std::vector<SummaryDef>& groupSummaries() const { return groupSum_; }
    // Value of footer summary i over the filtered rows; group summary i over a group row's rows.
    QVariant footerValue(int i) const;
    QVariant groupValue(int viewRow, int i) const;
    QString summaryText(const SummaryDef& s, const QVariant& v) const;
    // The footer texts under column c, one per summary placed there.
    QStringList footerTexts(int col) const;

    // Rows as an export walks them: every group expanded.
    struct LayoutRow {
        RowKind kind;
        int index; // data row, or group number
        int level;
    };
    std::vector<LayoutRow> expandedLayout() const;
    QString groupTextOf(int group) const;
    QVariant groupValueOf(int group, int summary) const;

signals:
    void summariesChanged();
    void cursorMoved(int dataRow);
    void rebuilt();

private:
    // Table notifications, through observer_.
    void onTableReset();
    void onRowChanged(int row);
    void onCursorMoved(int row);
    void onTableDestroyed();

    struct Group {
        int level = 0;
        int first = 0; // range in order_
        int count = 0;
        QVariant key;
        QString text;
        QString path;
        bool expanded = true;
    };
    struct ViewRow {
        std::int32_t index;
        std::uint8_t kind;
        std::uint8_t level;
    };
    class Observer;
    // A column filter read once into the field's type, so testing a row costs no conversions.
    struct Compiled {
        int field = -1;
        FieldType type = FieldType::Text;
        const ColumnFilter* filter = nullptr;
        bool nullHit = false;
        std::vector<double> numbers;
        std::vector<std::string> texts;
        std::vector<QVariant> others;
        QVariant key1, key2;
    };
    void compileFilters();
    bool test(const Compiled& f, int row, const FilterCondition& cond, const QVariant& key) const;

    void resolveFields();
    void rebuild();
    void scheduleRebuild();
    void buildLayout();
    bool passes(int row) const;
    int compareRows(int a, int b, int col) const;
    QVariant computeSummary(const SummaryDef& s, int first, int count) const;
    void appendGroupRows(std::vector<ViewRow>& out, int g, bool allExpanded) const;
    int groupEnd(int g) const;

    std::vector<ColumnDef> cols_;
    std::vector<int> fieldIdx_;
    Table* table_ = nullptr;
    std::unique_ptr<Observer> observer_;
    bool readOnly_ = true;
    int updateLock_ = 0;
    bool pending_ = false;
    bool rebuildQueued_ = false;

    std::map<int, ColumnFilter> filters_;
    std::vector<Compiled> compiled_;
    int sortCol_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::vector<int> groupCols_;
    GroupFooters groupFooters_ = GroupFooters::Hidden;
    bool defaultExpanded_ = true;
    QSet<QString> toggled_; // group paths whose state differs from the default

    bool identity_ = true;
    int rowTotal_ = 0;             // table rows at the last rebuild
    std::vector<int> order_;       // data rows in view order (when not identity)
    std::vector<Group> groups_;    // depth-first order
    std::vector<ViewRow> rows_;    // view rows (when not identity)
    mutable std::vector<int> inverse_;

    std::vector<SummaryDef> footer_;
    std::vector<SummaryDef> groupSum_;
    mutable std::vector<QVariant> footerCache_;
    mutable bool footerDirty_ = true;
    mutable std::map<std::pair<int, int>, QVariant> groupCache_;
};

} // namespace kit
