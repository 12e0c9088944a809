// Families of operations; each registers its handlers with the dispatcher.
#pragma once

namespace srv {
class Dispatcher;

void registerOturum(Dispatcher& d); // sign-in: BuyukGetir
} // namespace srv
