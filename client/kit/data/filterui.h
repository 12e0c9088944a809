// The header filter's drop-down list and the custom filter dialog.
#pragma once

#include "kit/data/gridmodel.h"

#include <QDialog>
#include <QFrame>

#include <functional>

class QComboBox;
class QListWidget;
class QRadioButton;

namespace kit {

// Drop-down under a header filter button: all, custom, blanks, non-blanks, then the column's
// distinct display values. Picking an entry closes it and reports the choice.
class FilterPopup : public QFrame {
    Q_OBJECT
public:
    enum Choice { All, Custom, Blanks, NonBlanks, Value };
    using Picked = std::function<void(Choice, const FilterItem*)>;

    FilterPopup(QWidget* owner, std::vector<FilterItem> items, const ColumnFilter* current, Picked picked);
    QListWidget* list() const { return list_; }

private:
    void pick(int row);
    QListWidget* list_;
    std::vector<FilterItem> items_;
    Picked picked_;
};

// One or two conditions on a column, joined with "ve" or "veya".
class CustomFilterDialog : public QDialog {
    Q_OBJECT
public:
    CustomFilterDialog(const QString& caption, const QStringList& values, const ColumnFilter* current,
                       QWidget* parent = nullptr);
    ColumnFilter result() const;

private:
    QComboBox* op1_;
    QComboBox* value1_;
    QComboBox* op2_;
    QComboBox* value2_;
    QRadioButton* and_;
    QRadioButton* or_;
};

} // namespace kit
