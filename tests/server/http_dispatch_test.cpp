// Operation calls through the real listener: routing, envelope and parameter checks, handler failures.
#include "support/test_database.h"
#include "support/test_server.h"

#include "http/dispatch.h"
#include "records.h"
#include "store/store.h"
#include "wire.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using srvtest::Reply;
using srvtest::TestServer;

QString errorOf(const Reply& r) { return wire::errorText(r.body); }

class HttpDispatch : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TEZVAL_SKIP_WITHOUT_DATABASE();
        srvtest::Options o;
        o.log = true;
        o.workstations = {{QStringLiteral("WS-DISPATCH-1"), 0}};
        // Handlers that fail on purpose in each way a handler can fail, on operations of the table.
        o.handlers = [](srv::Dispatcher& d) {
            d.handle("TeslimVer", [](srv::Call&) { throw srv::CallError{403, QStringLiteral("Bu işlem için yetkiniz yok")}; });
            d.handle("KargoVer", [](srv::Call&) { throw store::StoreError("disk I/O error"); });
            d.handle("KargolarVer", [](srv::Call& c) { c.in.record<TSonucBilgisi>("gn"); });
            d.handle("AcilisReklamAdet", [](srv::Call&) { throw std::runtime_error("beklenmeyen durum"); });
            d.handle("KayanYaziGetir", [](srv::Call&) { throw 42; });
            d.handle("SepetSecimGuncelle", [](srv::Call& c) { c.out.integer(c.in.integer("sirano") + c.in.integer("secim")); });
            d.handle("BannerResimVer", [](srv::Call&) { throw srv::CallError{200, QStringLiteral("durum kodu yanlış")}; });
            d.handle("RaporEnCokSatilanStoklar", [](srv::Call& c) {
                c.out.real(c.in.real("tarih1") + c.in.real("tarih2"));
                c.out.integer(c.in.record<TSonucBilgisi>("bilgi")->FCARINO);
            });
            d.handle("CariDurumVer", {}); // stands for an operation not built yet, whatever gets built later
        };
        server = new TestServer(o);
        key = server->signIn(0);
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    static Reply post(const char* op, const std::string& body) { return server->post(op, body, key); }
    static TestServer* server;
    static std::string key;
};

TestServer* HttpDispatch::server = nullptr;
std::string HttpDispatch::key;

TEST(DispatcherTable, HoldsEveryCalledOperationWithItsInputs)
{
    const srv::Dispatcher d;
    EXPECT_EQ(d.operations().size(), 50u);
    using K = ops::Kind;
    struct Case {
        const char* op;
        std::vector<K> params;
    };
    const Case cases[] = {
        {"BuyukGetir", {K::Text}},
        {"TeslimVer", {}},
        {"ResimVer5", {K::Integer}}, // the out size is not an input
        {"SepetEkle2", {K::Record, K::Integer, K::Integer, K::Text, K::Text, K::Double, K::Double, K::Double, K::Double,
                        K::Integer, K::Integer, K::Double, K::Double, K::Double}},
        {"BakiyeFiyatDegistir", {K::Record, K::Integer, K::Integer, K::Integer, K::Double, K::Double, K::Text, K::Double, K::Double}},
        {"RaporGetir", {K::Integer, K::Integer, K::Integer, K::Integer, K::Text, K::Double, K::Double}},
        {"MailGonserCariNormal", std::vector<K>(17, K::Text)},
        {"MailGonserCari", std::vector<K>(16, K::Text)},
        {"MobilCariBilgisiGetir", {K::Integer, K::Text}},
    };
    for (const auto& c : cases) {
        const srv::Operation* op = d.find(c.op);
        ASSERT_NE(op, nullptr) << c.op;
        std::vector<K> kinds;
        for (const ops::Param& p : op->decl->params)
            kinds.push_back(p.kind);
        EXPECT_EQ(kinds, c.params) << c.op;
    }
    EXPECT_EQ(d.find("SepetGuncelle2")->decl->params[10].name, "_sepetsirano");
    EXPECT_EQ(d.find("MailGonserCari")->decl->params.back().name, "kargoambar");
    EXPECT_EQ(d.find("RaporGetir")->decl->out, "size");
    EXPECT_EQ(d.find("EchoString"), nullptr); // exists on the original server, never called by the client
    // Only the sign-in is answered without a session key.
    int open = 0;
    for (const auto& [name, op] : d.operations())
        open += op.decl->signIn ? 1 : 0;
    EXPECT_EQ(open, 1);
    EXPECT_TRUE(d.find("BuyukGetir")->decl->signIn);
}

TEST(DispatcherTable, HandlersReadInputsByNameOnly)
{
    const auto reader = wire::MessageReader::parse(R"({"_parameters":[1,2]})", "_parameters");
    const srv::Inputs in(ops::get("StokHareketVer"), reader);
    EXPECT_EQ(in.integer("stokno"), 2);
    EXPECT_THROW(in.integer("yok"), std::logic_error);
    EXPECT_THROW(in.text("carino"), std::logic_error); // a name of another kind is a handler's mistake
}

TEST(DispatcherTable, RefusesHandlersOutsideTheTable)
{
    srv::Dispatcher d;
    EXPECT_THROW(d.handle("Yok", [](srv::Call&) {}), std::logic_error);
}

TEST_F(HttpDispatch, ConnectionCheckAndUnknownPaths)
{
    const Reply check = server->get("/datasnap/");
    EXPECT_EQ(check.status, 200);
    EXPECT_EQ(server->get("/datasnap").status, 200);
    EXPECT_EQ(server->get("/").status, 404);
    EXPECT_EQ(server->get("/datasnap/rest/BaskaSinif/BuyukGetir").status, 404);
    // Operations take POST only; the check takes GET only.
    EXPECT_EQ(server->get("/datasnap/rest/TServerMethods1/BuyukGetir").status, 405);
    srvtest::HttpConnection c(server->port());
    EXPECT_EQ(c.request("POST", "/datasnap/", "{}").status, 405);
}

TEST_F(HttpDispatch, EnvelopeAndParameterErrorsAre400WithTheReason)
{
    struct Case {
        const char* op;
        std::string body;
        const char* reason; // a part of the error text
    };
    const Case cases[] = {
        {"YokBoyleIslem", R"({"_parameters":[]})", "Bilinmeyen işlem: YokBoyleIslem"},
        {"BuyukGetir", R"({"_parameters":[]})", "BuyukGetir: 1 parametre bekleniyordu, 0 geldi"},
        {"StokAraGetir", R"({"_parameters":["abc",null]})", "parametre 2 (bilgi) oturum kaydı olmalı, null geldi"},
        {"StokAraGetir", R"({"_parameters":["abc",{"type":"baglantiu.TSiparisDipAyrinti","id":1,"fields":{}}]})", "StokAraGetir: "},
        {"StokAraGetir", R"({"_parameters":["abc",{"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FSirano":"bir"}}]})", "FSirano"},
        {"StokHareketVer", R"({"_parameters":[1]})", "StokHareketVer: 2 parametre bekleniyordu, 1 geldi"},
        {"TeslimVer", R"({"_parameters":[1]})", "TeslimVer: 0 parametre bekleniyordu, 1 geldi"},
        {"YenilerVer2", R"({"_parameters":["12"]})", "parametre 1 (carino) için 32 bit tamsayı bekleniyordu, metin geldi"},
        {"YenilerVer2", R"({"_parameters":[1.5]})", "(carino) için 32 bit tamsayı bekleniyordu, ondalıklı sayı geldi"},
        {"YenilerVer2", R"({"_parameters":[2147483648]})", "(carino) için 32 bit tamsayı bekleniyordu, 32 bit dışında tamsayı geldi"},
        {"YenilerVer2", R"({"_parameters":[-2147483649]})", "32 bit dışında tamsayı geldi"},
        {"YenilerVer2", R"({"_parameters":[true]})", "mantıksal değer geldi"},
        {"BuyukGetir", R"({"_parameters":[null]})", "parametre 1 (idsi) için metin bekleniyordu, null geldi"},
        {"StokAraGetir", R"({"_parameters":["abc",[1]]})", "parametre 2 (bilgi) için kayıt (nesne ya da null) bekleniyordu, dizi geldi"},
        {"StokAraGetir", R"({"_parameters":["abc","kayit"]})", "(bilgi) için kayıt"},
        {"SepetEkle2", R"({"_parameters":[null,1,2,"b","ad","3",18,10,0,1,0,0,0,0]})", "parametre 6 (miktar) için sayı bekleniyordu, metin geldi"},
        {"BuyukGetir", R"({"_parameters":["x")", "Geçersiz JSON"},
        {"BuyukGetir", "not json at all", "Geçersiz JSON"},
        {"BuyukGetir", R"(["x"])", "JSON nesnesi bekleniyordu"},
        {"BuyukGetir", R"({"params":["x"]})", "\"_parameters\" dizisi yok"},
        {"BuyukGetir", "{\"_parameters\":[\"\xff\xfe\"]}", "Geçersiz JSON"},
    };
    for (const auto& c : cases) {
        const Reply r = post(c.op, c.body);
        EXPECT_EQ(r.status, 400) << c.op << " " << c.body;
        EXPECT_TRUE(errorOf(r).contains(QString::fromUtf8(c.reason))) << c.body << " -> " << r.body;
    }
}

TEST_F(HttpDispatch, FittingInputsReachTheHandler)
{
    // A double parameter takes integers too; a record parameter takes null; an empty body means no inputs.
    const Reply sum = post("SepetSecimGuncelle", R"({"_parameters":[40,2]})");
    EXPECT_EQ(sum.status, 200);
    EXPECT_EQ(sum.body, R"({"result":[42]})");
    const std::string mine = QStringLiteral(R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FSirano":%1,"FCARINO":%2}})")
                                 .arg(server->userOf(0))
                                 .arg(server->carinoOf(0))
                                 .toStdString();
    const Reply dates = post("RaporEnCokSatilanStoklar", R"({"_parameters":[)" + mine + ",45000,45100.5]}");
    EXPECT_EQ(dates.status, 200);
    EXPECT_EQ(dates.body, QStringLiteral(R"({"result":[90100.5,%1]})").arg(server->carinoOf(0)).toStdString());
    EXPECT_EQ(post("TeslimVer", "").status, 403);
}

TEST_F(HttpDispatch, OperationWithoutHandlerIs501)
{
    const Reply r = post("CariDurumVer", QStringLiteral(R"({"_parameters":[%1]})").arg(server->carinoOf(0)).toStdString());
    EXPECT_EQ(r.status, 501);
    EXPECT_TRUE(errorOf(r).contains(QStringLiteral("not implemented"))) << r.body;
    EXPECT_TRUE(errorOf(r).startsWith(QStringLiteral("CariDurumVer"))) << r.body;
}

TEST_F(HttpDispatch, HandlerFailuresBecomeErrorAnswers)
{
    struct Case {
        const char* op;
        std::string body;
        int status;
        const char* text;
    };
    const Case cases[] = {
        {"TeslimVer", R"({"_parameters":[]})", 403, "Bu işlem için yetkiniz yok"},
        {"KargoVer", R"({"_parameters":[]})", 500, "disk I/O error"},
        // An input read under a kind it does not have is the handler's fault.
        {"KargolarVer", R"({"_parameters":[1]})", 500, "KargolarVer: sunucu hatası"},
        {"AcilisReklamAdet", R"({"_parameters":[]})", 500, "beklenmeyen durum"},
        {"KayanYaziGetir", R"({"_parameters":[]})", 500, "bilinmeyen sunucu hatası"},
        {"BannerResimVer", R"({"_parameters":[]})", 500, "durum kodu yanlış"},
    };
    for (const auto& c : cases) {
        const Reply r = post(c.op, c.body);
        EXPECT_EQ(r.status, c.status) << c.op;
        EXPECT_TRUE(errorOf(r).contains(QString::fromUtf8(c.text))) << c.op << " -> " << r.body;
    }
    EXPECT_EQ(server->get("/datasnap/").status, 200); // and the server is still there
}

} // namespace
