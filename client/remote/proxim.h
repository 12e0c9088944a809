// Client proxy of the server class TServerMethods1: one typed method per operation the client calls.
#pragma once

#include "kit/net/connection.h"
#include "kit/net/reader.h"
#include "operations.h"
#include "remote/mobilstokunit.h"
#include "session/baglantiu.h"
#include "wire.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <map>
#include <type_traits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QBuffer;
class QIODevice;

// Made on an open connection for one call or a few calls in a row, and released right after.
//
// Ownership: a record argument is taken over (pass a fresh copy made with Kopyala); a returned
// record, reader or stream belongs to the proxy and stays valid until the proxy is destroyed, so
// copy or read it first; a data packet (wire::Table) and scalars belong to the caller. A returned
// record is nullptr when the server answered null. Every method throws kit::ConnectionError,
// kit::RemoteError or wire::WireError on failure.
class TServerMethods1Client {
public:
    explicit TServerMethods1Client(kit::Connection& connection);
    ~TServerMethods1Client();
    TServerMethods1Client(const TServerMethods1Client&) = delete;
    TServerMethods1Client& operator=(const TServerMethods1Client&) = delete;

    using Kayit = std::unique_ptr<TSonucBilgisi>;

    TSonucBilgisi* BuyukGetir(const QString& idsi);
    wire::Table StokAraGetir(const QString& kod, Kayit bilgi);
    int SepetEkle2(Kayit bilgim, int carino, int stokno, const QString& barkod, const QString& stokadi,
                   double miktar, double kdv, double fiyat, double ind1, int verenid, int k, double ind2,
                   double ind3, double ind4);
    int SepetGuncelle2(Kayit bilgim, int carino, int stokno, const QString& barkod, const QString& stokadi,
                       double miktar, double kdv, double fiyat, double ind1, int verenid, int _sepetsirano,
                       double ind2, double ind3, double ind4);
    wire::Table YenilerVer2(int carino);
    wire::Table KampanyaliVer2(int cario, int satici);
    QIODevice* ResimVer5(int stokno, qint64& boy);
    wire::Table StokHareketVer(int carino, int stokno);
    wire::Table SepetVer2(int carino);
    void SepetSecimGuncelle(int sirano, int secim);
    int SepetSatirSil(Kayit bilgi, int satirno, const QString& aciklamam);
    int SepetHepsiniSil(Kayit bilgi);
    kit::Reader* TeslimVer();
    kit::Reader* KargoVer();
    kit::Reader* KargolarVer(int gn);
    bool SiparisKaydet(Kayit BB, int _carino, int _teslim, int _kargo, const QString& _aciklama, int _verenid,
                       int _kargoyeni);
    kit::Reader* OncekiSiparisler(int carino);
    kit::Reader* SiparisAyrintisi2(int carino, int idnosu);
    TSiparisDipAyrinti* SiparisAytintisiDip(int carino, int siranosu);
    kit::Reader* TumSiparislerVer(int carino, int stokno);
    kit::Reader* BakiyelerVer2(int carino);
    int BakiyeDuzenle(Kayit k, int stokno, int sepetsirano, int siparissirano, double Adet, double Bakiye,
                      const QString& barkod);
    int BakiyeDegistir(Kayit k, int stokno, int sepetsirano, int siparissirano, double Adet, double Bakiye,
                       const QString& barkod);
    int BakiyeFiyatDegistir(Kayit k, int stokno, int sepetsirano, int siparissirano, double Adet, double Bakiye,
                            const QString& barkod, double fiyat, double ind);
    kit::Reader* CariEkstreVer(int carino);
    kit::Reader* FaturaGetir(int carino, int idnosu);
    kit::Reader* FaturaAltGetir(int idnosu);
    kit::Reader* Tahsilat(int idnosu);
    int SanalposSiranoVer(int idnosu);
    QIODevice* SAnalPosPdfVer(int sirano, qint64& boy);
    QString CariDurumVer(int carino);
    QString CariVadeGunGecmismiBul(int carino);
    kit::Reader* CariAra(Kayit bil, const QString& aranan);
    int SepetSayisi(Kayit bil);
    TTusSonuclari* TusSonuclariVer(Kayit bil);
    kit::Reader* CariSepetVer(Kayit bil, int n);
    QIODevice* RaporGetir(int raporno, int bolum, int idno, int carino, const QString& saticiadi, double tarih1,
                          double tarih2, qint64& size);
    kit::Reader* RaporAlinanSiparisler(Kayit bilgi, double tarih1, double tarih2);
    kit::Reader* RaporEnCokSatilanStoklar(Kayit bilgi, double tarih1, double tarih2);
    kit::Reader* BalonGetir(Kayit bil);
    TAcilisEkranlariki* AcilisEkranlarVer2();
    int AcilisReklamAdet();
    TAcilisEkran* AcilisREklamVer(int sira);
    QString KayanYaziGetir();
    QIODevice* BannerResimVer(qint64& size);
    QIODevice* BannerResimVer2(qint64& size);
    QIODevice* BannerResimVer3(qint64& size);
    int MailGonserCariNormal(const QString& idsi, const QString& baslik, const QString& firmaadi,
                             const QString& adres1, const QString& adres2, const QString& ilce, const QString& sehir,
                             const QString& telefon, const QString& fax, const QString& vd, const QString& vn,
                             const QString& yetkili, const QString& kullaniciadi, const QString& sifre,
                             const QString& mail, const QString& kargoambar, const QString& konu);
    int MailGonserCari(const QString& idsi, const QString& baslik, const QString& firmaadi, const QString& adres1,
                       const QString& adres2, const QString& ilce, const QString& sehir, const QString& telefon,
                       const QString& fax, const QString& vd, const QString& vn, const QString& yetkili,
                       const QString& kullaniciadi, const QString& sifre, const QString& mail,
                       const QString& kargoambar);
    TMobilCariBilgisi* MobilCariBilgisiGetir(int sirano, const QString& _idsi);

private:
    // An answer that offers only the reading its operation's result kind allows.
    template <ops::Result K> struct Answer {
        wire::MessageReader reader;
        wire::Table table() const requires(K == ops::Result::Reader || K == ops::Result::Packet) { return reader.table(0); }
        template <class R> std::shared_ptr<R> record() const requires(K == ops::Result::Record)
        {
            return reader.record<R>(0);
        }
        std::int32_t integer() const requires(K == ops::Result::Integer) { return reader.integer(0); }
        QString text() const requires(K == ops::Result::Text) { return reader.text(0); }
        bool boolean() const requires(K == ops::Result::Boolean) { return reader.boolean(0); }
    };

    // How a C++ argument travels, for the check against the table.
    template <class T> static consteval ops::Kind kindOf()
    {
        if constexpr (std::is_same_v<T, QString>)
            return ops::Kind::Text;
        else if constexpr (std::is_same_v<T, int>)
            return ops::Kind::Integer;
        else if constexpr (std::is_same_v<T, double>)
            return ops::Kind::Double;
        else
            return ops::Kind::Record; // a Kayit; anything else fails to marshal
    }
    template <ops::Name Op, class... Args> static consteval bool fitsTable()
    {
        constexpr const ops::Operation& op = ops::get(Op.view());
        constexpr std::array<ops::Kind, sizeof...(Args)> kinds{kindOf<Args>()...};
        if (op.params.size() != kinds.size())
            return false;
        for (std::size_t i = 0; i < kinds.size(); ++i)
            if (op.params[i].kind != kinds[i])
                return false;
        return true;
    }

    // Marshals the inputs in order, runs the operation once and parses the answer. The operation's
    // name, inputs and result kind are checked against the operation table when this compiles.
    template <ops::Name Op, class... Args> Answer<ops::get(Op.view()).result> invoke(const Args&... args);
    template <class R> R* keep(std::shared_ptr<R> record);
    kit::Reader* keepReader(wire::Table table);
    QIODevice* keepStream(const wire::MessageReader& answer, qint64& size);
    template <ops::Name Op, class... Args> QIODevice* streamCall(qint64& size, const Args&... args);

    kit::Connection& connection_;
    std::map<std::string, std::string, std::less<>> commands_; // operation name -> path, made on first use
    std::vector<std::shared_ptr<void>> records_;
    std::vector<std::unique_ptr<kit::Reader>> readers_;
    std::vector<std::unique_ptr<QBuffer>> streams_;
};
