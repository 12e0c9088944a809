// Start-up times of the client against an in-process demo server: from process start to the sign-in
// dialog on screen, and from pressing "Giriş" to the main window on screen. Prints its figures.
#include "app/tabpainter.h"
#include "app/unit1.h"
#include "kit/ui/modal.h"
#include "kit/ui/style.h"
#include "session/girisformu.h"
#include "store/store.h"
#include "support/test_server.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kIstasyon = QStringLiteral("BENCH-ISTASYON");

qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }

// The measured program: a real client process up to its main window.
int child(int argc, char** argv, int port, const QString& user, const QString& pass)
{
    QApplication app(argc, argv);
    kit::applyStyle(app, new TTabColorControlStyleHook(QStyleFactory::create(QStringLiteral("Fusion"))));
    ProgramAyari ayar = ProgramAyari::varsayilan();
    ayar.sunucuHost = QStringLiteral("127.0.0.1");
    ayar.sunucuPort = port;
    ayar.kimlikKaynagi = KimlikKaynaklari{[] { return kIstasyon; }, [] { return QString(); }};
    qint64 pressed = 0;
    kit::setEndHook([] { std::_Exit(3); });
    kit::setModalHook([&](QDialog& d) {
        auto* g = qobject_cast<Tgirisform*>(&d);
        if (!g) {
            d.reject();
            return;
        }
        std::printf("dialog %lld\n", static_cast<long long>(now()));
        g->adi->setText(user);
        g->sifre->setText(pass);
        pressed = now();
        g->Button1->click();
    });
    TForm1 form(ayar);
    form.FormCreate();
    form.show();
    QApplication::processEvents();
    std::printf("pressed %lld\nwindow %lld\n", static_cast<long long>(pressed), static_cast<long long>(now()));
    std::fflush(stdout);
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--child")
        return child(argc, argv, std::atoi(argv[2]), QString::fromUtf8(argv[3]), QString::fromUtf8(argv[4]));

    QCoreApplication app(argc, argv);
    srvtest::Options o;
    o.workstations = {{kIstasyon, 0}};
    srvtest::TestServer server(o);
    QSqlQuery q(server.store().db());
    q.prepare(QStringLiteral("SELECT k.KULLANICIADI, k.SIFRE FROM KULLANICI k JOIN BILGISAYAR b ON b.KULLANICINO = k.SIRANO WHERE b.BILGISAYARID = ?"));
    q.addBindValue(kIstasyon);
    if (!q.exec() || !q.next()) {
        std::fprintf(stderr, "no demo user bound\n");
        return 1;
    }
    const QString user = q.value(0).toString(), pass = q.value(1).toString();

    const int runs = 7;
    std::vector<double> toDialog, toWindow, bareProcess;
    for (int i = 0; i < runs; ++i) {
        // A process that does nothing, for the floor of starting any program here.
        QProcess bare;
        const qint64 b0 = now();
        bare.start(QStringLiteral("/bin/true"), {});
        bare.waitForFinished();
        bareProcess.push_back(double(now() - b0));

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        const qint64 start = now();
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), QString::number(server.port()), user, pass});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            std::fprintf(stderr, "child failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        qint64 dialog = 0, pressed = 0, window = 0;
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> w = line.split(' ');
            if (w.size() != 2)
                continue;
            (w[0] == "dialog" ? dialog : w[0] == "pressed" ? pressed : window) = w[1].toLongLong();
        }
        toDialog.push_back(double(dialog - start));
        toWindow.push_back(double(window - pressed));
    }
    std::printf("runs: %d (offscreen platform unless QT_QPA_PLATFORM is set)\n", runs);
    std::printf("empty process start and exit:        median %6.1f ms\n", median(bareProcess));
    std::printf("process start -> sign-in dialog shown: median %6.1f ms (target < 1000)\n", median(toDialog));
    std::printf("\"Giriş\" pressed -> main window shown:   median %6.1f ms (target < 1000)\n", median(toWindow));
    return 0;
}
