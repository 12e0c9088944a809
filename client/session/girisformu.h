// The sign-in dialog: user name and password checked against the account bound to this workstation.
#pragma once

#include "app/ayar.h"
#include "records.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kit {
class BusyIndicator;
class Connection;
} // namespace kit

class Tgirisform : public QDialog {
    Q_OBJECT
public:
    explicit Tgirisform(const ProgramAyari& ayar, QWidget* owner = nullptr);

    // Set by the opener; borrowed, never freed here.
    kit::Connection* bagim = nullptr;
    TSonucBilgisi* Bilgim = nullptr;
    QString idsi; // this workstation's identity

    // The settings file: VeriKlasoru + "ayar.ini".
    static QString AyarDosyasi();
    void AyarOku();
    void AyarKaydet();
    QString DisIpAl() const { return QStringLiteral("127.0.0.1"); }

    QLabel* RxLabel1 = nullptr;
    QCheckBox* benihatirla = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* adi = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* sifre = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    kit::BusyIndicator* RxGIFAnimator1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* e) override;
    void reject() override; // Escape and the window's close box end the process like "Vazgeç"

private:
    void Button1Click();
    void Button2Click();
    bool adiKeyDown();
    bool sifreKeyDown();
    void Devamet(const QString& adres);
    // Fetches the account with the typed credentials (read on the UI thread before the work starts).
    bool GirisBilgisiAl(const QString& kullanici, const QString& parola);
    void Sonuclandir(bool dogrusonuc);
    void bosUyari(const QString& mesaj, QLineEdit* kutu);

    const ProgramAyari ayar_;
    QString anahtar_; // the session key of the last sign-in answer, empty when it carried none
};
