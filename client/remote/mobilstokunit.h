// Records of the unit the server names "mobilstokunit" (opening screens, account cards, mobile lists).
#pragma once

#include "records.h"
