// Demo data: a small wholesaler generated from a fixed seed, and the binding of workstations to it.
#include "demo.h"
#include "auth/password.h"

#include "media.h"
#include "random.h"
#include "store/amounts.h"
#include "store/catalogue.h"
#include "store/store.h"
#include "words.h"

#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <array>
#include <map>
#include <tuple>
#include <vector>

namespace demo {

namespace {

using store::round2;

QString u8(const char* s) { return QString::fromUtf8(s); }

// Plain upper-case letters of a Turkish word, for user names, codes and mail addresses.
QString ascii(const QString& s)
{
    QString out;
    for (QChar c : store::searchKey(s))
        if (c.isLetterOrNumber() && c.unicode() < 128)
            out += c;
    return out;
}

double cents(qint64 c) { return double(c) / 100.0; }

// One prepared INSERT reused for every row of a table.
class Insert {
public:
    Insert(const QSqlDatabase& db, const char* table, std::initializer_list<const char*> columns)
        : count_(int(columns.size()))
    {
        QStringList names, marks;
        for (const char* c : columns) {
            names << QString::fromLatin1(c);
            marks << QStringLiteral("?");
        }
        q_ = store::prepare(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(QString::fromLatin1(table), names.join(QStringLiteral(", ")),
                                         marks.join(QStringLiteral(", "))));
    }
    void operator()(std::initializer_list<QVariant> values)
    {
        if (int(values.size()) != count_)
            throw store::StoreError(QStringLiteral("Demo verisi: sütun ve değer sayısı tutmuyor [%1]").arg(q_.lastQuery()));
        int i = 0;
        for (const QVariant& v : values) {
            // Texts of the schema are never NULL; a null QString would bind as NULL.
            if (v.typeId() == QMetaType::QString && v.toString().isNull())
                q_.bindValue(i++, QStringLiteral(""));
            else
                q_.bindValue(i++, v);
        }
        store::exec(q_);
    }

private:
    QSqlQuery q_;
    int count_;
};

struct Item {
    int no;
    QString barkod, adi, group;
    double price;  // list price
    double list2;  // price on the dealers' special list
    double kdv;
    int k;         // campaign flag
    double kamp;   // campaign price
};

struct User {
    int no;
    QString name;
};

struct Dealer {
    int carino;
    QString name;
    int rep;         // SATICINO
    int list;        // LISTENO
    int vade;        // payment term in days
    std::array<double, 4> rates;
    std::map<QString, std::array<double, 4>> groupRates;
    User user;       // the dealer's main user
};

struct Rep {
    int no;
    QString name;
    User user;
};

// One line as priced for a dealer.
struct Line {
    const Item* item;
    double qty;
    double price;
    std::array<double, 4> rates;
    store::LineAmounts a;
};

// A statement row and the documents behind it, collected per dealer and numbered in date order.
struct Movement {
    QDateTime when;
    int dealer;
    QString kind;       // TURADI
    double borc = 0, alacak = 0;
    QString note;
    // invoice
    int order = 0;      // SIPARIS.IDNO
    bool iade = false;
    std::vector<std::pair<Line, int>> lines; // with SIPARISSATIR.SIRANO
    // collection or payment: entries of (kind of payment, amount, due date)
    std::vector<std::tuple<QString, double, QDate>> entries;
    bool card = false;
};

class Filler {
public:
    Filler(QSqlDatabase& db, const Options& o)
        : db_(db), o_(o), today_(o.today.isValid() ? o.today : QDate::currentDate()), rng_(o.seed)
    {
    }

    void run()
    {
        const int s = o_.size;
        codeTables();
        catalogue(o_.products > 0 ? o_.products : 160 * s + 40);
        representatives(2 + s);
        dealers(10 * s);
        baskets();
        orders();
        statements();
        promotions();
    }

private:
    // Several draws in one expression are taken one statement at a time: the order in which a
    // function's arguments are evaluated is up to the compiler, and the data must not depend on it.
    QDateTime at(int daysBack, Random& r) const
    {
        const int h = r.between(8, 18);
        const int m = r.below(60);
        const int s = r.below(60);
        return QDateTime(today_.addDays(-daysBack), QTime(h, m, s));
    }
    static QString person(Random& r)
    {
        const QString first = u8(r.pick(words::firstNames));
        return first + u' ' + u8(r.pick(words::lastNames));
    }
    static QString digits(Random& r, int n)
    {
        QString s;
        for (int i = 0; i < n; ++i)
            s += QChar(u'0' + r.below(10));
        return s;
    }
    static QString identity(Random& r)
    {
        static const char symbols[] = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ";
        QString s = QStringLiteral("S");
        for (int i = 0; i < 13; ++i)
            s += QLatin1Char(symbols[r.below(int(sizeof symbols) - 1)]);
        return s;
    }
    // Groups of random digits joined by a separator, e.g. "0216 345 12 34" or "1234 567 890".
    static QString groups(Random& r, std::initializer_list<int> sizes, const QString& prefix = QString())
    {
        QString s = prefix;
        for (int n : sizes) {
            if (!s.isEmpty())
                s += u' ';
            s += digits(r, n);
        }
        return s;
    }
    static QString phone(Random& r, const QString& area) { return groups(r, {3, 2, 2}, u'0' + area); }

    void codeTables()
    {
        QSqlQuery v = store::prepare(db_, QStringLiteral("UPDATE AYAR SET DEGER = ? WHERE ANAHTAR = 'SURUM'"));
        v.addBindValue(QString::number(o_.version));
        store::exec(v);

        Insert kur(db_, "KUR", {"KUR", "ADI", "KURTL"});
        kur({QStringLiteral("USD"), u8("Amerikan Doları"), 32.45});
        kur({QStringLiteral("EUR"), QStringLiteral("Euro"), 35.18});

        Insert teslim(db_, "TESLIMCINSI", {"TESLIMNO", "ADI", "SIRA"});
        teslim({1, u8("Depodan Teslim"), 1});
        teslim({2, u8("Kargo ile Gönderim"), 2});
        teslim({3, u8("Servis Aracı ile"), 3});

        Insert tur(db_, "KARGOTURU", {"KARGOTURNO", "ADI", "SIRA"});
        tur({1, u8("Anlaşmalı Kargo"), 1});
        tur({2, u8("Alıcı Ödemeli"), 2});
        tur({3, u8("Ambar"), 3});

        Insert firma(db_, "KARGOFIRMA", {"SIRANO", "KARGOTURNO", "ADI", "UYARI", "SIRA"});
        firma({1, 1, u8("Hızır Kargo"), u8("Saat 16:00'dan sonraki siparişler ertesi gün kargoya verilir."), 1});
        firma({2, 1, u8("Martı Ekspres"), u8("Anlaşmalı fiyat; 30 desiye kadar ücretsiz."), 2});
        firma({3, 1, u8("Karayel Lojistik"), QString(), 3});
        firma({4, 2, u8("Hızır Kargo"), u8("Kargo ücreti teslimde alıcıdan alınır."), 1});
        firma({5, 2, u8("Martı Ekspres"), u8("Kargo ücreti teslimde alıcıdan alınır."), 2});
        firma({6, 3, u8("Anadolu Ambarı"), u8("Ambar teslimleri Salı ve Cuma günleri yapılır."), 1});
        kargoFirmalari_ = {{1, {1, 2, 3}}, {2, {4, 5}}, {3, {6}}};
    }

    void catalogue(int count)
    {
        Random r = rng_.fork(1);
        Random pictures = rng_.fork(2);
        Insert lists(db_, "FIYATLISTE", {"LISTENO", "ADI", "KUR"});
        lists({1, u8("Genel Fiyat Listesi"), QStringLiteral("TL")});
        lists({2, u8("Bayi Özel Fiyat Listesi"), QStringLiteral("TL")});

        Insert stok(db_, "STOK",
                    {"STOK_STOKNO", "KOD", "BARKOD", "BARKOD_BARKODNO", "ADI", "DIGERADI", "OEM1", "OEM2", "OEM3",
                     "OEM4", "OEMNO", "URETICI", "URETICIKODU", "FINISHKOD", "MARKA", "MODEL", "DEPARTMAN",
                     "ANAGRUP", "ALTGRUP", "OZELKOD", "DPKOD", "PKOD", "BIRIM", "KDV", "LISTEFIYAT1", "KUR", "K",
                     "KAMPFIYAT", "Y", "RESIM", "DURUM", "DEPO2", "KALAN", "ALINANSIPARIS", "VERILENSIPARIS",
                     "ARAMA"});
        Insert resim(db_, "STOKRESIM", {"STOK_STOKNO", "TUR", "RESIM"});
        Insert fiyat(db_, "FIYATLISTESATIR", {"LISTENO", "STOK_STOKNO", "FIYAT"});

        const int kinds = int(std::size(words::parts));
        constexpr int kOwnPictureProducts = 20000;
        constexpr std::size_t kDistinctPictures = 400;
        std::vector<QByteArray> pictureSet;
        std::size_t pictured = 0;
        for (int i = 0; i < count; ++i) {
            const words::PartKind& kind = words::parts[i % kinds];
            const QString maker = u8(r.pick(words::makers));
            const words::Vehicle& v = r.pick(words::vehicles);
            const QString family = u8(r.pick(v.models));
            const QString model = family + u' ' + u8(r.pick(words::engines));
            const QString adi = u8(kind.name);
            const QString barkod = ascii(maker).left(3) + u'-' + QLatin1String(kind.code) + digits(r, 5);
            const auto oem = [&] { return groups(r, {4, 3, 3}); };
            const QString oem1 = oem();
            const QString oem2 = r.percent(50) ? oem() : QString();
            const QString oem3 = r.percent(25) ? oem() : QString();
            const QString oem4 = r.percent(10) ? oem() : QString();
            const QString uretici = groups(r, {3, 3, 3}, QStringLiteral("0"));
            const bool set = adi.contains(QLatin1String("Seti")) || adi.contains(u8("Takımı"));
            const bool light = model.contains(QLatin1String("Van")) || model.contains(QLatin1String("Pikap")) ||
                               model.contains(u8("Minibüs"));

            const qint64 lira = r.between(kind.low, kind.high);
            const qint64 priceCents = lira * 100 - (r.percent(50) ? 10 : 0);
            Item it;
            it.no = 1001 + i;
            it.barkod = barkod;
            it.adi = adi;
            it.group = u8(kind.group);
            it.price = cents(priceCents);
            it.list2 = cents(priceCents * 95 / 100);
            it.kdv = 20;
            it.k = r.percent(12) ? 1 : 0;
            it.kamp = it.k ? cents(priceCents * r.between(80, 92) / 100) : 0;
            const int y = r.percent(10) ? 1 : 0;
            // Past the first 20,000 products only one in ten of those drawn keeps its picture, so that a
            // 200,000-product catalogue stays a database of reasonable size.
            const int picture = r.percent(60) && (i < kOwnPictureProducts || i % 10 == 0) ? 1 : 0;
            const int roll = r.below(100);
            const int durum = roll < 55 ? 1 : roll < 65 ? 0 : roll < 75 ? 2 : roll < 85 ? 3 : roll < 90 ? 4 : 5;
            const double kalan = durum == 1 ? r.between(5, 250) : durum == 2 ? r.between(1, 4) : 0;
            const double verilen = (durum == 3 || durum == 5) ? r.between(10, 100) : 0;
            const QString compact = [&] {
                QString c;
                for (const QString& o : {oem1, oem2, oem3, oem4, uretici, barkod})
                    c += QString(o).remove(u' ').remove(u'-') + u' ';
                return c;
            }();
            const QString arama = store::searchKey(QStringList{barkod, adi, maker, oem1, oem2, oem3, oem4, uretici,
                                                               u8(v.make), model, compact}
                                                       .join(u' '));
            stok({it.no, QStringLiteral("%1%2").arg(QLatin1String(kind.code)).arg(i + 1, 5, 10, QLatin1Char('0')),
                  barkod, 8690000 + i, adi, QString(adi + u' ' + maker), oem1, oem2, oem3, oem4, QString(oem1).remove(u' '),
                  maker, uretici, QStringLiteral("F%1").arg(digits(r, 6)), u8(v.make), model,
                  light ? u8("HAFİF TİCARİ") : u8("BİNEK"), it.group, u8(kind.sub),
                  u8(r.pick<const char*>({"YERLİ", "İTHAL", "OEM"})), QStringLiteral("D%1").arg(r.between(10, 40)),
                  QStringLiteral("P%1").arg(r.between(10, 99)), set ? u8("TAKIM") : u8("ADET"), it.kdv, it.price,
                  QStringLiteral("TL"), it.k, it.kamp, y, picture, durum, r.percent(40) ? u8("VAR") : u8("YOK"),
                  kalan, 0.0, verilen, arama});
            fiyat({1, it.no, it.price});
            fiyat({2, it.no, it.list2});
            if (picture) {
                // A few hundred distinct pictures, then the same ones again: drawing a picture is the
                // slowest step of a large catalogue.
                if (pictureSet.size() < kDistinctPictures)
                    pictureSet.push_back(media::productPicture(pictures, 320, 240));
                resim({it.no, QStringLiteral("jpeg"), pictureSet[pictured++ % pictureSet.size()]});
            }
            items_.push_back(it);
        }
        store::catalogue::reindex(db_);
    }

    void representatives(int count)
    {
        Random r = rng_.fork(3);
        Insert satici(db_, "SATICI", {"SATICINO", "ADI", "TELEFON", "EMAIL"});
        for (int i = 0; i < count; ++i) {
            QString first, last;
            do { // no two representatives share a first name while the list lasts
                first = u8(r.pick(words::firstNames));
                last = u8(r.pick(words::lastNames));
            } while (i < int(std::size(words::firstNames)) &&
                     std::any_of(reps_.begin(), reps_.end(), [&](const Rep& o) { return o.name.startsWith(QString(first + u' ')); }));
            Rep rep;
            rep.no = i + 1;
            rep.name = first + u' ' + last;
            satici({rep.no, rep.name, phone(r, QStringLiteral("532")),
                    QString(ascii(first).toLower() + u'.' + ascii(last).toLower() + QStringLiteral("@tezval.example"))});
            reps_.push_back(rep);
        }
    }

    void dealers(int count)
    {
        Random r = rng_.fork(4);
        Insert cari(db_, "CARI",
                    {"CARINO", "CARIKOD", "CARIADI", "YETKILI", "ADRES1", "ADRES2", "ILCE", "IL", "VERGIDAIRESI",
                     "VERGINO", "TEL1", "TEL2", "GSM", "FAX1", "EMAIL", "OZELKOD", "KOD1", "ANAGRUP", "ALTGRUP",
                     "SATICINO", "LISTENO", "VADE", "VADEKONTROLGUN"});
        Insert indirim(db_, "CARIINDIRIM", {"CARINO", "ANAGRUP", "IND1", "IND2", "IND3", "IND4"});
        Insert kullanici(db_, "KULLANICI",
                         {"SIRANO", "CARINO", "KULLANICIADI", "SIFRE", "AKTIF", "EMAIL", "MUSTERITIPI", "SATICINO"});
        Insert bilgisayar(db_, "BILGISAYAR", {"BILGISAYARID", "KULLANICINO", "ADI", "KAYITTARIHI"});

        const int nWords = int(std::size(words::dealerWords)), nTrades = int(std::size(words::trades));
        int userNo = 0;
        QSet<QString> taken;
        const auto addUser = [&](int carino, const QString& wanted, int active, const QString& mail, int type,
                                 QVariant rep) {
            // User names are unique; two representatives with the same initial and surname (from
            // about thirty dealers on) get a number after the second one's name.
            QString name = wanted;
            for (int n = 2; taken.contains(name); ++n)
                name = wanted + QString::number(n);
            taken.insert(name);
            const User u{++userNo, name};
            kullanici({u.no, carino, name, auth::hashPassword(password(o_.seed, u.no)), active, mail, type, rep});
            bilgisayar({identity(r), u.no, QStringLiteral("PC-%1").arg(u.no, 3, 10, QLatin1Char('0')),
                        store::timeText(at(r.between(120, 400), r))});
            return u;
        };

        for (int d = 0; d < count; ++d) {
            const words::City& city = words::cities[d % int(std::size(words::cities))];
            const QString word = u8(words::dealerWords[d % nWords]);
            // Word and trade step together; their pairs repeat only after nWords × nTrades dealers.
            QString name = word + u' ' + u8(words::trades[d % nTrades]);
            if (d >= nWords * nTrades)
                name += QStringLiteral(" %1").arg(d / (nWords * nTrades) + 1);
            const QString slug = ascii(word).toLower();
            const QString area = QString::fromLatin1(city.area);
            const QString street = u8(r.pick(words::streets));
            Dealer dl;
            dl.carino = 1501 + d;
            dl.name = name;
            dl.rep = reps_[d % reps_.size()].no;
            dl.list = r.percent(30) ? 2 : 1;
            dl.vade = r.pick({30, 45, 60, 90});
            dl.rates = {double(r.between(1, 5) * 5), r.pick({0.0, 3.0, 5.0}), r.pick({0.0, 0.0, 2.0}),
                        r.percent(10) ? 1.0 : 0.0};
            cari({dl.carino, QStringLiteral("120.01.%1").arg(d + 1, 3, 10, QLatin1Char('0')), name, person(r),
                  QString(street + QStringLiteral(" No: %1").arg(r.between(1, 180))),
                  r.percent(50) ? QStringLiteral("%1. Blok Kat %2").arg(r.between(1, 12)).arg(r.between(1, 4)) : QString(),
                  u8(city.district), u8(city.city), QString(u8(city.district) + QStringLiteral(" V.D.")), digits(r, 10),
                  phone(r, area), r.percent(50) ? phone(r, area) : QString(), phone(r, QStringLiteral("53%1").arg(r.below(10))),
                  r.percent(60) ? phone(r, area) : QString(), QStringLiteral("info@%1-oto.example").arg(slug),
                  u8("BAYİ"), QString(QChar(char16_t(u'A' + r.below(3))) + u8(" SINIFI")), u8(city.region), u8(city.city),
                  dl.rep, dl.list, dl.vade, r.pick({0, 7, 15})});
            indirim({dl.carino, QString(), dl.rates[0], dl.rates[1], dl.rates[2], dl.rates[3]});
            if (r.percent(40)) {
                const QString g = u8(r.pick(words::parts).group);
                const std::array<double, 4> gr{dl.rates[0] + 5, dl.rates[1], dl.rates[2], dl.rates[3]};
                indirim({dl.carino, g, gr[0], gr[1], gr[2], gr[3]});
                dl.groupRates[g] = gr;
            }
            const QString user = ascii(word) + QStringLiteral("%1").arg(d + 1, 2, 10, QLatin1Char('0'));
            dl.user = addUser(dl.carino, user, 1, QStringLiteral("satinalma@%1-oto.example").arg(slug),
                              r.percent(30) ? 4 : 3, QVariant());
            if (r.percent(25)) // a second, storeroom user; some of them no longer active
                addUser(dl.carino, user + u'D', r.percent(50) ? 1 : 0, QStringLiteral("depo@%1-oto.example").arg(slug),
                        3, QVariant());
            dealers_.push_back(dl);
        }
        // Each representative signs in on the account of his first dealer and then picks a dealer.
        for (std::size_t i = 0; i < reps_.size(); ++i) {
            Rep& rep = reps_[i];
            const QStringList parts = rep.name.split(u' ');
            const QString user = ascii(parts.first()).left(1) + ascii(parts.last());
            rep.user = addUser(dealers_[i].carino, user, 1, QStringLiteral("%1@tezval.example").arg(user.toLower()),
                               i == 0 ? 2 : 1, rep.no);
        }
    }

    const std::array<double, 4>& ratesOf(const Dealer& d, const Item& it) const
    {
        auto g = d.groupRates.find(it.group);
        return g != d.groupRates.end() ? g->second : d.rates;
    }
    // A line at the dealer's price: campaign products at their campaign price without dealer discounts.
    Line price(const Dealer& d, const Item& it, double qty) const
    {
        Line l{&it, qty, it.k ? it.kamp : d.list == 2 ? it.list2 : it.price, {0, 0, 0, 0}, {}};
        if (!it.k)
            l.rates = ratesOf(d, it);
        l.a = store::lineAmounts(l.price, qty, {l.rates[0], l.rates[1], l.rates[2], l.rates[3]}, it.kdv);
        return l;
    }
    // Dealers order cheap parts by the dozen and expensive ones one or two at a time.
    static double quantity(Random& r, const Item& it)
    {
        return it.price < 500 ? r.between(2, 20) : it.price < 2000 ? r.between(1, 8) : r.between(1, 3);
    }
    std::vector<const Item*> distinctItems(Random& r, int n) const
    {
        std::vector<const Item*> out;
        while (int(out.size()) < n) {
            const Item* it = &items_[r.below(int(items_.size()))];
            if (std::find(out.begin(), out.end(), it) == out.end())
                out.push_back(it);
        }
        return out;
    }

    void baskets()
    {
        Random r = rng_.fork(5);
        Insert sepet(db_, "SEPET",
                     {"CARINO", "STOKNO", "BARKOD", "STOKADI", "MIKTAR", "BIRIMFIYAT", "INDIRIMORANI1",
                      "INDIRIMORANI2", "INDIRIMORANI3", "INDIRIMORANI4", "KDV", "TUTAR", "INDIRIMTUTAR",
                      "NETBIRIMFIYAT", "NETTUTAR", "VERGITUTARI", "KDVLITUTAR", "K", "SEC", "VERENIDNO", "VEREN",
                      "VERILISTARIHI"});
        for (const Dealer& d : dealers_) {
            if (!r.percent(70))
                continue;
            for (const Item* it : distinctItems(r, r.between(1, 6))) {
                const Line l = price(d, *it, quantity(r, *it));
                const User& by = r.percent(15) ? reps_[(d.rep - 1) % reps_.size()].user : d.user;
                sepet({d.carino, it->no, it->barkod, it->adi, l.qty, l.price, l.rates[0], l.rates[1], l.rates[2],
                       l.rates[3], it->kdv, l.a.tutar, l.a.indirimTutar, l.a.netBirimFiyat, l.a.netTutar,
                       l.a.vergiTutari, l.a.kdvliTutar, it->k, r.percent(75) ? 1 : 0, by.no, by.name,
                       store::timeText(at(r.between(0, 6), r))});
            }
        }
    }

    void orders()
    {
        Random r = rng_.fork(6);
        struct Planned {
            QDateTime when;
            int dealer;
        };
        std::vector<Planned> plan;
        for (int d = 0; d < int(dealers_.size()); ++d)
            for (int n = r.between(3, 7); n > 0; --n)
                plan.push_back({at(r.percent(20) ? r.between(1, 6) : r.between(7, 120), r), d});
        std::sort(plan.begin(), plan.end(), [](const Planned& a, const Planned& b) {
            return std::tie(a.when, a.dealer) < std::tie(b.when, b.dealer);
        });

        Insert siparis(db_, "SIPARIS",
                       {"IDNO", "CARINO", "TARIH", "VERENIDNO", "VEREN", "TESLIMNO", "KARGOTURNO", "KARGOFIRMANO",
                        "DURUM", "VERENINNOTU", "ALANNOTU", "SATICINOTU", "TUTAR", "NETTUTAR", "VERGI"});
        Insert satir(db_, "SIPARISSATIR",
                     {"SIRANO", "IDNO", "SEPETSIRANO", "STOKNO", "BARKOD", "STOKADI", "MIKTAR", "TESLIMEDILEN",
                      "KALAN", "ILKFIYAT", "BIRIMFIYAT", "INDIRIMORANI1", "INDIRIMORANI2", "INDIRIMORANI3",
                      "INDIRIMORANI4", "KDV", "TUTAR", "INDIRIMTUTAR", "NETBIRIMFIYAT", "NETTUTAR", "VERGITUTARI",
                      "KDVLITUTAR", "K", "VERENIDNO", "VEREN", "VERILISTARIHI"});
        const char* dealerNotes[] = {"", "", "Acil gönderim rica ederiz.", "Faturayı şirket adına kesiniz.",
                                     "Eksik ürün varsa diğerlerini bekletmeden gönderin."};
        const char* ourNotes[] = {"", "Siparişiniz onaylandı.", "Eksik ürünler tedarik edilince gönderilecek."};
        const char* repNotes[] = {"", "", "Bayi ile telefonda görüşüldü."};

        int lineNo = 0, basketNo = 100000, recent = 0;
        for (std::size_t n = 0; n < plan.size(); ++n) {
            const Dealer& d = dealers_[plan[n].dealer];
            const int idno = int(n) + 1;
            const int age = int(plan[n].when.date().daysTo(today_));
            const int roll = r.below(100);
            // Old orders are shipped or partly prepared; recent ones go round the early states, so the
            // customer selection finds dealers in every state.
            const int durum = age > 30 ? (roll < 80 ? 6 : 4)
                            : age > 7  ? (roll < 40 ? 6 : roll < 70 ? 5 : 4)
                                       : 1 + recent++ % 3;
            const int teslim = r.percent(70) ? 2 : r.percent(50) ? 1 : 3;
            const int tur = 1 + r.below(3);
            const std::vector<int>& firms = kargoFirmalari_.at(tur);
            const User& by = r.percent(20) ? reps_[(d.rep - 1) % reps_.size()].user : d.user;

            struct Ordered {
                Line l;
                double teslimEdilen, kalan;
                int no;
            };
            std::vector<Ordered> lines;
            double tutar = 0, net = 0, vergi = 0;
            std::vector<std::pair<Line, int>> delivered;
            for (const Item* it : distinctItems(r, r.between(2, 8))) {
                const Line l = price(d, *it, quantity(r, *it));
                double teslimEdilen = 0, kalan = l.qty;
                if (durum == 6) {
                    teslimEdilen = r.percent(80) ? l.qty : r.between(0, int(l.qty) - 1);
                    kalan = r.percent(5) ? 0 : l.qty - teslimEdilen; // now and then a balance is cancelled
                } else if (durum == 4 && r.percent(60)) {
                    teslimEdilen = r.between(0, int(l.qty));
                    kalan = l.qty - teslimEdilen;
                }
                lines.push_back({l, teslimEdilen, kalan, ++lineNo});
                tutar += l.a.tutar;
                net += l.a.netTutar;
                vergi += l.a.vergiTutari;
                if (teslimEdilen > 0)
                    delivered.push_back({price(d, *it, teslimEdilen), lineNo});
                openBalance_[it->no] += kalan;
            }
            siparis({idno, d.carino, store::timeText(plan[n].when), by.no, by.name, teslim, tur,
                     firms[r.below(int(firms.size()))], durum, u8(r.pick(dealerNotes)),
                     durum > 1 ? u8(r.pick(ourNotes)) : QString(), u8(r.pick(repNotes)), round2(tutar), round2(net),
                     round2(vergi)});
            for (const Ordered& o : lines) {
                const Line& l = o.l;
                const Item* it = l.item;
                satir({o.no, idno, ++basketNo, it->no, it->barkod, it->adi, l.qty, o.teslimEdilen, o.kalan, l.price,
                       l.price, l.rates[0], l.rates[1], l.rates[2], l.rates[3], it->kdv, l.a.tutar, l.a.indirimTutar,
                       l.a.netBirimFiyat, l.a.netTutar, l.a.vergiTutari, l.a.kdvliTutar, it->k, by.no, by.name,
                       store::timeText(plan[n].when)});
            }
            if (!delivered.empty()) {
                Movement m;
                const QDate day = plan[n].when.date().addDays(r.between(1, 3));
                m.when = std::min(QDateTime(day, QTime(r.between(9, 17), 0)), QDateTime(today_, QTime(9, 0)));
                m.dealer = plan[n].dealer;
                m.kind = u8("Satış Faturası");
                m.order = idno;
                m.lines = std::move(delivered);
                movements_.push_back(std::move(m));
            }
        }
        QSqlQuery alinan = store::prepare(db_, QStringLiteral("UPDATE STOK SET ALINANSIPARIS = ? WHERE STOK_STOKNO = ?"));
        for (const auto& [no, open] : openBalance_) {
            alinan.bindValue(0, open);
            alinan.bindValue(1, no);
            store::exec(alinan);
        }
    }

    static double total(const Movement& m)
    {
        double t = 0;
        for (const auto& [l, _] : m.lines)
            t += l.a.kdvliTutar;
        return round2(t);
    }

    void statements()
    {
        Random r = rng_.fork(7);
        // Returns of part of a delivery, an opening balance, collections that follow the debts.
        const std::size_t invoices = movements_.size();
        for (std::size_t i = 0; i < invoices; ++i) {
            if (!r.percent(10))
                continue;
            const Movement& sale = movements_[i];
            const auto& [line, lineNo] = sale.lines[r.below(int(sale.lines.size()))];
            Movement m;
            m.when = std::min(sale.when.addDays(r.between(2, 10)), QDateTime(today_, QTime(10, 0)));
            m.dealer = sale.dealer;
            m.kind = u8("Satış İade Faturası");
            m.iade = true;
            m.lines.push_back({price(dealers_[sale.dealer], *line.item, 1), lineNo});
            movements_.push_back(std::move(m));
        }
        for (int d = 0; d < int(dealers_.size()); ++d) {
            Movement open;
            open.when = QDateTime(today_.addDays(-150), QTime(8, 0));
            open.dealer = d;
            open.kind = QStringLiteral("Devir");
            open.borc = r.between(0, 20000);
            open.note = u8("Önceki dönemden devir");
            movements_.push_back(open);
        }
        for (Movement& m : movements_)
            if (!m.lines.empty())
                (m.iade ? m.alacak : m.borc) = total(m);

        // Collections: every few weeks the dealer pays part of what he owes by then.
        std::vector<Movement> paid;
        for (int d = 0; d < int(dealers_.size()); ++d) {
            for (int back = 140 - r.below(10); back > 0; back -= r.between(15, 30)) {
                const QDateTime when = at(back, r);
                double owed = 0;
                for (const Movement& m : movements_)
                    if (m.dealer == d && m.when < when)
                        owed += m.borc - m.alacak;
                for (const Movement& m : paid)
                    if (m.dealer == d)
                        owed += m.borc - m.alacak;
                if (owed < 100)
                    continue;
                Movement c;
                c.when = when;
                c.dealer = d;
                c.kind = QStringLiteral("Tahsilat");
                c.alacak = round2(double(qint64(owed * r.between(50, 100) / 100 / 10) * 10));
                if (c.alacak <= 0)
                    continue;
                const int how = r.below(4);
                if (how == 3 && c.alacak > 2000) { // two cheques
                    const double first = round2(double(qint64(c.alacak / 2)));
                    c.entries.push_back({u8("Çek"), first, when.date().addDays(30)});
                    c.entries.push_back({u8("Çek"), round2(c.alacak - first), when.date().addDays(60)});
                } else {
                    const char* kinds[] = {"Nakit", "Havale/EFT", "Kredi Kartı", "Havale/EFT"};
                    c.entries.push_back({u8(kinds[how]), c.alacak, when.date()});
                    c.card = how == 2;
                }
                paid.push_back(std::move(c));
            }
            if (r.percent(15)) { // the wholesaler pays back a credit now and then
                Movement t;
                t.when = at(r.between(5, 60), r);
                t.dealer = d;
                t.kind = QStringLiteral("Tediye");
                t.borc = r.between(2, 20) * 50;
                t.entries.push_back({u8("Havale/EFT"), t.borc, t.when.date()});
                paid.push_back(std::move(t));
            }
        }
        for (Movement& m : paid)
            movements_.push_back(std::move(m));
        std::stable_sort(movements_.begin(), movements_.end(), [](const Movement& a, const Movement& b) {
            return std::tie(a.when, a.dealer) < std::tie(b.when, b.dealer);
        });
        writeStatements(r);
    }

    void writeStatements(Random& r)
    {
        Insert hareket(db_, "CARIHAREKET", {"IDNO", "CARINO", "TARIH", "TURADI", "EVRAK", "BORC", "ALACAK", "VADE", "ACIKLAMA"});
        Insert fatura(db_, "FATURA",
                      {"IDNO", "CARINO", "EVRAKNO", "BELGENO", "TARIH", "SAAT", "EVRAKCINSI", "SATICINO", "VADE",
                       "IRSALIYEEVRAKNO", "IRSALIYETARIHI", "IRSALIYETIP2", "SIPARISIDNO", "TOPLAM", "TOPLAMINDIRIM",
                       "MATRAH", "KDVTUTAR", "KDVDAHIL"});
        Insert stokhar(db_, "STOKHAR",
                       {"FATURAIDNO", "STOKHAR_CARINO", "STOKHAR_STOKNO", "STOKHAR_HAREKETTARIHI", "STOKHAR_SAAT",
                        "STOKHAR_HAREKETTIPI", "STOKHAR_MIKTAR", "STOKHAR_TLBIRIMFIYATI", "STOKHAR_TLTUTAR",
                        "STOKHAR_INDIRIM1", "STOKHAR_INDIRIM2", "STOKHAR_INDIRIM3", "STOKHAR_INDIRIM4",
                        "STOKHAR_TOPLAMINDIRIM", "STOKHAR_NETTLBIRIMFIYATI", "STOKHAR_NETTLTUTAR", "STOKHAR_KDV",
                        "STOKHAR_TLVERGI", "STOKHAR_VADE", "SIPARISSATIRNO"});
        Insert sanalpos(db_, "SANALPOS", {"SIRANO", "CARINO", "TARIH", "TUTAR", "KARTNO", "ONAYKODU", "DEKONT"});
        Insert tahsilat(db_, "TAHSILAT",
                        {"IDNO", "TARIH", "SAAT", "TURU", "CINS", "VADE", "TUTAR", "ACIKLAMA", "EVRAKNO", "REF", "SANALPOSNO"});

        int invoiceNo = 0, receiptNo = 0, cardNo = 0;
        for (std::size_t n = 0; n < movements_.size(); ++n) {
            const Movement& m = movements_[n];
            const Dealer& d = dealers_[m.dealer];
            const int idno = int(n) + 1;
            const QString date = store::dateText(m.when.date());
            const QString time = m.when.time().toString(QStringLiteral("HH:mm"));
            QString evrak;
            if (!m.lines.empty()) {
                evrak = QStringLiteral("TZV%1%2").arg(m.when.date().year()).arg(++invoiceNo, 6, 10, QLatin1Char('0'));
                double toplam = 0, indirim = 0, matrah = 0, kdv = 0;
                for (const auto& [l, lineNo] : m.lines) {
                    toplam += l.a.tutar;
                    indirim += l.a.indirimTutar;
                    matrah += l.a.netTutar;
                    kdv += l.a.vergiTutari;
                }
                hareket({idno, d.carino, date, m.kind, evrak, m.borc, m.alacak,
                         m.iade ? QString() : store::dateText(m.when.date().addDays(d.vade)), QString()});
                fatura({idno, d.carino, evrak, QStringLiteral("E%1").arg(digits(r, 8)), date, time,
                        m.iade ? u8("Satış İade Faturası") : u8("Toptan Satış Faturası"), d.rep, d.vade,
                        QStringLiteral("IRS%1").arg(invoiceNo, 6, 10, QLatin1Char('0')), date,
                        m.iade ? u8("İade İrsaliyesi") : u8("Satış İrsaliyesi"), m.order ? QVariant(m.order) : QVariant(),
                        round2(toplam), round2(indirim), round2(matrah), round2(kdv), round2(matrah + kdv)});
                for (const auto& [l, lineNo] : m.lines)
                    stokhar({idno, d.carino, l.item->no, date, time, m.iade ? u8("İade") : u8("Satış"), l.qty,
                             l.price, l.a.tutar, l.rates[0], l.rates[1], l.rates[2], l.rates[3], l.a.indirimTutar,
                             l.a.netBirimFiyat, l.a.netTutar, l.item->kdv, l.a.vergiTutari, d.vade, lineNo});
                continue;
            }
            if (m.entries.empty()) { // opening balance
                hareket({idno, d.carino, date, m.kind, QString(), m.borc, m.alacak, date, m.note});
                continue;
            }
            evrak = QStringLiteral("MKB%1").arg(++receiptNo, 6, 10, QLatin1Char('0'));
            hareket({idno, d.carino, date, m.kind, evrak, m.borc, m.alacak, QString(),
                     m.card ? u8("Sanal pos ile ödeme") : QString()});
            QVariant pos;
            if (m.card) {
                pos = ++cardNo;
                const QString first = digits(r, 3);
                const QString card = QStringLiteral("5%1 **** **** %2").arg(first, digits(r, 4));
                const QString approval = digits(r, 6);
                const QByteArray pdf = media::textPdf(
                    u8("Sanal Pos Ödeme Dekontu"),
                    {u8("Tezval Otomotiv - çevrim içi kart ödemesi"), QString(),
                     u8("Cari: ") + d.name, u8("Tarih: ") + m.when.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                     u8("Kart: ") + card, u8("Onay kodu: ") + approval,
                     u8("Tutar: ") + QString::number(m.alacak, 'f', 2) + u8(" TL"), QString(),
                     u8("Bu belge demo verisidir; gerçek bir ödeme içermez.")});
                sanalpos({pos, d.carino, store::timeText(m.when), m.alacak, card, approval, pdf});
            }
            for (const auto& [cins, amount, due] : m.entries)
                tahsilat({idno, date, time, m.kind, cins, store::dateText(due), amount,
                          cins == u8("Çek") ? u8("Müşteri çeki") : QString(), evrak, digits(r, 8), pos});
        }
    }

    void promotions()
    {
        Random r = rng_.fork(8);
        Insert duyuru(db_, "DUYURU", {"TUR", "BASLIK", "RESIM", "ARAMA", "SIRA"});
        const char* cards[][2] = {
            {"Fren grubunda kampanya", "#KAMPANYA#"},
            {"Yeni ürünler geldi", "#YENİ#"},
            {"Yağ filtrelerinde bayi fiyatı", "YAG FILTRESI"},
            {"Debriyaj setleri stokta", "DEBRIYAJ SETI"},
            {"Bayram tatili çalışma saatleri", ""},
            {"Ön fren balatalarında yeni seri", "FREN BALATASI ON"},
        };
        int sira = 0;
        for (const auto& c : cards)
            duyuru({1, u8(c[0]), media::posterPicture(r, 600, 400), u8(c[1]), ++sira});
        const char* ads[][2] = {
            {"Kampanyalı ürünleri kaçırmayın", "#KAMPANYA#"},
            {"Triger setlerinde yeni fiyatlar", "TRIGER SETI"},
            {"Bu ay eklenen ürünler", "#YENİ#"},
        };
        sira = 0;
        for (const auto& a : ads)
            duyuru({2, u8(a[0]), media::posterPicture(r, 600, 420), u8(a[1]), ++sira});

        Insert banner(db_, "BANNER", {"BANNERNO", "TUR", "RESIM"});
        banner({1, QStringLiteral("gif"), media::animatedGif(r, 409, 100, 6)});
        banner({2, QStringLiteral("gif"), media::animatedGif(r, 900, 60, 6)});
        banner({3, QStringLiteral("bmp"), media::bitmap(r, 1200, 40)});

        Insert yazi(db_, "KAYANYAZI", {"METIN", "SIRA"});
        yazi({u8("<b>Tezval Otomotiv</b> bayilerine duyurulur: <font color=\"#D20001\">fren grubunda %10 "
                 "kampanya</font> ay sonuna kadar sürüyor."), 1});
        yazi({u8("Saat 16:00'ya kadar verilen siparişler aynı gün kargoya teslim edilir."), 2});

        Insert istek(db_, "ISTEK",
                     {"TARIH", "TUR", "BILGISAYARID", "CARINO", "BASLIK", "FIRMAADI", "ILCE", "SEHIR", "TELEFON",
                      "YETKILI", "KULLANICIADI", "SIFRE", "MAIL", "KONU", "DURUM", "KULLANICINO"});
        const Dealer& d = dealers_.front();
        istek({store::timeText(at(3, r)), 1, QString(), d.carino, u8("Fatura adresi"), d.name, QString(), QString(),
               QString(), QString(), d.user.name, QString(), QString(), u8("Fatura adresimiz değişti, yenisini ileteceğiz."), 1,
               d.user.no});
        // The outbox keeps a requested password only as its hash.
        istek({store::timeText(at(1, r)), 2, QString(), d.carino, u8("Şifre Değiştirme İsteği"), d.name, QString(),
               QString(), QString(), QString(), d.user.name, auth::hashPassword(QStringLiteral("YENI2026")), QString(),
               QString(), 0, d.user.no});
    }

    QSqlDatabase& db_;
    Options o_;
    QDate today_;
    Random rng_;
    std::vector<Item> items_;
    std::vector<Rep> reps_;
    std::vector<Dealer> dealers_;
    std::map<int, std::vector<int>> kargoFirmalari_;
    std::map<int, double> openBalance_;
    std::vector<Movement> movements_;
};

bool hasDealers(const QSqlDatabase& db)
{
    QSqlQuery q = store::exec(db, QStringLiteral("SELECT COUNT(*) FROM CARI"));
    return q.next() && q.value(0).toInt() > 0;
}

} // namespace

bool fill(store::Store& s, const Options& o)
{
    if (o.size < 1)
        throw store::StoreError(QStringLiteral("Demo verisinin boyutu en az 1 olmalı (verilen: %1)").arg(o.size));
    s.migrate();
    return store::inTransaction(s, [&](QSqlDatabase& db) {
        if (hasDealers(db))
            return false;
        Filler(db, o).run();
        s.syncKeySequences(db);
        return true;
    });
}

int bindWorkstation(store::Store& s, const QString& identity, int carino)
{
    if (identity.trimmed().isEmpty())
        throw store::StoreError(QStringLiteral("Bilgisayar kimliği boş olamaz"));
    return store::inTransaction(s, [&](QSqlDatabase& db) {
        int account = carino;
        if (account == 0) {
            QSqlQuery q = store::exec(db, QStringLiteral(
                "SELECT MIN(c.CARINO) FROM CARI c WHERE c.AKTIF = 1 AND EXISTS (SELECT 1 FROM KULLANICI k "
                "WHERE k.CARINO = c.CARINO AND k.AKTIF = 1 AND k.MUSTERITIPI IN (3, 4))"));
            if (!q.next() || q.value(0).isNull())
                throw store::StoreError(QStringLiteral("Bilgisayarın bağlanacağı bir bayi yok"));
            account = q.value(0).toInt();
        }
        // The dealer's own active users first; a representative's account falls back to him.
        QSqlQuery u = store::prepare(db, QStringLiteral(
            "SELECT k.SIRANO FROM CARI c JOIN KULLANICI k ON k.CARINO = c.CARINO WHERE c.CARINO = ? "
            "ORDER BY CASE WHEN k.MUSTERITIPI IN (3, 4) THEN 0 ELSE 1 END, CASE WHEN k.AKTIF = 1 THEN 0 ELSE 1 END, "
            "k.SIRANO LIMIT 1"));
        u.addBindValue(account);
        store::exec(u);
        if (!u.next()) {
            QSqlQuery c = store::prepare(db, QStringLiteral("SELECT 1 FROM CARI WHERE CARINO = ?"));
            c.addBindValue(account);
            store::exec(c);
            throw store::StoreError(c.next() ? QStringLiteral("%1 numaralı carinin kullanıcısı yok").arg(account)
                                             : QStringLiteral("%1 numaralı cari yok").arg(account));
        }
        const int user = u.value(0).toInt();
        QSqlQuery del = store::prepare(db, QStringLiteral("DELETE FROM BILGISAYAR WHERE BILGISAYARID = ?"));
        del.addBindValue(identity);
        store::exec(del);
        QSqlQuery ins = store::prepare(db, QStringLiteral(
            "INSERT INTO BILGISAYAR (BILGISAYARID, KULLANICINO, ADI, KAYITTARIHI) VALUES (?, ?, ?, ?)"));
        ins.addBindValue(identity);
        ins.addBindValue(user);
        ins.addBindValue(QStringLiteral("DEMO"));
        ins.addBindValue(store::timeText(QDateTime::currentDateTime()));
        store::exec(ins);
        return account;
    });
}

QString password(unsigned seed, int user)
{
    static const char letters[] = "ABCDEFGHJKLMNPRSTUVYZ23456789";
    Random r(Random(seed).fork(0x5EC0DE).next() ^ std::uint64_t(user));
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char(letters[r.below(int(sizeof letters) - 1)]);
    return s;
}

Credentials credentialsFor(store::Store& s, const QString& identity, unsigned seed)
{
    QSqlQuery q = store::prepare(s.db(), QStringLiteral(
        "SELECT k.KULLANICIADI, k.SIFRE, k.CARINO, k.SIRANO FROM BILGISAYAR b "
        "JOIN KULLANICI k ON k.SIRANO = b.KULLANICINO WHERE b.BILGISAYARID = ?"));
    q.addBindValue(identity);
    store::exec(q);
    Credentials c;
    if (q.next()) {
        c.user = q.value(0).toString();
        c.carino = q.value(2).toInt();
        // Only the hash is stored: the demo's password is made again, and shown only while it still fits.
        const QString plain = password(seed, q.value(3).toInt());
        if (auth::verifyPassword(q.value(1).toString(), plain))
            c.password = plain;
    }
    return c;
}

} // namespace demo
