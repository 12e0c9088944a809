// Program entry of the server: reads the command line, prepares the database, serves until SIGTERM or SIGINT.
#include "demo/demo.h"
#include "http/dispatch.h"
#include "http/options.h"
#include "http/server.h"
#include "store/store.h"

#include <QCoreApplication>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <cstdio>
#include <exception>

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
        server.stop();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tezval-sunucu: %s\n", e.what());
        return 1;
    }
}
