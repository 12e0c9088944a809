// Writes the rows of an executed query into an answer as a table whose columns the operation declares.
#pragma once

#include "wire.h"

#include <QSqlQuery>

#include <QVariant>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace srv {

// The query's columns are taken by position, in the declared order, and converted to the declared
// types; the names the client sees are the declared ones (PostgreSQL would hand them back in lower
// case). Date columns hold the stored ISO text and travel as ISO text; NULL becomes an empty cell.
// Returns the number of rows written.
int writeTable(wire::MessageWriter& out, QSqlQuery& q, const std::vector<wire::Column>& columns);

// As above, with cells the database cannot compute alike on both engines (amounts rounded as the
// client rounds them, texts made of several values) filled in by `complete` from the row's cells,
// which come in the declared order before it runs.
// Declared columns from names and types.
inline std::vector<wire::Column> columns(std::initializer_list<std::pair<const char*, wire::Type>> list)
{
    std::vector<wire::Column> out;
    out.reserve(list.size());
    for (const auto& [name, type] : list)
        out.push_back({QString::fromLatin1(name), type, 0});
    return out;
}

using RowCompleter = std::function<void(std::vector<QVariant>& cells)>;
int writeTable(wire::MessageWriter& out, QSqlQuery& q, const std::vector<wire::Column>& columns,
               const RowCompleter& complete);

} // namespace srv
