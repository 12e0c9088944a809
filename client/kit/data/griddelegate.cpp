// Cell painting: labels, memos, image combos, check boxes, pictures and drawn cells.
#include "kit/data/griddelegate.h"

#include "kit/data/grid.h"
#include "kit/data/gridmodel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QTableView>

namespace kit {

namespace {

constexpr int kPad = 4;

QColor blend(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() * (1 - t) + b.redF() * t), float(a.greenF() * (1 - t) + b.greenF() * t),
                            float(a.blueF() * (1 - t) + b.blueF() * t));
}

void drawLines(QPainter* p, const QRect& r, const QColor& c)
{
    p->setPen(c);
    p->drawLine(r.topRight(), r.bottomRight());
    p->drawLine(r.bottomLeft(), r.bottomRight());
}

QPixmap pictureFor(const QByteArray& bytes)
{
    const QString key = QStringLiteral("kitgrid-pic-%1-%2").arg(qHash(bytes)).arg(bytes.size());
    QPixmap pm;
    if (!QPixmapCache::find(key, &pm)) {
        QImage img;
        if (!img.loadFromData(bytes))
            return {};
        pm = QPixmap::fromImage(img);
        QPixmapCache::insert(key, pm);
    }
    return pm;
}

} // namespace

GridDelegate::GridDelegate(Grid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void GridDelegate::paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const
{
    const auto* m = static_cast<const GridModel*>(index.model());
    const GridStyle& st = grid_->gridStyle();
    const GridOptions& op = grid_->options();
    const int vr = index.row();
    const int c = index.column();
    const RowKind kind = m->rowKind(vr);
    const QRect r = opt.rect;

    if (kind == RowKind::Group) {
        p->fillRect(r, st.group); // the view draws the band's text across the whole row
        return;
    }

    const bool selected = opt.state & QStyle::State_Selected;
    const QModelIndex cur = grid_->view()->currentIndex();
    const bool onCurrentRow = cur.isValid() && cur.row() == vr;
    QColor bg = kind == RowKind::GroupFooter ? st.footer : st.rowColor(vr);
    QColor fg = st.text;
    if (selected) {
        bg = st.selection;
        fg = st.selectionText;
    } else if (!op.rowSelect && onCurrentRow) {
        bg = blend(bg, st.selection, 0.25); // the focused cell's row, lightly marked
    }

    p->save();
    const ColumnDef& cd = m->column(c);
    const int dr = m->dataRow(vr);

    if (kind == RowKind::Data && cd.editor == Editor::CustomDraw && cd.paint) {
        CellPaint cp;
        cp.painter = p;
        cp.rect = r;
        cp.row = RowRef(m->table(), dr);
        cp.viewRow = vr;
        cp.selected = selected;
        cp.style = &st;
        cp.font = opt.font;
        cp.background = bg;
        cp.textColor = fg;
        p->setFont(opt.font);
        const bool drawn = cd.paint(cp);
        p->restore();
        p->save();
        if (drawn) {
            drawLines(p, r, st.gridLine);
            p->restore();
            return;
        }
    }

    p->fillRect(r, bg);
    const QRect inner = r.adjusted(kPad, 1, -kPad - 1, -2);
    const int align = index.data(Qt::TextAlignmentRole).toInt();

    if (kind == RowKind::GroupFooter) {
        const QString t = index.data(Qt::DisplayRole).toString();
        if (!t.isEmpty()) {
            QFont f = opt.font;
            f.setBold(true);
            p->setFont(f);
            p->setPen(st.text);
            p->drawText(inner, align, t);
        }
        drawLines(p, r, st.gridLine);
        p->restore();
        return;
    }

    p->setPen(fg);
    p->setFont(opt.font);
    switch (cd.editor) {
    case Editor::Label:
    case Editor::CustomDraw: {
        const QString t = m->cellText(dr, c);
        if (!t.isEmpty())
            p->drawText(inner, align, opt.fontMetrics.elidedText(t, Qt::ElideRight, inner.width()));
        break;
    }
    case Editor::WrappedLabel:
    case Editor::Memo: {
        const QString t = m->cellText(dr, c);
        if (!t.isEmpty())
            p->drawText(inner, align | Qt::TextWordWrap, t);
        break;
    }
    case Editor::ImageCombo: {
        const int image = m->imageIndex(c, m->rawValue(dr, c));
        if (image >= 0 && image < cd.images.size()) {
            QPixmap pm = cd.images.at(image);
            QSize sz = pm.deviceIndependentSize().toSize();
            if (sz.width() > inner.width() || sz.height() > inner.height())
                sz.scale(inner.size(), Qt::KeepAspectRatio);
            Qt::Alignment h = cd.alignment & Qt::AlignHorizontal_Mask;
            if (!h)
                h = Qt::AlignHCenter;
            const QRect target = QStyle::alignedRect(opt.direction, h | Qt::AlignVCenter, sz, inner);
            p->setRenderHint(QPainter::SmoothPixmapTransform);
            p->drawPixmap(target, pm);
        }
        break;
    }
    case Editor::CheckBox: {
        const QVariant v = m->rawValue(dr, c);
        QStyleOptionButton box;
        const QStyle* style = grid_->view()->style();
        const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, grid_->view());
        const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, grid_->view());
        Qt::Alignment ha = cd.alignment & Qt::AlignHorizontal_Mask;
        if (!ha)
            ha = Qt::AlignHCenter;
        box.rect = QStyle::alignedRect(opt.direction, ha | Qt::AlignVCenter, QSize(w, h), inner);
        const bool checked = m->isChecked(c, v);
        box.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
        box.palette = opt.palette;
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, grid_->view());
        break;
    }
    case Editor::Picture: {
        const QVariant v = m->rawValue(dr, c);
        const QByteArray bytes = v.toByteArray();
        if (!bytes.isEmpty()) {
            const QPixmap pm = pictureFor(bytes);
            if (!pm.isNull()) {
                QSize sz = pm.size();
                if (sz.width() > inner.width() || sz.height() > inner.height())
                    sz.scale(inner.size(), Qt::KeepAspectRatio);
                const QRect target = QStyle::alignedRect(opt.direction, Qt::AlignCenter, sz, inner);
                p->setRenderHint(QPainter::SmoothPixmapTransform);
                p->drawPixmap(target, pm);
            }
        }
        break;
    }
    }

    if (!op.rowSelect && op.focusRect && cur == index) {
        QPen pen(st.selection.darker(140));
        pen.setStyle(Qt::DotLine);
        p->setPen(pen);
        p->drawRect(r.adjusted(0, 0, -1, -1));
    }
    drawLines(p, r, st.gridLine);
    p->restore();
}

} // namespace kit
