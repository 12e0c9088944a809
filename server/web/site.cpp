// Pages of the wholesaler's web host, found by path in one table.
#include "web/site.h"

#include "web/istekformu.h"
#include "web/kurulum.h"
#include "web/resimgoster.h"

#include <boost/beast/http/verb.hpp>

#include <string_view>

namespace srv {

namespace {

using Page = void (*)(const WebContext&, HttpRequest&, Respond&);

constexpr std::string_view kHtml = "text/html; charset=utf-8";

void siteRoot(const WebContext&, HttpRequest& req, Respond& respond)
{
    if (req.method() != boost::beast::http::verb::get)
        return respond(methodNotAllowed(req, "GET"));
    static const std::string page = R"(<!DOCTYPE html>
<html lang="tr">
<head><meta charset="utf-8"><title>Tezval Otomotiv</title></head>
<body>
<h1>Tezval Otomotiv</h1>
<p>Yedek parça bayilerimizin sipariş sistemine hoş geldiniz.</p>
<p>Ürün arama, sepet, sipariş ve cari hesap işlemleri için Tezval B2B programını kullanınız.</p>
</body>
</html>
)";
    respond(makeResponse(req, HttpStatus::ok, page, kHtml));
}

struct Route {
    std::string_view path;
    Page page;
};

// One line per page; each page checks the methods it takes. Still to come, each as its own page function:
//   /pelvano.html            the demo card-payment page, keys carino, sube, firmasi, bakiye
constexpr Route kRoutes[] = {
    {"/", siteRoot},
    {"/formmailgonder.aspx", requestFormPage},
    {"/exe/TezvalSetup.exe", setupDownload},
    {"/resimgoster.ashx", productPicturePage},
};

} // namespace

Router siteRouter(WebContext context)
{
    return [context](HttpRequest req, const std::string&, Respond respond) {
        const std::string_view path = targetPath(req);
        for (const auto& route : kRoutes) {
            if (route.path == path)
                return route.page(context, req, respond);
        }
        respond(makeResponse(req, HttpStatus::not_found,
                             "<!DOCTYPE html><html lang=\"tr\"><head><meta charset=\"utf-8\"><title>Bulunamadı</title></head>"
                             "<body><h1>Sayfa bulunamadı</h1></body></html>\n",
                             kHtml));
    };
}

} // namespace srv
