// Loads a stock list from its wire JSON into the in-memory table and shows it in the grid; prints
// the parse, load and first-paint times, the memory growth and a filter's cost.
#include "kit/data/grid.h"
#include "kit/data/numberformat.h"
#include "kit/data/table.h"
#include "kit/data/tablehelpers.h"

#include "wire.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>

#include <rapidjson/document.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

struct ColumnSpec {
    const char* name;
    wire::Type type;
};

// The stock list's 35 columns: 17 texts, 6 integers, 12 amounts.
const ColumnSpec kColumns[] = {
    {"STOK_STOKNO", wire::Type::Integer}, {"BARKOD", wire::Type::Text},      {"ADI", wire::Type::Text},
    {"MARKA", wire::Type::Text},          {"MODEL", wire::Type::Text},       {"FINISHKOD", wire::Type::Text},
    {"OEM1", wire::Type::Text},           {"OEM2", wire::Type::Text},        {"OEM3", wire::Type::Text},
    {"OEM4", wire::Type::Text},           {"URETICIKODU", wire::Type::Text}, {"DIGERADI", wire::Type::Text},
    {"OEMNO", wire::Type::Text},          {"BIRIM", wire::Type::Text},       {"ANAGRUP", wire::Type::Text},
    {"OZELKOD", wire::Type::Text},        {"DEPO2", wire::Type::Text},       {"INDIRIMYAZI", wire::Type::Text},
    {"KDV", wire::Type::Integer},         {"DURUM", wire::Type::Integer},    {"RESIM", wire::Type::Integer},
    {"K", wire::Type::Integer},           {"Y", wire::Type::Integer},        {"KALAN", wire::Type::Float},
    {"ALINANSIPARIS", wire::Type::Float}, {"VERILENSIPARIS", wire::Type::Float}, {"FIYAT", wire::Type::Float},
    {"LISTEFIYAT1", wire::Type::Float},   {"KAMPFIYAT", wire::Type::Float},  {"NETFIYAT", wire::Type::Float},
    {"KDVDAHIL", wire::Type::Float},      {"IND1", wire::Type::Float},       {"IND2", wire::Type::Float},
    {"IND3", wire::Type::Float},          {"IND4", wire::Type::Float},
};

// A reply of the stock search with n rows, as the server writes it.
std::string stockReply(int n)
{
    std::mt19937 rng(20240305);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* makers[] = {"BORAX", "VELTRA", "MARDO", "SAKRON", "FENTA", "TORVEX", "NOVAK", "GAVRO"};
    const char* models[] = {"DORAN", "LIVRA", "EKRA", "KALYA", "MELIS", "FONTA", "KORVA", "GALYA"};
    const char* parts[] = {"FREN BALATASI ÖN", "YAĞ FİLTRESİ", "AMORTİSÖR ARKA SAĞ", "DİSK ÖN", "BUJİ SETİ",
                           "TRİGER SETİ", "DEBRİYAJ SETİ", "HAVA FİLTRESİ"};
    std::vector<wire::Column> cols;
    for (const auto& c : kColumns)
        cols.push_back({QString::fromLatin1(c.name), c.type, 0});
    wire::MessageWriter w("result");
    w.beginTable(cols);
    char buf[64];
    for (int r = 0; r < n; ++r) {
        w.beginRow();
        const double price = pick(100, 2500000) / 100.0;
        w.cellInt(100000 + r);
        std::snprintf(buf, sizeof buf, "%c%c-%05d", 'A' + pick(0, 25), 'A' + pick(0, 25), pick(0, 99999));
        w.cellText(std::string_view(buf));
        w.cellText(std::string_view(parts[pick(0, 7)]));
        w.cellText(std::string_view(makers[pick(0, 7)]));
        w.cellText(std::string_view(models[pick(0, 7)]));
        for (int k = 0; k < 8; ++k) { // finish code, OEM 1-4, maker code, other name, OEM number
            std::snprintf(buf, sizeof buf, "%08d", pick(0, 99999999));
            if (pick(0, 3) == 0)
                w.cellNull();
            else
                w.cellText(std::string_view(buf));
        }
        w.cellText(std::string_view("ADET"));
        w.cellText(std::string_view(makers[pick(0, 7)]));
        w.cellText(std::string_view(pick(0, 9) < 7 ? "K1" : "K2"));
        w.cellText(std::string_view(pick(0, 1) ? "VAR" : "YOK"));
        std::snprintf(buf, sizeof buf, "%%%d+%%%d", pick(0, 40), pick(0, 10));
        w.cellText(std::string_view(buf));
        w.cellInt(20);
        w.cellInt(pick(0, 5));
        w.cellInt(pick(0, 1));
        w.cellInt(pick(0, 6) == 0 ? 1 : 0);
        w.cellInt(pick(0, 9) == 0 ? 1 : 0);
        for (int k = 0; k < 3; ++k)
            w.cellReal(pick(0, 500));
        w.cellReal(price);
        w.cellReal(price);
        w.cellReal(pick(0, 6) == 0 ? price * 0.9 : 0.0);
        w.cellReal(price * 0.55);
        w.cellReal(price * 0.55 * 1.2);
        for (int k = 0; k < 4; ++k)
            w.cellReal(pick(0, 45));
        w.endRow();
    }
    w.endTable();
    return w.finish();
}

double residentMiB()
{
#if defined(__GLIBC__)
    malloc_trim(0); // give freed heap back, so growth shows what is still held
#endif
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The best run: on a shared machine the one least disturbed by other work.
double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

double bareParseMs(const std::string& body)
{
    QElapsedTimer t;
    t.start();
    rapidjson::Document d;
    d.Parse(body.data(), body.size());
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (d.HasParseError())
        std::printf("parse error\n");
    return ms;
}

std::vector<kit::ColumnDef> stockColumns()
{
    std::vector<kit::ColumnDef> cols;
    kit::ImageList icons;
    for (int i = 0; i < 9; ++i) {
        QPixmap pm(24, 24);
        pm.fill(QColor::fromHsv(i * 40, 200, 220));
        icons << pm;
    }
    kit::ColumnDef durum{.field = QStringLiteral("DURUM"), .caption = QStringLiteral("Depo1"),
                         .alignment = Qt::AlignHCenter, .editor = kit::Editor::ImageCombo};
    durum.items = {{0, 4, QStringLiteral("Yok")}, {1, 0, QStringLiteral("Var")}, {2, 8, QStringLiteral("Telefon Açınız")},
                   {3, 2, QStringLiteral("Yolda")}, {4, 1, QStringLiteral("Özel Sipariş")}, {5, 5, QStringLiteral("Tedarik Sürecinde")}};
    durum.images = icons;
    cols.push_back(durum);
    for (const auto& c : kColumns) {
        const QString f = QString::fromLatin1(c.name);
        if (f == u"DURUM")
            continue;
        const bool shown = f == u"BARKOD" || f == u"ADI" || f == u"MARKA" || f == u"MODEL" || f == u"OZELKOD" ||
                           f == u"LISTEFIYAT1" || f == u"NETFIYAT" || f == u"KDVDAHIL" || f == u"INDIRIMYAZI";
        cols.push_back({.field = f, .weight = f == u"ADI" ? 3 : 2, .visible = shown});
    }
    return cols;
}

struct Figures {
    double parse = 0, load = 0, paint = 0, whole = 0;
};

// Parses the reply, loads the table, attaches the grid and paints it once.
Figures loadAndPaint(const std::string& body, kit::Table& table, kit::DataSource& ds, kit::Grid& grid)
{
    Figures f;
    grid.setDataSource(nullptr);
    QElapsedTimer all;
    all.start();
    {
        QElapsedTimer t;
        t.start();
        const wire::MessageReader reply = wire::MessageReader::parse(body, "result");
        f.parse = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        table.disableControls();
        table.loadPacket(reply.table(0));
        kit::SayiBicimle(table);
        table.enableControls();
        f.load = double(t.nsecsElapsed()) / 1e6;
    } // the parsed reply is released here, as the proxy does
    QElapsedTimer t;
    t.start();
    grid.setDataSource(&ds);
    const QPixmap shot = grid.grab();
    f.paint = double(t.nsecsElapsed()) / 1e6;
    f.whole = double(all.nsecsElapsed()) / 1e6;
    if (shot.isNull())
        std::printf("no paint\n");
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    const int runs = 11;

    kit::Grid grid;
    grid.setColumns(stockColumns());
    kit::GridOptions o;
    o.showFooter = true;
    o.indicatorWidth = 5;
    o.headerHeight = 40;
    o.rowHeight = 60;
    grid.setOptions(o);
    grid.setFooterSummaries({{QStringLiteral("BARKOD"), kit::Summary::Count, {}},
                             {QStringLiteral("NETFIYAT"), kit::Summary::Sum, {}}});
    grid.resize(1366, 640);
    grid.show();
    grid.spreadByWeights();
    QCoreApplication::processEvents();

    std::printf("%-34s %10s %10s %10s %10s %10s\n", "rows x 35 columns (medians)", "wire MB", "bare parse", "our parse",
                "load", "1st paint");
    double paint10k = 0;
    for (const int rows : {10000, 100000}) {
        const std::string body = stockReply(rows);
        std::vector<double> bare, parse, load, paint, whole;
        kit::Table table;
        kit::DataSource ds(&table);
        double before = 0, after = 0;
        for (int i = 0; i < runs; ++i) {
            bare.push_back(bareParseMs(body));
            if (i == 0) {
                before = residentMiB();
            }
            const Figures f = loadAndPaint(body, table, ds, grid);
            if (i == 0)
                after = residentMiB();
            parse.push_back(f.parse);
            load.push_back(f.load);
            paint.push_back(f.paint);
            whole.push_back(f.whole);
        }
        const double wireMiB = double(body.size()) / (1024.0 * 1024.0);
        std::printf("%-34d %10.2f %8.2f ms %7.2f ms %7.2f ms %7.2f ms\n", rows, wireMiB, median(bare), median(parse),
                    median(load), median(paint));
        std::printf("  whole load and first paint: median %.2f ms = %.2f x the bare parse; best %.2f ms = %.2f x\n",
                    median(whole), median(whole) / median(bare), best(whole), best(whole) / best(bare));
        std::printf("  memory: resident growth %.2f MiB (%.2f x wire), table holds %.2f MiB (%.2f x wire)\n",
                    after - before, (after - before) / wireMiB, double(table.memoryUsage()) / (1024.0 * 1024.0),
                    double(table.memoryUsage()) / double(body.size()));
        if (rows == 10000) {
            paint10k = median(paint);
        } else {
            std::printf("  first paint of 100000 rows: %.2f x that of 10000 (medians)\n", median(paint) / paint10k);
            std::vector<double> byValue, byText, cleared;
            for (int i = 0; i < runs; ++i) {
                QElapsedTimer t;
                t.start();
                grid.filterByTexts(QStringLiteral("DURUM"), {QStringLiteral("Var")});
                grid.grab();
                byValue.push_back(double(t.nsecsElapsed()) / 1e6);
                const int shown = grid.viewRowCount();
                t.restart();
                kit::ColumnFilter f;
                f.custom = true;
                f.first = {kit::FilterOp::Contains, QStringLiteral("balata")};
                grid.setColumnFilter(QStringLiteral("ADI"), f);
                grid.grab();
                byText.push_back(double(t.nsecsElapsed()) / 1e6);
                const int both = grid.viewRowCount();
                t.restart();
                grid.clearFilter();
                grid.grab();
                cleared.push_back(double(t.nsecsElapsed()) / 1e6);
                if (i == 0)
                    std::printf("  filter rows: %d with Depo1 = Var, %d of them with Açıklama containing \"balata\"\n",
                                shown, both);
            }
            std::printf("  filter on 100000 rows, applied and painted: by value %.2f ms, plus text contains %.2f ms, "
                        "cleared %.2f ms\n",
                        median(byValue), median(byText), median(cleared));
        }
    }
    return 0;
}
