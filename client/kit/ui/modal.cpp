// Modal dialogs and process end with their test hooks.
#include "kit/ui/modal.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QTimer>

#include <unistd.h>

namespace kit {

namespace {
ModalHook& modalHook()
{
    static ModalHook h;
    return h;
}
EndHook& endHook()
{
    static EndHook h;
    return h;
}
} // namespace

void setModalHook(ModalHook hook) { modalHook() = std::move(hook); }
void setEndHook(EndHook hook) { endHook() = std::move(hook); }

int execModal(QDialog& dlg)
{
    if (modalHook()) {
        QPointer<QDialog> guard(&dlg);
        // Runs once the dialog's own event loop has started, as a person would meet it.
        QTimer::singleShot(0, &dlg, [guard] {
            if (guard && modalHook())
                modalHook()(*guard);
        });
    }
    return dlg.exec();
}

void endProcess()
{
    if (endHook()) {
        endHook()();
        return;
    }
    ::_exit(0);
}

QString applicationTitle()
{
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Tezval Otomotiv B2B") : name;
}

void plainMessage(const QString& text, QWidget* owner)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Tamam"));
    execModal(box);
}

void showError(const QString& text, QWidget* owner)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Tamam"));
    execModal(box);
}

} // namespace kit
