// End-to-end test helpers: the client's windows against the real server, dialogs answered by script.
#pragma once

#include "app/ayar.h"
#include "kit/ui/modal.h"
#include "support/qt_main.h"
#include "support/test_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace e2e {

// What a message dialog showed.
struct Shown {
    QString kind; // class name of the dialog
    QString title;
    QString text;
};

// Installs the modal and end hooks for its lifetime. Each dialog that comes up is recorded, then
// handed to the first handler whose type matches; message boxes without a handler get their first
// button (OK / Yes) unless `answer` names another label.
class Script {
public:
    Script()
    {
        kit::setModalHook([this](QDialog& d) { onDialog(d); });
        kit::setEndHook([this] { ++ends; });
    }
    ~Script()
    {
        kit::setModalHook({});
        kit::setEndHook({});
    }

    template <class D> void on(std::function<void(D&)> handler)
    {
        handlers_.push_back([handler](QDialog& d) {
            if (auto* typed = qobject_cast<D*>(&d)) {
                handler(*typed);
                return true;
            }
            return false;
        });
    }
    // The label to press in message boxes (empty: the first button).
    QString answer;

    std::vector<Shown> shown;
    int ends = 0; // how often the program asked to end the process

    QStringList texts() const
    {
        QStringList t;
        for (const auto& s : shown)
            if (!s.text.isEmpty())
                t << s.text;
        return t;
    }

private:
    void onDialog(QDialog& d)
    {
        auto* box = qobject_cast<QMessageBox*>(&d);
        shown.push_back({QString::fromLatin1(d.metaObject()->className()), d.windowTitle(), box ? box->text() : QString()});
        for (const auto& h : handlers_)
            if (h(d))
                return;
        if (box) {
            for (auto* b : box->buttons())
                if (answer.isEmpty() || b->text().remove(QLatin1Char('&')) == answer) {
                    b->click();
                    return;
                }
        }
        d.reject();
    }

    std::vector<std::function<bool(QDialog&)>> handlers_;
};

using ::waitUntil;

// The program's settings pointed at a test server, with a fixed workstation identity.
inline ProgramAyari ayarFor(unsigned short port, unsigned short webPort, const QString& identity)
{
    ProgramAyari a = ProgramAyari::varsayilan();
    a.sunucuHost = QStringLiteral("127.0.0.1");
    a.sunucuPort = port;
    const QString web = QStringLiteral("http://127.0.0.1:%1/").arg(webPort);
    a.webAdresi = web;
    a.odemeAdresi = web;
    a.indirmeAdresi = web;
    a.kimlikKaynagi = KimlikKaynaklari{[identity] { return identity; }, [] { return QString(); }};
    return a;
}

// Points the per-user data folder at a temporary directory for one test.
class DataHome {
public:
    DataHome() { qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit()); }
    ~DataHome() { qunsetenv("XDG_DATA_HOME"); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

} // namespace e2e
