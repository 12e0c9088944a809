// A demo stock grid of 40 rows in the stock list's colours, with a filter, footer and status icons;
// saves a picture of it when TEZVAL_SHOT_DIR names a folder.
#include "kit/data/grid.h"
#include "kit/data/gridparts.h"
#include "kit/data/tablehelpers.h"

#include "kit_testing.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

namespace {

// Status icons drawn here: a coloured disc with a white mark, one per status image index.
QPixmap statusIcon(const QColor& fill, QChar mark)
{
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(fill.darker(130));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 19, 19));
    QFont f = QApplication::font();
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QString(mark));
    return pm;
}

kit::ImageList statusIcons()
{
    kit::ImageList l;
    l << statusIcon(QColor(46, 160, 67), u'✓')   // 0 var
      << statusIcon(QColor(128, 80, 170), u'Ö')  // 1 özel sipariş
      << statusIcon(QColor(30, 120, 200), u'→')  // 2 yolda
      << QPixmap() << statusIcon(QColor(210, 40, 40), u'✕') // 4 yok
      << statusIcon(QColor(230, 150, 20), u'…')  // 5 tedarik sürecinde
      << QPixmap() << QPixmap() << statusIcon(QColor(240, 110, 30), u'☎'); // 8 telefon açınız
    return l;
}

const QColor kHeader(210, 0, 1);
const QColor kEven(239, 239, 239);

std::string demoPacket()
{
    const char* parts[] = {"FREN BALATASI ÖN", "YAĞ FİLTRESİ", "AMORTİSÖR ARKA SAĞ", "DİSK ÖN TAKIM", "BUJİ SETİ",
                           "TRİGER SETİ", "DEBRİYAJ SETİ", "HAVA FİLTRESİ", "SU POMPASI", "ROT BAŞI SOL"};
    const char* makers[] = {"BORAX", "VELTRA", "MARDO", "SAKRON", "FENTA", "TORVEX", "NOVAK", "GAVRO"};
    const char* models[] = {"DORAN", "LIVRA", "EKRA", "KALYA", "MELIS", "FONTA", "KORVA", "GALYA"};
    std::string rows;
    for (int i = 0; i < 48; ++i) {
        const double list = 40.0 + (i * 7919 % 2400) + (i % 4) * 0.25;
        const double net = list * (0.55 + (i % 5) * 0.05);
        char buf[512];
        std::snprintf(buf, sizeof buf, R"(%s[%d,"%c%c-%05d","%s","%s","%s",%d,%.2f,%.2f,%.2f,%d,%d])", i ? "," : "",
                      i % 6, 'A' + i % 7, 'K' + i % 5, 10300 + i * 37, parts[i % 10], makers[i % 8], models[(i * 3) % 8],
                      (i % 9) + 1, list, net, net * 1.2, i % 11 == 0 ? 1 : 0, i % 7 == 0 ? 1 : 0);
        rows += buf;
    }
    return R"({"columns":[{"name":"DURUM","type":"integer"},{"name":"BARKOD","type":"text"},{"name":"ADI","type":"text"},
        {"name":"MARKA","type":"text"},{"name":"MODEL","type":"text"},{"name":"MIKTAR","type":"integer"},
        {"name":"LISTEFIYAT1","type":"float"},{"name":"NETFIYAT","type":"float"},{"name":"KDVDAHIL","type":"float"},
        {"name":"Y","type":"integer"},{"name":"K","type":"integer"}],"rows":[)" +
           rows + "]}";
}

// The demo grid in the stock list's colours over stok, shown at 1366 x 740.
void setUpDemo(kit::Grid& grid, kit::DataSource& ds, bool grouped)
{
    const kit::ImageList icons = statusIcons();
    kit::ImageList marks;
    marks << QPixmap() << statusIcon(QColor(210, 0, 1), u'★');
    std::vector<kit::ColumnDef> cols;
    kit::ColumnDef durum{.field = QStringLiteral("DURUM"), .caption = QStringLiteral("Depo1"), .alignment = Qt::AlignHCenter,
                         .editor = kit::Editor::ImageCombo};
    durum.items = {{0, 4, QStringLiteral("Yok")},           {1, 0, QStringLiteral("Var")},
                   {2, 8, QStringLiteral("Telefon Açınız")}, {3, 2, QStringLiteral("Yolda")},
                   {4, 1, QStringLiteral("Özel Sipariş")},   {5, 5, QStringLiteral("Tedarik Sürecinde")}};
    durum.images = icons;
    cols.push_back(durum);
    cols.push_back({.field = QStringLiteral("BARKOD"), .caption = QStringLiteral("Barkod"), .weight = 2});
    cols.push_back({.field = QStringLiteral("ADI"), .caption = QStringLiteral("Açıklama"), .weight = 3});
    cols.push_back({.field = QStringLiteral("MARKA"), .caption = QStringLiteral("Marka"), .weight = 2});
    cols.push_back({.field = QStringLiteral("MODEL"), .caption = QStringLiteral("Model"), .weight = 2});
    cols.push_back({.field = QStringLiteral("MIKTAR"), .caption = QStringLiteral("Miktar")});
    cols.push_back({.field = QStringLiteral("LISTEFIYAT1"), .caption = QStringLiteral("Liste Fiyatı"), .weight = 2});
    cols.push_back({.field = QStringLiteral("NETFIYAT"), .caption = QStringLiteral("Net Fiyatı"), .weight = 2});
    cols.push_back({.field = QStringLiteral("KDVDAHIL"), .caption = QStringLiteral("KDV Dahil Fiyat"), .weight = 2});
    for (const char* f : {"Y", "K"}) {
        kit::ColumnDef c{.field = QString::fromLatin1(f), .caption = QString::fromUtf8(*f == 'Y' ? "Yeni" : "Kampanyalı"),
                         .alignment = Qt::AlignHCenter, .editor = kit::Editor::ImageCombo};
        c.items = {{0, 0, QStringLiteral("Hayır")}, {1, 1, QStringLiteral("Evet")}};
        c.images = marks;
        cols.push_back(c);
    }
    grid.setColumns(cols);

    kit::GridOptions o;
    o.showFooter = true;
    o.groupByBox = grouped;
    o.groupFooters = grouped ? kit::GroupFooters::Always : kit::GroupFooters::Hidden;
    o.indicatorWidth = 14;
    o.headerHeight = 40;
    o.rowHeight = 26;
    grid.setOptions(o);
    kit::GridStyle st;
    st.content = st.even = kEven;
    st.odd = QColor(255, 255, 255);
    st.header = kHeader;
    st.headerText = Qt::white;
    st.selection = QColor(210, 240, 249);
    st.selectionText = Qt::black;
    st.indicator = QColor(66, 66, 66);
    st.gridLine = Qt::white;
    st.font = QFont(QStringLiteral("Arial"));
    st.font.setPixelSize(13);
    st.headerFont = st.font;
    st.headerFont.setBold(true);
    grid.setGridStyle(st);
    grid.setFooterSummaries({{QStringLiteral("BARKOD"), kit::Summary::Count, {}},
                             {QStringLiteral("MIKTAR"), kit::Summary::Sum, {}},
                             {QStringLiteral("NETFIYAT"), kit::Summary::Sum, {}},
                             {QStringLiteral("KDVDAHIL"), kit::Summary::Average, {}}});
    if (grouped)
        grid.setGroupSummaries({{QStringLiteral("MIKTAR"), kit::Summary::Sum, {}}, {QStringLiteral("NETFIYAT"), kit::Summary::Sum, {}}});
    grid.setDataSource(&ds);
    // Eight of the 48 rows are "Yok"; filtering them out leaves the forty the picture shows.
    grid.filterByTexts(QStringLiteral("DURUM"), {QStringLiteral("Var"), QStringLiteral("Telefon Açınız"), QStringLiteral("Yolda"),
                                                 QStringLiteral("Özel Sipariş"), QStringLiteral("Tedarik Sürecinde")});
    grid.resize(1366, 740);
    grid.show();
    grid.spreadByWeights();
    grid.setFocusedRowIndex(2);
    QCoreApplication::processEvents();
}

// The demo stock list loaded, formatted and bound to a grid set up as the stock list is.
struct DemoGrid {
    explicit DemoGrid(bool grouped)
    {
        stok.loadPacket(kittest::wireTable(demoPacket()));
        kit::SayiBicimle(stok);
        setUpDemo(grid, ds, grouped);
    }
    kit::Table stok;
    kit::DataSource ds{&stok};
    kit::Grid grid;
};

TEST(GridShot, DemoStockGrid)
{
    DemoGrid demo(false);
    kit::Grid& grid = demo.grid;

    ASSERT_EQ(grid.viewRowCount(), 40);
    EXPECT_EQ(grid.footerText(QStringLiteral("BARKOD")), QStringLiteral("40"));
    EXPECT_EQ(grid.filterText(), QStringLiteral("Depo1 içinde (Var, Telefon Açınız, Yolda, Özel Sipariş, Tedarik Sürecinde)"));

    const QImage shot = grid.grab().toImage();
    const QPoint vp = grid.view()->viewport()->mapTo(&grid, QPoint(0, 0));
    const QTableView* v = grid.view();
    // Header in the stock list's red; even rows grey, odd rows white, away from text.
    const int barkod = grid.columnIndex(QStringLiteral("BARKOD"));
    const QRect head(v->horizontalHeader()->sectionViewportPosition(barkod) + vp.x(), vp.y() - 40, 6, 6);
    EXPECT_EQ(shot.pixelColor(head.topLeft() + QPoint(3, 3)), kHeader);
    const int miktar = grid.columnIndex(QStringLiteral("MIKTAR"));
    auto cellPixel = [&](int row, int col) {
        const QRect r = v->visualRect(grid.model()->index(row, col)).translated(vp);
        return shot.pixelColor(r.left() + 3, r.top() + 3);
    };
    EXPECT_EQ(cellPixel(0, miktar), kEven);
    EXPECT_EQ(cellPixel(1, miktar), QColor(255, 255, 255));
    EXPECT_EQ(cellPixel(2, miktar), QColor(210, 240, 249)); // the focused row
    // Row 0 is "Var": its cell shows the green disc.
    const QRect first = v->visualRect(grid.model()->index(0, 0)).translated(vp);
    EXPECT_EQ(shot.pixelColor(first.center() + QPoint(-6, 0)), QColor(46, 160, 67));

    const QString dir = qEnvironmentVariable("TEZVAL_SHOT_DIR");
    if (!dir.isEmpty()) {
        ASSERT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(shot.save(QDir(dir).filePath(QStringLiteral("kit_grid_demo.png"))));
    }
}

TEST(GridShot, GroupedByMakerWithGroupFooters)
{
    DemoGrid demo(true);
    kit::Grid& grid = demo.grid;
    grid.setGroupedColumns({QStringLiteral("MARKA")});
    grid.collapseAll();
    grid.model()->setExpanded(0, true);
    grid.model()->setExpanded(1 + 4 + 1 + 2, true); // past BORAX's rows and footer and FENTA: GAVRO
    QCoreApplication::processEvents();

    kit::GridModel* m = grid.model();
    ASSERT_EQ(m->groupText(0), QStringLiteral("Marka : BORAX"));
    EXPECT_EQ(m->rowKind(1 + 4), kit::RowKind::GroupFooter); // the filter leaves BORAX four rows
    EXPECT_EQ(grid.cellText(1 + 4, QStringLiteral("MIKTAR")), QStringLiteral("28"));
    EXPECT_EQ(m->groupText(1 + 4 + 1 + 2), QStringLiteral("Marka : GAVRO"));
    EXPECT_TRUE(m->isExpanded(1 + 4 + 1 + 2));
    EXPECT_FALSE(grid.isColumnVisible(QStringLiteral("MARKA")));
    const QImage shot = grid.grab().toImage();
    const QPoint vp = grid.view()->viewport()->mapTo(&grid, QPoint(0, 0));
    ASSERT_NE(grid.focusedRowIndex(), 8);
    const QRect band = grid.view()->visualRect(m->index(8, grid.columnIndex(QStringLiteral("ADI")))).translated(vp);
    EXPECT_EQ(shot.pixelColor(band.right() - 2, band.top() + 2), grid.gridStyle().group);
    const QString dir = qEnvironmentVariable("TEZVAL_SHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(shot.save(QDir(dir).filePath(QStringLiteral("kit_grid_grouped.png"))));
    }
}

} // namespace

int main(int argc, char** argv) { return kittest::runWidgetTests(argc, argv); }
