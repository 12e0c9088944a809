// Query rows to a wire table: one cell per declared column, converted by the declared type.
#include "methods/sqltable.h"

#include "store/store.h"

#include <QSqlRecord>
#include <QVariant>

namespace srv {

int writeTable(wire::MessageWriter& out, QSqlQuery& q, const std::vector<wire::Column>& columns)
{
    return writeTable(out, q, columns, {});
}

int writeTable(wire::MessageWriter& out, QSqlQuery& q, const std::vector<wire::Column>& columns,
               const RowCompleter& complete)
{
    if (q.record().count() < int(columns.size()))
        throw store::StoreError(QStringLiteral("Sorgu %1 sütun veriyor, tabloda %2 sütun var")
                                    .arg(q.record().count())
                                    .arg(columns.size()));
    out.beginTable(columns);
    int rows = 0;
    std::vector<QVariant> cells(columns.size());
    while (q.next()) {
        for (int c = 0; c < int(columns.size()); ++c)
            cells[std::size_t(c)] = q.value(c);
        if (complete)
            complete(cells);
        out.beginRow();
        for (int c = 0; c < int(columns.size()); ++c) {
            const QVariant& v = cells[std::size_t(c)];
            if (v.isNull()) {
                out.cellNull();
                continue;
            }
            switch (columns[std::size_t(c)].type) {
            case wire::Type::Integer:
            case wire::Type::LargeInt: out.cellInt(v.toLongLong()); break;
            case wire::Type::Float:
            case wire::Type::Currency: out.cellReal(v.toDouble()); break;
            case wire::Type::Boolean: out.cellBool(v.toLongLong() != 0); break;
            case wire::Type::Blob: out.cellBlob(v.toByteArray()); break;
            case wire::Type::Text: out.cellText(v.toString()); break;
            case wire::Type::Date:
            case wire::Type::DateTime: {
                const QString s = v.toString();
                const bool dateOnly = columns[std::size_t(c)].type == wire::Type::Date;
                const QDateTime t = store::timeFromText(s);
                if (!t.isValid())
                    out.cellNull(); // an empty or broken date shows as an empty cell
                else
                    out.cellText(dateOnly ? store::dateText(t.date()) : store::timeText(t));
                break;
            }
            }
        }
        out.endRow();
        ++rows;
    }
    out.endTable();
    return rows;
}

} // namespace srv
