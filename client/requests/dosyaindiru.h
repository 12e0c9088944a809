// The program update: downloads the new setup program, starts it silently and ends the client.
#pragma once

#include "app/ayar.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace kit {
class Connection;
}

// The user's local (non-roaming) application-data folder; empty when the system cannot name it.
QString YerelVeriKlasoru();

class Tdosyaindir : public QDialog {
    Q_OBJECT
public:
    // `_y`: the version the server requires.
    Tdosyaindir(int _y, const ProgramAyari& ayar, QWidget* AOwner = nullptr);

    kit::Connection* bag = nullptr; // set by the opener; not used here
    QLabel* sLabel1 = nullptr;
    QLabel* bilgi = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    bool basladi = false;
    QString adres; // the setup program's address

    void GuncellemeIndir();
    void KurulumCalistir(const QString& dosya);
    // Progress of the download: content length (0 when unknown) and bytes read so far.
    void NetHTTPClient1ReceiveData(qint64 uzunluk, qint64 okunan);
    void NetHTTPClient1RequestError(const QString& hata);

    static QString IlerlemeMetni(qint64 uzunluk, qint64 okunan);

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void reject() override {} // the window never closes normally
};
