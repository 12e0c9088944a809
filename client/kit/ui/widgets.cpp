// Small widgets the program's windows share.
#include "kit/ui/widgets.h"

#include <QProxyStyle>

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

namespace {
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* ret) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};
} // namespace

void showPasswordAsStars(QLineEdit* edit)
{
    auto* style = new StarPasswordStyle;
    style->setParent(edit); // goes with the box
    edit->setStyle(style);
}

ButtonRow buttonRow(QWidget* parent, const QString& action, const QString& close)
{
    ButtonRow r{new QHBoxLayout, new QPushButton(action, parent), new QPushButton(close, parent)};
    for (QPushButton* b : {r.action, r.close}) {
        b->setMinimumSize(110, 32);
        b->setAutoDefault(false);
    }
    r.layout->addWidget(r.action);
    r.layout->addStretch(1);
    r.layout->addWidget(r.close);
    return r;
}

} // namespace kit
