// The password change request: the dealer's details and the wanted password, sent to the wholesaler.
#pragma once

#include "records.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kit {
class Connection;
}

class Tkullanicikayit : public QDialog {
    Q_OBJECT
public:
    // Builds the window with a clone of _c and a copy of _b, and fills it from the session and the server.
    Tkullanicikayit(QWidget* AOwner, const TSonucBilgisi& _b, const kit::Connection& _c);
    ~Tkullanicikayit() override;
    static std::unique_ptr<Tkullanicikayit> Ac(QWidget* AOwner, const TSonucBilgisi& _b, const kit::Connection& _c);

    void HesapBilgisiAl();
    bool AlanKontrol();
    void IstekGonder();
    void Button2Click();
    void Button1Click();

    QLabel* lblid = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* firmaadi = nullptr;
    QLineEdit* adres1 = nullptr;
    QLineEdit* adres2 = nullptr;
    QLineEdit* ilce = nullptr;
    QLineEdit* sehir = nullptr;
    QLineEdit* telefon = nullptr;
    QLineEdit* fax = nullptr;
    QLineEdit* vd = nullptr;
    QLineEdit* vn = nullptr;
    QLineEdit* yetkili = nullptr;
    QLineEdit* kullaniciadi = nullptr;
    QLineEdit* sifre = nullptr;
    QLineEdit* mail = nullptr;
    QLineEdit* kargoambar = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;

    QString _idsi;
    std::unique_ptr<kit::Connection> con;
    TSonucBilgisi Bilgim;
};
