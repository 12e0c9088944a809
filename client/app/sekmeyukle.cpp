// The shared background load of a tab.
#include "app/sekmeyukle.h"

#include "kit/data/grid.h"
#include "kit/ui/busyindicator.h"
#include "remote/beklesinu.h"
#include "session/utils.h"

#include <QTabWidget>

#include <memory>

void SekmeYukle(QWidget* owner, SekmeYukleme y)
{
    auto hata = std::make_shared<bool>(false);
    if (y.gif)
        y.gif->start();
    y.grid->setEnabled(false);
    y.grid->setDataSource(nullptr);
    y.grid->beginUpdate();
    auto yukle = y.yukle;
    Async([hata, yukle] { *hata = !yukle(); }).Await(owner, [hata, y] {
        y.grid->setDataSource(y.kaynak);
        y.grid->endUpdate();
        y.grid->setEnabled(true);
        if (y.gif)
            y.gif->stop();
        if (y.bitir)
            y.bitir();
        if (*hata)
            MesajVer(BaglantiKurulamiyor(), mtError, mbOKOnly, mbOK, y.grid->window());
    });
}

void SayacliBaslikYaz(QTabWidget* tabs, QWidget* page, int count, const QString& baslik)
{
    tabs->setTabText(tabs->indexOf(page), QString::number(count) + QLatin1Char('=') + baslik);
}
