// Session record and the other records of the unit the server names "baglantiu".
#pragma once

#include "records.h"
