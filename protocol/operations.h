// The remote operations of TServerMethods1, declared once: inputs with kinds and scope roles, out parameters, result.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace ops {

// How an input travels.
enum class Kind { Text, Integer, Double, Record };

// What an input stands for. The server keeps every caller inside its own accounts from these roles,
// before any handler runs; a handler never re-reads a role's value without it having been checked.
enum class Role {
    Plain,        // carries no scope (a search text, a product number, a quantity)
    Account,      // an account number: the caller's own, or for a representative one of its dealers
    AccountOrAll, // as Account, or 0 for all of a representative's dealers together
    Session,      // a session record: the caller's user and an account in scope; never null
    User,         // the caller's user number
    Workstation,  // the identity of the caller's workstation
    AccountType,  // the caller's account type
    Unused,       // sent as 0 by the client and not read: the row number beside it carries the scope
    Id,           // the number of a row (order, line, invoice, payment, basket line): the handler looks
                  // it up within the caller's accounts, so another dealer's row answers as a missing one
};

enum class Result { None, Reader, Packet, Record, Stream, Text, Integer, Boolean };

struct Param {
    std::string_view name;
    Kind kind;
    Role role = Role::Plain;
};

struct Operation {
    std::string_view name;
    std::span<const Param> params;
    Result result;
    std::string_view out = {};    // a stream's size, the one out parameter ("boy" or "size")
    std::string_view record = {}; // the class of a record result
    bool signIn = false;          // the only kind of call answered without a session key
};

namespace detail {

constexpr Param T(std::string_view n, Role r = Role::Plain) { return {n, Kind::Text, r}; }
constexpr Param I(std::string_view n, Role r = Role::Plain) { return {n, Kind::Integer, r}; }
constexpr Param D(std::string_view n, Role r = Role::Plain) { return {n, Kind::Double, r}; }
constexpr Param R(std::string_view n) { return {n, Kind::Record, Role::Session}; }

constexpr Role A = Role::Account;
constexpr Role U = Role::User;
constexpr Role W = Role::Workstation;
constexpr Role N = Role::Id;

inline constexpr Param kNone[1] = {T("-")}; // an empty span points here
inline constexpr Param kBuyukGetir[] = {T("idsi")};
inline constexpr Param kStokAraGetir[] = {T("kod"), R("bilgi")};
inline constexpr Param kSepetEkle2[] = {R("bilgim"), I("carino", A), I("stokno"), T("barkod"), T("stokadi"),
                                        D("miktar"), D("kdv"), D("fiyat"), D("ind1"), I("verenid", U), I("k"),
                                        D("ind2"), D("ind3"), D("ind4")};
inline constexpr Param kSepetGuncelle2[] = {R("bilgim"), I("carino", A), I("stokno"), T("barkod"), T("stokadi"),
                                            D("miktar"), D("kdv"), D("fiyat"), D("ind1"), I("verenid", U),
                                            I("_sepetsirano", N), D("ind2"), D("ind3"), D("ind4")};
inline constexpr Param kCarino[] = {I("carino", A)};
inline constexpr Param kKampanyaliVer2[] = {I("cario", A), I("satici", Role::AccountType)};
inline constexpr Param kResimVer5[] = {I("stokno")};
inline constexpr Param kCarinoStokno[] = {I("carino", A), I("stokno")};
inline constexpr Param kSepetSecimGuncelle[] = {I("sirano", N), I("secim")};
inline constexpr Param kSepetSatirSil[] = {R("bilgi"), I("satirno", N), T("aciklamam")};
inline constexpr Param kBilgi[] = {R("bilgi")};
inline constexpr Param kBil[] = {R("bil")};
inline constexpr Param kKargolarVer[] = {I("gn")};
inline constexpr Param kSiparisKaydet[] = {R("BB"), I("_carino", A), I("_teslim"), I("_kargo"), T("_aciklama"),
                                           I("_verenid", U), I("_kargoyeni")};
inline constexpr Param kCarinoIdnosu[] = {I("carino", A), I("idnosu", N)};
inline constexpr Param kSiparisAytintisiDip[] = {I("carino", Role::Unused), I("siranosu", N)};
inline constexpr Param kBakiye[] = {R("k"), I("stokno"), I("sepetsirano", N), I("siparissirano", N), D("Adet"),
                                    D("Bakiye"), T("barkod")};
inline constexpr Param kBakiyeFiyat[] = {R("k"), I("stokno"), I("sepetsirano", N), I("siparissirano", N), D("Adet"),
                                         D("Bakiye"), T("barkod"), D("fiyat"), D("ind")};
inline constexpr Param kIdnosu[] = {I("idnosu", N)};
inline constexpr Param kSirano[] = {I("sirano", N)};
inline constexpr Param kCariAra[] = {R("bil"), T("aranan")};
inline constexpr Param kCariSepetVer[] = {R("bil"), I("n")};
inline constexpr Param kRaporGetir[] = {I("raporno"), I("bolum"), I("idno", U), I("carino", Role::AccountOrAll),
                                        T("saticiadi"), D("tarih1"), D("tarih2")};
inline constexpr Param kRapor[] = {R("bilgi"), D("tarih1"), D("tarih2")};
inline constexpr Param kSira[] = {I("sira")};
inline constexpr Param kMailGonserCariNormal[] = {
    T("idsi", W), T("baslik"), T("firmaadi"), T("adres1"), T("adres2"), T("ilce"), T("sehir"), T("telefon"), T("fax"),
    T("vd"), T("vn"), T("yetkili"), T("kullaniciadi"), T("sifre"), T("mail"), T("kargoambar"), T("konu")};
inline constexpr Param kMobilCariBilgisiGetir[] = {I("sirano", Role::Unused), T("_idsi", W)};

constexpr std::span<const Param> none() { return {kNone, 0}; }
// MailGonserCari takes the inputs of MailGonserCariNormal without the last one (konu).
constexpr std::span<const Param> mailInputs() { return {kMailGonserCariNormal, std::size(kMailGonserCariNormal) - 1}; }

using X = Result;

} // namespace detail

// Every operation the client calls, in the order of the catalogue.
inline constexpr Operation kOperations[] = {
    {"BuyukGetir", detail::kBuyukGetir, detail::X::Record, {}, "TSonucBilgisi", true},
    {"StokAraGetir", detail::kStokAraGetir, detail::X::Packet},
    {"SepetEkle2", detail::kSepetEkle2, detail::X::Integer},
    {"SepetGuncelle2", detail::kSepetGuncelle2, detail::X::Integer},
    {"YenilerVer2", detail::kCarino, detail::X::Packet},
    {"KampanyaliVer2", detail::kKampanyaliVer2, detail::X::Packet},
    {"ResimVer5", detail::kResimVer5, detail::X::Stream, "boy"},
    {"StokHareketVer", detail::kCarinoStokno, detail::X::Packet},
    {"SepetVer2", detail::kCarino, detail::X::Packet},
    {"SepetSecimGuncelle", detail::kSepetSecimGuncelle, detail::X::None},
    {"SepetSatirSil", detail::kSepetSatirSil, detail::X::Integer},
    {"SepetHepsiniSil", detail::kBilgi, detail::X::Integer},
    {"TeslimVer", detail::none(), detail::X::Reader},
    {"KargoVer", detail::none(), detail::X::Reader},
    {"KargolarVer", detail::kKargolarVer, detail::X::Reader},
    {"SiparisKaydet", detail::kSiparisKaydet, detail::X::Boolean},
    {"OncekiSiparisler", detail::kCarino, detail::X::Reader},
    {"SiparisAyrintisi2", detail::kCarinoIdnosu, detail::X::Reader},
    {"SiparisAytintisiDip", detail::kSiparisAytintisiDip, detail::X::Record, {}, "TSiparisDipAyrinti"},
    {"TumSiparislerVer", detail::kCarinoStokno, detail::X::Reader},
    {"BakiyelerVer2", detail::kCarino, detail::X::Reader},
    {"BakiyeDuzenle", detail::kBakiye, detail::X::Integer},
    {"BakiyeDegistir", detail::kBakiye, detail::X::Integer},
    {"BakiyeFiyatDegistir", detail::kBakiyeFiyat, detail::X::Integer},
    {"CariEkstreVer", detail::kCarino, detail::X::Reader},
    {"FaturaGetir", detail::kCarinoIdnosu, detail::X::Reader},
    {"FaturaAltGetir", detail::kIdnosu, detail::X::Reader},
    {"Tahsilat", detail::kIdnosu, detail::X::Reader},
    {"SanalposSiranoVer", detail::kIdnosu, detail::X::Integer},
    {"SAnalPosPdfVer", detail::kSirano, detail::X::Stream, "boy"},
    {"CariDurumVer", detail::kCarino, detail::X::Text},
    {"CariVadeGunGecmismiBul", detail::kCarino, detail::X::Text},
    {"CariAra", detail::kCariAra, detail::X::Reader},
    {"SepetSayisi", detail::kBil, detail::X::Integer},
    {"TusSonuclariVer", detail::kBil, detail::X::Record, {}, "TTusSonuclari"},
    {"CariSepetVer", detail::kCariSepetVer, detail::X::Reader},
    {"RaporGetir", detail::kRaporGetir, detail::X::Stream, "size"},
    {"RaporAlinanSiparisler", detail::kRapor, detail::X::Reader},
    {"RaporEnCokSatilanStoklar", detail::kRapor, detail::X::Reader},
    {"BalonGetir", detail::kBil, detail::X::Reader},
    {"AcilisEkranlarVer2", detail::none(), detail::X::Record, {}, "TAcilisEkranlariki"},
    {"AcilisReklamAdet", detail::none(), detail::X::Integer},
    {"AcilisREklamVer", detail::kSira, detail::X::Record, {}, "TAcilisEkran"},
    {"KayanYaziGetir", detail::none(), detail::X::Text},
    {"BannerResimVer", detail::none(), detail::X::Stream, "size"},
    {"BannerResimVer2", detail::none(), detail::X::Stream, "size"},
    {"BannerResimVer3", detail::none(), detail::X::Stream, "size"},
    {"MailGonserCariNormal", detail::kMailGonserCariNormal, detail::X::Integer},
    {"MailGonserCari", detail::mailInputs(), detail::X::Integer},
    {"MobilCariBilgisiGetir", detail::kMobilCariBilgisiGetir, detail::X::Record, {}, "TMobilCariBilgisi"},
};

// The operation of that name, or nullptr.
constexpr const Operation* find(std::string_view name)
{
    for (const Operation& op : kOperations)
        if (op.name == name)
            return &op;
    return nullptr;
}

// For compile-time use: an unknown name does not compile.
consteval const Operation& get(std::string_view name)
{
    const Operation* op = find(name);
    if (!op)
        throw "operation outside the table";
    return *op;
}

// The position of an input, -1 when the operation has none of that name.
constexpr int indexOf(const Operation& op, std::string_view param)
{
    for (std::size_t i = 0; i < op.params.size(); ++i)
        if (op.params[i].name == param)
            return int(i);
    return -1;
}

// An operation name usable as a template argument, so a caller can be checked against the table.
template <std::size_t N> struct Name {
    char text[N]{};
    consteval Name(const char (&s)[N]) { std::copy_n(s, N, text); }
    constexpr std::string_view view() const { return {text, N - 1}; }
};

namespace detail {
constexpr bool namesAreUnique()
{
    for (std::size_t i = 0; i < std::size(kOperations); ++i)
        for (std::size_t j = i + 1; j < std::size(kOperations); ++j)
            if (kOperations[i].name == kOperations[j].name)
                return false;
    return true;
}
constexpr bool streamsHaveTheirSize()
{
    for (const Operation& op : kOperations)
        if ((op.result == Result::Stream) != !op.out.empty())
            return false;
    return true;
}
} // namespace detail

static_assert(std::size(kOperations) == 50);
static_assert(detail::namesAreUnique());
static_assert(detail::streamsHaveTheirSize());

} // namespace ops
