// Modal dialogs and process end, routed so that a test can answer and observe them without a person.
#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace kit {

// Called once a modal dialog is up; it must close the dialog (done(), a click, reject()).
using ModalHook = std::function<void(QDialog&)>;
// Called instead of ending the process.
using EndHook = std::function<void()>;

// Installs (or, with an empty function, removes) the test hooks. The program installs none.
void setModalHook(ModalHook hook);
void setEndHook(EndHook hook);

// Shows dlg modally and returns its result; with a hook installed the hook answers it.
int execModal(QDialog& dlg);

// Ends the process at once with exit code 0, without clean-up. With an end hook installed it calls
// the hook and returns, so callers must return right after calling it.
void endProcess();

// The application's title, used as the caption of plain message boxes.
QString applicationTitle();

// A plain message box: the text, the application title as caption, an OK button, centred.
void plainMessage(const QString& text, QWidget* owner = nullptr);

// The application's default error report for an exception that reached the event loop.
void showError(const QString& text, QWidget* owner = nullptr);

} // namespace kit
