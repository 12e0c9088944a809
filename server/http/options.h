// Command line of tezval-sunucu: what it parses into, and the help text.
#pragma once

#include "http/server.h"

#include <QString>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace srv {

struct CommandLine {
    QString db = QStringLiteral("sqlite:tezval.db");
    Endpoint listen{"127.0.0.1", 9090};
    std::optional<Endpoint> web = Endpoint{"127.0.0.1", 9091};
    bool demo = false;
    int demoSize = 1;
    int demoProducts = 0; // 0: as the size gives
    int demoVersion = 2;
    struct Workstation {
        QString identity;
        int carino = 0; // 0: the first dealer
    };
    std::vector<Workstation> workstations;
    int threads = 4;
    int connectionsPerAddress = 64; // one address's share of the open connections
    QString setupFile; // the setup program the web host hands out; empty: none
    // The SMTP relay the outbox sends through; no URL: requests stay in the outbox.
    struct Smtp {
        QString url;          // smtp://HOST:PORT or smtps://HOST:PORT
        QString from;         // sender address of the server
        QString to;           // the wholesaler's address
        QString user;
        QString passwordFile; // the relay password, read from a file so it stays off the process list
        int attempts = 5;
        int backoffSeconds = 60;
    } smtp;
    bool listOutbox = false;  // print the outbox and exit
    int applyPassword = 0;    // apply the password of this request and exit
    bool help = false;
};

// A command line that cannot be used; what() is the Turkish message for the user, in UTF-8.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// args are the arguments after the program name; "--name value" and "--name=value" are both taken.
CommandLine parseCommandLine(const std::vector<std::string>& args);
// "HOST:PORT", the host may be a bracketed IPv6 address.
Endpoint parseEndpoint(std::string_view text);
std::string usage();

} // namespace srv
