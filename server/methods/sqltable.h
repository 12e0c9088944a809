// Writes the rows of an executed query into an answer as a table whose columns the operation declares.
#pragma once

#include "wire.h"

#include <QSqlQuery>

#include <vector>

namespace srv {

// The query's columns are taken by position, in the declared order, and converted to the declared
// types; the names the client sees are the declared ones (PostgreSQL would hand them back in lower
// case). Date columns hold the stored ISO text and travel as ISO text; NULL becomes an empty cell.
// Returns the number of rows written.
int writeTable(wire::MessageWriter& out, QSqlQuery& q, const std::vector<wire::Column>& columns);

} // namespace srv
