// Small widgets the program's windows share.
#include "kit/ui/widgets.h"

namespace kit {

UpperCaseEdit::UpperCaseEdit(QWidget* parent) : QLineEdit(parent)
{
    // Applied to every edit, typed or pasted, keeping the cursor where it was.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
        const QString up = t.toUpper();
        if (up == t)
            return;
        const int pos = cursorPosition();
        setText(up);
        setCursorPosition(qMin(pos + int(up.size() - t.size()), int(up.size())));
    });
}

} // namespace kit
