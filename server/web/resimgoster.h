// The web host's product picture page, "resimgoster.ashx?id=" and a stock number.
#pragma once

#include "web/site.h"

namespace srv {

// GET: the picture's bytes with its content type; 404 when the product has none, 400 for an id that
// is no stock number.
void productPicturePage(const WebContext& context, HttpRequest& req, Respond& respond);

} // namespace srv
