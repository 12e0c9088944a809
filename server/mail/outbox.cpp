// The outbox of requests: relaying rows to an SMTP server with retries, listing, applying a requested password.
#include "mail/outbox.h"

#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace mail {

namespace {

const QString kRequestColumns = QStringLiteral(
    "SIRANO, TARIH, TUR, BILGISAYARID, CARINO, BASLIK, FIRMAADI, ADRES1, ADRES2, ILCE, SEHIR, TELEFON, FAX, VD, VN, "
    "YETKILI, KULLANICIADI, MAIL, KARGOAMBAR, KONU, KULLANICINO");

struct Upload {
    QByteArray data;
    qsizetype at = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* u = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, size_t(u->data.size() - u->at));
    std::memcpy(buffer, u->data.constData() + u->at, n);
    u->at += qsizetype(n);
    return n;
}

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

Mail mailForRequest(store::Store& s, int id, const RelaySettings& settings)
{
    QSqlQuery q = store::prepare(s.db(), QStringLiteral("SELECT %1 FROM ISTEK WHERE SIRANO = ?").arg(kRequestColumns));
    q.addBindValue(id);
    store::exec(q);
    if (!q.next())
        throw store::StoreError(QStringLiteral("İstek %1 bulunamadı").arg(id));
    const auto v = [&q](int i) { return q.value(i).toString(); };
    Mail m;
    m.from = settings.from;
    m.to = settings.to;
    m.replyTo = v(17);
    m.subject = v(5);
    QString b;
    const auto line = [&b](const QString& label, const QString& value) { b += label + QStringLiteral(": ") + value + QLatin1Char('\n'); };
    if (q.value(2).toInt() == PasswordKind) {
        b += QStringLiteral("Yeni bir şifre istendi: kullanıcı \"%1\", iş istasyonu %2.\n"
                            "Şifre bu postada yoktur; istenen şifrenin yalnız özeti istek %3 ile saklanır.\n"
                            "İstek doğrulandıktan sonra uygulamak için: tezval-sunucu --sifre-onayla %3\n\n")
                 .arg(v(16), v(3))
                 .arg(id);
    }
    line(QStringLiteral("İstek No"), QString::number(id));
    line(QStringLiteral("Tarih"), v(1));
    line(QStringLiteral("Bilgisayar ID"), v(3));
    line(QStringLiteral("Cari No"), v(4));
    line(QStringLiteral("Firma Adı"), v(6));
    line(QStringLiteral("Adres"), v(7));
    line(QStringLiteral("Adres2"), v(8));
    line(QStringLiteral("İlçe/Şehir"), v(9) + QStringLiteral(" / ") + v(10));
    line(QStringLiteral("Telefon/Fax"), v(11) + QStringLiteral(" / ") + v(12));
    line(QStringLiteral("Vergi Dairesi / No"), v(13) + QStringLiteral(" / ") + v(14));
    line(QStringLiteral("Yetkili"), v(15));
    line(QStringLiteral("Kullanıcı Adı"), v(16));
    line(QStringLiteral("Mail"), v(17));
    line(QStringLiteral("Kargo Ambar"), v(18));
    // The client sends its memo as comma-text; the web site's request form (no signed-in user) plain text.
    if (q.value(2).toInt() == MailKind)
        b += QStringLiteral("\nMesaj:\n") + (q.value(20).isNull() ? v(19) : fromCommaText(v(19)).join(QLatin1Char('\n'))) +
             QLatin1Char('\n');
    m.body = b;
    q.finish();
    return m;
}

QString deliver(const RelaySettings& settings, const QByteArray& message)
{
    initCurl();
    CURL* c = curl_easy_init();
    if (!c)
        return QStringLiteral("libcurl başlatılamadı");
    char error[CURL_ERROR_SIZE] = {};
    Upload upload{message, 0};
    const QByteArray url = settings.url.toUtf8();
    const QByteArray from = "<" + oneLine(settings.from).toUtf8() + ">";
    const QByteArray to = "<" + oneLine(settings.to).toUtf8() + ">";
    const QByteArray user = settings.user.toUtf8();
    const QByteArray password = settings.password.toUtf8();
    curl_slist* rcpt = curl_slist_append(nullptr, to.constData());
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
    if (!user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(std::min<long long>(settings.timeout.count(), 30)));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, long(settings.timeout.count()));
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    const CURLcode rc = curl_easy_perform(c);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(c);
    if (rc == CURLE_OK)
        return {};
    return QString::fromUtf8(error[0] ? error : curl_easy_strerror(rc)).trimmed();
}

Outbox::Outbox(store::Store& s, RelaySettings settings, std::function<void(const QString&)> log)
    : store_(s), settings_(std::move(settings)), log_(std::move(log))
{
    initCurl();
}

Outbox::~Outbox() { stop(); }

int Outbox::relayDue()
{
    const QString now = store::timeText(QDateTime::currentDateTime());
    std::vector<std::pair<int, int>> due; // number, attempts so far
    {
        QSqlQuery q = store::prepare(store_.db(), QStringLiteral(
            "SELECT SIRANO, DENEME, SONRAKI FROM ISTEK WHERE DURUM = 0 AND SONRAKI <= ? ORDER BY SIRANO"));
        q.addBindValue(now);
        store::exec(q);
        std::vector<std::tuple<int, int, QString>> rows;
        while (q.next())
            rows.emplace_back(q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString());
        q.finish();
        // A claim holds a row for the length of one attempt; another server skips it meanwhile.
        const QString lease = store::timeText(QDateTime::currentDateTime().addSecs(settings_.timeout.count() + 30));
        for (const auto& [id, attempts, next] : rows) {
            const bool claimed = store::inTransaction(store_, [&](QSqlDatabase& db) {
                QSqlQuery u = store::prepare(db, QStringLiteral(
                    "UPDATE ISTEK SET SONRAKI = ? WHERE SIRANO = ? AND DURUM = 0 AND DENEME = ? AND SONRAKI = ?"));
                u.addBindValue(lease);
                u.addBindValue(id);
                u.addBindValue(attempts);
                u.addBindValue(next);
                store::exec(u);
                return u.numRowsAffected() == 1;
            });
            if (claimed)
                due.emplace_back(id, attempts);
        }
    }
    for (const auto& [id, attempts] : due) {
        QString error;
        try {
            error = deliver(settings_, compose(mailForRequest(store_, id, settings_), QDateTime::currentDateTime()));
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
        const int tried = attempts + 1;
        const bool failed = !error.isEmpty() && tried >= settings_.attempts;
        const auto wait = settings_.backoff * (1LL << std::min(tried - 1, 16));
        store::inTransaction(store_, [&](QSqlDatabase& db) {
            QSqlQuery u = store::prepare(db, QStringLiteral(
                "UPDATE ISTEK SET DURUM = ?, DENEME = ?, SONRAKI = ?, HATA = ? WHERE SIRANO = ?"));
            u.addBindValue(error.isEmpty() ? int(Relayed) : failed ? int(Failed) : int(Waiting));
            u.addBindValue(tried);
            u.addBindValue(store::timeText(QDateTime::currentDateTime().addSecs(wait.count())));
            u.addBindValue(error.isEmpty() ? QStringLiteral("") : error);
            u.addBindValue(id);
            store::exec(u);
        });
        if (log_) {
            if (error.isEmpty())
                log_(QStringLiteral("giden kutusu: istek %1 gönderildi").arg(id));
            else
                log_(QStringLiteral("giden kutusu: istek %1 gönderilemedi (deneme %2/%3%4): %5")
                         .arg(id)
                         .arg(tried)
                         .arg(settings_.attempts)
                         .arg(failed ? QStringLiteral(", vazgeçildi") : QString(), error));
        }
    }
    return int(due.size());
}

void Outbox::start(std::chrono::milliseconds poll)
{
    thread_ = std::thread([this, poll] {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            lock.unlock();
            try {
                relayDue();
            } catch (const std::exception& e) {
                if (log_)
                    log_(QStringLiteral("giden kutusu: %1").arg(QString::fromUtf8(e.what())));
            }
            lock.lock();
            wake_.wait_for(lock, poll, [this] { return stopping_; });
        }
    });
}

void Outbox::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::string listing(store::Store& s)
{
    QSqlQuery q = store::exec(s.db(), QStringLiteral(
        "SELECT SIRANO, TARIH, TUR, DURUM, BILGISAYARID, KULLANICIADI, BASLIK, DENEME, HATA, ONAYTARIHI "
        "FROM ISTEK ORDER BY SIRANO"));
    std::string out = "NO\tTARİH\tTÜR\tDURUM\tBİLGİSAYAR\tKULLANICI\tBAŞLIK\tDENEME\tHATA\n";
    while (q.next()) {
        const int kind = q.value(2).toInt();
        const int state = q.value(3).toInt();
        QString kindText = kind == PasswordKind ? QStringLiteral("şifre") : QStringLiteral("posta");
        if (kind == PasswordKind && !q.value(9).toString().isEmpty())
            kindText += QStringLiteral(" (uygulandı)");
        const QString stateText = state == Relayed ? QStringLiteral("gönderildi")
                                  : state == Failed ? QStringLiteral("başarısız")
                                                    : QStringLiteral("bekliyor");
        const QStringList cells{q.value(0).toString(), q.value(1).toString(), kindText, stateText,
                                oneLine(q.value(4).toString()), oneLine(q.value(5).toString()),
                                oneLine(q.value(6).toString()), q.value(7).toString(), oneLine(q.value(8).toString())};
        out += cells.join(QLatin1Char('\t')).toStdString() + '\n';
    }
    return out;
}

QString applyRequestedPassword(store::Store& s, int id)
{
    return store::inTransaction(s, [&](QSqlDatabase& db) {
        QSqlQuery q = store::prepare(db, QStringLiteral(
            "SELECT i.TUR, i.SIFRE, i.ONAYTARIHI, i.KULLANICINO, i.KULLANICIADI, k.KULLANICIADI "
            "FROM ISTEK i LEFT JOIN KULLANICI k ON k.SIRANO = i.KULLANICINO WHERE i.SIRANO = ?"));
        q.addBindValue(id);
        store::exec(q);
        if (!q.next())
            throw store::StoreError(QStringLiteral("İstek %1 bulunamadı").arg(id));
        const int kind = q.value(0).toInt();
        const QString hash = q.value(1).toString();
        const QString applied = q.value(2).toString();
        const QVariant user = q.value(3);
        const QString typedName = q.value(4).toString();
        const QString userName = q.value(5).toString();
        q.finish();
        if (kind != PasswordKind || hash.isEmpty())
            throw store::StoreError(QStringLiteral("İstek %1 bir şifre isteği değil").arg(id));
        if (!applied.isEmpty())
            throw store::StoreError(QStringLiteral("İstek %1 zaten uygulanmış (%2)").arg(id).arg(applied));
        if (user.isNull() || userName.isEmpty())
            throw store::StoreError(QStringLiteral("İstek %1: isteyen kullanıcı artık yok").arg(id));
        // The hash goes to the user who signed in and sent the request; a request naming another user
        // is for the wholesaler to handle by hand.
        if (typedName != userName)
            throw store::StoreError(QStringLiteral("İstek %1: formdaki kullanıcı adı \"%2\", isteyen kullanıcı \"%3\"; "
                                                   "şifre uygulanmadı")
                                        .arg(id)
                                        .arg(typedName, userName));
        QSqlQuery u = store::prepare(db, QStringLiteral("UPDATE KULLANICI SET SIFRE = ? WHERE SIRANO = ?"));
        u.addBindValue(hash);
        u.addBindValue(user);
        store::exec(u);
        QSqlQuery o = store::prepare(db, QStringLiteral("DELETE FROM OTURUM WHERE KULLANICINO = ?"));
        o.addBindValue(user);
        store::exec(o);
        QSqlQuery a = store::prepare(db, QStringLiteral("UPDATE ISTEK SET ONAYTARIHI = ? WHERE SIRANO = ?"));
        a.addBindValue(store::timeText(QDateTime::currentDateTime()));
        a.addBindValue(id);
        store::exec(a);
        return userName;
    });
}

} // namespace mail
