// Picture-pattern number formatting ("#,###,##0.00" and kin) in the user's locale.
#pragma once

#include <QLocale>
#include <QString>

namespace kit {

// A parsed display pattern: '0' is a required digit, '#' an optional one, '.' the decimal point and
// any ',' in the integer part turns on thousands grouping. Text before and after the digits is kept.
class NumberFormat {
public:
    NumberFormat() = default;
    explicit NumberFormat(const QString& pattern);

    // Rounds half away from zero on the value's 15 significant digits, so 1234.565 gives 1234.57
    // although its binary form lies just below the half.
    QString format(double value, const QLocale& locale = QLocale()) const;

    const QString& pattern() const { return pattern_; }
    bool isEmpty() const { return pattern_.isEmpty(); }
    int decimals() const { return maxDecimals_; }
    bool grouping() const { return grouping_; }

private:
    QString pattern_;
    QString prefix_;
    QString suffix_;
    int minInteger_ = 0;
    int minDecimals_ = 0;
    int maxDecimals_ = 0;
    bool grouping_ = false;
};

// The amount pattern every float column of a loaded table shows.
inline constexpr const char16_t* kAmountPattern = u"#,###,##0.00";

// Formats value with pattern in the default locale; patterns are parsed once and cached.
QString formatNumber(double value, const QString& pattern);

} // namespace kit
