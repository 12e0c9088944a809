// Product pictures from the database for the line entry dialog's web download.
#include "web/resimgoster.h"

#include "store/store.h"

#include <boost/asio/post.hpp>
#include <boost/beast/http/verb.hpp>

#include <QSqlQuery>
#include <QUrlQuery>
#include <QVariant>

namespace srv {

namespace {

constexpr std::string_view kHtml = "text/html; charset=utf-8";

std::optional<int> stockNumber(const HttpRequest& req)
{
    const std::string_view target(req.target().data(), req.target().size());
    const auto mark = target.find('?');
    if (mark == std::string_view::npos)
        return std::nullopt;
    const QUrlQuery q(QString::fromUtf8(target.data() + mark + 1, qsizetype(target.size() - mark - 1)));
    bool ok = false;
    const int id = q.queryItemValue(QStringLiteral("id"), QUrl::FullyDecoded).trimmed().toInt(&ok);
    return ok && id > 0 ? std::optional<int>(id) : std::nullopt;
}

// Only the kinds the client decodes are named; anything else goes as bytes without a picture type.
std::string_view contentType(const QString& kind)
{
    const QString k = kind.trimmed().toLower();
    if (k == QLatin1String("jpeg") || k == QLatin1String("jpg"))
        return "image/jpeg";
    if (k == QLatin1String("png"))
        return "image/png";
    if (k == QLatin1String("bmp"))
        return "image/bmp";
    if (k == QLatin1String("gif"))
        return "image/gif";
    return "application/octet-stream";
}

std::string notFound()
{
    return "<!DOCTYPE html><html lang=\"tr\"><head><meta charset=\"utf-8\"><title>Bulunamadı</title></head>"
           "<body><h1>Resim bulunamadı</h1></body></html>\n";
}

} // namespace

void productPicturePage(const WebContext& context, HttpRequest& req, Respond& respond)
{
    if (req.method() != boost::beast::http::verb::get)
        return respond(methodNotAllowed(req, "GET"));
    const std::optional<int> id = stockNumber(req);
    if (!id)
        return respond(makeResponse(req, HttpStatus::bad_request,
                                    "<!DOCTYPE html><html lang=\"tr\"><head><meta charset=\"utf-8\"><title>Hata</title>"
                                    "</head><body><h1>Geçersiz ürün numarası</h1></body></html>\n",
                                    kHtml));
    // Database work belongs on the worker pool, never on the listener's threads.
    boost::asio::post(context.workers, [&store = context.store, id = *id, req = std::move(req),
                                        respond = std::move(respond)]() mutable {
        try {
            QSqlQuery& q = store::cachedQuery(store.db(), QStringLiteral(
                "SELECT R.TUR, R.RESIM FROM STOKRESIM R JOIN STOK S ON S.STOK_STOKNO = R.STOK_STOKNO "
                "WHERE R.STOK_STOKNO = ? AND S.AKTIF = 1"));
            q.bindValue(0, id);
            store::exec(q);
            if (!q.next()) {
                q.finish();
                return respond(makeResponse(req, HttpStatus::not_found, notFound(), kHtml));
            }
            const QString kind = q.value(0).toString();
            const QByteArray bytes = q.value(1).toByteArray();
            q.finish();
            respond(makeResponse(req, HttpStatus::ok, bytes.toStdString(), contentType(kind)));
        } catch (const std::exception&) {
            respond(makeResponse(req, HttpStatus::internal_server_error,
                                 "<!DOCTYPE html><html lang=\"tr\"><head><meta charset=\"utf-8\"><title>Hata</title>"
                                 "</head><body><h1>Resim şu anda verilemiyor</h1></body></html>\n",
                                 kHtml));
        }
    });
}

} // namespace srv
