// BuyukGetir end to end over loopback: a bound workstation gets its demo account, an unknown one the defaults.
#include "support/test_server.h"

#include "demo/demo.h"
#include "records.h"
#include "wire.h"

#include <gtest/gtest.h>

namespace {

using srvtest::TestServer;

// BuyukGetir with the demo credentials of the identity's user (none for an unknown identity).
std::shared_ptr<TSonucBilgisi> signIn(TestServer& server, const QString& identity)
{
    const demo::Credentials c = demo::credentialsFor(server.store(), identity);
    const srvtest::Reply r = server.buyukGetir(identity, c.user.isEmpty() ? std::string() : srvtest::basicAuthorization(c.user, c.password));
    EXPECT_EQ(r.status, 200) << r.body;
    const auto answer = wire::MessageReader::parse(r.body, "result");
    EXPECT_EQ(answer.size(), 1);
    return answer.record<TSonucBilgisi>(0);
}

TEST(HttpSignIn, BuyukGetirAnswersTheBoundAccountOrTheDefaults)
{
    srvtest::Options o;
    o.demoVersion = 7;
    o.workstations = {{QStringLiteral("WS-BAYI-1"), 0}, {QStringLiteral("WS-İKİNCİ"), 0}};
    TestServer server(o);

    const auto bound = signIn(server, QStringLiteral("WS-BAYI-1"));
    ASSERT_NE(bound, nullptr);
    const demo::Credentials account = demo::credentialsFor(server.store(), QStringLiteral("WS-BAYI-1"));
    EXPECT_TRUE(bound->FVarmi);
    EXPECT_EQ(bound->FBILGISAYARID, QStringLiteral("WS-BAYI-1"));
    EXPECT_EQ(bound->FCARINO, server.carinoOf(0));
    EXPECT_EQ(bound->FCARINO, account.carino);
    EXPECT_EQ(bound->FADI, account.user);
    EXPECT_EQ(bound->FSIFRE, account.password);
    EXPECT_FALSE(bound->FCariAdi.isEmpty());
    EXPECT_EQ(bound->FVersion, 7);

    // Identities are matched as sent, Turkish letters included.
    const auto second = signIn(server, QStringLiteral("WS-İKİNCİ"));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->FVarmi);
    EXPECT_EQ(second->FCARINO, server.carinoOf(1));

    const TSonucBilgisi defaults;
    for (const QString& unknown : {QStringLiteral("WS-BILINMEYEN"), QString()}) {
        const auto r = signIn(server, unknown);
        ASSERT_NE(r, nullptr) << unknown.toStdString();
        EXPECT_FALSE(r->FVarmi) << unknown.toStdString();
        EXPECT_EQ(r->FCARINO, defaults.FCARINO);
        EXPECT_EQ(r->FADI, defaults.FADI);
        EXPECT_EQ(r->FSIFRE, defaults.FSIFRE);
        EXPECT_EQ(r->FMusteriTipi, defaults.FMusteriTipi);
    }
}

} // namespace
