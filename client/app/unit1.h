// The main window: header, search bar, the tab set, status legend and news line; sign-in at creation.
#pragma once

#include "app/ayar.h"
#include "records.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTabWidget;
class QToolButton;
class QWidget;

namespace kit {
class BusyIndicator;
class Connection;
} // namespace kit

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(const ProgramAyari& ayar = ProgramAyari::varsayilan(), QWidget* parent = nullptr);
    ~TForm1() override;

    // Runs after construction: identity, connection settings, sign-in (modal), account adjustments,
    // and the start-up background run. The process ends inside it when sign-in does not succeed.
    void FormCreate();

    // Header labels from the session record; safe to call from a worker thread.
    void AnaBilgiAl();
    // The account-type adjustments made once after sign-in.
    void HesapTipiUygula();

    // Owned for the whole run.
    TSonucBilgisi sbilgi;
    std::unique_ptr<kit::Connection> bagc;
    int _acilisadet = 0;
    bool _acilisgoruldu = false;
    const ProgramAyari ayar;

    // Controls the program and its tests reach by name.
    QWidget* Panel1 = nullptr;
    QLabel* kullanicilbl = nullptr;
    QLabel* cariadilbl = nullptr;
    QLabel* saticilbl = nullptr;
    QLabel* GifResim1 = nullptr;
    QToolButton* Button3 = nullptr;
    QMenu* Genelmenu = nullptr;
    QAction* M1 = nullptr;
    QAction* N4 = nullptr;
    QAction* webItem = nullptr;
    QAction* G1 = nullptr;
    QAction* R1 = nullptr;
    QWidget* Panel2 = nullptr;
    QLineEdit* araedit = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* musteritus = nullptr;
    kit::BusyIndicator* gifstokara = nullptr;
    kit::BusyIndicator* gifyeniler = nullptr;
    kit::BusyIndicator* gifkampanyali = nullptr;
    kit::BusyIndicator* gifduyuru = nullptr;
    kit::BusyIndicator* gifoncekiler = nullptr;
    kit::BusyIndicator* gifsepet = nullptr;
    kit::BusyIndicator* gifekstre = nullptr;
    QTabWidget* sPageControl1 = nullptr;
    QWidget* sstoklistesi = nullptr;
    QWidget* ssepet = nullptr;
    QWidget* sonceki = nullptr;
    QWidget* sccariekstre = nullptr;
    QWidget* syeniler = nullptr;
    QWidget* skampanyali = nullptr;
    QWidget* sTabSheetduyuru = nullptr;
    QWidget* sTabbakiyeler = nullptr;
    QWidget* ss = nullptr;
    QWidget* Panel3 = nullptr;
    QWidget* Panel5 = nullptr;
    QLabel* kayanyazi = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool GirisYap(); // false when the process was ended
    void FormCloseQuery();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void G1Click();
    void M1Click();      // the mail form
    void N4Click();      // the password change request
    void webItemClick(); // the wholesaler's web site
    void BaslangicCalistir();

    QWidget* baslikPaneliKur();
    QWidget* aramaPaneliKur();
    QWidget* durumPaneliKur();
    QWidget* haberPaneliKur();
    void sekmeleriKur();
    void menuKur();
};
