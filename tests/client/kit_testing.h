// Helpers shared by the kit tests: received tables from JSON text and a model checker.
#pragma once

#include "support/qt_main.h"

#include "kit/data/gridcolumn.h"

#include "wire.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QColor>
#include <QLocale>
#include <QMessageLogContext>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kittest {

// A received table as the server sends it in {"result":[table]}.
inline wire::Table wireTable(const std::string& json)
{
    return wire::MessageReader::parse("{\"result\":[" + json + "]}", "result").table(0);
}

// The sample stock list the grid tests share: ten columns, six rows.
inline const char* kColumns = R"("columns":[{"name":"DURUM","type":"integer"},{"name":"BARKOD","type":"text"},
    {"name":"ADI","type":"text"},{"name":"MIKTAR","type":"float"},{"name":"FIYAT","type":"float"},
    {"name":"SEC","type":"integer"},{"name":"SATICI","type":"text"},{"name":"TARIH","type":"date"},
    {"name":"ONAY","type":"text"},{"name":"KOD","type":"text"}])";

inline const char* kRows = R"("rows":[
    [1,"B-100","FREN BALATASI",2,1234.5,1,"AYŞE","2024-03-05","E","K1"],
    [0,"A-200","DİSK",1,99.9,0,"MEHMET","2024-03-06","H","K2"],
    [3,"C-300","AMORTİSÖR",4,250,1,"AYŞE","2024-03-07","E","K3"],
    [1,"A-210","FİLTRE",10,12.25,1,"ZEYNEP","2024-03-05","H","K4"],
    [2,"D-400","BUJİ",null,8,0,"MEHMET",null,"E","K5"],
    [7,"E-500","KAYIŞ",3,1234.5,0,null,"2024-03-08","H","K6"]])";

inline std::string packet(const char* rows = kRows) { return std::string("{") + kColumns + "," + rows + "}"; }

// One plain colour per image index, so a painted cell shows which icon it got.
inline QColor iconColor(int i) { return QColor(QColor::fromHsv((i * 40) % 360, 255, 220).rgb()); }

inline kit::ImageList icons()
{
    kit::ImageList list;
    for (int i = 0; i < 9; ++i) {
        QPixmap pm(16, 16);
        pm.fill(iconColor(i));
        list << pm;
    }
    return list;
}

inline std::vector<kit::ColumnDef> columns()
{
    using kit::Editor;
    std::vector<kit::ColumnDef> cols;
    kit::ColumnDef durum{.field = QStringLiteral("DURUM"), .caption = QStringLiteral("Depo1"), .alignment = Qt::AlignHCenter,
                         .editor = Editor::ImageCombo};
    durum.items = {{0, 4, QStringLiteral("Yok")},           {1, 0, QStringLiteral("Var")},
                   {2, 8, QStringLiteral("Telefon Açınız")}, {3, 2, QStringLiteral("Yolda")},
                   {4, 1, QStringLiteral("Özel Sipariş")},   {5, 5, QStringLiteral("Tedarik Sürecinde")}};
    durum.images = icons();
    cols.push_back(durum);
    cols.push_back({.field = QStringLiteral("SEC"), .caption = QStringLiteral("Seç"), .offered = false, .editor = Editor::CheckBox});
    cols.push_back({.field = QStringLiteral("BARKOD"), .caption = QStringLiteral("Barkod"), .weight = 2});
    cols.push_back({.field = QStringLiteral("ADI"), .caption = QStringLiteral("Açıklama"), .weight = 3});
    cols.push_back({.field = QStringLiteral("MIKTAR"), .caption = QStringLiteral("Miktar")});
    cols.push_back({.field = QStringLiteral("FIYAT"), .caption = QStringLiteral("Fiyat"), .weight = 2});
    cols.push_back({.field = QStringLiteral("SATICI"), .caption = QStringLiteral("Satıcı"), .weight = 2, .visible = false});
    cols.push_back({.field = QStringLiteral("TARIH")}); // no caption: the header shows the field name
    kit::ColumnDef onay{.field = QStringLiteral("ONAY"), .caption = QStringLiteral("Onay"), .editor = Editor::CheckBox};
    onay.checkedValue = QStringLiteral("E");
    onay.uncheckedValue = QStringLiteral("H");
    cols.push_back(onay);
    cols.push_back({.field = QStringLiteral("KOD"), .weight = 0, .visible = false, .offered = false});
    return cols;
}

// Runs Qt's model tester on a model and collects its complaints instead of aborting.
class ModelCheck {
public:
    explicit ModelCheck(QAbstractItemModel* m)
    {
        failures().clear();
        previous() = qInstallMessageHandler(&ModelCheck::handler);
        tester_ = std::make_unique<QAbstractItemModelTester>(m, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelCheck()
    {
        tester_.reset();
        qInstallMessageHandler(previous());
    }
    static QStringList& failures()
    {
        static QStringList f;
        return f;
    }

private:
    static QtMessageHandler& previous()
    {
        static QtMessageHandler h = nullptr;
        return h;
    }
    static void handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
    {
        if (ctx.category && std::strcmp(ctx.category, "qt.modeltest") == 0 && type != QtDebugMsg && type != QtInfoMsg) {
            failures() << msg;
            return;
        }
        if (previous())
            previous()(type, ctx, msg);
    }
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

// The main of a widget test is the shared one.
inline int runWidgetTests(int argc, char** argv) { return runQtTests(argc, argv); }

} // namespace kittest
