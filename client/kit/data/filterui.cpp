// The header filter's drop-down list and the custom filter dialog.
#include "kit/data/filterui.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kit {

namespace {

constexpr FilterOp kOps[] = {
    FilterOp::Equal, FilterOp::NotEqual, FilterOp::Less, FilterOp::LessOrEqual,
    FilterOp::Greater, FilterOp::GreaterOrEqual, FilterOp::Contains, FilterOp::NotContains,
    FilterOp::BeginsWith, FilterOp::EndsWith, FilterOp::Blank, FilterOp::NonBlank,
};

void fillOps(QComboBox* box, bool withNone)
{
    if (withNone)
        box->addItem(QString(), -1);
    for (FilterOp op : kOps)
        box->addItem(filterOpText(op), int(op));
}

} // namespace

FilterPopup::FilterPopup(QWidget* owner, std::vector<FilterItem> items, const ColumnFilter* current, Picked picked)
    : QFrame(owner, Qt::Popup), list_(new QListWidget(this)), items_(std::move(items)), picked_(std::move(picked))
{
    setObjectName(QStringLiteral("filterPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(1, 1, 1, 1);
    lay->addWidget(list_);
    list_->setUniformItemSizes(true);
    list_->addItem(QStringLiteral("(Tümü)"));
    list_->addItem(QStringLiteral("(Özel...)"));
    list_->addItem(QStringLiteral("(Boşlar)"));
    list_->addItem(QStringLiteral("(Boş Olmayanlar)"));
    QFont italic = list_->font();
    italic.setItalic(true);
    for (int i = 0; i < 4; ++i)
        list_->item(i)->setFont(italic);
    QFont bold = list_->font();
    bold.setBold(true);
    for (const auto& it : items_) {
        auto* li = new QListWidgetItem(it.text, list_);
        if (current && !current->custom && current->texts.contains(it.text))
            li->setFont(bold);
    }
    int w = 160;
    const QFontMetrics fm(list_->font());
    for (int i = 0; i < list_->count() && i < 500; ++i)
        w = std::max(w, fm.horizontalAdvance(list_->item(i)->text()) + 40);
    const int rows = std::min(list_->count(), 16);
    resize(std::min(w, 420), rows * (fm.height() + 4) + 8);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* li) { pick(list_->row(li)); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* li) { pick(list_->row(li)); });
}

void FilterPopup::pick(int row)
{
    Picked cb = picked_;
    const Choice c = row < 4 ? Choice(row) : Value;
    const FilterItem item = row >= 4 ? items_[std::size_t(row - 4)] : FilterItem{};
    close();
    if (cb)
        cb(c, c == Value ? &item : nullptr);
}

CustomFilterDialog::CustomFilterDialog(const QString& caption, const QStringList& values, const ColumnFilter* current,
                                       QWidget* parent)
    : QDialog(parent), op1_(new QComboBox(this)), value1_(new QComboBox(this)), op2_(new QComboBox(this)),
      value2_(new QComboBox(this)), and_(new QRadioButton(QStringLiteral("Ve"), this)),
      or_(new QRadioButton(QStringLiteral("Veya"), this))
{
    setObjectName(QStringLiteral("customFilterDialog"));
    setWindowTitle(QStringLiteral("Özel Filtre"));
    op1_->setObjectName(QStringLiteral("op1"));
    op2_->setObjectName(QStringLiteral("op2"));
    value1_->setObjectName(QStringLiteral("value1"));
    value2_->setObjectName(QStringLiteral("value2"));
    and_->setObjectName(QStringLiteral("andJoin"));
    or_->setObjectName(QStringLiteral("orJoin"));
    fillOps(op1_, false);
    fillOps(op2_, true);
    for (QComboBox* v : {value1_, value2_}) {
        v->setEditable(true);
        v->addItems(values);
        v->setCurrentIndex(-1);
        v->setMinimumWidth(180);
    }
    and_->setChecked(true);

    auto* lay = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Şu satırları göster: <b>%1</b>").arg(caption.toHtmlEscaped()), this);
    lay->addWidget(title);
    auto* g = new QGridLayout;
    g->addWidget(op1_, 0, 0);
    g->addWidget(value1_, 0, 1);
    auto* join = new QHBoxLayout;
    join->addWidget(and_);
    join->addWidget(or_);
    join->addStretch();
    g->addLayout(join, 1, 0, 1, 2);
    g->addWidget(op2_, 2, 0);
    g->addWidget(value2_, 2, 1);
    lay->addLayout(g);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Tamam"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("İptal"));
    lay->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    if (current && current->custom) {
        op1_->setCurrentIndex(op1_->findData(int(current->first.op)));
        value1_->setEditText(current->first.value.toString());
        if (current->hasSecond) {
            op2_->setCurrentIndex(op2_->findData(int(current->second.op)));
            value2_->setEditText(current->second.value.toString());
        }
        or_->setChecked(current->orJoin);
    }
}

ColumnFilter CustomFilterDialog::result() const
{
    ColumnFilter f;
    f.custom = true;
    f.first.op = FilterOp(op1_->currentData().toInt());
    f.first.value = value1_->currentText();
    const int op2 = op2_->currentData().toInt();
    f.hasSecond = op2 >= 0;
    if (f.hasSecond) {
        f.second.op = FilterOp(op2);
        f.second.value = value2_->currentText();
    }
    f.orJoin = or_->isChecked();
    return f;
}

} // namespace kit
