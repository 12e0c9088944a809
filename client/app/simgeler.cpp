// The program's own pictures, drawn with QPainter so that nothing has to be shipped.
#include "app/simgeler.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

struct Glyph {
    QColor colour;
    QString text;
};

// Tab icon list: index -> colour and glyph.
Glyph sekmeGlyph(int index)
{
    static const QHash<int, Glyph> glyphs = {
        {17, {QColor(0x2f, 0x6d, 0xb5), QStringLiteral("\u2630")}}, // stock list
        {8, {QColor(0xe0, 0x7b, 0x1a), QStringLiteral("\u2714")}},  // basket
        {3, {QColor(0x4a, 0x8f, 0x3c), QStringLiteral("\u21BA")}},  // previous orders
        {20, {QColor(0x6b, 0x4f, 0xa8), QStringLiteral("\u2261")}}, // statement
        {10, {QColor(0x1f, 0x9a, 0x9a), QStringLiteral("\u2605")}}, // new products
        {6, {QColor(0xd2, 0x3c, 0x3c), QStringLiteral("%")}},        // campaigns
        {18, {QColor(0xc9, 0x9a, 0x14), QStringLiteral("\u2709")}}, // announcements
        {7, {QColor(0x5a, 0x6b, 0x7d), QStringLiteral("\u2696")}},  // balances
        {12, {QColor(0x2e, 0x7d, 0x5b), QStringLiteral("\u20BA")}}, // card payment
    };
    return glyphs.value(index, Glyph{QColor(0x70, 0x80, 0x90), QStringLiteral("?")});
}

QPixmap roundedGlyph(const Glyph& g, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient grad(0, 0, 0, size);
    grad.setColorAt(0, g.colour.lighter(125));
    grad.setColorAt(1, g.colour.darker(110));
    p.setBrush(grad);
    p.setPen(QPen(g.colour.darker(140), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(size * 0.6));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, g.text);
    return pm;
}

} // namespace

QIcon sekmeSimgesi(int index) { return QIcon(roundedGlyph(sekmeGlyph(index), 32)); }

QPixmap durumSimgesi(int durum, int size)
{
    static const Glyph glyphs[] = {
        {QColor(0xc6, 0x28, 0x28), QStringLiteral("\u2716")}, // 0 none
        {QColor(0x2e, 0x8b, 0x3a), QStringLiteral("\u2714")}, // 1 in stock
        {QColor(0x1f, 0x6f, 0xb5), QStringLiteral("\u260E")}, // 2 call us
        {QColor(0xe0, 0x8a, 0x12), QStringLiteral("\u2708")}, // 3 on the way
        {QColor(0x7b, 0x4f, 0xa8), QStringLiteral("\u2605")}, // 4 special order
        {QColor(0x8a, 0x8a, 0x2a), QStringLiteral("\u21BB")}, // 5 being supplied
    };
    if (durum < 0 || durum > 5)
        return QPixmap();
    return roundedGlyph(glyphs[durum], size);
}

QPixmap logoResmi(int height)
{
    const int width = height * 3;
    QPixmap pm(width, height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A gear-like wheel and the company name.
    const QRectF wheel(4, 4, height - 8, height - 8);
    p.setPen(QPen(QColor(0x0f, 0x3a, 0x63), height / 12.0));
    p.setBrush(QColor(0xd2, 0x3c, 0x3c));
    p.drawEllipse(wheel);
    p.setBrush(QColor(0xee, 0xf2, 0xf6));
    p.drawEllipse(wheel.adjusted(height / 4.0, height / 4.0, -height / 4.0, -height / 4.0));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(height * 2 / 5);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x0f, 0x3a, 0x63));
    p.drawText(QRectF(height, 0, width - height, height * 0.62), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("TEZVAL"));
    f.setPixelSize(height / 5);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(0xd2, 0x3c, 0x3c));
    p.drawText(QRectF(height, height * 0.62, width - height, height * 0.38), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("OTOMOTİV B2B"));
    return pm;
}

QIcon menuSimgesi() { return QIcon(roundedGlyph(Glyph{QColor(0x0f, 0x3a, 0x63), QStringLiteral("\u2630")}, 48)); }

QPixmap aramaResmi(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = size * 0.3;
    p.setPen(QPen(QColor(0x3d, 0x6f, 0x9e), size / 8.0, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QPointF(size * 0.42, size * 0.42), r, r);
    p.drawLine(QPointF(size * 0.64, size * 0.64), QPointF(size * 0.9, size * 0.9));
    return pm;
}
