// The shared background tab load: what the user sees during the load, after it, and on failures.
#include "app/sekmeyukle.h"
#include "e2e/e2e_testing.h"
#include "kit/data/grid.h"
#include "kit/ui/busyindicator.h"

#include <QTabWidget>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "support/qt_main.h"

namespace {

struct Tab {
    Tab()
    {
        tabs.addTab(&page, QStringLiteral("Yeni Stoklar"));
        grid = new kit::Grid(&page);
        gif = new kit::BusyIndicator(&page);
        table.create({{QStringLiteral("STOKKODU"), kit::FieldType::Text, 20}});
        source.setTable(&table);
        kit::ColumnDef col;
        col.field = QStringLiteral("STOKKODU");
        col.caption = QStringLiteral("Stok Kodu");
        grid->setColumns({col});
        grid->setDataSource(&source);
        tabs.show();
    }
    QTabWidget tabs;
    QWidget page;
    kit::Grid* grid;
    kit::BusyIndicator* gif;
    kit::Table table;
    kit::DataSource source;
};

TEST(SekmeYukle, DetachesWhileLoadingThenShowsTheRowsAndTheCount)
{
    e2e::Script script;
    Tab t;
    std::atomic<bool> release{false}, started{false};
    bool finished = false;
    SekmeYukle(&t.tabs, {t.gif, t.grid, &t.source,
                         [&] {
                             started = true;
                             while (!release)
                                 QThread::msleep(2);
                             t.table.disableControls();
                             for (const char* code : {"FR-100", "YF-200", "DS-300"}) {
                                 t.table.append();
                                 t.table.fieldByName(QStringLiteral("STOKKODU")).setValue(QString::fromLatin1(code));
                                 t.table.post();
                             }
                             t.table.enableControls();
                             return true;
                         },
                         [&] {
                             finished = true;
                             SayacliBaslikYaz(&t.tabs, &t.page, t.table.rowCount(), QStringLiteral("Yeni Stoklar"));
                         }});
    ASSERT_TRUE(e2e::waitUntil([&] { return started.load(); }));
    EXPECT_TRUE(t.gif->isVisible());
    EXPECT_FALSE(t.grid->isEnabled());
    EXPECT_EQ(t.grid->dataSource(), nullptr);
    release = true;
    ASSERT_TRUE(e2e::waitUntil([&] { return finished; }));
    EXPECT_FALSE(t.gif->isVisible());
    EXPECT_TRUE(t.grid->isEnabled());
    EXPECT_EQ(t.grid->dataSource(), &t.source);
    EXPECT_EQ(t.grid->rowCount(), 3);
    EXPECT_EQ(t.tabs.tabText(0), QStringLiteral("3=Yeni Stoklar"));
    EXPECT_TRUE(script.shown.empty());
}

TEST(SekmeYukle, FailuresAreReportedOnceTheGridIsUsableAgain)
{
    struct Case {
        const char* name;
        std::function<bool()> work;
        QString message;
    };
    const Case cases[] = {
        {"no connection", [] { return false; }, QStringLiteral("Bağlantı Kurulamıyor Lütfen Tekrar Deneyin ...!")},
        {"a failing call", []() -> bool { throw std::runtime_error("Sunucu hatası: tablo yok"); }, QStringLiteral("Sunucu hatası: tablo yok")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        e2e::Script script;
        Tab t;
        bool enabledAtMessage = false, gifHiddenAtMessage = false, finished = false;
        script.on<QMessageBox>([&](QMessageBox& box) {
            enabledAtMessage = t.grid->isEnabled();
            gifHiddenAtMessage = !t.gif->isVisible();
            box.accept();
        });
        SekmeYukle(&t.tabs, {t.gif, t.grid, &t.source, c.work, [&] { finished = true; }});
        ASSERT_TRUE(e2e::waitUntil([&] { return !script.shown.empty(); }));
        EXPECT_TRUE(finished) << "the continuation runs first";
        EXPECT_TRUE(enabledAtMessage);
        EXPECT_TRUE(gifHiddenAtMessage);
        EXPECT_EQ(script.texts(), QStringList{c.message});
    }
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
