// Shared helpers over local tables.
#include "kit/data/tablehelpers.h"

#include "kit/data/numberformat.h"

#include <QLocale>

namespace kit {

void SayiBicimle(Table& table)
{
    const QString amount = QString::fromUtf16(kAmountPattern);
    for (int i = 0; i < table.fieldCount(); ++i)
        if (table.field(i).type() == FieldType::Float)
            table.field(i).setDisplayFormat(amount);
}

bool KayitVarmi(const Table& table) { return table.isOpen() && table.rowCount() > 0; }

bool SecimVarmi(Table& table)
{
    if (!KayitVarmi(table))
        return false;
    Field& sec = table.fieldByName(QStringLiteral("SEC"));
    table.first();
    while (!table.eof()) {
        if (!sec.isNull() && sec.asFloat() == 1)
            return true;
        table.next();
    }
    return false;
}

double roundThroughText(double x, const QString& pattern)
{
    const QLocale loc;
    QString s = NumberFormat(pattern).format(x, loc);
    s.remove(loc.groupSeparator());
    bool ok = false;
    double v = loc.toDouble(s, &ok);
    if (!ok) {
        // Below 1 the text has no integer digit (",50"); give the parser one.
        const QString sign = s.startsWith(loc.negativeSign()) ? loc.negativeSign() : QString();
        v = loc.toDouble(sign + u'0' + s.mid(sign.size()), &ok);
    }
    return ok ? v : 0.0;
}

double Yuvarla(double x) { return roundThroughText(x, QStringLiteral("#,###,##.00")); }

} // namespace kit
