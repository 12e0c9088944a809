// The data grid widget: binding, options, focus, filters, grouping and column layout.
#include "kit/data/grid.h"

#include "kit/data/filterui.h"
#include "kit/data/griddelegate.h"
#include "kit/data/gridparts.h"
#include "kit/ui/modal.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kit {

namespace {

// Best fit measures at most this many rows, so it stays quick on very long lists.
constexpr int kBestFitRows = 1000;
constexpr int kWrapWidthCap = 400;

} // namespace

Grid::Grid(QWidget* parent)
    : QWidget(parent), model_(new GridModel(this)), view_(new GridView(this)), header_(new GridHeader(this)),
      indicator_(new IndicatorHeader(this)), footer_(new GridFooter(this)), groupBox_(new GroupByBox(this)),
      filterBar_(new FilterBar(this)), delegate_(new GridDelegate(this))
{
    style_.font = font();
    style_.headerFont = font();
    style_.headerFont.setBold(true);

    view_->setHorizontalHeader(header_);
    view_->setVerticalHeader(indicator_);
    view_->setModel(model_);
    view_->setItemDelegate(delegate_);
    view_->setShowGrid(false);
    view_->setWordWrap(false);
    view_->setCornerButtonEnabled(false);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header_->setStretchLastSection(false);
    header_->setSectionResizeMode(QHeaderView::Interactive);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(groupBox_);
    lay->addWidget(view_, 1);
    lay->addWidget(footer_);
    lay->addWidget(filterBar_);
    filterBar_->hide();

    connect(model_, &GridModel::rebuilt, this, &Grid::onRebuilt);
    connect(model_, &GridModel::summariesChanged, this, [this] {
        footer_->updateGeometry();
        footer_->update();
    });
    connect(model_, &GridModel::cursorMoved, this, &Grid::onTableCursor);
    connect(header_, &GridHeader::filterButtonClicked, this, [this](int c) { openFilterPopup(column(c).key()); });
    connect(header_, &QHeaderView::sectionClicked, this, [this](int c) {
        if (!header_->takeSuppressedClick() && options_.sorting)
            toggleSort(c);
    });
    connect(header_, &GridHeader::menuRequested, this, &Grid::showHeaderMenu);
    connect(header_, &QHeaderView::sectionResized, footer_, qOverload<>(&QWidget::update));
    connect(header_, &QHeaderView::sectionMoved, footer_, qOverload<>(&QWidget::update));
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, footer_, qOverload<>(&QWidget::update));

    applyOptions();
    applyStyle();
}

Grid::~Grid()
{
    // The model stops listening before an unbound table it shows goes away.
    model_->setTable(nullptr);
}

QTableView* Grid::view() const { return view_; }

// ---- columns ----

void Grid::setColumns(const std::vector<ColumnDef>& cols)
{
    model_->setColumns(cols);
    for (int c = 0; c < int(cols.size()); ++c)
        header_->resizeSection(c, std::max(0, cols[std::size_t(c)].width));
    applyVisibility();
}

int Grid::columnCount() const { return int(model_->columns().size()); }
const ColumnDef& Grid::column(int i) const { return model_->column(i); }
int Grid::columnIndex(const QString& key) const { return model_->columnByKey(key); }

void Grid::setColumnVisible(const QString& key, bool on)
{
    const int c = columnIndex(key);
    if (c < 0)
        return;
    model_->column(c).visible = on;
    applyVisibility();
}

bool Grid::isColumnVisible(const QString& key) const
{
    const int c = columnIndex(key);
    return c >= 0 && !header_->isSectionHidden(c);
}

void Grid::setColumnOffered(const QString& key, bool on)
{
    const int c = columnIndex(key);
    if (c >= 0)
        model_->column(c).offered = on;
}

void Grid::setColumnCaption(const QString& key, const QString& caption)
{
    const int c = columnIndex(key);
    if (c < 0)
        return;
    model_->column(c).caption = caption;
    header_->viewport()->update();
}

void Grid::setColumnWidth(const QString& key, int width)
{
    const int c = columnIndex(key);
    if (c >= 0)
        header_->resizeSection(c, std::max(0, width));
}

int Grid::columnWidth(const QString& key) const
{
    const int c = columnIndex(key);
    return c < 0 ? 0 : header_->sectionSize(c);
}

std::vector<int> Grid::visibleColumns() const
{
    std::vector<int> out;
    for (int v = 0; v < header_->count(); ++v) {
        const int c = header_->logicalIndex(v);
        if (!header_->isSectionHidden(c))
            out.push_back(c);
    }
    return out;
}

QStringList Grid::customizationList() const
{
    QStringList out;
    for (const auto& c : model_->columns())
        if (c.offered)
            out << c.shownCaption();
    return out;
}

void Grid::applyVisibility()
{
    const auto& grouped = model_->groupColumns();
    for (int c = 0; c < columnCount(); ++c) {
        const bool isGrouped = std::find(grouped.begin(), grouped.end(), c) != grouped.end();
        header_->setSectionHidden(c, !column(c).visible || (isGrouped && !options_.showGroupedColumns));
    }
    footer_->update();
}

// ---- options and style ----

void Grid::setOptions(const GridOptions& o)
{
    options_ = o;
    applyOptions();
    applyStyle();
}

int Grid::rowHeight() const
{
    return options_.rowHeight > 0 ? options_.rowHeight : QFontMetrics(style_.font).height() + 8;
}

void Grid::setRowHeight(int h)
{
    if (options_.rowHeight == h)
        return;
    options_.rowHeight = h;
    indicator_->setDefaultSectionSize(rowHeight());
}

void Grid::applyOptions()
{
    model_->setReadOnly(options_.readOnly);
    view_->setEditTriggers(options_.readOnly ? QAbstractItemView::NoEditTriggers
                                             : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view_->setSelectionBehavior(options_.rowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    header_->setVisible(options_.showHeader);
    indicator_->setVisible(options_.showIndicator);
    indicator_->setWidth(options_.indicatorWidth);
    header_->setSectionsMovable(options_.columnMoving);
    header_->setSectionResizeMode(options_.columnSizing ? QHeaderView::Interactive : QHeaderView::Fixed);
    footer_->setVisible(options_.showFooter);
    groupBox_->setVisible(options_.groupByBox);
    view_->setVerticalScrollMode(options_.pixelScrolling ? QAbstractItemView::ScrollPerPixel
                                                         : QAbstractItemView::ScrollPerItem);
    view_->setCornerVisible(options_.quickCustomization && options_.showHeader && options_.showIndicator);
    model_->setGroupFooters(options_.groupFooters);
    applyVisibility();
    updateFilterBar();
}

void Grid::setGridStyle(const GridStyle& s)
{
    style_ = s;
    applyStyle();
}

void Grid::applyStyle()
{
    view_->setFont(style_.font);
    header_->setFont(style_.headerFont);
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Base, style_.content);
    pal.setColor(QPalette::Window, style_.content);
    view_->setPalette(pal);
    indicator_->setDefaultSectionSize(rowHeight());
    indicator_->setMinimumSectionSize(1);
    header_->setHeight(options_.headerHeight > 0 ? options_.headerHeight
                                                 : QFontMetrics(style_.headerFont).height() + 10);
    view_->doItemsLayout();
    footer_->updateGeometry();
    update();
}

// ---- binding ----

Table* Grid::table() const { return model_->table(); }

void Grid::setDataSource(DataSource* ds)
{
    source_ = ds;
    model_->setTable(ds ? ds->table() : nullptr);
}

void Grid::beginUpdate()
{
    if (updateLock_++ == 0)
        setUpdatesEnabled(false); // the footer and the group box too: they read the same rows
    model_->beginUpdate();
}

void Grid::endUpdate()
{
    if (updateLock_ == 0)
        return;
    model_->endUpdate();
    if (--updateLock_ == 0) {
        setUpdatesEnabled(true);
        view_->viewport()->update();
        footer_->update();
    }
}

// ---- unbound ----

void Grid::setUnbound()
{
    std::vector<FieldDef> defs;
    for (int c = 0; c < columnCount(); ++c) {
        ColumnDef& cd = model_->column(c);
        if (cd.field.isEmpty())
            cd.field = cd.key();
        defs.push_back({cd.field, cd.unboundType, 0});
    }
    source_ = nullptr;
    model_->setTable(nullptr);
    unbound_ = std::make_unique<Table>();
    unbound_->create(defs);
    model_->setTable(unbound_.get());
}

int Grid::rowCount() const { return table() && table()->isOpen() ? table()->rowCount() : 0; }

void Grid::setRowCount(int n)
{
    Table* t = table();
    if (!t || !t->isOpen())
        return;
    t->disableControls();
    while (t->rowCount() < n)
        t->appendRow();
    while (t->rowCount() > std::max(0, n))
        t->removeRow(t->rowCount() - 1);
    t->enableControls();
}

int Grid::appendRow()
{
    Table* t = table();
    if (!t || !t->isOpen())
        throw DataError(QStringLiteral("Tabloya bağlı olmayan tabloya satır eklenemez"));
    return t->appendRow();
}

void Grid::deleteRow(int row)
{
    if (Table* t = table())
        t->removeRow(row);
}

void Grid::setCellValue(int row, const QString& columnKey, const QVariant& v)
{
    Table* t = table();
    const int c = columnIndex(columnKey);
    if (!t || c < 0)
        throw DataError(QStringLiteral("Tabloda \"%1\" sütunu yok").arg(columnKey));
    t->setValue(row, t->fieldIndex(column(c).field), v);
}

QVariant Grid::cellValue(int row, const QString& columnKey) const
{
    const int c = columnIndex(columnKey);
    return c < 0 ? QVariant() : model_->rawValue(row, c);
}

// ---- rows and focus ----

int Grid::viewRowCount() const { return model_->rowCount(); }

int Grid::focusedRowIndex() const
{
    const QModelIndex cur = view_->currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

int Grid::focusedRecord() const { return model_->dataRow(focusedRowIndex()); }

void Grid::setFocusedRowIndex(int viewRow)
{
    if (viewRow < 0 || viewRow >= model_->rowCount())
        return;
    const QModelIndex cur = view_->currentIndex();
    int col = cur.isValid() ? cur.column() : -1;
    if (col < 0) {
        const auto vis = visibleColumns();
        col = vis.empty() ? 0 : vis.front();
    }
    view_->setCurrentIndex(model_->index(viewRow, col));
}

void Grid::setFocusedRecord(int record) { setFocusedRowIndex(model_->viewRowOf(record)); }

QVariant Grid::focusedValue(const QString& field) const
{
    const int rec = focusedRecord();
    Table* t = table();
    if (rec < 0 || !t)
        return {};
    const int fi = t->fieldIndex(field);
    if (fi < 0)
        throw DataError(QStringLiteral("Tabloda \"%1\" alanı yok").arg(field));
    return t->value(rec, fi);
}

const ColumnDef* Grid::focusedColumn() const
{
    const QModelIndex cur = view_->currentIndex();
    return cur.isValid() ? &column(cur.column()) : nullptr;
}

QString Grid::cellText(int viewRow, const QString& columnKey) const
{
    const int c = columnIndex(columnKey);
    if (c < 0 || viewRow < 0 || viewRow >= model_->rowCount())
        return {};
    return model_->data(model_->index(viewRow, c)).toString();
}

void Grid::onCurrentChanged()
{
    const int vr = focusedRowIndex();
    const int rec = model_->dataRow(vr);
    if (!syncing_ && rec >= 0 && table()) {
        syncing_ = true;
        table()->setCurrentRow(rec);
        syncing_ = false;
    }
    if (rec != lastRecord_ || vr != lastViewRow_) {
        lastRecord_ = rec;
        lastViewRow_ = vr;
        emit focusedRowChanged(rec);
    }
}

void Grid::syncFocusFromTable()
{
    Table* t = table();
    int vr = -1;
    if (model_->rowCount() > 0) {
        if (t && t->isOpen() && t->currentRow() >= 0)
            vr = model_->viewRowOf(t->currentRow());
        if (vr < 0)
            vr = 0;
    }
    syncing_ = true;
    if (vr >= 0)
        setFocusedRowIndex(vr);
    else
        view_->setCurrentIndex(QModelIndex());
    syncing_ = false;
    // A focus that had to move off the table's current row takes the cursor along.
    const int rec = model_->dataRow(vr);
    if (t && rec >= 0 && rec != t->currentRow()) {
        syncing_ = true;
        t->setCurrentRow(rec);
        syncing_ = false;
    }
    onCurrentChanged();
}

void Grid::onRebuilt()
{
    applyVisibility();
    // The rows behind the focus are new, so listeners hear of the focus even at the same index.
    lastRecord_ = lastViewRow_ = -2;
    syncFocusFromTable();
    footer_->updateGeometry();
    footer_->update();
    groupBox_->updateGeometry();
    groupBox_->update();
    header_->viewport()->update();
    updateFilterBar();
}

void Grid::onTableCursor(int record)
{
    if (syncing_)
        return;
    const int vr = model_->viewRowOf(record);
    if (vr < 0)
        return;
    syncing_ = true;
    setFocusedRowIndex(vr);
    syncing_ = false;
    onCurrentChanged();
}

// ---- filtering ----

std::vector<FilterItem> Grid::filterItems(const QString& column) const { return model_->filterItems(columnIndex(column)); }

void Grid::filterByTexts(const QString& columnKey, const QStringList& texts)
{
    const int c = columnIndex(columnKey);
    if (c < 0)
        return;
    ColumnFilter f;
    for (const auto& it : model_->filterItems(c))
        if (texts.contains(it.text)) {
            f.values.insert(f.values.end(), it.values.begin(), it.values.end());
            f.texts << it.text;
        }
    if (f.values.empty()) {
        // Nothing shown matches: an empty set of values shows no rows, as the user asked.
        f.texts = texts;
    }
    model_->setFilter(c, f);
}

void Grid::setColumnFilter(const QString& columnKey, const ColumnFilter& f) { model_->setFilter(columnIndex(columnKey), f); }

void Grid::clearColumnFilter(const QString& columnKey) { model_->removeFilter(columnIndex(columnKey)); }

void Grid::clearFilter() { model_->clearFilter(); }

bool Grid::isFiltered() const { return model_->isFiltered(); }

QString Grid::filterText() const { return model_->filterDescription(); }

void Grid::updateFilterBar()
{
    const bool on = options_.filtering && model_->isFiltered();
    filterBar_->setText(on ? model_->filterDescription() : QString());
    filterBar_->setVisible(on);
}

void Grid::openFilterPopup(const QString& columnKey)
{
    const int c = columnIndex(columnKey);
    if (c < 0 || !options_.filtering)
        return;
    const QString key = columnKey;
    auto* popup = new FilterPopup(this, model_->filterItems(c), model_->filter(c),
                                  [this, c, key](FilterPopup::Choice choice, const FilterItem* item) {
        switch (choice) {
        case FilterPopup::All: model_->removeFilter(c); break;
        case FilterPopup::Custom:
            QTimer::singleShot(0, this, [this, key] { runCustomFilter(key); });
            break;
        case FilterPopup::Blanks: {
            ColumnFilter f;
            f.values.push_back(QVariant());
            f.texts << QStringLiteral("(Boş)");
            model_->setFilter(c, f);
            break;
        }
        case FilterPopup::NonBlanks: {
            ColumnFilter f;
            f.custom = true;
            f.first.op = FilterOp::NonBlank;
            model_->setFilter(c, f);
            break;
        }
        case FilterPopup::Value: {
            ColumnFilter f;
            f.values = item->values;
            f.texts << item->text;
            model_->setFilter(c, f);
            break;
        }
        }
    });
    QRect anchor = header_->filterButtonRect(c);
    if (!anchor.isValid())
        anchor = QRect(header_->sectionViewportPosition(c), 0, header_->sectionSize(c), header_->height());
    popup->move(header_->viewport()->mapToGlobal(anchor.bottomLeft() + QPoint(0, 2)));
    popup->show();
    popup->list()->setFocus();
}

bool Grid::runCustomFilter(const QString& columnKey)
{
    const int c = columnIndex(columnKey);
    if (c < 0)
        return false;
    QStringList values;
    for (const auto& it : model_->filterItems(c))
        values << it.text;
    CustomFilterDialog dlg(column(c).shownCaption(), values, model_->filter(c), this);
    if (execModal(dlg) != QDialog::Accepted)
        return false;
    model_->setFilter(c, dlg.result());
    return true;
}

// ---- sorting and grouping ----

void Grid::sortBy(const QString& columnKey, Qt::SortOrder order) { model_->sortBy(columnIndex(columnKey), order); }

void Grid::clearSorting() { model_->sortBy(-1, Qt::AscendingOrder); }

void Grid::toggleSort(int c)
{
    if (c < 0 || c >= columnCount())
        return;
    const Qt::SortOrder next = model_->sortColumn() == c && model_->sortOrder() == Qt::AscendingOrder
                                   ? Qt::DescendingOrder
                                   : Qt::AscendingOrder;
    model_->sortBy(c, next);
}

void Grid::setGroupedColumns(const QStringList& columns)
{
    std::vector<int> cols;
    for (const auto& k : columns)
        if (const int c = columnIndex(k); c >= 0)
            cols.push_back(c);
    model_->setGroupColumns(cols);
}

QStringList Grid::groupedColumns() const
{
    QStringList out;
    for (int c : model_->groupColumns())
        out << column(c).key();
    return out;
}

void Grid::groupByColumn(int c, int position)
{
    if (c < 0 || c >= columnCount())
        return;
    std::vector<int> cols = model_->groupColumns();
    cols.erase(std::remove(cols.begin(), cols.end(), c), cols.end());
    if (position < 0 || position > int(cols.size()))
        position = int(cols.size());
    cols.insert(cols.begin() + position, c);
    model_->setGroupColumns(cols);
}

void Grid::ungroupColumn(int c)
{
    std::vector<int> cols = model_->groupColumns();
    cols.erase(std::remove(cols.begin(), cols.end(), c), cols.end());
    model_->setGroupColumns(cols);
}

void Grid::expandAll() { model_->expandAll(); }
void Grid::collapseAll() { model_->collapseAll(); }

// ---- summaries ----

void Grid::setFooterSummaries(const std::vector<SummaryDef>& s) { model_->setFooterSummaries(s); }
void Grid::setGroupSummaries(const std::vector<SummaryDef>& s) { model_->setGroupSummaries(s); }

QString Grid::footerText(const QString& columnKey) const
{
    const int c = columnIndex(columnKey);
    return c < 0 ? QString() : model_->footerTexts(c).join(u'\n');
}

// ---- layout ----

void Grid::bestFit()
{
    const QFontMetrics fm(style_.font);
    const QFontMetrics hfm(style_.headerFont);
    const int rows = std::min(model_->rowCount(), kBestFitRows);
    const int pad = 14;
    view_->setUpdatesEnabled(false);
    for (int c : visibleColumns()) {
        const ColumnDef& cd = column(c);
        int w = hfm.horizontalAdvance(cd.shownCaption()) + pad + (header_->hasFilterButton(c) ? 20 : 0) +
                (model_->sortColumn() == c ? 12 : 0);
        switch (cd.editor) {
        case Editor::ImageCombo:
            for (const auto& pm : cd.images)
                w = std::max(w, int(pm.deviceIndependentSize().width()) + pad);
            break;
        case Editor::CheckBox:
            w = std::max(w, view_->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, view_) + pad);
            break;
        case Editor::Picture: w = std::max(w, header_->sectionSize(c)); break;
        case Editor::CustomDraw:
            if (!cd.text) {
                w = std::max(w, header_->sectionSize(c));
                break;
            }
            [[fallthrough]];
        default:
            for (int r = 0; r < rows; ++r) {
                const int dr = model_->dataRow(r);
                if (dr < 0)
                    continue;
                const QString t = model_->cellText(dr, c);
                if (cd.editor == Editor::WrappedLabel || cd.editor == Editor::Memo || t.contains(u'\n')) {
                    for (const auto& line : t.split(u'\n'))
                        w = std::max(w, std::min(kWrapWidthCap, fm.horizontalAdvance(line) + pad));
                } else {
                    w = std::max(w, fm.horizontalAdvance(t) + pad);
                }
            }
            break;
        }
        for (const auto& t : model_->footerTexts(c))
            w = std::max(w, fm.horizontalAdvance(t) + 2 * pad);
        header_->resizeSection(c, w);
    }
    view_->setUpdatesEnabled(true);
}

bool Grid::spreadByWeights()
{
    const auto cols = visibleColumns();
    int sum = 0;
    for (int c : cols)
        sum += column(c).weight;
    if (sum <= 0)
        return false;
    const int unit = (width() - 30) / sum; // integer division truncates towards zero
    view_->setUpdatesEnabled(false);
    for (int c : cols)
        header_->resizeSection(c, std::max(0, column(c).weight * unit));
    view_->setUpdatesEnabled(true);
    return true;
}

void Grid::layoutColumns(int screenWidth, int threshold)
{
    if (screenWidth > threshold)
        spreadByWeights();
    else
        bestFit();
}

void Grid::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    emit resized();
}

// ---- menus ----

void Grid::showCustomization(const QPoint& globalPos)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("customizationMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int c = 0; c < columnCount(); ++c) {
        const ColumnDef& cd = column(c);
        if (!cd.offered)
            continue;
        QAction* a = menu->addAction(cd.shownCaption());
        a->setCheckable(true);
        a->setChecked(cd.visible);
        const QString key = cd.key();
        connect(a, &QAction::toggled, this, [this, key](bool on) { setColumnVisible(key, on); });
    }
    menu->popup(globalPos);
}

void Grid::showHeaderMenu(int c, const QPoint& globalPos)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("headerMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (c >= 0 && options_.sorting) {
        menu->addAction(QStringLiteral("Artan Sırala"), this, [this, c] { model_->sortBy(c, Qt::AscendingOrder); });
        menu->addAction(QStringLiteral("Azalan Sırala"), this, [this, c] { model_->sortBy(c, Qt::DescendingOrder); });
        if (model_->sortColumn() >= 0)
            menu->addAction(QStringLiteral("Sıralamayı Kaldır"), this, [this] { clearSorting(); });
        menu->addSeparator();
    }
    if (c >= 0 && options_.groupByBox)
        menu->addAction(QStringLiteral("Bu Sütuna Göre Grupla"), this, [this, c] { groupByColumn(c); });
    if (!model_->groupColumns().empty()) {
        menu->addAction(QStringLiteral("Tümünü Genişlet"), this, [this] { expandAll(); });
        menu->addAction(QStringLiteral("Tümünü Daralt"), this, [this] { collapseAll(); });
    }
    menu->addAction(QStringLiteral("Tüm Sütunlara En Uygun Genişlik"), this, [this] { bestFit(); });
    if (model_->isFiltered())
        menu->addAction(QStringLiteral("Filtreyi Temizle"), this, [this] { clearFilter(); });
    if (options_.quickCustomization) {
        QMenu* sub = menu->addMenu(QStringLiteral("Sütunlar"));
        for (int k = 0; k < columnCount(); ++k) {
            const ColumnDef& cd = column(k);
            if (!cd.offered)
                continue;
            QAction* a = sub->addAction(cd.shownCaption());
            a->setCheckable(true);
            a->setChecked(cd.visible);
            const QString key = cd.key();
            connect(a, &QAction::toggled, this, [this, key](bool on) { setColumnVisible(key, on); });
        }
    }
    menu->popup(globalPos);
}

} // namespace kit
