// The request form of the web host: a page an unknown workstation's user fills in, kept as a request.
#pragma once

#include "web/site.h"

namespace srv {

// GET shows the form for the query keys carino, kullanici and id; POST stores what was sent.
void requestFormPage(const WebContext& context, HttpRequest& req, Respond& respond);

} // namespace srv
