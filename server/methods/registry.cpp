// Registers every family of operations that is built; the others answer 501.
#include "http/dispatch.h"
#include "methods/methods.h"

namespace srv {

void registerMethods(Dispatcher& d)
{
    registerOturum(d);
    registerKatalog(d);
    registerSepet(d);
    registerIstek(d);
}

} // namespace srv
