// The outbox relayed to a real SMTP conversation on loopback: Turkish subject and body intact, no
// header injection, no password in a mail, and a refusing relay leaving the row failed after its retries.
#include "support/test_database.h"
#include "support/test_server.h"

#include "mail/message.h"
#include "mail/outbox.h"
#include "store/store.h"
#include "wire.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using srvtest::TestServer;

// A small SMTP server on 127.0.0.1: answers one client at a time, keeps every message it accepted,
// or refuses every sender with 554 when told to.
class SmtpListener {
public:
    explicit SmtpListener(bool refuse) : refuse_(refuse)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~SmtpListener()
    {
        stopping_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    unsigned short port() const { return port_; }
    QString url() const { return QStringLiteral("smtp://127.0.0.1:%1").arg(port_); }
    std::vector<QByteArray> messages() const
    {
        std::lock_guard l(m_);
        return messages_;
    }
    std::vector<QByteArray> envelopes() const
    {
        std::lock_guard l(m_);
        return envelopes_;
    }
    int sessions() const { return sessions_; }

private:
    void serve()
    {
        while (!stopping_) {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0)
                return;
            timeval tv{10, 0}; // a stuck client never holds the test for long
            ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
            ++sessions_;
            talk(c);
            ::close(c);
        }
    }
    static void say(int c, const char* line) { (void)!::send(c, line, std::strlen(line), MSG_NOSIGNAL); }
    void talk(int c)
    {
        say(c, "220 deneme ESMTP\r\n");
        QByteArray buffer;
        bool inData = false;
        QByteArray data;
        char chunk[4096];
        while (true) {
            const ssize_t n = ::recv(c, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            buffer.append(chunk, n);
            while (true) {
                if (inData) {
                    const qsizetype end = buffer.indexOf("\r\n.\r\n");
                    if (end < 0)
                        break;
                    data = buffer.left(end + 2);
                    buffer.remove(0, end + 5);
                    inData = false;
                    {
                        std::lock_guard l(m_);
                        messages_.push_back(data);
                    }
                    say(c, "250 OK\r\n");
                    continue;
                }
                const qsizetype eol = buffer.indexOf("\r\n");
                if (eol < 0)
                    break;
                const QByteArray line = buffer.left(eol);
                buffer.remove(0, eol + 2);
                const QByteArray verb = line.left(4).toUpper();
                if (verb == "EHLO" || verb == "HELO")
                    say(c, "250-deneme\r\n250 8BITMIME\r\n");
                else if (verb == "MAIL") {
                    if (refuse_) {
                        say(c, "554 Gonderici reddedildi\r\n");
                    } else {
                        std::lock_guard l(m_);
                        envelopes_.push_back(line);
                        say(c, "250 OK\r\n");
                    }
                } else if (verb == "RCPT") {
                    std::lock_guard l(m_);
                    envelopes_.push_back(line);
                    say(c, "250 OK\r\n");
                } else if (verb == "DATA") {
                    inData = true;
                    say(c, "354 Devam\r\n");
                } else if (verb == "QUIT") {
                    say(c, "221 Hosca kal\r\n");
                    return;
                } else if (verb == "RSET" || verb == "NOOP")
                    say(c, "250 OK\r\n");
                else
                    say(c, "502 Bilinmiyor\r\n");
            }
        }
    }

    bool refuse_;
    int fd_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> sessions_{0};
    std::thread thread_;
    mutable std::mutex m_;
    std::vector<QByteArray> messages_;
    std::vector<QByteArray> envelopes_;
};

struct Parsed {
    QList<QPair<QByteArray, QByteArray>> headers; // unfolded
    QString body;
    QList<QByteArray> all(const QByteArray& name) const
    {
        QList<QByteArray> r;
        for (const auto& [n, v] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                r << v;
        return r;
    }
};

Parsed parse(const QByteArray& message)
{
    Parsed p;
    const qsizetype split = message.indexOf("\r\n\r\n");
    const QList<QByteArray> lines = message.left(split).split('\n');
    for (QByteArray line : lines) {
        line = line.chopped(line.endsWith('\r') ? 1 : 0);
        if ((line.startsWith(' ') || line.startsWith('\t')) && !p.headers.isEmpty())
            p.headers.last().second += line;
        else
            p.headers.append({line.left(line.indexOf(':')), line.mid(line.indexOf(':') + 1).trimmed()});
    }
    p.body = QString::fromUtf8(QByteArray::fromBase64(message.mid(split + 4)));
    return p;
}

// Decodes a header made of RFC 2047 B-encoded UTF-8 words (blanks between words do not count).
QString decodeWords(const QByteArray& value)
{
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?="));
    QByteArray bytes;
    auto it = word.globalMatch(QString::fromLatin1(value));
    if (!it.hasNext())
        return QString::fromUtf8(value);
    while (it.hasNext())
        bytes += QByteArray::fromBase64(it.next().captured(1).toLatin1());
    return QString::fromUtf8(bytes);
}

std::string envelope(const QStringList& texts)
{
    wire::MessageWriter w("_parameters");
    for (const QString& t : texts)
        w.text(t);
    return w.finish();
}

using srvtest::scalar;

const QString kWs = QStringLiteral("WS-SMTP");

class Relay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testdb::missingReason().isEmpty())
            GTEST_SKIP() << testdb::missingReason().toStdString();
        srvtest::Options o;
        o.workstations = {{kWs, 0}};
        server = std::make_unique<TestServer>(o);
        key = server->signIn(0);
        ASSERT_FALSE(key.empty());
        // The demo's own requests are out of the way: each test relays only what it sent.
        store::exec(server->store().db(), QStringLiteral("UPDATE ISTEK SET DURUM = 1"));
    }
    mail::RelaySettings settings(const SmtpListener& l, int attempts) const
    {
        mail::RelaySettings r;
        r.url = l.url();
        r.from = QStringLiteral("b2b@toptanci.example");
        r.to = QStringLiteral("siparis@toptanci.example");
        r.attempts = attempts;
        r.backoff = std::chrono::seconds(0);
        r.timeout = std::chrono::seconds(20);
        return r;
    }
    std::unique_ptr<TestServer> server;
    std::string key;
};

TEST_F(Relay, TurkishMailAndPasswordRequestArriveIntactWithoutInjectionOrPassword)
{
    const QStringList mailFields{kWs, QStringLiteral("Şişli şubesi: sipariş\r\nBcc: kotu@saldirgan.example"),
                                 QStringLiteral("Öz Çağrı Oto"), QStringLiteral("Gümüşsuyu"), {}, QStringLiteral("Beyoğlu"),
                                 QStringLiteral("İstanbul"), QStringLiteral("0212"), {}, {}, {}, QStringLiteral("Ayşe"),
                                 QStringLiteral("AYSE"), {}, QStringLiteral("ayse@bayi.example\r\nBcc: x@y.example"), {},
                                 QStringLiteral("Merhaba,\"Yarın, öğlen gelir misiniz?\"")};
    ASSERT_EQ(server->post("MailGonserCariNormal", envelope(mailFields), key).status, 200);
    QStringList request = mailFields.mid(0, 16);
    request[1] = QStringLiteral("Şifre Değiştirme İsteği");
    request[13] = QStringLiteral("GİZLİ-ŞİFRE-7");
    ASSERT_EQ(server->post("MailGonserCari", envelope(request), key).status, 200);

    SmtpListener smtp(false);
    mail::Outbox outbox(server->store(), settings(smtp, 3), {});
    EXPECT_EQ(outbox.relayDue(), 2);
    EXPECT_EQ(outbox.relayDue(), 0) << "a relayed row is not sent again";
    EXPECT_EQ(scalar(server->store(), QStringLiteral("SELECT COUNT(*) FROM ISTEK WHERE DURUM = 1 AND BILGISAYARID = ?"), {kWs}).toInt(), 2);

    const auto messages = smtp.messages();
    ASSERT_EQ(messages.size(), 2u);
    const Parsed m = parse(messages[0]);
    ASSERT_EQ(m.all("Subject").size(), 1);
    EXPECT_EQ(decodeWords(m.all("Subject").front()), QStringLiteral("Şişli şubesi: sipariş Bcc: kotu@saldirgan.example"));
    EXPECT_TRUE(m.all("Bcc").isEmpty());
    EXPECT_TRUE(m.all("Reply-To").isEmpty()) << "an address with a line break is left out";
    ASSERT_EQ(m.all("Content-Type").size(), 1);
    EXPECT_TRUE(m.all("Content-Type").front().contains("charset=UTF-8"));
    EXPECT_EQ(m.all("To"), QList<QByteArray>{"<siparis@toptanci.example>"});
    EXPECT_TRUE(m.body.contains(QStringLiteral("Firma Adı: Öz Çağrı Oto")));
    EXPECT_TRUE(m.body.contains(QStringLiteral("\nMerhaba\nYarın, öğlen gelir misiniz?\n"))) << m.body.toStdString();

    const Parsed p = parse(messages[1]);
    EXPECT_EQ(decodeWords(p.all("Subject").value(0)), QStringLiteral("Şifre Değiştirme İsteği"));
    EXPECT_TRUE(p.body.contains(QStringLiteral("AYSE")));
    EXPECT_FALSE(p.body.contains(QStringLiteral("GİZLİ")));
    EXPECT_FALSE(messages[1].contains("argon2"));
    EXPECT_FALSE(messages[1].contains(QStringLiteral("GİZLİ-ŞİFRE-7").toUtf8().toBase64()));
    EXPECT_TRUE(smtp.envelopes().front().contains("<b2b@toptanci.example>"));
}

TEST_F(Relay, RefusingRelayLeavesTheRowFailedAfterItsRetries)
{
    QStringList fields(17, QStringLiteral("x"));
    fields[0] = kWs;
    ASSERT_EQ(server->post("MailGonserCariNormal", envelope(fields), key).status, 200);
    store::Store& s = server->store();
    const int id = scalar(s, QStringLiteral("SELECT MAX(SIRANO) FROM ISTEK")).toInt();

    SmtpListener smtp(true);
    mail::Outbox outbox(s, settings(smtp, 3), {});
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_EQ(outbox.relayDue(), 1) << "attempt " << attempt;
        EXPECT_EQ(scalar(s, QStringLiteral("SELECT DENEME FROM ISTEK WHERE SIRANO = ?"), {id}).toInt(), attempt);
        EXPECT_EQ(scalar(s, QStringLiteral("SELECT DURUM FROM ISTEK WHERE SIRANO = ?"), {id}).toInt(),
                  attempt < 3 ? int(mail::Waiting) : int(mail::Failed));
    }
    EXPECT_EQ(outbox.relayDue(), 0) << "a failed row is not tried again";
    EXPECT_EQ(smtp.sessions(), 3);
    EXPECT_TRUE(smtp.messages().empty());
    EXPECT_FALSE(scalar(s, QStringLiteral("SELECT HATA FROM ISTEK WHERE SIRANO = ?"), {id}).toString().isEmpty());
    const std::string list = mail::listing(s);
    EXPECT_NE(list.find(std::to_string(id) + "\t"), std::string::npos);
    EXPECT_NE(list.find("başarısız"), std::string::npos);
}

// The client's memo is comma-text; the web site's request form posts plain text, commas and all.
TEST_F(Relay, WebFormRequestKeepsItsTextWhole)
{
    store::Store& s = server->store();
    store::exec(s.db(), QStringLiteral("INSERT INTO ISTEK (TARIH, TUR, BASLIK, KONU) VALUES "
                                       "('2026-01-01T00:00:00', 1, 'İstek Formu', 'Adres, telefon ve \"vergi\" no')"));
    const int id = scalar(s, QStringLiteral("SELECT MAX(SIRANO) FROM ISTEK")).toInt();
    EXPECT_TRUE(mail::mailForRequest(s, id, {}).body.contains(QStringLiteral("\nAdres, telefon ve \"vergi\" no\n")));
}

// The relay's own thread picks a new request up and stops when the outbox goes.
TEST_F(Relay, BackgroundThreadRelaysNewRequests)
{
    SmtpListener smtp(false);
    auto outbox = std::make_unique<mail::Outbox>(server->store(), settings(smtp, 3), nullptr);
    outbox->start(std::chrono::milliseconds(50));
    QStringList fields(17, QStringLiteral("arka plan"));
    fields[0] = kWs;
    ASSERT_EQ(server->post("MailGonserCariNormal", envelope(fields), key).status, 200);
    const auto relayed = [&] {
        return scalar(server->store(), QStringLiteral("SELECT COUNT(*) FROM ISTEK WHERE DURUM = 1 AND BILGISAYARID = ?"), {kWs}).toInt() == 1;
    };
    for (int i = 0; i < 600 && !relayed(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(relayed());
    outbox.reset();
    EXPECT_EQ(smtp.messages().size(), 1u);
}

// Header values: encoded words stay within their length, split between characters, and a long
// Turkish subject comes back whole.
TEST(MailHeader, EncodedWordsRoundTrip)
{
    const QString cases[] = {QStringLiteral("Merhaba"), QStringLiteral("ğüşıöçĞÜŞİÖÇ"),
                             QStringLiteral("Uzun konu: ") + QString(40, QChar(0x015F)) + QStringLiteral(" 😀 son"),
                             QStringLiteral("=?UTF-8?B?QQ==?= sahte")};
    for (const QString& c : cases) {
        const QByteArray h = mail::encodedHeader(c);
        EXPECT_FALSE(h.contains('\n') && !h.contains("\r\n ")) << h.constData();
        for (const QByteArray& line : h.split('\n'))
            EXPECT_LE(line.trimmed().size(), 75);
        EXPECT_EQ(h.startsWith("=?") ? decodeWords(h) : QString::fromLatin1(h), c);
    }
    EXPECT_EQ(mail::oneLine(QStringLiteral("a\r\n\r\nb\nc\rd")), QStringLiteral("a b c d"));
    EXPECT_FALSE(mail::isPlainAddress(QStringLiteral("a@b.example\r\nBcc: c@d.example")));
    EXPECT_FALSE(mail::isPlainAddress(QStringLiteral("a@b.example, c@d.example")));
    EXPECT_TRUE(mail::isPlainAddress(QStringLiteral("bayi.42@ornek.com.tr")));
}

} // namespace
