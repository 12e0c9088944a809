// What a grid is declared with: its columns, options, style colours and summaries.
#pragma once

#include "kit/data/table.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class QPainter;

namespace kit {

// How a column's cells are shown.
enum class Editor {
    Label,        // one line of text
    WrappedLabel, // text wrapped onto several lines
    Memo,         // multi-line text from the top
    ImageCombo,   // value mapped to an icon of the column's image list, icon only
    CheckBox,     // checked and unchecked values
    Picture,      // an image from the cell's bytes (PNG, JPEG, BMP, GIF)
    CustomDraw,   // drawn by the column's paint callback
};

enum class Summary { Count, Sum, Average, Min, Max };

using ImageList = QList<QPixmap>;

struct ImageComboItem {
    QVariant value;
    int image = -1;      // index into the column's image list; -1 shows nothing
    QString description; // used by filters and exports
};

// Read access to one data row, for callbacks.
class RowRef {
public:
    RowRef() = default;
    RowRef(const Table* table, int row) : table_(table), row_(row) {}
    bool isValid() const { return table_ && row_ >= 0 && row_ < table_->rowCount(); }
    int row() const { return row_; }
    const Table* table() const { return table_; }
    QVariant value(const QString& field) const; // invalid when empty or missing
    double real(const QString& field) const;    // 0 when empty or missing
    QString text(const QString& field) const;   // display text through the field's format

private:
    const Table* table_ = nullptr;
    int row_ = -1;
};

struct GridStyle;

// What a paint callback gets for one cell. background is the colour the grid would fill with.
struct CellPaint {
    QPainter* painter = nullptr;
    QRect rect;
    RowRef row;
    int viewRow = -1; // index among the grid's rows, from 0
    bool selected = false;
    const GridStyle* style = nullptr;
    QFont font;
    QColor background;
    QColor textColor;
};

// Returns true when it drew the cell; the grid's own drawing of the cell is then skipped.
using PaintFn = std::function<bool(CellPaint&)>;
// Text of a cell without a field of its own (drawn cells), for exports and searches. Give a
// lambda the return type QString: a string-builder expression would outlive its parts.
using TextFn = std::function<QString(const RowRef&)>;

struct ColumnDef {
    QString field{};     // the table's field; empty for a drawn cell
    QString caption{};   // empty: the field name
    int weight = 1;      // share of the width in the weighted layout
    bool visible = true;
    bool offered = true; // listed in the column customisation
    Qt::Alignment alignment = {}; // horizontal; empty: numbers right, the rest left
    Editor editor = Editor::Label;
    std::vector<ImageComboItem> items{}; // image combo
    ImageList images{};                // image combo
    QVariant checkedValue = 1;         // check box
    QVariant uncheckedValue = 0;
    PaintFn paint{};                   // custom draw
    TextFn text{};                     // custom draw
    int width = 100;
    QString name{};                    // an optional name to find the column by; default the field
    FieldType unboundType = FieldType::Text; // the cell type when the grid is unbound

    QString key() const { return name.isEmpty() ? field : name; }
    QString shownCaption() const { return caption.isEmpty() ? (field.isEmpty() ? name : field) : caption; }
};

enum class GroupFooters { Hidden, WhenExpanded, Always };

struct GridOptions {
    bool readOnly = true;
    bool rowSelect = true;         // whole-row focus; false: cell focus
    bool incrementalSearch = true;
    bool filterButtons = true;     // drop-down filter buttons in the header
    bool filtering = true;
    bool quickCustomization = true;
    bool sorting = true;
    bool columnMoving = true;
    bool columnSizing = true;
    bool showHeader = true;
    bool showIndicator = true;
    int indicatorWidth = 12;
    int rowHeight = 0;             // 0: from the font
    int headerHeight = 0;          // 0: from the font
    bool showFooter = false;
    bool groupByBox = false;
    bool showGroupedColumns = false;
    GroupFooters groupFooters = GroupFooters::Hidden;
    bool focusRect = true;
    bool pixelScrolling = false;
};

struct GridStyle {
    QColor content = QColor(255, 255, 255);
    QColor even;          // invalid: content
    QColor odd;           // invalid: content
    QColor header = QColor(236, 236, 240);
    QColor headerText = QColor(30, 30, 30);
    QColor selection = QColor(51, 153, 255);
    QColor selectionText = QColor(255, 255, 255);
    QColor indicator = QColor(236, 236, 240);
    QColor gridLine = QColor(208, 208, 212);
    QColor text = QColor(0, 0, 0);
    QColor group = QColor(226, 230, 236);
    QColor footer = QColor(244, 244, 246);
    QFont font;
    QFont headerFont;

    QColor rowColor(int viewRow) const
    {
        const QColor& c = (viewRow % 2) ? odd : even;
        return c.isValid() ? c : content;
    }
};

struct SummaryDef {
    QString column{}; // column key
    Summary kind = Summary::Count;
    QString format{}; // number pattern; empty: the field's display format
};

} // namespace kit
