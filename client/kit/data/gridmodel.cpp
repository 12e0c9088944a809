// The grid's item model: view order, filters, groups, summaries and the data roles.
#include "kit/data/gridmodel.h"

#include "kit/data/numberformat.h"

#include <QCollator>
#include <QLocale>
#include <QMetaType>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <unordered_set>

namespace kit {

namespace {

bool isNumberVariant(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    if (isNumberVariant(a) || isNumberVariant(b)) {
        bool oa = false, ob = false;
        const double x = a.toDouble(&oa), y = b.toDouble(&ob);
        return oa && ob && x == y;
    }
    return a.toString() == b.toString();
}

// Reads a typed value out of text the user typed, in the field's type.
QVariant readTyped(FieldType t, const QVariant& v)
{
    if (v.typeId() != QMetaType::QString)
        return v;
    const QString s = v.toString().trimmed();
    const QLocale loc;
    bool ok = false;
    switch (t) {
    case FieldType::Integer:
    case FieldType::LargeInt:
    case FieldType::Float:
    case FieldType::Currency: {
        QString plain = s;
        double d = loc.toDouble(plain, &ok);
        if (!ok)
            d = QLocale::c().toDouble(plain, &ok);
        return ok ? QVariant(d) : QVariant();
    }
    case FieldType::Boolean: return s == u"1" || s.compare(u"true", Qt::CaseInsensitive) == 0;
    case FieldType::Date:
    case FieldType::DateTime: {
        QDateTime dt = loc.toDateTime(s, QLocale::ShortFormat);
        if (!dt.isValid())
            dt = QDateTime(loc.toDate(s, QLocale::ShortFormat), QTime(0, 0));
        if (!dt.isValid())
            dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid())
            return {};
        return t == FieldType::Date ? QVariant(dt.date()) : QVariant(dt);
    }
    default: return s;
    }
}

int cmp(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }
int cmp(qint64 a, qint64 b) { return a < b ? -1 : (a > b ? 1 : 0); }

const QString kGroupSep = QStringLiteral("\x1f");

} // namespace

QString filterOpText(FilterOp op)
{
    switch (op) {
    case FilterOp::Equal: return QStringLiteral("eşittir");
    case FilterOp::NotEqual: return QStringLiteral("eşit değildir");
    case FilterOp::Less: return QStringLiteral("küçüktür");
    case FilterOp::LessOrEqual: return QStringLiteral("küçük veya eşittir");
    case FilterOp::Greater: return QStringLiteral("büyüktür");
    case FilterOp::GreaterOrEqual: return QStringLiteral("büyük veya eşittir");
    case FilterOp::Contains: return QStringLiteral("içerir");
    case FilterOp::NotContains: return QStringLiteral("içermez");
    case FilterOp::BeginsWith: return QStringLiteral("ile başlar");
    case FilterOp::EndsWith: return QStringLiteral("ile biter");
    case FilterOp::Blank: return QStringLiteral("boştur");
    case FilterOp::NonBlank: return QStringLiteral("boş değildir");
    }
    return {};
}

QVariant RowRef::value(const QString& field) const
{
    const int fi = isValid() ? table_->fieldIndex(field) : -1;
    return fi < 0 ? QVariant() : table_->value(row_, fi);
}

double RowRef::real(const QString& field) const
{
    const int fi = isValid() ? table_->fieldIndex(field) : -1;
    return fi < 0 ? 0.0 : table_->real(row_, fi);
}

QString RowRef::text(const QString& field) const
{
    const int fi = isValid() ? table_->fieldIndex(field) : -1;
    return fi < 0 ? QString() : table_->displayText(row_, fi);
}

class GridModel::Observer : public TableObserver {
public:
    explicit Observer(GridModel* m) : m_(m) {}
    void tableReset() override { m_->onTableReset(); }
    void rowChanged(int row) override { m_->onRowChanged(row); }
    void cursorMoved(int row) override { m_->onCursorMoved(row); }
    void tableDestroyed() override { m_->onTableDestroyed(); }

private:
    GridModel* m_;
};

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent), observer_(std::make_unique<Observer>(this)) {}

GridModel::~GridModel()
{
    if (table_)
        table_->removeObserver(observer_.get());
}

void GridModel::setColumns(const std::vector<ColumnDef>& cols)
{
    cols_ = cols;
    filters_.clear();
    sortCol_ = -1;
    groupCols_.clear();
    rebuild();
}

int GridModel::columnByKey(const QString& key) const
{
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (cols_[i].key().compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (cols_[i].field.compare(key, Qt::CaseInsensitive) == 0 && !cols_[i].field.isEmpty())
            return int(i);
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (cols_[i].shownCaption() == key)
            return int(i);
    return -1;
}

void GridModel::setTable(Table* t)
{
    if (t == table_)
        return;
    if (table_)
        table_->removeObserver(observer_.get());
    table_ = t;
    if (table_)
        table_->addObserver(observer_.get());
    // Switched at once even inside an update: the previous table may be refilled right after.
    rebuild();
}

void GridModel::beginUpdate() { ++updateLock_; }

void GridModel::endUpdate()
{
    if (updateLock_ > 0 && --updateLock_ == 0 && pending_) {
        pending_ = false;
        rebuild();
    }
}

void GridModel::onTableReset()
{
    if (updateLock_ > 0) {
        pending_ = true;
        return;
    }
    rebuild();
}

void GridModel::onRowChanged(int row)
{
    if (updateLock_ > 0) {
        // Inside an update nothing is announced (the writer may be a worker); the end rebuilds.
        pending_ = true;
        return;
    }
    footerDirty_ = true;
    groupCache_.clear();
    const int vr = viewRowOf(row);
    if (vr >= 0 && !cols_.empty())
        emit dataChanged(index(vr, 0), index(vr, int(cols_.size()) - 1));
    if (!identity_)
        scheduleRebuild(); // the changed row may now sort, filter or group elsewhere
    emit summariesChanged();
}

void GridModel::onCursorMoved(int row)
{
    if (updateLock_ == 0)
        emit cursorMoved(row);
}

void GridModel::onTableDestroyed()
{
    table_ = nullptr;
    rebuild();
}

void GridModel::scheduleRebuild()
{
    if (rebuildQueued_)
        return;
    rebuildQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            rebuildQueued_ = false;
            if (updateLock_ > 0)
                pending_ = true;
            else
                rebuild();
        },
        Qt::QueuedConnection);
}

void GridModel::resolveFields()
{
    fieldIdx_.assign(cols_.size(), -1);
    if (!table_ || !table_->isOpen())
        return;
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (!cols_[i].field.isEmpty())
            fieldIdx_[i] = table_->fieldIndex(cols_[i].field);
}

void GridModel::rebuild()
{
    beginResetModel();
    resolveFields();
    rowTotal_ = table_ && table_->isOpen() ? table_->rowCount() : 0;
    inverse_.clear();
    footerDirty_ = true;
    groupCache_.clear();
    order_.clear();
    groups_.clear();
    rows_.clear();
    identity_ = filters_.empty() && sortCol_ < 0 && groupCols_.empty();
    compileFilters();
    if (!identity_) {
        order_.reserve(std::size_t(rowTotal_));
        for (int r = 0; r < rowTotal_; ++r)
            if (passes(r))
                order_.push_back(r);

        // Text keys are ranked once through the locale's collation; rows then compare ranks.
        std::vector<int> keyCols = groupCols_;
        if (sortCol_ >= 0)
            keyCols.push_back(sortCol_);
        std::vector<std::vector<int>> ranks(cols_.size());
        for (int c : keyCols) {
            const int fi = fieldOf(c);
            const bool textual = fi < 0 ? bool(cols_[std::size_t(c)].text)
                                        : table_->field(fi).type() == FieldType::Text;
            if (!textual || !ranks[std::size_t(c)].empty())
                continue;
            QHash<QString, int> distinct;
            std::vector<QString> strings;
            for (int r : order_) {
                const QString s = cellText(r, c);
                if (!distinct.contains(s)) {
                    distinct.insert(s, int(strings.size()));
                    strings.push_back(s);
                }
            }
            QCollator coll{QLocale()};
            coll.setCaseSensitivity(Qt::CaseInsensitive);
            std::vector<int> idx(strings.size());
            for (std::size_t i = 0; i < idx.size(); ++i)
                idx[i] = int(i);
            std::sort(idx.begin(), idx.end(), [&](int a, int b) { return coll.compare(strings[std::size_t(a)], strings[std::size_t(b)]) < 0; });
            std::vector<int> rankOf(strings.size());
            for (std::size_t i = 0; i < idx.size(); ++i)
                rankOf[std::size_t(idx[i])] = int(i);
            auto& rk = ranks[std::size_t(c)];
            rk.assign(std::size_t(rowTotal_), 0);
            for (int r : order_)
                rk[std::size_t(r)] = rankOf[std::size_t(distinct.value(cellText(r, c)))];
        }
        auto compareBy = [&](int a, int b, int c) {
            const auto& rk = ranks[std::size_t(c)];
            if (!rk.empty()) {
                const bool na = fieldOf(c) >= 0 && table_->isNull(a, fieldOf(c));
                const bool nb = fieldOf(c) >= 0 && table_->isNull(b, fieldOf(c));
                if (na != nb)
                    return na ? -1 : 1;
                return rk[std::size_t(a)] - rk[std::size_t(b)];
            }
            return compareRows(a, b, c);
        };
        if (!keyCols.empty()) {
            std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
                for (std::size_t k = 0; k < keyCols.size(); ++k) {
                    int d = compareBy(a, b, keyCols[k]);
                    if (d == 0)
                        continue;
                    const bool isSortKey = sortCol_ >= 0 && k + 1 == keyCols.size();
                    if (isSortKey && sortOrder_ == Qt::DescendingOrder)
                        d = -d;
                    return d < 0;
                }
                return false;
            });
        }

        if (!groupCols_.empty()) {
            std::function<void(int, int, int, const QString&)> build = [&](int level, int first, int end, const QString& parent) {
                const int c = groupCols_[std::size_t(level)];
                int i = first;
                while (i < end) {
                    int j = i + 1;
                    while (j < end && compareBy(order_[std::size_t(i)], order_[std::size_t(j)], c) == 0)
                        ++j;
                    Group g;
                    g.level = level;
                    g.first = i;
                    g.count = j - i;
                    g.key = rawValue(order_[std::size_t(i)], c);
                    g.text = cols_[std::size_t(c)].shownCaption() + QStringLiteral(" : ") + valueText(c, g.key);
                    g.path = parent + kGroupSep + g.text;
                    g.expanded = defaultExpanded_ != toggled_.contains(g.path);
                    groups_.push_back(g);
                    if (level + 1 < int(groupCols_.size()))
                        build(level + 1, i, j, g.path);
                    i = j;
                }
            };
            build(0, 0, int(order_.size()), QString());
        }
        buildLayout();
    }
    endResetModel();
    emit summariesChanged();
    emit rebuilt();
}

int GridModel::groupEnd(int g) const
{
    const int level = groups_[std::size_t(g)].level;
    int h = g + 1;
    while (h < int(groups_.size()) && groups_[std::size_t(h)].level > level)
        ++h;
    return h;
}

void GridModel::appendGroupRows(std::vector<ViewRow>& out, int g, bool allExpanded) const
{
    const Group& gr = groups_[std::size_t(g)];
    out.push_back({g, std::uint8_t(RowKind::Group), std::uint8_t(gr.level)});
    const bool open = allExpanded || gr.expanded;
    if (open) {
        if (gr.level + 1 >= int(groupCols_.size())) {
            for (int i = gr.first; i < gr.first + gr.count; ++i)
                out.push_back({order_[std::size_t(i)], std::uint8_t(RowKind::Data), std::uint8_t(gr.level + 1)});
        } else {
            const int end = groupEnd(g);
            for (int h = g + 1; h < end; h = groupEnd(h))
                appendGroupRows(out, h, allExpanded);
        }
    }
    if (groupFooters_ == GroupFooters::Always || (groupFooters_ == GroupFooters::WhenExpanded && open))
        out.push_back({g, std::uint8_t(RowKind::GroupFooter), std::uint8_t(gr.level)});
}

void GridModel::buildLayout()
{
    rows_.clear();
    inverse_.clear();
    if (groupCols_.empty()) {
        rows_.reserve(order_.size());
        for (int r : order_)
            rows_.push_back({r, std::uint8_t(RowKind::Data), 0});
        return;
    }
    for (int g = 0; g < int(groups_.size()); g = groupEnd(g))
        appendGroupRows(rows_, g, false);
}

std::vector<GridModel::LayoutRow> GridModel::expandedLayout() const
{
    std::vector<LayoutRow> out;
    if (identity_ || groupCols_.empty()) {
        const int n = dataRowCount();
        out.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i)
            out.push_back({RowKind::Data, orderedRow(i), 0});
        return out;
    }
    std::vector<ViewRow> rows;
    for (int g = 0; g < int(groups_.size()); g = groupEnd(g))
        appendGroupRows(rows, g, true);
    out.reserve(rows.size());
    for (const auto& r : rows)
        out.push_back({RowKind(r.kind), r.index, r.level});
    return out;
}

QString GridModel::groupTextOf(int group) const { return groups_[std::size_t(group)].text; }

// ---- filtering ----

void GridModel::compileFilters()
{
    compiled_.clear();
    for (const auto& [c, f] : filters_) {
        Compiled k;
        k.field = fieldOf(c);
        if (k.field < 0)
            continue;
        k.type = table_->field(k.field).type();
        k.filter = &f;
        if (!f.custom) {
            for (const QVariant& v : f.values) {
                if (!v.isValid()) {
                    k.nullHit = true;
                } else if (isNumeric(k.type)) {
                    k.numbers.push_back(v.toDouble());
                } else if (k.type == FieldType::Text) {
                    const QByteArray u = v.toString().toUtf8();
                    k.texts.emplace_back(u.constData(), std::size_t(u.size()));
                } else {
                    k.others.push_back(v);
                }
            }
        } else {
            k.key1 = readTyped(k.type, f.first.value);
            if (f.hasSecond)
                k.key2 = readTyped(k.type, f.second.value);
        }
        compiled_.push_back(std::move(k));
    }
}

bool GridModel::test(const Compiled& f, int row, const FilterCondition& cond, const QVariant& key) const
{
    const int fi = f.field;
    const FieldType t = f.type;
    const bool null = table_->isNull(row, fi);
    const bool blank = null || (t == FieldType::Text && table_->utf8(row, fi).empty());
    if (cond.op == FilterOp::Blank)
        return blank;
    if (cond.op == FilterOp::NonBlank)
        return !blank;
    if (null)
        return cond.op == FilterOp::NotEqual || cond.op == FilterOp::NotContains;
    switch (cond.op) {
    case FilterOp::Contains:
    case FilterOp::NotContains:
    case FilterOp::BeginsWith:
    case FilterOp::EndsWith: {
        const QString s = table_->displayText(row, fi);
        const QString needle = cond.value.toString();
        const bool r = cond.op == FilterOp::BeginsWith ? s.startsWith(needle, Qt::CaseInsensitive)
                     : cond.op == FilterOp::EndsWith   ? s.endsWith(needle, Qt::CaseInsensitive)
                                                       : s.contains(needle, Qt::CaseInsensitive);
        return cond.op == FilterOp::NotContains ? !r : r;
    }
    default: break;
    }
    if (!key.isValid())
        return cond.op == FilterOp::NotEqual;
    int d = 0;
    if (isNumeric(t)) {
        d = cmp(table_->real(row, fi), key.toDouble());
    } else if (t == FieldType::Text) {
        d = QString::compare(table_->text(row, fi), key.toString(), Qt::CaseInsensitive);
    } else if (t == FieldType::Date) {
        d = cmp(table_->integer(row, fi), key.toDate().toJulianDay());
    } else if (t == FieldType::DateTime) {
        const QDateTime a = table_->value(row, fi).toDateTime(), b = key.toDateTime();
        d = a < b ? -1 : (b < a ? 1 : 0);
    } else if (t == FieldType::Boolean) {
        d = cmp(table_->integer(row, fi), qint64(key.toBool()));
    } else {
        return false;
    }
    switch (cond.op) {
    case FilterOp::Equal: return d == 0;
    case FilterOp::NotEqual: return d != 0;
    case FilterOp::Less: return d < 0;
    case FilterOp::LessOrEqual: return d <= 0;
    case FilterOp::Greater: return d > 0;
    case FilterOp::GreaterOrEqual: return d >= 0;
    default: return false;
    }
}

bool GridModel::passes(int row) const
{
    for (const Compiled& f : compiled_) {
        const ColumnFilter& cf = *f.filter;
        if (cf.custom) {
            bool ok = test(f, row, cf.first, f.key1);
            if (cf.hasSecond)
                ok = cf.orJoin ? (ok || test(f, row, cf.second, f.key2)) : (ok && test(f, row, cf.second, f.key2));
            if (!ok)
                return false;
            continue;
        }
        if (table_->isNull(row, f.field)) {
            if (!f.nullHit)
                return false;
            continue;
        }
        bool hit = false;
        if (isNumeric(f.type)) {
            const double x = table_->real(row, f.field);
            hit = std::find(f.numbers.begin(), f.numbers.end(), x) != f.numbers.end();
        } else if (f.type == FieldType::Text) {
            const std::string_view x = table_->utf8(row, f.field);
            for (const auto& s : f.texts)
                if (x == s) {
                    hit = true;
                    break;
                }
        } else {
            const QVariant x = table_->value(row, f.field);
            for (const auto& v : f.others)
                if (sameValue(x, v)) {
                    hit = true;
                    break;
                }
        }
        if (!hit)
            return false;
    }
    return true;
}

std::vector<FilterItem> GridModel::filterItems(int col) const
{
    std::vector<FilterItem> items;
    const int fi = fieldOf(col);
    if (fi < 0 || col < 0)
        return items;
    const FieldType t = table_->field(fi).type();
    std::vector<QVariant> raws;
    if (isNumeric(t)) {
        std::set<double> s;
        for (int r = 0; r < rowTotal_; ++r)
            if (!table_->isNull(r, fi))
                s.insert(table_->real(r, fi));
        for (double d : s)
            raws.push_back(t == FieldType::Integer ? QVariant(int(d)) : (t == FieldType::LargeInt ? QVariant(qlonglong(d)) : QVariant(d)));
    } else if (t == FieldType::Text) {
        std::unordered_set<std::string_view> s;
        std::vector<QString> strings;
        for (int r = 0; r < rowTotal_; ++r)
            if (!table_->isNull(r, fi) && s.insert(table_->utf8(r, fi)).second)
                strings.push_back(table_->text(r, fi));
        QCollator coll{QLocale()};
        coll.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(strings.begin(), strings.end(), [&](const QString& a, const QString& b) { return coll.compare(a, b) < 0; });
        for (const auto& x : strings)
            raws.push_back(x);
    } else if (t != FieldType::Blob) {
        std::map<qint64, int> firstRow; // each distinct value with a row holding it
        for (int r = 0; r < rowTotal_; ++r)
            if (!table_->isNull(r, fi))
                firstRow.emplace(table_->integer(r, fi), r);
        for (const auto& kv : firstRow)
            raws.push_back(table_->value(kv.second, fi));
    }
    QHash<QString, std::size_t> byText;
    for (const QVariant& v : raws) {
        const QString text = valueText(col, v);
        auto it = byText.find(text);
        if (it == byText.end()) {
            byText.insert(text, items.size());
            items.push_back({text, {v}});
        } else {
            items[*it].values.push_back(v);
        }
    }
    return items;
}

void GridModel::setFilter(int col, const ColumnFilter& f)
{
    if (col < 0 || col >= int(cols_.size()))
        return;
    filters_[col] = f;
    rebuild();
}

void GridModel::removeFilter(int col)
{
    if (filters_.erase(col))
        rebuild();
}

void GridModel::clearFilter()
{
    if (filters_.empty())
        return;
    filters_.clear();
    rebuild();
}

const ColumnFilter* GridModel::filter(int col) const
{
    auto it = filters_.find(col);
    return it == filters_.end() ? nullptr : &it->second;
}

QString GridModel::filterDescription() const
{
    QStringList parts;
    for (const auto& [c, f] : filters_) {
        const QString cap = cols_[std::size_t(c)].shownCaption();
        if (!f.custom) {
            QStringList texts = f.texts;
            if (texts.isEmpty())
                for (const auto& v : f.values)
                    texts << (v.isValid() ? valueText(c, v) : QStringLiteral("(Boş)"));
            if (texts.size() == 1)
                parts << cap + QStringLiteral(" = ") + texts.first();
            else
                parts << cap + QStringLiteral(" içinde (") + texts.join(QStringLiteral(", ")) + u')';
            continue;
        }
        auto one = [&](const FilterCondition& x) {
            QString s = cap + u' ' + filterOpText(x.op);
            if (x.op != FilterOp::Blank && x.op != FilterOp::NonBlank)
                s += QStringLiteral(" '") + x.value.toString() + u'\'';
            return s;
        };
        QString s = one(f.first);
        if (f.hasSecond) {
            const QString join = f.orJoin ? QStringLiteral(" veya ") : QStringLiteral(" ve ");
            s = u'(' + s + join + one(f.second) + u')';
        }
        parts << s;
    }
    return parts.join(QStringLiteral(" ve "));
}

// ---- sorting and grouping ----

int GridModel::compareRows(int a, int b, int col) const
{
    const int fi = fieldOf(col);
    if (fi < 0)
        return QString::localeAwareCompare(cellText(a, col), cellText(b, col));
    const bool na = table_->isNull(a, fi), nb = table_->isNull(b, fi);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    switch (table_->field(fi).type()) {
    case FieldType::Integer:
    case FieldType::LargeInt:
    case FieldType::Boolean:
    case FieldType::Date:
    case FieldType::DateTime: return cmp(table_->integer(a, fi), table_->integer(b, fi));
    case FieldType::Float:
    case FieldType::Currency: return cmp(table_->real(a, fi), table_->real(b, fi));
    case FieldType::Text: return QString::localeAwareCompare(table_->text(a, fi), table_->text(b, fi));
    case FieldType::Blob: return 0;
    }
    return 0;
}

void GridModel::sortBy(int col, Qt::SortOrder order)
{
    sortCol_ = col >= 0 && col < int(cols_.size()) ? col : -1;
    sortOrder_ = order;
    rebuild();
}

void GridModel::setGroupColumns(const std::vector<int>& cols)
{
    groupCols_.clear();
    for (int c : cols)
        if (c >= 0 && c < int(cols_.size()) && std::find(groupCols_.begin(), groupCols_.end(), c) == groupCols_.end())
            groupCols_.push_back(c);
    rebuild();
}

void GridModel::setGroupFooters(GroupFooters g)
{
    if (groupFooters_ == g)
        return;
    groupFooters_ = g;
    rebuild();
}

void GridModel::setExpanded(int viewRow, bool on)
{
    if (rowKind(viewRow) != RowKind::Group)
        return;
    Group& g = groups_[std::size_t(rows_[std::size_t(viewRow)].index)];
    if (g.expanded == on)
        return;
    g.expanded = on;
    if (on != defaultExpanded_)
        toggled_.insert(g.path);
    else
        toggled_.remove(g.path);
    beginResetModel();
    buildLayout();
    endResetModel();
    emit rebuilt();
}

void GridModel::expandAll()
{
    defaultExpanded_ = true;
    toggled_.clear();
    rebuild();
}

void GridModel::collapseAll()
{
    defaultExpanded_ = false;
    toggled_.clear();
    rebuild();
}

// ---- rows ----

int GridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return identity_ ? rowTotal_ : int(rows_.size());
}

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(cols_.size()); }

RowKind GridModel::rowKind(int viewRow) const
{
    if (identity_ || viewRow < 0 || viewRow >= int(rows_.size()))
        return RowKind::Data;
    return RowKind(rows_[std::size_t(viewRow)].kind);
}

int GridModel::dataRow(int viewRow) const
{
    if (viewRow < 0)
        return -1;
    if (identity_)
        return viewRow < rowTotal_ ? viewRow : -1;
    if (viewRow >= int(rows_.size()))
        return -1;
    const ViewRow& r = rows_[std::size_t(viewRow)];
    return RowKind(r.kind) == RowKind::Data ? r.index : -1;
}

int GridModel::viewRowOf(int dataRow) const
{
    if (dataRow < 0 || dataRow >= rowTotal_)
        return -1;
    if (identity_)
        return dataRow;
    if (inverse_.empty()) {
        inverse_.assign(std::size_t(rowTotal_), -1);
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (RowKind(rows_[i].kind) == RowKind::Data)
                inverse_[std::size_t(rows_[i].index)] = int(i);
    }
    return inverse_[std::size_t(dataRow)];
}

int GridModel::groupLevel(int viewRow) const
{
    if (identity_ || viewRow < 0 || viewRow >= int(rows_.size()))
        return 0;
    return rows_[std::size_t(viewRow)].level;
}

bool GridModel::isExpanded(int viewRow) const
{
    if (rowKind(viewRow) != RowKind::Group)
        return false;
    return groups_[std::size_t(rows_[std::size_t(viewRow)].index)].expanded;
}

QString GridModel::groupText(int viewRow) const
{
    if (rowKind(viewRow) != RowKind::Group)
        return {};
    return groups_[std::size_t(rows_[std::size_t(viewRow)].index)].text;
}

int GridModel::dataRowCount() const { return identity_ ? rowTotal_ : int(order_.size()); }
int GridModel::orderedRow(int i) const { return identity_ ? i : order_[std::size_t(i)]; }

QVariant GridModel::rawValue(int dataRow, int col) const
{
    const int fi = fieldOf(col);
    if (fi < 0 || !table_ || dataRow < 0 || dataRow >= table_->rowCount())
        return {};
    return table_->value(dataRow, fi);
}

QString GridModel::valueText(int col, const QVariant& v) const
{
    const ColumnDef& cd = cols_[std::size_t(col)];
    if (!v.isValid())
        return {};
    if (cd.editor == Editor::ImageCombo) {
        for (const auto& it : cd.items)
            if (sameValue(it.value, v))
                return it.description.isEmpty() ? v.toString() : it.description;
    }
    if (cd.editor == Editor::CheckBox)
        return sameValue(v, cd.checkedValue) ? QStringLiteral("İşaretli") : QStringLiteral("İşaretsiz");
    const int fi = fieldOf(col);
    if (fi < 0)
        return v.toString();
    const Field& f = table_->field(fi);
    return Table::formatValue(f.type(), f.displayFormat(), v);
}

int GridModel::imageIndex(int col, const QVariant& v) const
{
    if (!v.isValid())
        return -1;
    for (const auto& it : cols_[std::size_t(col)].items)
        if (sameValue(it.value, v))
            return it.image;
    return -1;
}

bool GridModel::isChecked(int col, const QVariant& v) const
{
    return v.isValid() && sameValue(v, cols_[std::size_t(col)].checkedValue);
}

QString GridModel::cellText(int dataRow, int col) const
{
    if (!table_ || dataRow < 0 || dataRow >= table_->rowCount())
        return {};
    const ColumnDef& cd = cols_[std::size_t(col)];
    const int fi = fieldOf(col);
    switch (cd.editor) {
    case Editor::CustomDraw:
        if (cd.text)
            return cd.text(RowRef(table_, dataRow));
        break;
    case Editor::Picture:
    case Editor::CheckBox:
        return {};
    case Editor::ImageCombo:
        return fi < 0 ? QString() : valueText(col, table_->value(dataRow, fi));
    default:
        break;
    }
    return fi < 0 ? QString() : table_->displayText(dataRow, fi);
}

// ---- model interface ----

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= int(cols_.size()))
        return {};
    const int vr = index.row();
    const int c = index.column();
    const RowKind kind = rowKind(vr);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (kind == RowKind::Data)
            return cellText(dataRow(vr), c);
        if (kind == RowKind::Group)
            return c == 0 ? QVariant(groupText(vr)) : QVariant();
        {
            QStringList texts;
            for (std::size_t i = 0; i < groupSum_.size(); ++i)
                if (columnByKey(groupSum_[i].column) == c)
                    texts << summaryText(groupSum_[i], groupValue(vr, int(i)));
            return texts.join(u'\n');
        }
    case RawValueRole:
        if (kind == RowKind::Data)
            return rawValue(dataRow(vr), c);
        if (kind == RowKind::Group)
            return groups_[std::size_t(rows_[std::size_t(vr)].index)].key;
        return {};
    case RowKindRole: return int(kind);
    case GroupLevelRole: return groupLevel(vr);
    case ExpandedRole: return isExpanded(vr);
    case DataRowRole: return dataRow(vr);
    case Qt::TextAlignmentRole: {
        const ColumnDef& cd = cols_[std::size_t(c)];
        Qt::Alignment h = cd.alignment & Qt::AlignHorizontal_Mask;
        if (!h) {
            const int fi = fieldOf(c);
            h = (fi >= 0 && isNumeric(table_->field(fi).type())) || kind == RowKind::GroupFooter ? Qt::AlignRight : Qt::AlignLeft;
        }
        const Qt::Alignment v = cd.editor == Editor::Memo && kind == RowKind::Data ? Qt::AlignTop : Qt::AlignVCenter;
        return int(h | v);
    }
    default: return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || section >= int(cols_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cols_[std::size_t(section)].shownCaption();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const ColumnDef& cd = cols_[std::size_t(index.column())];
    if (!readOnly_ && rowKind(index.row()) == RowKind::Data && fieldOf(index.column()) >= 0 &&
        (cd.editor == Editor::Label || cd.editor == Editor::WrappedLabel || cd.editor == Editor::Memo))
        f |= Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int dr = dataRow(index.row());
    const int fi = fieldOf(index.column());
    if (dr < 0 || fi < 0)
        return false;
    const FieldType t = table_->field(fi).type();
    const QVariant typed = t == FieldType::Text ? value : readTyped(t, value);
    if (!typed.isValid() && !value.toString().trimmed().isEmpty())
        return false;
    try {
        table_->setValue(dr, fi, typed);
    } catch (const DataError&) {
        return false;
    }
    return true;
}

// ---- summaries ----

void GridModel::setFooterSummaries(const std::vector<SummaryDef>& s)
{
    footer_ = s;
    footerDirty_ = true;
    emit summariesChanged();
}

void GridModel::setGroupSummaries(const std::vector<SummaryDef>& s)
{
    groupSum_ = s;
    groupCache_.clear();
    emit summariesChanged();
}

QVariant GridModel::computeSummary(const SummaryDef& s, int first, int count) const
{
    if (s.kind == Summary::Count)
        return qlonglong(count);
    const int c = columnByKey(s.column);
    const int fi = c < 0 ? -1 : fieldOf(c);
    if (fi < 0 || !isNumeric(table_->field(fi).type()))
        return {};
    double sum = 0, mn = 0, mx = 0;
    int n = 0;
    for (int i = first; i < first + count; ++i) {
        const int r = orderedRow(i);
        if (table_->isNull(r, fi))
            continue;
        const double v = table_->real(r, fi);
        if (n == 0)
            mn = mx = v;
        sum += v;
        mn = std::min(mn, v);
        mx = std::max(mx, v);
        ++n;
    }
    switch (s.kind) {
    case Summary::Sum: return sum;
    case Summary::Average: return n ? QVariant(sum / n) : QVariant();
    case Summary::Min: return n ? QVariant(mn) : QVariant();
    case Summary::Max: return n ? QVariant(mx) : QVariant();
    case Summary::Count: break;
    }
    return {};
}

QVariant GridModel::footerValue(int i) const
{
    if (i < 0 || i >= int(footer_.size()))
        return {};
    if (footerDirty_ || footerCache_.size() != footer_.size()) {
        footerCache_.clear();
        const int n = table_ && table_->isOpen() ? std::min(dataRowCount(), table_->rowCount()) : 0;
        for (const auto& s : footer_)
            footerCache_.push_back(computeSummary(s, 0, n));
        footerDirty_ = false;
    }
    return footerCache_[std::size_t(i)];
}

QVariant GridModel::groupValueOf(int group, int i) const
{
    if (group < 0 || group >= int(groups_.size()) || i < 0 || i >= int(groupSum_.size()))
        return {};
    const auto key = std::make_pair(group, i);
    auto it = groupCache_.find(key);
    if (it != groupCache_.end())
        return it->second;
    const Group& g = groups_[std::size_t(group)];
    const QVariant v = computeSummary(groupSum_[std::size_t(i)], g.first, g.count);
    groupCache_.emplace(key, v);
    return v;
}

QVariant GridModel::groupValue(int viewRow, int i) const
{
    if (identity_ || viewRow < 0 || viewRow >= int(rows_.size()) || rowKind(viewRow) == RowKind::Data)
        return {};
    return groupValueOf(rows_[std::size_t(viewRow)].index, i);
}

QString GridModel::summaryText(const SummaryDef& s, const QVariant& v) const
{
    if (!v.isValid())
        return {};
    if (s.kind == Summary::Count)
        return QString::number(v.toLongLong());
    if (!s.format.isEmpty())
        return formatNumber(v.toDouble(), s.format);
    const int c = columnByKey(s.column);
    const int fi = c < 0 ? -1 : fieldOf(c);
    if (fi < 0)
        return formatNumber(v.toDouble(), QString::fromUtf16(kAmountPattern));
    const Field& f = table_->field(fi);
    FieldType t = f.type();
    if (s.kind == Summary::Average && (t == FieldType::Integer || t == FieldType::LargeInt) && f.displayFormat().isEmpty())
        t = FieldType::Float;
    return Table::formatValue(t, f.displayFormat(), t == FieldType::Float || t == FieldType::Currency ? v : QVariant(qlonglong(std::llround(v.toDouble()))));
}

QStringList GridModel::footerTexts(int col) const
{
    QStringList out;
    for (std::size_t i = 0; i < footer_.size(); ++i)
        if (columnByKey(footer_[i].column) == col)
            out << summaryText(footer_[i], footerValue(int(i)));
    return out;
}

} // namespace kit
