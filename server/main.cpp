// Program entry of the server: reads the command line, prepares the database, serves until SIGTERM or SIGINT.
#include "demo/demo.h"
#include "http/dispatch.h"
#include "http/options.h"
#include "http/server.h"
#include "mail/outbox.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QFile>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

std::string show(const srv::Endpoint& e, unsigned short boundPort)
{
    return e.host + ':' + std::to_string(boundPort);
}

} // namespace

int main(int argc, char** argv)
{
    srv::CommandLine cl;
    try {
        cl = srv::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const srv::CommandLineError& e) {
        std::fprintf(stderr, "tezval-sunucu: %s\n\n%s", e.what(), srv::usage().c_str());
        return 2;
    }
    if (cl.help) {
        std::fputs(srv::usage().c_str(), stdout);
        return 0;
    }
    // A client that disconnects mid-answer must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv); // lets Qt find its database drivers beside the program too

    try {
        store::Store store(cl.db);
        store.migrate();
        if (cl.demo) {
            demo::Options o;
            o.size = cl.demoSize;
            o.products = cl.demoProducts;
            o.version = cl.demoVersion;
            demo::fill(store, o);
        }
        for (auto& w : cl.workstations)
            w.carino = demo::bindWorkstation(store, w.identity, w.carino);
        if (cl.listOutbox) {
            std::fputs(mail::listing(store).c_str(), stdout);
            return 0;
        }
        if (cl.applyPassword > 0) {
            try {
                const QString user = mail::applyRequestedPassword(store, cl.applyPassword);
                std::printf("tezval-sunucu: istek %d uygulandı; \"%s\" kullanıcısının şifresi değişti\n", cl.applyPassword,
                            user.toUtf8().constData());
                return 0;
            } catch (const store::StoreError& e) {
                std::fprintf(stderr, "tezval-sunucu: %s\n", e.what());
                return 1;
            }
        }

        const auto logLine = [](const QString& line) { std::fprintf(stderr, "%s\n", line.toUtf8().constData()); };
        std::unique_ptr<mail::Outbox> outbox;
        if (cl.smtp.url.isEmpty()) {
            logLine(QStringLiteral("tezval-sunucu: posta aktarıcısı tanımlı değil (--smtp); istekler giden kutusunda kalır"));
        } else {
            mail::RelaySettings rs;
            rs.url = cl.smtp.url;
            rs.from = cl.smtp.from;
            rs.to = cl.smtp.to;
            rs.user = cl.smtp.user;
            if (!cl.smtp.passwordFile.isEmpty()) {
                QFile f(cl.smtp.passwordFile);
                if (!f.open(QIODevice::ReadOnly))
                    throw std::runtime_error("aktarıcı şifre dosyası okunamadı: " + cl.smtp.passwordFile.toStdString());
                rs.password = QString::fromUtf8(f.readAll()).trimmed();
            }
            rs.attempts = cl.smtp.attempts;
            rs.backoff = std::chrono::seconds(cl.smtp.backoffSeconds);
            outbox = std::make_unique<mail::Outbox>(store, rs, logLine);
        }

        srv::Dispatcher dispatcher;
        srv::registerMethods(dispatcher);
        srv::ServerOptions options;
        options.listen = cl.listen;
        options.web = cl.web;
        options.threads = cl.threads;
        options.limits.maxConnectionsPerAddress = std::size_t(cl.connectionsPerAddress);
        options.setupFile = cl.setupFile;
        srv::Server server(store, dispatcher, options);

        boost::asio::io_context signalLoop;
        boost::asio::signal_set stopSignals(signalLoop, SIGINT, SIGTERM);
        stopSignals.async_wait([](const boost::system::error_code&, int) {});

        server.start();
        if (outbox)
            outbox->start();
        std::string line = "tezval-sunucu: dinleniyor " + show(cl.listen, server.port());
        if (cl.web)
            line += " (web " + show(*cl.web, server.webPort()) + ")";
        std::printf("%s\n", line.c_str());
        if (cl.demo)
            for (const auto& w : cl.workstations) {
                const demo::Credentials c = demo::credentialsFor(store, w.identity);
                std::printf("tezval-sunucu: iş istasyonu %s -> cari %d, kullanıcı adı \"%s\", şifre %s\n",
                            w.identity.toUtf8().constData(), c.carino, c.user.toUtf8().constData(),
                            c.password.isEmpty() ? "(demodaki şifre değiştirilmiş)"
                                                 : ('"' + c.password.toStdString() + '"').c_str());
            }
        std::fflush(stdout);

        signalLoop.run(); // returns once a stop signal has arrived
        std::fprintf(stderr, "tezval-sunucu: durduruluyor\n");
        if (outbox)
            outbox->stop();
        server.stop();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tezval-sunucu: %s\n", e.what());
        return 1;
    }
}
