// Excel export: the workbook read back from its sheet XML, file names, and the save dialog flow.
#include "kit/data/excelexport.h"
#include "kit/data/grid.h"
#include "kit/data/tablehelpers.h"
#include "kit/ui/modal.h"

#include "kit_testing.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>

namespace {

struct Cell {
    QString type; // "inlineStr", "s", "b", "n"
    QString value;
    QString format; // number format code, empty for general
};

// One sheet read back: cells by reference ("B3").
struct Sheet {
    std::map<QString, Cell> cells;
    int rows = 0;
    const Cell& at(const QString& ref) const
    {
        static const Cell none;
        auto it = cells.find(ref);
        return it == cells.end() ? none : it->second;
    }
};

QByteArray unzipEntry(const QString& file, const QString& entry)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, entry});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

Sheet readSheet(const QString& file)
{
    // Number formats: the built-in ones by their fixed ids; custom ones are listed in styles.
    std::map<int, QString> numFmts{{1, QStringLiteral("0")}, {2, QStringLiteral("0.00")}, {3, QStringLiteral("#,##0")},
                                   {4, QStringLiteral("#,##0.00")}, {14, QStringLiteral("mm-dd-yy")}};
    std::vector<int> xfFormat;
    QXmlStreamReader st(unzipEntry(file, QStringLiteral("xl/styles.xml")));
    bool inXfs = false;
    while (!st.atEnd()) {
        st.readNext();
        if (st.isStartElement() && st.name() == u"numFmt")
            numFmts[st.attributes().value(QLatin1String("numFmtId")).toInt()] = st.attributes().value(QLatin1String("formatCode")).toString();
        if (st.isStartElement() && st.name() == u"cellXfs")
            inXfs = true;
        if (st.isEndElement() && st.name() == u"cellXfs")
            inXfs = false;
        if (inXfs && st.isStartElement() && st.name() == u"xf")
            xfFormat.push_back(st.attributes().value(QLatin1String("numFmtId")).toInt());
    }
    Sheet sheet;
    QXmlStreamReader x(unzipEntry(file, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString ref;
    Cell cur;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement() && x.name() == u"row")
            sheet.rows = std::max(sheet.rows, x.attributes().value(QLatin1String("r")).toInt());
        if (x.isStartElement() && x.name() == u"c") {
            ref = x.attributes().value(QLatin1String("r")).toString();
            cur = Cell{};
            cur.type = x.attributes().hasAttribute(QLatin1String("t")) ? x.attributes().value(QLatin1String("t")).toString() : QStringLiteral("n");
            const int s = x.attributes().value(QLatin1String("s")).toInt();
            if (s >= 0 && s < int(xfFormat.size()) && xfFormat[std::size_t(s)] != 0)
                cur.format = numFmts[xfFormat[std::size_t(s)]];
        }
        if (x.isStartElement() && (x.name() == u"v" || x.name() == u"t"))
            cur.value += x.readElementText();
        if (x.isEndElement() && x.name() == u"c")
            sheet.cells[ref] = cur;
    }
    return sheet;
}

class ExcelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        table.loadPacket(kittest::wireTable(kittest::packet()));
        kit::SayiBicimle(table);
        grid.setColumns(kittest::columns());
        kit::GridOptions o;
        o.showFooter = true;
        grid.setOptions(o);
        grid.setFooterSummaries({{QStringLiteral("FIYAT"), kit::Summary::Sum, {}}});
        grid.setDataSource(&source);
        grid.resize(900, 300);
    }
    void TearDown() override { kit::setModalHook({}); }

    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    kit::Table table;
    kit::DataSource source{&table};
    kit::Grid grid;
};

TEST_F(ExcelTest, WorkbookHoldsCaptionsNumbersAndDatesOfWhatTheGridShows)
{
    grid.setColumnVisible(QStringLiteral("SEC"), false);
    grid.filterByTexts(QStringLiteral("DURUM"), {QStringLiteral("Var"), QStringLiteral("Yok"), QStringLiteral("Yolda")});
    const QString file = path(QStringLiteral("liste.xlsx"));
    QString error;
    ASSERT_TRUE(kit::writeExcel(grid, file, &error)) << error.toStdString();
    const Sheet s = readSheet(file);

    // Visible columns: Depo1 Barkod Açıklama Miktar Fiyat TARIH Onay.
    const char* captions[] = {"Depo1", "Barkod", "Açıklama", "Miktar", "Fiyat", "TARIH", "Onay"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(s.at(QString(QChar(u'A' + i)) + u'1').value, QString::fromUtf8(captions[i])) << i;
    EXPECT_EQ(s.at(QStringLiteral("H1")).value, QString()); // hidden columns stay out

    // Four rows pass the filter, then the footer.
    EXPECT_EQ(s.rows, 1 + 4 + 1);
    EXPECT_EQ(s.at(QStringLiteral("A2")).value, QStringLiteral("Var"));
    EXPECT_EQ(s.at(QStringLiteral("C2")).value, QStringLiteral("FREN BALATASI"));
    EXPECT_EQ(s.at(QStringLiteral("C4")).value, QStringLiteral("AMORTİSÖR"));
    EXPECT_EQ(s.at(QStringLiteral("E2")).type, QStringLiteral("n"));
    EXPECT_EQ(s.at(QStringLiteral("E2")).value, QStringLiteral("1234.5"));
    EXPECT_EQ(s.at(QStringLiteral("E2")).format, QStringLiteral("#,##0.00"));
    EXPECT_EQ(s.at(QStringLiteral("F2")).value, QStringLiteral("45356")); // 2024-03-05 as an Excel day
    EXPECT_EQ(s.at(QStringLiteral("F2")).format, QStringLiteral("dd.mm.yyyy"));
    EXPECT_EQ(s.at(QStringLiteral("D5")).value, QStringLiteral("10"));
    EXPECT_DOUBLE_EQ(s.at(QStringLiteral("E6")).value.toDouble(), 1234.5 + 99.9 + 250 + 12.25); // footer sum
    EXPECT_EQ(s.at(QStringLiteral("E6")).format, QStringLiteral("#,##0.00"));
    for (const auto& [ref, cell] : s.cells)
        EXPECT_NE(cell.value, QStringLiteral("BUJİ")) << ref.toStdString(); // filtered out
}

TEST_F(ExcelTest, CollapsedGroupsAreWrittenExpanded)
{
    grid.setGroupedColumns({QStringLiteral("SATICI")});
    grid.collapseAll();
    ASSERT_EQ(grid.viewRowCount(), 4);
    const QString file = path(QStringLiteral("gruplu.xlsx"));
    ASSERT_TRUE(kit::writeExcel(grid, file));
    const Sheet s = readSheet(file);
    EXPECT_EQ(s.rows, 1 + 4 + 6 + 1);
    EXPECT_EQ(s.at(QStringLiteral("A4")).value, QStringLiteral("Satıcı : AYŞE"));
    EXPECT_EQ(s.at(QStringLiteral("C5")).value, QStringLiteral("B-100"));
    EXPECT_EQ(s.at(QStringLiteral("C6")).value, QStringLiteral("C-300"));
}

TEST(ExcelFileName, AlwaysAnXlsxWorkbook)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/d/rapor", "/d/rapor.xlsx"},   {"/d/rapor.xls", "/d/rapor.xlsx"}, {"/d/rapor.XLS", "/d/rapor.xlsx"},
        {"/d/rapor.xlsx", "/d/rapor.xlsx"}, {"/d/rapor.2024", "/d/rapor.2024.xlsx"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(kit::excelFileName(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

TEST_F(ExcelTest, SaveDialogWritesTheChosenFileAndReportsAFailure)
{
    QString chosen = path(QStringLiteral("sepet.xls"));
    QStringList shown;
    kit::setModalHook([&](QDialog& d) {
        if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
            shown << QStringLiteral("dosya");
            EXPECT_TRUE(fd->nameFilters().join(u';').contains(QStringLiteral("*.xls*")));
            if (chosen.isEmpty()) {
                fd->reject();
                return;
            }
            fd->selectFile(chosen);
            static_cast<QDialog*>(fd)->accept(); // the file dialog's own accept, as its Save button
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(&d))
            shown << box->text();
        d.accept();
    });

    EXPECT_EQ(kit::saveGridAsExcel(grid), path(QStringLiteral("sepet.xlsx")));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("sepet.xlsx"))));
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_EQ(readSheet(path(QStringLiteral("sepet.xlsx"))).at(QStringLiteral("B1")).value, QStringLiteral("Seç"));

    chosen.clear(); // cancelled
    EXPECT_EQ(kit::saveGridAsExcel(grid), QString());
    EXPECT_EQ(shown.size(), 2);

    chosen = path(QStringLiteral("olmayan/klasor/sepet.xlsx"));
    EXPECT_EQ(kit::saveGridAsExcel(grid), QString());
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(shown.last().startsWith(QStringLiteral("Excel dosyası kaydedilemedi:"))) << shown.last().toStdString();
    EXPECT_TRUE(shown.last().contains(QStringLiteral("sepet.xlsx")));
}

} // namespace

int main(int argc, char** argv) { return kittest::runWidgetTests(argc, argv); }
