// The grid's inner widgets.
#include "kit/data/gridparts.h"

#include "kit/data/grid.h"
#include "kit/data/gridmodel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QToolButton>

namespace kit {

namespace {

constexpr int kGroupIndent = 18;
constexpr int kFilterButton = 14;

QColor headerLine(const QColor& header) { return header.lightness() > 128 ? header.darker(125) : header.lighter(150); }

void drawTriangle(QPainter* p, const QRect& r, bool down, const QColor& c)
{
    QPainterPath path;
    const QPointF ctr = QRectF(r).center();
    const qreal w = r.width() / 2.0, h = r.height() / 3.0;
    if (down) {
        path.moveTo(ctr.x() - w / 1.4, ctr.y() - h / 1.4);
        path.lineTo(ctr.x() + w / 1.4, ctr.y() - h / 1.4);
        path.lineTo(ctr.x(), ctr.y() + h / 1.4);
    } else {
        path.moveTo(ctr.x() - w / 1.4, ctr.y() + h / 1.4);
        path.lineTo(ctr.x() + w / 1.4, ctr.y() + h / 1.4);
        path.lineTo(ctr.x(), ctr.y() - h / 1.4);
    }
    path.closeSubpath();
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(Qt::NoPen);
    p->setBrush(c);
    p->drawPath(path);
    p->restore();
}

} // namespace

QByteArray columnDragData(const Grid* grid, int column)
{
    return QByteArray::number(quintptr(grid), 16) + ':' + QByteArray::number(column);
}

int droppedColumn(const Grid* grid, const QMimeData* mime)
{
    const QList<QByteArray> parts = mime->data(QString::fromLatin1(kColumnMime)).split(':');
    bool okGrid = false, okCol = false;
    if (parts.size() != 2 || parts[0].toULongLong(&okGrid, 16) != quintptr(grid) || !okGrid)
        return -1;
    const int c = parts[1].toInt(&okCol);
    return okCol && c >= 0 && c < grid->columnCount() ? c : -1;
}

// ---- view ----

GridView::GridView(Grid* grid) : QTableView(grid), grid_(grid), corner_(new QToolButton(this))
{
    corner_->setObjectName(QStringLiteral("customizeButton"));
    corner_->setToolTip(QStringLiteral("Sütunları Özelleştir"));
    corner_->setAutoRaise(true);
    corner_->setText(QStringLiteral("\u2261"));
    corner_->hide();
    connect(corner_, &QToolButton::clicked, this, [this] {
        grid_->showCustomization(corner_->mapToGlobal(QPoint(0, corner_->height())));
    });
}

void GridView::setCornerVisible(bool on)
{
    cornerVisible_ = on;
    corner_->setVisible(on);
    updateGeometries();
}

void GridView::paintEvent(QPaintEvent* e)
{
    QTableView::paintEvent(e);
    GridModel* m = grid_->model();
    if (m->groupColumns().empty() || m->rowCount() == 0)
        return;
    const GridStyle& st = grid_->gridStyle();
    QPainter p(viewport());
    int first = rowAt(e->rect().top());
    int last = rowAt(e->rect().bottom());
    if (first < 0)
        return;
    if (last < 0)
        last = m->rowCount() - 1;
    QFont bold = font();
    bold.setBold(true);
    const int curRow = currentIndex().isValid() ? currentIndex().row() : -1;
    for (int r = first; r <= last; ++r) {
        if (m->rowKind(r) != RowKind::Group)
            continue;
        const QRect band(0, rowViewportPosition(r), viewport()->width(), rowHeight(r));
        const bool current = r == curRow;
        p.fillRect(band, current ? st.selection : st.group);
        p.setPen(st.gridLine);
        p.drawLine(band.bottomLeft(), band.bottomRight());
        const int x = 6 + m->groupLevel(r) * kGroupIndent;
        const QRect glyph(x, band.top() + (band.height() - 11) / 2, 11, 11);
        const QColor ink = current ? st.selectionText : st.text;
        p.setPen(ink);
        p.setBrush(Qt::NoBrush);
        p.drawRect(glyph);
        p.drawLine(glyph.left() + 3, glyph.center().y(), glyph.right() - 2, glyph.center().y());
        if (!m->isExpanded(r))
            p.drawLine(glyph.center().x(), glyph.top() + 3, glyph.center().x(), glyph.bottom() - 2);
        p.setFont(bold);
        p.drawText(band.adjusted(x + 18, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, m->groupText(r));
    }
}

bool GridView::overGlyph(int row, const QPoint& pos) const
{
    const int x = 6 + grid_->model()->groupLevel(row) * kGroupIndent;
    return pos.x() >= x - 4 && pos.x() <= x + 15;
}

void GridView::toggleGroup(int row)
{
    GridModel* m = grid_->model();
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    m->setExpanded(row, !m->isExpanded(row));
    setCurrentIndex(m->index(row, col));
}

void GridView::mousePressEvent(QMouseEvent* e)
{
    const QModelIndex idx = indexAt(e->position().toPoint());
    if (idx.isValid() && grid_->model()->rowKind(idx.row()) == RowKind::Group) {
        setCurrentIndex(idx);
        if (e->button() == Qt::LeftButton && overGlyph(idx.row(), e->position().toPoint()))
            toggleGroup(idx.row());
        return;
    }
    QTableView::mousePressEvent(e);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QModelIndex idx = indexAt(e->position().toPoint());
    if (idx.isValid() && grid_->model()->rowKind(idx.row()) == RowKind::Group) {
        toggleGroup(idx.row());
        return;
    }
    QTableView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton)
        emit grid_->doubleClicked();
}

void GridView::keyPressEvent(QKeyEvent* e)
{
    const QModelIndex cur = currentIndex();
    GridModel* m = grid_->model();
    if (cur.isValid() && m->rowKind(cur.row()) == RowKind::Group) {
        switch (e->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Right:
            if (!m->isExpanded(cur.row()))
                toggleGroup(cur.row());
            return;
        case Qt::Key_Minus:
        case Qt::Key_Left:
            if (m->isExpanded(cur.row()))
                toggleGroup(cur.row());
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            toggleGroup(cur.row());
            return;
        default: break;
        }
    }
    QTableView::keyPressEvent(e);
}

void GridView::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex idx = indexAt(e->pos());
    if (idx.isValid())
        setCurrentIndex(idx);
    if (QMenu* menu = grid_->popupMenu())
        menu->popup(e->globalPos());
}

void GridView::keyboardSearch(const QString& search)
{
    if (grid_->options().incrementalSearch)
        QTableView::keyboardSearch(search);
}

void GridView::updateGeometries()
{
    QTableView::updateGeometries();
    if (cornerVisible_) {
        const int w = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
        const int h = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
        corner_->setVisible(w >= 10 && h > 0);
        corner_->setGeometry(frameWidth(), frameWidth(), w, h);
        corner_->raise();
    }
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.row() != previous.row()) {
        verticalHeader()->viewport()->update();
        if (!grid_->model()->groupColumns().empty())
            viewport()->update();
    }
    grid_->onCurrentChanged();
}

// ---- column header ----

GridHeader::GridHeader(Grid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setMinimumSectionSize(0);
    setDefaultAlignment(Qt::AlignCenter);
}

void GridHeader::setHeight(int h)
{
    height_ = h;
    updateGeometry();
}

QSize GridHeader::sizeHint() const { return QSize(length(), height_); }

bool GridHeader::hasFilterButton(int logical) const
{
    const GridOptions& o = grid_->options();
    return o.filterButtons && o.filtering && logical >= 0 && logical < grid_->columnCount() &&
           !grid_->column(logical).field.isEmpty();
}

QRect GridHeader::filterButtonRect(int logical) const
{
    if (!hasFilterButton(logical) || isSectionHidden(logical))
        return {};
    const int x = sectionViewportPosition(logical);
    const int w = sectionSize(logical);
    if (w < kFilterButton + 8)
        return {};
    return QRect(x + w - kFilterButton - 3, (height() - kFilterButton) / 2, kFilterButton, kFilterButton);
}

bool GridHeader::takeSuppressedClick()
{
    const bool s = suppressClick_;
    suppressClick_ = false;
    return s;
}

void GridHeader::paintSection(QPainter* p, const QRect& rect, int logical) const
{
    if (!rect.isValid())
        return;
    const GridStyle& st = grid_->gridStyle();
    GridModel* m = grid_->model();
    p->save();
    p->fillRect(rect, st.header);
    p->setPen(headerLine(st.header));
    p->drawLine(rect.topRight(), rect.bottomRight());
    p->drawLine(rect.bottomLeft(), rect.bottomRight());

    QRect textRect = rect.adjusted(4, 2, -4, -2);
    const bool button = hasFilterButton(logical) && rect.width() >= kFilterButton + 8;
    if (button) {
        const QRect b(rect.right() - kFilterButton - 2, rect.top() + (rect.height() - kFilterButton) / 2,
                      kFilterButton, kFilterButton);
        const bool active = m->hasFilter(logical);
        p->setRenderHint(QPainter::Antialiasing);
        p->setPen(active ? st.headerText : headerLine(st.header));
        p->setBrush(active ? QColor(255, 214, 0) : st.header.lighter(112));
        p->drawRoundedRect(QRectF(b).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        drawTriangle(p, b.adjusted(3, 4, -3, -3), true, active ? QColor(40, 40, 40) : st.headerText);
        textRect.setRight(b.left() - 2);
    }
    if (m->sortColumn() == logical) {
        const QRect s(textRect.right() - 9, rect.top() + (rect.height() - 8) / 2, 9, 8);
        drawTriangle(p, s, m->sortOrder() == Qt::DescendingOrder, st.headerText);
        textRect.setRight(s.left() - 2);
    }
    p->setFont(st.headerFont);
    p->setPen(st.headerText);
    const QString caption = m->headerData(logical, Qt::Horizontal).toString();
    const QFontMetrics fm(st.headerFont);
    // Two lines when the header is tall enough and every word fits its width; otherwise one, elided.
    bool wrap = fm.horizontalAdvance(caption) > textRect.width() && textRect.height() >= 2 * fm.height() &&
                caption.contains(u' ');
    if (wrap)
        for (const auto& word : caption.split(u' ', Qt::SkipEmptyParts))
            wrap = wrap && fm.horizontalAdvance(word) <= textRect.width();
    if (wrap)
        p->drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap, caption);
    else
        p->drawText(textRect, Qt::AlignCenter, fm.elidedText(caption, Qt::ElideRight, textRect.width()));
    p->restore();
}

void GridHeader::mousePressEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const int logical = logicalIndexAt(pos);
    if (e->button() == Qt::LeftButton && filterButtonRect(logical).contains(pos)) {
        emit filterButtonClicked(logical);
        return;
    }
    pressed_ = e->button() == Qt::LeftButton ? logical : -1;
    pressPos_ = pos;
    QHeaderView::mousePressEvent(e);
}

void GridHeader::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (pressed_ >= 0 && grid_->options().groupByBox && pos.y() < -6) {
        const int section = pressed_;
        pressed_ = -1;
        // End the header's own section move before the drag takes the mouse.
        suppressClick_ = true;
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pressPos_), mapToGlobal(QPointF(pressPos_)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QHeaderView::mouseReleaseEvent(&release);
        auto* mime = new QMimeData;
        mime->setData(QString::fromLatin1(kColumnMime), columnDragData(grid_, section));
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        const QRect r(sectionViewportPosition(section), 0, sectionSize(section), height());
        drag->setPixmap(viewport()->grab(r));
        drag->exec(Qt::MoveAction);
        return;
    }
    QHeaderView::mouseMoveEvent(e);
}

void GridHeader::mouseReleaseEvent(QMouseEvent* e)
{
    pressed_ = -1;
    QHeaderView::mouseReleaseEvent(e);
}

void GridHeader::contextMenuEvent(QContextMenuEvent* e) { emit menuRequested(logicalIndexAt(e->pos()), e->globalPos()); }

// ---- row indicator ----

IndicatorHeader::IndicatorHeader(Grid* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setHighlightSections(false);
    setSectionsClickable(true);
}

void IndicatorHeader::setWidth(int w)
{
    width_ = w;
    updateGeometry();
}

QSize IndicatorHeader::sizeHint() const { return QSize(width_, length()); }

void IndicatorHeader::paintSection(QPainter* p, const QRect& rect, int logical) const
{
    const GridStyle& st = grid_->gridStyle();
    p->fillRect(rect, st.indicator);
    p->setPen(st.indicator.darker(130));
    p->drawLine(rect.bottomLeft(), rect.bottomRight());
    const QModelIndex cur = grid_->view()->currentIndex();
    if (cur.isValid() && cur.row() == logical && rect.width() >= 8) {
        const int s = std::min(rect.width() - 4, 8);
        const QRect tri(rect.left() + (rect.width() - s) / 2, rect.top() + (rect.height() - s) / 2, s, s);
        const QColor ink = st.indicator.lightness() > 128 ? QColor(40, 40, 40) : QColor(255, 255, 255);
        QPainterPath path;
        path.moveTo(tri.left() + s * 0.2, tri.top());
        path.lineTo(tri.right(), tri.center().y() + 0.5);
        path.lineTo(tri.left() + s * 0.2, tri.bottom() + 1);
        path.closeSubpath();
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->setPen(Qt::NoPen);
        p->setBrush(ink);
        p->drawPath(path);
        p->restore();
    }
}

// ---- footer ----

GridFooter::GridFooter(Grid* grid) : QWidget(grid), grid_(grid) {}

int GridFooter::lines() const
{
    int n = 1;
    for (int c = 0; c < grid_->columnCount(); ++c)
        n = std::max(n, int(grid_->model()->footerTexts(c).size()));
    return n;
}

QSize GridFooter::sizeHint() const
{
    const QFontMetrics fm(grid_->gridStyle().font);
    return QSize(100, lines() * (fm.height() + 4) + 9);
}

void GridFooter::paintEvent(QPaintEvent*)
{
    const GridStyle& st = grid_->gridStyle();
    QPainter p(this);
    p.fillRect(rect(), st.footer);
    p.setPen(st.gridLine.darker(115));
    p.drawLine(0, 0, width(), 0);
    QTableView* v = grid_->view();
    QHeaderView* h = v->horizontalHeader();
    const QPoint origin = v->viewport()->mapTo(grid_, QPoint(0, 0)) - mapTo(grid_, QPoint(0, 0));
    if (v->verticalHeader()->isVisible())
        p.fillRect(QRect(v->verticalHeader()->mapTo(grid_, QPoint(0, 0)).x() - mapTo(grid_, QPoint(0, 0)).x(), 1,
                         v->verticalHeader()->width(), height() - 1),
                   st.indicator);
    p.setClipRect(QRect(origin.x(), 0, v->viewport()->width(), height()));
    QFont f = st.font;
    p.setFont(f);
    const QFontMetrics fm(f);
    const int lh = fm.height() + 4;
    for (int c = 0; c < grid_->columnCount(); ++c) {
        if (h->isSectionHidden(c))
            continue;
        const QStringList texts = grid_->model()->footerTexts(c);
        if (texts.isEmpty())
            continue;
        const int x = origin.x() + h->sectionViewportPosition(c);
        const QRect cell(x + 2, 4, h->sectionSize(c) - 4, height() - 8);
        if (cell.width() <= 4)
            continue;
        p.setPen(st.gridLine.darker(110));
        p.setBrush(st.content);
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        p.setPen(st.text);
        for (int i = 0; i < texts.size(); ++i) {
            const QRect line(cell.left() + 4, cell.top() + 1 + i * lh, cell.width() - 8, lh);
            p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, fm.elidedText(texts[i], Qt::ElideLeft, line.width()));
        }
    }
}

// ---- group-by box ----

GroupByBox::GroupByBox(Grid* grid) : QWidget(grid), grid_(grid) { setAcceptDrops(true); }

QSize GroupByBox::sizeHint() const
{
    const QFontMetrics fm(grid_->gridStyle().headerFont);
    const int n = std::max<int>(1, int(grid_->model()->groupColumns().size()));
    return QSize(100, fm.height() + 14 + (n - 1) * 6);
}

QRect GroupByBox::chipRect(int i) const
{
    const auto& cols = grid_->model()->groupColumns();
    const QFontMetrics fm(grid_->gridStyle().headerFont);
    int x = 8;
    for (int k = 0; k <= i && k < int(cols.size()); ++k) {
        const int w = fm.horizontalAdvance(grid_->column(cols[std::size_t(k)]).shownCaption()) + 34;
        if (k == i)
            return QRect(x, 5 + k * 6, w, fm.height() + 6);
        x += w + 10;
    }
    return {};
}

QRect GroupByBox::removeRect(int i) const
{
    const QRect c = chipRect(i);
    return c.isValid() ? QRect(c.right() - 16, c.top() + (c.height() - 12) / 2, 12, 12) : QRect();
}

void GroupByBox::paintEvent(QPaintEvent*)
{
    const GridStyle& st = grid_->gridStyle();
    QPainter p(this);
    p.fillRect(rect(), st.header.lightness() > 128 ? st.header.darker(108) : QColor(128, 128, 128));
    const auto& cols = grid_->model()->groupColumns();
    p.setFont(st.headerFont);
    if (cols.empty()) {
        p.setPen(QColor(250, 250, 250));
        p.drawText(rect().adjusted(10, 0, -10, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Gruplamak için bir sütun başlığını buraya sürükleyin"));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < int(cols.size()); ++i) {
        const QRect c = chipRect(i);
        if (i > 0) {
            const QRect prev = chipRect(i - 1);
            p.setPen(QColor(90, 90, 90));
            p.drawLine(prev.right() - 10, prev.bottom(), prev.right() - 10, c.center().y());
            p.drawLine(prev.right() - 10, c.center().y(), c.left(), c.center().y());
        }
        p.setPen(headerLine(st.header));
        p.setBrush(st.header);
        p.drawRoundedRect(QRectF(c).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p.setPen(st.headerText);
        p.drawText(c.adjusted(8, 0, -20, 0), Qt::AlignLeft | Qt::AlignVCenter, grid_->column(cols[std::size_t(i)]).shownCaption());
        const QRect x = removeRect(i);
        p.drawLine(x.topLeft() + QPoint(3, 3), x.bottomRight() - QPoint(3, 3));
        p.drawLine(QPoint(x.left() + 3, x.bottom() - 3), QPoint(x.right() - 3, x.top() + 3));
    }
}

void GroupByBox::mousePressEvent(QMouseEvent* e)
{
    const auto cols = grid_->model()->groupColumns();
    for (int i = 0; i < int(cols.size()); ++i)
        if (removeRect(i).contains(e->position().toPoint()) && e->button() == Qt::LeftButton) {
            grid_->ungroupColumn(cols[std::size_t(i)]);
            return;
        }
    QWidget::mousePressEvent(e);
}

void GroupByBox::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    const auto cols = grid_->model()->groupColumns();
    int hit = -1;
    for (int i = 0; i < int(cols.size()); ++i)
        if (chipRect(i).contains(e->pos()))
            hit = cols[std::size_t(i)];
    if (hit >= 0)
        menu.addAction(QStringLiteral("Gruplamayı Kaldır"), this, [this, hit] { grid_->ungroupColumn(hit); });
    if (!cols.empty()) {
        menu.addAction(QStringLiteral("Tümünü Genişlet"), this, [this] { grid_->expandAll(); });
        menu.addAction(QStringLiteral("Tümünü Daralt"), this, [this] { grid_->collapseAll(); });
    }
    if (!menu.isEmpty())
        menu.exec(e->globalPos());
}

void GroupByBox::dragEnterEvent(QDragEnterEvent* e)
{
    if (droppedColumn(grid_, e->mimeData()) >= 0)
        e->acceptProposedAction();
}

void GroupByBox::dragMoveEvent(QDragMoveEvent* e) { e->acceptProposedAction(); }

int GroupByBox::dropPosition(const QPoint& p) const
{
    const auto& cols = grid_->model()->groupColumns();
    for (int i = 0; i < int(cols.size()); ++i)
        if (p.x() < chipRect(i).center().x())
            return i;
    return int(cols.size());
}

void GroupByBox::dropEvent(QDropEvent* e)
{
    const int col = droppedColumn(grid_, e->mimeData());
    if (col < 0)
        return;
    grid_->groupByColumn(col, dropPosition(e->position().toPoint()));
    e->acceptProposedAction();
}

// ---- filter bar ----

FilterBar::FilterBar(Grid* grid) : QWidget(grid), clear_(new QToolButton(this)), label_(new QLabel(this))
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(6, 2, 6, 2);
    lay->setSpacing(6);
    clear_->setObjectName(QStringLiteral("clearFilterButton"));
    clear_->setText(QStringLiteral("\u2715"));
    clear_->setToolTip(QStringLiteral("Filtreyi Temizle"));
    clear_->setAutoRaise(true);
    label_->setObjectName(QStringLiteral("filterText"));
    label_->setTextFormat(Qt::PlainText);
    lay->addWidget(clear_);
    lay->addWidget(label_, 1);
    connect(clear_, &QToolButton::clicked, grid, &Grid::clearFilter);
}

void FilterBar::setText(const QString& t) { label_->setText(t); }
QString FilterBar::text() const { return label_->text(); }

void FilterBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 250, 225));
    p.setPen(QColor(220, 205, 150));
    p.drawLine(0, 0, width(), 0);
}

} // namespace kit
