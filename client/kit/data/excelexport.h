// Export of a whole grid to an Excel workbook, and the "Excel Kaydet" flow with its save dialog.
#pragma once

#include <QString>

class QWidget;

namespace kit {

class Grid;

// The file a chosen name is written to: always an .xlsx workbook ("rapor" and "rapor.xls" both
// become "rapor.xlsx").
QString excelFileName(const QString& chosen);

// Writes the visible columns with their captions and every row the filter lets through, groups
// expanded, with group footers and the footer. Numbers stay numbers, dates stay dates. On failure
// returns false with a Turkish explanation in *error.
bool writeExcel(const Grid& grid, const QString& path, QString* error = nullptr);

// Asks for a file name (filter "Excel|*.xls*") and exports; a cancelled dialog does nothing and a
// failed write is reported to the user. Returns the written file, empty when nothing was written.
QString saveGridAsExcel(Grid& grid, QWidget* parent = nullptr);

} // namespace kit
