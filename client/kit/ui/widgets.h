// Small widgets the program's windows share.
#pragma once

#include <QLineEdit>

namespace kit {

// An edit box that turns typed letters into capitals, by the user's locale (Turkish "i" gives "İ").
class UpperCaseEdit : public QLineEdit {
public:
    explicit UpperCaseEdit(QWidget* parent = nullptr);
};

} // namespace kit
