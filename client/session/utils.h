// Shared routines of the program: the Turkish message dialog and the retrying connection open.
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QWidget;

namespace kit {
class Connection;
}

// ---- message dialogs ----

// Dialog types of MesajVer.
enum MesajTipi : quint8 { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

// Button codes; bit n of a button mask stands for the button with code n.
enum MesajButonu : quint8 {
    mbYes = 0,
    mbNo = 1,
    mbOK = 2,
    mbCancel = 3,
    mbAbort = 4,
    mbRetry = 5,
    mbIgnore = 6,
    mbAll = 7,
    mbNoToAll = 8,
    mbYesToAll = 9,
    mbHelp = 10,
    mbClose = 11,
};
constexpr quint16 butonu(MesajButonu b) { return quint16(1u << b); }
constexpr quint16 mbOKOnly = butonu(mbOK);                    // 4
constexpr quint16 mbYesNo = butonu(mbYes) | butonu(mbNo);     // 3

// Modal results MesajVer returns, numbered as the platform numbers them.
enum ModalSonuc : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrClose = 8,
    mrHelp = 9,
    mrAll = 12,
    mrNoToAll = 13,
    mrYesToAll = 14,
};

// Shows a modal message dialog with a Turkish caption for the type, its beep, Turkish button labels
// and the button with code `varsayilan` first in the tab order; returns the pressed button's modal
// result (mrCancel when the dialog is closed without one). Centred on `owner`, or on the active
// window. From a worker thread it is shown on the UI thread while the worker waits.
int MesajVer(const QString& mesaj, quint8 tip, quint16 butonlar, quint8 varsayilan, QWidget* owner = nullptr);

// Sounds the system beep with the platform's sound id (48 exclamation, 16 stop, 64 information,
// 32 question). A test may hook it to observe the beeps; an empty function removes the hook.
void Bip(unsigned soundId);
void setBipHook(std::function<void(unsigned soundId)> hook);

// ---- connection ----

// "Bağlantı Kurulamıyor Lütfen Tekrar Deneyin ...!": what the user sees when the server stays out of reach.
QString BaglantiKurulamiyor();

// Opens the connection, trying up to 11 times 500 ms apart; each failure is shown in a plain message
// box. With flag 1, a connection that stays closed ends with the error "Bağlantı Kurulamıyor Lütfen
// Tekrar Deneyin ...!". Returns whether the connection is open. May be called from a worker
// thread: the messages then appear on the UI thread while the worker waits.
bool BaglantiAc(kit::Connection& baglanti, int flag);
