// Deployment values of the program: where the server and the wholesaler's web hosts are.
#pragma once

#include "session/kimlik.h"

#include <QString>

#include <optional>

struct ProgramAyari {
    QString sunucuHost;  // application server host
    int sunucuPort = 9090;
    QString webAdresi;   // the wholesaler's web site root, ending in "/"
    QString odemeAdresi; // the card-payment page's host, ending in "/"
    QString indirmeAdresi; // the maker's download host, ending in "/"
    // Where the workstation identity comes from; the system's own sources when not set.
    std::optional<KimlikKaynaklari> kimlikKaynagi;

    // The values the program was built with.
    static ProgramAyari varsayilan();
};
