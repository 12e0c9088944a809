// Families of operations; each registers its handlers with the dispatcher.
#pragma once

namespace srv {
class Dispatcher;

void registerOturum(Dispatcher& d); // sign-in: BuyukGetir
void registerIstek(Dispatcher& d);  // dealer card, mail and password-change requests to the outbox
} // namespace srv
