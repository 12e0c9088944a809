// The mail form to the wholesaler: a subject and a message sent through the server with the dealer's details.
#pragma once

#include "records.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kit {
class Connection;
}

// The lines in comma-text form: separated by commas, a line quoted when it holds a comma, a double
// quote, a blank or a control character (quotes inside doubled); one empty line gives "".
QString VirgulluMetin(const QStringList& satirlar);

class Tmailform : public QDialog {
    Q_OBJECT
public:
    // Creates the form with a clone of _c and a copy of _b; _c stays the opener's and must outlive the form.
    Tmailform(QWidget* AOwner, const kit::Connection& _c, const TSonucBilgisi& _b);
    ~Tmailform() override;
    static std::unique_ptr<Tmailform> Ac(QWidget* AOwner, const kit::Connection& _c, const TSonucBilgisi& _b);

    bool AlanKontrol();
    // Runs on the worker: the two server calls on the form's own connection; answers true on error.
    bool MailGonder(const QString& baslikMetni, const QStringList& satirlar);
    void Button2Click();
    void Button1Click();

    QLabel* Label1 = nullptr;
    QLineEdit* baslik = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* konu = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;

    std::unique_ptr<kit::Connection> con;
    TSonucBilgisi Bilgim;

protected:
    void reject() override; // Escape and the window's close box act as "Kapat"

private:
    const kit::Connection& ana_; // the main connection a later send clones again
    bool gonderildi_ = false;
};
