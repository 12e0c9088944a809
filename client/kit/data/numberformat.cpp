// Picture-pattern number formatting.
#include "kit/data/numberformat.h"

#include <QHash>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace kit {

namespace {

bool isDigitChar(QChar c) { return c == u'0' || c == u'#'; }

// The decimal digits of |value| rounded half away from zero to `decimals` places: integer digits
// (at least "0") and exactly `decimals` fraction digits.
void roundedDigits(double value, int decimals, std::string& intPart, std::string& fracPart)
{
    char buf[64];
    // 15 significant digits is what a double carries faithfully; rounding below that is decimal.
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string mant;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            mant.push_back(*p);
    const int exp10 = *p == 'e' ? std::atoi(p + 1) : 0;
    // value = 0.mant * 10^(exp10 + 1)
    int point = exp10 + 1;
    int keep = point + decimals; // digits of mant that survive
    if (keep < 0) {
        intPart = "0";
        fracPart.assign(std::size_t(decimals), '0');
        return;
    }
    if (keep < int(mant.size())) {
        const bool up = mant[std::size_t(keep)] >= '5';
        mant.resize(std::size_t(keep));
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (mant[std::size_t(i)] == '9') {
                    mant[std::size_t(i)] = '0';
                } else {
                    ++mant[std::size_t(i)];
                    break;
                }
            }
            if (i < 0) {
                mant.insert(mant.begin(), '1');
                ++point;
            }
        }
    }
    // Digits beyond the mantissa are zeros.
    if (int(mant.size()) < point + decimals)
        mant.append(std::size_t(point + decimals - int(mant.size())), '0');
    if (point <= 0) {
        intPart = "0";
        fracPart.assign(std::size_t(-point), '0');
        fracPart.append(mant, 0, std::size_t(decimals + point));
    } else {
        intPart.assign(mant, 0, std::size_t(point));
        fracPart.assign(mant, std::size_t(point), std::size_t(decimals));
    }
    const auto nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string("0") : intPart.substr(nz);
}

} // namespace

NumberFormat::NumberFormat(const QString& pattern) : pattern_(pattern)
{
    // Only the first section (positive numbers) is used; negative values get the locale's sign.
    const QString first = pattern.section(u';', 0, 0);
    int start = 0;
    while (start < first.size() && !isDigitChar(first[start]) && first[start] != u'.' && first[start] != u',')
        ++start;
    int end = start;
    while (end < first.size() &&
           (isDigitChar(first[end]) || first[end] == u'.' || first[end] == u','))
        ++end;
    prefix_ = first.left(start);
    suffix_ = first.mid(end);
    prefix_.remove(u'"');
    suffix_.remove(u'"');
    bool inFraction = false;
    for (int i = start; i < end; ++i) {
        const QChar c = first[i];
        if (c == u'.') {
            inFraction = true;
        } else if (c == u',') {
            if (!inFraction)
                grouping_ = true;
        } else if (inFraction) {
            ++maxDecimals_;
            if (c == u'0')
                minDecimals_ = maxDecimals_;
        } else if (c == u'0') {
            ++minInteger_;
        }
    }
}

QString NumberFormat::format(double value, const QLocale& locale) const
{
    if (!std::isfinite(value))
        return locale.toString(value);
    std::string ip, fp;
    roundedDigits(value, maxDecimals_, ip, fp);
    while (int(fp.size()) > minDecimals_ && fp.back() == '0')
        fp.pop_back();
    const bool zero = ip == "0" && fp.find_first_not_of('0') == std::string::npos;
    if (ip == "0" && minInteger_ == 0)
        ip.clear();
    if (int(ip.size()) < minInteger_)
        ip.insert(0, std::size_t(minInteger_ - int(ip.size())), '0');

    QString out;
    out.reserve(int(ip.size() + fp.size()) + 8);
    if (value < 0 && !zero)
        out += locale.negativeSign();
    out += prefix_;
    const QString group = locale.groupSeparator();
    const int n = int(ip.size());
    for (int i = 0; i < n; ++i) {
        if (grouping_ && i > 0 && (n - i) % 3 == 0)
            out += group;
        out += QLatin1Char(ip[std::size_t(i)]);
    }
    if (!fp.empty()) {
        out += locale.decimalPoint();
        out += QLatin1String(fp.data(), qsizetype(fp.size()));
    }
    out += suffix_;
    return out;
}

QString formatNumber(double value, const QString& pattern)
{
    // Display formats are few and reused for every cell, so parse each once.
    static std::mutex lock;
    static QHash<QString, NumberFormat> cache;
    NumberFormat f;
    {
        std::lock_guard g(lock);
        auto it = cache.find(pattern);
        if (it == cache.end())
            it = cache.insert(pattern, NumberFormat(pattern));
        f = *it;
    }
    return f.format(value);
}

} // namespace kit
