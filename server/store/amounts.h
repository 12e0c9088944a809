// Amounts of a basket, order or invoice line, computed with the rounding the client previews use.
#pragma once

namespace store {

// x rounded to two decimals, halves away from zero, judged on the exact binary value (1.005 is
// stored as 1.00499... and gives 1.00), as the client's own rounding of formatted amounts does.
double round2(double x);

struct LineAmounts {
    double tutar = 0;         // quantity × unit price
    double indirimTutar = 0;  // tutar − netTutar
    double netTutar = 0;      // after the successive discounts
    double netBirimFiyat = 0; // netTutar / quantity
    double kdvliBirimFiyat = 0;
    double kdvliTutar = 0;
    double vergiTutari = 0;   // kdvliTutar − netTutar
};

// Unit price, quantity, the four discount rates in percent (a rate of 0 or less is skipped) and the
// VAT rate in percent. Every stored amount is rounded to two decimals.
LineAmounts lineAmounts(double unitPrice, double quantity, const double (&rates)[4], double vatRate);

} // namespace store
