// The setup download of the web host.
#include "web/kurulum.h"

#include <QFile>

#include <boost/asio/post.hpp>
#include <boost/beast/http/verb.hpp>

namespace srv {

void setupDownload(const WebContext& context, HttpRequest& req, Respond& respond)
{
    if (req.method() != boost::beast::http::verb::get)
        return respond(methodNotAllowed(req, "GET"));
    if (context.setupFile.isEmpty())
        return respond(errorResponse(req, HttpStatus::not_found, QStringLiteral("Kurulum programı bulunmuyor")));
    // Reading the file is slow work: it belongs on the worker pool, not on the listener's threads.
    boost::asio::post(context.workers, [file = context.setupFile, req = std::move(req), respond = std::move(respond)] {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return respond(errorResponse(req, HttpStatus::not_found, QStringLiteral("Kurulum programı okunamadı: ") + f.errorString()));
        const QByteArray bytes = f.readAll();
        respond(makeResponse(req, HttpStatus::ok, bytes.toStdString(), "application/octet-stream"));
    });
}

} // namespace srv
