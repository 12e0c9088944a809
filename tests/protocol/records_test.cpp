// JSON form of the transfer records, both directions, and the copy operation.
#include "records.h"
#include "wire.h"

#include <gtest/gtest.h>

namespace {

const char* kDefaultSession =
    R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FBILGISAYARID":"","FSaticiMail":"","FSirano":0,)"
    R"("FCariAdi":"","FSIFRE":"","FSaticiNo":0,"FCARINO":0,"FAKTIF":0,"FKullanicimail":"","FADI":"",)"
    R"("FSaticiTelefon":"","Fcarikod":"","FVarmi":false,"FSaticiAdi":"","FBilgiSayarAdi":"","FDisip":"",)"
    R"("FIcip":"","FBilgisayarKullanici":"","FMusteriTipi":1,"FVersion":1}})";

TSonucBilgisi filledSession()
{
    TSonucBilgisi s;
    s.setBILGISAYARID(QStringLiteral("WD-WCC4N1234567"));
    s.setSaticiMail(QStringLiteral("ayse.kaya@tezval.example"));
    s.setSirano(17);
    s.setCariAdi(QStringLiteral("Öztürk Oto Yedek Parça Ltd. Şti."));
    s.setSIFRE(QStringLiteral("GİZLİ\"42\\"));
    s.setSaticiNo(3);
    s.setCARINO(120045);
    s.setAKTIF(1);
    s.setKullanicimail(QStringLiteral("mehmet@ozturkoto.example"));
    s.setADI(QStringLiteral("MEHMET"));
    s.setSaticiTelefon(QStringLiteral("0532 111 22 33"));
    s.setcarikod(QStringLiteral("120.01.045"));
    s.setVarmi(true);
    s.setSaticiAdi(QStringLiteral("Ayşe Kaya"));
    s.setBilgiSayarAdi(QStringLiteral("TEZGAH-01"));
    s.setDisip(QStringLiteral("127.0.0.1"));
    s.setIcip(QStringLiteral("192.168.1.20"));
    s.setBilgisayarKullanici(QStringLiteral("mehmet"));
    s.setMusteriTipi(3);
    s.setVersion(2);
    return s;
}

TEST(Records, SessionDefaultsHaveTheirWireForm)
{
    TSonucBilgisi s;
    EXPECT_EQ(wire::recordToJson(&s), kDefaultSession);
}

TEST(Records, FilledSessionHasItsWireFormAndReadsBack)
{
    const TSonucBilgisi s = filledSession();
    const std::string json = wire::recordToJson(&s);
    EXPECT_EQ(json,
              R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FBILGISAYARID":"WD-WCC4N1234567",)"
              R"("FSaticiMail":"ayse.kaya@tezval.example","FSirano":17,"FCariAdi":"Öztürk Oto Yedek Parça Ltd. Şti.",)"
              R"("FSIFRE":"GİZLİ\"42\\","FSaticiNo":3,"FCARINO":120045,"FAKTIF":1,"FKullanicimail":"mehmet@ozturkoto.example",)"
              R"("FADI":"MEHMET","FSaticiTelefon":"0532 111 22 33","Fcarikod":"120.01.045","FVarmi":true,)"
              R"("FSaticiAdi":"Ayşe Kaya","FBilgiSayarAdi":"TEZGAH-01","FDisip":"127.0.0.1","FIcip":"192.168.1.20",)"
              R"("FBilgisayarKullanici":"mehmet","FMusteriTipi":3,"FVersion":2}})");
    auto back = wire::recordFromJson<TSonucBilgisi>(json);
    ASSERT_TRUE(back);
    EXPECT_EQ(wire::recordToJson(back.get()), json);
}

TEST(Records, KopyalaCopiesEveryFieldAndOntoItselfChangesNothing)
{
    const TSonucBilgisi src = filledSession();
    TSonucBilgisi dst;
    dst.Kopyala(src);
    EXPECT_EQ(wire::recordToJson(&dst), wire::recordToJson(&src));

    TSonucBilgisi self = filledSession();
    self.Kopyala(self);
    EXPECT_EQ(wire::recordToJson(&self), wire::recordToJson(&src));
}

TEST(Records, SmallRecordsHaveTheirWireForm)
{
    TSiparisDipAyrinti dip;
    dip.setDurumu(QStringLiteral("Onaylandı"));
    EXPECT_EQ(wire::recordToJson(&dip),
              R"({"type":"baglantiu.TSiparisDipAyrinti","id":1,"fields":{"FSizinMesaj":"","FDurumu":"Onaylandı",)"
              R"("FVeren":"","FKargo":"","FBizimMesaj":"","FTeslimCinsi":"","FKargoCinsi":"","FSaticiNotu":""}})");
    TTusSonuclari tus;
    tus.setSevkEdildi(4);
    EXPECT_EQ(wire::recordToJson(&tus),
              R"({"type":"baglantiu.TTusSonuclari","id":1,"fields":{"FAlindi":0,"FOnaylandi":0,)"
              R"("FParcaliHazirlandi":0,"FSevkEdildi":4,"FHazirlandi":0,"FGoruldu":0}})");
    TMobilStok stok;
    const std::string stokJson = wire::recordToJson(&stok);
    EXPECT_NE(stokJson.find(R"("FBirim":"ADET","FKDV":20.0,)"), std::string::npos) << stokJson;
}

TEST(Records, ScreenListWithTwoCardsEmptyListAndRepeatedCard)
{
    auto first = std::make_shared<TAcilisEkran>();
    first->setSiraNo(1);
    first->setResim(QStringLiteral("89504E47"));
    first->setBaslik(QStringLiteral("Kış Kampanyası"));
    first->setArama(QStringLiteral("AKU"));
    auto second = std::make_shared<TAcilisEkran>();
    second->setSiraNo(2);

    TAcilisEkranlariki two;
    two.FEkranlar = {first, second};
    const std::string json = wire::recordToJson(&two);
    EXPECT_EQ(json,
              R"({"type":"mobilstokunit.TAcilisEkranlariki","id":1,"fields":{"FEkranlar":[)"
              R"({"type":"mobilstokunit.TAcilisEkran","id":2,"fields":{"FSiraNo":1,"FResim":"89504E47","FBaslik":"Kış Kampanyası","FArama":"AKU"}},)"
              R"({"type":"mobilstokunit.TAcilisEkran","id":3,"fields":{"FSiraNo":2,"FResim":"","FBaslik":"","FArama":""}}]}})");
    auto back = wire::recordFromJson<TAcilisEkranlariki>(json);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Ekranlar().size(), 2u);
    EXPECT_EQ(back->Ekranlar()[0]->Baslik(), QStringLiteral("Kış Kampanyası"));
    EXPECT_EQ(back->Ekranlar()[1]->SiraNo(), 2);

    TAcilisEkranlariki none;
    EXPECT_EQ(wire::recordToJson(&none), R"({"type":"mobilstokunit.TAcilisEkranlariki","id":1,"fields":{"FEkranlar":[]}})");

    TAcilisEkranlariki repeated;
    repeated.FEkranlar = {first, first};
    const std::string rep = wire::recordToJson(&repeated);
    EXPECT_EQ(rep,
              R"({"type":"mobilstokunit.TAcilisEkranlariki","id":1,"fields":{"FEkranlar":[)"
              R"({"type":"mobilstokunit.TAcilisEkran","id":2,"fields":{"FSiraNo":1,"FResim":"89504E47","FBaslik":"Kış Kampanyası","FArama":"AKU"}},)"
              R"({"type":"mobilstokunit.TAcilisEkran","ref":2}]}})");
    auto repBack = wire::recordFromJson<TAcilisEkranlariki>(rep);
    ASSERT_EQ(repBack->Ekranlar().size(), 2u);
    EXPECT_EQ(repBack->Ekranlar()[0], repBack->Ekranlar()[1]) << "a ref yields the same record";
}

TEST(Records, NullIsNoRecord)
{
    EXPECT_EQ(wire::recordToJson<TSonucBilgisi>(nullptr), "null");
    EXPECT_EQ(wire::recordFromJson<TSonucBilgisi>("null"), nullptr);
}

TEST(Records, IdsCountOverTheWholeMessage)
{
    TSonucBilgisi a, b;
    wire::MessageWriter w("_parameters");
    w.record(&a);
    w.integer(5);
    w.record(&b);
    w.record(&a);
    const std::string msg = w.finish();
    EXPECT_NE(msg.find(R"("baglantiu.TSonucBilgisi","id":1,)"), std::string::npos);
    EXPECT_NE(msg.find(R"("baglantiu.TSonucBilgisi","id":2,)"), std::string::npos);
    EXPECT_NE(msg.find(R"({"type":"baglantiu.TSonucBilgisi","ref":1}]})"), std::string::npos) << msg;

    auto in = wire::MessageReader::parse(msg, "_parameters");
    auto ra = in.record<TSonucBilgisi>(0);
    EXPECT_EQ(in.integer(1), 5);
    auto rb = in.record<TSonucBilgisi>(2);
    auto again = in.record<TSonucBilgisi>(3);
    EXPECT_NE(ra, rb);
    EXPECT_EQ(ra, again);
}

TEST(Records, MissingFieldsKeepDefaultsUnknownOnesAreIgnored)
{
    auto r = wire::recordFromJson<TSonucBilgisi>(
        R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FCARINO":7,"FExtra":[1,2]}})");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->CARINO(), 7);
    EXPECT_EQ(r->MusteriTipi(), 1);
    EXPECT_EQ(r->Version(), 1);
    EXPECT_FALSE(r->Varmi());
}

TEST(Records, MalformedRecordsAreRejectedWithAClearText)
{
    struct Case {
        const char* json;
        const char* needle; // part of the error text
    };
    const Case cases[] = {
        {R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FCARINO":"7"}})", "FCARINO"},
        {R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FCARINO":4294967296}})", "FCARINO"},
        {R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FCARINO":1.5}})", "FCARINO"},
        {R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FVarmi":1}})", "FVarmi"},
        {R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{"FADI":null}})", "FADI"},
        {R"({"type":"mobilstokunit.TAcilisEkran","id":1,"fields":{}})", "baglantiu.TSonucBilgisi"},
        {R"({"type":"baglantiu.TSonucBilgisi","fields":{}})", "id"},
        {R"({"type":"baglantiu.TSonucBilgisi","id":1})", "fields"},
        {R"({"type":"baglantiu.TSonucBilgisi","ref":3})", "ref"},
        {R"([1,2])", "nesne"},
        {R"({"type":"baglantiu.TSonucBilgisi","id":1,"fields":{)", "JSON"},
        {"\"\xff\"", "JSON"},
    };
    for (const auto& c : cases) {
        try {
            wire::recordFromJson<TSonucBilgisi>(c.json);
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const wire::WireError& e) {
            EXPECT_NE(std::string(e.what()).find(c.needle), std::string::npos) << c.json << " -> " << e.what();
        }
    }
}

TEST(Records, RefToARecordOfAnotherTypeIsRejected)
{
    const char* json = R"({"_parameters":[{"type":"mobilstokunit.TAcilisEkran","id":1,"fields":{}},)"
                       R"({"type":"baglantiu.TSonucBilgisi","ref":1}]})";
    auto in = wire::MessageReader::parse(json, "_parameters");
    EXPECT_TRUE(in.record<TAcilisEkran>(0));
    EXPECT_THROW(in.record<TSonucBilgisi>(1), wire::WireError);
}

} // namespace
