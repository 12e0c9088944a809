// Connection settings and failures, BaglantiAc against a server that is down, and background runs.
#include "kit/net/connection.h"
#include "remote/beklesinu.h"
#include "remote_testing.h"
#include "support/qt_main.h"
#include "session/utils.h"

#include <QPointer>
#include <QTcpServer>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <thread>

using testing_remote::DialogRecorder;
using testing_remote::SeenDialog;
using testing_remote::waitUntil;

namespace {

// A loopback port where nothing listens: bound once to find it, then released.
int deadPort()
{
    QTcpServer s;
    EXPECT_TRUE(s.listen(QHostAddress::LocalHost, 0));
    return s.serverPort();
}

QString refused(int port)
{
    return QStringLiteral("127.0.0.1:%1 sunucusuna bağlanılamadı: Connection refused").arg(port);
}

std::unique_ptr<kit::Connection> connectionTo(int port)
{
    auto c = std::make_unique<kit::Connection>();
    c->setHostName(QStringLiteral("127.0.0.1"));
    c->setPort(port);
    return c;
}

TEST(Connection, HoldsTheSettingsAndClonesThemClosed)
{
    kit::Connection c;
    const std::pair<const char*, const char*> defaults[] = {
        {"DriverName", "DataSnap"},  {"CommunicationProtocol", "tcp/ip"}, {"Port", "9090"},
        {"DatasnapContext", "datasnap/"}, {"DSProxyHost", ""},          {"DSProxyPort", "8090"},
        {"Filters", "{}"},
    };
    for (const auto& [name, value] : defaults)
        EXPECT_EQ(c.param(QString::fromLatin1(name)), QString::fromLatin1(value)) << name;
    EXPECT_FALSE(c.loginPrompt());
    EXPECT_EQ(c.port(), 9090);
    EXPECT_EQ(c.methodPath("BuyukGetir"), "/datasnap/rest/TServerMethods1/BuyukGetir");

    c.setHostName(QStringLiteral("sunucu.example"));
    c.setPort(9191);
    c.setParam(QStringLiteral("DatasnapContext"), QStringLiteral("ds"));
    const auto copy = c.clone();
    EXPECT_FALSE(copy->isOpen());
    EXPECT_EQ(copy->paramNames(), c.paramNames());
    for (const QString& name : c.paramNames())
        EXPECT_EQ(copy->param(name), c.param(name)) << name.toStdString();
    EXPECT_EQ(copy->methodPath("KargoVer"), "/ds/rest/TServerMethods1/KargoVer");

    copy->setHostName(QStringLiteral("baska"));
    EXPECT_EQ(c.hostName(), QStringLiteral("sunucu.example"));
}

TEST(Connection, FailuresToOpenSayWhere)
{
    const int port = deadPort();
    struct Case {
        QString host;
        QString port;
        QString text;
    };
    const Case cases[] = {
        {QStringLiteral("127.0.0.1"), QString::number(port), refused(port)},
        {QStringLiteral("127.0.0.1"), QStringLiteral("yok"),
         QStringLiteral("127.0.0.1:yok sunucusuna bağlanılamadı: geçersiz port numarası")},
        {QString(), QStringLiteral("9090"), QStringLiteral(":9090 sunucusuna bağlanılamadı: sunucu adı verilmedi")},
    };
    for (const auto& c : cases) {
        kit::Connection conn;
        conn.setHostName(c.host);
        conn.setParam(QStringLiteral("Port"), c.port);
        try {
            conn.open();
            ADD_FAILURE() << "opened " << c.port.toStdString();
        } catch (const kit::ConnectionError& e) {
            EXPECT_EQ(e.text(), c.text);
        }
        EXPECT_FALSE(conn.isOpen());
        try {
            conn.call("BuyukGetir", "{\"_parameters\":[\"x\"]}");
            ADD_FAILURE() << "called on a closed connection";
        } catch (const kit::ConnectionError& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Sunucu bağlantısı açık değil"))) << e.what();
        }
    }
}

TEST(Connection, AServerThatNeverAnswersTimesOut)
{
    // The kernel completes the handshake on a listening socket even though nobody accepts or answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    auto c = connectionTo(silent.serverPort());
    c->setConnectTimeout(std::chrono::milliseconds(300));
    try {
        c->open();
        ADD_FAILURE() << "opened a silent server";
    } catch (const kit::ConnectionError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("127.0.0.1:%1 sunucusuna bağlanılamadı: zaman aşımı").arg(silent.serverPort()));
    }
    EXPECT_FALSE(c->isOpen());
}

void expectAttemptMessages(const std::vector<SeenDialog>& seen, int port)
{
    ASSERT_GE(seen.size(), 11u);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(seen[i].text, refused(port)) << i;
        EXPECT_EQ(seen[i].title, kit::applicationTitle()) << i;
        EXPECT_EQ(seen[i].icon, QMessageBox::NoIcon) << i;
        EXPECT_EQ(seen[i].buttons, QStringList{QStringLiteral("Tamam")}) << i;
        EXPECT_TRUE(seen[i].onUiThread) << i;
    }
}

TEST(BaglantiAc, AServerThatIsDownGetsElevenAttemptsThenTheFinalMessage)
{
    const int port = deadPort();
    auto c = connectionTo(port);
    DialogRecorder rec;
    QElapsedTimer t;
    t.start();
    const bool open = BaglantiAc(*c, 1);
    const qint64 ms = t.elapsed();
    std::cout << "BaglantiAc against a closed port: " << ms << " ms for 11 attempts\n";

    EXPECT_FALSE(open);
    EXPECT_FALSE(c->isOpen());
    const auto seen = rec.seen();
    ASSERT_EQ(seen.size(), 12u);
    expectAttemptMessages(seen, port);
    EXPECT_EQ(seen[11].text, QStringLiteral("Bağlantı Kurulamıyor Lütfen Tekrar Deneyin ...!"));
    EXPECT_EQ(seen[11].title, QStringLiteral("Hata"));
    EXPECT_EQ(seen[11].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[11].focused, QStringLiteral("Tamam"));
    // Eleven pauses of 500 ms: the pauses themselves, not a speed target.
    EXPECT_GE(ms, 5000);
}

TEST(BaglantiAc, FromAWorkerTheMessagesAppearOnTheUiThread)
{
    const int port = deadPort();
    DialogRecorder rec;
    std::atomic<int> result{-1};
    std::thread worker([&] {
        auto c = connectionTo(port);
        result = BaglantiAc(*c, 0) ? 1 : 0;
    });
    const bool finished = waitUntil([&] { return result != -1; });
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(result, 0);
    const auto seen = rec.seen();
    EXPECT_EQ(seen.size(), 11u); // flag 0: no final message
    expectAttemptMessages(seen, port);
}

TEST(TAwait, ContinuationRunsOnTheUiThreadBeforeTheWorksErrorIsShown)
{
    struct Case {
        bool throws;
        bool guardAlive;
        bool continuationRuns;
    };
    const Case cases[] = {
        {false, true, true},
        {true, true, true},
        {true, false, false},
        {false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "throws " << c.throws << ", guard alive " << c.guardAlive);
        DialogRecorder rec;
        auto* guard = new QObject;
        std::atomic<bool> release{false};
        std::atomic<QThread*> workThread{nullptr};
        QThread* continuationThread = nullptr;
        int dialogsBeforeContinuation = -1;
        bool ended = false;
        int value = 0;

        Async([&] {
            workThread = QThread::currentThread();
            while (!release)
                std::this_thread::yield();
            value = 42;
            if (c.throws)
                throw std::runtime_error("Stok listesi alınamadı: sunucu hatası");
        }).Await(guard, [&] {
            continuationThread = QThread::currentThread();
            dialogsBeforeContinuation = rec.count();
            EXPECT_EQ(value, 42);
            ended = true;
        });
        EXPECT_FALSE(ended); // Await returns before the work has even finished

        if (!c.guardAlive)
            delete guard;
        release = true;
        const int expectedDialogs = c.throws ? 1 : 0;
        // Wait for the last thing that happens: the error report, or the continuation, or (neither
        // expected) the pool having drained plus a turn of the event loop.
        if (c.throws)
            EXPECT_TRUE(waitUntil([&] { return rec.count() == 1; }));
        else if (c.continuationRuns)
            EXPECT_TRUE(waitUntil([&] { return ended; }));
        else {
            QThreadPool::globalInstance()->waitForDone(20000);
            waitUntil([] { return false; }, 200);
        }

        EXPECT_NE(workThread.load(), qApp->thread());
        EXPECT_EQ(ended, c.continuationRuns);
        if (c.continuationRuns) {
            EXPECT_EQ(continuationThread, qApp->thread());
            EXPECT_EQ(dialogsBeforeContinuation, 0);
        }
        const auto seen = rec.seen();
        ASSERT_EQ(int(seen.size()), expectedDialogs);
        if (c.throws) {
            EXPECT_EQ(seen[0].text, QStringLiteral("Stok listesi alınamadı: sunucu hatası"));
            EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
            EXPECT_TRUE(seen[0].onUiThread);
        }
        if (c.guardAlive)
            delete guard;
    }
}

TEST(Senkronize, RunsOnTheUiThreadAndCarriesExceptionsBack)
{
    std::atomic<int> state{0}; // 1: ran on the UI thread, 2: exception came back
    std::thread worker([&] {
        QThread* ranOn = nullptr;
        Senkronize([&] { ranOn = QThread::currentThread(); });
        if (ranOn == qApp->thread())
            state = 1;
        try {
            Senkronize([] { throw std::runtime_error("adım başarısız"); });
        } catch (const std::runtime_error& e) {
            if (std::string(e.what()) == "adım başarısız" && state == 1)
                state = 2;
        }
        if (state != 2)
            state = -1;
    });
    waitUntil([&] { return state == 2 || state == -1; });
    worker.join();
    EXPECT_EQ(state, 2);
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
