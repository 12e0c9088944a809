// Counted tab captions and the tab painter that draws their badge.
#include "app/tabpainter.h"

#include <QPainter>
#include <QStyleOptionTab>

TSonuc CaptionCoz(const QString& caption)
{
    TSonuc r;
    r.baslik = caption;
    const qsizetype p = caption.indexOf(QLatin1Char('='));
    if (p < 0)
        return r;
    r.baslik = caption.mid(p + 1, 100);
    bool ok = false;
    const int n = caption.left(p).toInt(&ok, 10);
    // A count that is not a whole number (a fractional balance count, say) draws no badge.
    r.sayi = ok ? n : 0;
    return r;
}

TTabColorControlStyleHook::TTabColorControlStyleHook(QStyle* base) : QProxyStyle(base) {}

QRect TTabColorControlStyleHook::badgeRect(const QRect& tabRect, const QString& badge, const QFontMetrics& fm)
{
    const QRect r = tabRect.adjusted(2, 2, -2, 0);
    const int w = fm.horizontalAdvance(badge);
    return QRect(r.right() - w + 1, r.top(), w, fm.height());
}

void TTabColorControlStyleHook::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                            const QWidget* widget) const
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (element != CE_TabBarTabLabel || !tab) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const TSonuc c = CaptionCoz(tab->text);
    const bool side = tab->shape == QTabBar::RoundedWest || tab->shape == QTabBar::RoundedEast ||
                      tab->shape == QTabBar::TriangularWest || tab->shape == QTabBar::TriangularEast;
    if (side) { // side tabs show the title only; the base style rotates it
        QStyleOptionTab plain(*tab);
        plain.text = c.baslik;
        QProxyStyle::drawControl(element, &plain, painter, widget);
        return;
    }

    QRect textRect = tab->rect;
    if (!tab->icon.isNull()) {
        const QSize is = tab->iconSize.isValid() ? tab->iconSize : QSize(16, 16);
        const QRect iconRect(textRect.left() + 3, textRect.center().y() - is.height() / 2, is.width(), is.height());
        const QIcon::Mode mode = (tab->state & State_Enabled) ? QIcon::Normal : QIcon::Disabled;
        tab->icon.paint(painter, iconRect, Qt::AlignCenter, mode);
        textRect.setLeft(iconRect.right() + 3);
    }
    if (tab->state & State_Selected)
        textRect.translate(0, -1);

    painter->save();
    const QPalette::ColorRole role = widget ? widget->foregroundRole() : QPalette::WindowText;
    painter->setPen(tab->palette.color((tab->state & State_Enabled) ? QPalette::Active : QPalette::Disabled, role));
    painter->drawText(textRect.adjusted(2, 5, -2, -5), Qt::AlignCenter | Qt::TextWordWrap, c.baslik);
    if (c.sayi > 0) {
        const QString badge = QLatin1Char('(') + QString::number(c.sayi) + QLatin1Char(')');
        painter->setPen(QColor(255, 0, 0));
        painter->drawText(badgeRect(tab->rect, badge, painter->fontMetrics()), Qt::AlignRight | Qt::AlignTop, badge);
    }
    painter->restore();
}
