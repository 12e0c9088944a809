// A window that shows one page of the wholesaler's web site.
#pragma once

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTextBrowser;

class Tformistekyeni : public QDialog {
    Q_OBJECT
public:
    explicit Tformistekyeni(QWidget* owner = nullptr);

    // Shows the page; without an embedded browser the address opens in the system browser.
    void Git(const QString& adres);
    QString adres() const { return adres_; }

    QTextBrowser* sitem = nullptr;
    QPushButton* Button1 = nullptr;

private:
    QString adres_;
};
