// Mail text for the relay: header encoding, header-injection folding, the message, comma-text reading.
#include "mail/message.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

namespace mail {

QString oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
    QString s = text;
    s.replace(breaks, QStringLiteral(" "));
    return s;
}

bool isPlainAddress(const QString& address)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9.!#$%&'*+/=?^_`{|}~-]+@[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)+$"));
    return address.size() <= 254 && plain.match(address).hasMatch();
}

QByteArray encodedHeader(const QString& text)
{
    const QString line = oneLine(text);
    bool ascii = true;
    for (QChar ch : line)
        ascii = ascii && ch.unicode() >= 0x20 && ch.unicode() < 0x7f;
    if (ascii && !line.contains(QLatin1String("=?")) && line.size() <= 70)
        return line.toLatin1();
    // Split between characters, never inside one: 45 bytes of UTF-8 give 60 base64 characters, which
    // with "=?UTF-8?B?" and "?=" stay under the 75 of an encoded word.
    QByteArray out;
    QByteArray chunk;
    const auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        qsizetype n = line.at(i).isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        const QByteArray bytes = line.mid(i, n).toUtf8();
        if (chunk.size() + bytes.size() > 45)
            flush();
        chunk += bytes;
        i += n - 1;
    }
    flush();
    return out;
}

QByteArray compose(const Mail& m, const QDateTime& date)
{
    QByteArray h;
    const auto header = [&h](const char* name, const QByteArray& value) { h += name + QByteArray(": ") + value + "\r\n"; };
    header("Date", QLocale::c().toString(date.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")).toLatin1() + " +0000");
    header("From", "<" + oneLine(m.from).toUtf8() + ">");
    header("To", "<" + oneLine(m.to).toUtf8() + ">");
    if (isPlainAddress(m.replyTo))
        header("Reply-To", "<" + m.replyTo.toLatin1() + ">");
    const QString domain = m.from.section(QLatin1Char('@'), 1);
    header("Message-ID", "<" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "@" +
                             (isPlainAddress(m.from) ? domain.toLatin1() : QByteArray("tezval")) + ">");
    header("Subject", encodedHeader(m.subject));
    header("MIME-Version", "1.0");
    header("Content-Type", "text/plain; charset=UTF-8");
    header("Content-Transfer-Encoding", "base64");
    QByteArray body = m.body.toUtf8().toBase64();
    QByteArray lines;
    for (qsizetype i = 0; i < body.size(); i += 76)
        lines += body.mid(i, 76) + "\r\n";
    return h + "\r\n" + lines;
}

QStringList fromCommaText(const QString& text)
{
    QStringList lines;
    QString cur;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (n == 0)
        return lines;
    while (true) {
        cur.clear();
        if (i < n && text.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        cur += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cur += text.at(i++);
            }
            while (i < n && text.at(i) != QLatin1Char(',')) // text after a closing quote belongs to the line
                cur += text.at(i++);
        } else {
            while (i < n && text.at(i) != QLatin1Char(','))
                cur += text.at(i++);
        }
        lines << cur;
        if (i >= n)
            break;
        ++i; // the comma
    }
    return lines;
}

} // namespace mail
