// The web host's request form: the page for an unknown workstation, and what a posted form keeps.
#include "support/test_server.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

std::string encoded(const QString& s) { return QUrl::toPercentEncoding(s).toStdString(); }

TEST(RequestForm, PageCarriesTheWorkstationEscaped)
{
    srvtest::Options o;
    o.demo = false;
    srvtest::TestServer server(o);
    const auto r = server.webGet("/formmailgonder.aspx?carino=0&kullanici=%20&id=" + encoded(QStringLiteral("AB\"><script>x</script>")));
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("İstek Formu"), std::string::npos);
    EXPECT_NE(r.body.find("name=\"id\" value=\"AB&quot;&gt;&lt;script&gt;x&lt;/script&gt;\""), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<script>"), std::string::npos);
}

TEST(RequestForm, PostedFormIsKeptAsARequest)
{
    srvtest::Options o;
    o.demo = false;
    srvtest::TestServer server(o);
    srvtest::HttpConnection web(server.webPort());
    ASSERT_TRUE(web.isOpen());
    const std::string body = "id=PC-77&kullanici=+&carino=0&FIRMAADI=" + encoded(QStringLiteral("Şahin Oto Ltd.")) +
                             "&TELEFON=0332+111+22+33&YETKILI=A%2BB&KONU=" + std::string(2000, 'x');
    const auto r = web.request("POST", "/formmailgonder.aspx", body);
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_NE(r.body.find("İsteğiniz alındı"), std::string::npos);

    QSqlQuery q(server.store().db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT TUR, BILGISAYARID, FIRMAADI, TELEFON, KONU, YETKILI FROM ISTEK")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("PC-77"));
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("Şahin Oto Ltd."));
    EXPECT_EQ(q.value(3).toString(), QStringLiteral("0332 111 22 33"));
    EXPECT_EQ(q.value(4).toString().size(), 500) << "an oversized value is cut, not stored whole";
    EXPECT_EQ(q.value(5).toString(), QStringLiteral("A+B")) << "an encoded plus stays a plus";
    EXPECT_FALSE(q.next());

    EXPECT_EQ(web.request("DELETE", "/formmailgonder.aspx").status, 405);
}

} // namespace
