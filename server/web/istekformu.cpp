// The request form of the web host.
#include "web/istekformu.h"

#include "store/store.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QUrlQuery>

#include <boost/asio/post.hpp>
#include <boost/beast/http/verb.hpp>

#include <string>

namespace srv {

namespace {

constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr int kFieldLimit = 500; // a posted value longer than this is cut, never stored whole

struct Field {
    const char* name;    // form key and column
    const char* caption; // label on the page
};
constexpr Field kFields[] = {
    {"FIRMAADI", "Firma adı"},     {"YETKILI", "Yetkili kişi"}, {"ADRES1", "Adres"},
    {"ADRES2", "Adres (devam)"},   {"ILCE", "İlçe"},            {"SEHIR", "Şehir"},
    {"TELEFON", "Telefon"},        {"FAX", "Faks"},             {"VD", "Vergi dairesi"},
    {"VN", "Vergi numarası"},      {"MAIL", "E-posta"},         {"KARGOAMBAR", "Kargo / ambar"},
    {"KONU", "Açıklama"},
};

QString esc(const QString& s) { return s.toHtmlEscaped(); }

std::string page(const QString& title, const QString& body)
{
    return QString(QStringLiteral("<!DOCTYPE html>\n<html lang=\"tr\"><head><meta charset=\"utf-8\"><title>") + esc(title) +
            QStringLiteral("</title><style>body{font-family:Tahoma,sans-serif;background:#eef2f6;color:#1d2a38;margin:24px}"
                           "h1{color:#0f3a63;font-size:22px}label{display:block;margin-top:8px;font-weight:bold}"
                           "input,textarea{width:420px;padding:4px;border:1px solid #9aa9b9}"
                           "button{margin-top:14px;padding:6px 18px}</style></head><body>") +
            body + QStringLiteral("</body></html>\n"))
        .toStdString();
}

// Form encoding writes blanks as "+"; they are turned back before the percent-decoding.
QUrlQuery formQuery(QString text)
{
    return QUrlQuery(text.replace(QLatin1Char('+'), QStringLiteral("%20")));
}

QUrlQuery queryOf(const HttpRequest& req)
{
    const std::string_view target(req.target().data(), req.target().size());
    const auto q = target.find('?');
    return formQuery(q == std::string_view::npos ? QString() : QString::fromUtf8(target.data() + q + 1, qsizetype(target.size() - q - 1)));
}

QString formValue(const QUrlQuery& q, const char* key)
{
    QString v = q.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
    v.truncate(kFieldLimit);
    return v.isNull() ? QStringLiteral("") : v; // a missing key is an empty text, not a database null
}

void showForm(HttpRequest& req, Respond& respond)
{
    const QUrlQuery q = queryOf(req);
    QString body = QStringLiteral("<h1>Tezval Otomotiv B2B İstek Formu</h1>"
                                  "<p>Bu bilgisayar sistemimizde kayıtlı değil. Bilgilerinizi gönderin, temsilciniz sizinle iletişime geçsin.</p>"
                                  "<form method=\"post\" action=\"formmailgonder.aspx\">");
    for (const char* hidden : {"carino", "kullanici", "id"})
        body += QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"%2\">").arg(QString::fromLatin1(hidden), esc(formValue(q, hidden)));
    for (const Field& f : kFields)
        body += QStringLiteral("<label>%1</label><input name=\"%2\" maxlength=\"%3\">")
                    .arg(QString::fromUtf8(f.caption), QString::fromLatin1(f.name))
                    .arg(kFieldLimit);
    body += QStringLiteral("<br><button type=\"submit\">Gönder</button></form>");
    respond(makeResponse(req, HttpStatus::ok, page(QStringLiteral("İstek Formu"), body), kHtml));
}

void storeForm(const WebContext& context, HttpRequest& req, Respond& respond)
{
    // Database work belongs on the worker pool, never on the listener's threads.
    boost::asio::post(context.workers, [&store = context.store, req = std::move(req), respond = std::move(respond)]() mutable {
        const QUrlQuery q = formQuery(QString::fromUtf8(req.body().data(), qsizetype(req.body().size())));
        try {
            QSqlDatabase db = store.db();
            QString cols = QStringLiteral("TARIH, TUR, BILGISAYARID, BASLIK, KULLANICIADI");
            QString marks = QStringLiteral("?, 1, ?, ?, ?");
            for (const Field& f : kFields) {
                cols += QStringLiteral(", ") + QString::fromLatin1(f.name);
                marks += QStringLiteral(", ?");
            }
            QSqlQuery ins = store::prepare(db, QStringLiteral("INSERT INTO ISTEK (%1) VALUES (%2)").arg(cols, marks));
            ins.addBindValue(store::timeText(QDateTime::currentDateTime()));
            ins.addBindValue(formValue(q, "id"));
            ins.addBindValue(QStringLiteral("İstek Formu"));
            ins.addBindValue(formValue(q, "kullanici").trimmed());
            for (const Field& f : kFields)
                ins.addBindValue(formValue(q, f.name));
            store::exec(ins);
        } catch (const std::exception& e) {
            respond(makeResponse(req, HttpStatus::internal_server_error,
                                 page(QStringLiteral("Hata"), QStringLiteral("<h1>İsteğiniz kaydedilemedi</h1><p>") +
                                                                  esc(QString::fromUtf8(e.what())) + QStringLiteral("</p>")),
                                 kHtml));
            return;
        }
        respond(makeResponse(req, HttpStatus::ok,
                             page(QStringLiteral("Teşekkürler"), QStringLiteral("<h1>İsteğiniz alındı</h1>"
                                                                                "<p>Temsilcimiz en kısa sürede sizinle iletişime geçecektir.</p>")),
                             kHtml));
    });
}

} // namespace

void requestFormPage(const WebContext& context, HttpRequest& req, Respond& respond)
{
    if (req.method() == boost::beast::http::verb::post)
        return storeForm(context, req, respond);
    if (req.method() != boost::beast::http::verb::get)
        return respond(methodNotAllowed(req, "GET, POST"));
    showForm(req, respond);
}

} // namespace srv
