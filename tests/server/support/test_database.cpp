// Test databases: a SQLite file in a temporary directory, or a PostgreSQL database created and dropped per fixture.
#include "test_database.h"

#include "store/store.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <stdexcept>

#include <chrono>
#include <thread>

namespace testdb {

namespace {

QString postgresBase() { return qEnvironmentVariable("TEZVAL_TEST_POSTGRES"); }

// With PostgreSQL chosen and no server named, every test of the program is skipped with the reason
// before it starts, so a machine without PostgreSQL still gets a clean run. (A skip in a global
// environment would not do: this googletest then reports the tests neither as run nor as skipped.)
class EngineCheck : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QString reason;
        try {
            reason = missingReason();
        } catch (const std::exception& e) {
            GTEST_FAIL() << e.what();
        }
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
    }
};

[[maybe_unused]] const bool engineCheck = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new EngineCheck);
    return true;
}();

} // namespace

Engine chosenEngine()
{
    const QString e = qEnvironmentVariable("TEZVAL_TEST_ENGINE");
    if (e.isEmpty() || e == QLatin1String("sqlite"))
        return Engine::Sqlite;
    if (e == QLatin1String("postgresql"))
        return Engine::Postgresql;
    throw std::invalid_argument("TEZVAL_TEST_ENGINE must be \"sqlite\" or \"postgresql\", not \"" + e.toStdString() + '"');
}

QString missingReason()
{
    if (chosenEngine() == Engine::Postgresql && postgresBase().isEmpty())
        return QStringLiteral("TEZVAL_TEST_ENGINE=postgresql but TEZVAL_TEST_POSTGRES is not set "
                              "(scripts/test-postgres starts a server and sets it)");
    return {};
}

Database::Database(Engine engine) : engine_(engine)
{
    if (!dir_.isValid())
        throw std::runtime_error("temporary directory could not be made");
    if (engine_ == Engine::Sqlite) {
        url_ = QStringLiteral("sqlite:") + dir_.filePath(QStringLiteral("tezval.db"));
        return;
    }
    const QString base = postgresBase();
    if (base.isEmpty())
        throw std::runtime_error(missingReason().toStdString());
    QUrl url(base, QUrl::StrictMode);
    // Tests create and drop databases at will: never on a server of another machine.
    if (url.host() != QLatin1String("127.0.0.1") && url.host() != QLatin1String("localhost") && url.host() != QLatin1String("::1"))
        throw std::runtime_error("TEZVAL_TEST_POSTGRES must name a server on this machine");

    // Unique across parallel test programs (pid), fixtures of one program (counter) and a pid that
    // comes again after an earlier run left its database behind (random part).
    static std::atomic<int> counter{0};
    name_ = QStringLiteral("tezval_t%1_%2_%3")
                .arg(QCoreApplication::applicationPid())
                .arg(++counter)
                .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    {
        store::Store admin(base);
        store::exec(admin.db(), QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name_));
    }
    url.setPath(QLatin1Char('/') + name_);
    url_ = url.toString();
}

Database::~Database()
{
    if (name_.isEmpty())
        return;
    // A server process that has not noticed its client left yet can hold the drop up for a moment.
    std::string failure;
    for (int attempt = 0; attempt < 5; ++attempt) {
        try {
            store::Store admin(postgresBase());
            store::exec(admin.db(), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
            return;
        } catch (const std::exception& e) {
            failure = e.what();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
    ADD_FAILURE() << "test database " << name_.toStdString() << " could not be dropped: " << failure;
}

} // namespace testdb
