// Line amount tests: two-decimal rounding and the successive discounts the client previews.
#include "store/amounts.h"

#include <gtest/gtest.h>

TEST(StoreRound2, RoundsTheStoredValueHalfAwayFromZero)
{
    const std::pair<double, double> cases[] = {
        {1234.567, 1234.57}, {1.005, 1.00}, // 1.005 is stored just below the half
        {2.675, 2.67},       {0.125, 0.13}, // 0.125 is an exact half
        {-0.125, -0.13},     {0.5, 0.5},     {-1234.565, -1234.57}, {0, 0},
    };
    for (const auto& [x, want] : cases)
        EXPECT_EQ(store::round2(x), want) << x;
}

TEST(StoreLineAmounts, FollowTheClientsPreview)
{
    struct Case {
        double price, qty;
        double rates[4];
        double vat;
        store::LineAmounts want;
    };
    const Case cases[] = {
        // gross 300; 10 % then 5 %: 256.50; net unit 85.50, with VAT 102.60, total 307.80
        {100, 3, {10, 5, 0, 0}, 20, {300, 43.5, 256.5, 85.5, 102.6, 307.8, 51.3}},
        // a rate of 0 or less is skipped, not added
        {100, 1, {-10, 0, 10, 0}, 20, {100, 10, 90, 90, 108, 108, 18}},
        // quantity 0 leaves every amount at 0
        {100, 0, {10, 0, 0, 0}, 20, {0, 0, 0, 0, 0, 0, 0}},
        // the net unit price is rounded before VAT and quantity are applied to it
        {33.33, 3, {0, 0, 0, 0}, 20, {99.99, 0, 99.99, 33.33, 40, 120, 20.01}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.price << " x " << c.qty);
        const store::LineAmounts a = store::lineAmounts(c.price, c.qty, c.rates, c.vat);
        EXPECT_EQ(a.tutar, c.want.tutar);
        EXPECT_EQ(a.indirimTutar, c.want.indirimTutar);
        EXPECT_EQ(a.netTutar, c.want.netTutar);
        EXPECT_EQ(a.netBirimFiyat, c.want.netBirimFiyat);
        EXPECT_EQ(a.kdvliBirimFiyat, c.want.kdvliBirimFiyat);
        EXPECT_EQ(a.kdvliTutar, c.want.kdvliTutar);
        EXPECT_EQ(a.vergiTutari, c.want.vergiTutari);
    }
}
