// Shared helpers over local tables: the amount format, row and selection checks, and rounding.
#pragma once

#include "kit/data/table.h"

namespace kit {

// Gives every field whose type is exactly float the amount format "#,###,##0.00"; currency fields
// keep their own.
void SayiBicimle(Table& table);

// True when the table is open and has at least one row.
bool KayitVarmi(const Table& table);

// True when the table is open and a row has "SEC" equal to 1; the cursor is left on that row, or
// past the last row when there is none.
bool SecimVarmi(Table& table);

// x rounded to two decimals through its text form "#,###,##.00" in the user's locale.
double Yuvarla(double x);

// The same through any pattern (the line entry dialog also rounds to three decimals).
double roundThroughText(double x, const QString& pattern);

} // namespace kit
