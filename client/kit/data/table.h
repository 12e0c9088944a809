// In-memory table: typed columns filled from received tables, a cursor with edit and post, and
// the change notifications the grids listen to.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace wire {
class Table;
}

namespace kit {

enum class FieldType { Integer, LargeInt, Float, Currency, Text, Boolean, Date, DateTime, Blob };

bool isNumeric(FieldType t);

// Misuse of a table (missing field, editing outside the edit state). The text is Turkish.
class DataError : public std::runtime_error {
public:
    explicit DataError(const QString& text);
    QString text() const { return QString::fromUtf8(what()); }
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;
};

class Table;

// One field of a table: its definition, display format and the value in the current row (or in
// the edit buffer while the table is being edited). Owned by the table; a load replaces them.
class Field {
public:
    const QString& name() const { return name_; }
    FieldType type() const { return type_; }
    int size() const { return size_; }
    int index() const { return index_; }
    Table& table() const { return *table_; }

    // An empty display format means the field type's own form.
    const QString& displayFormat() const { return displayFormat_; }
    void setDisplayFormat(const QString& pattern) { displayFormat_ = pattern; }

    bool isNull() const;
    QVariant value() const;             // invalid QVariant for an empty cell
    void setValue(const QVariant& v);   // only in the edit or insert state
    void clear() { setValue(QVariant()); }
    int asInteger() const;              // empty gives 0
    qint64 asLargeInt() const;
    double asFloat() const;
    bool asBoolean() const;
    QString asString() const;
    QDateTime asDateTime() const;
    QString displayText() const;

private:
    friend class Table;
    Table* table_ = nullptr;
    QString name_;
    QString displayFormat_;
    FieldType type_ = FieldType::Text;
    int size_ = 0;
    int index_ = 0;
};

// Receives a table's changes. Called on the thread that changes the table, so only a listener on
// the UI thread may stay registered while the UI thread is the only writer.
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void tableReset() = 0;         // structure or many rows changed
    virtual void rowChanged(int row) = 0;  // values of one row were posted
    virtual void cursorMoved(int row) = 0; // the current row changed
    virtual void tableDestroyed() = 0;
};

class Table {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Table();
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Whole content replaced by the packet: its columns and its rows.
    void loadPacket(const wire::Table& packet);
    // Rebuilt with the reader's columns in its order, then one row per reader row, in order.
    void loadReader(const wire::Table& reader);
    // Declares the fields and opens the table empty.
    void create(const std::vector<FieldDef>& fields);

    void close(); // drops fields and rows
    bool isOpen() const { return state_ != State::Inactive; }
    bool isEmpty() const { return rowCount_ == 0; }
    int rowCount() const { return rowCount_; }
    void emptyTable(); // keeps the fields, removes every row
    State state() const { return state_; }

    int fieldCount() const { return int(fields_.size()); }
    Field& field(int i) { return *fields_[std::size_t(i)]; }
    const Field& field(int i) const { return *fields_[std::size_t(i)]; }
    Field& fieldByName(const QString& name); // throws DataError for a missing field
    const Field& fieldByName(const QString& name) const;
    Field* findField(const QString& name);
    const Field* findField(const QString& name) const;
    int fieldIndex(const QString& name) const; // -1 when missing; names compare without case

    // Cursor. After next() on the last row eof() is true and the current row stays the last one.
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    int currentRow() const { return row_; } // -1 when empty
    void setCurrentRow(int row);
    // Moves to the first row whose field equals value; false (cursor unchanged) when none does.
    bool locate(const QString& fieldName, const QVariant& value);

    void edit();
    void append(); // starts a new row at the end; post() adds it
    void post();
    void cancel();

    // Suspends notifications (nestable); the last enableControls() reports one reset.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }

    // Direct cell access by position, independent of the cursor.
    bool isNull(int row, int col) const;
    QVariant value(int row, int col) const;
    double real(int row, int col) const;      // numeric columns; 0 when empty
    qint64 integer(int row, int col) const;   // integer, large integer, boolean, date (Julian day)
    std::string_view utf8(int row, int col) const; // text columns, the stored UTF-8 bytes
    QString text(int row, int col) const;     // text columns
    QString displayText(int row, int col) const; // through the field's display format
    // Writes one cell and notifies; for code that fills rows, not for the edit cycle.
    void setValue(int row, int col, const QVariant& v);
    int appendRow();       // a new empty row at the end, returned; notifies a reset
    void removeRow(int row);

    // Bytes held by the rows (capacity of the column stores).
    std::size_t memoryUsage() const;

    void addObserver(TableObserver* o);
    void removeObserver(TableObserver* o);

    // Display text of a typed value as a field of this type and format would show it.
    static QString formatValue(FieldType type, const QString& format, const QVariant& v);

    struct Store; // the typed column storage

private:
    friend class Field;
    void load(const wire::Table& src);
    void rebuildFields(const std::vector<FieldDef>& defs);
    void notifyReset();
    void notifyRow(int row);
    void notifyCursor();
    void requireEditing(const Field& f) const;
    QVariant fieldValue(const Field& f) const;
    void setFieldValue(Field& f, const QVariant& v);
    void resetCursor();

    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<Store> stores_;
    int rowCount_ = 0;
    State state_ = State::Inactive;
    int row_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    int disabled_ = 0;
    bool pendingReset_ = false;
    std::vector<QVariant> buffer_;
    std::vector<char> bufferSet_;
    std::vector<TableObserver*> observers_;
};

// The link between a table and the grids that show it; a grid detached from its data source shows
// nothing and does not read the table.
class DataSource {
public:
    explicit DataSource(Table* table = nullptr) : table_(table) {}
    Table* table() const { return table_; }
    void setTable(Table* t) { table_ = t; }

private:
    Table* table_;
};

} // namespace kit
