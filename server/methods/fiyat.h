// A dealer's price of a product, as the search shows it and the basket stores it.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace srv::fiyat {

// Joins on the products of alias S that bring the dealer's price list and discount rows; binds one
// value, the dealer's account number.
QString joins();
// The dealer's unit price of S: a campaign product's campaign price, else the price of the dealer's
// list, else the product's list price.
QString priceExpression();
// Discount rate n (1 to 4) of S for the dealer: the rates of the product's main group, else the
// dealer's general rates; none on a campaign price.
QString rateExpression(int n);

// Discount rates as the grids show them: the rates above 0 joined by "+", "0" for none.
QString rateText(const double (&rates)[4]);

struct Product {
    int stokno = 0;
    QString barkod, adi;
    double kdv = 0;
    int k = 0;
    double price = 0;    // the dealer's price
    double rates[4] = {}; // the dealer's rates
};
// The product with the dealer's price, or nothing when no such product is on sale.
std::optional<Product> product(const QSqlDatabase& db, int carino, int stokno);

} // namespace srv::fiyat
