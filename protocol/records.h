// Transfer records exchanged with the server; field names and order are the wire format.
#pragma once

#include "marshal.h"

#include <QString>

#include <memory>
#include <vector>

// The session record: who is signed in, for which dealer, on which workstation.
#define TSONUCBILGISI_FIELDS(X)                                                                    \
    X(QString, BILGISAYARID, {})                                                                   \
    X(QString, SaticiMail, {})                                                                     \
    X(int, Sirano, 0)                                                                              \
    X(QString, CariAdi, {})                                                                        \
    X(QString, SIFRE, {})                                                                          \
    X(int, SaticiNo, 0)                                                                            \
    X(int, CARINO, 0)                                                                              \
    X(int, AKTIF, 0)                                                                               \
    X(QString, Kullanicimail, {})                                                                  \
    X(QString, ADI, {})                                                                            \
    X(QString, SaticiTelefon, {})                                                                  \
    X(QString, carikod, {})                                                                        \
    X(bool, Varmi, false)                                                                          \
    X(QString, SaticiAdi, {})                                                                      \
    X(QString, BilgiSayarAdi, {})                                                                  \
    X(QString, Disip, {})                                                                          \
    X(QString, Icip, {})                                                                           \
    X(QString, BilgisayarKullanici, {})                                                            \
    X(int, MusteriTipi, 1)                                                                         \
    X(int, Version, 1)

class TSonucBilgisi {
public:
    WIRE_RECORD(TSonucBilgisi, "baglantiu", TSONUCBILGISI_FIELDS)
};

// An order's footer details.
#define TSIPARISDIPAYRINTI_FIELDS(X)                                                               \
    X(QString, SizinMesaj, {})                                                                     \
    X(QString, Durumu, {})                                                                         \
    X(QString, Veren, {})                                                                          \
    X(QString, Kargo, {})                                                                          \
    X(QString, BizimMesaj, {})                                                                     \
    X(QString, TeslimCinsi, {})                                                                    \
    X(QString, KargoCinsi, {})                                                                     \
    X(QString, SaticiNotu, {})

class TSiparisDipAyrinti {
public:
    WIRE_RECORD(TSiparisDipAyrinti, "baglantiu", TSIPARISDIPAYRINTI_FIELDS)
};

// Order counts by status, for the customer selection window.
#define TTUSSONUCLARI_FIELDS(X)                                                                    \
    X(int, Alindi, 0)                                                                              \
    X(int, Onaylandi, 0)                                                                           \
    X(int, ParcaliHazirlandi, 0)                                                                   \
    X(int, SevkEdildi, 0)                                                                          \
    X(int, Hazirlandi, 0)                                                                          \
    X(int, Goruldu, 0)

class TTusSonuclari {
public:
    WIRE_RECORD(TTusSonuclari, "baglantiu", TTUSSONUCLARI_FIELDS)
};

// One opening screen or announcement card; the picture travels as hexadecimal text.
#define TACILISEKRAN_FIELDS(X)                                                                     \
    X(int, SiraNo, 0)                                                                              \
    X(QString, Resim, {})                                                                          \
    X(QString, Baslik, {})                                                                         \
    X(QString, Arama, {})

class TAcilisEkran {
public:
    WIRE_RECORD_FIELDS(TAcilisEkran, "mobilstokunit", TACILISEKRAN_FIELDS)
};

using TAcilisEkranList = std::vector<std::shared_ptr<TAcilisEkran>>;
#define TACILISEKRANLARIKI_FIELDS(X) X(TAcilisEkranList, Ekranlar, {})

class TAcilisEkranlariki {
public:
    WIRE_RECORD_FIELDS(TAcilisEkranlariki, "mobilstokunit", TACILISEKRANLARIKI_FIELDS)
};

// A dealer's account card.
#define TMOBILCARIBILGISI_FIELDS(X)                                                                \
    X(QString, BILGISAYARID, {})                                                                   \
    X(QString, SEHIR, {})                                                                          \
    X(QString, FAX1, {})                                                                           \
    X(QString, SATICIMAIL, {})                                                                     \
    X(QString, SATICIADI, {})                                                                      \
    X(QString, CARIADI, {})                                                                        \
    X(QString, EMAIL, {})                                                                          \
    X(QString, VERGIDAIRESI, {})                                                                   \
    X(QString, YETKILI, {})                                                                        \
    X(QString, AltGrup, {})                                                                        \
    X(QString, TEL2, {})                                                                           \
    X(QString, SIFRE, {})                                                                          \
    X(QString, GSM, {})                                                                            \
    X(QString, TEL1, {})                                                                           \
    X(QString, ADRES2, {})                                                                         \
    X(double, TLBORC, 0.0)                                                                         \
    X(double, TLALACAK, 0.0)                                                                       \
    X(QString, ADRES1, {})                                                                         \
    X(QString, ULKE, {})                                                                           \
    X(QString, AnaGrup, {})                                                                        \
    X(int, CARINO, 0)                                                                              \
    X(double, TLBAKIYE, 0.0)                                                                       \
    X(QString, VERGINO, {})                                                                        \
    X(QString, MAIL, {})                                                                           \
    X(QString, OzelKod, {})                                                                        \
    X(QString, KULLANICIADI, {})                                                                   \
    X(QString, SATICITELEFON, {})                                                                  \
    X(QString, CARIKOD, {})                                                                        \
    X(QString, FAX2, {})                                                                           \
    X(QString, ILCE, {})

class TMobilCariBilgisi {
public:
    WIRE_RECORD(TMobilCariBilgisi, "mobilstokunit", TMOBILCARIBILGISI_FIELDS)
};

// Product record of the mobile operations; declared so that the wire names are complete.
#define TMOBILSTOK_FIELDS(X)                                                                       \
    X(int, StokNo, 0)                                                                              \
    X(int, ResimVar, 0)                                                                            \
    X(QString, Resim, {})                                                                          \
    X(int, Yeni, 0)                                                                                \
    X(QString, Departman, {})                                                                      \
    X(double, VerilenSiparis, 0.0)                                                                 \
    X(QString, AltGrup, {})                                                                        \
    X(int, Durum, 0)                                                                               \
    X(QString, Renk, {})                                                                           \
    X(QString, Birim, QStringLiteral("ADET"))                                                      \
    X(double, KDV, 20.0)                                                                           \
    X(double, AlinanSiparis, 0.0)                                                                  \
    X(double, Isk2, 0.0)                                                                           \
    X(QString, AnaGrup, {})                                                                        \
    X(QString, Kod, {})                                                                            \
    X(double, Isk3, 0.0)                                                                           \
    X(double, ListeFiyati, 0.0)                                                                    \
    X(QString, Beden, {})                                                                          \
    X(double, NetFiyat, 0.0)                                                                       \
    X(double, Isk1, 0.0)                                                                           \
    X(double, KDVliFiyat, 0.0)                                                                     \
    X(double, Isk4, 0.0)                                                                           \
    X(QString, OzelKod, {})                                                                        \
    X(int, Kampnayali, 0)                                                                          \
    X(QString, Barkod, {})                                                                         \
    X(double, IndirimOran, 0.0)                                                                    \
    X(double, Kalan, 0.0)                                                                          \
    X(QString, UreticiKod, {})                                                                     \
    X(double, KampanyaliFiyat, 0.0)                                                                \
    X(QString, OemNo, {})                                                                          \
    X(int, BarkodNo, 0)                                                                            \
    X(QString, PKod, {})                                                                           \
    X(QString, DpKod, {})                                                                          \
    X(QString, Adi, {})                                                                            \
    X(double, Fiyat, 0.0)

class TMobilStok {
public:
    WIRE_RECORD(TMobilStok, "mobilstokunit", TMOBILSTOK_FIELDS)
};

// Basket line record of the mobile operations; dates are day counts.
#define TMOBILSEPET_FIELDS(X)                                                                      \
    X(int, KARGOID, 0)                                                                             \
    X(int, StokNo, 0)                                                                              \
    X(double, TARIH, 0.0)                                                                          \
    X(int, SIRANO, 0)                                                                              \
    X(QString, CARIADI, {})                                                                        \
    X(double, VERILISTARIHI, 0.0)                                                                  \
    X(int, Durum, 0)                                                                               \
    X(double, MIKTAR, 0.0)                                                                         \
    X(int, VERENIDNO, 0)                                                                           \
    X(double, NETTUTAR, 0.0)                                                                       \
    X(double, KDVLITUTAR, 0.0)                                                                     \
    X(double, KDV, 0.0)                                                                            \
    X(int, AKTAR, 0)                                                                               \
    X(QString, SAAT, {})                                                                           \
    X(double, VERGITUTARI, 0.0)                                                                    \
    X(QString, PKod, {})                                                                           \
    X(QString, MODEL, {})                                                                          \
    X(double, INDIRIMTUTAR, 0.0)                                                                   \
    X(int, STOK_STOKNO, 0)                                                                         \
    X(double, BIRIMFIYAT, 0.0)                                                                     \
    X(int, SEC, 0)                                                                                 \
    X(QString, OEM2, {})                                                                           \
    X(QString, OEM3, {})                                                                           \
    X(QString, AnaGrup, {})                                                                        \
    X(QString, MARKA, {})                                                                          \
    X(QString, VEREN, {})                                                                          \
    X(QString, STOKADI, {})                                                                        \
    X(QString, OEM1, {})                                                                           \
    X(int, CARINO, 0)                                                                              \
    X(int, VERENSIRANO, 0)                                                                         \
    X(int, ACIKLAMA, 0)                                                                            \
    X(double, INDIRIMORANI2, 0.0)                                                                  \
    X(QString, OEM4, {})                                                                           \
    X(QString, KUR, {})                                                                            \
    X(double, INDIRIMORANI3, 0.0)                                                                  \
    X(int, SIPARISNO, 0)                                                                           \
    X(double, IDNO, 0.0)                                                                           \
    X(QString, OzelKod, {})                                                                        \
    X(QString, DpKod, {})                                                                          \
    X(double, KURTL, 0.0)                                                                          \
    X(double, INDIRIMORANI1, 0.0)                                                                  \
    X(QString, DIGERADI, {})                                                                       \
    X(QString, Barkod, {})                                                                         \
    X(double, TUTAR, 0.0)                                                                          \
    X(QString, URETICIKODU, {})                                                                    \
    X(double, Kalan, 0.0)                                                                          \
    X(QString, FINISHKOD, {})                                                                      \
    X(QString, CARIKOD, {})                                                                        \
    X(double, NETBIRIMFIYAT, 0.0)                                                                  \
    X(QString, OemNo, {})                                                                          \
    X(int, TESLIMID, 0)                                                                            \
    X(int, ResimVar, 0)                                                                            \
    X(QString, Resim, {})

class TMobilSepet {
public:
    WIRE_RECORD(TMobilSepet, "mobilstokunit", TMOBILSEPET_FIELDS)
};

// Owning lists; they travel as a record whose one field holds the elements.
using TMobilStokList = std::vector<std::shared_ptr<TMobilStok>>;
using TMobilSepetList = std::vector<std::shared_ptr<TMobilSepet>>;
#define TMOBILSTOKLAR_FIELDS(X) X(TMobilStokList, Items, {})
#define TMOBILSEPETLER_FIELDS(X) X(TMobilSepetList, Items, {})
#define TACILISEKRANLAR_FIELDS(X) X(TAcilisEkranList, Items, {})

class TMobilStoklar {
public:
    WIRE_RECORD_FIELDS(TMobilStoklar, "mobilstokunit", TMOBILSTOKLAR_FIELDS)
};
class TMobilSepetler {
public:
    WIRE_RECORD_FIELDS(TMobilSepetler, "mobilstokunit", TMOBILSEPETLER_FIELDS)
};
class TAcilisEkranlar {
public:
    WIRE_RECORD_FIELDS(TAcilisEkranlar, "mobilstokunit", TACILISEKRANLAR_FIELDS)
};
