// Data grid offscreen: columns and customisation, header filters, summaries, grouping, cell kinds,
// reloads through a detached data source, focus, sorting, layout and the unbound mode.
#include "kit/data/filterui.h"
#include "kit/data/grid.h"
#include "kit/data/gridparts.h"
#include "kit/data/tablehelpers.h"
#include "kit/ui/modal.h"

#include "kit_testing.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <thread>

namespace {

using kittest::wireTable;

using kittest::columns;
using kittest::iconColor;
using kittest::packet;

class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.loadPacket(wireTable(packet()));
        kit::SayiBicimle(table);
        grid.setColumns(columns());
        kit::GridOptions o;
        o.showFooter = true;
        o.groupByBox = true;
        grid.setOptions(o);
        grid.setFooterSummaries({{QStringLiteral("BARKOD"), kit::Summary::Count, {}},
                                 {QStringLiteral("MIKTAR"), kit::Summary::Sum, {}},
                                 {QStringLiteral("FIYAT"), kit::Summary::Average, {}}});
        check = std::make_unique<kittest::ModelCheck>(grid.model());
        grid.setDataSource(&source);
        grid.resize(1000, 420);
        grid.show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        kit::setModalHook({});
        check.reset();
        EXPECT_TRUE(kittest::ModelCheck::failures().isEmpty()) << kittest::ModelCheck::failures().join(u'\n').toStdString();
    }

    QStringList column(const QString& key)
    {
        QStringList out;
        for (int r = 0; r < grid.viewRowCount(); ++r)
            out << grid.cellText(r, key);
        return out;
    }

    kit::GridHeader* header() { return static_cast<kit::GridHeader*>(grid.view()->horizontalHeader()); }

    // Paints one cell alone, as the view would, into an image.
    QImage paintCell(int viewRow, const QString& key, QSize size = QSize(80, 30))
    {
        QImage img(size, QImage::Format_ARGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        QStyleOptionViewItem opt;
        opt.rect = QRect(QPoint(0, 0), size);
        opt.font = grid.gridStyle().font;
        opt.fontMetrics = QFontMetrics(opt.font);
        opt.palette = grid.view()->palette();
        opt.state = QStyle::State_Enabled;
        const QModelIndex idx = grid.model()->index(viewRow, grid.columnIndex(key));
        grid.view()->itemDelegate()->paint(&p, opt, idx);
        return img;
    }

    static int countColor(const QImage& img, const QColor& c)
    {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == c;
        return n;
    }

    kit::Table table;
    kit::DataSource source{&table};
    kit::Grid grid;
    std::unique_ptr<kittest::ModelCheck> check;
};

TEST_F(GridTest, ColumnsShowAndHideAndTheCustomisationOffersOnlyTheOfferedOnes)
{
    const auto vis = grid.visibleColumns();
    std::vector<QString> keys;
    for (int c : vis)
        keys.push_back(grid.column(c).key());
    EXPECT_EQ(keys, (std::vector<QString>{QStringLiteral("DURUM"), QStringLiteral("SEC"), QStringLiteral("BARKOD"),
                                          QStringLiteral("ADI"), QStringLiteral("MIKTAR"), QStringLiteral("FIYAT"),
                                          QStringLiteral("TARIH"), QStringLiteral("ONAY")}));
    EXPECT_EQ(grid.model()->headerData(grid.columnIndex(QStringLiteral("TARIH")), Qt::Horizontal).toString(),
              QStringLiteral("TARIH"));
    const QStringList offered = grid.customizationList();
    EXPECT_TRUE(offered.contains(QStringLiteral("Satıcı")));
    EXPECT_FALSE(offered.contains(QStringLiteral("Seç")));
    EXPECT_FALSE(offered.contains(QStringLiteral("KOD")));

    // The user switches the hidden "Satıcı" on from the customisation menu.
    grid.showCustomization(grid.mapToGlobal(QPoint(10, 10)));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* satici = nullptr;
    for (QAction* a : menu->actions()) {
        EXPECT_NE(a->text(), QStringLiteral("Seç"));
        if (a->text() == QStringLiteral("Satıcı"))
            satici = a;
    }
    ASSERT_NE(satici, nullptr);
    EXPECT_FALSE(satici->isChecked());
    satici->trigger();
    menu->close();
    EXPECT_TRUE(grid.isColumnVisible(QStringLiteral("SATICI")));
    grid.setColumnVisible(QStringLiteral("SATICI"), false);
    EXPECT_FALSE(grid.isColumnVisible(QStringLiteral("SATICI")));
}

TEST_F(GridTest, HeaderFilterListsDistinctDisplayValuesAndFilters)
{
    QStringList prices;
    for (const auto& it : grid.filterItems(QStringLiteral("FIYAT")))
        prices << it.text;
    EXPECT_EQ(prices, (QStringList{QStringLiteral("8,00"), QStringLiteral("12,25"), QStringLiteral("99,90"),
                                   QStringLiteral("250,00"), QStringLiteral("1.234,50")}));
    QStringList states;
    for (const auto& it : grid.filterItems(QStringLiteral("DURUM")))
        states << it.text;
    EXPECT_EQ(states, (QStringList{QStringLiteral("Yok"), QStringLiteral("Var"), QStringLiteral("Telefon Açınız"),
                                   QStringLiteral("Yolda"), QStringLiteral("7")}));

    // The drop-down opens from the filter button of the header.
    const int fiyat = grid.columnIndex(QStringLiteral("FIYAT"));
    const QRect button = header()->filterButtonRect(fiyat);
    ASSERT_TRUE(button.isValid());
    QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, button.center());
    auto* popup = qobject_cast<kit::FilterPopup*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QListWidget* list = popup->list();
    ASSERT_EQ(list->count(), 4 + 5);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("(Tümü)"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("(Özel...)"));
    auto found = list->findItems(QStringLiteral("1.234,50"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());

    EXPECT_EQ(column(QStringLiteral("ADI")), (QStringList{QStringLiteral("FREN BALATASI"), QStringLiteral("KAYIŞ")}));
    EXPECT_EQ(grid.filterText(), QStringLiteral("Fiyat = 1.234,50"));
    EXPECT_EQ(grid.footerText(QStringLiteral("BARKOD")), QStringLiteral("2"));
    EXPECT_EQ(grid.footerText(QStringLiteral("MIKTAR")), QStringLiteral("5,00"));
    auto* bar = grid.findChild<kit::FilterBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->text(), grid.filterText());

    // A second column's filter narrows further; blanks pick the empty cells.
    grid.filterByTexts(QStringLiteral("DURUM"), {QStringLiteral("Var")});
    EXPECT_EQ(grid.viewRowCount(), 1);
    grid.clearFilter();
    EXPECT_EQ(grid.viewRowCount(), 6);
    EXPECT_FALSE(bar->isVisible());

    grid.openFilterPopup(QStringLiteral("MIKTAR"));
    popup = qobject_cast<kit::FilterPopup*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QTest::mouseClick(popup->list()->viewport(), Qt::LeftButton, {}, popup->list()->visualItemRect(popup->list()->item(2)).center());
    EXPECT_EQ(column(QStringLiteral("ADI")), QStringList{QStringLiteral("BUJİ")});

    // The bar's clear button drops every filter.
    QTest::mouseClick(bar->clearButton(), Qt::LeftButton);
    EXPECT_EQ(grid.viewRowCount(), 6);
}

TEST_F(GridTest, CustomFilterDialogJoinsTwoConditions)
{
    kit::setModalHook([](QDialog& d) {
        auto* dlg = qobject_cast<kit::CustomFilterDialog*>(&d);
        ASSERT_NE(dlg, nullptr);
        auto* op1 = dlg->findChild<QComboBox*>(QStringLiteral("op1"));
        auto* op2 = dlg->findChild<QComboBox*>(QStringLiteral("op2"));
        op1->setCurrentIndex(op1->findText(QStringLiteral("büyüktür")));
        dlg->findChild<QComboBox*>(QStringLiteral("value1"))->setEditText(QStringLiteral("99,90"));
        op2->setCurrentIndex(op2->findText(QStringLiteral("küçüktür")));
        dlg->findChild<QComboBox*>(QStringLiteral("value2"))->setEditText(QStringLiteral("1.234,50"));
        d.accept();
    });
    ASSERT_TRUE(grid.runCustomFilter(QStringLiteral("FIYAT")));
    EXPECT_EQ(column(QStringLiteral("ADI")), QStringList{QStringLiteral("AMORTİSÖR")});
    EXPECT_EQ(grid.filterText(), QStringLiteral("(Fiyat büyüktür '99,90' ve Fiyat küçüktür '1.234,50')"));

    kit::setModalHook([](QDialog& d) {
        auto* op1 = d.findChild<QComboBox*>(QStringLiteral("op1"));
        op1->setCurrentIndex(op1->findText(QStringLiteral("içerir")));
        d.findChild<QComboBox*>(QStringLiteral("value1"))->setEditText(QStringLiteral("bala"));
        auto* op2 = d.findChild<QComboBox*>(QStringLiteral("op2"));
        op2->setCurrentIndex(op2->findText(QStringLiteral("ile başlar")));
        d.findChild<QComboBox*>(QStringLiteral("value2"))->setEditText(QStringLiteral("kay"));
        d.findChild<QRadioButton*>(QStringLiteral("orJoin"))->setChecked(true);
        d.accept();
    });
    ASSERT_TRUE(grid.runCustomFilter(QStringLiteral("ADI")));
    grid.clearColumnFilter(QStringLiteral("FIYAT"));
    EXPECT_EQ(column(QStringLiteral("ADI")), (QStringList{QStringLiteral("FREN BALATASI"), QStringLiteral("KAYIŞ")}));

    kit::setModalHook([](QDialog& d) { d.reject(); });
    EXPECT_FALSE(grid.runCustomFilter(QStringLiteral("ADI")));
    EXPECT_EQ(grid.viewRowCount(), 2); // a cancelled dialog keeps the filter
}

TEST_F(GridTest, FooterCountSumAndAverageInTheUsersFormat)
{
    EXPECT_EQ(grid.footerText(QStringLiteral("BARKOD")), QStringLiteral("6"));
    EXPECT_EQ(grid.footerText(QStringLiteral("MIKTAR")), QStringLiteral("20,00")); // the empty cell adds nothing
    EXPECT_EQ(grid.footerText(QStringLiteral("FIYAT")), QStringLiteral("473,19"));
    EXPECT_EQ(grid.footerText(QStringLiteral("ADI")), QString());

    // A posted edit shows in the footer.
    table.setCurrentRow(4);
    table.edit();
    table.fieldByName(QStringLiteral("MIKTAR")).setValue(5.5);
    table.post();
    EXPECT_EQ(grid.footerText(QStringLiteral("MIKTAR")), QStringLiteral("25,50"));
    EXPECT_EQ(grid.cellText(4, QStringLiteral("MIKTAR")), QStringLiteral("5,50"));
}

TEST_F(GridTest, GroupsInAscendingOrderWithGroupFootersAndCollapse)
{
    kit::GridOptions o = grid.options();
    o.groupFooters = kit::GroupFooters::Always;
    grid.setOptions(o);
    grid.setGroupSummaries({{QStringLiteral("FIYAT"), kit::Summary::Sum, {}}, {QStringLiteral("BARKOD"), kit::Summary::Count, {}}});
    grid.setColumnVisible(QStringLiteral("SATICI"), true);
    grid.setGroupedColumns({QStringLiteral("SATICI")});
    EXPECT_FALSE(grid.isColumnVisible(QStringLiteral("SATICI"))); // a grouped column leaves the data area

    kit::GridModel* m = grid.model();
    QStringList shape;
    for (int r = 0; r < m->rowCount(); ++r) {
        switch (m->rowKind(r)) {
        case kit::RowKind::Group: shape << m->groupText(r); break;
        case kit::RowKind::GroupFooter: shape << QStringLiteral("Σ ") + grid.cellText(r, QStringLiteral("FIYAT")) +
                                                     u'/' + grid.cellText(r, QStringLiteral("BARKOD")); break;
        case kit::RowKind::Data: shape << grid.cellText(r, QStringLiteral("BARKOD")); break;
        }
    }
    EXPECT_EQ(shape, (QStringList{QStringLiteral("Satıcı : "), QStringLiteral("E-500"), QStringLiteral("Σ 1.234,50/1"),
                                  QStringLiteral("Satıcı : AYŞE"), QStringLiteral("B-100"), QStringLiteral("C-300"),
                                  QStringLiteral("Σ 1.484,50/2"),
                                  QStringLiteral("Satıcı : MEHMET"), QStringLiteral("A-200"), QStringLiteral("D-400"),
                                  QStringLiteral("Σ 107,90/2"),
                                  QStringLiteral("Satıcı : ZEYNEP"), QStringLiteral("A-210"), QStringLiteral("Σ 12,25/1")}));
    EXPECT_EQ(grid.footerText(QStringLiteral("BARKOD")), QStringLiteral("6"));

    grid.collapseAll();
    EXPECT_EQ(m->rowCount(), 8); // four groups, their footers always shown
    EXPECT_EQ(int(m->expandedLayout().size()), 14); // an export still walks every row
    grid.expandAll();
    EXPECT_EQ(m->rowCount(), 14);

    // A click on a group's expand mark folds just that group.
    const QRect band = grid.view()->visualRect(m->index(3, grid.visibleColumns().front()));
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, QPoint(10, band.center().y()));
    EXPECT_FALSE(m->isExpanded(3));
    EXPECT_EQ(m->rowCount(), 12);
    EXPECT_EQ(grid.focusedRowIndex(), 3);

    // Nested groups: states inside each seller, in ascending order of the value.
    grid.expandAll();
    grid.setGroupedColumns({QStringLiteral("SATICI"), QStringLiteral("DURUM")});
    QStringList ayse;
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->rowKind(r) == kit::RowKind::Group && m->groupLevel(r) == 1)
            ayse << m->groupText(r);
    EXPECT_EQ(ayse.mid(1, 2), (QStringList{QStringLiteral("Depo1 : Var"), QStringLiteral("Depo1 : Yolda")}));
    grid.setGroupedColumns({});
    EXPECT_EQ(m->rowCount(), 6);
    EXPECT_TRUE(grid.isColumnVisible(QStringLiteral("SATICI")));
}

TEST_F(GridTest, GroupByBoxTakesHeaderColumnsOfItsOwnGrid)
{
    auto* box = grid.findChild<kit::GroupByBox*>();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isVisible());
    auto drop = [box](const QByteArray& data, QPoint at) {
        QMimeData mime;
        mime.setData(QString::fromLatin1(kit::kColumnMime), data);
        QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(box, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent ev(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(box, &ev);
        return true;
    };
    EXPECT_TRUE(drop(kit::columnDragData(&grid, grid.columnIndex(QStringLiteral("SATICI"))), QPoint(300, 10)));
    EXPECT_EQ(grid.groupedColumns(), QStringList{QStringLiteral("SATICI")});

    kit::Grid other;
    other.setColumns(kittest::columns());
    EXPECT_FALSE(drop(kit::columnDragData(&other, 0), QPoint(300, 10))); // another grid's column
    EXPECT_FALSE(drop(QByteArray("1"), QPoint(300, 10)));

    // Dropped left of the first chip, a column becomes the outer grouping.
    EXPECT_TRUE(drop(kit::columnDragData(&grid, grid.columnIndex(QStringLiteral("DURUM"))), QPoint(1, 10)));
    EXPECT_EQ(grid.groupedColumns(), (QStringList{QStringLiteral("DURUM"), QStringLiteral("SATICI")}));
    EXPECT_EQ(grid.model()->groupText(0), QStringLiteral("Depo1 : Yok"));

    QTest::mouseClick(box, Qt::LeftButton, {}, box->removeRect(0).center());
    EXPECT_EQ(grid.groupedColumns(), QStringList{QStringLiteral("SATICI")});
}

TEST_F(GridTest, ImageComboShowsTheMappedIconAndCheckBoxesFollowTheirValues)
{
    // DURUM 1 → image 0, 0 → image 4, 3 → image 2; 7 has no item and shows nothing.
    const std::pair<int, int> cases[] = {{0, 0}, {1, 4}, {2, 2}, {3, 0}, {4, 8}};
    for (const auto& [row, image] : cases) {
        const QImage cell = paintCell(row, QStringLiteral("DURUM"));
        EXPECT_GE(countColor(cell, iconColor(image)), 14 * 14) << "row " << row;
        for (int other = 0; other < 9; ++other)
            if (other != image) {
                EXPECT_EQ(countColor(cell, iconColor(other)), 0) << "row " << row << " image " << other;
            }
    }
    const QImage unmapped = paintCell(5, QStringLiteral("DURUM"));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(countColor(unmapped, iconColor(i)), 0);
    EXPECT_EQ(grid.cellText(0, QStringLiteral("DURUM")), QStringLiteral("Var")); // text for filters and exports

    // SEC: rows 0 and 2 are 1, row 4 is 0 (all even rows, same background).
    EXPECT_EQ(paintCell(0, QStringLiteral("SEC")), paintCell(2, QStringLiteral("SEC")));
    EXPECT_NE(paintCell(0, QStringLiteral("SEC")), paintCell(4, QStringLiteral("SEC")));
    // ONAY checks "E": rows 0, 2 and 4 are E, rows 1, 3 and 5 H.
    EXPECT_EQ(paintCell(0, QStringLiteral("ONAY")), paintCell(4, QStringLiteral("ONAY")));
    EXPECT_EQ(paintCell(0, QStringLiteral("ONAY")), paintCell(0, QStringLiteral("SEC")));
    EXPECT_EQ(paintCell(1, QStringLiteral("ONAY")), paintCell(1, QStringLiteral("SEC")));
}

TEST_F(GridTest, CustomDrawnCellGetsTheRowAndItsColoursAndReplacesTheOwnDrawing)
{
    auto cols = columns();
    std::vector<std::pair<int, QColor>> seen;
    kit::ColumnDef info{.caption = QStringLiteral("Fiyat Bilgisi"), .weight = 2, .editor = kit::Editor::CustomDraw};
    info.name = QStringLiteral("FiyatBilgisi");
    info.paint = [&seen](kit::CellPaint& cp) {
        seen.emplace_back(cp.viewRow, cp.background);
        cp.painter->fillRect(cp.rect, cp.row.real(QStringLiteral("FIYAT")) > 100 ? QColor(0, 200, 0) : QColor(0, 0, 200));
        return true;
    };
    info.text = [](const kit::RowRef& r) -> QString { return QStringLiteral("Liste Fiyatı: ") + r.text(QStringLiteral("FIYAT")); };
    cols.push_back(info);
    kit::GridStyle st;
    st.even = QColor(239, 239, 239);
    st.odd = QColor(255, 255, 255);
    st.selection = QColor(210, 240, 249);
    grid.setGridStyle(st);
    grid.setColumns(cols);
    grid.setDataSource(&source);

    // The callback's fill covers the cell; only the grid lines on the right and bottom edges remain.
    EXPECT_EQ(countColor(paintCell(0, QStringLiteral("FiyatBilgisi")), QColor(0, 200, 0)), 79 * 29);
    EXPECT_EQ(countColor(paintCell(3, QStringLiteral("FiyatBilgisi")), QColor(0, 0, 200)), 79 * 29);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(0, QColor(239, 239, 239)));
    EXPECT_EQ(seen[1], std::make_pair(3, QColor(255, 255, 255)));
    EXPECT_EQ(grid.cellText(3, QStringLiteral("FiyatBilgisi")), QStringLiteral("Liste Fiyatı: 12,25"));
}

TEST_F(GridTest, ReloadWhileDetachedFromAWorkerThread)
{
    grid.filterByTexts(QStringLiteral("DURUM"), {QStringLiteral("Var"), QStringLiteral("Yok")});
    ASSERT_EQ(grid.viewRowCount(), 3);
    QSignalSpy focus(&grid, &kit::Grid::focusedRowChanged);

    grid.setDataSource(nullptr);
    grid.beginUpdate();
    EXPECT_EQ(grid.viewRowCount(), 0);
    EXPECT_EQ(grid.footerText(QStringLiteral("BARKOD")), QStringLiteral("0"));

    std::thread worker([this] {
        table.disableControls();
        table.loadPacket(wireTable(packet(R"("rows":[[1,"X-1","YENİ",1,10,0,null,null,"E","K"],
                                                     [4,"X-2","ÖZEL",2,20,0,null,null,"E","K"],
                                                     [1,"X-3","İKİNCİ",3,30,0,null,null,"E","K"],
                                                     [0,"X-4","SON",4,40,0,null,null,"E","K"]])")));
        kit::SayiBicimle(table);
        table.enableControls();
    });
    worker.join();
    EXPECT_EQ(grid.viewRowCount(), 0); // still detached: the grid did not look at the table

    grid.setDataSource(&source);
    grid.endUpdate();
    EXPECT_EQ(column(QStringLiteral("BARKOD")), (QStringList{QStringLiteral("X-1"), QStringLiteral("X-3"), QStringLiteral("X-4")}));
    EXPECT_EQ(grid.footerText(QStringLiteral("MIKTAR")), QStringLiteral("8,00"));
    EXPECT_EQ(grid.focusedRecord(), 0);
    ASSERT_FALSE(focus.isEmpty());
    EXPECT_EQ(focus.last().at(0).toInt(), 0);
}

TEST_F(GridTest, FocusAndTableCursorFollowEachOther)
{
    QSignalSpy focus(&grid, &kit::Grid::focusedRowChanged);
    ASSERT_TRUE(table.locate(QStringLiteral("BARKOD"), QStringLiteral("C-300")));
    EXPECT_EQ(grid.focusedRecord(), 2);
    ASSERT_FALSE(focus.isEmpty());
    EXPECT_EQ(focus.last().at(0).toInt(), 2);
    EXPECT_EQ(grid.focusedValue(QStringLiteral("BARKOD")).toString(), QStringLiteral("C-300"));
    EXPECT_THROW(grid.focusedValue(QStringLiteral("YOK_BOYLE")), kit::DataError);

    // A click on a row moves the table.
    const QRect cell = grid.view()->visualRect(grid.model()->index(4, grid.columnIndex(QStringLiteral("ADI"))));
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(table.currentRow(), 4);
    EXPECT_EQ(grid.focusedColumn()->key(), QStringLiteral("ADI"));

    // Sorted, a record sits elsewhere in the view.
    grid.sortBy(QStringLiteral("BARKOD"), Qt::DescendingOrder);
    table.locate(QStringLiteral("BARKOD"), QStringLiteral("A-200"));
    EXPECT_EQ(grid.focusedRowIndex(), 5);
    EXPECT_EQ(grid.focusedRecord(), 1);

    // A walk over the table ends with the focus on the last row.
    grid.clearSorting();
    table.loadPacket(wireTable(packet(R"("rows":[[1,"A","A",1,1,0,null,null,"E","K"],[1,"B","B",1,1,0,null,null,"E","K"]])")));
    EXPECT_FALSE(kit::SecimVarmi(table));
    EXPECT_EQ(grid.focusedRecord(), 1);

    // Double-click and the popup menu reach the window.
    QSignalSpy dbl(&grid, &kit::Grid::doubleClicked);
    QMenu menu;
    menu.addAction(QStringLiteral("Sepete Ekle"));
    grid.setPopupMenu(&menu);
    const QRect first = grid.view()->visualRect(grid.model()->index(0, grid.columnIndex(QStringLiteral("ADI"))));
    QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(grid.focusedRecord(), 0);
    const QRect second = grid.view()->visualRect(grid.model()->index(1, grid.columnIndex(QStringLiteral("ADI"))));
    QContextMenuEvent ev(QContextMenuEvent::Mouse, second.center(), grid.view()->viewport()->mapToGlobal(second.center()));
    QApplication::sendEvent(grid.view()->viewport(), &ev);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(grid.focusedRecord(), 1); // the row under the mouse is focused first
    menu.close();
}

TEST_F(GridTest, HeaderClickSortsUnlessSortingIsOff)
{
    const int barkod = grid.columnIndex(QStringLiteral("BARKOD"));
    const QPoint at(header()->sectionViewportPosition(barkod) + 10, header()->height() / 2);
    QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(column(QStringLiteral("BARKOD")), (QStringList{QStringLiteral("A-200"), QStringLiteral("A-210"), QStringLiteral("B-100"),
                                                             QStringLiteral("C-300"), QStringLiteral("D-400"), QStringLiteral("E-500")}));
    QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(column(QStringLiteral("BARKOD")).first(), QStringLiteral("E-500"));

    grid.sortBy(QStringLiteral("ADI"));
    EXPECT_EQ(column(QStringLiteral("ADI")), (QStringList{QStringLiteral("AMORTİSÖR"), QStringLiteral("BUJİ"), QStringLiteral("DİSK"),
                                                          QStringLiteral("FİLTRE"), QStringLiteral("FREN BALATASI"), QStringLiteral("KAYIŞ")}));
    grid.sortBy(QStringLiteral("TARIH"));
    EXPECT_EQ(column(QStringLiteral("ADI")).first(), QStringLiteral("BUJİ")); // the empty date first

    grid.clearSorting();
    kit::GridOptions o = grid.options();
    o.sorting = false;
    grid.setOptions(o);
    QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(grid.model()->sortColumn(), -1);
    EXPECT_EQ(column(QStringLiteral("BARKOD")).first(), QStringLiteral("B-100"));
}

TEST_F(GridTest, WeightedLayoutAndBestFit)
{
    // Visible weights 1+1+2+3+1+2+1+1 = 12; unit = (1000 - 30) / 12 = 80, truncated.
    ASSERT_EQ(grid.width(), 1000);
    ASSERT_TRUE(grid.spreadByWeights());
    EXPECT_EQ(grid.columnWidth(QStringLiteral("DURUM")), 80);
    EXPECT_EQ(grid.columnWidth(QStringLiteral("BARKOD")), 160);
    EXPECT_EQ(grid.columnWidth(QStringLiteral("ADI")), 240);

    grid.setColumnVisible(QStringLiteral("KOD"), true); // weight 0 shown: no width
    grid.resize(1001, 420);
    ASSERT_TRUE(grid.spreadByWeights());
    EXPECT_EQ(grid.columnWidth(QStringLiteral("KOD")), 0);
    EXPECT_EQ(grid.columnWidth(QStringLiteral("ADI")), 3 * (971 / 12));

    grid.layoutColumns(1152); // not wider than 1152: best fit
    const QFontMetrics fm(grid.gridStyle().font);
    EXPECT_GE(grid.columnWidth(QStringLiteral("ADI")), fm.horizontalAdvance(QStringLiteral("FREN BALATASI")));
    EXPECT_LT(grid.columnWidth(QStringLiteral("ADI")), 240);
    EXPECT_GT(grid.columnWidth(QStringLiteral("KOD")), 0);
    grid.layoutColumns(1153);
    EXPECT_EQ(grid.columnWidth(QStringLiteral("ADI")), 3 * (971 / 12));

    grid.setRowHeight(60);
    EXPECT_EQ(grid.view()->rowHeight(3), 60);
    EXPECT_EQ(grid.viewRowCount(), 6);

    std::vector<kit::ColumnDef> none{{.field = QStringLiteral("ADI"), .weight = 0}};
    grid.setColumns(none);
    EXPECT_FALSE(grid.spreadByWeights()); // nothing to share out
}

TEST_F(GridTest, IncrementalSearchMovesToTheMatchingRowWhenOn)
{
    grid.setFocusedRowIndex(0);
    grid.view()->setCurrentIndex(grid.model()->index(0, grid.columnIndex(QStringLiteral("BARKOD"))));
    grid.view()->setFocus();
    QTest::keyClicks(grid.view(), QStringLiteral("C-3"));
    EXPECT_EQ(grid.focusedRecord(), 2);

    kit::GridOptions o = grid.options();
    o.incrementalSearch = false;
    grid.setOptions(o);
    QTest::qWait(QApplication::keyboardInputInterval() + 50); // a fresh search, not a continuation
    QTest::keyClicks(grid.view(), QStringLiteral("E-5"));
    EXPECT_EQ(grid.focusedRecord(), 2);
}

TEST_F(GridTest, ReadOnlyUnlessSaidOtherwise)
{
    const QModelIndex miktar = grid.model()->index(0, grid.columnIndex(QStringLiteral("MIKTAR")));
    EXPECT_FALSE(grid.model()->flags(miktar) & Qt::ItemIsEditable);
    kit::GridOptions o = grid.options();
    o.readOnly = false;
    grid.setOptions(o);
    ASSERT_TRUE(grid.model()->flags(miktar) & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.model()->setData(miktar, QStringLiteral("12,5")));
    EXPECT_DOUBLE_EQ(table.real(0, 3), 12.5);
    EXPECT_FALSE(grid.model()->setData(miktar, QStringLiteral("on iki")));
    EXPECT_DOUBLE_EQ(table.real(0, 3), 12.5);
}

TEST(UnboundGrid, RowsFilledInCodeWithPictures)
{
    kit::Grid grid;
    std::vector<kit::ColumnDef> cols;
    cols.push_back({.editor = kit::Editor::Picture, .width = 120, .name = QStringLiteral("duyuru"), .unboundType = kit::FieldType::Blob});
    cols.push_back({.visible = false, .offered = false, .name = QStringLiteral("baslik")});
    cols.push_back({.visible = false, .offered = false, .name = QStringLiteral("arama")});
    grid.setColumns(cols);
    kit::GridOptions o;
    o.showHeader = false;
    o.showIndicator = false;
    o.rowHeight = 60;
    o.filtering = false;
    o.sorting = false;
    grid.setOptions(o);
    grid.setUnbound();
    kittest::ModelCheck check(grid.model());

    QImage pic(40, 30, QImage::Format_RGB32);
    pic.fill(QColor(200, 30, 30));
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    pic.save(&buf, "PNG");

    const char* searches[] = {"KAMPANYA", "", "FREN"};
    for (int i = 0; i < 3; ++i) {
        const int r = grid.appendRow();
        if (i != 1)
            grid.setCellValue(r, QStringLiteral("duyuru"), png);
        grid.setCellValue(r, QStringLiteral("arama"), QString::fromLatin1(searches[i]));
        grid.setCellValue(r, QStringLiteral("baslik"), QStringLiteral("Duyuru %1").arg(i + 1));
    }
    ASSERT_EQ(grid.viewRowCount(), 3);
    EXPECT_EQ(grid.cellValue(2, QStringLiteral("arama")).toString(), QStringLiteral("FREN"));
    EXPECT_FALSE(grid.cellValue(1, QStringLiteral("duyuru")).isValid()); // a card without a picture keeps its row

    grid.resize(200, 250);
    grid.show();
    QCoreApplication::processEvents();
    const QImage shot = grid.grab().toImage();
    const QRect first = grid.view()->visualRect(grid.model()->index(0, 0)).translated(grid.view()->viewport()->mapTo(&grid, QPoint(0, 0)));
    int red = 0;
    for (int y = first.top(); y <= first.bottom(); ++y)
        for (int x = first.left(); x <= first.right(); ++x)
            red += shot.pixelColor(x, y) == QColor(200, 30, 30);
    EXPECT_EQ(red, 40 * 30);

    grid.setFocusedRowIndex(2);
    EXPECT_EQ(grid.focusedValue(QStringLiteral("arama")).toString(), QStringLiteral("FREN"));

    // A worker refills the rows while the grid is disabled and in an update: nothing is announced
    // until the update ends.
    QSignalSpy resets(grid.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(grid.model(), &QAbstractItemModel::dataChanged);
    grid.setEnabled(false);
    grid.beginUpdate();
    std::thread worker([&grid] {
        while (grid.rowCount() > 0)
            grid.deleteRow(0);
        for (int i = 0; i < 2; ++i)
            grid.setCellValue(grid.appendRow(), QStringLiteral("arama"), QStringLiteral("YENİ %1").arg(i));
    });
    worker.join();
    EXPECT_EQ(resets.count() + changes.count(), 0);
    grid.endUpdate();
    grid.setEnabled(true);
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(grid.viewRowCount(), 2);
    EXPECT_EQ(grid.cellValue(1, QStringLiteral("arama")).toString(), QStringLiteral("YENİ 1"));

    while (grid.rowCount() > 0)
        grid.deleteRow(0);
    EXPECT_EQ(grid.viewRowCount(), 0);
    EXPECT_EQ(grid.focusedRowIndex(), -1);
    EXPECT_TRUE(kittest::ModelCheck::failures().isEmpty()) << kittest::ModelCheck::failures().join(u'\n').toStdString();
}

} // namespace

int main(int argc, char** argv) { return kittest::runWidgetTests(argc, argv); }
