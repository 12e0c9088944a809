// The web host on its own port: the site root, unknown pages, methods it does not take.
#include "support/test_server.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpWeb, SiteRootAndUnknownPages)
{
    srvtest::Options o;
    o.demo = false;
    srvtest::TestServer server(o);
    ASSERT_NE(server.webPort(), 0);
    ASSERT_NE(server.webPort(), server.port());

    const srvtest::Reply root = server.webGet("/");
    EXPECT_EQ(root.status, 200);
    EXPECT_NE(root.body.find("<html lang=\"tr\">"), std::string::npos);
    EXPECT_NE(root.body.find("Yedek parça"), std::string::npos) << root.body;
    EXPECT_EQ(server.webGet("/?kaynak=program").status, 200);

    EXPECT_EQ(server.webGet("/yok.html").status, 404);
    EXPECT_EQ(server.webGet("/datasnap/").status, 404); // the operations live on the other port
    srvtest::HttpConnection c(server.webPort());
    EXPECT_EQ(c.request("POST", "/", "x=1").status, 405);
    EXPECT_EQ(server.get("/").status, 404); // and the site root is not on the operations port
}

TEST(HttpWeb, OffMeansNoSecondPort)
{
    srvtest::Options o;
    o.demo = false;
    o.web = false;
    srvtest::TestServer server(o);
    EXPECT_EQ(server.webPort(), 0);
    EXPECT_EQ(server.get("/datasnap/").status, 200);
}

} // namespace
