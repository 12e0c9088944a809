// The signature table of the operations the client calls, and the checked dispatch of one call.
#include "http/dispatch.h"

#include "store/store.h"

#include <stdexcept>
#include <string_view>

namespace srv {

namespace {

// Inputs in wire order as "name:K" words, K one of T (text), I (integer), D (double), R (record).
// Out parameters (the stream sizes `boy` and `size`) are answers, not inputs, so they are not listed.
constexpr std::string_view kBasketLine =
    "bilgim:R carino:I stokno:I barkod:T stokadi:T miktar:D kdv:D fiyat:D ind1:D verenid:I";
constexpr std::string_view kBalanceEdit =
    "k:R stokno:I sepetsirano:I siparissirano:I Adet:D Bakiye:D barkod:T";
constexpr std::string_view kMailForm =
    "idsi:T baslik:T firmaadi:T adres1:T adres2:T ilce:T sehir:T telefon:T fax:T vd:T vn:T "
    "yetkili:T kullaniciadi:T sifre:T mail:T kargoambar:T";

struct Signature {
    const char* name;
    std::string signature;
};

std::vector<Signature> signatures()
{
    const std::string line(kBasketLine), balance(kBalanceEdit), mail(kMailForm);
    const std::string discounts = " ind2:D ind3:D ind4:D";
    return {
        {"BuyukGetir", "idsi:T"},
        {"StokAraGetir", "kod:T bilgi:R"},
        {"SepetEkle2", line + " k:I" + discounts},
        {"SepetGuncelle2", line + " _sepetsirano:I" + discounts},
        {"YenilerVer2", "carino:I"},
        {"KampanyaliVer2", "cario:I satici:I"},
        {"ResimVer5", "stokno:I"},
        {"StokHareketVer", "carino:I stokno:I"},
        {"SepetVer2", "carino:I"},
        {"SepetSecimGuncelle", "sirano:I secim:I"},
        {"SepetSatirSil", "bilgi:R satirno:I aciklamam:T"},
        {"SepetHepsiniSil", "bilgi:R"},
        {"TeslimVer", ""},
        {"KargoVer", ""},
        {"KargolarVer", "gn:I"},
        {"SiparisKaydet", "BB:R _carino:I _teslim:I _kargo:I _aciklama:T _verenid:I _kargoyeni:I"},
        {"OncekiSiparisler", "carino:I"},
        {"SiparisAyrintisi2", "carino:I idnosu:I"},
        {"SiparisAytintisiDip", "carino:I siranosu:I"},
        {"TumSiparislerVer", "carino:I stokno:I"},
        {"BakiyelerVer2", "carino:I"},
        {"BakiyeDuzenle", balance},
        {"BakiyeDegistir", balance},
        {"BakiyeFiyatDegistir", balance + " fiyat:D ind:D"},
        {"CariEkstreVer", "carino:I"},
        {"FaturaGetir", "carino:I idnosu:I"},
        {"FaturaAltGetir", "idnosu:I"},
        {"Tahsilat", "idnosu:I"},
        {"SanalposSiranoVer", "idnosu:I"},
        {"SAnalPosPdfVer", "sirano:I"},
        {"CariDurumVer", "carino:I"},
        {"CariVadeGunGecmismiBul", "carino:I"},
        {"CariAra", "bil:R aranan:T"},
        {"SepetSayisi", "bil:R"},
        {"TusSonuclariVer", "bil:R"},
        {"CariSepetVer", "bil:R n:I"},
        {"RaporGetir", "raporno:I bolum:I idno:I carino:I saticiadi:T tarih1:D tarih2:D"},
        {"RaporAlinanSiparisler", "bilgi:R tarih1:D tarih2:D"},
        {"RaporEnCokSatilanStoklar", "bilgi:R tarih1:D tarih2:D"},
        {"BalonGetir", "bil:R"},
        {"AcilisEkranlarVer2", ""},
        {"AcilisReklamAdet", ""},
        {"AcilisREklamVer", "sira:I"},
        {"KayanYaziGetir", ""},
        {"BannerResimVer", ""},
        {"BannerResimVer2", ""},
        {"BannerResimVer3", ""},
        {"MailGonserCariNormal", mail + " konu:T"},
        {"MailGonserCari", mail},
        {"MobilCariBilgisiGetir", "sirano:I _idsi:T"},
    };
}

Param kindFromLetter(char c, const std::string& op)
{
    switch (c) {
    case 'T': return Param::Text;
    case 'I': return Param::Integer;
    case 'D': return Param::Double;
    case 'R': return Param::Record;
    }
    throw std::logic_error("bad parameter kind in the signature of " + op);
}

Operation parseSignature(const Signature& s)
{
    Operation op;
    op.name = s.name;
    std::string_view rest = s.signature;
    while (!rest.empty()) {
        const auto end = rest.find(' ');
        const std::string_view word = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const auto colon = word.find(':');
        if (word.empty() || colon == std::string_view::npos || colon + 2 != word.size())
            throw std::logic_error("bad parameter word in the signature of " + op.name);
        op.paramNames.emplace_back(word.substr(0, colon));
        op.params.push_back(kindFromLetter(word.back(), op.name));
    }
    return op;
}

bool hasKind(const rapidjson::Value& v, Param p)
{
    switch (p) {
    case Param::Text: return v.IsString();
    case Param::Integer: return v.IsInt();
    case Param::Double: return v.IsNumber();
    case Param::Record: return v.IsObject() || v.IsNull();
    }
    return false;
}

QString jsonKindName(const rapidjson::Value& v)
{
    if (v.IsInt())
        return QStringLiteral("tamsayı");
    if (v.IsInt64() || v.IsUint64())
        return QStringLiteral("32 bit dışında tamsayı");
    if (v.IsNumber())
        return QStringLiteral("ondalıklı sayı");
    if (v.IsString())
        return QStringLiteral("metin");
    if (v.IsBool())
        return QStringLiteral("mantıksal değer");
    if (v.IsNull())
        return QStringLiteral("null");
    if (v.IsArray())
        return QStringLiteral("dizi");
    return QStringLiteral("nesne");
}

// A body with nothing in it stands for a call without inputs.
bool isBlank(std::string_view body)
{
    return body.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

Dispatcher::Answer failure(int status, const QString& text) { return {status, wire::errorBody(text)}; }

// Checks the inputs against the signature; returns an empty text when they fit.
QString checkInputs(const Operation& op, const wire::MessageReader& in)
{
    const QString name = QString::fromStdString(op.name);
    if (in.size() != int(op.params.size()))
        return QStringLiteral("%1: %2 parametre bekleniyordu, %3 geldi").arg(name).arg(op.params.size()).arg(in.size());
    for (int i = 0; i < in.size(); ++i) {
        const auto& v = in.at(i);
        if (!hasKind(v, op.params[size_t(i)]))
            return QStringLiteral("%1: %2 (%3) için %4 bekleniyordu, %5 geldi")
                .arg(name, wire::describePosition(i), QString::fromStdString(op.paramNames[size_t(i)]),
                     QString::fromUtf8(paramKindName(op.params[size_t(i)])), jsonKindName(v));
    }
    return {};
}

} // namespace

const char* paramKindName(Param p)
{
    switch (p) {
    case Param::Text: return "metin";
    case Param::Integer: return "32 bit tamsayı";
    case Param::Double: return "sayı";
    case Param::Record: return "kayıt (nesne ya da null)";
    }
    return "?";
}

Dispatcher::Dispatcher()
{
    for (const auto& s : signatures()) {
        Operation op = parseSignature(s);
        const std::string name = op.name;
        if (!ops_.emplace(name, std::move(op)).second)
            throw std::logic_error("operation listed twice: " + name);
    }
}

void Dispatcher::handle(const std::string& op, Handler h)
{
    auto it = ops_.find(op);
    if (it == ops_.end())
        throw std::logic_error("handler for an operation outside the table: " + op);
    it->second.handler = std::move(h);
}

const Operation* Dispatcher::find(const std::string& op) const
{
    auto it = ops_.find(op);
    return it == ops_.end() ? nullptr : &it->second;
}

Dispatcher::Answer Dispatcher::dispatch(const std::string& op, std::string_view body, store::Store& store) const
{
    const QString name = QString::fromUtf8(op.data(), qsizetype(op.size()));
    const Operation* operation = find(op);
    if (!operation)
        return failure(400, QStringLiteral("Bilinmeyen işlem: ") + name);
    try {
        const auto in = wire::MessageReader::parse(isBlank(body) ? std::string_view(R"({"_parameters":[]})") : body,
                                                   "_parameters");
        if (const QString problem = checkInputs(*operation, in); !problem.isEmpty())
            return failure(400, problem);
        if (!operation->handler)
            return failure(501, name + QStringLiteral(": not implemented (bu işlem henüz sunucuda yok)"));
        wire::MessageWriter out("result");
        Call call{in, out, store};
        try {
            operation->handler(call);
            return {200, out.finish()};
        } catch (const CallError& e) {
            // A status outside the error range would read as success on the client.
            return failure(e.status >= 400 && e.status <= 599 ? e.status : 500, e.text);
        } catch (const store::StoreError& e) {
            return failure(500, name + QStringLiteral(": veritabanı hatası: ") + QString::fromUtf8(e.what()));
        } catch (const wire::WireError& e) {
            return failure(500, name + QStringLiteral(": ") + e.text());
        } catch (const std::exception& e) {
            return failure(500, name + QStringLiteral(": sunucu hatası: ") + QString::fromUtf8(e.what()));
        } catch (...) {
            return failure(500, name + QStringLiteral(": bilinmeyen sunucu hatası"));
        }
    } catch (const wire::WireError& e) {
        // Only the envelope reaches here: the handler's own errors are caught above.
        return failure(400, name + QStringLiteral(": ") + e.text());
    } catch (const std::exception& e) {
        return failure(500, name + QStringLiteral(": sunucu hatası: ") + QString::fromUtf8(e.what()));
    }
}

} // namespace srv
