// Test helpers of the remote-call tests: a recorder that answers modal dialogs and notes what they showed.
#pragma once

#include "support/qt_main.h"

#include "kit/ui/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

namespace testing_remote {

struct SeenDialog {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;  // labels, in the order the dialog holds them
    QStringList tabOrder; // labels, starting at the focused button and following Tab
    QString focused;      // label of the focused button
    int pointSize = 0;
    QRect geometry;
    bool onUiThread = false;
};

inline QString label(const QAbstractButton* b) { return b->text().remove(QLatin1Char('&')); }

// Installs itself as the modal hook for its lifetime. `answer` names the label to click (empty: the
// first button); the dialog is recorded before it is answered.
class DialogRecorder {
public:
    using Answer = std::function<QString(const SeenDialog&, int index)>;

    explicit DialogRecorder(Answer answer = {}) : answer_(std::move(answer))
    {
        kit::setModalHook([this](QDialog& dlg) { onDialog(dlg); });
    }
    ~DialogRecorder() { kit::setModalHook({}); }

    std::vector<SeenDialog> seen() const
    {
        std::lock_guard lock(m_);
        return seen_;
    }
    int count() const
    {
        std::lock_guard lock(m_);
        return int(seen_.size());
    }

private:
    void onDialog(QDialog& dlg)
    {
        SeenDialog s;
        s.title = dlg.windowTitle();
        s.onUiThread = QThread::currentThread() == qApp->thread();
        s.pointSize = dlg.font().pointSize();
        s.geometry = dlg.frameGeometry();
        auto* box = qobject_cast<QMessageBox*>(&dlg);
        QList<QAbstractButton*> buttons;
        if (box) {
            s.text = box->text();
            s.icon = box->icon();
            buttons = box->buttons();
        }
        for (auto* b : buttons)
            s.buttons << label(b);
        if (auto* f = qobject_cast<QAbstractButton*>(dlg.focusWidget())) {
            s.focused = label(f);
            QWidget* w = f;
            do {
                if (auto* b = qobject_cast<QAbstractButton*>(w); b && buttons.contains(b))
                    s.tabOrder << label(b);
                w = w->nextInFocusChain();
            } while (w && w != f);
        }
        int index;
        {
            std::lock_guard lock(m_);
            seen_.push_back(s);
            index = int(seen_.size()) - 1;
        }
        const QString wanted = answer_ ? answer_(s, index) : QString();
        for (auto* b : buttons)
            if (wanted.isEmpty() || label(b) == wanted) {
                b->click();
                return;
            }
        dlg.reject();
    }

    Answer answer_;
    mutable std::mutex m_;
    std::vector<SeenDialog> seen_;
};

using ::waitUntil;

} // namespace testing_remote
