// Deployment values of the program: where the server and the wholesaler's web hosts are.
#pragma once

#include "session/kimlik.h"

#include <QString>

#include <optional>

// The version of this program; the server names the one it requires at sign-in.
constexpr int kProgramSurumu = 2;

struct ProgramAyari {
    QString sunucuHost;  // application server host
    int sunucuPort = 9090;
    QString webAdresi;   // the wholesaler's web site root, ending in "/"
    QString odemeAdresi; // the card-payment page's host, ending in "/"
    QString indirmeAdresi; // the maker's download host, ending in "/"
    // Where the workstation identity comes from; the system's own sources when not set.
    std::optional<KimlikKaynaklari> kimlikKaynagi;
    // The sources in force: the given ones, else the system's.
    KimlikKaynaklari kimlik() const { return kimlikKaynagi.value_or(KimlikKaynaklari{&DiskSeriAl, &MacAdresiAl}); }

    // The values the program was built with.
    static ProgramAyari varsayilan();
};
