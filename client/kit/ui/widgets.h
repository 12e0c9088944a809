// Small widgets the program's windows share.
#pragma once

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace kit {

// An edit box that turns typed letters into capitals with the plain Unicode mapping ("i" gives "I",
// as the desktop's upper-case edit boxes always did, whatever the user's language).
class UpperCaseEdit : public QLineEdit {
public:
    explicit UpperCaseEdit(QWidget* parent = nullptr);
};

// Makes a password box show every character as "*", whatever the style would draw.
void showPasswordAsStars(QLineEdit* edit);

// The row of a form's two buttons: the action on the left, the closing one on the right, each at
// least 110 x 32 and never the default button. The buttons belong to parent.
struct ButtonRow {
    QHBoxLayout* layout;
    QPushButton* action;
    QPushButton* close;
};
ButtonRow buttonRow(QWidget* parent, const QString& action, const QString& close);

} // namespace kit
