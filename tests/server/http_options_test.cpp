// The server's command line: defaults, every option, and the messages for bad input.
#include "http/options.h"

#include <gtest/gtest.h>

namespace {

using srv::parseCommandLine;
using Args = std::vector<std::string>;

TEST(HttpOptions, DefaultsAndEveryOption)
{
    const srv::CommandLine d = parseCommandLine({});
    EXPECT_EQ(d.db, QStringLiteral("sqlite:tezval.db"));
    EXPECT_EQ(d.listen.host, "127.0.0.1");
    EXPECT_EQ(d.listen.port, 9090);
    ASSERT_TRUE(d.web.has_value());
    EXPECT_EQ(d.web->port, 9091);
    EXPECT_FALSE(d.demo);
    EXPECT_EQ(d.demoVersion, 2);

    const srv::CommandLine c = parseCommandLine(
        {"--db", "postgresql://tezval:gizli@db:5432/tezval", "--listen=0.0.0.0:8080", "--web", "off", "--demo",
         "--demo-size", "3", "--demo-version=4", "--bind-workstation", "DISK-1234", "--bind-workstation=AA-BB=17",
         "--threads", "8", "--connections-per-address", "1024"});
    EXPECT_EQ(c.db, QStringLiteral("postgresql://tezval:gizli@db:5432/tezval"));
    EXPECT_EQ(c.listen.host, "0.0.0.0");
    EXPECT_EQ(c.listen.port, 8080);
    EXPECT_FALSE(c.web.has_value());
    EXPECT_TRUE(c.demo);
    EXPECT_EQ(c.demoSize, 3);
    EXPECT_EQ(c.demoVersion, 4);
    ASSERT_EQ(c.workstations.size(), 2u);
    EXPECT_EQ(c.workstations[0].identity, QStringLiteral("DISK-1234"));
    EXPECT_EQ(c.workstations[0].carino, 0);
    EXPECT_EQ(c.workstations[1].identity, QStringLiteral("AA-BB"));
    EXPECT_EQ(c.workstations[1].carino, 17);
    EXPECT_EQ(c.threads, 8);
    EXPECT_EQ(c.connectionsPerAddress, 1024);
    EXPECT_EQ(d.connectionsPerAddress, 64);

    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    const srv::Endpoint v6 = srv::parseEndpoint("[::1]:9000");
    EXPECT_EQ(v6.host, "::1");
    EXPECT_EQ(v6.port, 9000);
    EXPECT_EQ(srv::parseEndpoint("localhost:0").port, 0);
}

TEST(HttpOptions, MailRelayAndOutboxCommands)
{
    const srv::CommandLine d = parseCommandLine({});
    EXPECT_TRUE(d.smtp.url.isEmpty());
    EXPECT_FALSE(d.listOutbox);
    EXPECT_EQ(d.applyPassword, 0);
    const srv::CommandLine c = parseCommandLine(
        {"--smtp", "smtp://posta.example:587", "--smtp-kimden", "b2b@toptanci.example", "--smtp-kime=siparis@toptanci.example",
         "--smtp-kullanici", "b2b", "--smtp-sifre-dosyasi", "/etc/tezval/smtp", "--smtp-deneme", "3", "--smtp-bekleme", "0",
         "--giden-kutusu", "--sifre-onayla", "42"});
    EXPECT_EQ(c.smtp.url, QStringLiteral("smtp://posta.example:587"));
    EXPECT_EQ(c.smtp.from, QStringLiteral("b2b@toptanci.example"));
    EXPECT_EQ(c.smtp.to, QStringLiteral("siparis@toptanci.example"));
    EXPECT_EQ(c.smtp.user, QStringLiteral("b2b"));
    EXPECT_EQ(c.smtp.passwordFile, QStringLiteral("/etc/tezval/smtp"));
    EXPECT_EQ(c.smtp.attempts, 3);
    EXPECT_EQ(c.smtp.backoffSeconds, 0);
    EXPECT_TRUE(c.listOutbox);
    EXPECT_EQ(c.applyPassword, 42);
}

TEST(HttpOptions, BadInputIsRefusedWithAMessage)
{
    struct Case {
        Args args;
        const char* message; // a part of the text
    };
    const Case cases[] = {
        {{"--port", "9090"}, "Bilinmeyen seçenek: --port"},
        {{"--listen"}, "--listen bir değer bekliyor"},
        {{"--listen", "9090"}, "HOST:PORT bekleniyordu"},
        {{"--listen", "127.0.0.1:"}, "HOST:PORT bekleniyordu"},
        {{"--listen", "127.0.0.1:70000"}, "0 ile 65535 arasında"},
        {{"--web", "127.0.0.1:x"}, "0 ile 65535 arasında"},
        {{"--db", "mysql://x"}, "sqlite:DOSYA ya da postgresql://"},
        {{"--db", "sqlite:"}, "bir dosya adı bekliyor"},
        {{"--threads", "0"}, "--threads için 1 ile 256 arasında"},
        {{"--connections-per-address", "0"}, "--connections-per-address için 1 ile 1024 arasında"},
        {{"--threads", "4x"}, "--threads için"},
        {{"--demo-size", "-1"}, "--demo-size için"},
        {{"--demo=1"}, "--demo değer almaz"},
        {{"--bind-workstation", "=5"}, "iş istasyonu kimliği bekliyor"},
        {{"--bind-workstation", "WS=abc"}, "CARINO için"},
        {{"--smtp", "http://posta.example"}, "smtp://HOST:PORT"},
        {{"--smtp", "smtp://posta.example:25"}, "--smtp-kimden ve --smtp-kime"},
        {{"--smtp-kime", "a@b.example\r\nBcc: c@d.example"}, "--smtp-kime bir e-posta adresi bekliyor"},
        {{"--smtp-deneme", "0"}, "--smtp-deneme için 1 ile 100"},
        {{"--sifre-onayla", "x"}, "--sifre-onayla için"},
        {{"--giden-kutusu=1"}, "--giden-kutusu değer almaz"},
    };
    for (const auto& c : cases) {
        try {
            parseCommandLine(c.args);
            ADD_FAILURE() << "accepted: " << c.args[0];
        } catch (const srv::CommandLineError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

} // namespace
