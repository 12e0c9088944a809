// MesajVer (Turkish message dialog with beep) and BaglantiAc (open with retries).
#include "session/utils.h"

#include "kit/net/connection.h"
#include "kit/ui/modal.h"
#include "remote/beklesinu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <chrono>
#include <iterator>
#include <thread>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

std::function<void(unsigned)>& bipHook()
{
    static std::function<void(unsigned)> h;
    return h;
}

struct TipBilgisi {
    QMessageBox::Icon icon;
    const char16_t* caption;
    unsigned sound;
};
constexpr TipBilgisi kTipler[] = {
    {QMessageBox::Warning, u"Uyarı", 48},
    {QMessageBox::Critical, u"Hata", 16},
    {QMessageBox::Information, u"Bilgi", 64},
    {QMessageBox::Question, u"Soru", 32},
};

struct ButonBilgisi {
    MesajButonu code;
    QMessageBox::StandardButton standard; // NoButton: the platform has none, a plain button stands in
    const char16_t* label;                // nullptr: the platform's own label stays
    int result;
};
// In the order of the button codes; this is also the tab order after the default button.
constexpr ButonBilgisi kButonlar[] = {
    {mbYes, QMessageBox::Yes, u"Evet", mrYes},
    {mbNo, QMessageBox::No, u"Hayır", mrNo},
    {mbOK, QMessageBox::Ok, u"Tamam", mrOk},
    {mbCancel, QMessageBox::Cancel, u"Vazgeç", mrCancel},
    {mbAbort, QMessageBox::Abort, u"İptal", mrAbort},
    {mbRetry, QMessageBox::Retry, u"Tekrar", mrRetry},
    {mbIgnore, QMessageBox::Ignore, u"Atla", mrIgnore},
    {mbAll, QMessageBox::NoButton, nullptr, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, u"Tümüne Hayır", mrNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, u"Tümüne Evet", mrYesToAll},
    {mbHelp, QMessageBox::Help, u"Yardım", mrHelp},
    {mbClose, QMessageBox::Close, nullptr, mrClose},
};

int mesajGoster(const QString& mesaj, quint8 tip, quint16 butonlar, quint8 varsayilan, QWidget* owner)
{
    if (!owner)
        owner = QApplication::activeWindow();
    // A parent makes the dialog modal to it and centres it on it.
    QMessageBox box(owner);
    box.setText(mesaj);
    QFont font = box.font();
    font.setPointSize(15);
    box.setFont(font);

    unsigned sound = 0;
    if (tip < std::size(kTipler)) {
        box.setIcon(kTipler[tip].icon);
        box.setWindowTitle(QString::fromUtf16(kTipler[tip].caption));
        sound = kTipler[tip].sound;
    } else {
        box.setWindowTitle(kit::applicationTitle());
    }

    std::vector<std::pair<QAbstractButton*, int>> buttons;
    QAbstractButton* first = nullptr;
    for (const ButonBilgisi& b : kButonlar) {
        if (!(butonlar & butonu(b.code)))
            continue;
        QAbstractButton* button = b.standard != QMessageBox::NoButton
                                      ? box.addButton(b.standard)
                                      : box.addButton(QStringLiteral("All"), QMessageBox::AcceptRole);
        if (b.label)
            button->setText(QString::fromUtf16(b.label));
        buttons.emplace_back(button, b.result);
        if (b.code == varsayilan)
            first = button;
    }
    if (buttons.empty()) { // as the platform does, a dialog always has a way out
        QAbstractButton* ok = box.addButton(QMessageBox::Ok);
        ok->setText(QStringLiteral("Tamam"));
        buttons.emplace_back(ok, mrOk);
    }
    if (first) {
        // The default button takes the focus; Tab then walks the others in code order.
        if (auto* push = qobject_cast<QPushButton*>(first))
            box.setDefaultButton(push);
        QWidget* previous = first;
        for (const auto& [button, result] : buttons)
            if (button != first) {
                QWidget::setTabOrder(previous, button);
                previous = button;
            }
    }

    Bip(sound);
    kit::execModal(box);
    for (const auto& [button, result] : buttons)
        if (box.clickedButton() == button)
            return result;
    return mrCancel;
}

} // namespace

int MesajVer(const QString& mesaj, quint8 tip, quint16 butonlar, quint8 varsayilan, QWidget* owner)
{
    int result = mrNone;
    Senkronize([&] { result = mesajGoster(mesaj, tip, butonlar, varsayilan, owner); });
    return result;
}

void setBipHook(std::function<void(unsigned)> hook) { bipHook() = std::move(hook); }

void Bip(unsigned soundId)
{
    if (soundId == 0)
        return;
    if (bipHook()) {
        bipHook()(soundId);
        return;
    }
#ifdef Q_OS_WIN
    ::MessageBeep(soundId);
#else
    QApplication::beep();
#endif
}

QString BaglantiKurulamiyor() { return QStringLiteral("Bağlantı Kurulamıyor Lütfen Tekrar Deneyin ...!"); }

bool BaglantiAc(kit::Connection& baglanti, int flag)
{
    constexpr int kDenemeSayisi = 11;
    baglanti.close();
    int basarisiz = 0;
    while (!baglanti.isOpen() && basarisiz < kDenemeSayisi) {
        try {
            baglanti.open();
        } catch (const std::exception& e) {
            const QString text = QString::fromUtf8(e.what());
            Senkronize([&] { kit::plainMessage(text); });
            baglanti.close();
            // A plain pause, on the UI thread too: handling events here would let the user start
            // other actions in the middle of the retries.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            ++basarisiz;
        }
    }
    if (!baglanti.isOpen() && flag == 1)
        MesajVer(BaglantiKurulamiyor(), mtError, mbOKOnly, mbOK);
    return baglanti.isOpen();
}
