// The program's visual style: one calm light look, its palette and its one style sheet.
#pragma once

#include <QFont>

class QApplication;
class QStyle;

namespace kit {

// Applies the look to the application. base is the style to draw with (the tab painter wraps it);
// nullptr takes the plain base style.
void applyStyle(QApplication& app, QStyle* base = nullptr);

// The program's Tahoma at a pixel size (a sans-serif stands in where Tahoma is not installed).
QFont tahoma(int pixels, bool bold);

// The style sheet of the whole program, kept in one place.
const char* styleSheet();

} // namespace kit
