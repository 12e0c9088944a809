// Line amounts: gross, successive discounts, net unit price, VAT-inclusive total.
#include "amounts.h"

#include <cmath>

namespace store {

double round2(double x)
{
    // The product of a double and 100 fits the 64-bit mantissa of long double exactly, so a half
    // cent is recognised only when the stored value really is one.
    // Dividing the whole number of cents in double precision gives the double nearest to the decimal
    // text, as reading the rounded text back would.
    return double(std::round(static_cast<long double>(x) * 100.0L)) / 100.0;
}

LineAmounts lineAmounts(double unitPrice, double quantity, const double (&rates)[4], double vatRate)
{
    LineAmounts a;
    const double gross = unitPrice * quantity;
    double net = gross;
    for (double r : rates)
        if (r > 0)
            net -= net * r / 100;
    a.tutar = round2(gross);
    a.netTutar = round2(net);
    a.indirimTutar = round2(a.tutar - a.netTutar);
    a.netBirimFiyat = quantity != 0 ? round2(a.netTutar / quantity) : 0;
    a.kdvliBirimFiyat = round2((1 + vatRate / 100) * a.netBirimFiyat);
    a.kdvliTutar = round2(a.kdvliBirimFiyat * quantity);
    a.vergiTutari = round2(a.kdvliTutar - a.netTutar);
    return a;
}

} // namespace store
