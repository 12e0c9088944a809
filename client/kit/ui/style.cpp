// The program's visual style.
#include "kit/ui/style.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace kit {

const char* styleSheet()
{
    return R"(
QMainWindow, QDialog { background: #eef2f6; }
QToolTip { color: #1d2a38; background: #fffbe6; border: 1px solid #c9b458; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #e3e8ee);
              border: 1px solid #9aa9b9; border-radius: 3px; padding: 4px 12px; color: #1d2a38; }
QPushButton:hover { border-color: #3d6f9e; }
QPushButton:pressed { background: #d3dce6; }
QPushButton:disabled { color: #8a96a3; }
QLineEdit { background: white; border: 1px solid #9aa9b9; border-radius: 2px; padding: 2px 4px;
            selection-background-color: #3d6f9e; }
QLineEdit:focus { border-color: #3d6f9e; }
QTabWidget::pane { border: 1px solid #9aa9b9; background: white; top: -1px; }
/* Tabs take no box or border rules here: those would bypass the program's tab painter. */
QMenu { background: white; border: 1px solid #9aa9b9; }
QMenu::item { padding: 6px 24px 6px 24px; }
QMenu::item:selected { background: #3d6f9e; color: white; }
QMenu::separator { height: 1px; background: #c9d3dd; margin: 3px 6px; }
QProgressBar { border: 1px solid #9aa9b9; border-radius: 3px; background: white; text-align: center; }
QProgressBar::chunk { background: #3d6f9e; }
QHeaderView::section { background: #e3e8ee; border: none; border-right: 1px solid #c9d3dd;
                       border-bottom: 1px solid #9aa9b9; padding: 3px; color: #1d2a38; }
)";
}

QFont tahoma(int pixels, bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void applyStyle(QApplication& app, QStyle* base)
{
    if (!base)
        base = QStyleFactory::create(QStringLiteral("Fusion"));
    if (base)
        app.setStyle(base);
    QPalette p = app.style()->standardPalette();
    p.setColor(QPalette::Window, QColor(0xee, 0xf2, 0xf6));
    p.setColor(QPalette::WindowText, QColor(0x1d, 0x2a, 0x38));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf4, 0xf7, 0xfa));
    p.setColor(QPalette::Button, QColor(0xe9, 0xee, 0xf3));
    p.setColor(QPalette::ButtonText, QColor(0x1d, 0x2a, 0x38));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x6f, 0x9e));
    p.setColor(QPalette::HighlightedText, Qt::white);
    app.setPalette(p);
    app.setStyleSheet(QString::fromUtf8(styleSheet()));
}

} // namespace kit
