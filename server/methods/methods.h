// Families of operations; each registers its handlers with the dispatcher.
#pragma once

namespace srv {
class Dispatcher;

void registerOturum(Dispatcher& d); // sign-in: BuyukGetir
void registerKatalog(Dispatcher& d); // catalogue: StokAraGetir, ResimVer5, StokHareketVer
void registerSepet(Dispatcher& d);   // basket: SepetVer2, SepetEkle2, SepetGuncelle2, SepetSecimGuncelle, SepetSatirSil, SepetHepsiniSil

// The most rows a catalogue search answers, best matches first.
inline constexpr int kStokAraSatirSiniri = 500;
void registerIstek(Dispatcher& d);  // dealer card, mail and password-change requests to the outbox
} // namespace srv
