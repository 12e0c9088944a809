// Small widgets the program's windows share.
#pragma once

#include <QLineEdit>

namespace kit {

// An edit box that turns typed letters into capitals with the plain Unicode mapping ("i" gives "I",
// as the desktop's upper-case edit boxes always did, whatever the user's language).
class UpperCaseEdit : public QLineEdit {
public:
    explicit UpperCaseEdit(QWidget* parent = nullptr);
};

// Makes a password box show every character as "*", whatever the style would draw.
void showPasswordAsStars(QLineEdit* edit);

} // namespace kit
