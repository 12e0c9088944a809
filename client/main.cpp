// Program entry of the client: the tab painter, the style, the main window, the message loop.
#include "app/tabpainter.h"
#include "app/unit1.h"
#include "kit/ui/style.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kit::applyStyle(app, new TTabColorControlStyleHook(QStyleFactory::create(QStringLiteral("Fusion"))));
    TForm1 form;
    form.FormCreate();
    form.showMaximized();
    return app.exec();
}
