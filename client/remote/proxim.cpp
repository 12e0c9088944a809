// Client proxy of TServerMethods1: marshalling of the inputs and typed reading of the answers.
#include "remote/proxim.h"

#include <QBuffer>

namespace {

// One input parameter, in the form of its declared type.
void put(wire::MessageWriter& w, const QString& v) { w.text(v); }
void put(wire::MessageWriter& w, int v) { w.integer(v); }
void put(wire::MessageWriter& w, double v) { w.real(v); }
template <class R> void put(wire::MessageWriter& w, const std::unique_ptr<R>& r) { w.record(r.get()); }

} // namespace

TServerMethods1Client::TServerMethods1Client(kit::Connection& connection) : connection_(connection) {}

TServerMethods1Client::~TServerMethods1Client() = default;

template <ops::Name Op, class... Args>
TServerMethods1Client::Answer<ops::get(Op.view()).result> TServerMethods1Client::invoke(const Args&... args)
{
    static_assert(fitsTable<Op, Args...>(), "the inputs differ from the operation table");
    constexpr std::string_view op = Op.view();
    auto command = commands_.find(op);
    if (command == commands_.end())
        command = commands_.emplace(std::string(op), connection_.methodPath(op)).first;
    wire::MessageWriter w("_parameters");
    (put(w, args), ...);
    const std::string answer = connection_.post(command->second, w.finish());
    return {wire::MessageReader::parse(answer, "result")};
}

template <class R> R* TServerMethods1Client::keep(std::shared_ptr<R> record)
{
    R* raw = record.get();
    if (raw)
        records_.push_back(std::move(record));
    return raw;
}

kit::Reader* TServerMethods1Client::keepReader(wire::Table table)
{
    readers_.push_back(std::make_unique<kit::Reader>(std::move(table)));
    return readers_.back().get();
}

// A stream answer carries its size first, then the bytes.
QIODevice* TServerMethods1Client::keepStream(const wire::MessageReader& answer, qint64& size)
{
    size = answer.largeint(0);
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(answer.stream(1));
    buffer->open(QIODevice::ReadOnly);
    streams_.push_back(std::move(buffer));
    return streams_.back().get();
}

template <ops::Name Op, class... Args>
QIODevice* TServerMethods1Client::streamCall(qint64& size, const Args&... args)
{
    static_assert(ops::get(Op.view()).result == ops::Result::Stream, "the operation answers no stream");
    return keepStream(invoke<Op>(args...).reader, size);
}

TSonucBilgisi* TServerMethods1Client::BuyukGetir(const QString& idsi)
{
    return keep(invoke<"BuyukGetir">(idsi).record<TSonucBilgisi>());
}

wire::Table TServerMethods1Client::StokAraGetir(const QString& kod, Kayit bilgi)
{
    return invoke<"StokAraGetir">(kod, bilgi).table();
}

int TServerMethods1Client::SepetEkle2(Kayit bilgim, int carino, int stokno, const QString& barkod,
                                      const QString& stokadi, double miktar, double kdv, double fiyat, double ind1,
                                      int verenid, int k, double ind2, double ind3, double ind4)
{
    return invoke<"SepetEkle2">(bilgim, carino, stokno, barkod, stokadi, miktar, kdv, fiyat, ind1, verenid, k, ind2,
                  ind3, ind4)
        .integer();
}

int TServerMethods1Client::SepetGuncelle2(Kayit bilgim, int carino, int stokno, const QString& barkod,
                                          const QString& stokadi, double miktar, double kdv, double fiyat,
                                          double ind1, int verenid, int _sepetsirano, double ind2, double ind3,
                                          double ind4)
{
    return invoke<"SepetGuncelle2">(bilgim, carino, stokno, barkod, stokadi, miktar, kdv, fiyat, ind1, verenid,
                  _sepetsirano, ind2, ind3, ind4)
        .integer();
}

wire::Table TServerMethods1Client::YenilerVer2(int carino) { return invoke<"YenilerVer2">(carino).table(); }

wire::Table TServerMethods1Client::KampanyaliVer2(int cario, int satici)
{
    return invoke<"KampanyaliVer2">(cario, satici).table();
}

QIODevice* TServerMethods1Client::ResimVer5(int stokno, qint64& boy) { return streamCall<"ResimVer5">(boy, stokno); }

wire::Table TServerMethods1Client::StokHareketVer(int carino, int stokno)
{
    return invoke<"StokHareketVer">(carino, stokno).table();
}

wire::Table TServerMethods1Client::SepetVer2(int carino) { return invoke<"SepetVer2">(carino).table(); }

void TServerMethods1Client::SepetSecimGuncelle(int sirano, int secim) { invoke<"SepetSecimGuncelle">(sirano, secim); }

int TServerMethods1Client::SepetSatirSil(Kayit bilgi, int satirno, const QString& aciklamam)
{
    return invoke<"SepetSatirSil">(bilgi, satirno, aciklamam).integer();
}

int TServerMethods1Client::SepetHepsiniSil(Kayit bilgi) { return invoke<"SepetHepsiniSil">(bilgi).integer(); }

kit::Reader* TServerMethods1Client::TeslimVer() { return keepReader(invoke<"TeslimVer">().table()); }

kit::Reader* TServerMethods1Client::KargoVer() { return keepReader(invoke<"KargoVer">().table()); }

kit::Reader* TServerMethods1Client::KargolarVer(int gn) { return keepReader(invoke<"KargolarVer">(gn).table()); }

bool TServerMethods1Client::SiparisKaydet(Kayit BB, int _carino, int _teslim, int _kargo, const QString& _aciklama,
                                          int _verenid, int _kargoyeni)
{
    return invoke<"SiparisKaydet">(BB, _carino, _teslim, _kargo, _aciklama, _verenid, _kargoyeni).boolean();
}

kit::Reader* TServerMethods1Client::OncekiSiparisler(int carino)
{
    return keepReader(invoke<"OncekiSiparisler">(carino).table());
}

kit::Reader* TServerMethods1Client::SiparisAyrintisi2(int carino, int idnosu)
{
    return keepReader(invoke<"SiparisAyrintisi2">(carino, idnosu).table());
}

TSiparisDipAyrinti* TServerMethods1Client::SiparisAytintisiDip(int carino, int siranosu)
{
    return keep(invoke<"SiparisAytintisiDip">(carino, siranosu).record<TSiparisDipAyrinti>());
}

kit::Reader* TServerMethods1Client::TumSiparislerVer(int carino, int stokno)
{
    return keepReader(invoke<"TumSiparislerVer">(carino, stokno).table());
}

kit::Reader* TServerMethods1Client::BakiyelerVer2(int carino)
{
    return keepReader(invoke<"BakiyelerVer2">(carino).table());
}

int TServerMethods1Client::BakiyeDuzenle(Kayit k, int stokno, int sepetsirano, int siparissirano, double Adet,
                                         double Bakiye, const QString& barkod)
{
    return invoke<"BakiyeDuzenle">(k, stokno, sepetsirano, siparissirano, Adet, Bakiye, barkod).integer();
}

int TServerMethods1Client::BakiyeDegistir(Kayit k, int stokno, int sepetsirano, int siparissirano, double Adet,
                                          double Bakiye, const QString& barkod)
{
    return invoke<"BakiyeDegistir">(k, stokno, sepetsirano, siparissirano, Adet, Bakiye, barkod).integer();
}

int TServerMethods1Client::BakiyeFiyatDegistir(Kayit k, int stokno, int sepetsirano, int siparissirano, double Adet,
                                               double Bakiye, const QString& barkod, double fiyat, double ind)
{
    return invoke<"BakiyeFiyatDegistir">(k, stokno, sepetsirano, siparissirano, Adet, Bakiye, barkod, fiyat, ind)
        .integer();
}

kit::Reader* TServerMethods1Client::CariEkstreVer(int carino)
{
    return keepReader(invoke<"CariEkstreVer">(carino).table());
}

kit::Reader* TServerMethods1Client::FaturaGetir(int carino, int idnosu)
{
    return keepReader(invoke<"FaturaGetir">(carino, idnosu).table());
}

kit::Reader* TServerMethods1Client::FaturaAltGetir(int idnosu)
{
    return keepReader(invoke<"FaturaAltGetir">(idnosu).table());
}

kit::Reader* TServerMethods1Client::Tahsilat(int idnosu) { return keepReader(invoke<"Tahsilat">(idnosu).table()); }

int TServerMethods1Client::SanalposSiranoVer(int idnosu) { return invoke<"SanalposSiranoVer">(idnosu).integer(); }

QIODevice* TServerMethods1Client::SAnalPosPdfVer(int sirano, qint64& boy)
{
    return streamCall<"SAnalPosPdfVer">(boy, sirano);
}

QString TServerMethods1Client::CariDurumVer(int carino) { return invoke<"CariDurumVer">(carino).text(); }

QString TServerMethods1Client::CariVadeGunGecmismiBul(int carino)
{
    return invoke<"CariVadeGunGecmismiBul">(carino).text();
}

kit::Reader* TServerMethods1Client::CariAra(Kayit bil, const QString& aranan)
{
    return keepReader(invoke<"CariAra">(bil, aranan).table());
}

int TServerMethods1Client::SepetSayisi(Kayit bil) { return invoke<"SepetSayisi">(bil).integer(); }

TTusSonuclari* TServerMethods1Client::TusSonuclariVer(Kayit bil)
{
    return keep(invoke<"TusSonuclariVer">(bil).record<TTusSonuclari>());
}

kit::Reader* TServerMethods1Client::CariSepetVer(Kayit bil, int n)
{
    return keepReader(invoke<"CariSepetVer">(bil, n).table());
}

QIODevice* TServerMethods1Client::RaporGetir(int raporno, int bolum, int idno, int carino, const QString& saticiadi,
                                             double tarih1, double tarih2, qint64& size)
{
    return streamCall<"RaporGetir">(size, raporno, bolum, idno, carino, saticiadi, tarih1, tarih2);
}

kit::Reader* TServerMethods1Client::RaporAlinanSiparisler(Kayit bilgi, double tarih1, double tarih2)
{
    return keepReader(invoke<"RaporAlinanSiparisler">(bilgi, tarih1, tarih2).table());
}

kit::Reader* TServerMethods1Client::RaporEnCokSatilanStoklar(Kayit bilgi, double tarih1, double tarih2)
{
    return keepReader(invoke<"RaporEnCokSatilanStoklar">(bilgi, tarih1, tarih2).table());
}

kit::Reader* TServerMethods1Client::BalonGetir(Kayit bil) { return keepReader(invoke<"BalonGetir">(bil).table()); }

TAcilisEkranlariki* TServerMethods1Client::AcilisEkranlarVer2()
{
    return keep(invoke<"AcilisEkranlarVer2">().record<TAcilisEkranlariki>());
}

int TServerMethods1Client::AcilisReklamAdet() { return invoke<"AcilisReklamAdet">().integer(); }

TAcilisEkran* TServerMethods1Client::AcilisREklamVer(int sira)
{
    return keep(invoke<"AcilisREklamVer">(sira).record<TAcilisEkran>());
}

QString TServerMethods1Client::KayanYaziGetir() { return invoke<"KayanYaziGetir">().text(); }

QIODevice* TServerMethods1Client::BannerResimVer(qint64& size) { return streamCall<"BannerResimVer">(size); }

QIODevice* TServerMethods1Client::BannerResimVer2(qint64& size) { return streamCall<"BannerResimVer2">(size); }

QIODevice* TServerMethods1Client::BannerResimVer3(qint64& size) { return streamCall<"BannerResimVer3">(size); }

int TServerMethods1Client::MailGonserCariNormal(const QString& idsi, const QString& baslik, const QString& firmaadi,
                                                const QString& adres1, const QString& adres2, const QString& ilce,
                                                const QString& sehir, const QString& telefon, const QString& fax,
                                                const QString& vd, const QString& vn, const QString& yetkili,
                                                const QString& kullaniciadi, const QString& sifre,
                                                const QString& mail, const QString& kargoambar, const QString& konu)
{
    return invoke<"MailGonserCariNormal">(idsi, baslik, firmaadi, adres1, adres2, ilce, sehir, telefon, fax, vd, vn,
                  yetkili, kullaniciadi, sifre, mail, kargoambar, konu)
        .integer();
}

int TServerMethods1Client::MailGonserCari(const QString& idsi, const QString& baslik, const QString& firmaadi,
                                          const QString& adres1, const QString& adres2, const QString& ilce,
                                          const QString& sehir, const QString& telefon, const QString& fax,
                                          const QString& vd, const QString& vn, const QString& yetkili,
                                          const QString& kullaniciadi, const QString& sifre, const QString& mail,
                                          const QString& kargoambar)
{
    return invoke<"MailGonserCari">(idsi, baslik, firmaadi, adres1, adres2, ilce, sehir, telefon, fax, vd, vn,
                  yetkili, kullaniciadi, sifre, mail, kargoambar)
        .integer();
}

TMobilCariBilgisi* TServerMethods1Client::MobilCariBilgisiGetir(int sirano, const QString& _idsi)
{
    return keep(invoke<"MobilCariBilgisiGetir">(sirano, _idsi).record<TMobilCariBilgisi>());
}
