// The setup download of the web host: the program's newer version, when the server was given one.
#pragma once

#include "web/site.h"

namespace srv {

void setupDownload(const WebContext& context, HttpRequest& req, Respond& respond);

} // namespace srv
