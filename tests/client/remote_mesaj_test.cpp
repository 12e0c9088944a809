// MesajVer: captions, icons, beeps, Turkish labels, the default button's focus and tab order, results.
#include "remote_testing.h"
#include "support/qt_main.h"
#include "session/utils.h"

#include <QMessageBox>

#include <gtest/gtest.h>

using testing_remote::DialogRecorder;
using testing_remote::SeenDialog;

namespace {

struct Beeps {
    std::vector<unsigned> ids;
    Beeps()
    {
        setBipHook([this](unsigned id) { ids.push_back(id); });
    }
    ~Beeps() { setBipHook({}); }
};

// Shows one MesajVer, clicking `click`; returns the result and what the dialog showed.
std::pair<int, SeenDialog> show(quint8 tip, quint16 buttons, quint8 def, const QString& click, QWidget* owner = nullptr)
{
    DialogRecorder rec([&](const SeenDialog&, int) { return click; });
    const int r = MesajVer(QStringLiteral("Satırı silmek istiyor musunuz \nİkinci satır"), tip, buttons, def, owner);
    EXPECT_EQ(rec.count(), 1);
    return {r, rec.count() ? rec.seen().front() : SeenDialog{}};
}

TEST(MesajVer, CaptionIconAndBeepFollowTheType)
{
    struct Case {
        quint8 tip;
        QString caption;
        QMessageBox::Icon icon;
        std::vector<unsigned> beeps;
    };
    const Case cases[] = {
        {mtWarning, QStringLiteral("Uyarı"), QMessageBox::Warning, {48}},
        {mtError, QStringLiteral("Hata"), QMessageBox::Critical, {16}},
        {mtInformation, QStringLiteral("Bilgi"), QMessageBox::Information, {64}},
        {mtConfirmation, QStringLiteral("Soru"), QMessageBox::Question, {32}},
        {mtCustom, kit::applicationTitle(), QMessageBox::NoIcon, {}},
        {200, kit::applicationTitle(), QMessageBox::NoIcon, {}},
    };
    for (const auto& c : cases) {
        Beeps beeps;
        const auto [result, seen] = show(c.tip, mbOKOnly, mbOK, QStringLiteral("Tamam"));
        EXPECT_EQ(seen.title, c.caption) << int(c.tip);
        EXPECT_EQ(seen.icon, c.icon) << int(c.tip);
        EXPECT_EQ(beeps.ids, c.beeps) << int(c.tip);
        EXPECT_EQ(seen.text, QStringLiteral("Satırı silmek istiyor musunuz \nİkinci satır"));
        EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("Tamam")});
        EXPECT_EQ(seen.pointSize, 15);
        EXPECT_EQ(result, mrOk);
    }
}

TEST(MesajVer, YesNoQuestionsStartOnTheDefaultButton)
{
    struct Case {
        quint8 def;
        QString click;
        QString focused;
        QStringList tabOrder;
        int result;
    };
    const QString evet = QStringLiteral("Evet"), hayir = QStringLiteral("Hayır");
    const Case cases[] = {
        {mbNo, evet, hayir, {hayir, evet}, mrYes},
        {mbNo, hayir, hayir, {hayir, evet}, mrNo},
        {mbYes, evet, evet, {evet, hayir}, mrYes},
        {mbYes, hayir, evet, {evet, hayir}, mrNo},
    };
    for (const auto& c : cases) {
        const auto [result, seen] = show(mtConfirmation, mbYesNo, c.def, c.click);
        EXPECT_EQ(seen.title, QStringLiteral("Soru"));
        EXPECT_EQ(QSet<QString>(seen.buttons.begin(), seen.buttons.end()), (QSet<QString>{evet, hayir}));
        EXPECT_EQ(seen.focused, c.focused) << int(c.def);
        EXPECT_EQ(seen.tabOrder, c.tabOrder) << int(c.def);
        EXPECT_EQ(result, c.result) << c.click.toStdString();
    }
}

TEST(MesajVer, ADefaultCodeOutsideTheSetChangesNothing)
{
    // What the platform's own dialog focuses with the same buttons.
    QString platformFocus;
    {
        DialogRecorder rec;
        QMessageBox plain(QMessageBox::Question, QStringLiteral("x"), QStringLiteral("x"),
                          QMessageBox::Yes | QMessageBox::No);
        kit::execModal(plain);
        ASSERT_EQ(rec.count(), 1);
        platformFocus = rec.seen().front().focused;
    }
    for (quint8 def : {quint8(mbOK), quint8(mbHelp), quint8(99)}) {
        const auto [result, seen] = show(mtConfirmation, mbYesNo, def, QStringLiteral("Hayır"));
        const QString expectedFocus = platformFocus == QLatin1String("Yes") ? QStringLiteral("Evet")
                                    : platformFocus == QLatin1String("No")  ? QStringLiteral("Hayır")
                                                                            : platformFocus;
        EXPECT_EQ(seen.focused, expectedFocus) << int(def);
        EXPECT_EQ(seen.buttons.size(), 2);
        EXPECT_EQ(result, mrNo);
    }
}

// Every button code: its label, its modal result, and the tab order it starts.
TEST(MesajVer, EveryButtonCodeHasItsLabelAndResult)
{
    struct Button {
        quint8 code;
        QString label; // empty: the platform's label
        int result;
    };
    const Button table[] = {
        {mbYes, QStringLiteral("Evet"), 6},          {mbNo, QStringLiteral("Hayır"), 7},
        {mbOK, QStringLiteral("Tamam"), 1},          {mbCancel, QStringLiteral("Vazgeç"), 2},
        {mbAbort, QStringLiteral("İptal"), 3},       {mbRetry, QStringLiteral("Tekrar"), 4},
        {mbIgnore, QStringLiteral("Atla"), 5},       {mbAll, {}, 12},
        {mbNoToAll, QStringLiteral("Tümüne Hayır"), 13}, {mbYesToAll, QStringLiteral("Tümüne Evet"), 14},
        {mbHelp, QStringLiteral("Yardım"), 9},       {mbClose, {}, 8},
    };
    const quint16 all = 0x0FFF;
    QStringList labels; // in code order, as this dialog shows them
    {
        const auto [result, seen] = show(mtInformation, all, mbOK, QStringLiteral("Tamam"));
        ASSERT_EQ(seen.buttons.size(), 12);
        EXPECT_EQ(seen.focused, QStringLiteral("Tamam"));
        labels = seen.tabOrder;
        labels.move(0, 2); // the focused "Tamam" (code 2) back to its place
        ASSERT_EQ(labels.size(), 12);
        for (const auto& b : table) {
            if (!b.label.isEmpty()) {
                EXPECT_EQ(labels[b.code], b.label) << int(b.code);
            }
        }
        EXPECT_EQ(result, mrOk);
    }
    for (const auto& b : table) {
        const auto [result, seen] = show(mtInformation, all, b.code, labels[b.code]);
        EXPECT_EQ(seen.focused, labels[b.code]) << int(b.code);
        QStringList expectedOrder = labels;
        expectedOrder.move(b.code, 0);
        EXPECT_EQ(seen.tabOrder, expectedOrder) << int(b.code);
        EXPECT_EQ(result, b.result) << int(b.code);

        // Mask bit n stands for code n: a set of one shows that button alone.
        const auto [single, seenSingle] = show(mtWarning, quint16(1u << b.code), b.code, {});
        EXPECT_EQ(seenSingle.buttons, QStringList{labels[b.code]}) << int(b.code);
        EXPECT_EQ(single, b.result) << int(b.code);
    }
}

TEST(MesajVer, AnEmptySetStillHasAWayOut)
{
    const auto [result, seen] = show(mtWarning, 0, mbOK, {});
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("Tamam")});
    EXPECT_EQ(result, mrOk);
}

TEST(MesajVer, ClosingWithoutAButtonIsCancel)
{
    DialogRecorder rec([](const SeenDialog&, int) { return QStringLiteral("—"); }); // no such button: rejected
    EXPECT_EQ(MesajVer(QStringLiteral("Soru?"), mtConfirmation, mbYesNo, mbNo), mrCancel);
}

TEST(MesajVer, CentredOnItsOwner)
{
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    const auto [result, seen] = show(mtError, mbOKOnly, mbOK, QStringLiteral("Tamam"), &owner);
    const QPoint d = seen.geometry.center() - owner.frameGeometry().center();
    EXPECT_LE(d.manhattanLength(), 4) << d.x() << "," << d.y();
    EXPECT_EQ(result, mrOk);
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
