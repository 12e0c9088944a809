// Router of the wholesaler's web host: site root now; pictures, forms, payment page and setup later.
#pragma once

#include "http/listener.h"

#include <boost/asio/thread_pool.hpp>

namespace store {
class Store;
}

namespace srv {

// What the web pages may use: the database, and the worker pool for any work that touches it.
struct WebContext {
    store::Store& store;
    boost::asio::thread_pool& workers;
    QString setupFile; // the setup program of "/exe/TezvalSetup.exe"; empty: none
};

Router siteRouter(WebContext context);

} // namespace srv
