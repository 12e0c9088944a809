// Mail text for the relay: RFC 5322 headers with UTF-8 encoded words, and the comma-text of the client's memo.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace mail {

struct Mail {
    QString from;    // envelope and From: of the server, from its settings
    QString to;      // the wholesaler's address, from the settings
    QString replyTo; // the dealer's address; left out unless it is one plain address
    QString subject;
    QString body;
};

// A header value on one line: every run of CR and LF becomes one blank, so no text a client sends can
// start a header of its own.
QString oneLine(const QString& text);
// An addr-spec with nothing that could end a header or an address list (no blanks, brackets, commas).
bool isPlainAddress(const QString& address);
// The text as RFC 2047 "=?UTF-8?B?...?=" words of at most 75 characters, on folded lines; pure
// ASCII text without "=?" stays as it is.
QByteArray encodedHeader(const QString& text);
// The whole message with CRLF line ends; the body travels as base64 of UTF-8.
QByteArray compose(const Mail& m, const QDateTime& date);

// The client's comma-text (lines joined by commas, a line quoted when it holds a comma, a quote, a
// blank or a control character, quotes doubled) back to its lines.
QStringList fromCommaText(const QString& text);

} // namespace mail
