// Forward-only reader over a table the server returned: rows are read once, in order.
#pragma once

#include "wire.h"

#include <QString>
#include <QVariant>

namespace kit {

class Reader {
public:
    explicit Reader(wire::Table table) : table_(std::move(table)) {}

    // Moves to the next row; false once the rows are used up. The first call moves to the first row.
    bool next()
    {
        if (row_ + 1 >= table_.rowCount()) {
            row_ = table_.rowCount();
            return false;
        }
        ++row_;
        return true;
    }

    int columnCount() const { return table_.columnCount(); }
    const wire::Column& column(int i) const { return table_.columns().at(std::size_t(i)); }
    int columnIndex(const QString& name) const { return table_.columnIndex(name); }

    // Cells of the current row; only valid after next() returned true.
    wire::CellRef cell(int col) const
    {
        const int row = current();
        if (col < 0 || col >= table_.columnCount())
            throw wire::WireError(QStringLiteral("Okuyucuda %1 numaralı sütun yok").arg(col));
        return table_.cell(row, col);
    }
    QVariant value(const QString& column) const { return table_.value(current(), column); }

    // The whole table, for loading into a local table in one go.
    const wire::Table& table() const { return table_; }

private:
    int current() const
    {
        if (row_ < 0 || row_ >= table_.rowCount())
            throw wire::WireError(QStringLiteral("Okuyucu bir satırda durmuyor"));
        return row_;
    }

    wire::Table table_;
    int row_ = -1;
};

} // namespace kit
